#include "VHPrimaryData.h"

#include "models/modelservice.h"

// Model and model-set changes go straight to the server; the caches are left
// as they are.

bool VHPrimaryData::deleteModel(const QString &modelId)
{
    return ModelService::deleteModel(modelId);
}

bool VHPrimaryData::deleteModelHistory(const QString &historyId)
{
    return ModelService::deleteModelHistory(historyId);
}

bool VHPrimaryData::retryPreprocessModels(const QStringList &modelIds)
{
    return ModelService::retryPreprocessModels(modelIds);
}

bool VHPrimaryData::createModelSet(VHModelSet &set)
{
    return ModelService::createModelSet(set);
}

bool VHPrimaryData::deleteModelSet(const QString &id)
{
    return ModelService::deleteModelSet(id);
}
