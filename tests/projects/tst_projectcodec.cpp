#include "core/requestframe.h"
#include "projects/projectcodec.h"
#include "recordtext.h"

#include <QtTest>

// The project record as the account service sends it, the creation body and
// the search condition's "where=" text.
class TestProjectCodec : public QObject
{
    Q_OBJECT
private slots:
    // Each row parses into a record that already holds every field, so a
    // member the reply lacks shows as its default.
    void parseProject_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("every member") << QByteArray(R"({
            "_id":"p9","name":"Tower","sortName":"T","description":"high",
            "enterpriseId":"e1","circleId":"c1","location":"Berlin","paymentId":"pay1",
            "pictures":[{"fileId":"f1","url":"x"},{"fileId":"f2"}],
            "address":{"state":"DE","province":"BE","city":"Berlin","area":"Mitte","road":"Linden"},
            "adminIds":["u1","u2"],"status":2,"platforms":["pc","web"],"duration":30,
            "startAt":"2026-01-01T08:00:00.000Z","endAt":"2026-01-02T09:00:00.500Z",
            "expireAt":"2026-01-03T10:00:00.000Z","createAt":"2026-01-04T11:00:00.000Z",
            "createBy":"u1","updateAt":"2026-01-05T12:00:00.000Z","updateBy":"u2",
            "payment":{"plan":"gold"}})")
                                      << QByteArray(R"({
            "id":"p9","name":"Tower","sortName":"T","description":"high",
            "enterpriseId":"e1","circleId":"c1","location":"Berlin","paymentId":"pay1",
            "pictures":["f1","f2"],"state":"DE","province":"BE","city":"Berlin","area":"Mitte",
            "road":"Linden","adminIds":["u1","u2"],"status":2,"platforms":["pc","web"],
            "duration":30,"startAt":"2026-01-01T08:00:00.000Z","endAt":"2026-01-02T09:00:00.500Z",
            "expireAt":"2026-01-03T10:00:00.000Z","createAt":"2026-01-04T11:00:00.000Z",
            "createBy":"u1","updateAt":"2026-01-05T12:00:00.000Z","updateBy":"u2"})");
        QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("members of the wrong type") << QByteArray(R"({
            "_id":5,"name":true,"status":"3","duration":2.5,"pictures":"f1",
            "adminIds":{"u":1},"platforms":"pc","address":"somewhere","startAt":12,
            "endAt":"yesterday","createBy":null})") << QByteArray("{}");
        QTest::newRow("picture without file id, address with some members")
            << QByteArray(R"({"pictures":[{"fileId":"a"},{"url":"b"},{"fileId":"c"},"d"],
                              "address":{"city":"Rome","road":7}})")
            << QByteArray(R"({"pictures":["a","","c",""],"city":"Rome"})");
    }
    void parseProject()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHProject project;
        ::parseProject(jsonObject(R"({"_id":"old","name":"n","pictures":[{"fileId":"f0"}],
            "address":{"city":"Paris","road":"r"},"adminIds":["a"],"platforms":["p"],"status":4,
            "duration":9,"startAt":"2020-01-01T00:00:00.000Z","updateBy":"x"})"),
                       project);
        ::parseProject(jsonObject(json), project);
        QCOMPARE(project, record<VHProject>(expected));
    }

    void creationBodySendsNameDescriptionAndLocationOnly()
    {
        VHProject project;
        project.id = "p1";
        project.name = "Tower";
        project.description = "high";
        project.sortName = "not sent";
        project.status = 3;
        QCOMPARE(RequestFrame::compactJson(projectToJson(project)),
                 QString(R"({"description":"high","location":"","name":"Tower"})"));
    }

    void whereText_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("ownerType");
        QTest::addColumn<QString>("ownerId");
        QTest::addColumn<QStringList>("excludedEnterprises");
        QTest::addColumn<QStringList>("excludedCircles");
        QTest::addColumn<QString>("where"); // before "&expandPayment=true"
        const QStringList none;
        const QStringList enterprises{"e1", "e2"};
        const QStringList circles{"c1"};
        const VHProjectCondition unset;
        QTest::newRow("default condition")
            << unset.words << unset.status << unset.ownerType << unset.ownerId
            << unset.excludeEnterpriseIds << unset.excludeCircleIds << "{}";
        QTest::newRow("enterprise scope with words and status")
            << "tower" << 1 << 0 << "e1" << none << none
            << R"({"circleId":"e1","enterpriseId":"e1","status":1,"words":"tower"})";
        QTest::newRow("enterprise scope with empty id")
            << "" << -1 << 0 << "" << none << none << R"({"circleId":"","enterpriseId":""})";
        QTest::newRow("only the exact text null switches")
            << "" << -1 << 0 << "NULL" << enterprises << none
            << R"({"circleId":"NULL","enterpriseId":"NULL"})";
        QTest::newRow("no enterprise, excluded enterprises")
            << "" << -1 << 0 << "null" << enterprises << none
            << R"({"enterpriseId":{"$nin":["e1","e2"]}})";
        QTest::newRow("no enterprise, excluded circles")
            << "" << -1 << 0 << "null" << none << circles << R"({"circleId":{"$nin":["c1"]}})";
        QTest::newRow("no enterprise, nothing excluded, status 0")
            << "a b" << 0 << 0 << "null" << none << none << R"({"status":0,"words":"a b"})";
        QTest::newRow("circle scope ignores the exclusions")
            << "" << -1 << 1 << "null" << enterprises << circles << R"({"circleId":"null"})";
        QTest::newRow("no owner filter") << "" << -1 << 2 << "e1" << enterprises << circles << "{}";
        QTest::newRow("search text as it stands") << "50% off & {more}" << -1 << -1 << "" << none
                                                  << none << R"({"words":"50% off & {more}"})";
    }
    void whereText()
    {
        QFETCH(QString, words);
        QFETCH(int, status);
        QFETCH(int, ownerType);
        QFETCH(QString, ownerId);
        QFETCH(QStringList, excludedEnterprises);
        QFETCH(QStringList, excludedCircles);
        QFETCH(QString, where);
        VHProjectCondition condition;
        condition.words = words;
        condition.status = status;
        condition.ownerType = ownerType;
        condition.ownerId = ownerId;
        condition.excludeEnterpriseIds = excludedEnterprises;
        condition.excludeCircleIds = excludedCircles;
        QCOMPARE(projectConditionToWhere(condition), where + "&expandPayment=true");
    }
};

QTEST_GUILESS_MAIN(TestProjectCodec)
#include "tst_projectcodec.moc"
