#include "modelservice.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"
#include "entities/entitycodec.h"
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

// Rights travel as the texts "true" and "false"; anything else, a JSON
// boolean included, grants nothing.
bool grantsRight(const QJsonObject &object)
{
    return JsonField::text(object, "value") == QLatin1String("true");
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

bool getModelTagTypes(QList<VHModelTagType> &types)
{
    return Exchange::get(url(Service::Model, "projects/%1/model_tag_types", currentProjectId()))
        .appendList(types, [](const QJsonObject &object, VHModelTagType &type) {
            type = parseModelTagType(object);
        });
}

bool getModelTags(QList<VHModelTag> &tags)
{
    return Exchange::get(
               url(Service::Model, "projects/%1/model_tags?auth=read", currentProjectId()))
        .appendList(
            tags, [](const QJsonObject &object, VHModelTag &tag) { tag = parseModelTag(object); });
}

bool initModelAuth(bool &canEdit, QMap<QString, bool> &rights)
{
    const Exchange reply =
        Exchange::get(url(Service::Model, "projects/%1/auth?key=edit", currentProjectId()));
    const QJsonObject object = reply.object();
    rights.clear();
    canEdit = grantsRight(object);
    for (const QJsonValue &item : JsonField::array(object, "items")) {
        const QJsonObject right = item.toObject();
        rights.insert(JsonField::text(right, "rId"), grantsRight(right));
    }
    return reply.isSuccessful();
}

bool getCompareModels(const QString &modelId, int baseVersion, int compareVersion,
                      QMap<QString, QStringList> &diff)
{
    const Exchange reply = Exchange::get(
        url(Service::Model, "models/%1/%2/%3/compare", modelId, baseVersion, compareVersion));
    const QList<QJsonObject> entities = reply.objectList();
    diff.clear();
    for (const QJsonObject &entity : entities) {
        // A modified entity is listed under what kind of modification it had.
        const QString status = JsonField::text(entity, "status");
        const QString kind =
            status == QLatin1String("mod") ? JsonField::text(entity, "diff") : status;
        diff[kind].append(JsonField::text(entity, "uuid"));
    }
    return reply.isSuccessful();
}

bool getCompareEntityProperty(const QString &modelId, const QString &uuid, int baseVersion,
                              int compareVersion, VHEntityPropertyVersion &base,
                              VHEntityPropertyVersion &compare)
{
    const Exchange reply = Exchange::get(url(Service::Model, "models/%1/%2/%3/%4/compare", modelId,
                                             uuid, baseVersion, compareVersion));
    const QJsonObject object = reply.object();
    parseEntityPropertyVersion(JsonField::object(object, "property_base"), base);
    parseEntityPropertyVersion(JsonField::object(object, "property_compare"), compare);
    return reply.isSuccessful();
}

} // namespace ModelService
