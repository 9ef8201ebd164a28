#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "models/modelservice.h"

// Model changes go straight to the server; the remembered models are left as
// they are.

bool VHPrimaryData::deleteModel(const QString &modelId)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::deleteModel(modelId);
}

bool VHPrimaryData::deleteModelHistory(const QString &historyId)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::deleteModelHistory(historyId);
}

bool VHPrimaryData::retryPreprocessModels(const QStringList &modelIds)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::retryPreprocessModels(modelIds);
}
