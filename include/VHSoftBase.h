#ifndef VHSOFTBASE_H
#define VHSOFTBASE_H

#include "VHPrimaryDataExport.h"

#include <QString>
#include <QStringList>

/// The client's process-wide settings: which server it talks to, who is logged in,
/// which project is current and which models are open. The library only reads
/// them, at every call; the client keeps them up to date.
class VHPRIMARYDATA_EXPORT VHSoftCache
{
public:
    VHSoftCache();
    virtual ~VHSoftCache();
    VHSoftCache(const VHSoftCache &) = delete;
    VHSoftCache &operator=(const VHSoftCache &) = delete;

    virtual QString serverAddress() const;
    virtual QString currentUserId() const;
    virtual QString currentProjectId() const;
    virtual QStringList currentModelIds() const;

    void setServerAddress(const QString &address);
    void setCurrentUserId(const QString &userId);
    void setCurrentProjectId(const QString &projectId);
    void setCurrentModelIds(const QStringList &modelIds);

private:
    QString m_serverAddress;
    QString m_currentUserId;
    QString m_currentProjectId;
    QStringList m_currentModelIds;
};

/// The settings cache in use; never null.
VHPRIMARYDATA_EXPORT VHSoftCache *GetSoftCache();
/// Installs a client's own cache (the caller keeps ownership); nullptr restores
/// the built-in one.
VHPRIMARYDATA_EXPORT void SetSoftCache(VHSoftCache *cache);

#endif // VHSOFTBASE_H
