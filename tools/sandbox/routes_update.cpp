// The update server's list of client builds, the download of a build, and
// the keep-alive probe "touch" with its optional permanent redirect.
#include "routes.h"
#include "routesupport.h"

#include <QJsonArray>

namespace {

QString serverId(const Store &store)
{
    return store.all(QStringLiteral("meta")).value(0).value(QLatin1String("serverId")).toString();
}

// The builds released for this server (and device, when named).
ApiReply offeredBuilds(const Store &store, const ApiRequest &request)
{
    if (request.param(QStringLiteral("serverId")) != serverId(store))
        return ApiReply::error(404, 40402, QStringLiteral("unknown private server"));
    const QString device = request.query.value(QStringLiteral("device"));
    QJsonArray builds;
    for (QJsonObject build : store.all(QStringLiteral("builds"))) {
        if (!device.isEmpty() && build.value(QLatin1String("device")).toString() != device)
            continue;
        build.remove(QStringLiteral("serverId"));
        builds.append(build);
    }
    return ApiReply::json(builds);
}

ApiReply download(const Store &store, const ApiRequest &request)
{
    const QString id = request.param(QStringLiteral("id"));
    const QJsonObject build = store.first(QStringLiteral("builds"), [&](const QJsonObject &b) {
        return b.value(QLatin1String("_id")).toString() == id ||
               b.value(QLatin1String("fileId")).toString() == id;
    });
    if (build.isEmpty())
        return ApiReply::notFound(QStringLiteral("application"));
    ApiReply reply;
    reply.contentType = "application/octet-stream";
    reply.body = QStringLiteral("%1 (build %2): sandbox package\n")
                     .arg(build.value(QLatin1String("name")).toString(),
                          build.value(QLatin1String("build")).toString())
                     .toUtf8();
    return reply;
}

} // namespace

void addUpdateRoutes(RouteTable &routes, Store &store, const QString &redirectTouchRoot)
{
    const QString updates = QLatin1String(Services::Updates);
    routes.add(QStringLiteral("GET"), updates,
               QStringLiteral("private_servers/:serverId/verification"),
               withStore(store, offeredBuilds));
    routes.add(QStringLiteral("GET"), updates, QStringLiteral("applications/:id"),
               withStore(store, download));
    routes.add(QStringLiteral("GET"), QString(), QStringLiteral("touch"),
               [redirectTouchRoot](const ApiRequest &) {
                   if (redirectTouchRoot.isEmpty())
                       return ApiReply::json(QJsonObject());
                   QString root = redirectTouchRoot;
                   while (root.endsWith(QLatin1Char('/')))
                       root.chop(1);
                   ApiReply reply = ApiReply::json(QJsonObject(), 301);
                   reply.headers.append({QByteArrayLiteral("Location"),
                                         (root + QLatin1String("/v1/touch")).toUtf8()});
                   return reply;
               });
}
