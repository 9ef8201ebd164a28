#ifndef VHPRIMARYDATA_H
#define VHPRIMARYDATA_H

#include "VHEntityTypes.h"
#include "VHModelTypes.h"
#include "VHPrimaryDataExport.h"
#include "VHProjectTypes.h"
#include "VHQRCodeTypes.h"
#include "VHStatisticsTypes.h"
#include "VHUser.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

template<typename Tag>
struct VHPrimaryDataProbe;

// The client's single gateway to the service's primary data. One object per
// process, reached through instance(); every operation runs on the calling
// (GUI) thread and blocks it in a local event loop while it waits for the
// server. Operations report success by their result and fill the output
// arguments the caller passes by reference.
class VHPRIMARYDATA_EXPORT VHPrimaryData
{
public:
    static VHPrimaryData *instance();

    VHPrimaryData(const VHPrimaryData &) = default;
    VHPrimaryData &operator=(const VHPrimaryData &) = default;

    // --- Login and session ---------------------------------------------------

    // 0 when the server accepted the credentials and returned a user; the
    // server's own code (and `message`) for a refused login; -1 otherwise.
    int login(const QString &name, const QString &password, const QString &code, QString &message,
              VHUser &user, bool useCode, bool useDouble);
    bool logout();
    void getCurrentUserInfo(VHUser &user);
    // Drops the per-project caches; keeps projects, edit rights and
    // organisation names.
    void clear();

    // --- Account ---------------------------------------------------------------

    bool createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                          QString &message, bool verify, bool debug);
    bool touchApi(QString &url);
    bool getCountryCodes(QStringList &codes);
    bool getUser(const QString &userId, VHUser &user, bool refresh);
    bool verifyUser(const QString &hostId, const QString &userId, int type);

    // --- Projects ----------------------------------------------------------------

    // --- Members, invitations and requests -----------------------------------

    // --- Organisation --------------------------------------------------------

    // --- Encoding rules, modules and periods ---------------------------------

    // --- Models ----------------------------------------------------------------

    // --- Model sets --------------------------------------------------------------

    // --- Model tags and edit rights ----------------------------------------------

    // --- Model comparison --------------------------------------------------------

    // --- Model file upload -------------------------------------------------------

    // --- Entities ----------------------------------------------------------------

    // --- Extended properties -----------------------------------------------------

    // --- QR settings, QR templates and print records ------------------------------

    // --- Work-sheet statistics -----------------------------------------------

private:
    // Lets the test programs inspect the caches they check.
    template<typename Tag> friend struct VHPrimaryDataProbe;

    VHPrimaryData();
    ~VHPrimaryData();

    VHUser m_currentUser;
    QList<VHUser> m_projectMembers;
    bool m_structuresLoaded = false;
    QList<VHStructure> m_structures;
    QMap<QString, VHModel> m_models;
    QMap<QString, VHModelSet> m_modelSets;
    QList<VHModelTagType> m_modelTagTypes;
    QList<VHModelTag> m_modelTags;
    QMap<QString, QString> m_tagTypeByTagId;
    QMap<QString, QString> m_tagNameByTagId;
    QMap<QString, VHProject> m_projects;
    QList<VHDomain> m_domains;
    bool m_domainsLoaded = false;
    bool m_qrSettingLoaded = false;
    VHQRSetting m_qrSetting;
    QString m_qrSettingInitialText;
    bool m_qrTemplatesLoaded = false;
    QList<VHQRTemplate> m_qrTemplates;
    QMap<QString, VHPrintRecord> m_printRecords;
    QMap<QString, VHEntity> m_entities;
    QString m_entityRangeQuery;
    bool m_canEditModel = false;
    QMap<QString, bool> m_tagEditRights;
    bool m_entityPropertyDisplayLoaded = false;
    QMap<QString, bool> m_entityPropertyDisplay;
    QMap<QString, QString> m_orgNameById;
};

#endif // VHPRIMARYDATA_H
