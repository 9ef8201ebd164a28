#include "facadeprobe.h"
#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include "VHSoftBase.h"
#include "core/requestframe.h"
#include "entities/entitycodec.h"
#include "entities/querybuilder.h"

#include <QtTest>

using RequestFrame::compactJson;

namespace {

const QString entitiesPath = apiPath("model-service/projects/p1/entities");
const QString extendPath = apiPath("model-service/projects/p1/extend_properties");
const QString displayPath = apiPath("model-service/entitySettings/p1");

} // namespace

// Entities, entity trees and properties: their codec and query documents,
// the facade's entity, extended-property and display operations: what goes
// over the wire, what the caller's arguments hold afterwards and how the
// facade's caches move.
class TestEntities : public FacadeTest
{
    Q_OBJECT
private slots:
    // Each row parses into a record that already holds values. An entity
    // keeps the caller's flag and text and the read-by-id domain text; a tree
    // keeps its selection flag but not its floors.
    void parse_data()
    {
        addParseColumns();
        const ParseCheck entity = parsing(::parseEntity, R"({"id":"stale","printed":true,
            "domain":9,"printedBy":"x","clientFlag":true,"clientText":"mine","domainText":"A1"})");
        QTest::newRow("entity, every member")
            << entity << QByteArray(R"({"_id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2","projectId":"p1"})")
            << QByteArray(R"({"id":"e1","uuid":"g1","model":"Tower","modelId":"m1",
                "qrCode":"QR-1","printed":true,"name":"Beam 7","entityId":"1042","floor":"F2",
                "domain":3,"category":12,"printedAt":"2024-02-29T12:00:00.000Z",
                "printedBy":"u2","clientFlag":true,"clientText":"mine","domainText":"A1"})");
        QTest::newRow("entity, empty object")
            << entity << QByteArray("{}")
            << QByteArray(R"({"clientFlag":true,"clientText":"mine","domainText":"A1"})");

        const ParseCheck tree = parsing(::parseEntityTree, R"({"modelId":"old","group":true,
            "wholeModel":true,"floors":[{"floor":"X"}]})");
        QTest::newRow("tree, floors, domains, categories")
            << tree << QByteArray(R"({"modelId":"m1","group":true,"floors":[
                {"floor":"F1","domains":[{"domain":2,"categories":[{"category":5},{"category":7}]},
                                         {"domain":3}]},
                {"floor":"F2","domains":[]}]})")
            << QByteArray(R"({"modelId":"m1","group":true,"wholeModel":true,"floors":[
                {"floor":"F1","domains":[{"domain":2,"categories":[5,7]},{"domain":3}]},
                {"floor":"F2"}]})");
        QTest::newRow("tree, categories as bare numbers")
            << tree << QByteArray(R"({"modelId":"m1","floors":[{"floor":"F1",
                "domains":[{"domain":2,"categories":[5,7]}]}]})")
            << QByteArray(R"({"modelId":"m1","wholeModel":true,"floors":[{"floor":"F1",
                "domains":[{"domain":2,"categories":[0,0]}]}]})");
        QTest::newRow("tree, elements that are not objects")
            << tree
            << QByteArray(R"({"modelId":"m1","floors":["F1",{"floor":"F2","domains":[2]}]})")
            << QByteArray(R"({"modelId":"m1","wholeModel":true,
                              "floors":[{},{"floor":"F2","domains":[{}]}]})");

        const ParseCheck version =
            parsing(::parseEntityPropertyVersion,
                    R"({"name":"stale","properties":[{"category":"Old","key":"k"}]})");
        QTest::newRow("version, every member, category read from group")
            << version << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"group":"Size","key":"Length","value":"4.2"},
                {"group":"Id","category":"ignored","key":"Mark","value":7}]})")
            << QByteArray(R"({"name":"Beam","entityId":1042,"floor":"F1","category":12,
                "domain":3,"properties":[{"category":"Size","key":"Length","value":"4.2"},
                {"category":"Id","key":"Mark"}]})");
        QTest::newRow("version, empty object") << version << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("version, property that is not an object")
            << version << QByteArray(R"({"properties":["Length"]})")
            << QByteArray(R"({"properties":[{}]})");
    }
    void parse() { checkParseRow(); }

    // Without a current project the entity body names none either.
    void entityBody()
    {
        GetSoftCache()->setCurrentProjectId(QString());
        QCOMPARE(compactJson(entityToJson(VHEntity())),
                 QString(R"({"modelId":null,"projectId":null,"uuid":null})"));
    }

    // A property's group travels as "category" here, unlike in a version.
    void parseProperty()
    {
        QCOMPARE(::parseProperty(jsonObject(R"({"category":"Size","key":"L","value":"4"})")),
                 (VHProperty{"Size", "L", "4"}));
        QCOMPARE(::parseProperty(jsonObject(R"({"group":"Size","key":"n","value":4.2})")),
                 (VHProperty{"", "n", ""}));
    }

    // Each row: a search condition, written by field, and its query document.
    void entitySearch_data()
    {
        QTest::addColumn<QByteArray>("condition");
        QTest::addColumn<QString>("expected");
        QTest::newRow("every filter")
            << QByteArray(R"({"allModels":false,"models":[{"modelId":"m1","group":true,
                "floors":[{"floor":"F1","domains":[{"domain":2,"categories":[5,7]}]}]}],
                "allPrintedAt":false,"printedFrom":"2024-03-01T00:00:00.000Z",
                "printedTo":"2024-03-31T00:00:00.000Z","name":"beam","allPrintedBy":false,
                "printedBy":["u1","u2"],"printed":true})")
            << R"({"$or":[{"group":true,"modelId":"m1"},{"category":{"$in":[5,7]},"domain":2,)"
               R"("floor":"F1","group":false,"modelId":"m1"}],"name":{"$options":"i","$regex":"beam"},)"
               R"("printed":true,"printedAt":{"$gte":"2024-03-01T00:00:00.000Z",)"
               R"("$lt":"2024-04-01T00:00:00.000Z"},"printedBy":{"$in":["u1","u2"]}})";
        QTest::newRow("no filter") << QByteArray("{}") << "{}";
        QTest::newRow("range ends a day after, same time")
            << QByteArray(R"({"allPrintedAt":false,"printedFrom":"2023-12-31T08:30:00.000Z",
                              "printedTo":"2023-12-31T23:45:00.000Z"})")
            << R"({"printedAt":{"$gte":"2023-12-31T08:30:00.000Z","$lt":"2024-01-01T23:45:00.000Z"}})";
        QTest::newRow("name is a regular expression as it stands")
            << QByteArray(R"({"name":"B.7 [east]*"})")
            << R"({"name":{"$options":"i","$regex":"B.7 [east]*"}})";
        QTest::newRow("printed by nobody")
            << QByteArray(R"({"allPrintedBy":false})") << R"({"printedBy":{"$in":[]}})";
        QTest::newRow("trees that select nothing")
            << QByteArray(R"({"allModels":false,"models":[{"modelId":"m1"},{"modelId":"m2"}]})")
            << R"({"modelId":null})";
        QTest::newRow("whole model ignores group and floors")
            << QByteArray(R"({"allModels":false,"models":[{"modelId":"m1","wholeModel":true,
                              "group":true,"floors":[{"floor":"F1"}]}]})")
            << R"({"$or":[{"modelId":"m1"}]})";
        QTest::newRow("group and two floors")
            << QByteArray(R"({"allModels":false,"models":[{"modelId":"m1","group":true,
                              "floors":[{"floor":"F1"},{"floor":"F2"}]}]})")
            << R"({"$or":[{"group":true,"modelId":"m1"},{"floor":"F1","group":false,"modelId":"m1"},)"
               R"({"floor":"F2","group":false,"modelId":"m1"}]})";
        QTest::newRow("domains with and without categories, models in order")
            << QByteArray(R"({"allModels":false,"models":[{"modelId":"m2","floors":[{"floor":"B1",
                "domains":[{"domain":1},{"domain":4,"categories":[9]}]}]},
                {"modelId":"m1","wholeModel":true}]})")
            << R"({"$or":[{"domain":1,"floor":"B1","group":false,"modelId":"m2"},)"
               R"({"category":{"$in":[9]},"domain":4,"floor":"B1","group":false,"modelId":"m2"},)"
               R"({"modelId":"m1"}]})";
    }
    void entitySearch()
    {
        QFETCH(QByteArray, condition);
        QFETCH(QString, expected);
        QCOMPARE(entityConditionToQuery(record<VHEntityCondition>(condition)), expected);
    }

    // The request list shows the exact search; this one matches patterns.
    void propertySearch()
    {
        QCOMPARE(compactJson(propertySearchQuery("A.1", false)),
                 QString(R"({"$or":[{"properties.key":{"$options":"i","$regex":"A.1"}},)"
                         R"({"properties.value":{"$options":"i","$regex":"A.1"}},)"
                         R"({"properties.category":{"$options":"i","$regex":"A.1"}}]})"));
    }

    // An empty uuid travels as null; the model id is always text.
    void uuidDocuments()
    {
        QCOMPARE(compactJson(uuidQuery({"g1", ""})), QString(R"({"uuid":{"$in":["g1",null]}})"));
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

    // Every request once, as the server sees it: the list is what each call
    // sent, in order.
    void requestsSent()
    {
        QList<VHEntity> list =
            records<VHEntity>(R"([{"id":"not sent","uuid":"g1","modelId":"m1"},{"id":"x"}])");
        facade().createEntities(list);
        facade().createEntities(list); // emptied by the failed reply
        int number = 0;
        facade().getEntityRangeCount(record<VHEntityCondition>(R"({"name":"be.am"})"), number);
        facade().clear();
        facade().getEntityRangeData(40, 20, ignored<QList<VHEntity>>());
        facade().getEntityByGuids("m1", {"g1", ""}, ignored<QList<VHEntity>>());
        number = 3;
        facade().getEntityById("m1", "e1", number, ignored<VHEntity>());
        facade().getEntityByExtendProperty("a.b", true, ignored<QStringList>());
        VHEntityPropertyExtend extend = record<VHEntityPropertyExtend>(
            R"({"uuid":"g1","properties":[{"category":"c","key":"k"}]})");
        facade().createGuidExtendProperty(extend);
        facade().getExtendPropertyByGuid("g1", ignored<QList<VHEntityPropertyExtend>>());
        facade().getExtendPropertyByGuids({"g1", "g2"},
                                          ignored<QMap<QString, QList<VHEntityPropertyExtend>>>());
        facade().getExtendPropertyMerged({}, ignored<QList<VHProperty>>());
        facade().putExtendPropertyMerged({"g1", ""}, ignored<QList<VHProperty>>());
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                R"(POST model-service/projects/p1/entities [{"modelId":"m1","projectId":"p1","uuid":"g1"},{"modelId":null,"projectId":"p1","uuid":null}])",
                "POST model-service/projects/p1/entities []",
                R"(GET model-service/projects/p1/entities?queryParam={"name":{"$options":"i","$regex":"be.am"}}&only_count=true)",
                R"(GET model-service/projects/p1/entities?queryParam=&skip=40&limit=20&order=-printedAt)",
                R"(GET model-service/projects/p1/entities?queryParam={"modelId":"m1","uuid":{"$in":["g1",null]}})",
                "GET model-service/tesselo/models/m1/entities/e1?version=3",
                R"(GET model-service/projects/p1/extend_properties?where={"$or":[{"properties.key":"a.b"},{"properties.value":"a.b"},{"properties.category":"a.b"}]})",
                R"(POST model-service/extend_properties {"projectId":"","properties":[{"category":"c","key":"k","value":""}],"uuid":"g1"})",
                R"(GET model-service/projects/p1/extend_properties?where={"uuid":"g1"})",
                R"(GET model-service/projects/p1/extend_properties?queryParam={"uuid":{"$in":["g1","g2"]}})",
                R"(GET model-service/projects/p1/extend_properties?merge=true&queryParam={"uuid":{"$in":[]}})",
                R"(PUT model-service/projects/p1/extend_properties {"projectId":"p1","properties":[],"uuids":["g1",""]})",
            }));
    }

    // The count remembers the search; every page reuses it, and only a page
    // that arrived replaces the entity cache.
    void pagedSearch()
    {
        const VHEntityCondition condition = record<VHEntityCondition>(R"({"printed":true})");
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"({"count":3})"));
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"([{"_id":"a"},{"_id":"b"}])"));
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"([{"_id":"c"}])"));
        m_server.once("GET", entitiesPath, ScriptedReply::text("<html>", 500));

        int count = -1;
        QVERIFY(facade().getEntityRangeCount(condition, count));
        QCOMPARE(count, 3);
        QList<VHEntity> page;
        QVERIFY(facade().getEntityRangeData(0, 2, page));
        QCOMPARE(idsOf(page), QStringList({"a", "b"}));
        QVERIFY(facade().getEntityRangeData(2, 2, page));
        QCOMPARE(idsOf(page), QStringList{"c"});
        for (const RecordedRequest &request : m_server.requests())
            QCOMPARE(request.query.value("queryParam"), QString(R"({"printed":true})"));

        VHEntity fromFirstPage = record<VHEntity>(R"({"id":"stale","uuid":"g"})");
        QVERIFY(facade().getEntity("a", fromFirstPage));
        QCOMPARE(fromFirstPage.id, QString());
        QCOMPARE(facadeState().m_entities.keys(), QStringList({"a", "c"}));
        QList<VHEntity> looked{named<VHEntity>("stale")};
        QVERIFY(facade().getEntities({"c", "x"}, looked));
        QCOMPARE(idsOf(looked), QStringList({"c", ""}));
        QCOMPARE(facadeState().m_entities.keys(), QStringList({"a", "c", "x"}));

        QVERIFY(!facade().getEntityRangeData(3, 2, page));
        QVERIFY(page.isEmpty());
        QCOMPARE(facadeState().m_entities.keys(), QStringList({"a", "c", "x"}));

        // A condition that filters nothing forgets the earlier search.
        QVERIFY(!facade().getEntityRangeCount(VHEntityCondition(), count));
        QCOMPARE(count, 0);
        QCOMPARE(facadeState().m_entityRangeQuery, QString());
        QCOMPARE(m_server.lastRequest().query.value("queryParam"), QString());
    }

    // Lists that the request replaces: the caller's old content goes, also
    // when the exchange fails; the entity cache is never touched.
    void replacedLists()
    {
        facadeState().m_entities.insert("kept", named<VHEntity>("kept"));
        m_server.once("POST", entitiesPath,
                      ScriptedReply::text(R"([{"_id":"e1","uuid":"g1","qrCode":"Q1"},3])"));
        QList<VHEntity> created = records<VHEntity>(R"([{"uuid":"g1","modelId":"m1"}])");
        QVERIFY(facade().createEntities(created));
        QCOMPARE(idsOf(created), QStringList{"e1"});
        QCOMPARE(created.first().qrCode, QString("Q1"));

        QList<VHEntity> found{named<VHEntity>("stale")};
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"({"message":"no"})", 400));
        QVERIFY(!facade().getEntityByGuids("m1", {"g1"}, found));
        QVERIFY(found.isEmpty());

        QList<VHEntityTree> trees{VHEntityTree(), VHEntityTree()};
        m_server.once("GET", apiPath("model-service/projects/p1/entityTrees"),
                      ScriptedReply::text(R"([{"modelId":"m1"}])"));
        QVERIFY(facade().getEntityTree(trees));
        QCOMPARE(trees.size(), 1);

        QCOMPARE(facadeState().m_entities.keys(), QStringList{"kept"});
    }

    // The record comes from the reply's "data", also when the exchange fails;
    // only the caller's own fields survive.
    void entityById()
    {
        const QString path = apiPath("model-service/tesselo/models/m1/entities/e1");
        m_server.once("GET", path, ScriptedReply::text(R"({"data":{"_id":"e1","domain":"A1"}})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"data":{"_id":"e2","domain":4}})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"e3","domain":"B"})"));
        m_server.once("GET", path, ScriptedReply::text("<html>", 500));
        VHEntity e = record<VHEntity>(R"({"id":"old","uuid":"g-old","clientText":"mine"})");
        int version = 2;
        QStringList seen;
        for (bool expected : {true, true, true, false}) {
            QCOMPARE(facade().getEntityById("m1", "e1", version, e), expected);
            seen.append(QString("%1|%2|%3|%4").arg(e.id, e.uuid).arg(e.domain).arg(e.domainText));
        }
        QCOMPARE(seen, QStringList({"e1||0|A1", "e2||4|", "||0|", "||0|"}));
        QCOMPARE(e.clientText, QString("mine"));
    }

    // Hidden, shown, "visible" not a flag, a group listed twice, a group not
    // listed: loaded once. A failed load shows every group and makes the next
    // query load again; an explicit load always asks the server.
    void propertyDisplay()
    {
        m_server.once("GET", displayPath, ScriptedReply::text("<html>", 500));
        m_server.once("GET", displayPath, ScriptedReply::text(R"([
            {"group":"A","visible":false},{"group":"B","visible":true},
            {"group":"C","visible":"yes"},{"group":"D","visible":false},
            {"group":"D","visible":true}])"));
        m_server.once("GET", displayPath, ScriptedReply::text("<html>", 500));
        QList<bool> shown;
        for (const char *group : {"A", "A", "B", "C", "D", "Z"})
            shown.append(facade().isEntityPropertyDisplay(group));
        QCOMPARE(shown, QList<bool>({true, false, true, false, true, true}));
        QCOMPARE(m_server.requestCount(), 2);
        QVERIFY(!facade().getEntityPropertyDisplay());
        QVERIFY(facade().isEntityPropertyDisplay("A"));
        QCOMPARE(m_server.requestCount(), 4);
        // A project that sets nothing is loaded all the same.
        m_server.once("GET", displayPath, ScriptedReply::text("[]"));
        QVERIFY(facade().getEntityPropertyDisplay());
        QVERIFY(facade().isEntityPropertyDisplay("A"));
        QCOMPARE(m_server.requestCount(), 5);
    }

    // A search adds the uuids it found, also from a failed reply. A read by
    // uuids groups the records by uuid; it and the merged read replace the
    // caller's map or list, also when they fail.
    void extendedProperties()
    {
        m_server.once("GET", extendPath, ScriptedReply::text(R"([{"uuid":"g1"},{"uuid":"g2"}])"));
        m_server.once("GET", extendPath, ScriptedReply::text(R"([{"uuid":"g1"},{}])"));
        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QStringList uuids{"g0"};
        QVERIFY(facade().getEntityByExtendProperty("x", false, uuids));
        QVERIFY(facade().getEntityByExtendProperty("y", true, uuids));
        QVERIFY(!facade().getEntityByExtendProperty("z", true, uuids));
        QCOMPARE(uuids, QStringList({"g0", "g1", "g2", "g1", ""}));

        m_server.once("GET", extendPath, ScriptedReply::text(R"([
            {"uuid":"g1","projectId":"p1","properties":[{"category":"c","key":"k","value":"1"}]},
            {"uuid":"g2"},
            {"uuid":"g1","properties":[{"key":"k2"}]}])"));
        QMap<QString, QList<VHEntityPropertyExtend>> byUuid;
        byUuid["stale"];
        QVERIFY(facade().getExtendPropertyByGuids({"g1", "g2", "g3"}, byUuid));
        QCOMPARE(byUuid.keys(), QStringList({"g1", "g2"}));
        QCOMPARE(byUuid["g1"], records<VHEntityPropertyExtend>(R"([{"uuid":"g1","projectId":"p1",
            "properties":[{"category":"c","key":"k","value":"1"}]},
            {"uuid":"g1","properties":[{"key":"k2"}]}])"));

        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QVERIFY(!facade().getExtendPropertyByGuids({"g1"}, byUuid));
        QVERIFY(byUuid.isEmpty());

        m_server.once("GET", extendPath, ScriptedReply::text(R"({"properties":[
            {"category":"c","key":"k","value":"v"},{"key":"n"}]})"));
        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QList<VHProperty> merged{VHProperty{"stale", "", ""}};
        QVERIFY(facade().getExtendPropertyMerged({"g1", "g2"}, merged));
        QCOMPARE(merged, records<VHProperty>(R"([{"category":"c","key":"k","value":"v"},
                                                 {"key":"n"}])"));
        QVERIFY(!facade().getExtendPropertyMerged({"g1"}, merged));
        QVERIFY(merged.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEntities)
#include "tst_entities.moc"
