#include "facadetest.h"
#include "projectprobe.h"
#include "recordtext.h"
#include "requestlines.h"

#include <QtTest>

namespace {

const QString circlesPath = apiPath("account-service/circles");
const QString enterprisesPath = apiPath("account-service/enterprises");
const QString structuresPath = apiPath("account-service/projects/p1/structures");
const QString domainsPath = apiPath("account-service/projects/p1/domains");

} // namespace

// Circles, enterprises and their display names; structures and domains with
// their load flags; species and subcontracts.
class TestOrganisation : public FacadeTest
{
    Q_OBJECT
private slots:
    void requestsSent()
    {
        QList<VHCircle> circles;
        facade().getProjectCircles(circles);
        QList<VHEnterprise> enterprises;
        facade().getProjectEnterprises(enterprises);
        QList<VHStructure> structures;
        facade().getStructures(structures);
        QList<VHDomain> domains;
        facade().getDomain(domains);
        QList<VHSpecies> species;
        facade().getSpecies(species);
        QList<VHSubcontract> subcontracts;
        facade().getSubcontract(subcontracts);
        facade().getSpeciesNameById("x1");
        facade().getSubcontractNameById("x2");
        QCOMPARE(requestLines(m_server),
                 QStringList({
                     "GET account-service/circles",
                     "GET account-service/enterprises",
                     "GET account-service/projects/p1/structures?order=createdAt",
                     "GET account-service/projects/p1/domains",
                     "GET account-service/projects/p1/species",
                     "GET account-service/projects/p1/subcontracts",
                     "GET account-service/species/x1",
                     "GET account-service/subcontracts/x2",
                 }));
    }

    // Both lists are replaced; their units share one map of display names,
    // the short name when there is one, which only a successful load changes.
    void circlesAndEnterprisesNameUnits()
    {
        m_server.once("GET", circlesPath, ScriptedReply::text(R"([
            {"_id":"c1","name":"Circle One","sortName":"C1","enterpriseId":"e1","parentId":"c0"},
            {"_id":"c2","name":"Circle Two","sortName":""},{"_id":"c3","name":"Circle Three"}])"));
        QList<VHCircle> circles{VHCircle()};
        QVERIFY(facade().getProjectCircles(circles));
        QCOMPARE(circles, records<VHCircle>(R"([{"id":"c1","name":"Circle One","sortName":"C1",
            "enterpriseId":"e1","parentId":"c0"},{"id":"c2","name":"Circle Two"},
            {"id":"c3","name":"Circle Three"}])"));
        m_server.once("GET", enterprisesPath, ScriptedReply::text(R"([
            {"_id":"c1","name":"Same id","sortName":"Enterprise"},{"_id":"e2","name":"Second","sortName":7}])"));
        QList<VHEnterprise> enterprises{VHEnterprise()};
        QVERIFY(facade().getProjectEnterprises(enterprises));
        QCOMPARE(idsOf(enterprises), QStringList({"c1", "e2"}));
        QCOMPARE(enterprises.at(1).sortName, QString());
        QStringList names;
        for (const char *id : {"c1", "c2", "c3", "e2"})
            names << facade().getProjectCircleName(id);
        QCOMPARE(names, QStringList({"Enterprise", "Circle Two", "Circle Three", "Second"}));

        m_server.once("GET", circlesPath, ScriptedReply::text(R"([{"_id":"c1","name":"Again"}])"));
        m_server.once("GET", circlesPath, ScriptedReply::text(R"([{"_id":"c1","name":"X"}])", 500));
        m_server.once("GET", enterprisesPath, ScriptedReply::text(R"([{"_id":"c1"}])", 500));
        QVERIFY(facade().getProjectCircles(circles));
        QCOMPARE(facade().getProjectCircleName("c1"), QString("Again"));
        QVERIFY(!facade().getProjectCircles(circles));
        QVERIFY(!facade().getProjectEnterprises(enterprises));
        QCOMPARE(idsOf(circles) + idsOf(enterprises), QStringList({"c1", "c1"}));
        QCOMPARE(facade().getProjectCircleName("c1"), QString("Again"));

