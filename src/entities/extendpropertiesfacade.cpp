#include "VHPrimaryData.h"

#include "entities/modelservice.h"

// Extended properties go straight to the server; nothing is cached.

bool VHPrimaryData::createGuidExtendProperty(VHEntityPropertyExtend &extend)
{
    return ModelService::createGuidExtendProperty(extend);
}

bool VHPrimaryData::getExtendPropertyByGuid(const QString &uuid,
                                            QList<VHEntityPropertyExtend> &list)
{
    return ModelService::getExtendPropertyByGuid(uuid, list);
}

bool VHPrimaryData::getExtendPropertyByGuids(const QStringList &uuids,
                                             QMap<QString, QList<VHEntityPropertyExtend>> &byUuid)
{
    return ModelService::getExtendPropertyByGuids(uuids, byUuid);
}

bool VHPrimaryData::getExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties)
{
    return ModelService::getExtendPropertyMerged(uuids, properties);
}

bool VHPrimaryData::putExtendPropertyMerged(const QStringList &uuids, QList<VHProperty> &properties)
{
    return ModelService::putExtendPropertyMerged(uuids, properties);
}
