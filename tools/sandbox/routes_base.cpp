// QR-code settings and QR label templates.
#include "listing.h"
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

namespace {

const QString kSettings = QStringLiteral("qrSettings");
const QString kTemplates = QStringLiteral("qr_templates");
const QString kId = QStringLiteral("_id");
const QString kHostId = QStringLiteral("hostId");
const QString kUserId = QStringLiteral("userId");
const QString kProjectId = QStringLiteral("projectId");

constexpr int kDefaultType = 1;

// A user's setting in a project: "userId" null in the query names the
// caller. Without a setting of their own the project's applies, and without
// that the defaults (a setting without "_id", to be created).
ApiReply readSetting(const Store &store, const ApiRequest &request)
{
    QJsonObject where;
    ApiReply failure;
    if (!Listing::readQuery(request, QStringLiteral("where"), where, failure))
        return failure;
    const QJsonValue host = where.value(kHostId);
    if (host.isString() && !isProjectMember(store, host.toString(), request.userId))
        return notMember();
    QJsonObject own = where;
    if (own.value(kUserId).isNull())
        own.insert(kUserId, request.userId);
    for (const QJsonObject &query : {own, where}) {
        const QList<QJsonObject> found = Listing::filter(store.all(kSettings), query);
        if (!found.isEmpty())
            return ApiReply::json(found.first());
    }
    return ApiReply::json(QJsonObject{{kHostId, host},
                                      {kUserId, request.userId},
                                      {QStringLiteral("logo"), QString()},
                                      {QStringLiteral("type"), kDefaultType}});
}

QJsonObject settingChanges(const QJsonObject &body)
{
    QJsonObject changes;
    if (body.value(QLatin1String("logo")).isString())
        changes.insert(QStringLiteral("logo"), body.value(QLatin1String("logo")));
    if (body.value(QLatin1String("type")).isDouble())
        changes.insert(QStringLiteral("type"), body.value(QLatin1String("type")).toInt());
    return changes;
}

ApiReply createSetting(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString hostId = body.value(kHostId).toString();
    if (!isProjectMember(store, hostId, request.userId))
        return notMember();
    const QJsonValue user =
        body.value(kUserId).isString() ? body.value(kUserId) : QJsonValue(request.userId);
    const bool exists =
        !store
             .first(kSettings,
                    [&](const QJsonObject &s) {
                        return s.value(kHostId).toString() == hostId && s.value(kUserId) == user;
                    })
             .isEmpty();
    if (exists)
        return ApiReply::error(400, 40005,
                               QStringLiteral("this setting exists already; update it instead"));
    const QJsonObject setting{{kHostId, hostId},
                              {kUserId, user},
                              {QStringLiteral("logo"), QString()},
                              {QStringLiteral("type"), kDefaultType}};
    return ApiReply::json(store.insert(kSettings, updated(setting, settingChanges(body))));
}

ApiReply updateSetting(Store &store, const ApiRequest &request)
{
    QJsonObject setting;
    ApiReply failure;
    if (!findInOwnProject(store, request, kSettings, request.param(QStringLiteral("id")), kHostId,
                          QStringLiteral("QR setting"), setting, failure))
        return failure;
    QJsonObject body;
    request.bodyObject(body);
    const QJsonObject changed = updated(setting, settingChanges(body));
    store.replace(kSettings, changed);
    return ApiReply::json(changed);
}

bool nameTaken(const Store &store, const QString &projectId, const QString &name,
               const QString &exceptId)
{
    return !store
                .first(kTemplates,
                       [&](const QJsonObject &t) {
                           return t.value(kProjectId).toString() == projectId &&
                                  t.value(QLatin1String("name")).toString() == name &&
                                  t.value(kId).toString() != exceptId;
                       })
                .isEmpty();
}

ApiReply createTemplate(Store &store, const ApiRequest &request)
{
    QJsonObject body;
    request.bodyObject(body);
    const QString projectId = body.value(kProjectId).toString();
    const QString name = body.value(QLatin1String("name")).toString().trimmed();
    if (!isProjectMember(store, projectId, request.userId))
        return notMember();
    if (name.isEmpty() || nameTaken(store, projectId, name, QString()))
        return ApiReply::error(400, 40006, QStringLiteral("a template needs a name of its own"));
    return ApiReply::json(store.insert(
        kTemplates,
        QJsonObject{{kProjectId, projectId},
                    {QStringLiteral("name"), name},
                    {QStringLiteral("type"), body.value(QLatin1String("type")).toInt(0)},
                    {QStringLiteral("data"), body.value(QLatin1String("data")).toArray()}}));
}

bool findTemplate(const Store &store, const ApiRequest &request, QJsonObject &found,
                  ApiReply &failure)
{
    return findInOwnProject(store, request, kTemplates, request.param(QStringLiteral("id")),
                            kProjectId, QStringLiteral("QR template"), found, failure);
}

// Changes only what the body carries: "name" and/or "data".
ApiReply updateTemplate(Store &store, const ApiRequest &request)
{
    QJsonObject found;
    ApiReply failure;
    if (!findTemplate(store, request, found, failure))
        return failure;
    QJsonObject body;
    request.bodyObject(body);
    if (body.contains(QLatin1String("name"))) {
        const QString name = body.value(QLatin1String("name")).toString().trimmed();
        if (name.isEmpty() ||
            nameTaken(store, found.value(kProjectId).toString(), name, found.value(kId).toString()))
            return ApiReply::error(400, 40006,
                                   QStringLiteral("a template needs a name of its own"));
        found.insert(QStringLiteral("name"), name);
    }
    if (body.value(QLatin1String("data")).isArray())
        found.insert(QStringLiteral("data"), body.value(QLatin1String("data")));
    store.replace(kTemplates, found);
    return ApiReply::json(found);
}

ApiReply deleteTemplate(Store &store, const ApiRequest &request)
{
    QJsonObject found;
    ApiReply failure;
    if (!findTemplate(store, request, found, failure))
        return failure;
    store.removeId(kTemplates, found.value(kId).toString());
    return ApiReply::json(QJsonObject());
}

} // namespace

void addBaseRoutes(RouteTable &routes, Store &store)
{
    const QString base = QLatin1String(Services::Base);
    routes.add(QStringLiteral("GET"), base, QStringLiteral("qrSettings"),
               withStore(store, readSetting));
    routes.add(QStringLiteral("POST"), base, QStringLiteral("qrSettings"),
               withStore(store, createSetting));
    routes.add(QStringLiteral("PUT"), base, QStringLiteral("qrSettings/:id"),
               withStore(store, updateSetting));
    routes.add(QStringLiteral("GET"), base, QStringLiteral("projects/:projectId/qr_templates"),
               projectCollection(store, kTemplates));
    routes.add(QStringLiteral("POST"), base, QStringLiteral("qr_templates"),
               withStore(store, createTemplate));
    routes.add(QStringLiteral("PUT"), base, QStringLiteral("qr_templates/:id"),
               withStore(store, updateTemplate));
    routes.add(QStringLiteral("DELETE"), base, QStringLiteral("qr_templates/:id"),
               withStore(store, deleteTemplate));
}
