#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "models/modelservice.h"
#include "models/rememberedrecord.h"

#include "VHPublicFun.h"
#include "VHSoftBase.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <utility>
#include <vector>

// The model reads of the facade. Every model that comes from the server gets
// its tag index and is remembered under its id (a history entry under its own
// id, not its model's), replacing what was remembered before.

namespace {

// The server is asked for at most this many models by id at once, which
// keeps the where-text of one request within what a URL can carry.
constexpr int ModelsPerRequest = 36;

void completeAndCache(VHPrimaryData &facade, QMap<QString, VHModel> &cache, VHModel &model)
{
    facade.fillModelMapModelTag(model);
    cache.insert(model.id, model);
}

void completeAndCache(VHPrimaryData &facade, QMap<QString, VHModel> &cache, QList<VHModel> &models)
{
    for (VHModel &model : models)
        completeAndCache(facade, cache, model);
}

// The remembered model, else the server's; a model found in neither is what
// the failed read left, a record with empty fields.
VHModel rememberedOrRead(VHPrimaryData &facade, QMap<QString, VHModel> &cache, const QString &id)
{
    VHModel model;
    if (!copyRemembered(cache, id, model) && ModelService::getModelById(id, model))
        completeAndCache(facade, cache, model);
    return model;
}

// Orders `models` like the ids they were asked for: by the first position of
// each model's id in `ids`, ids not asked for first.
void orderLike(const QStringList &ids, QList<VHModel> &models)
{
    QHash<QString, int> positions;
    positions.reserve(ids.size());
    for (int i = ids.size() - 1; i >= 0; --i)
        positions.insert(ids.at(i), i);
    std::vector<std::pair<int, int>> order; // (position, index in models)
    order.reserve(size_t(models.size()));
    for (int i = 0; i < models.size(); ++i)
        order.emplace_back(positions.value(models.at(i).id, -1), i);
    std::sort(order.begin(), order.end());
    QList<VHModel> ordered;
    ordered.reserve(models.size());
    for (const auto &entry : order)
        ordered.append(models.at(entry.second));
    models = ordered;
}

} // namespace

bool VHPrimaryData::getModelById(const QString &id, VHModel &model, bool useCache)
{
    const FailureScope scope(d->m_lastError);
    if (useCache && copyRemembered(d->m_models, id, model))
        return true;
    if (!ModelService::getModelById(id, model))
        return false;
    completeAndCache(*this, d->m_models, model);
    return true;
}

bool VHPrimaryData::getModelByVersion(const QString &id, int version, VHModel &model, bool useCache)
{
    const FailureScope scope(d->m_lastError);
    // The current model answers when it has that version; otherwise the
    // history entry does, and a missing one leaves `model` a default record.
    getModelById(id, model, useCache);
    if (model.version != version && ModelService::getModelHistoryVersion(id, version, model))
        completeAndCache(*this, d->m_models, model);
    return !model.id.isEmpty();
}

bool VHPrimaryData::getModelHistory(const QString &modelId, QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getModelHistory(modelId, models))
        return false;
    completeAndCache(*this, d->m_models, models);
    return true;
}

bool VHPrimaryData::getModelHistoryVersion(const QString &modelId, int version, VHModel &model)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getModelHistoryVersion(modelId, version, model))
        return false;
    completeAndCache(*this, d->m_models, model);
    return true;
}

bool VHPrimaryData::getModelRecentUpload(QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    if (!ModelService::getModelRecentUpload(models))
        return false;
    completeAndCache(*this, d->m_models, models);
    return true;
}

bool VHPrimaryData::getProjectModels(QList<VHModel> &models, bool onlyAuthorized)
{
    const FailureScope scope(d->m_lastError);
    models.clear();
    if (!ModelService::getProjectModels(models))
        return false;
    // Models the user may not see are remembered all the same.
    completeAndCache(*this, d->m_models, models);
    std::sort(models.begin(), models.end(), [](const VHModel &a, const VHModel &b) {
        return VHPub::naturalSort(a.name, b.name, Qt::CaseInsensitive);
    });
    if (onlyAuthorized) {
        const auto hidden = std::remove_if(models.begin(), models.end(),
                                           [](const VHModel &model) { return !model.authorized; });
        models.erase(hidden, models.end());
    }
    return true;
}

bool VHPrimaryData::getModelsByIds(const QStringList &ids, QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    models.clear();
    // Every batch is asked even after one has failed.
    bool allRead = true;
    for (int from = 0; from < ids.size(); from += ModelsPerRequest)
        allRead = ModelService::getModelsByIds(ids.mid(from, ModelsPerRequest), models) && allRead;
    if (!allRead) {
        models.clear();
        return false;
    }
    completeAndCache(*this, d->m_models, models);
    return true;
}

void VHPrimaryData::getCurrentModels(QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    const QStringList ids = GetSoftCache()->currentModelIds();
    models.clear();
    models.reserve(ids.size());
    for (const QString &id : ids)
        models.append(rememberedOrRead(*this, d->m_models, id));
}

QString VHPrimaryData::getModelName(const QString &id)
{
    const FailureScope scope(d->m_lastError);
    return rememberedOrRead(*this, d->m_models, id).name;
}

void VHPrimaryData::getModelNamesByModelIds(const QStringList &ids, QStringList &names)
{
    const FailureScope scope(d->m_lastError);
    names.clear();
    for (const QString &id : ids) {
        const QString name = rememberedOrRead(*this, d->m_models, id).name;
        if (!name.isEmpty())
            names.append(name);
    }
}

bool VHPrimaryData::freshModels(QList<VHModel> &models)
{
    const FailureScope scope(d->m_lastError);
    QStringList ids;
    ids.reserve(models.size());
    for (const VHModel &model : models)
        ids.append(model.id);
    QList<VHModel> fresh;
    getModelsByIds(ids, fresh);
    if (fresh.size() == ids.size()) {
        models = fresh;
        return true;
    }
    // What the server no longer lists as a current model may live on as a
    // version in its model's history.
    QSet<QString> found;
    found.reserve(fresh.size());
    for (const VHModel &model : qAsConst(fresh))
        found.insert(model.id);
    for (const VHModel &model : qAsConst(models)) {
        if (found.contains(model.id))
            continue;
        VHModel history;
        if (ModelService::getModelHistoryVersion(model.modelId, model.version, history)) {
            completeAndCache(*this, d->m_models, history);
            fresh.append(history);
        }
    }
    orderLike(ids, fresh);
    models = fresh;
    return true;
}
