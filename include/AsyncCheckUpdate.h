#ifndef ASYNCCHECKUPDATE_H
#define ASYNCCHECKUPDATE_H

#include "VHError.h"
#include "VHPrimaryDataExport.h"
#include "VHRecord.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class AsyncNetManager;

/// One client build that the update server offers for this installation's
/// server. The library neither compares nor filters builds: the client decides
/// which one is newer than itself and how to treat a forced update.
struct UpdateInfo
{
    QString id;
    QString name;
    QString version; ///< display text
    QString fileId;
    QString device;
    QString description;
    int build = 0;       ///< the build number; 0 when the server sent no decimal text
    bool forced = false; ///< the server asks the client to install this build

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("id", &UpdateInfo::id);
        visit("name", &UpdateInfo::name);
        visit("version", &UpdateInfo::version);
        visit("fileId", &UpdateInfo::fileId);
        visit("device", &UpdateInfo::device);
        visit("description", &UpdateInfo::description);
        visit("build", &UpdateInfo::build);
        visit("forced", &UpdateInfo::forced);
    }
};

/// Asks, without blocking, which client builds the update server offers for
/// the backend deployment the client is connected to. A check runs in two
/// requests: the backend's server id first, then the builds released for that
/// id. Each checkUpdate() ends with exactly one checkUpdateFinish, whose list is
/// empty when either answer is unusable. Start a new check only after the
/// previous one has reported.
///
/// The signal's argument type is not registered by this class. A client that
/// connects to it across threads (a queued connection) registers it first:
///
///     qRegisterMetaType<QList<UpdateInfo>>("QList<UpdateInfo>");
class VHPRIMARYDATA_EXPORT AsyncCheckUpdate : public QObject
{
    Q_OBJECT
public:
    explicit AsyncCheckUpdate(QObject *parent = nullptr);
    ~AsyncCheckUpdate() override;

    /// Starts a check and returns at once.
    void checkUpdate();
    /// Whether the last request of the check has completed.
    bool isFinished() const;
    /// Why the last check reported an empty list: the first of its two
    /// exchanges that failed, or Kind::BadReply when an answer was not what
    /// the check needed. Kind::None when both answers were usable, so that an
    /// empty list then means the update server offers no build. Read it in a
    /// slot of checkUpdateFinish.
    VHError lastError() const { return m_error; }
    /// The update server's API root, ending in "/". The environment variable
    /// VH_PACKAGE_API, when set and not empty, replaces the built-in address
    /// (for staging installations, local sandboxes and tests).
    QString getPackageApi();
    /// The path below getPackageApi() from which a build's package downloads;
    /// the client fills %1.
    QString getDownloadApi();

signals:
    void checkUpdateFinish(const QList<UpdateInfo> &updateInfos);

private slots:
    void checkComplete(const QByteArray &content);

private:
    void finish(const QList<UpdateInfo> &updateInfos, const QString &unusable);

    QString m_serverId; ///< empty while the server id is being asked for
    VHError m_error;
    AsyncNetManager *m_netManager = nullptr;
};

#endif // ASYNCCHECKUPDATE_H
