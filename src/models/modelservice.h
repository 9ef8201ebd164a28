#ifndef VHPD_MODELS_MODELSERVICE_H
#define VHPD_MODELS_MODELSERVICE_H

#include "VHModelTypes.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct VHEntityPropertyVersion;

// Requests of the model service for models, model versions, model sets, tags,
// edit rights and version comparisons.
// Each runs one synchronous exchange; project-scoped paths address the current
// project of the settings cache. Record out-arguments are overwritten from the
// reply also when the exchange fails.
namespace ModelService {

bool getModelById(const QString &modelId, VHModel &model);
// Empties `models` once the reply has arrived, then fills it in reply order.
bool getModelHistory(const QString &modelId, QList<VHModel> &models);
// The history entry of `version`: true exactly when the server returned one
// (its first entry is taken); otherwise `model` is left a default record.
bool getModelHistoryVersion(const QString &modelId, int version, VHModel &model);
// Empties `models` once the reply has arrived, then fills it in reply order.
bool getModelRecentUpload(QList<VHModel> &models);
// The models of the current project that the user may read, appended to
// `models`.
bool getProjectModels(QList<VHModel> &models);
// The models of `ids` that the user may read, appended to `models`, so that
// several batches can gather into one list.
bool getModelsByIds(const QStringList &ids, QList<VHModel> &models);
bool deleteModel(const QString &modelId);
// `historyId` is the `id` of a history entry, not of its model.
bool deleteModelHistory(const QString &historyId);
// Asks the server to preprocess the files of these models again.
bool retryPreprocessModels(const QStringList &modelIds);

bool getModelSet(const QString &modelSetId, VHModelSet &set);
// Empties `sets` once the reply has arrived, then fills it in reply order.
bool getModelSets(const VHModelSetCondition &condition, QList<VHModelSet> &sets);
// Creates `set` in the current project; `set` then holds the stored record
// with the server's id, creation time and creator.
bool createModelSet(VHModelSet &set);
bool deleteModelSet(const QString &modelSetId);

// The current project's tag types and tags, appended in reply order.
bool getModelTagTypes(QList<VHModelTagType> &types);
bool getModelTags(QList<VHModelTag> &tags);
// The user's right to edit models of the current project, overall and per tag
// id. Both are rewritten once the reply is there, also when it failed.
bool initModelAuth(bool &canEdit, QMap<QString, bool> &rights);

// The entities that changed between two versions of a model, by change kind
// ("add", "del", or the kind of modification); `diff` is replaced.
bool getCompareModels(const QString &modelId, int baseVersion, int compareVersion,
                      QMap<QString, QStringList> &diff);
// One entity's properties in both versions; both records are rewritten also
// when the exchange failed.
bool getCompareEntityProperty(const QString &modelId, const QString &uuid, int baseVersion,
                              int compareVersion, VHEntityPropertyVersion &base,
                              VHEntityPropertyVersion &compare);

} // namespace ModelService

#endif // VHPD_MODELS_MODELSERVICE_H
