#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "entities/modelservice.h"

// Extended properties go straight to the server; nothing is cached.

bool VHPrimaryData::createGuidExtendProperty(VHEntityPropertyExtend &extend)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::createGuidExtendProperty(extend);
}

bool VHPrimaryData::getExtendPropertyByGuid(const QString &uuid,
                                            QList<VHEntityPropertyExtend> &list)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getExtendPropertyByGuid(uuid, list);
}

bool VHPrimaryData::getExtendPropertyByGuids(const QStringList &uuids,
                                             QMap<QString, QList<VHEntityPropertyExtend>> &byUuid)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getExtendPropertyByGuids(uuids, byUuid);
}

bool VHPrimaryData::getExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getExtendPropertyMerged(uuids, properties);
}

bool VHPrimaryData::putExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::putExtendPropertyMerged(uuids, properties);
}
