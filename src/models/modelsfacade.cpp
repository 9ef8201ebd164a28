#include "VHPrimaryData.h"

#include "models/modelservice.h"

// Model changes go straight to the server; the remembered models are left as
// they are.

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
