#ifndef VHPD_SANDBOX_ROUTESUPPORT_H
#define VHPD_SANDBOX_ROUTESUPPORT_H

#include "api.h"
#include "store.h"

#include <QJsonObject>
#include <QString>

// Pieces several route files share.

bool isProjectMember(const Store &store, const QString &projectId, const QString &userId);

// 403: the user is not a member of the project the request concerns.
ApiReply notMember();

// Finds the document `id` of `collection` and checks that the user is a
// member of the project named by its `projectKey`; otherwise sets `failure`
// (404 naming `what`, or 403) and returns false.
bool findInOwnProject(const Store &store, const ApiRequest &request, const QString &collection,
                      const QString &id, const QString &projectKey, const QString &what,
                      QJsonObject &found, ApiReply &failure);

// Wraps a handler of a "projects/:projectId/..." route (or any route with a
// ":projectId" parameter) so that it runs only for members of an existing
// project: 404 for an unknown project, 403 for a non-member.
RouteHandler forMembers(const Store &store, const RouteHandler &handler);

// Bytes of every stored model version of the project.
double usedCapacity(const Store &store, const QString &projectId);

// Binds a handler function to the store it reads or changes.
RouteHandler withStore(const Store &store, ApiReply (*handler)(const Store &, const ApiRequest &));
RouteHandler withStore(Store &store, ApiReply (*handler)(Store &, const ApiRequest &));

// The handler of a "projects/:projectId/..." route that lists the project's
// documents of `collection` (those whose `projectKey` names it), for members,
// with the usual ordering and paging.
RouteHandler projectCollection(const Store &store, const QString &collection,
                               const QString &projectKey = QStringLiteral("projectId"));

// A user as the account service shows it.
QJsonObject userView(const QJsonObject &user);

// A copy of `document` with `changes` merged over it.
QJsonObject updated(QJsonObject document, const QJsonObject &changes);

#endif // VHPD_SANDBOX_ROUTESUPPORT_H
