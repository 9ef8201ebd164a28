// Print records of QR labels. A record whose resource is an entity marks
// that entity printed, by this user, now.
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

namespace {

const QString kRecords = QStringLiteral("printRecords");
const QString kProjectId = QStringLiteral("projectId");

void markPrinted(Store &store, const QString &projectId, const QString &entityId,
                 const QString &userId, const QString &when)
{
    QJsonObject entity = store.byId(QStringLiteral("entities"), entityId);
    if (entity.value(kProjectId).toString() != projectId)
        return;
    entity.insert(QStringLiteral("printed"), true);
    entity.insert(QStringLiteral("printedAt"), when);
    entity.insert(QStringLiteral("printedBy"), userId);
    store.replace(QStringLiteral("entities"), entity);
}

ApiReply createRecords(Store &store, const ApiRequest &request)
{
    QJsonArray items;
    if (!request.bodyArray(items))
        return ApiReply::badRequest(QStringLiteral("the body must be an array of print records"));
    for (const QJsonValue &item : items) {
        const QJsonObject record = item.toObject();
        if (record.value(QLatin1String("rId")).toString().isEmpty())
            return ApiReply::badRequest(QStringLiteral("every print record needs an rId"));
        if (!isProjectMember(store, record.value(kProjectId).toString(), request.userId))
            return notMember();
    }
    QJsonArray created;
    const QString now = timestampNow();
    for (const QJsonValue &item : items) {
        const QJsonObject record = item.toObject();
        const QString projectId = record.value(kProjectId).toString();
        const QString resource = record.value(QLatin1String("rId")).toString();
        created.append(store.insert(
            kRecords,
            QJsonObject{
                {kProjectId, projectId},
                {QStringLiteral("rId"), resource},
                {QStringLiteral("logo"), record.value(QLatin1String("logo")).toString()},
                {QStringLiteral("type"), record.value(QLatin1String("type")).toInt(1)},
                {QStringLiteral("properties"), record.value(QLatin1String("properties")).toArray()},
                {QStringLiteral("createdAt"), now},
                {QStringLiteral("createdBy"), request.userId}}));
        markPrinted(store, projectId, resource, request.userId, now);
    }
    return ApiReply::json(created);
}

// The resource's records in the user's projects, oldest first.
ApiReply resourceRecords(const Store &store, const ApiRequest &request)
{
    return ApiReply::json(store.select(kRecords, [&](const QJsonObject &record) {
        return record.value(QLatin1String("rId")).toString() ==
                   request.param(QStringLiteral("rId")) &&
               isProjectMember(store, record.value(kProjectId).toString(), request.userId);
    }));
}

} // namespace

void addPrintRoutes(RouteTable &routes, Store &store)
{
    const QString model = QLatin1String(Services::Model);
    routes.add(QStringLiteral("POST"), model, QStringLiteral("printRecords"),
               withStore(store, createRecords));
    routes.add(QStringLiteral("GET"), model, QStringLiteral("resource/:rId/printRecords"),
               withStore(store, resourceRecords));
}
