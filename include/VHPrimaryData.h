#ifndef VHPRIMARYDATA_H
#define VHPRIMARYDATA_H

#include "VHEntityTypes.h"
#include "VHError.h"
#include "VHModelTypes.h"
#include "VHPrimaryDataExport.h"
#include "VHProjectTypes.h"
#include "VHQRCodeTypes.h"
#include "VHStatisticsTypes.h"
#include "VHUser.h"

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class VHPrimaryDataPrivate;

/// The client's single gateway to the service's primary data. One object per
/// process, reached through instance(); every operation runs on the calling
/// (GUI) thread and blocks it in a local event loop while it waits for the
/// server. Operations report success by their result and fill the output
/// arguments the caller passes by reference.
class VHPRIMARYDATA_EXPORT VHPrimaryData
{
public:
    static VHPrimaryData *instance();

    /// A copy holds a copy of the whole state (user and caches), independent
    /// of the original from then on.
    VHPrimaryData(const VHPrimaryData &other);
    VHPrimaryData &operator=(const VHPrimaryData &other);

    /// @name Login and session
    /// @{

    /// 0 when the server accepted the credentials and returned a user; the
    /// server's own code (and `message`) for a refused login; -1 otherwise.
    int login(const QString &name, const QString &password, const QString &code, QString &message,
              VHUser &user, bool useCode, bool useDouble);
    bool logout();
    void getCurrentUserInfo(VHUser &user);
    /// Drops the per-project caches; keeps projects, edit rights and
    /// organisation names.
    void clear();

    /// Why the last operation that talked to the server failed: the first of
    /// its exchanges that did not succeed, or whose reply was not the JSON
    /// the operation needed. Kind::None when all its exchanges succeeded.
    /// An operation answered from the caches, or one that sends nothing,
    /// leaves it as it was; so does logout(), which does not wait for its
    /// answer. Operations keep their own results: this only says why.
    VHError lastError() const;

    /// @}

    /// @name Account
    /// @{

    bool createSecurities(const QString &phoneNumber, QString countryCode, QString &code,
                          QString &message, bool verify, bool debug);
    bool touchApi(QString &url);
    bool getCountryCodes(QStringList &codes);
    bool getUser(const QString &userId, VHUser &user, bool refresh);
    bool verifyUser(const QString &hostId, const QString &userId, int type);

    /// @}

    /// @name Projects
    /// @{

    /// Lists append to the caller's list in the server's order.
    bool getProjects(QList<VHProject> &projects);
    bool getProjectRangeCount(const VHProjectCondition &condition, int &count);
    bool getProjectRangeData(const VHProjectCondition &condition, int skip, int limit,
                             QList<VHProject> &projects);
    /// Remembers the project under `projectId` when the server answered.
    bool getProjectById(const QString &projectId, VHProject &project);
    /// `project` receives the server's record of the new project, its id included.
    bool createProject(VHProject &project);
    /// Tells the server that the user enters the current project.
    bool enterProject();
    /// False only when the server says the current project has no room for
    /// `size` more bytes.
    bool getProjectCapacityEnough(qint64 size);
    /// The current project's record, remembered or read once from the server.
    void getCurrentProjectInfo(VHProject &project);

    /// @}

    /// @name Members, invitations and requests
    /// @{

    /// The current project's members; remembered ones unless `refresh` or none
    /// are loaded.
    void getUsers(QList<VHUser> &users, bool refresh);
    void initProjectMembers();
    /// The link with which a member invites a colleague; empty on failure.
    QString getInviteColleagueLink();
    bool getRequestsById(const QString &requestId, VHMemRequest &request);
    /// `code` receives the service's verdict on the request.
    bool passInvitation(const QString &requestId, const Approved &approved, int &code);
    bool rejectInvitation(const QString &requestId);

    /// @}

    /// @name Organisation
    /// @{

    /// Circles and enterprises replace the caller's list and remember the
    /// display names that getProjectCircleName answers from.
    bool getProjectCircles(QList<VHCircle> &circles);
    bool getProjectEnterprises(QList<VHEnterprise> &enterprises);
    QString getProjectCircleName(const QString &id);
    /// Loaded once per successful load and then served from memory.
    bool getStructures(QList<VHStructure> &structures);
    QString getStructureName(const QString &structureId);
    bool getDomain(QList<VHDomain> &domains);
    QString getDomainNameById(const QString &domainId);
    bool getSpecies(QList<VHSpecies> &species);
    QString getSpeciesNameById(const QString &speciesId);
    bool getSubcontract(QList<VHSubcontract> &subcontracts);
    QString getSubcontractNameById(const QString &subcontractId);

    /// @}

    /// @name Encoding rules, modules and periods
    /// @{

