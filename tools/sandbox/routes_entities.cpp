// Entities of the models: creation, search, the entity tree, the property
// groups a project shows, and one entity as a model version holds it.
#include "listing.h"
#include "modelaccess.h"
#include "modelversions.h"
#include "routes.h"
#include "routesupport.h"

#include <QHash>
#include <QJsonArray>
#include <QMap>
#include <QSet>

#include <algorithm>

namespace {

const QString kEntities = QStringLiteral("entities");
const QString kId = QStringLiteral("_id");
const QString kProjectId = QStringLiteral("projectId");
const QString kModelId = QStringLiteral("modelId");
const QString kUuid = QStringLiteral("uuid");

const Listing::View entityView = Listing::hiding({QStringLiteral("sinceVersion")});

ApiReply searchEntities(const Store &store, const ApiRequest &request)
{
    return Listing::search(request, QStringLiteral("queryParam"),
                           store.selectBy(kEntities, kProjectId, request.param(kProjectId)),
                           entityView);
}

// An element the sandbox has not seen in a model file gets a name and an
// element id from its uuid, whose last part is the element id in hexadecimal.
QJsonObject newEntity(Store &store, const QJsonObject &model, const QString &uuid)
{
    const QString projectId = model.value(kProjectId).toString();
    const QString project =
        store.byId(QStringLiteral("projects"), projectId).value(QLatin1String("code")).toString();
    bool ok = false;
    const qlonglong element = uuid.section(QLatin1Char('-'), -1).toLongLong(&ok, 16);
    const QString entityId = ok ? QString::number(element) : QString();
    const int sequence = store.selectBy(kEntities, kProjectId, projectId).size() + 1;
    return store.insert(
        kEntities,
        QJsonObject{{kProjectId, projectId},
                    {kModelId, model.value(kId)},
                    {QStringLiteral("model"), model.value(QLatin1String("name"))},
                    {kUuid, uuid},
                    {QStringLiteral("qrCode"),
                     QStringLiteral("%1-NEW-%2")
                         .arg(project.isEmpty() ? QStringLiteral("VH") : project,
                              QString::number(sequence).rightJustified(5, QLatin1Char('0')))},
                    {QStringLiteral("printed"), false},
                    {QStringLiteral("name"), QString(QStringLiteral("Element ") + entityId)},
                    {QStringLiteral("entityId"), entityId},
                    {QStringLiteral("floor"), QString()},
                    {QStringLiteral("domain"), 0},
                    {QStringLiteral("category"), 0},
                    {QStringLiteral("group"), false},
                    {QStringLiteral("createdAt"), timestampNow()},
                    {QStringLiteral("sinceVersion"), model.value(QLatin1String("version"))}});
}

// Registers elements of the project's models; an element registered before
// comes back as it is. All or nothing: one bad element refuses the request.
ApiReply createEntities(Store &store, const ApiRequest &request)
{
    QJsonArray items;
    if (!request.bodyArray(items))
        return ApiReply::badRequest(QStringLiteral("the body must be an array of entities"));
    const QString projectId = request.param(kProjectId);
    for (const QJsonValue &item : items) {
        const QJsonObject element = item.toObject();
        const QJsonObject model =
            store.byId(QStringLiteral("models"), element.value(kModelId).toString());
        if (element.value(kUuid).toString().isEmpty() ||
            model.value(kProjectId).toString() != projectId)
            return ApiReply::badRequest(
                QStringLiteral("every entity needs a uuid and a model of the project"));
    }
    QJsonArray created;
    for (const QJsonValue &item : items) {
        const QJsonObject element = item.toObject();
        const QString modelId = element.value(kModelId).toString();
        const QString uuid = element.value(kUuid).toString();
        QJsonObject entity = store.first(kEntities, [&](const QJsonObject &e) {
            return e.value(kModelId).toString() == modelId && e.value(kUuid).toString() == uuid;
        });
        if (entity.isEmpty())
            entity = newEntity(store, store.byId(QStringLiteral("models"), modelId), uuid);
        created.append(entityView(entity));
    }
    return ApiReply::json(created);
}

// Basements deepest first, then levels upwards, then the roof.
int floorRank(const QString &floor)
{
    const int number = floor.mid(1).toInt();
    if (floor.startsWith(QLatin1Char('B')))
        return -number;
    if (floor.startsWith(QLatin1Char('L')))
        return number;
    return floor.isEmpty() ? -1000 : 1000;
}

// What a model's entities contribute to its tree: whether any is a group, and
// the categories by domain by floor of the others.
struct ModelContents
{
    bool group = false;
    QMap<QString, QMap<int, QSet<int>>> floors;
};

// model -> floor -> domain -> categories, from the entities themselves.
ApiReply entityTrees(const Store &store, const ApiRequest &request)
{
    const QList<QJsonObject> models =
        store.selectBy(QStringLiteral("models"), kProjectId, request.param(kProjectId));
    // One pass over the entities, each filed under its model.
    QHash<QString, ModelContents> contents;
    for (const QJsonObject &model : models)
        contents.insert(model.value(kId).toString(), ModelContents());
    for (const QJsonObject &entity : store.all(kEntities)) {
        const QJsonValue modelId = entity.value(kModelId);
        const auto found = modelId.isString() ? contents.find(modelId.toString()) : contents.end();
        if (found == contents.end())
            continue;
        if (entity.value(QLatin1String("group")).toBool()) {
            found->group = true;
            continue;
        }
        const QString floor = entity.value(QLatin1String("floor")).toString();
        const int domain = entity.value(QLatin1String("domain")).toInt();
        found->floors[floor][domain].insert(entity.value(QLatin1String("category")).toInt());
    }

    QJsonArray trees;
    for (const QJsonObject &model : models) {
        const ModelContents content = contents.value(model.value(kId).toString());
        const bool group = content.group;
        const QMap<QString, QMap<int, QSet<int>>> &floors = content.floors;
        QStringList floorNames = floors.keys();
        std::stable_sort(
            floorNames.begin(), floorNames.end(),
            [](const QString &a, const QString &b) { return floorRank(a) < floorRank(b); });
        QJsonArray floorList;
        for (const QString &floor : floorNames) {
            QJsonArray domains;
            const QMap<int, QSet<int>> &byDomain = floors.value(floor);
            for (auto it = byDomain.begin(); it != byDomain.end(); ++it) {
                QList<int> categories = it.value().values();
                std::sort(categories.begin(), categories.end());
                QJsonArray categoryList;
                for (int category : categories)
                    categoryList.append(QJsonObject{{QStringLiteral("category"), category}});
                domains.append(QJsonObject{{QStringLiteral("domain"), it.key()},
                                           {QStringLiteral("categories"), categoryList}});
            }
            floorList.append(QJsonObject{{QStringLiteral("floor"), floor},
                                         {QStringLiteral("domains"), domains}});
        }
        trees.append(QJsonObject{{kModelId, model.value(kId)},
                                 {QStringLiteral("name"), model.value(QLatin1String("name"))},
                                 {QStringLiteral("group"), group},
                                 {QStringLiteral("floors"), floorList}});
    }
    return ApiReply::json(trees);
}

// The viewer's form of an entity: looked up by its element id (or "_id" or
// uuid) in a model version, with "domain" as the domain's name.
ApiReply entityInVersion(const Store &store, const ApiRequest &request)
{
    QJsonObject model;
    ApiReply failure;
    const QString modelId = request.param(kModelId);
    if (!ModelAccess::find(store, request, modelId, false, model, failure))
        return failure;
    int version = model.value(QLatin1String("version")).toInt(1);
    if (request.query.contains(QStringLiteral("version"))) {
        bool ok = false;
        version = request.query.value(QStringLiteral("version")).toInt(&ok);
        if (!ok)
            return ApiReply::badRequest(QStringLiteral("version must be a number"));
    }
    const QString key = request.param(QStringLiteral("entityId"));
    const QJsonObject entity = store.first(kEntities, [&](const QJsonObject &e) {
        return e.value(kModelId).toString() == modelId &&
               (e.value(QLatin1String("entityId")).toString() == key ||
                e.value(kId).toString() == key || e.value(kUuid).toString() == key);
    });
    if (entity.isEmpty() || !ModelVersions::hasVersion(store, modelId, version) ||
        !ModelVersions::entityInVersion(store, entity, version))
        return ApiReply::notFound(QStringLiteral("entity in this model version"));
    QJsonObject shown = entityView(entity);
    const QString domain = QString::number(entity.value(QLatin1String("domain")).toInt());
    const QJsonObject named = store.first(QStringLiteral("domains"), [&](const QJsonObject &d) {
        return d.value(kProjectId) == model.value(kProjectId) && d.value(kId).toString() == domain;
    });
    shown.insert(QStringLiteral("domain"), named.value(QLatin1String("name")).toString(domain));
    shown.insert(QStringLiteral("version"), version);
    return ApiReply::json(QJsonObject{{QStringLiteral("data"), shown}});
}

} // namespace

void addEntityRoutes(RouteTable &routes, Store &store)
{
    const QString model = QLatin1String(Services::Model);
    const QString get = QStringLiteral("GET");
    routes.add(get, model, QStringLiteral("projects/:projectId/entities"),
               forMembers(store, withStore(store, searchEntities)));
    routes.add(QStringLiteral("POST"), model, QStringLiteral("projects/:projectId/entities"),
               forMembers(store, withStore(store, createEntities)));
    routes.add(get, model, QStringLiteral("projects/:projectId/entityTrees"),
               forMembers(store, withStore(store, entityTrees)));
    routes.add(get, model, QStringLiteral("entitySettings/:projectId"),
               projectCollection(store, QStringLiteral("entitySettings")));
    routes.add(get, model, QStringLiteral("tesselo/models/:modelId/entities/:entityId"),
               withStore(store, entityInVersion));
}
