#include "facadetest.h"
#include "projectprobe.h"
#include "recordtext.h"
#include "requestlines.h"

#include "VHSoftBase.h"

#include <QtTest>

namespace {

const QString projectsPath = apiPath("account-service/projects");

} // namespace

// Listing, paging, counting, reading, creating and entering projects, the
// capacity check and the facade's project cache.
class TestProjects : public FacadeTest
{
    Q_OBJECT
private slots:
    // Every request once, as the server sees it.
    void requestsSent()
    {
        VHProjectCondition condition;
        condition.words = "tower";
        condition.ownerType = 1;
        condition.ownerId = "c7";
        QList<VHProject> projects;
        facade().getProjects(projects);
        facade().getProjectRangeData(condition, 40, 20, projects);
        condition = VHProjectCondition();
        condition.status = 2;
        int count = 0;
        facade().getProjectRangeCount(condition, count);
        VHProject project = named<VHProject>("ignored", "Tower");
        project.location = "Berlin";
        facade().createProject(project);
        facade().getProjectById("p7", project);
        QVERIFY(!facade().enterProject()); // refused: nothing is scripted
        facade().getProjectCapacityEnough(qint64(5000000000));
        GetSoftCache()->setCurrentProjectId(QString());
        facade().enterProject();
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                "GET account-service/projects?expand=true",
                R"(GET account-service/projects?where={"circleId":"c7","words":"tower"}&expandPayment=true&skip=40&limit=20)",
                R"(GET account-service/projects?where={"status":2}&expandPayment=true&only_count=true)",
                R"(POST account-service/projects {"description":"","location":"Berlin","name":"Tower"})",
                "GET account-service/projects/p7?expand=true",
                "PUT account-service/projects/p1/enter {}",
                "GET account-service/projects/p1/used_capacity?check=true&size=5000000000",
                "PUT account-service/projects//enter {}",
            }));
    }

    // Both lists append in reply order, a failed reply's records included.
    void listsAppend()
    {
        m_server.once("GET", projectsPath,
                      ScriptedReply::text(R"([{"_id":"a","name":"A","status":1},{"_id":"b"}])"));
        m_server.once("GET", projectsPath, ScriptedReply::text(R"([{"_id":"c"}])"));
        m_server.once("GET", projectsPath, ScriptedReply::text(R"([{"_id":"x"}])", 500));
        QList<VHProject> projects{named<VHProject>("old", "Old")};
        QVERIFY(facade().getProjects(projects));
        QVERIFY(facade().getProjectRangeData(VHProjectCondition(), 0, 10, projects));
        QVERIFY(!facade().getProjects(projects));
        QCOMPARE(idsOf(projects), QStringList({"old", "a", "b", "c", "x"}));
        QCOMPARE(projects.at(1).status, 1);
        QVERIFY(ProjectProbe::projects().isEmpty());
    }

    // The count is read from the reply, a failed one included.
    void count()
    {
        m_server.once("GET", projectsPath, ScriptedReply::text(R"({"count":42})"));
        m_server.once("GET", projectsPath, ScriptedReply::text(R"({"count":"42"})"));
        m_server.once("GET", projectsPath, ScriptedReply::text(R"({"count":7})", 503));
        QStringList counted;
        for (int i = 0; i < 3; ++i) {
            int count = 99;
            const bool ok = facade().getProjectRangeCount(VHProjectCondition(), count);
            counted << QString("%1:%2").arg(int(ok)).arg(count);
        }
        QCOMPARE(counted, QStringList({"1:42", "1:0", "0:7"}));
    }

    // Only the code 206 says no, also in a failed reply.
    void capacity()
    {
        const QString path = apiPath("account-service/projects/p1/used_capacity");
        m_server.once("GET", path, ScriptedReply::text(R"({"code":206})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"code":206})", 500));
        m_server.once("GET", path, ScriptedReply::text(R"({"code":200})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"code":"206"})"));
        m_server.once("GET", path, ScriptedReply::text("", 500));
        QList<bool> answers;
        for (int i = 0; i < 5; ++i)
            answers << facade().getProjectCapacityEnough(1);
        QCOMPARE(answers, QList<bool>({false, false, true, true, true}));
    }

    // Remembered under the id asked for, on success only; a failure
    // overwrites the caller's record from the error body.
    void projectByIdAndCreation()
    {
        const QString path = projectsPath + "/p7";
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"other","name":"First"})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"p7","name":"Second"})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"name":"gone"})", 404));
        VHProject project;
        QVERIFY(facade().getProjectById("p7", project));
        QCOMPARE(project.id, QString("other"));
        QCOMPARE(ProjectProbe::projects().value("p7").name, QString("First"));
        QVERIFY(facade().getProjectById("p7", project));
        QVERIFY(!facade().getProjectById("p7", project));
        QCOMPARE(project, named<VHProject>("", "gone"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList{"p7"});
        QCOMPARE(ProjectProbe::projects().value("p7").name, QString("Second"));

        // Creation reads the stored project back and caches nothing.
        m_server.once("POST", projectsPath,
                      ScriptedReply::text(R"({"_id":"new","name":"Tower","createBy":"u1"})", 201));
        m_server.once("POST", projectsPath, ScriptedReply::text(R"({"name":"dup"})", 409));
        project = named<VHProject>("ignored", "Tower");
        project.location = "Berlin";
        project.status = 5;
        QVERIFY(facade().createProject(project));
        QCOMPARE(project, record<VHProject>(R"({"id":"new","name":"Tower","createBy":"u1"})"));
        QVERIFY(!facade().createProject(project));
        QCOMPARE(project, named<VHProject>("", "dup"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList{"p7"});
    }

    // Read once and remembered, also across clear(); a miss leaves a default
    // entry whose empty id makes the next call ask again; the current project
    // follows the settings.
    void currentProject()
    {
        const QString path = projectsPath + "/p1";
        m_server.once("GET", path, ScriptedReply::text(R"({"name":"error page"})", 500));
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"p1","name":"Current"})"));
        VHProject project = named<VHProject>("stale", "Stale");
        facade().getCurrentProjectInfo(project);
        QCOMPARE(project, named<VHProject>("", "error page"));
        QCOMPARE(ProjectProbe::projects().value("p1"), VHProject());
        QCOMPARE(ProjectProbe::projects().keys(), QStringList{"p1"});

        facade().getCurrentProjectInfo(project);
        project = VHProject();
        facade().clear();
        facade().getCurrentProjectInfo(project);
        QCOMPARE(project.name, QString("Current"));
        QCOMPARE(requestLines(m_server),
                 QStringList({"GET account-service/projects/p1?expand=true",
                              "GET account-service/projects/p1?expand=true"}));

        GetSoftCache()->setCurrentProjectId("p2");
        m_server.on("GET", projectsPath + "/p2",
                    ScriptedReply::text(R"({"_id":"p2","name":"Two"})"));
        facade().getCurrentProjectInfo(project);
        QCOMPARE(project.name, QString("Two"));
        QCOMPARE(ProjectProbe::projects().keys(), QStringList({"p1", "p2"}));
    }
};

QTEST_GUILESS_MAIN(TestProjects)
#include "tst_projects.moc"
