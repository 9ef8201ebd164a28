#ifndef VHPD_MODELS_MODELSERVICE_H
#define VHPD_MODELS_MODELSERVICE_H

#include "VHModelTypes.h"

#include <QList>
#include <QString>
#include <QStringList>

// Requests of the model service for models, model versions and model sets.
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

} // namespace ModelService

#endif // VHPD_MODELS_MODELSERVICE_H
