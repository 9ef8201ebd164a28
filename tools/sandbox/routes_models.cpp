// Models, their version histories and comparisons, model sets, tags and edit
// rights.
#include "listing.h"
#include "modelaccess.h"
#include "modelversions.h"
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const QString kModels = QStringLiteral("models");
const QString kHistories = QStringLiteral("histories");
const QString kSets = QStringLiteral("model_sets");
const QString kId = QStringLiteral("_id");
const QString kProjectId = QStringLiteral("projectId");
const QString kModelId = QStringLiteral("modelId");

constexpr int kRecentUploads = 10;
constexpr int kPreprocessed = 2;

Listing::View modelView(const Store &store, const ApiRequest &request)
{
    return [&store, &request](const QJsonObject &model) {
        return ModelAccess::view(store, model, request.userId);
    };
}

ApiReply projectModels(const Store &store, const ApiRequest &request)
{
    return Listing::search(request, QStringLiteral("where"),
                           store.selectBy(kModels, kProjectId, request.param(kProjectId)),
                           modelView(store, request));
}

ApiReply recentUploads(const Store &store, const ApiRequest &request)
{
    QList<QJsonObject> models = store.selectBy(kModels, kProjectId, request.param(kProjectId));
    std::stable_sort(models.begin(), models.end(), [](const QJsonObject &a, const QJsonObject &b) {
        return a.value(QLatin1String("updatedAt")).toString() >
               b.value(QLatin1String("updatedAt")).toString();
    });
    QJsonArray recent;
    for (int i = 0; i < std::min(kRecentUploads, int(models.size())); ++i)
        recent.append(ModelAccess::view(store, models.at(i), request.userId));
    return ApiReply::json(recent);
}

ApiReply getModel(const Store &store, const ApiRequest &request)
{
    QJsonObject model;
    ApiReply failure;
    if (!ModelAccess::find(store, request, request.param(kModelId), false, model, failure))
        return failure;
    return ApiReply::json(ModelAccess::view(store, model, request.userId));
}

// A deleted model takes its versions and entities with it and leaves the
// model sets that listed it.
ApiReply deleteModel(Store &store, const ApiRequest &request)
{
    QJsonObject model;
    ApiReply failure;
    const QString modelId = request.param(kModelId);
    if (!ModelAccess::find(store, request, modelId, true, model, failure))
        return failure;
    store.removeId(kModels, modelId);
    const auto ofModel = [&](const QJsonObject &d) {
        return d.value(kModelId).toString() == modelId;
    };
    store.remove(kHistories, ofModel);
    store.remove(QStringLiteral("entities"), ofModel);
    for (QJsonObject set : store.all(kSets)) {
        QJsonArray ids = set.value(QLatin1String("modelIds")).toArray();
        const int before = ids.size();
        for (int i = ids.size() - 1; i >= 0; --i) {
            if (ids.at(i).toString() == modelId)
                ids.removeAt(i);
        }
        if (ids.size() != before) {
            set.insert(QStringLiteral("modelIds"), ids);
            store.replace(kSets, set);
        }
    }
    return ApiReply::json(QJsonObject());
}

ApiReply modelHistory(const Store &store, const ApiRequest &request)
{
    QJsonObject model;
    ApiReply failure;
    if (!ModelAccess::find(store, request, request.param(kModelId), false, model, failure))
        return failure;
    QList<QJsonObject> entries = ModelVersions::history(store, request.param(kModelId));
    std::reverse(entries.begin(), entries.end());
    return Listing::search(request, QStringLiteral("where"), entries, modelView(store, request));
}

// Any version but the current one can go; the current one goes with its model.
ApiReply deleteHistory(Store &store, const ApiRequest &request)
{
    const QJsonObject entry = store.byId(kHistories, request.param(QStringLiteral("historyId")));
    if (entry.isEmpty())
        return ApiReply::notFound(QStringLiteral("history entry"));
    QJsonObject model;
    ApiReply failure;
    if (!ModelAccess::find(store, request, entry.value(kModelId).toString(), true, model, failure))
        return failure;
    if (entry.value(QLatin1String("version")).toInt() ==
        model.value(QLatin1String("version")).toInt())
        return ApiReply::error(400, 40003, QStringLiteral("the current version cannot be deleted"));
    store.removeId(kHistories, entry.value(kId).toString());
    return ApiReply::json(QJsonObject());
}

