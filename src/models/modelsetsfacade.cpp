#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/requestframe.h"
#include "core/vhprimarydata_p.h"
#include "models/modelservice.h"
#include "models/rememberedrecord.h"

// Model sets read from the server are remembered by id; creating or deleting
// one leaves the remembered sets as they are.

namespace {

void remember(QMap<QString, VHModelSet> &cache, const QList<VHModelSet> &sets)
{
    for (const VHModelSet &set : sets)
        cache.insert(set.id, set);
}

} // namespace

bool VHPrimaryData::getModelSet(const QString &id, VHModelSet &set, bool useCache)
{
    const FailureScope scope(d->m_lastError);
    if (useCache && copyRemembered(d->m_modelSets, id, set))
        return true;
    if (!ModelService::getModelSet(id, set))
        return false;
    // Under the id asked for, which is the one the next look-up uses.
    d->m_modelSets.insert(id, set);
    return true;
}

bool VHPrimaryData::getModelSets(const VHModelSetCondition &condition, QList<VHModelSet> &sets)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getModelSets(condition, sets))
        return false;
    remember(d->m_modelSets, sets);
    return true;
}

bool VHPrimaryData::getModelSetModels(const QString &id, QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    models.clear();
    VHModelSet set;
    if (!ModelService::getModelSet(id, set))
        return false;
    d->m_modelSets.insert(id, set);
    // The answer is about the set: models that cannot be read leave the list
    // empty without making the call fail.
    getModelsByIds(set.modelIds, models);
    return true;
}

QString VHPrimaryData::getModelSetName(const QString &id)
{
    const FailureScope scope(d->m_lastError);
    return d->m_modelSets.value(id).name;
}

bool VHPrimaryData::isModelSetNameExist(const QString &name)
{
    const FailureScope scope(d->m_lastError);
    VHModelSetCondition condition;
    condition.createdBy = RequestFrame::currentUserId();
    condition.name = name;
    QList<VHModelSet> sets;
    if (ModelService::getModelSets(condition, sets))
        remember(d->m_modelSets, sets);
    return !sets.isEmpty();
}

bool VHPrimaryData::createModelSet(VHModelSet &set)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::createModelSet(set);
}

bool VHPrimaryData::deleteModelSet(const QString &id)
{
    const FailureScope scope(d->m_lastError);
    return ModelService::deleteModelSet(id);
}
