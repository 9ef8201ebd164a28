#include "requestline.h"
#include "testserver.h"

#include "VHPrimaryData.h"

#include <QtTest>

#include <functional>

using Call = std::function<void()>;
Q_DECLARE_METATYPE(Call)

struct EntityFields;
template<> struct VHPrimaryDataProbe<EntityFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHEntity> &entities() { return facade().m_entities; }
    static QString &rangeQuery() { return facade().m_entityRangeQuery; }
};
using EntityProbe = VHPrimaryDataProbe<EntityFields>;

namespace {

VHPrimaryData &facade()
{
    return *VHPrimaryData::instance();
}

VHEntity entity(const QString &id, const QString &uuid = QString(),
                const QString &modelId = QString())
{
    VHEntity e;
    e.id = id;
    e.uuid = uuid;
    e.modelId = modelId;
    return e;
}

QStringList ids(const QList<VHEntity> &entities)
{
    QStringList result;
    for (const VHEntity &e : entities)
        result.append(e.id);
    return result;
}

// "category/key=value" of each property, in order.
QStringList texts(const QList<VHProperty> &properties)
{
    QStringList result;
    for (const VHProperty &p : properties)
        result.append(p.category + "/" + p.key + "=" + p.value);
    return result;
}

const QString entitiesPath = apiPath("model-service/projects/p1/entities");
const QString extendPath = apiPath("model-service/projects/p1/extend_properties");
const QString displayPath = apiPath("model-service/entitySettings/p1");

} // namespace

