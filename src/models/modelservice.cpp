#include "modelservice.h"

#include "core/requestframe.h"
#include "entities/querybuilder.h"
#include "models/modelcodec.h"

#include <QJsonArray>

using namespace RequestFrame;

namespace ModelService {

namespace {

// A list the caller sees emptied only once the reply is there, then refilled.
template<typename Record, typename Parser>
bool replaceList(const Exchange &reply, QList<Record> &records, Parser parse)
{
    records.clear();
    return reply.appendList(records, parse);
}

} // namespace

bool getModelById(const QString &modelId, VHModel &model)
{
    return Exchange::get(url(Service::Model, "models/%1?expand=true", modelId))
        .readObject(model, parseModel);
}

bool getModelHistory(const QString &modelId, QList<VHModel> &models)
{
    return replaceList(Exchange::get(url(Service::Model, "models/%1/histories", modelId)), models,
                       parseModel);
}

bool getModelHistoryVersion(const QString &modelId, int version, VHModel &model)
{
    const QString where = compactJson(QJsonObject{{QStringLiteral("version"), version}});
    const Exchange reply =
        Exchange::get(url(Service::Model, "models/%1/histories?where=%2", modelId, where));
    // The answer is the list of entries of that version: none means there is
    // no such version, whatever the transport says.
    const QList<QJsonObject> entries = reply.objectList();
    model = VHModel();
    if (entries.isEmpty())
        return false;
    parseModel(entries.first(), model);
    return true;
}

bool getModelRecentUpload(QList<VHModel> &models)
{
    return replaceList(
        Exchange::get(url(Service::Model, "projects/%1/recent_upload", currentProjectId())), models,
        parseModel);
}

bool getProjectModels(QList<VHModel> &models)
{
    return Exchange::get(
               url(Service::Model, "projects/%1/models?auth=read&expand=true", currentProjectId()))
        .appendList(models, parseModel);
}

bool getModelsByIds(const QStringList &ids, QList<VHModel> &models)
{
    const QString where = compactJson(QJsonObject{{QStringLiteral("_id"), makeInClause(ids)}});
    return Exchange::get(url(Service::Model, "projects/%1/models?where=%2&auth=read&expand=true",
                             currentProjectId(), where))
        .appendList(models, parseModel);
}

bool deleteModel(const QString &modelId)
{
    return Exchange::remove(url(Service::Model, "models/%1", modelId)).isSuccessful();
}

bool deleteModelHistory(const QString &historyId)
{
    return Exchange::remove(url(Service::Model, "histories/%1", historyId)).isSuccessful();
}

bool retryPreprocessModels(const QStringList &modelIds)
{
    const QJsonObject body{{QStringLiteral("modelIds"), QJsonArray::fromStringList(modelIds)}};
    return Exchange::post(url(Service::Model, "parse_models"), body).isSuccessful();
}

bool getModelSet(const QString &modelSetId, VHModelSet &set)
{
    return Exchange::get(url(Service::Model, "model_sets/%1", modelSetId))
        .readObject(set, parseModelSet);
}

bool getModelSets(const VHModelSetCondition &condition, QList<VHModelSet> &sets)
{
    return replaceList(Exchange::get(url(Service::Model, "projects/%1/model_sets?where=%2",
                                         currentProjectId(), modelSetConditionToWhere(condition))),
                       sets, parseModelSet);
}

bool createModelSet(VHModelSet &set)
{
    QJsonObject body;
    modelSetToJson(set, body);
    return Exchange::post(url(Service::Model, "model_sets"), body).readObject(set, parseModelSet);
}

bool deleteModelSet(const QString &modelSetId)
{
    return Exchange::remove(url(Service::Model, "model_sets/%1", modelSetId)).isSuccessful();
}

} // namespace ModelService
