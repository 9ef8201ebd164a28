#ifndef VHPD_SANDBOX_LISTING_H
#define VHPD_SANDBOX_LISTING_H

#include "api.h"

#include <QJsonObject>
#include <QList>

#include <functional>

// How list endpoints read their query document and shape their answer.
namespace Listing {

using View = std::function<QJsonObject(const QJsonObject &)>;

// Reads the query document of the request's parameter `name` ("where" or
// "queryParam"); an absent or empty value is the empty query. On a malformed
// document returns false and sets `failure` to a 400 reply.
bool readQuery(const ApiRequest &request, const QString &name, QJsonObject &query,
               ApiReply &failure);

QList<QJsonObject> filter(const QList<QJsonObject> &documents, const QJsonObject &query);

// Answers a list request from the matching documents: {"count": n} when
// "only_count" is true, otherwise the documents ordered by "order" ("field"
// or "-field" for descending), then "skip" and "limit" applied (a limit of 0
// means no limit), each shown through `view`. Malformed paging gives 400.
ApiReply page(const ApiRequest &request, QList<QJsonObject> documents, const View &view);

// page() over the documents that satisfy the query document of the
// parameter `name`; 400 when that document is malformed.
ApiReply search(const ApiRequest &request, const QString &name, const QList<QJsonObject> &documents,
                const View &view);

// A view that shows the stored document without the given internal keys.
View hiding(const QStringList &keys);

} // namespace Listing

#endif // VHPD_SANDBOX_LISTING_H