// The sandbox preprocesses at once: a retried model is ready on the next read.
ApiReply retryPreprocess(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    if (!request.bodyObject(body) || !body.value(QLatin1String("modelIds")).isArray())
        return ApiReply::badRequest(QStringLiteral("modelIds must be an array of model ids"));
    QList<QJsonObject> models;
    for (const QJsonValue &id : body.value(QLatin1String("modelIds")).toArray()) {
        QJsonObject model;
        ApiReply failure;
        if (!ModelAccess::find(store, request, id.toString(), false, model, failure))
            return failure;
        models.append(model);
    }
    for (QJsonObject model : models) {
        model.insert(QStringLiteral("preprocessed"), kPreprocessed);
        store.replace(kModels, model);
        for (QJsonObject entry :
             store.selectBy(kHistories, kModelId, model.value(kId).toString())) {
            entry.insert(QStringLiteral("preprocessed"), kPreprocessed);
            store.replace(kHistories, entry);
        }
    }
    return ApiReply::json(QJsonObject{{QStringLiteral("count"), models.size()}});
}

// Reads the model and the two version numbers of a comparison route and
// checks that the user may read the model and that both versions exist.
bool comparedVersions(const Store &store, const ApiRequest &request, int &base, int &other,
                      ApiReply &failure)
{
    QJsonObject model;
    if (!ModelAccess::find(store, request, request.param(kModelId), false, model, failure))
        return false;
    bool baseOk = false;
    bool otherOk = false;
    base = request.param(QStringLiteral("base")).toInt(&baseOk);
    other = request.param(QStringLiteral("other")).toInt(&otherOk);
    if (!baseOk || !otherOk) {
        failure = ApiReply::badRequest(QStringLiteral("versions must be numbers"));
        return false;
    }
    const QString modelId = request.param(kModelId);
    if (!ModelVersions::hasVersion(store, modelId, base) ||
        !ModelVersions::hasVersion(store, modelId, other)) {
        failure = ApiReply::notFound(QStringLiteral("model version"));
        return false;
    }
    return true;
}

ApiReply compareModels(const Store &store, const ApiRequest &request)
{
    ApiReply failure;
    int base = 0;
    int other = 0;
    if (!comparedVersions(store, request, base, other, failure))
        return failure;
    return ApiReply::json(ModelVersions::compare(store, request.param(kModelId), base, other));
}

ApiReply compareEntity(const Store &store, const ApiRequest &request)
{
    ApiReply failure;
    int base = 0;
    int other = 0;
    if (!comparedVersions(store, request, base, other, failure))
        return failure;
    const QString modelId = request.param(kModelId);
    const QString uuid = request.param(QStringLiteral("uuid"));
    const QJsonObject before = ModelVersions::entityProperties(store, modelId, uuid, base);
    const QJsonObject after = ModelVersions::entityProperties(store, modelId, uuid, other);
    if (before.isEmpty() && after.isEmpty())
        return ApiReply::notFound(QStringLiteral("entity in these versions"));
    return ApiReply::json(QJsonObject{{QStringLiteral("uuid"), uuid},
                                      {QStringLiteral("property_base"), before},
                                      {QStringLiteral("property_compare"), after}});
}

ApiReply listSets(const Store &store, const ApiRequest &request)
{
    return Listing::search(request, QStringLiteral("where"),
                           store.selectBy(kSets, kProjectId, request.param(kProjectId)),
                           Listing::hiding({}));
}

// A set belongs to one project, holds models of that project only and has a
// name its creator has not used there yet.
ApiReply createSet(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString projectId = body.value(kProjectId).toString();
    const QString name = body.value(QLatin1String("name")).toString().trimmed();
    if (!isProjectMember(store, projectId, request.userId))
        return notMember();
    if (name.isEmpty())
        return ApiReply::badRequest(QStringLiteral("a model set needs a name"));
    const QJsonArray modelIds = body.value(QLatin1String("modelIds")).toArray();
    for (const QJsonValue &id : modelIds) {
        if (store.byId(kModels, id.toString()).value(kProjectId).toString() != projectId)
            return ApiReply::badRequest(
                QStringLiteral("model \"%1\" is not a model of the project").arg(id.toString()));
    }
    const bool taken =
        !store
             .first(kSets,
                    [&](const QJsonObject &set) {
                        return set.value(kProjectId).toString() == projectId &&
                               set.value(QLatin1String("name")).toString() == name &&
                               set.value(QLatin1String("createdBy")).toString() == request.userId;
                    })
             .isEmpty();
    if (taken)
        return ApiReply::error(400, 40004,
                               QStringLiteral("you already have a model set of this name"));
    return ApiReply::json(
        store.insert(kSets, QJsonObject{{kProjectId, projectId},
                                        {QStringLiteral("name"), name},
                                        {QStringLiteral("modelIds"), modelIds},
                                        {QStringLiteral("createdAt"), timestampNow()},
                                        {QStringLiteral("createdBy"), request.userId}}));
}

