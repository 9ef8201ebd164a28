#include "projectprobe.h"
#include "projecttesting.h"
#include "testserver.h"

#include "VHPrimaryData.h"

#include <QtTest>

namespace {

const QString circlesPath = "/v1/account-service/circles";
const QString enterprisesPath = "/v1/account-service/enterprises";
const QString structuresPath = "/v1/account-service/projects/p1/structures";
const QString domainsPath = "/v1/account-service/projects/p1/domains";

VHStructure structure(const QString &id, const QString &name)
{
    VHStructure s;
    s.id = id;
    s.name = name;
    return s;
}

VHDomain domain(const QString &id, const QString &name)
{
    VHDomain d;
    d.id = id;
    d.name = name;
    return d;
}

} // namespace

// Circles, enterprises and their display names; structures and domains with
// their load flags; species and subcontracts.
class TestOrganisation : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
        ProjectProbe::reset();
    }

    void circlesReplaceTheListAndNameTheUnits()
    {
        m_server.on("GET", circlesPath, ScriptedReply::text(R"([
            {"_id":"c1","name":"Circle One","sortName":"C1","enterpriseId":"e1","parentId":"c0"},
            {"_id":"c2","name":"Circle Two","sortName":""},
            {"_id":"c3","name":"Circle Three"}])"));
        QList<VHCircle> circles{VHCircle()};
        QVERIFY(facade()->getProjectCircles(circles));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + circlesPath);
        QCOMPARE(idsOf(circles), QStringList({"c1", "c2", "c3"}));
        QCOMPARE(circles.at(0).name, QString("Circle One"));
        QCOMPARE(circles.at(0).sortName, QString("C1"));
        QCOMPARE(circles.at(0).enterpriseId, QString("e1"));
        QCOMPARE(circles.at(0).parentId, QString("c0"));

        QVERIFY(facade()->getProjectCircles(circles));
        QCOMPARE(idsOf(circles), QStringList({"c1", "c2", "c3"}));

        QCOMPARE(facade()->getProjectCircleName("c1"), QString("C1"));
        QCOMPARE(facade()->getProjectCircleName("c2"), QString("Circle Two"));
        QCOMPARE(facade()->getProjectCircleName("c3"), QString("Circle Three"));
        QCOMPARE(m_server.requestCount(), 2);
    }

    void enterprisesShareTheNameMap()
    {
        ProjectProbe::orgNameById().insert("c1", "Circle");
        m_server.on("GET", enterprisesPath, ScriptedReply::text(R"([
            {"_id":"c1","name":"Same id","sortName":"Enterprise"},
            {"_id":"e2","name":"Second","sortName":7}])"));
        QList<VHEnterprise> enterprises{VHEnterprise()};
        QVERIFY(facade()->getProjectEnterprises(enterprises));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + enterprisesPath);
        QCOMPARE(idsOf(enterprises), QStringList({"c1", "e2"}));
        QCOMPARE(enterprises.at(1).sortName, QString());
        QCOMPARE(facade()->getProjectCircleName("c1"), QString("Enterprise"));
        QCOMPARE(facade()->getProjectCircleName("e2"), QString("Second"));

        // A circle loaded afterwards takes the shared id back.
        m_server.on("GET", circlesPath,
                    ScriptedReply::text(R"([{"_id":"c1","name":"Circle again"}])"));
        QList<VHCircle> circles;
        QVERIFY(facade()->getProjectCircles(circles));
        QCOMPARE(facade()->getProjectCircleName("c1"), QString("Circle again"));
    }

    void failedLoadsLeaveTheNamesAlone_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("server error") << 500 << QByteArray("oops");
        QTest::newRow("server error with units")
            << 500 << QByteArray(R"([{"_id":"x","name":"X"}])");
    }
    void failedLoadsLeaveTheNamesAlone()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        ProjectProbe::orgNameById().insert("c1", "Known");
        m_server.on("GET", circlesPath, ScriptedReply::text(body, status));
        m_server.on("GET", enterprisesPath, ScriptedReply::text(body, status));
        QList<VHCircle> circles{VHCircle()};
        QVERIFY(!facade()->getProjectCircles(circles));
        QList<VHEnterprise> enterprises{VHEnterprise()};
        QVERIFY(!facade()->getProjectEnterprises(enterprises));
        QCOMPARE(circles.size(), body.startsWith('[') ? 1 : 0);
        QCOMPARE(enterprises.size(), body.startsWith('[') ? 1 : 0);
        QCOMPARE(ProjectProbe::orgNameById().keys(), QStringList{"c1"});
        QCOMPARE(ProjectProbe::orgNameById().value("c1"), QString("Known"));
    }

    void unknownNameIsEmptyAndAsksNobody()
    {
        QCOMPARE(facade()->getProjectCircleName("nobody"), QString());
        QCOMPARE(m_server.requestCount(), 0);
        QVERIFY(ProjectProbe::orgNameById().contains("nobody"));
    }

    void structuresAreLoadedOnce()
    {
        m_server.on("GET", structuresPath, ScriptedReply::text(R"([
            {"_id":"s1","name":"Site","hostId":"p1","parentId":"s0","authTemplateId":"t1",
             "type":2,"level":3},
            {"_id":"s2","name":"Office","type":"2","level":1.5}])"));
        QList<VHStructure> structures{structure("mine", "Mine")};
        QVERIFY(facade()->getStructures(structures));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + structuresPath + "?order=createdAt");
        // The caller's earlier entries stay in front and become part of the cache.
        QCOMPARE(idsOf(structures), QStringList({"mine", "s1", "s2"}));
        const VHStructure &site = structures.at(1);
        QCOMPARE(site.hostId, QString("p1"));
        QCOMPARE(site.parentId, QString("s0"));
        QCOMPARE(site.authTemplateId, QString("t1"));
        QCOMPARE(site.type, 2);
        QCOMPARE(site.level, 3);
        QCOMPARE(structures.at(2).type, 0);
        QCOMPARE(structures.at(2).level, 0);
        QVERIFY(ProjectProbe::structuresLoaded());
        QCOMPARE(idsOf(ProjectProbe::structures()), QStringList({"mine", "s1", "s2"}));

        QList<VHStructure> again{structure("other", "Other")};
        QVERIFY(facade()->getStructures(again));
        QCOMPARE(idsOf(again), QStringList({"mine", "s1", "s2"}));
        QCOMPARE(facade()->getStructureName("s2"), QString("Office"));
        QCOMPARE(m_server.requestCount(), 1);
    }

    void failedStructureLoadIsCachedButRetried()
    {
        m_server.once("GET", structuresPath,
                      ScriptedReply::text(R"([{"_id":"s9","name":"Partial"}])", 500));
        QList<VHStructure> structures{structure("mine", "Mine")};
        QVERIFY(!facade()->getStructures(structures));
        QVERIFY(!ProjectProbe::structuresLoaded());
        QCOMPARE(idsOf(ProjectProbe::structures()), QStringList({"mine", "s9"}));

        m_server.once("GET", structuresPath, ScriptedReply::text(R"([{"_id":"s1"}])"));
        QList<VHStructure> fresh;
        QVERIFY(facade()->getStructures(fresh));
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(idsOf(ProjectProbe::structures()), QStringList{"s1"});
    }

    void structureNameLoadsWhenNothingIsKnown()
    {
        m_server.on(
            "GET", structuresPath,
            ScriptedReply::text(R"([{"_id":"s1","name":"Site"},{"_id":"s1","name":"Dup"}])"));
        QCOMPARE(facade()->getStructureName("s1"), QString("Site"));
        QCOMPARE(facade()->getStructureName("s7"), QString());
        QCOMPARE(m_server.requestCount(), 1);
        QVERIFY(ProjectProbe::structuresLoaded());
    }

    void structureNameLoadConditions_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("cached");
        QTest::addColumn<int>("requests");
        QTest::newRow("loaded and empty") << true << false << 0;
        QTest::newRow("cached after a failed load") << false << true << 0;
    }
    void structureNameLoadConditions()
    {
        QFETCH(bool, loaded);
        QFETCH(bool, cached);
        QFETCH(int, requests);
        ProjectProbe::structuresLoaded() = loaded;
        if (cached)
            ProjectProbe::structures() = {structure("s1", "Cached")};
        m_server.on("GET", structuresPath, ScriptedReply::text(R"([{"_id":"s1","name":"Site"}])"));
        facade()->getStructureName("s1");
        QCOMPARE(m_server.requestCount(), requests);
    }

    void structureNameAfterAFailedLoad()
    {
        m_server.once("GET", structuresPath, ScriptedReply::text("", 500));
        QCOMPARE(facade()->getStructureName("s1"), QString());
        QVERIFY(!ProjectProbe::structuresLoaded());
        m_server.once("GET", structuresPath,
                      ScriptedReply::text(R"([{"_id":"s1","name":"Site"}])"));
        QCOMPARE(facade()->getStructureName("s1"), QString("Site"));
        QCOMPARE(m_server.requestCount(), 2);
    }

    void domainsAreRememberedOnSuccess()
    {
        m_server.on("GET", domainsPath,
                    ScriptedReply::text(R"([{"_id":"d1","name":"Civil"},{"_id":"d2","name":5}])"));
        QList<VHDomain> domains{domain("mine", "Mine")};
        QVERIFY(facade()->getDomain(domains));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + domainsPath);
        QCOMPARE(idsOf(domains), QStringList({"mine", "d1", "d2"}));
        QCOMPARE(domains.at(2).name, QString());
        QVERIFY(ProjectProbe::domainsLoaded());
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"mine", "d1", "d2"}));

        QCOMPARE(facade()->getDomainNameById("d1"), QString("Civil"));
        QCOMPARE(facade()->getDomainNameById("d9"), QString());
        QCOMPARE(m_server.requestCount(), 1);
    }

    void failedDomainLoadKeepsTheCache()
    {
        ProjectProbe::domainsLoaded() = true;
        ProjectProbe::domains() = {domain("d1", "Civil")};
        m_server.on("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d5"}])", 500));
        QList<VHDomain> domains;
        QVERIFY(!facade()->getDomain(domains));
        QCOMPARE(idsOf(domains), QStringList{"d5"});
        QVERIFY(!ProjectProbe::domainsLoaded());
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList{"d1"});
    }

    void domainNameLoadsIntoTheCacheUntilALoadSucceeds()
    {
        ProjectProbe::domains() = {domain("d0", "Earlier")};
        m_server.once("GET", domainsPath,
                      ScriptedReply::text(R"([{"_id":"d5","name":"Half"}])", 500));
        // The failed reply's domains join the cache and are searched.
        QCOMPARE(facade()->getDomainNameById("d5"), QString("Half"));
        QVERIFY(!ProjectProbe::domainsLoaded());
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"d0", "d5"}));

        m_server.once("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d1","name":"Civil"}])"));
        QCOMPARE(facade()->getDomainNameById("d0"), QString("Earlier"));
        QVERIFY(ProjectProbe::domainsLoaded());
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"d0", "d5", "d1"}));
        QCOMPARE(facade()->getDomainNameById("d1"), QString("Civil"));
        QCOMPARE(m_server.requestCount(), 2);
    }

    void speciesAppend() { checkAppendingList("species", &VHPrimaryData::getSpecies); }
    void subcontractsAppend()
    {
        checkAppendingList("subcontracts", &VHPrimaryData::getSubcontract);
    }

    void namesFromTheServer_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        for (const char *kind : {"species", "subcontracts"}) {
            QTest::addRow("%s named", kind)
                << kind << 200 << QByteArray(R"({"name":"Steel"})") << "Steel";
            QTest::addRow("%s without name", kind) << kind << 200 << QByteArray("{}") << "";
            QTest::addRow("%s unknown", kind) << kind << 404 << QByteArray("{}") << "";
            QTest::addRow("%s name in an error reply", kind)
                << kind << 500 << QByteArray(R"({"name":"Steel"})") << "";
            QTest::addRow("%s name that is not text", kind)
                << kind << 200 << QByteArray(R"({"name":1})") << "";
        }
    }
    void namesFromTheServer()
    {
        QFETCH(QString, kind);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        const QString path = "/v1/account-service/" + kind + "/x1";
        m_server.on("GET", path, ScriptedReply::text(body, status));
        const QString answer = kind == "species" ? facade()->getSpeciesNameById("x1")
                                                 : facade()->getSubcontractNameById("x1");
        QCOMPARE(answer, name);
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + path);
    }

private:
    // Every load appends in reply order; a failed one adds nothing.
    template<typename Unit>
    void checkAppendingList(const QString &kind, bool (VHPrimaryData::*load)(QList<Unit> &))
    {
        const QString path = "/v1/account-service/projects/p1/" + kind;
        m_server.on("GET", path, ScriptedReply::text(R"([{"_id":"a","name":"A"},{"_id":"b"}])"));
        QList<Unit> units;
        QVERIFY((facade()->*load)(units));
        QVERIFY((facade()->*load)(units));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + path);
        QCOMPARE(idsOf(units), QStringList({"a", "b", "a", "b"}));
        QCOMPARE(units.at(0).name, QString("A"));

        m_server.on("GET", path, ScriptedReply::text("", 500));
        QList<Unit> kept{Unit()};
        QVERIFY(!(facade()->*load)(kept));
        QCOMPARE(kept.size(), 1);
    }

    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestOrganisation)
#include "tst_organisation.moc"