// The entity and extended-property operations of the facade: what goes over
// the wire, what the caller's arguments hold afterwards and how the entity
// and display caches move.
class TestEntityRequests : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
        facade().clear();
    }

    void requestLines_data()
    {
        QTest::addColumn<Call>("call");
        QTest::addColumn<QString>("line");
        QTest::newRow("create entities") << Call([] {
            QList<VHEntity> list{entity("not sent", "g1", "m1"), entity("x")};
            facade().createEntities(list);
        }) << R"(POST model-service/projects/p1/entities [{"modelId":"m1","projectId":"p1","uuid":"g1"},{"modelId":null,"projectId":"p1","uuid":null}])";
        QTest::newRow("create no entities") << Call([] {
            QList<VHEntity> list;
            facade().createEntities(list);
        }) << "POST model-service/projects/p1/entities []";
        QTest::newRow("count filtered") << Call([] {
            VHEntityCondition condition;
            condition.name = "be.am";
            condition.printed = true;
            int count = 0;
            facade().getEntityRangeCount(condition, count);
        }) << R"(GET model-service/projects/p1/entities?queryParam={"name":{"$options":"i","$regex":"be.am"},"printed":true}&only_count=true)";
        QTest::newRow("count everything") << Call([] {
            int count = 0;
            facade().getEntityRangeCount(VHEntityCondition(), count);
        }) << "GET model-service/projects/p1/entities?queryParam=&only_count=true";
        QTest::newRow("page without a count")
            << Call([] {
                   QList<VHEntity> list;
                   facade().getEntityRangeData(40, 20, list);
               })
            << "GET "
               "model-service/projects/p1/entities?queryParam=&skip=40&limit=20&order=-printedAt";
        QTest::newRow("by uuids") << Call([] {
            QList<VHEntity> list;
            facade().getEntityByGuids("m1", {"g1", ""}, list);
        }) << R"(GET model-service/projects/p1/entities?queryParam={"modelId":"m1","uuid":{"$in":["g1",null]}})";
        QTest::newRow("by id and version") << Call([] {
            int version = 3;
            VHEntity e;
            facade().getEntityById("m1", "e1", version, e);
        }) << "GET model-service/tesselo/models/m1/entities/e1?version=3";
        QTest::newRow("by extended property") << Call([] {
            QStringList uuids;
            facade().getEntityByExtendProperty("a.b", true, uuids);
        }) << R"(GET model-service/projects/p1/extend_properties?where={"$or":[{"properties.key":"a.b"},{"properties.value":"a.b"},{"properties.category":"a.b"}]})";
        QTest::newRow("entity tree") << Call([] {
            QList<VHEntityTree> trees;
            facade().getEntityTree(trees);
        }) << "GET model-service/projects/p1/entityTrees";
        QTest::newRow("property display") << Call([] { facade().getEntityPropertyDisplay(); })
                                          << "GET model-service/entitySettings/p1";
        QTest::newRow("create extended property") << Call([] {
            VHEntityPropertyExtend extend;
            extend.uuid = "g1";
            extend.properties = {VHProperty{"c", "k", ""}};
            facade().createGuidExtendProperty(extend);
        }) << R"(POST model-service/extend_properties {"projectId":"","properties":[{"category":"c","key":"k","value":""}],"uuid":"g1"})";
        QTest::newRow("extended properties of one uuid") << Call([] {
            QList<VHEntityPropertyExtend> list;
            facade().getExtendPropertyByGuid("g1", list);
        }) << R"(GET model-service/projects/p1/extend_properties?where={"uuid":"g1"})";
        QTest::newRow("extended properties of uuids") << Call([] {
            QMap<QString, QList<VHEntityPropertyExtend>> byUuid;
            facade().getExtendPropertyByGuids({"g1", "g2"}, byUuid);
        }) << R"(GET model-service/projects/p1/extend_properties?queryParam={"uuid":{"$in":["g1","g2"]}})";
        QTest::newRow("merged read of no uuids") << Call([] {
            QList<VHProperty> properties;
            facade().getExtendPropertyMerged({}, properties);
        }) << R"(GET model-service/projects/p1/extend_properties?merge=true&queryParam={"uuid":{"$in":[]}})";
        QTest::newRow("merged write") << Call([] {
            QList<VHProperty> properties;
            facade().putExtendPropertyMerged({"g1", ""}, properties);
        }) << R"(PUT model-service/projects/p1/extend_properties {"projectId":"p1","properties":[],"uuids":["g1",""]})";
    }
    void requestLines()
    {
        QFETCH(Call, call);
        QFETCH(QString, line);
        call();
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(requestLine(m_server.lastRequest()), line);
    }

    // The count remembers the search; every page reuses it, and only a page
    // that arrived replaces the entity cache.
    void pagedSearch()
    {
        VHEntityCondition condition;
        condition.printed = true;
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"({"count":3})"));
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"([{"_id":"a"},{"_id":"b"}])"));
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"([{"_id":"c"}])"));
        m_server.once("GET", entitiesPath, ScriptedReply::text("<html>", 500));

        int count = -1;
        QVERIFY(facade().getEntityRangeCount(condition, count));
        QCOMPARE(count, 3);
        QList<VHEntity> page;
        QVERIFY(facade().getEntityRangeData(0, 2, page));
        QCOMPARE(ids(page), QStringList({"a", "b"}));
        QVERIFY(facade().getEntityRangeData(2, 2, page));
        QCOMPARE(ids(page), QStringList{"c"});
        for (const RecordedRequest &request : m_server.requests())
            QCOMPARE(request.query.value("queryParam"), QString(R"({"printed":true})"));

        VHEntity fromFirstPage = entity("stale", "g");
        QVERIFY(facade().getEntity("a", fromFirstPage));
        QCOMPARE(fromFirstPage.id, QString());
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c"}));
        QList<VHEntity> looked{entity("stale")};
        QVERIFY(facade().getEntities({"c", "x"}, looked));
        QCOMPARE(ids(looked), QStringList({"c", ""}));
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c", "x"}));

        QVERIFY(!facade().getEntityRangeData(3, 2, page));
        QVERIFY(page.isEmpty());
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c", "x"}));

        // A condition that filters nothing forgets the earlier search.
        QVERIFY(!facade().getEntityRangeCount(VHEntityCondition(), count));
        QCOMPARE(count, 0);
        QCOMPARE(EntityProbe::rangeQuery(), QString());
        QVERIFY(m_server.lastRequest().query.contains("queryParam"));
        QCOMPARE(m_server.lastRequest().query.value("queryParam"), QString());
    }

    void countReplies_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("count");
        QTest::newRow("count") << 200 << QByteArray(R"({"count":7})") << true << 7;
        QTest::newRow("count as text") << 200 << QByteArray(R"({"count":"7"})") << true << 0;
        QTest::newRow("list instead of object") << 200 << QByteArray("[7]") << true << 0;
        QTest::newRow("error with count") << 500 << QByteArray(R"({"count":2})") << false << 2;
        QTest::newRow("error page") << 500 << QByteArray("<html>") << false << 0;
    }
    void countReplies()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(int, count);
        m_server.on("GET", entitiesPath, ScriptedReply::text(reply, status));
        int counted = -1;
        QCOMPARE(facade().getEntityRangeCount(VHEntityCondition(), counted), result);
        QCOMPARE(counted, count);
    }

    // Lists that the request replaces: the caller's old content goes, also
    // when the exchange fails; the entity cache is never touched.
    void replacedLists()
    {
        EntityProbe::entities().insert("kept", entity("kept"));
        m_server.once("POST", entitiesPath,
                      ScriptedReply::text(R"([{"_id":"e1","uuid":"g1","qrCode":"Q1"},3])"));
        QList<VHEntity> created{entity("", "g1", "m1")};
        QVERIFY(facade().createEntities(created));
        QCOMPARE(created.size(), 1);
        QCOMPARE(created.first().qrCode, QString("Q1"));
        QCOMPARE(ids(created), QStringList{"e1"});

        m_server.once("POST", entitiesPath, ScriptedReply::text("<html>", 500));
        QVERIFY(!facade().createEntities(created));
        QVERIFY(created.isEmpty());

        QList<VHEntity> found{entity("stale")};
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"({"message":"no"})", 400));
        QVERIFY(!facade().getEntityByGuids("m1", {"g1"}, found));
        QVERIFY(found.isEmpty());

        VHEntityTree stale;
        stale.modelId = "old";
        stale.wholeModel = true;
        QList<VHEntityTree> trees{stale};
        m_server.once("GET", apiPath("model-service/projects/p1/entityTrees"),
                      ScriptedReply::text(R"([{"modelId":"m1","floors":[{"floor":"F1"}]}])"));
        QVERIFY(facade().getEntityTree(trees));
        QCOMPARE(trees.size(), 1);
        QCOMPARE(trees.first().modelId, QString("m1"));
        QCOMPARE(trees.first().wholeModel, false);
        QCOMPARE(trees.first().floors.size(), 1);

        QCOMPARE(EntityProbe::entities().keys(), QStringList{"kept"});
    }

    void entityById_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("expected"); // id, name, domain, domainText
        QTest::newRow("domain as text")
            << 200 << QByteArray(R"({"data":{"_id":"e1","name":"Beam","domain":"A1"}})") << true
            << "e1|Beam|0|A1";
        QTest::newRow("domain as number")
            << 200 << QByteArray(R"({"data":{"_id":"e1","domain":4}})") << true << "e1||4|";
        QTest::newRow("no data member")
            << 200 << QByteArray(R"({"_id":"e1","name":"Beam"})") << true << "||0|";
        QTest::newRow("data not an object")
            << 200 << QByteArray(R"({"data":[{"_id":"e1"}]})") << true << "||0|";
        QTest::newRow("failed exchange") << 500 << QByteArray("<html>") << false << "||0|";
    }
    void entityById()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QString, expected);
        m_server.on("GET", apiPath("model-service/tesselo/models/m1/entities/e1"),
                    ScriptedReply::text(reply, status));
        VHEntity e = entity("old", "g-old");
        e.name = "old";
        e.domain = 9;
        e.domainText = "old";
        e.clientText = "mine";
        int version = 2;
        QCOMPARE(facade().getEntityById("m1", "e1", version, e), result);
        QCOMPARE(QString("%1|%2|%3|%4").arg(e.id, e.name).arg(e.domain).arg(e.domainText),
                 expected);
        QCOMPARE(e.uuid, QString());
        QCOMPARE(e.clientText, QString("mine"));
    }

    void extendPropertySearchAccumulates()
    {
        m_server.once("GET", extendPath, ScriptedReply::text(R"([{"uuid":"g1"},{"uuid":"g2"}])"));
        m_server.once("GET", extendPath, ScriptedReply::text(R"([{"uuid":"g1"},{}])"));
        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QStringList uuids{"g0"};
        QVERIFY(facade().getEntityByExtendProperty("x", false, uuids));
        QVERIFY(facade().getEntityByExtendProperty("y", true, uuids));
        QVERIFY(!facade().getEntityByExtendProperty("z", true, uuids));
        QCOMPARE(uuids, QStringList({"g0", "g1", "g2", "g1", ""}));
        QCOMPARE(m_server.requests().first().query.value("where"),
                 QString(R"({"$or":[{"properties.key":{"$options":"i","$regex":"x"}},)"
                         R"({"properties.value":{"$options":"i","$regex":"x"}},)"
                         R"({"properties.category":{"$options":"i","$regex":"x"}}]})"));
    }

    void propertyDisplay_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("shown");
        QTest::newRow("hidden") << "A" << false;
        QTest::newRow("shown") << "B" << true;
        QTest::newRow("visible not a flag") << "C" << false;
        QTest::newRow("last setting wins") << "D" << true;
        QTest::newRow("not mentioned") << "Z" << true;
    }
    void propertyDisplay()
    {
        QFETCH(QString, group);
        QFETCH(bool, shown);
        m_server.on("GET", displayPath, ScriptedReply::text(R"([
            {"group":"A","visible":false},{"group":"B","visible":true},
            {"group":"C","visible":"yes"},{"group":"D","visible":false},
            {"group":"D","visible":true}])"));
        QCOMPARE(facade().isEntityPropertyDisplay(group), shown);
        QCOMPARE(facade().isEntityPropertyDisplay(group), shown);
        QCOMPARE(m_server.requestCount(), 1);
    }

    // A failed load shows every group and makes the next query load again; an
    // explicit load always asks the server.
    void failedPropertyDisplayLoad()
    {
        m_server.once("GET", displayPath, ScriptedReply::text("<html>", 500));
        m_server.once("GET", displayPath,
                      ScriptedReply::text(R"([{"group":"A","visible":false}])"));
        QVERIFY(facade().isEntityPropertyDisplay("A"));
        QVERIFY(!facade().isEntityPropertyDisplay("A"));
        QCOMPARE(m_server.requestCount(), 2);

        m_server.once("GET", displayPath, ScriptedReply::text("<html>", 500));
        QVERIFY(!facade().getEntityPropertyDisplay());
        QVERIFY(facade().isEntityPropertyDisplay("A"));
        QCOMPARE(m_server.requestCount(), 4);
    }

    void extendPropertiesByUuids()
    {
        m_server.once("GET", extendPath, ScriptedReply::text(R"([
            {"uuid":"g1","projectId":"p1","properties":[{"category":"c","key":"k","value":"1"}]},
            {"uuid":"g2"},
            {"uuid":"g1","properties":[{"key":"k2"}]}])"));
        QMap<QString, QList<VHEntityPropertyExtend>> byUuid;
        byUuid["stale"];
        QVERIFY(facade().getExtendPropertyByGuids({"g1", "g2", "g3"}, byUuid));
        QCOMPARE(byUuid.keys(), QStringList({"g1", "g2"}));
        QCOMPARE(byUuid["g1"].size(), 2);
        QCOMPARE(byUuid["g1"][0].projectId, QString("p1"));
        QCOMPARE(texts(byUuid["g1"][0].properties), QStringList{"c/k=1"});
        QCOMPARE(texts(byUuid["g1"][1].properties), QStringList{"/k2="});

        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QVERIFY(!facade().getExtendPropertyByGuids({"g1"}, byUuid));
        QVERIFY(byUuid.isEmpty());
    }

    void extendPropertiesOfOneUuidAccumulate()
    {
        m_server.once("GET", extendPath, ScriptedReply::text(R"([{"uuid":"g1"}])"));
        m_server.once("GET", extendPath, ScriptedReply::text(R"({"data":[{"uuid":"g1"}]})", 500));
        QList<VHEntityPropertyExtend> list;
        QVERIFY(facade().getExtendPropertyByGuid("g1", list));
        QVERIFY(!facade().getExtendPropertyByGuid("g1", list));
        QCOMPARE(list.size(), 2);
    }

    void mergedProperties_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("properties");
        QTest::newRow("merged list")
            << 200
            << QByteArray(R"({"properties":[{"category":"c","key":"k","value":"v"},{"key":"n"}]})")
            << true << QStringList({"c/k=v", "/n="});
        QTest::newRow("no properties member") << 200 << QByteArray("{}") << true << QStringList();
        QTest::newRow("failed exchange") << 500 << QByteArray("<html>") << false << QStringList();
    }
    void mergedProperties()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, result);
        QFETCH(QStringList, properties);
        m_server.on("GET", extendPath, ScriptedReply::text(reply, status));
        QList<VHProperty> merged{VHProperty{"stale", "", ""}};
        QCOMPARE(facade().getExtendPropertyMerged({"g1", "g2"}, merged), result);
        QCOMPARE(texts(merged), properties);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestEntityRequests)
#include "tst_entityrequests.moc"
