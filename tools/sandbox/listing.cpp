#include "listing.h"

#include "queryevaluator.h"

#include <algorithm>

namespace Listing {

namespace {

// A non-negative decimal count from the query, `fallback` when absent.
bool readCount(const ApiRequest &request, const QString &name, int fallback, int &count)
{
    if (!request.query.contains(name)) {
        count = fallback;
        return true;
    }
    bool ok = false;
    count = request.query.value(name).toInt(&ok);
    return ok && count >= 0;
}

} // namespace

bool readQuery(const ApiRequest &request, const QString &name, QJsonObject &query,
               ApiReply &failure)
{
    QString error;
    if (QueryEvaluator::parse(request.query.value(name), query, error))
        return true;
    failure = ApiReply::badRequest(QStringLiteral("%1: %2").arg(name, error));
    return false;
}

QList<QJsonObject> filter(const QList<QJsonObject> &documents, const QJsonObject &query)
{
    if (query.isEmpty())
        return documents;
    QList<QJsonObject> kept;
    for (const QJsonObject &document : documents) {
        if (QueryEvaluator::matches(document, query))
            kept.append(document);
    }
    return kept;
}

ApiReply page(const ApiRequest &request, QList<QJsonObject> documents, const View &view)
{
    if (request.flag(QStringLiteral("only_count")))
        return ApiReply::json(QJsonObject{{QStringLiteral("count"), documents.size()}});

    int skip = 0;
    int limit = 0;
    if (!readCount(request, QStringLiteral("skip"), 0, skip) ||
        !readCount(request, QStringLiteral("limit"), 0, limit))
        return ApiReply::badRequest(QStringLiteral("skip and limit must be counts"));

    QString order = request.query.value(QStringLiteral("order"));
    if (!order.isEmpty()) {
        const bool descending = order.startsWith(QLatin1Char('-'));
        if (descending)
            order.remove(0, 1);
        if (order.isEmpty())
            return ApiReply::badRequest(QStringLiteral("order needs a field name"));
        // Ties keep the stored order, so that pages do not overlap.
        std::stable_sort(documents.begin(), documents.end(),
                         [&](const QJsonObject &a, const QJsonObject &b) {
                             const int c = QueryEvaluator::compare(a.value(order), b.value(order));
                             return descending ? c > 0 : c < 0;
                         });
    }

    QJsonArray shown;
    const int end = limit == 0 ? documents.size()
                               : int(std::min<qint64>(documents.size(), qint64(skip) + limit));
    for (int i = skip; i < end; ++i)
        shown.append(view(documents.at(i)));
    return ApiReply::json(shown);
}

ApiReply search(const ApiRequest &request, const QString &name, const QList<QJsonObject> &documents,
                const View &view)
{
    QJsonObject query;
    ApiReply failure;
    if (!readQuery(request, name, query, failure))
        return failure;
    return page(request, filter(documents, query), view);
}

View hiding(const QStringList &keys)
{
    return [keys](const QJsonObject &document) {
        QJsonObject shown = document;
        for (const QString &key : keys)
            shown.remove(key);
        return shown;
    };
}

} // namespace Listing
