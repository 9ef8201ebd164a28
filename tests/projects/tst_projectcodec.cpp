#include "projecttesting.h"

#include "projects/projectcodec.h"

#include <QJsonDocument>
#include <QtTest>

Q_DECLARE_METATYPE(VHProject)

namespace {

QString dateText(const QDateTime &dateTime)
{
    return dateTime.isNull() ? QStringLiteral("null") : dateTime.toString(Qt::ISODateWithMs);
}

// Every field, one per line, so that a mismatch names the field.
QString projectText(const VHProject &p)
{
    const QStringList lines{
        "id=" + p.id,
        "name=" + p.name,
        "sortName=" + p.sortName,
        "description=" + p.description,
        "enterpriseId=" + p.enterpriseId,
        "circleId=" + p.circleId,
        "location=" + p.location,
        "paymentId=" + p.paymentId,
        "pictures=[" + p.pictures.join('|') + ']',
        "state=" + p.state,
        "province=" + p.province,
        "city=" + p.city,
        "area=" + p.area,
        "road=" + p.road,
        "adminIds=[" + p.adminIds.join('|') + ']',
        "status=" + QString::number(p.status),
        "platforms=[" + p.platforms.join('|') + ']',
        "duration=" + QString::number(p.duration),
        "startAt=" + dateText(p.startAt),
        "endAt=" + dateText(p.endAt),
        "expireAt=" + dateText(p.expireAt),
        "createAt=" + dateText(p.createAt),
        "createBy=" + p.createBy,
        "updateAt=" + dateText(p.updateAt),
        "updateBy=" + p.updateBy,
    };
    return lines.join('\n');
}

QDateTime utc(int day, int hour, int msec = 0)
{
    return QDateTime(QDate(2026, 1, day), QTime(hour, 0, 0, msec), Qt::UTC);
}

} // namespace

// The project record as the account service sends it, the creation body and
// the search condition's "where=" text.
class TestProjectCodec : public QObject
{
    Q_OBJECT
private slots:
    void parseProject_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<VHProject>("expected");

        QTest::newRow("empty object") << QByteArray("{}") << VHProject();

