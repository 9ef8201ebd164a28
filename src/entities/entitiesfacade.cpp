#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "entities/modelservice.h"
#include "entities/querybuilder.h"

// The entity cache holds the last page of the paged search; look-ups of ids
// it lacks leave an empty record behind.

bool VHPrimaryData::createEntities(QList<VHEntity> &entities)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::createEntities(entities);
}

bool VHPrimaryData::getEntityRangeCount(const VHEntityCondition &condition, int &count)
{
    const FailureScope scope(d->m_lastError);
    // The search is remembered for the pages that follow, whatever the count
    // answers; a condition that filters nothing is sent as no query at all.
    d->m_entityRangeQuery.clear();
    const QString query = entityConditionToQuery(condition);
    if (query != QLatin1String("{}"))
        d->m_entityRangeQuery = queryParam(query);
    return ModelService::getEntityRangeCount(d->m_entityRangeQuery, count);
}

bool VHPrimaryData::getEntityRangeData(int skip, int limit, QList<VHEntity> &entities)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getEntityRangeData(d->m_entityRangeQuery, skip, limit, entities))
        return false;
    d->m_entities.clear();
    for (const VHEntity &entity : qAsConst(entities))
        d->m_entities.insert(entity.id, entity);
    return true;
}

bool VHPrimaryData::getEntities(const QStringList &ids, QList<VHEntity> &entities)
{
    const FailureScope scope(d->m_lastError);
    entities.clear();
    for (const QString &id : ids)
        entities.append(d->m_entities[id]);
    return true;
}

bool VHPrimaryData::getEntity(const QString &id, VHEntity &entity)
{
    const FailureScope scope(d->m_lastError);
    entity = d->m_entities[id];
    return true;
}

bool VHPrimaryData::getEntityByGuids(const QString &modelId, const QStringList &uuids,
                                     QList<VHEntity> &entities)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getEntityByGuids(modelId, uuids, entities);
}

bool VHPrimaryData::getEntityById(const QString &modelId, const QString &entityId, int &version,
                                  VHEntity &entity)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getEntityById(modelId, entityId, version, entity);
}

bool VHPrimaryData::getEntityByExtendProperty(const QString &text, bool exact, QStringList &uuids)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getEntityByExtendProperty(text, exact, uuids);
}

bool VHPrimaryData::getEntityTree(QList<VHEntityTree> &trees)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::getEntityTree(trees);
}

bool VHPrimaryData::getEntityPropertyDisplay()
{
    const FailureScope scope(d->m_lastError);
    d->m_entityPropertyDisplay.clear();
    d->m_entityPropertyDisplayLoaded =
        ModelService::getEntityPropertyDisplay(d->m_entityPropertyDisplay);
    return d->m_entityPropertyDisplayLoaded;
}

bool VHPrimaryData::isEntityPropertyDisplay(const QString &group)
{
    const FailureScope scope(d->m_lastError);
    // Until a load succeeds every query tries again; a group the project does
    // not mention is shown.
    if (!d->m_entityPropertyDisplayLoaded)
        getEntityPropertyDisplay();
    return d->m_entityPropertyDisplay.value(group, true);
}
