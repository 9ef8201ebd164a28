#include "routesupport.h"

#include "listing.h"

namespace {
const QString kProjectId = QStringLiteral("projectId");
} // namespace

bool isProjectMember(const Store &store, const QString &projectId, const QString &userId)
{
    return !store
                .first(QStringLiteral("members"),
                       [&](const QJsonObject &member) {
                           return member.value(kProjectId).toString() == projectId &&
                                  member.value(QLatin1String("userId")).toString() == userId;
                       })
                .isEmpty();
}

ApiReply notMember()
{
    return ApiReply::error(403, 40300, QStringLiteral("you are not a member of this project"));
}

bool findInOwnProject(const Store &store, const ApiRequest &request, const QString &collection,
                      const QString &id, const QString &projectKey, const QString &what,
                      QJsonObject &found, ApiReply &failure)
{
    found = store.byId(collection, id);
    if (found.isEmpty())
        failure = ApiReply::notFound(what);
    else if (!isProjectMember(store, found.value(projectKey).toString(), request.userId))
        failure = notMember();
    else
        return true;
    return false;
}

RouteHandler forMembers(const Store &store, const RouteHandler &handler)
{
    return [&store, handler](const ApiRequest &request) {
        const QString projectId = request.param(kProjectId);
        if (!store.contains(QStringLiteral("projects"), projectId))
            return ApiReply::notFound(QStringLiteral("project \"%1\"").arg(projectId));
        if (!isProjectMember(store, projectId, request.userId))
            return notMember();
        return handler(request);
    };
}

double usedCapacity(const Store &store, const QString &projectId)
{
    double used = 0;
    for (const QJsonObject &entry :
         store.selectBy(QStringLiteral("histories"), kProjectId, projectId))
        used += entry.value(QLatin1String("modelSize")).toDouble();
    return used;
}

RouteHandler withStore(const Store &store, ApiReply (*handler)(const Store &, const ApiRequest &))
{
    return [&store, handler](const ApiRequest &request) { return handler(store, request); };
}

RouteHandler withStore(Store &store, ApiReply (*handler)(Store &, const ApiRequest &))
{
    return [&store, handler](const ApiRequest &request) { return handler(store, request); };
}

RouteHandler projectCollection(const Store &store, const QString &collection,
                               const QString &projectKey)
{
    return forMembers(store, [&store, collection, projectKey](const ApiRequest &request) {
        return Listing::page(request,
                             store.selectBy(collection, projectKey, request.param(kProjectId)),
                             Listing::hiding({}));
    });
}

QJsonObject userView(const QJsonObject &user)
{
    QJsonObject view;
    for (const char *key : {"_id", "name", "nickName", "avatar", "phoneNumber", "countryCode",
                            "signature", "visible", "createdAt"})
        view.insert(QLatin1String(key), user.value(QLatin1String(key)));
    return view;
}

QJsonObject updated(QJsonObject document, const QJsonObject &changes)
{
    for (auto it = changes.begin(); it != changes.end(); ++it)
        document.insert(it.key(), it.value());
    return document;
}
