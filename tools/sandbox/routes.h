#ifndef VHPD_SANDBOX_ROUTES_H
#define VHPD_SANDBOX_ROUTES_H

#include "api.h"
#include "store.h"

// The services the sandbox answers, as they appear after "/v1/"; "updates" is
// the update server's root and the empty service holds "touch".
namespace Services {
constexpr char Account[] = "account-service";
constexpr char Model[] = "model-service";
constexpr char Base[] = "base-service";
constexpr char Worksheet[] = "worksheet-service";
constexpr char Period[] = "ka-reth-service";
constexpr char Updates[] = "updates";
} // namespace Services

// Each adds the routes of one part of the backend; the routes keep a
// reference to `store` and change it.
void addAccountRoutes(RouteTable &routes, Store &store);
void addProjectRoutes(RouteTable &routes, Store &store);
void addOrganisationRoutes(RouteTable &routes, Store &store);
void addModelRoutes(RouteTable &routes, Store &store);
void addUploadRoutes(RouteTable &routes, Store &store);
void addEntityRoutes(RouteTable &routes, Store &store);
void addPropertyRoutes(RouteTable &routes, Store &store);
void addPrintRoutes(RouteTable &routes, Store &store);
void addBaseRoutes(RouteTable &routes, Store &store);
void addWorksheetRoutes(RouteTable &routes, Store &store);
void addUpdateRoutes(RouteTable &routes, Store &store, const QString &redirectTouchRoot);

// The user whose session token the request presents, or an empty string.
QString sessionUser(const Store &store, const ApiRequest &request);

#endif // VHPD_SANDBOX_ROUTES_H