    bool getProjectEncodePair(QList<VHEncodePair> &pairs);
    bool getProjectEncodeRule(QList<VHEncodeRule> &rules);
    bool getModule(QList<VHModule> &modules);
    /// Replaces the caller's list with the module catalogue.
    bool getModuleGroup(QList<VHModuleGroup> &groups);
    bool getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods);

    /// @}

    /// @name Models
    /// Every model read completes the models with their tag index and
    /// remembers them by id; a failed read remembers nothing.
    /// @{
    /// From memory when `useCache` and the model is known, else from the server.
    bool getModelById(const QString &id, VHModel &model, bool useCache);
    /// The model as of `version` (a history entry when that is not the current
    /// one); false when neither is found, `model` then being a default record.
    bool getModelByVersion(const QString &id, int version, VHModel &model, bool useCache);
    bool getModelHistory(const QString &modelId, QList<VHModel> &models);
    bool getModelHistoryVersion(const QString &modelId, int version, VHModel &model);
    bool getModelRecentUpload(QList<VHModel> &models);
    /// The current project's models in natural, case-insensitive name order;
    /// with `onlyAuthorized`, only those the user may see.
    bool getProjectModels(QList<VHModel> &models, bool onlyAuthorized);
    /// The models of `ids` the server lets the user read, in the server's order;
    /// empty and false when any part of the read failed.
    bool getModelsByIds(const QStringList &ids, QList<VHModel> &models);
    /// One record per open model of the client, in the same order; a model that
    /// is neither remembered nor readable gives a record with empty fields.
    void getCurrentModels(QList<VHModel> &models);
    QString getModelName(const QString &id);
    /// The non-empty names of these models, in order; may be shorter than `ids`.
    void getModelNamesByModelIds(const QStringList &ids, QStringList &names);
    /// Brings `models` up to date; a model replaced by a newer upload comes back
    /// as its history version, one found nowhere is dropped. Always true.
    bool freshModels(QList<VHModel> &models);

    bool deleteModel(const QString &modelId);
    /// `historyId` is the `id` of a history entry, not of its model.
    bool deleteModelHistory(const QString &historyId);
    /// Asks the server to preprocess the files of these models again.
    bool retryPreprocessModels(const QStringList &modelIds);

    /// @}

    /// @name Model sets
    /// @{

    /// From memory when `useCache` and the set is known, else from the server.
    bool getModelSet(const QString &id, VHModelSet &set, bool useCache);
    bool getModelSets(const VHModelSetCondition &condition, QList<VHModelSet> &sets);
    /// The set read afresh, then its models; true once the set was read.
    bool getModelSetModels(const QString &id, QList<VHModel> &models);
    /// The name of a set read earlier; empty for one never read. Asks no server.
    QString getModelSetName(const QString &id);
    /// Whether the user has already created a set named `name`.
    bool isModelSetNameExist(const QString &name);
    /// Creates `set` in the current project; it comes back with the server's id,
    /// creation time and creator. Not cached.
    bool createModelSet(VHModelSet &set);
    /// The cache keeps a deleted set until clear().
    bool deleteModelSet(const QString &id);

    /// @}

    /// @name Model tags and edit rights
    /// @{

    /// Reloads the project's tag types (default ones first, each with its tags)
    /// and tags; false when either read failed, whose part then stays empty.
    bool initModelTags();
    /// Indexes the model's tags by tag type (the last tag of a type wins); tags
    /// of no known type share the empty type.
    void fillModelMapModelTag(VHModel &model);
    /// The next three load the tags first when none are held.
    bool getModelTagTypes(QList<VHModelTagType> &types);
    bool getModelTags(QList<VHModelTag> &tags);
    bool getModelTagById(const QString &id, VHModelTag &tag);
    /// Among the tag types held; never loads.
    bool getModeTagTypeById(const QString &id, VHModelTagType &type);
    QString getModelTagNameById(const QString &id) const;
    /// Reloads the user's edit rights; until then nothing may be edited.
    bool initModelAuth();
    bool canEditModel();
    /// Whether a model carrying `tagIds` may be edited: the overall right,
    /// restricted by the rights recorded for these tags.
    bool canEditTagModel(const QStringList &tagIds);

    /// @}

    /// @name Model comparison
    /// @{

    /// The uuids of the entities that changed between the two versions, under
    /// "add", "del" or the kind of their modification.
    bool getCompareModels(const QString &modelId, int baseVersion, int compareVersion,
                          QMap<QString, QStringList> &diff);
    bool getCompareEntityProperty(const QString &modelId, const QString &uuid, int baseVersion,
                                  int compareVersion, VHEntityPropertyVersion &base,
                                  VHEntityPropertyVersion &compare);

    /// @}

    /// @name Model file upload
    /// @{

    /// Sends a model file to create a model; the caches are not touched.
    bool uploadModelDNG(const VHUploadDNG &upload);
    /// Replaces the file of model `upload.modelId`.
    bool updateModelDNG(const VHUploadDNG &upload);

    /// @}

    /// @name Entities
    /// @{

    /// `entities` comes back as the server's records of the created entities.
    bool createEntities(QList<VHEntity> &entities);
    /// Counts the entities that `condition` selects and remembers the search
    /// for the pages that follow.
    bool getEntityRangeCount(const VHEntityCondition &condition, int &count);
    /// One page of the last counted search, newest print first. The page
    /// becomes the entity cache that getEntities and getEntity read.
    bool getEntityRangeData(int skip, int limit, QList<VHEntity> &entities);
    /// From the entity cache only; an id it lacks yields an empty record.
    bool getEntities(const QStringList &ids, QList<VHEntity> &entities);
    bool getEntity(const QString &id, VHEntity &entity);
    /// The model's entities of the elements `uuids`.
    bool getEntityByGuids(const QString &modelId, const QStringList &uuids,
                          QList<VHEntity> &entities);
    /// The entity as of model version `version` (only read).
    bool getEntityById(const QString &modelId, const QString &entityId, int &version,
                       VHEntity &entity);
    /// Appends the uuids of the elements whose extended properties match
    /// `text`: equal to it, or else containing it as a case-insensitive regular
    /// expression.
    bool getEntityByExtendProperty(const QString &text, bool exact, QStringList &uuids);
    bool getEntityTree(QList<VHEntityTree> &trees);
    /// Loads which property groups the project shows.
    bool getEntityPropertyDisplay();
    /// True unless the project hides `group`; loads the settings until a load
    /// succeeds.
    bool isEntityPropertyDisplay(const QString &group);

    /// @}

    /// @name Extended properties
    /// @{

    bool createGuidExtendProperty(VHEntityPropertyExtend &extend);
    /// Appends the documents of the element `uuid`.
    bool getExtendPropertyByGuid(const QString &uuid, QList<VHEntityPropertyExtend> &list);
    /// The documents of `uuids`, grouped by element uuid.
    bool getExtendPropertyByGuids(const QStringList &uuids,
                                  QMap<QString, QList<VHEntityPropertyExtend>> &byUuid);
    /// The properties of all the elements, merged into one list by the server.
    bool getExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties);
    /// Writes `properties` (only read) to all the elements at once.
    bool putExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties);

    /// @}

    /// @name QR settings, QR templates and print records
    /// @{

    /// Read once and then served from memory until clear().
    bool getProjectUserQRSetting(VHQRSetting &setting);
    /// Send only what differs from the remembered setting; with no difference
    /// nothing is sent and `setting` takes the remembered values.
    bool createProjectUserQRSetting(VHQRSetting &setting);
    bool updateProjectUserQRSetting(VHQRSetting &setting);
    /// Appends the project's templates, then orders the list by name; loaded
    /// once per successful load.
    bool getQRTemplates(QList<VHQRTemplate> &templates);
    /// From the loaded templates only; false when none has `id`.
    bool getQRTemplateById(const QString &id, VHQRTemplate &qrTemplate);
    bool createQRTemplate(VHQRTemplate &qrTemplate);
    /// Sends the fields that `qrTemplate.modifiedFields` names.
    bool updateQRTemplate(VHQRTemplate &qrTemplate);
    bool deleteQRTemplate(const QString &id);
    bool createPrintRecord(const QList<VHPrintRecord> &records);
    /// The resource's print records, newest first; remembered for
    /// getPrintRecord.
    bool getResourcePrintRecord(const QString &resourceId, QList<VHPrintRecord> &records);
    /// From the last resource read; an unknown id yields a default record.
    bool getPrintRecord(const QString &id, VHPrintRecord &record);

    /// @}

    /// @name Work-sheet statistics
    /// @{

    /// The current user's figures in the current project. Counters and lists
    /// are added to: the caller starts them at 0 or empty.
    bool getContactSheetStatistics(int &unfinished);
    /// `count` becomes the number of open inspections; their deadlines are
    /// appended.
    bool getInspectCount(const QString &category, int &count, QList<QDate> &deadlines);
    bool getInspectStatistics(const QString &category, int &total, int &delayed);
    bool getInspectQuantities(QList<VHStatisticsQuantity> &quantities, const QString &category,
                              const QString &period);
    /// @}

private:
    friend class VHPrimaryDataPrivate;

    VHPrimaryData();
    ~VHPrimaryData();

    /// The logged-in user and the caches, behind a pointer so that the
    /// exported class keeps its size and layout when the state changes.
    VHPrimaryDataPrivate *d;
};

#endif // VHPRIMARYDATA_H
