// Work-sheet statistics of inspections and contact sheets, and the periods
// attached to entity codes.
#include "listing.h"
#include "routes.h"
#include "routesupport.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

#include <tuple>

namespace {

const QString kProjectId = QStringLiteral("projectId");
const QString kTotal = QStringLiteral("total");

// The project's documents of `collection` in the category asked for (all
// when none is), only the user's own with "personal=true": those they
// created or that are addressed to them.
QList<QJsonObject> worksheets(const Store &store, const ApiRequest &request,
                              const QString &collection)
{
    const QString category = request.query.value(QStringLiteral("category"));
    const bool personal = request.flag(QStringLiteral("personal"));
    return store.select(collection, [&](const QJsonObject &sheet) {
        if (sheet.value(kProjectId).toString() != request.param(kProjectId))
            return false;
        if (!category.isEmpty() && sheet.value(QLatin1String("category")).toString() != category)
            return false;
        if (!personal)
            return true;
        return sheet.value(QLatin1String("createdBy")).toString() == request.userId ||
               sheet.value(QLatin1String("assigneeId")).toString() == request.userId ||
               sheet.value(QLatin1String("receiverIds")).toArray().contains(request.userId);
    });
}

// Counts per value of the first dimension, each with the counts per value of
// the next dimensions under "items".
QJsonArray countBy(const QList<QJsonObject> &documents, const QStringList &dimensions)
{
    QMap<QString, QList<QJsonObject>> groups;
    for (const QJsonObject &document : documents)
        groups[document.value(dimensions.first()).toString()].append(document);
    QJsonArray items;
    for (auto it = groups.begin(); it != groups.end(); ++it) {
        QJsonObject item{{dimensions.first(), it.key()}, {kTotal, it.value().size()}};
        if (dimensions.size() > 1)
            item.insert(QStringLiteral("items"), countBy(it.value(), dimensions.mid(1)));
        items.append(item);
    }
    return items;
}

// The "dimensions" parameter: a JSON array of field names out of `known`.
bool readDimensions(const ApiRequest &request, const QStringList &known, QStringList &dimensions,
                    ApiReply &failure)
{
    const QJsonDocument document =
        QJsonDocument::fromJson(request.query.value(QStringLiteral("dimensions")).toUtf8());
    for (const QJsonValue &dimension : document.array()) {
        if (!known.contains(dimension.toString())) {
            failure = ApiReply::badRequest(QStringLiteral("dimensions must be a JSON array of %1")
                                               .arg(known.join(QStringLiteral(", "))));
            return false;
        }
        dimensions.append(dimension.toString());
    }
    if (dimensions.isEmpty())
        failure = ApiReply::badRequest(QStringLiteral("dimensions must name at least one field"));
    return !dimensions.isEmpty();
}

ApiReply contactSheetStatistics(const Store &store, const ApiRequest &request)
{
    QStringList dimensions;
    ApiReply failure;
    if (!readDimensions(request, {QStringLiteral("status")}, dimensions, failure))
        return failure;
    QList<QJsonObject> sheets = worksheets(store, request, QStringLiteral("contactsheets"));
    if (request.flag(QStringLiteral("needApply")))
        sheets = Listing::filter(sheets, QJsonObject{{QStringLiteral("needApply"), true}});
    return ApiReply::json(QJsonObject{{QStringLiteral("items"), countBy(sheets, dimensions)}});
}

ApiReply inspectStatistics(const Store &store, const ApiRequest &request)
{
    QStringList dimensions;
    ApiReply failure;
    if (!readDimensions(request, {QStringLiteral("status"), QStringLiteral("situation")},
                        dimensions, failure))
        return failure;
    return ApiReply::json(
        QJsonObject{{QStringLiteral("items"),
                     countBy(worksheets(store, request, QStringLiteral("inspects")), dimensions)}});
}

ApiReply listInspections(const Store &store, const ApiRequest &request)
{
    return Listing::search(request, QStringLiteral("where"),
                           worksheets(store, request, QStringLiteral("inspects")),
                           Listing::hiding({}));
}

// Inspections created (and, of those, finished) per day, week, month or year
// of their creation, oldest bucket first; the fields finer than the period are 0.
ApiReply inspectQuantities(const Store &store, const ApiRequest &request)
{
    const QString period = request.query.value(QStringLiteral("period"));
    const QStringList periods = {QStringLiteral("day"), QStringLiteral("week"),
                                 QStringLiteral("month"), QStringLiteral("year")};
    if (!periods.contains(period))
        return ApiReply::badRequest(QStringLiteral("period must be day, week, month or year"));
    using Bucket = std::tuple<QString, int, int, int, int>; // type, year, month, week, day
    QMap<Bucket, int> totals;
    for (const QJsonObject &inspection : worksheets(store, request, QStringLiteral("inspects"))) {
        const QDate date =
            QDateTime::fromString(inspection.value(QLatin1String("createdAt")).toString(),
                                  Qt::ISODateWithMs)
                .date();
        int weekYear = date.year();
        const int week = date.weekNumber(&weekYear);
        Bucket bucket{
            QStringLiteral("created"), period == QLatin1String("week") ? weekYear : date.year(),
            period == QLatin1String("day") || period == QLatin1String("month") ? date.month() : 0,
            period == QLatin1String("week") ? week : 0,
            period == QLatin1String("day") ? date.day() : 0};
        ++totals[bucket];
        if (inspection.value(QLatin1String("status")).toString() == QLatin1String("finished")) {
            std::get<0>(bucket) = QStringLiteral("finished");
            ++totals[bucket];
        }
    }
    QList<QPair<Bucket, int>> ordered;
    for (auto it = totals.begin(); it != totals.end(); ++it)
        ordered.append({it.key(), it.value()});
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto &a, const auto &b) {
        return std::tie(std::get<1>(a.first), std::get<2>(a.first), std::get<3>(a.first),
                        std::get<4>(a.first), std::get<0>(a.first)) <
               std::tie(std::get<1>(b.first), std::get<2>(b.first), std::get<3>(b.first),
                        std::get<4>(b.first), std::get<0>(b.first));
    });
    QJsonArray quantities;
    for (const auto &entry : ordered)
        quantities.append(QJsonObject{{QStringLiteral("type"), std::get<0>(entry.first)},
                                      {QStringLiteral("year"), std::get<1>(entry.first)},
                                      {QStringLiteral("month"), std::get<2>(entry.first)},
                                      {QStringLiteral("week"), std::get<3>(entry.first)},
                                      {QStringLiteral("day"), std::get<4>(entry.first)},
                                      {kTotal, entry.second}});
    return ApiReply::json(quantities);
}

} // namespace

void addWorksheetRoutes(RouteTable &routes, Store &store)
{
    const QString worksheet = QLatin1String(Services::Worksheet);
    const QString get = QStringLiteral("GET");
    routes.add(get, worksheet, QStringLiteral("projects/:projectId/contactsheets_statistics"),
               forMembers(store, withStore(store, contactSheetStatistics)));
    routes.add(get, worksheet, QStringLiteral("projects/:projectId/inspects"),
               forMembers(store, withStore(store, listInspections)));
    routes.add(get, worksheet, QStringLiteral("projects/:projectId/inspects_statistics"),
               forMembers(store, withStore(store, inspectStatistics)));
    routes.add(get, worksheet, QStringLiteral("projects/:projectId/inspects_quantities_statistics"),
               forMembers(store, withStore(store, inspectQuantities)));
    routes.add(get, QLatin1String(Services::Period), QStringLiteral("velto/periods/:code"),
               [&store](const ApiRequest &r) {
                   return ApiReply::json(store.selectBy(QStringLiteral("periods"),
                                                        QStringLiteral("code"),
                                                        r.param(QStringLiteral("code"))));
               });
}