        // An unknown id is remembered with an empty name; nobody is asked.
        QCOMPARE(facade().getProjectCircleName("nobody"), QString());
        QVERIFY(ProjectProbe::orgNameById().contains("nobody"));
        QCOMPARE(m_server.requestCount(), 5);
    }

    // Loaded once; whatever the caller's list held joins the cache, which a
    // failed load fills too and the next call replaces.
    void structures()
    {
        m_server.once("GET", structuresPath,
                      ScriptedReply::text(R"([{"_id":"s9","name":"Partial"}])", 500));
        QList<VHStructure> structures{named<VHStructure>("mine", "Mine")};
        QVERIFY(!facade().getStructures(structures));
        QVERIFY(!ProjectProbe::structuresLoaded());
        QCOMPARE(idsOf(ProjectProbe::structures()), QStringList({"mine", "s9"}));
        // A name is looked up in what the failed load left, without a request.
        QCOMPARE(facade().getStructureName("s9"), QString("Partial"));

        m_server.once("GET", structuresPath, ScriptedReply::text(R"([
            {"_id":"s1","name":"Site","hostId":"p1","parentId":"s0","authTemplateId":"t1",
             "type":2,"level":3},{"_id":"s2","name":"Office","type":"2","level":1.5}])"));
        structures = {named<VHStructure>("mine", "Mine")};
        QVERIFY(facade().getStructures(structures));
        QCOMPARE(structures, records<VHStructure>(R"([{"id":"mine","name":"Mine"},
            {"id":"s1","name":"Site","hostId":"p1","parentId":"s0","authTemplateId":"t1","type":2,
             "level":3},{"id":"s2","name":"Office"}])"));
        QVERIFY(ProjectProbe::structuresLoaded());
        structures = {named<VHStructure>("other", "Other")};
        QVERIFY(facade().getStructures(structures));
        QCOMPARE(idsOf(structures), QStringList({"mine", "s1", "s2"}));
        QCOMPARE(facade().getStructureName("s2"), QString("Office"));
        QCOMPARE(m_server.requestCount(), 2);

        // Loaded and empty: nothing to ask.
        ProjectProbe::structures().clear();
        QCOMPARE(facade().getStructureName("s1"), QString());
        QCOMPARE(m_server.requestCount(), 2);
        // Nothing known: a name look-up loads, until a load succeeds.
        ProjectProbe::structuresLoaded() = false;
        m_server.once("GET", structuresPath, ScriptedReply::text("", 500));
        m_server.once("GET", structuresPath, ScriptedReply::text(R"([
            {"_id":"s1","name":"Site"},{"_id":"s1","name":"Dup"}])"));
        QCOMPARE(facade().getStructureName("s1"), QString());
        QCOMPARE(facade().getStructureName("s1"), QString("Site"));
        QCOMPARE(facade().getStructureName("s7"), QString());
        QCOMPARE(m_server.requestCount(), 4);
    }

    // A successful load replaces the cache; a failed one leaves it and clears
    // the flag, so the next name look-up loads into the cache until one succeeds.
    void domains()
    {
        m_server.once(
            "GET", domainsPath,
            ScriptedReply::text(R"([{"_id":"d1","name":"Civil"},{"_id":"d2","name":5}])"));
        QList<VHDomain> domains{named<VHDomain>("mine", "Mine")};
        QVERIFY(facade().getDomain(domains));
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"mine", "d1", "d2"}));
        QCOMPARE(facade().getDomainNameById("d1") + "|" + facade().getDomainNameById("d2") + "|" +
                     facade().getDomainNameById("d9"),
                 QString("Civil||"));

        m_server.once("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d5"}])", 500));
        domains.clear();
        QVERIFY(!facade().getDomain(domains));
        QCOMPARE(idsOf(domains), QStringList{"d5"});
        QVERIFY(!ProjectProbe::domainsLoaded());
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"mine", "d1", "d2"}));

        m_server.once("GET", domainsPath,
                      ScriptedReply::text(R"([{"_id":"d5","name":"Half"}])", 500));
        m_server.once("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d7","name":"Full"}])"));
        QCOMPARE(facade().getDomainNameById("d5"), QString("Half"));
        QVERIFY(!ProjectProbe::domainsLoaded());
        QCOMPARE(facade().getDomainNameById("d1"), QString("Civil"));
        QVERIFY(ProjectProbe::domainsLoaded());
        QCOMPARE(facade().getDomainNameById("d7"), QString("Full"));
        QCOMPARE(idsOf(ProjectProbe::domains()), QStringList({"mine", "d1", "d2", "d5", "d7"}));
        QCOMPARE(m_server.requestCount(), 4);
    }

    // Species and subcontracts append; their names come from the server each
    // time, empty from a failed reply whatever it carries.
    void speciesAndSubcontracts()
    {
        m_server.on("GET", apiPath("account-service/projects/p1/species"),
                    ScriptedReply::text(R"([{"_id":"a","name":"A"},{"_id":"b"}])"));
        QList<VHSpecies> species{named<VHSpecies>("mine", "")};
        QVERIFY(facade().getSpecies(species));
        QVERIFY(facade().getSpecies(species));
        QCOMPARE(idsOf(species), QStringList({"mine", "a", "b", "a", "b"}));
        QCOMPARE(species.at(1).name, QString("A"));

        const QString path = apiPath("account-service/subcontracts/x1");
        m_server.once("GET", path, ScriptedReply::text(R"({"name":"Steel"})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"name":"Steel"})", 500));
        QCOMPARE(facade().getSubcontractNameById("x1"), QString("Steel"));
        QCOMPARE(facade().getSubcontractNameById("x1"), QString());
    }
};

QTEST_GUILESS_MAIN(TestOrganisation)
#include "tst_organisation.moc"
