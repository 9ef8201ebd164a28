// Extended properties: category/key/value triples a project attaches to model
// elements by uuid, read one by one, by query, or merged over several elements.
#include "listing.h"
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

#include <algorithm>

namespace {

const QString kProperties = QStringLiteral("extend_properties");
const QString kProjectId = QStringLiteral("projectId");
const QString kUuid = QStringLiteral("uuid");

QString propertyKey(const QJsonObject &property)
{
    return property.value(QLatin1String("category")).toString() + QLatin1Char('\n') +
           property.value(QLatin1String("key")).toString();
}

QList<QJsonObject> propertiesOf(const QJsonObject &document)
{
    QList<QJsonObject> properties;
    for (const QJsonValue &property : document.value(QLatin1String("properties")).toArray())
        properties.append(property.toObject());
    return properties;
}

// The properties of one element over all its documents; a later document's
// value of the same category and key wins.
QList<QJsonObject> elementProperties(const QList<QJsonObject> &documents, const QString &uuid)
{
    QList<QJsonObject> merged;
    for (const QJsonObject &document : documents) {
        if (document.value(kUuid).toString() != uuid)
            continue;
        for (const QJsonObject &property : propertiesOf(document)) {
            const auto same = std::find_if(merged.begin(), merged.end(), [&](const QJsonObject &p) {
                return propertyKey(p) == propertyKey(property);
            });
            if (same == merged.end())
                merged.append(property);
            else
                *same = property;
        }
    }
    return merged;
}

// Every property any of the elements has, in the order first met; its value
// where all the elements agree on it, and an empty text where they differ
// or some element lacks it.
QJsonArray mergeProperties(const QList<QJsonObject> &documents, const QStringList &uuids)
{
    QList<QJsonObject> merged;
    QList<bool> agreed;
    for (const QString &uuid : uuids) {
        const QList<QJsonObject> own = elementProperties(documents, uuid);
        for (int i = 0; i < merged.size(); ++i) {
            const auto mine = std::find_if(own.begin(), own.end(), [&](const QJsonObject &p) {
                return propertyKey(p) == propertyKey(merged.at(i));
            });
            if (mine == own.end() ||
                mine->value(QLatin1String("value")) != merged.at(i).value(QLatin1String("value")))
                agreed[i] = false;
        }
        for (const QJsonObject &property : own) {
            const auto known =
                std::find_if(merged.begin(), merged.end(), [&](const QJsonObject &p) {
                    return propertyKey(p) == propertyKey(property);
                });
            if (known == merged.end()) {
                merged.append(property);
                agreed.append(uuid == uuids.first());
            }
        }
    }
    QJsonArray result;
    for (int i = 0; i < merged.size(); ++i) {
        QJsonObject property = merged.at(i);
        if (!agreed.at(i))
            property.insert(QStringLiteral("value"), QString());
        result.append(property);
    }
    return result;
}

QStringList listedUuids(const QJsonObject &query, const QList<QJsonObject> &documents)
{
    QStringList uuids;
    const QJsonValue clause = query.value(kUuid);
    if (clause.isObject() && clause.toObject().value(QLatin1String("$in")).isArray()) {
        for (const QJsonValue &uuid : clause.toObject().value(QLatin1String("$in")).toArray())
            uuids.append(uuid.toString());
    } else {
        for (const QJsonObject &document : documents) {
            if (!uuids.contains(document.value(kUuid).toString()))
                uuids.append(document.value(kUuid).toString());
        }
    }
    return uuids;
}

// "where=" or "queryParam=" select documents; "merge=true" folds them into
// one property list.
ApiReply readProperties(const Store &store, const ApiRequest &request)
{
    const QString parameter = request.query.contains(QStringLiteral("where"))
                                  ? QStringLiteral("where")
                                  : QStringLiteral("queryParam");
    QJsonObject query;
    ApiReply failure;
    if (!Listing::readQuery(request, parameter, query, failure))
        return failure;
    const QList<QJsonObject> documents =
        Listing::filter(store.selectBy(kProperties, kProjectId, request.param(kProjectId)), query);
    if (!request.flag(QStringLiteral("merge")))
        return Listing::page(request, documents, Listing::hiding({}));
    const QStringList uuids = listedUuids(query, documents);
    return ApiReply::json(
        QJsonObject{{QStringLiteral("uuids"), QJsonArray::fromStringList(uuids)},
                    {QStringLiteral("properties"),
                     uuids.isEmpty() ? QJsonArray() : mergeProperties(documents, uuids)}});
}

ApiReply createProperties(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString projectId = body.value(kProjectId).toString();
    if (!isProjectMember(store, projectId, request.userId))
        return notMember();
    if (body.value(kUuid).toString().isEmpty() ||
        !body.value(QLatin1String("properties")).isArray())
        return ApiReply::badRequest(
            QStringLiteral("extended properties need a uuid and properties"));
    return ApiReply::json(store.insert(
        kProperties,
        QJsonObject{{kProjectId, projectId},
                    {kUuid, body.value(kUuid)},
                    {QStringLiteral("properties"), body.value(QLatin1String("properties"))}}));
}

// Writes the merged list back: each element ends with exactly these
// properties. An empty value stands for "values differ" in the merged view,
// so there each element keeps the value it had.
ApiReply writeMerged(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    if (!request.bodyObject(body) || !body.value(QLatin1String("uuids")).isArray() ||
        !body.value(QLatin1String("properties")).isArray())
        return ApiReply::badRequest(QStringLiteral("the body needs uuids and properties"));
    const QString projectId = request.param(kProjectId);
    const QList<QJsonObject> documents = store.selectBy(kProperties, kProjectId, projectId);
    for (const QJsonValue &value : body.value(QLatin1String("uuids")).toArray()) {
        const QString uuid = value.toString();
        const QList<QJsonObject> before = elementProperties(documents, uuid);
        QJsonArray after;
        for (const QJsonValue &given : body.value(QLatin1String("properties")).toArray()) {
            QJsonObject property = given.toObject();
            const auto old = std::find_if(before.begin(), before.end(), [&](const QJsonObject &p) {
                return propertyKey(p) == propertyKey(property);
            });
            if (property.value(QLatin1String("value")).toString().isEmpty() && old != before.end())
                property.insert(QStringLiteral("value"), old->value(QLatin1String("value")));
            after.append(property);
        }
        store.remove(kProperties, [&](const QJsonObject &d) {
            return d.value(kProjectId).toString() == projectId && d.value(kUuid).toString() == uuid;
        });
        store.insert(kProperties, QJsonObject{{kProjectId, projectId},
                                              {kUuid, uuid},
                                              {QStringLiteral("properties"), after}});
    }
    return ApiReply::json(QJsonObject());
}

} // namespace

void addPropertyRoutes(RouteTable &routes, Store &store)
{
    const QString model = QLatin1String(Services::Model);
    routes.add(QStringLiteral("GET"), model,
               QStringLiteral("projects/:projectId/extend_properties"),
               forMembers(store, withStore(store, readProperties)));
    routes.add(QStringLiteral("PUT"), model,
               QStringLiteral("projects/:projectId/extend_properties"),
               forMembers(store, withStore(store, writeMerged)));
    routes.add(QStringLiteral("POST"), model, QStringLiteral("extend_properties"),
               withStore(store, createProperties));
}
