#include "worksheetservice.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"
#include "entities/querybuilder.h"
#include "entities/statistics/statisticscodec.h"

using namespace RequestFrame;
using JsonField::integer;
using JsonField::text;

namespace {

const QLatin1String finished("finished");

// The elements of the "items" array of `object`, each read as an object.
const QList<QJsonObject> items(const QJsonObject &object)
{
    return JsonField::objects(object, "items");
}

} // namespace

namespace WorksheetService {

bool getContactSheetStatistics(int &unfinished)
{
    const Exchange reply =
        Exchange::get(url(Service::Worksheet,
                          "projects/%1/contactsheets_statistics"
                          "?dimensions=[\"status\"]&personal=true&needApply=true",
                          currentProjectId()));
    for (const QJsonObject &item : items(reply.object())) {
        if (text(item, "status") != finished)
            unfinished += integer(item, "total");
    }
    return reply.isSuccessful();
}

bool getInspectCount(const QString &category, int &count, QList<QDate> &deadlines)
{
    const QJsonObject where{{QStringLiteral("status"),
                             makeInClause(QStringList{QStringLiteral("1"), QStringLiteral("2"),
                                                      QStringLiteral("3"), QStringLiteral("4")})}};
    const Exchange reply =
        Exchange::get(url(Service::Worksheet, "projects/%1/inspects?where=%2&category=%3",
                          currentProjectId(), compactJson(where), category));
    const QList<QJsonObject> inspects = reply.objectList();
    count = inspects.size();
    for (const QJsonObject &inspect : inspects)
        deadlines.append(JsonField::dateTime(inspect, "deadline").date());
    return reply.isSuccessful();
}

bool getInspectStatistics(const QString &category, int &total, int &delayed)
{
    const Exchange reply =
        Exchange::get(url(Service::Worksheet,
                          "projects/%1/inspects_statistics"
                          "?personal=true&dimensions=[\"status\",\"situation\"]&category=%2",
                          currentProjectId(), category));
    for (const QJsonObject &status : items(reply.object())) {
        if (text(status, "status") == finished)
            continue;
        for (const QJsonObject &situation : items(status)) {
            const int quantity = integer(situation, "total");
            total += quantity;
            if (text(situation, "situation") == QLatin1String("delay"))
                delayed += quantity;
        }
    }
    return reply.isSuccessful();
}

bool getInspectQuantities(QList<VHStatisticsQuantity> &quantities, const QString &category,
                          const QString &period)
{
    const Exchange reply = Exchange::get(
        url(Service::Worksheet,
            "projects/%1/inspects_quantities_statistics?category=%2&personal=true&period=%3",
            currentProjectId(), category, period));
    for (const QJsonObject &bucket : reply.objectList())
        quantities.append(parseStatisticsQuantity(bucket));
    return reply.isSuccessful();
}

} // namespace WorksheetService
