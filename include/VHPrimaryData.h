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

    // Lists append to the caller's list in the server's order.
    bool getProjects(QList<VHProject> &projects);
    bool getProjectRangeCount(const VHProjectCondition &condition, int &count);
    bool getProjectRangeData(const VHProjectCondition &condition, int skip, int limit,
                             QList<VHProject> &projects);
    // Remembers the project under `projectId` when the server answered.
    bool getProjectById(const QString &projectId, VHProject &project);
    // `project` receives the server's record of the new project, its id included.
    bool createProject(VHProject &project);
    // Tells the server that the user enters the current project.
    bool enterProject();
    // False only when the server says the current project has no room for
    // `size` more bytes.
    bool getProjectCapacityEnough(qint64 size);
    // The current project's record, remembered or read once from the server.
    void getCurrentProjectInfo(VHProject &project);

    // --- Members, invitations and requests -----------------------------------

    // The current project's members; remembered ones unless `refresh` or none
    // are loaded.
    void getUsers(QList<VHUser> &users, bool refresh);
    void initProjectMembers();
    // The link with which a member invites a colleague; empty on failure.
    QString getInviteColleagueLink();
    bool getRequestsById(const QString &requestId, VHMemRequest &request);
    // `code` receives the service's verdict on the request.
    bool passInvitation(const QString &requestId, const Approved &approved, int &code);
    bool rejectInvitation(const QString &requestId);

    // --- Organisation --------------------------------------------------------

    // Circles and enterprises replace the caller's list and remember the
    // display names that getProjectCircleName answers from.
    bool getProjectCircles(QList<VHCircle> &circles);
    bool getProjectEnterprises(QList<VHEnterprise> &enterprises);
    QString getProjectCircleName(const QString &id);
    // Loaded once per successful load and then served from memory.
    bool getStructures(QList<VHStructure> &structures);
    QString getStructureName(const QString &structureId);
    bool getDomain(QList<VHDomain> &domains);
    QString getDomainNameById(const QString &domainId);
    bool getSpecies(QList<VHSpecies> &species);
    QString getSpeciesNameById(const QString &speciesId);
    bool getSubcontract(QList<VHSubcontract> &subcontracts);
    QString getSubcontractNameById(const QString &subcontractId);

    // --- Encoding rules, modules and periods ---------------------------------

    bool getProjectEncodePair(QList<VHEncodePair> &pairs);
    bool getProjectEncodeRule(QList<VHEncodeRule> &rules);
    bool getModule(QList<VHModule> &modules);
    // Replaces the caller's list with the module catalogue.
    bool getModuleGroup(QList<VHModuleGroup> &groups);
    bool getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods);

    // --- Models ----------------------------------------------------------------

    bool deleteModel(const QString &modelId);
    // `historyId` is the `id` of a history entry, not of its model.
    bool deleteModelHistory(const QString &historyId);
    // Asks the server to preprocess the files of these models again.
    bool retryPreprocessModels(const QStringList &modelIds);

    // --- Model sets --------------------------------------------------------------

    // Creates `set` in the current project; it comes back with the server's id,
    // creation time and creator. Not cached.
    bool createModelSet(VHModelSet &set);
    // The cache keeps a deleted set until clear().
    bool deleteModelSet(const QString &id);

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
