#include "core/requestframe.h"
#include "entities/entitycodec.h"
#include "entities/querybuilder.h"
#include "recordtext.h"

#include "VHSoftBase.h"

#include <QtTest>

Q_DECLARE_METATYPE(VHEntityCondition)

using RequestFrame::compactJson;

namespace {

QDateTime utc(int year, int month, int day, int hour = 0, int minute = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

// A condition that selects the trees of `json`, written as the service sends
// trees, with "whole" for a whole model.
VHEntityCondition onModels(const QByteArray &json)
{
    VHEntityCondition condition;
    condition.allModels = false;
    for (const QJsonValue &element : QJsonDocument::fromJson(json).array()) {
        VHEntityTree tree;
        parseEntityTree(element.toObject(), tree);
        tree.wholeModel = element.toObject().value("whole").toBool();
        condition.models.append(tree);
    }
    return condition;
}

} // namespace

// Entity, entity-tree and property JSON as the model service sends it,
// including members it leaves out or sends with another type, and the query
// documents of the entity and extended-property searches. Every parse row
// parses into a record that already holds values, so a member the reply
// lacks shows as its default.
class TestEntityCodec : public QObject
{
    Q_OBJECT
private slots:
    // The caller's flag and text and the read-by-id domain text survive: the
    // expected record always holds them.
    void parseEntity_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("every member")
            << QByteArray(R"({"_id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2","projectId":"p1"})")
            << QByteArray(R"({"id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2"})");
        QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("wrong types")
            << QByteArray(R"({"_id":1,"uuid":null,"model":{},"modelId":[],"qrCode":true,
                "printed":"true","name":2,"entityId":1042,"floor":{"name":"F2"},
                "domain":"A1","category":"12","printedAt":1709208000,"printedBy":["u2"]})")
            << QByteArray("{}");
    }
    void parseEntity()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHEntity entity;
        ::parseEntity(jsonObject(R"({"_id":"stale","printed":true,"domain":9,"printedBy":"x"})"),
                      entity);
        entity.clientFlag = true;
        entity.clientText = "mine";
        entity.domainText = "A1";
        ::parseEntity(jsonObject(json), entity);
        VHEntity parsed = record<VHEntity>(expected);
        parsed.clientFlag = true;
        parsed.clientText = "mine";
        parsed.domainText = "A1";
        QCOMPARE(entity, parsed);
    }

    // Three members, empty ones as null; the project is the current one.
    void entityBody()
    {
        VHEntity entity;
        ::parseEntity(jsonObject(R"({"_id":"e1","name":"not sent","printed":true})"), entity);
        entity.uuid = "g1";
        entity.modelId = "m1";
        GetSoftCache()->setCurrentProjectId("p1");
        QCOMPARE(compactJson(entityToJson(entity)),
                 QString(R"({"modelId":"m1","projectId":"p1","uuid":"g1"})"));
        GetSoftCache()->setCurrentProjectId(QString());
        QCOMPARE(compactJson(entityToJson(VHEntity())),
                 QString(R"({"modelId":null,"projectId":null,"uuid":null})"));
    }

    // The reply replaces the floors but not the selection flag, which the
    // expected tree always holds.
    void parseEntityTree_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("floors, domains, categories")
            << QByteArray(R"({"modelId":"m1","group":true,"floors":[
                {"floor":"F1","domains":[{"domain":2,"categories":[{"category":5},{"category":7}]},
                                         {"domain":3}]},
                {"floor":"F2","domains":[]}]})")
            << QByteArray(R"({"modelId":"m1","group":true,"floors":[
                {"floor":"F1","domains":[{"domain":2,"categories":[5,7]},{"domain":3}]},
                {"floor":"F2"}]})");
        QTest::newRow("categories as bare numbers")
            << QByteArray(R"({"modelId":"m1","floors":[{"floor":"F1",
                "domains":[{"domain":2,"categories":[5,7]}]}]})")
            << QByteArray(R"({"modelId":"m1","floors":[{"floor":"F1",
                "domains":[{"domain":2,"categories":[0,0]}]}]})");
        QTest::newRow("floors as an object")
            << QByteArray(R"({"modelId":"m1","floors":{"floor":"F1"}})")
            << QByteArray(R"({"modelId":"m1"})");
        QTest::newRow("elements that are not objects")
            << QByteArray(R"({"modelId":"m1","floors":["F1",{"floor":"F2","domains":[2]}]})")
            << QByteArray(R"({"modelId":"m1","floors":[{},{"floor":"F2","domains":[{}]}]})");
        QTest::newRow("wrong scalar types")
            << QByteArray(R"({"modelId":1,"group":"true","floors":[{"floor":3,
                "domains":[{"domain":"2","categories":[{"category":"5"}]}]}]})")
            << QByteArray(R"({"floors":[{"domains":[{"categories":[0]}]}]})");
    }
    void parseEntityTree()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHEntityTree tree;
        ::parseEntityTree(jsonObject(R"({"modelId":"old","group":true,"floors":[{"floor":"X"}]})"),
                          tree);
        tree.wholeModel = true;
        ::parseEntityTree(jsonObject(json), tree);
        VHEntityTree parsed = record<VHEntityTree>(expected);
        parsed.wholeModel = true;
        QCOMPARE(tree, parsed);
    }

    void parseEntityPropertyVersion_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("every member, category read from group")
            << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"group":"Size","key":"Length","value":"4.2"},
                {"group":"Id","category":"ignored","key":"Mark","value":7}]})")
            << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"category":"Size","key":"Length","value":"4.2"},
                {"category":"Id","key":"Mark"}]})");
        QTest::newRow("empty object") << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("wrong types")
            << QByteArray(R"({"name":1,"entityId":"1042","floor":null,"category":true,
                "domain":[3],"properties":{"group":"Size"}})")
            << QByteArray("{}");
        QTest::newRow("property that is not an object")
            << QByteArray(R"({"properties":["Length"]})") << QByteArray(R"({"properties":[{}]})");
    }
    void parseEntityPropertyVersion()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHEntityPropertyVersion version;
        ::parseEntityPropertyVersion(
            jsonObject(R"({"name":"stale","properties":[{"group":"Old","key":"k"}]})"), version);
        ::parseEntityPropertyVersion(jsonObject(json), version);
        QCOMPARE(version, record<VHEntityPropertyVersion>(expected));
    }

    // A property's group travels as "category" here; empty texts as texts.
    void properties()
    {
        QCOMPARE(parseProperty(jsonObject(R"({"category":"Size","key":"L","value":"4"})")),
                 (VHProperty{"Size", "L", "4"}));
        QCOMPARE(parseProperty(jsonObject(R"({"group":"Size","key":"n","value":4.2})")),
                 (VHProperty{"", "n", ""}));
        QCOMPARE(compactJson(propertyToJson(VHProperty{"Size", "L", "4"})),
                 QString(R"({"category":"Size","key":"L","value":"4"})"));
        QCOMPARE(compactJson(propertyToJson(VHProperty())),
                 QString(R"({"category":"","key":"","value":""})"));
    }

    void entitySearch_data()
    {
        QTest::addColumn<VHEntityCondition>("condition");
        QTest::addColumn<QString>("expected");

        VHEntityCondition example = onModels(R"([{"modelId":"m1","group":true,"floors":[
            {"floor":"F1","domains":[{"domain":2,"categories":[{"category":5},{"category":7}]}]}]}])");
        example.allPrintedAt = false;
        example.printedFrom = utc(2024, 3, 1);
        example.printedTo = utc(2024, 3, 31);
        example.name = "beam";
        example.allPrintedBy = false;
        example.printedBy = QStringList{"u1", "u2"};
        example.printed = true;
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
            << onModels(R"([{"modelId":"m1"},{"modelId":"m2"}])") << R"({"modelId":null})";
        QTest::newRow("whole model ignores group and floors")
            << onModels(R"([{"modelId":"m1","whole":true,"group":true,"floors":[{"floor":"F1"}]}])")
            << R"({"$or":[{"modelId":"m1"}]})";
        QTest::newRow("group and two floors")
            << onModels(
                   R"([{"modelId":"m1","group":true,"floors":[{"floor":"F1"},{"floor":"F2"}]}])")
            << R"({"$or":[{"group":true,"modelId":"m1"},{"floor":"F1","group":false,"modelId":"m1"},)"
               R"({"floor":"F2","group":false,"modelId":"m1"}]})";
        QTest::newRow("domains with and without categories, models in order")
            << onModels(R"([{"modelId":"m2","floors":[{"floor":"B1","domains":[{"domain":1},
                {"domain":4,"categories":[{"category":9}]}]}]},{"modelId":"m1","whole":true}])")
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

QTEST_GUILESS_MAIN(TestEntityCodec)
#include "tst_entitycodec.moc"