        VHProject full;
        full.id = "p9";
        full.name = "Tower";
        full.sortName = "T";
        full.description = "high";
        full.enterpriseId = "e1";
        full.circleId = "c1";
        full.location = "Berlin";
        full.paymentId = "pay1";
        full.pictures = QStringList{"f1", "f2"};
        full.state = "DE";
        full.province = "BE";
        full.city = "Berlin";
        full.area = "Mitte";
        full.road = "Unter den Linden";
        full.adminIds = QStringList{"u1", "u2"};
        full.status = 2;
        full.platforms = QStringList{"pc", "web"};
        full.duration = 30;
        full.startAt = utc(1, 8);
        full.endAt = utc(2, 9, 500);
        full.expireAt = utc(3, 10);
        full.createAt = utc(4, 11);
        full.createBy = "u1";
        full.updateAt = utc(5, 12);
        full.updateBy = "u2";
        QTest::newRow("every member") << QByteArray(R"({
            "_id":"p9","name":"Tower","sortName":"T","description":"high",
            "enterpriseId":"e1","circleId":"c1","location":"Berlin","paymentId":"pay1",
            "pictures":[{"fileId":"f1","url":"x"},{"fileId":"f2"}],
            "address":{"state":"DE","province":"BE","city":"Berlin","area":"Mitte",
                       "road":"Unter den Linden"},
            "adminIds":["u1","u2"],"status":2,"platforms":["pc","web"],"duration":30,
            "startAt":"2026-01-01T08:00:00.000Z","endAt":"2026-01-02T09:00:00.500Z",
            "expireAt":"2026-01-03T10:00:00.000Z","createAt":"2026-01-04T11:00:00.000Z",
            "createBy":"u1","updateAt":"2026-01-05T12:00:00.000Z","updateBy":"u2",
            "payment":{"plan":"gold"}})")
                                      << full;

        VHProject pictures;
        pictures.pictures = QStringList{"a", "", "c", ""};
        QTest::newRow("picture without file id")
            << QByteArray(R"({"pictures":[{"fileId":"a"},{"url":"b"},{"fileId":"c"},"d"]})")
            << pictures;

        QTest::newRow("members of the wrong type") << QByteArray(R"({
            "_id":5,"name":true,"status":"3","duration":2.5,"pictures":"f1",
            "adminIds":{"u":1},"platforms":"pc","address":"somewhere","startAt":12,
            "endAt":"yesterday","createBy":null})") << VHProject();

        VHProject address;
        address.city = "Rome";
        QTest::newRow("address with some members")
            << QByteArray(R"({"address":{"city":"Rome","road":7}})") << address;
    }
    void parseProject()
    {
        QFETCH(QByteArray, json);
        QFETCH(VHProject, expected);
        VHProject parsed;
        ::parseProject(objectFrom(json), parsed);
        QCOMPARE(projectText(parsed), projectText(expected));
    }

    void parsingAgainReplacesEveryField()
    {
        VHProject project;
        ::parseProject(objectFrom(R"({"_id":"a","pictures":[{"fileId":"f1"}],"adminIds":["u1"],
                                      "platforms":["pc"],"address":{"city":"Rome"},"status":4})"),
                       project);
        ::parseProject(objectFrom(R"({"pictures":[{"fileId":"f2"}]})"), project);
        VHProject expected;
        expected.pictures = QStringList{"f2"};
        QCOMPARE(projectText(project), projectText(expected));
    }

    void creationBody_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("body");
        QTest::newRow("all set") << "Tower"
                                 << "high"
                                 << "Berlin"
                                 << R"({"description":"high","location":"Berlin","name":"Tower"})";
        QTest::newRow("empty fields are still sent")
            << "Tower"
            << ""
            << ""
            << R"({"description":"","location":"","name":"Tower"})";
    }
    void creationBody()
    {
        QFETCH(QString, name);
        QFETCH(QString, description);
        QFETCH(QString, location);
        QFETCH(QString, body);
        VHProject project;
        project.id = "p1";
        project.name = name;
        project.description = description;
        project.location = location;
        project.sortName = "not sent";
        project.status = 3;
        QCOMPARE(
            QString::fromUtf8(QJsonDocument(projectToJson(project)).toJson(QJsonDocument::Compact)),
            body);
    }

    void whereText_data()
    {
        QTest::addColumn<QString>("words");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("ownerType");
        QTest::addColumn<QString>("ownerId");
        QTest::addColumn<QStringList>("excludedEnterprises");
        QTest::addColumn<QStringList>("excludedCircles");
        QTest::addColumn<QString>("where");
        const QStringList none;
        const QStringList enterprises{"e1", "e2"};
        const QStringList circles{"c1"};

        QTest::newRow("enterprise scope with words and status")
            << "tower" << 1 << 0 << "e1" << none << none
            << R"({"circleId":"e1","enterpriseId":"e1","status":1,"words":"tower"}&expandPayment=true)";
        QTest::newRow("no enterprise, excluded enterprises")
            << "" << -1 << 0 << "null" << enterprises << none
            << R"({"enterpriseId":{"$nin":["e1","e2"]}}&expandPayment=true)";
        QTest::newRow("circle scope")
            << "" << -1 << 1 << "c7" << none << none << R"({"circleId":"c7"}&expandPayment=true)";
        QTest::newRow("no owner filter")
            << "" << -1 << 2 << "e1" << enterprises << circles << R"({}&expandPayment=true)";
        QTest::newRow("enterprise scope with empty id")
            << "" << -1 << 0 << "" << none << none
            << R"({"circleId":"","enterpriseId":""}&expandPayment=true)";
        QTest::newRow("no enterprise and nothing excluded")
            << "a b" << 0 << 0 << "null" << none << none
            << R"({"status":0,"words":"a b"}&expandPayment=true)";
        QTest::newRow("no enterprise, excluded circles only")
            << "" << -1 << 0 << "null" << none << circles
            << R"({"circleId":{"$nin":["c1"]}}&expandPayment=true)";
        QTest::newRow("no enterprise, both exclusions")
            << "" << -1 << 0 << "null" << enterprises << circles
            << R"({"circleId":{"$nin":["c1"]},"enterpriseId":{"$nin":["e1","e2"]}}&expandPayment=true)";
        QTest::newRow("only the exact text null switches")
            << "" << -1 << 0 << "NULL" << enterprises << none
            << R"({"circleId":"NULL","enterpriseId":"NULL"}&expandPayment=true)";
        QTest::newRow("circle scope ignores the exclusions")
            << "" << -1 << 1 << "null" << enterprises << circles
            << R"({"circleId":"null"}&expandPayment=true)";
        QTest::newRow("search text as it stands")
            << "50% off & {more}" << -1 << -1 << "" << none << none
            << R"({"words":"50% off & {more}"}&expandPayment=true)";
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
        QCOMPARE(projectConditionToWhere(condition), where);
    }

    void defaultConditionFiltersNothing()
    {
        QCOMPARE(projectConditionToWhere(VHProjectCondition()),
                 QStringLiteral("{}&expandPayment=true"));
    }
};

QTEST_GUILESS_MAIN(TestProjectCodec)
#include "tst_projectcodec.moc"
