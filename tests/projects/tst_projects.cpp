#include "projectprobe.h"
#include "projecttesting.h"
#include "testserver.h"

#include "VHPrimaryData.h"
#include "VHSoftBase.h"

#include <QtTest>

namespace {

VHProject projectNamed(const QString &id, const QString &name)
{
    VHProject project;
    project.id = id;
    project.name = name;
    return project;
}

const QByteArray twoProjects = R"([{"_id":"a","name":"A","status":1},{"_id":"b","name":"B"}])";

} // namespace

// Listing, paging, counting, reading, creating and entering projects, the
// capacity check and the facade's project cache.
class TestProjects : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
        ProjectProbe::reset();
    }

    void listingAppendsInReplyOrder()
    {
        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::text(twoProjects));
        QList<VHProject> projects{projectNamed("old", "Old")};
        QVERIFY(facade()->getProjects(projects));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects?expand=true"));
        QCOMPARE(idsOf(projects), QStringList({"old", "a", "b"}));
        QCOMPARE(projects.at(1).name, QString("A"));
        QCOMPARE(projects.at(1).status, 1);

        QVERIFY(facade()->getProjects(projects));
        QCOMPARE(idsOf(projects), QStringList({"old", "a", "b", "a", "b"}));
        QVERIFY(ProjectProbe::projects().isEmpty());
    }

    // Both list requests share these outcomes: what the caller's list holds
    // afterwards for a reply that fails or carries no records.
    void listingFailures_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("server error") << 500 << QByteArray("oops") << false << QStringList{"old"};
        QTest::newRow("server error with records")
            << 500 << QByteArray(R"([{"_id":"x"}])") << false << QStringList{"old", "x"};
        QTest::newRow("not json") << 200 << QByteArray("<html>") << true << QStringList{"old"};
        QTest::newRow("an object, not a list")
            << 200 << QByteArray(R"({"_id":"x"})") << true << QStringList{"old"};
        QTest::newRow("elements that are not objects")
            << 200 << QByteArray(R"([1,"x",{"_id":"y"}])") << true << QStringList{"old", "y"};
    }
    void listingFailures()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QStringList, ids);
        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::text(body, status));
        QList<VHProject> all{projectNamed("old", "Old")};
        QCOMPARE(facade()->getProjects(all), ok);
        QCOMPARE(idsOf(all), ids);

        QList<VHProject> page{projectNamed("old", "Old")};
        QCOMPARE(facade()->getProjectRangeData(VHProjectCondition(), 0, 10, page), ok);
        QCOMPARE(idsOf(page), ids);
    }

    void pageCarriesConditionSkipAndLimit()
    {
        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::text(twoProjects));
        VHProjectCondition condition;
        condition.words = "tower";
        condition.ownerType = 1;
        condition.ownerId = "c7";
        QList<VHProject> projects;
        QVERIFY(facade()->getProjectRangeData(condition, 40, 20, projects));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(
            requestLine(seen),
            QString(R"(GET /v1/account-service/projects?where={"circleId":"c7","words":"tower"})"
                    "&expandPayment=true&skip=40&limit=20"));
        QCOMPARE(seen.query.value("expandPayment"), QString("true"));
        QCOMPARE(idsOf(projects), QStringList({"a", "b"}));
    }

    void count_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::newRow("count") << 200 << QByteArray(R"({"count":42})") << true << 42;
        QTest::newRow("no count") << 200 << QByteArray("{}") << true << 0;
        QTest::newRow("count as text") << 200 << QByteArray(R"({"count":"42"})") << true << 0;
        QTest::newRow("not json") << 200 << QByteArray("42 projects") << true << 0;
        QTest::newRow("server error") << 500 << QByteArray() << false << 0;
        QTest::newRow("server error with a count")
            << 503 << QByteArray(R"({"count":7})") << false << 7;
    }
    void count()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(int, count);
        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::text(body, status));
        VHProjectCondition condition;
        condition.status = 2;
        int counted = 99;
        QCOMPARE(facade()->getProjectRangeCount(condition, counted), ok);
        QCOMPARE(counted, count);
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString(R"(GET /v1/account-service/projects?where={"status":2})"
                         "&expandPayment=true&only_count=true"));
    }

    void projectByIdIsCachedUnderTheAskedIdOnSuccessOnly()
    {
        const QString path = apiPath("account-service/projects/p7");
        // The server's record may carry another id; the cache follows the caller.
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"other","name":"First"})"));
        VHProject project;
        QVERIFY(facade()->getProjectById("p7", project));
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p7?expand=true"));
        QCOMPARE(project.id, QString("other"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList{"p7"});
        QCOMPARE(ProjectProbe::projects().value("p7").name, QString("First"));

        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"p7","name":"Second"})"));
        QVERIFY(facade()->getProjectById("p7", project));
        QCOMPARE(ProjectProbe::projects().size(), 1);
        QCOMPARE(ProjectProbe::projects().value("p7").name, QString("Second"));

        // A failure overwrites the caller's record from the error body and
        // leaves the cache alone.
        m_server.once("GET", path, ScriptedReply::text(R"({"message":"gone"})", 404));
        QVERIFY(!facade()->getProjectById("p7", project));
        QCOMPARE(project.id, QString());
        QCOMPARE(project.name, QString());
        QCOMPARE(ProjectProbe::projects().value("p7").name, QString("Second"));

        m_server.once("GET", apiPath("account-service/projects/p8"),
                      ScriptedReply::text("not json", 500));
        project = projectNamed("keep", "Keep");
        QVERIFY(!facade()->getProjectById("p8", project));
        QCOMPARE(project.id, QString());
        QVERIFY(!ProjectProbe::projects().contains("p8"));
    }

    void createPostsNameDescriptionAndLocation()
    {
        m_server.on("POST", apiPath("account-service/projects"),
                    ScriptedReply::text(R"({"_id":"new","name":"Tower","createBy":"u1"})", 201));
        VHProject project;
        project.id = "ignored";
        project.name = "Tower";
        project.location = "Berlin";
        project.status = 5;
        QVERIFY(facade()->createProject(project));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(requestLine(seen), QString("POST /v1/account-service/projects"));
        QCOMPARE(seen.compactBody(),
                 QString(R"({"description":"","location":"Berlin","name":"Tower"})"));
        QCOMPARE(project.id, QString("new"));
        QCOMPARE(project.createBy, QString("u1"));
        QCOMPARE(project.location, QString());
        QCOMPARE(project.status, 0);
        QVERIFY(ProjectProbe::projects().isEmpty());

        m_server.on("POST", apiPath("account-service/projects"),
                    ScriptedReply::text(R"({"code":1,"name":"dup"})", 409));
        project = projectNamed("keep", "Tower");
        QVERIFY(!facade()->createProject(project));
        QCOMPARE(project.id, QString());
        QCOMPARE(project.name, QString("dup"));
    }

    void enterPutsAnEmptyObjectForTheCurrentProject_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("ok");
        QTest::newRow("entered") << "p1" << 200 << true;
        QTest::newRow("refused") << "p1" << 403 << false;
        QTest::newRow("no current project") << "" << 200 << true;
    }
    void enterPutsAnEmptyObjectForTheCurrentProject()
    {
        QFETCH(QString, current);
        QFETCH(int, status);
        QFETCH(bool, ok);
        GetSoftCache()->setCurrentProjectId(current);
        const QString path = apiPath("account-service/projects/" + current + "/enter");
        m_server.on("PUT", path, ScriptedReply::text("", status));
        QCOMPARE(facade()->enterProject(), ok);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(requestLine(seen), "PUT " + path);
        QCOMPARE(seen.compactBody(), QString("{}"));
        QVERIFY(ProjectProbe::projects().isEmpty());
    }

    void capacity_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("enough");
        QTest::newRow("code 206") << 200 << QByteArray(R"({"code":206})") << false;
        QTest::newRow("code 206 in an error reply")
            << 500 << QByteArray(R"({"code":206})") << false;
        QTest::newRow("code 200") << 200 << QByteArray(R"({"code":200})") << true;
        QTest::newRow("code 0") << 200 << QByteArray(R"({"code":0})") << true;
        QTest::newRow("no code") << 200 << QByteArray("{}") << true;
        QTest::newRow("code as text") << 200 << QByteArray(R"({"code":"206"})") << true;
        QTest::newRow("server error") << 500 << QByteArray() << true;
        QTest::newRow("not json") << 200 << QByteArray("206") << true;
    }
    void capacity()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, enough);
        m_server.on("GET", apiPath("account-service/projects/p1/used_capacity"),
                    ScriptedReply::text(body, status));
        QCOMPARE(facade()->getProjectCapacityEnough(qint64(5000000000)), enough);
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p1/used_capacity?check=true"
                         "&size=5000000000"));
    }

    void currentProjectIsReadOnceAndRemembered()
    {
        m_server.on("GET", apiPath("account-service/projects/p1"),
                    ScriptedReply::text(R"({"_id":"p1","name":"Current"})"));
        VHProject project;
        facade()->getCurrentProjectInfo(project);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(requestLine(m_server.lastRequest()),
                 QString("GET /v1/account-service/projects/p1?expand=true"));
        QCOMPARE(project.name, QString("Current"));
        QCOMPARE(ProjectProbe::projects().value("p1").name, QString("Current"));

        project = VHProject();
        facade()->getCurrentProjectInfo(project);
        facade()->clear();
        facade()->getCurrentProjectInfo(project);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(project.name, QString("Current"));
    }

    void currentProjectMissLeavesADefaultEntry()
    {
        m_server.once("GET", apiPath("account-service/projects/p1"),
                      ScriptedReply::text(R"({"name":"error page"})", 500));
        VHProject project = projectNamed("stale", "Stale");
        facade()->getCurrentProjectInfo(project);
        QCOMPARE(project.id, QString());
        QCOMPARE(project.name, QString("error page"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList{"p1"});
        QCOMPARE(ProjectProbe::projects().value("p1").name, QString());

        // The entry's empty id sends the next look-up to the server again.
        m_server.once("GET", apiPath("account-service/projects/p1"),
                      ScriptedReply::text(R"({"_id":"p1","name":"Current"})"));
        facade()->getCurrentProjectInfo(project);
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(project.name, QString("Current"));
        QCOMPARE(ProjectProbe::projects().value("p1").id, QString("p1"));
    }

    void currentProjectFollowsTheSettings()
    {
        ProjectProbe::projects().insert("p1", projectNamed("p1", "First"));
        GetSoftCache()->setCurrentProjectId("p2");
        m_server.on("GET", apiPath("account-service/projects/p2"),
                    ScriptedReply::text(R"({"_id":"p2","name":"Second"})"));
        VHProject project;
        facade()->getCurrentProjectInfo(project);
        QCOMPARE(project.name, QString("Second"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList({"p1", "p2"}));
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestProjects)
#include "tst_projects.moc"
