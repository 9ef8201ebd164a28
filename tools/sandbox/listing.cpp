#include "listing.h"

#include "queryevaluator.h"

#include <algorithm>
#include <vector>

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

// A document's place in an ordered answer: the value of the field ordered
// by, read once per document rather than at every comparison, and its text
// when it is one.
struct SortKey
{
    QJsonValue value;
    QString text;
    int index = 0;
};

int compareKeys(const SortKey &a, const SortKey &b)
{
    if (a.value.isString() && b.value.isString())
        return a.text.compare(b.text);
    return QueryEvaluator::compare(a.value, b.value);
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

    // The documents' places in the answer: stored order unless ordered.
    std::vector<SortKey> places(size_t(documents.size()));
    for (int i = 0; i < documents.size(); ++i)
        places[size_t(i)].index = i;
    QString order = request.query.value(QStringLiteral("order"));
    if (!order.isEmpty()) {
        const bool descending = order.startsWith(QLatin1Char('-'));
        if (descending)
            order.remove(0, 1);
        if (order.isEmpty())
            return ApiReply::badRequest(QStringLiteral("order needs a field name"));
        for (SortKey &place : places) {
            place.value = documents.at(place.index).value(order);
            if (place.value.isString())
                place.text = place.value.toString();
        }
        // Ties keep the stored order, so that pages do not overlap.
        std::stable_sort(places.begin(), places.end(), [&](const SortKey &a, const SortKey &b) {
            const int c = compareKeys(a, b);
            return descending ? c > 0 : c < 0;
        });
    }

    QJsonArray shown;
    const int end = limit == 0 ? documents.size()
                               : int(std::min<qint64>(documents.size(), qint64(skip) + limit));
    for (int i = skip; i < end; ++i)
        shown.append(view(documents.at(places[size_t(i)].index)));
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
