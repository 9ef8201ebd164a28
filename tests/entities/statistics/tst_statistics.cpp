#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include <QtTest>

namespace {

const QString contactSheetsPath = apiPath("worksheet-service/projects/p1/contactsheets_statistics");
const QString inspectsPath = apiPath("worksheet-service/projects/p1/inspects");
const QString inspectStatisticsPath = apiPath("worksheet-service/projects/p1/inspects_statistics");
const QString quantitiesPath =
    apiPath("worksheet-service/projects/p1/inspects_quantities_statistics");

} // namespace

// The work-sheet figures: what is asked of the server and what the caller's
// arguments hold afterwards.
class TestStatistics : public FacadeTest
{
    Q_OBJECT
private slots:
    void requestsSent()
    {
        int number = 0;
        facade().getContactSheetStatistics(number);
        facade().getInspectCount("c1", number, ignored<QList<QDate>>());
        facade().getInspectStatistics("c1", number, ignored<int>());
        facade().getInspectQuantities(ignored<QList<VHStatisticsQuantity>>(), "c1", "month");
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                R"(GET worksheet-service/projects/p1/contactsheets_statistics?dimensions=["status"]&personal=true&needApply=true)",
                R"(GET worksheet-service/projects/p1/inspects?where={"status":{"$in":["1","2","3","4"]}}&category=c1)",
                R"(GET worksheet-service/projects/p1/inspects_statistics?personal=true&dimensions=["status","situation"]&category=c1)",
                R"(GET worksheet-service/projects/p1/inspects_quantities_statistics?category=c1&personal=true&period=month)",
            }));
    }

    // Unfinished sheets are added up, also from a failed reply; items that
    // are no array add nothing.
    void contactSheets()
    {
        m_server.once("GET", contactSheetsPath, ScriptedReply::text(R"({"items":[
            {"status":"finished","total":5},{"status":"open","total":2},{"total":3},
            {"status":"open"},7]})"));
        m_server.once("GET", contactSheetsPath,
                      ScriptedReply::text(R"({"items":[{"total":4}]})", 500));
        m_server.once("GET", contactSheetsPath, ScriptedReply::text(R"({"items":{"total":4}})"));
        int unfinished = 1;
        QVERIFY(facade().getContactSheetStatistics(unfinished));
        QCOMPARE(unfinished, 6);
        QVERIFY(!facade().getContactSheetStatistics(unfinished));
        QVERIFY(facade().getContactSheetStatistics(unfinished));
        QCOMPARE(unfinished, 10);
    }

    // Totals and delays of the unfinished inspections are added up.
    void inspectStatistics()
    {
        m_server.on("GET", inspectStatisticsPath, ScriptedReply::text(R"({"items":[
            {"status":"finished","items":[{"total":9,"situation":"delay"}]},
            {"status":"1","items":[{"total":2,"situation":"delay"},{"total":3,"situation":"ok"}]},
            {"status":"2"},
            {"items":[{"total":1,"situation":"Delay"}]}]})"));
        int total = 0;
        int delayed = 0;
        QVERIFY(facade().getInspectStatistics("c1", total, delayed));
        QCOMPARE(QPoint(total, delayed), QPoint(6, 2));
        QVERIFY(facade().getInspectStatistics("c1", total, delayed));
        QCOMPARE(QPoint(total, delayed), QPoint(12, 4));
    }

    // The count is the reply's, a failed one included; deadlines are added.
    void inspectCount()
    {
        m_server.once("GET", inspectsPath, ScriptedReply::text(R"([
            {"deadline":"2024-03-05T10:00:00.000Z"},{},{"deadline":5}])"));
        m_server.once("GET", inspectsPath, ScriptedReply::text("<html>", 500));
        int count = 9;
        QList<QDate> deadlines{QDate(2000, 1, 1)};
        QVERIFY(facade().getInspectCount("c1", count, deadlines));
        QCOMPARE(count, 3);
        QCOMPARE(deadlines, QList<QDate>({QDate(2000, 1, 1), QDate(2024, 3, 5), QDate(), QDate()}));
        QVERIFY(!facade().getInspectCount("c1", count, deadlines));
        QCOMPARE(count, 0);
        QCOMPARE(deadlines.size(), 4);
    }

    void inspectQuantities()
    {
        m_server.once("GET", quantitiesPath, ScriptedReply::text(R"([
            {"type":"done","year":2024,"month":3,"week":10,"day":5,"total":8}])"));
        QList<VHStatisticsQuantity> quantities{VHStatisticsQuantity()};
        QVERIFY(facade().getInspectQuantities(quantities, "c1", "week"));
        QCOMPARE(quantities, records<VHStatisticsQuantity>(R"([{},
            {"type":"done","year":2024,"month":3,"week":10,"day":5,"total":8}])"));
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