bool findSet(const Store &store, const ApiRequest &request, QJsonObject &set, ApiReply &failure)
{
    return findInOwnProject(store, request, kSets, request.param(QStringLiteral("setId")),
                            kProjectId, QStringLiteral("model set"), set, failure);
}

ApiReply deleteSet(Store &store, const ApiRequest &request)
{
    QJsonObject set;
    ApiReply failure;
    if (!findSet(store, request, set, failure))
        return failure;
    if (set.value(QLatin1String("createdBy")).toString() != request.userId)
        return ApiReply::error(403, 40302, QStringLiteral("only its creator may delete a set"));
    store.removeId(kSets, set.value(kId).toString());
    return ApiReply::json(QJsonObject());
}

// Tags of models the user may not read are left out of the "auth=read" list.
ApiReply listTags(const Store &store, const ApiRequest &request)
{
    const QJsonArray denied = ModelAccess::rights(store, request.param(kProjectId), request.userId)
                                  .value(QLatin1String("readDenied"))
                                  .toArray();
    const bool readable = request.query.value(QStringLiteral("auth")) == QLatin1String("read");
    return ApiReply::json(store.select(QStringLiteral("model_tags"), [&](const QJsonObject &tag) {
        return tag.value(kProjectId).toString() == request.param(kProjectId) &&
               !(readable && denied.contains(tag.value(kId)));
    }));
}

ApiReply editRights(const Store &store, const ApiRequest &request)
{
    if (request.query.value(QStringLiteral("key")) != QLatin1String("edit"))
        return ApiReply::badRequest(QStringLiteral("only key=edit is known"));
    const QJsonObject rights =
        ModelAccess::rights(store, request.param(kProjectId), request.userId);
    return ApiReply::json(
        QJsonObject{{QStringLiteral("key"), QStringLiteral("edit")},
                    {QStringLiteral("value"),
                     rights.value(QLatin1String("value")).toString(QStringLiteral("false"))},
                    {QStringLiteral("items"), rights.value(QLatin1String("items")).toArray()}});
}

} // namespace

void addModelRoutes(RouteTable &routes, Store &store)
{
    const QString model = QLatin1String(Services::Model);
    const QString get = QStringLiteral("GET");
    const QString del = QStringLiteral("DELETE");
    routes.add(get, model, QStringLiteral("projects/:projectId/models"),
               forMembers(store, withStore(store, projectModels)));
    routes.add(get, model, QStringLiteral("projects/:projectId/recent_upload"),
               forMembers(store, withStore(store, recentUploads)));
    routes.add(get, model, QStringLiteral("models/:modelId"), withStore(store, getModel));
    routes.add(del, model, QStringLiteral("models/:modelId"), withStore(store, deleteModel));
    routes.add(get, model, QStringLiteral("models/:modelId/histories"),
               withStore(store, modelHistory));
    routes.add(del, model, QStringLiteral("histories/:historyId"), withStore(store, deleteHistory));
    routes.add(QStringLiteral("POST"), model, QStringLiteral("parse_models"),
               withStore(store, retryPreprocess));
    routes.add(get, model, QStringLiteral("models/:modelId/:base/:other/compare"),
               withStore(store, compareModels));
    routes.add(get, model, QStringLiteral("models/:modelId/:uuid/:base/:other/compare"),
               withStore(store, compareEntity));
    routes.add(get, model, QStringLiteral("projects/:projectId/model_sets"),
               forMembers(store, withStore(store, listSets)));
    routes.add(QStringLiteral("POST"), model, QStringLiteral("model_sets"),
               withStore(store, createSet));
    routes.add(get, model, QStringLiteral("model_sets/:setId"), [&store](const ApiRequest &r) {
        QJsonObject set;
        ApiReply failure;
        return findSet(store, r, set, failure) ? ApiReply::json(set) : failure;
    });
    routes.add(del, model, QStringLiteral("model_sets/:setId"), withStore(store, deleteSet));
    routes.add(get, model, QStringLiteral("projects/:projectId/model_tag_types"),
               projectCollection(store, QStringLiteral("model_tag_types")));
    routes.add(get, model, QStringLiteral("projects/:projectId/model_tags"),
               forMembers(store, withStore(store, listTags)));
    routes.add(get, model, QStringLiteral("projects/:projectId/auth"),
               forMembers(store, withStore(store, editRights)));
}
