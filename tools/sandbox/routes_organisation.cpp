// Organisation and configuration look-ups: circles, enterprises, structures,
// domains, species, subcontracts, encoding pairs and rules, modules and the
// module catalogue.
#include "listing.h"
#include "routes.h"
#include "routesupport.h"

namespace {

const QString kProjectId = QStringLiteral("projectId");

RouteHandler wholeCollection(const Store &store, const QString &collection)
{
    return
        [&store, collection](const ApiRequest &) { return ApiReply::json(store.all(collection)); };
}

// One named document, looked up by id across projects.
RouteHandler oneById(const Store &store, const QString &collection, const QString &what)
{
    return [&store, collection, what](const ApiRequest &request) {
        const QJsonObject found = store.byId(collection, request.param(QStringLiteral("id")));
        if (found.isEmpty())
            return ApiReply::notFound(what);
        return ApiReply::json(found);
    };
}

// Modules switched off for the project are left out unless all are asked for.
ApiReply listModules(const Store &store, const ApiRequest &request)
{
    const bool all = request.query.value(QStringLiteral("authorized")) == QLatin1String("all");
    return ApiReply::json(store.select(QStringLiteral("modules"), [&](const QJsonObject &module) {
        return module.value(kProjectId).toString() == request.param(kProjectId) &&
               (all || module.value(QLatin1String("value")).toBool(true));
    }));
}

} // namespace

void addOrganisationRoutes(RouteTable &routes, Store &store)
{
    const QString account = QLatin1String(Services::Account);
    const QString get = QStringLiteral("GET");
    routes.add(get, account, QStringLiteral("circles"),
               wholeCollection(store, QStringLiteral("circles")));
    routes.add(get, account, QStringLiteral("enterprises"),
               wholeCollection(store, QStringLiteral("enterprises")));
    routes.add(get, account, QStringLiteral("module_groups"),
               wholeCollection(store, QStringLiteral("module_groups")));
    routes.add(get, account, QStringLiteral("projects/:projectId/structures"),
               projectCollection(store, QStringLiteral("structures"), QStringLiteral("hostId")));
    for (const char *name :
         {"domains", "species", "subcontracts", "encodingpairs", "encodingrules"})
        routes.add(get, account, QStringLiteral("projects/:projectId/") + QLatin1String(name),
                   projectCollection(store, QLatin1String(name)));
    routes.add(get, account, QStringLiteral("projects/:projectId/modules"),
               forMembers(store, withStore(store, listModules)));
    routes.add(get, account, QStringLiteral("species/:id"),
               oneById(store, QStringLiteral("species"), QStringLiteral("species")));
    routes.add(get, account, QStringLiteral("subcontracts/:id"),
               oneById(store, QStringLiteral("subcontracts"), QStringLiteral("subcontract")));
}
