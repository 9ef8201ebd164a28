#include "core/requestframe.h"
#include "entities/querybuilder.h"

#include <QtTest>

Q_DECLARE_METATYPE(VHEntityCondition)

using RequestFrame::compactJson;

namespace {

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

VHEntityTreeDomain domain(int number, const QList<int> &categories = {})
{
    VHEntityTreeDomain d;
    d.domain = number;
    d.categories = categories;
    return d;
}

VHEntityTreeFloor floor(const QString &name, const QList<VHEntityTreeDomain> &domains = {})
{
    VHEntityTreeFloor f;
    f.floor = name;
    f.domains = domains;
    return f;
}

VHEntityTree tree(const QString &modelId, bool wholeModel, bool group,
                  const QList<VHEntityTreeFloor> &floors = {})
{
    VHEntityTree t;
    t.modelId = modelId;
    t.wholeModel = wholeModel;
    t.group = group;
    t.floors = floors;
    return t;
}

VHEntityCondition onModels(const QList<VHEntityTree> &models)
{
    VHEntityCondition condition;
    condition.allModels = false;
    condition.models = models;
    return condition;
}

} // namespace

// The query documents of the entity and extended-property searches, and how
// they travel in a URL.
class TestQueryBuilder : public QObject
{
    Q_OBJECT
private slots:
    void entitySearch_data()
    {
        QTest::addColumn<VHEntityCondition>("condition");
        QTest::addColumn<QString>("expected");

        VHEntityCondition example;
        example.allPrintedAt = false;
        example.printedFrom = utc(2024, 3, 1);
        example.printedTo = utc(2024, 3, 31);
        example.name = "beam";
        example.allPrintedBy = false;
        example.printedBy = QStringList{"u1", "u2"};
        example.printed = true;
        example.allModels = false;
        example.models = {tree("m1", false, true, {floor("F1", {domain(2, {5, 7})})})};
        QTest::newRow("every filter")
            << example
            << R"({"$or":[{"group":true,"modelId":"m1"},{"category":{"$in":[5,7]},"domain":2,)"
               R"("floor":"F1","group":false,"modelId":"m1"}],"name":{"$options":"i","$regex":"beam"},)"
               R"("printed":true,"printedAt":{"$gte":"2024-03-01T00:00:00.000Z",)"
               R"("$lt":"2024-04-01T00:00:00.000Z"},"printedBy":{"$in":["u1","u2"]}})";

        QTest::newRow("no filter") << VHEntityCondition() << "{}";

        VHEntityCondition lateInTheDay;
        lateInTheDay.allPrintedAt = false;
        lateInTheDay.printedFrom = utc(2023, 12, 31, 8, 30);
        lateInTheDay.printedTo = utc(2023, 12, 31, 23, 45);
        QTest::newRow("range ends a day after, same time")
            << lateInTheDay
            << R"({"printedAt":{"$gte":"2023-12-31T08:30:00.000Z","$lt":"2024-01-01T23:45:00.000Z"}})";

        VHEntityCondition regex;
        regex.name = "B.7 [east]*";
        QTest::newRow("name is a regular expression as it stands")
            << regex << R"({"name":{"$options":"i","$regex":"B.7 [east]*"}})";

        VHEntityCondition nobody;
        nobody.allPrintedBy = false;
        QTest::newRow("printed by nobody") << nobody << R"({"printedBy":{"$in":[]}})";

        QTest::newRow("trees that select nothing")
            << onModels({tree("m1", false, false), tree("m2", false, false)})
            << R"({"modelId":null})";
        QTest::newRow("whole model ignores group and floors")
            << onModels({tree("m1", true, true, {floor("F1")})}) << R"({"$or":[{"modelId":"m1"}]})";
        QTest::newRow("group and two floors")
            << onModels({tree("m1", false, true, {floor("F1"), floor("F2")})})
            << R"({"$or":[{"group":true,"modelId":"m1"},{"floor":"F1","group":false,"modelId":"m1"},)"
               R"({"floor":"F2","group":false,"modelId":"m1"}]})";
        QTest::newRow("domains with and without categories, models in order")
            << onModels({tree("m2", false, false, {floor("B1", {domain(1), domain(4, {9})})}),
                         tree("m1", true, false)})
            << R"({"$or":[{"domain":1,"floor":"B1","group":false,"modelId":"m2"},)"
               R"({"category":{"$in":[9]},"domain":4,"floor":"B1","group":false,"modelId":"m2"},)"
               R"({"modelId":"m1"}]})";
    }
    void entitySearch()
    {
        QFETCH(VHEntityCondition, condition);
        QFETCH(QString, expected);
        QCOMPARE(entityConditionToQuery(condition), expected);
    }

    void propertySearch()
    {
        QCOMPARE(
            compactJson(propertySearchQuery("A.1", true)),
            QString(
                R"({"$or":[{"properties.key":"A.1"},{"properties.value":"A.1"},{"properties.category":"A.1"}]})"));
        QCOMPARE(compactJson(propertySearchQuery("A.1", false)),
                 QString(R"({"$or":[{"properties.key":{"$options":"i","$regex":"A.1"}},)"
                         R"({"properties.value":{"$options":"i","$regex":"A.1"}},)"
                         R"({"properties.category":{"$options":"i","$regex":"A.1"}}]})"));
    }

    void uuidDocuments()
    {
        QCOMPARE(compactJson(uuidQuery({"g1", ""})), QString(R"({"uuid":{"$in":["g1",null]}})"));
        QCOMPARE(compactJson(entityUuidQuery("m1", {"g1"})),
                 QString(R"({"modelId":"m1","uuid":{"$in":["g1"]}})"));
        // The model id is always text, unlike the uuids.
        QCOMPARE(compactJson(entityUuidQuery("", {})),
                 QString(R"({"modelId":"","uuid":{"$in":[]}})"));
    }

    // A query document travels percent-encoded as a whole, commas included,
    // whether it is given as text or as an object.
    void queryParamEncodesTheWholeDocument()
    {
        QCOMPARE(queryParam(entityUuidQuery("m1", {"a", "b"})),
                 QString("%7B%22modelId%22%3A%22m1%22%2C%22uuid%22%3A%7B%22%24in%22%3A%5B%22a%22"
                         "%2C%22b%22%5D%7D%7D"));
        QCOMPARE(queryParam(R"({"a":1})"), queryParam(QJsonObject{{"a", 1}}));
    }
};

QTEST_GUILESS_MAIN(TestQueryBuilder)
#include "tst_querybuilder.moc"
