#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "models/modelservice.h"

// Comparisons of two versions of a model come from the server each time.

bool VHPrimaryData::getCompareModels(const QString &modelId, int baseVersion, int compareVersion,
                                     QMap<QString, QStringList> &diff)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getCompareModels(modelId, baseVersion, compareVersion, diff);
}

bool VHPrimaryData::getCompareEntityProperty(const QString &modelId, const QString &uuid,
                                             int baseVersion, int compareVersion,
                                             VHEntityPropertyVersion &base,
                                             VHEntityPropertyVersion &compare)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getCompareEntityProperty(modelId, uuid, baseVersion, compareVersion, base,
                                                  compare);
}
