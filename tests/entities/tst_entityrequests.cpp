#include "facadetest.h"
#include "facadeprobe.h"
#include "recordtext.h"
#include "requestlines.h"

#include <QtTest>

struct EntityFields;
template<> struct VHPrimaryDataProbe<EntityFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QMap<QString, VHEntity> &entities() { return facadeState().m_entities; }
    static QString &rangeQuery() { return facadeState().m_entityRangeQuery; }
};
using EntityProbe = VHPrimaryDataProbe<EntityFields>;

namespace {

VHEntity entity(const QString &id, const QString &uuid = QString(),
                const QString &modelId = QString())
{
    VHEntity e;
    e.id = id;
    e.uuid = uuid;
    e.modelId = modelId;
    return e;
}

const QString entitiesPath = apiPath("model-service/projects/p1/entities");
const QString extendPath = apiPath("model-service/projects/p1/extend_properties");
const QString displayPath = apiPath("model-service/entitySettings/p1");

} // namespace

// The entity and extended-property operations of the facade: what goes over
// the wire, what the caller's arguments hold afterwards and how the entity
// and display caches move.
class TestEntityRequests : public FacadeTest
{
    Q_OBJECT
private slots:
    // Every request once; the list is what each call sent, in order.
    void requestsSent()
    {
        QList<VHEntity> list{entity("not sent", "g1", "m1"), entity("x")};
        facade().createEntities(list);
        facade().createEntities(list); // emptied by the failed reply
        VHEntityCondition condition;
        condition.name = "be.am";
        int number = 0;
        facade().getEntityRangeCount(condition, number);
        facade().clear();
        facade().getEntityRangeData(40, 20, list);
        facade().getEntityByGuids("m1", {"g1", ""}, list);
        VHEntity e;
        number = 3;
        facade().getEntityById("m1", "e1", number, e);
        QStringList uuids;
        facade().getEntityByExtendProperty("a.b", true, uuids);
        VHEntityPropertyExtend extend;
        extend.uuid = "g1";
        extend.properties = {VHProperty{"c", "k", ""}};
        facade().createGuidExtendProperty(extend);
        QList<VHEntityPropertyExtend> extends;
        facade().getExtendPropertyByGuid("g1", extends);
        QMap<QString, QList<VHEntityPropertyExtend>> byUuid;
        facade().getExtendPropertyByGuids({"g1", "g2"}, byUuid);
        QList<VHProperty> properties;
        facade().getExtendPropertyMerged({}, properties);
        facade().putExtendPropertyMerged({"g1", ""}, properties);
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                R"(POST model-service/projects/p1/entities [{"modelId":"m1","projectId":"p1","uuid":"g1"},{"modelId":null,"projectId":"p1","uuid":null}])",
                "POST model-service/projects/p1/entities []",
                R"(GET model-service/projects/p1/entities?queryParam={"name":{"$options":"i","$regex":"be.am"}}&only_count=true)",
                "GET "
                "model-service/projects/p1/entities?queryParam=&skip=40&limit=20&order=-printedAt",
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
        QCOMPARE(idsOf(page), QStringList({"a", "b"}));
        QVERIFY(facade().getEntityRangeData(2, 2, page));
        QCOMPARE(idsOf(page), QStringList{"c"});
        for (const RecordedRequest &request : m_server.requests())
            QCOMPARE(request.query.value("queryParam"), QString(R"({"printed":true})"));

        VHEntity fromFirstPage = entity("stale", "g");
        QVERIFY(facade().getEntity("a", fromFirstPage));
        QCOMPARE(fromFirstPage.id, QString());
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c"}));
        QList<VHEntity> looked{entity("stale")};
        QVERIFY(facade().getEntities({"c", "x"}, looked));
        QCOMPARE(idsOf(looked), QStringList({"c", ""}));
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c", "x"}));

        QVERIFY(!facade().getEntityRangeData(3, 2, page));
        QVERIFY(page.isEmpty());
        QCOMPARE(EntityProbe::entities().keys(), QStringList({"a", "c", "x"}));

        // A condition that filters nothing forgets the earlier search.
        QVERIFY(!facade().getEntityRangeCount(VHEntityCondition(), count));
        QCOMPARE(count, 0);
        QCOMPARE(EntityProbe::rangeQuery(), QString());
        QCOMPARE(m_server.lastRequest().query.value("queryParam"), QString());
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
        QCOMPARE(idsOf(created), QStringList{"e1"});
        QCOMPARE(created.first().qrCode, QString("Q1"));

        QList<VHEntity> found{entity("stale")};
        m_server.once("GET", entitiesPath, ScriptedReply::text(R"({"message":"no"})", 400));
        QVERIFY(!facade().getEntityByGuids("m1", {"g1"}, found));
        QVERIFY(found.isEmpty());

        QList<VHEntityTree> trees{VHEntityTree(), VHEntityTree()};
        m_server.once("GET", apiPath("model-service/projects/p1/entityTrees"),
                      ScriptedReply::text(R"([{"modelId":"m1"}])"));
        QVERIFY(facade().getEntityTree(trees));
        QCOMPARE(trees.size(), 1);

        QCOMPARE(EntityProbe::entities().keys(), QStringList{"kept"});
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
        VHEntity e = entity("old", "g-old");
        e.clientText = "mine";
        int version = 2;
        QStringList seen;
        for (bool expected : {true, true, true, false}) {
            QCOMPARE(facade().getEntityById("m1", "e1", version, e), expected);
            seen.append(QString("%1|%2|%3|%4").arg(e.id, e.uuid).arg(e.domain).arg(e.domainText));
        }
        QCOMPARE(seen, QStringList({"e1||0|A1", "e2||4|", "||0|", "||0|"}));
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
        QCOMPARE(byUuid["g1"], records<VHEntityPropertyExtend>(R"([{"uuid":"g1","projectId":"p1",
            "properties":[{"category":"c","key":"k","value":"1"}]},
            {"uuid":"g1","properties":[{"key":"k2"}]}])"));

        m_server.once("GET", extendPath, ScriptedReply::text("<html>", 500));
        QVERIFY(!facade().getExtendPropertyByGuids({"g1"}, byUuid));
        QVERIFY(byUuid.isEmpty());
    }

    // The merged read replaces the caller's list, also when it fails.
    void mergedProperties()
    {
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

QTEST_GUILESS_MAIN(TestEntityRequests)
#include "tst_entityrequests.moc"
