#include "facadeprobe.h"
#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include "VHSoftBase.h"
#include "core/requestframe.h"
#include "projects/configurationcodec.h"
#include "projects/membercodec.h"
#include "projects/projectcodec.h"

#include <QtTest>

namespace {

const QString projectsPath = apiPath("account-service/projects");
const QString membersPath = apiPath("account-service/projects/p1/members");
const QString circlesPath = apiPath("account-service/circles");
const QString enterprisesPath = apiPath("account-service/enterprises");
const QString structuresPath = apiPath("account-service/projects/p1/structures");
const QString domainsPath = apiPath("account-service/projects/p1/domains");

} // namespace

// Projects and their codec, members and membership requests, the
// organisation (circles, enterprises, structures, domains, species,
// subcontracts) and the project's configuration lists, with the caches the
// facade keeps of them.
class TestProjects : public FacadeTest
{
    Q_OBJECT
private slots:
    // Each row parses into a record that already holds values. Members: the
    // phone number and signature are never read, the names only from a
    // non-empty user. A request's user keeps its structure, signature and
    // visibility.
    void parse_data()
    {
        addParseColumns();
        const ParseCheck project = parsing(::parseProject, R"({"id":"old","name":"n",
            "pictures":["f0"],"city":"Paris","road":"r","adminIds":["a"],"platforms":["p"],
            "status":4,"duration":9,"startAt":"2020-01-01T00:00:00.000Z","updateBy":"x"})");
        QTest::newRow("project, every member") << project << QByteArray(R"({
            "_id":"p9","name":"Tower","sortName":"T","description":"high",
            "enterpriseId":"e1","circleId":"c1","location":"Berlin","paymentId":"pay1",
            "pictures":[{"fileId":"f1","url":"x"},{"fileId":"f2"}],
            "address":{"state":"DE","province":"BE","city":"Berlin","area":"Mitte","road":"Linden"},
            "adminIds":["u1","u2"],"status":2,"platforms":["pc","web"],"duration":30,
            "startAt":"2026-01-01T08:00:00.000Z","endAt":"2026-01-02T09:00:00.500Z",
            "expireAt":"2026-01-03T10:00:00.000Z","createAt":"2026-01-04T11:00:00.000Z",
            "createBy":"u1","updateAt":"2026-01-05T12:00:00.000Z","updateBy":"u2",
            "payment":{"plan":"gold"}})") << QByteArray(R"({
            "id":"p9","name":"Tower","sortName":"T","description":"high",
            "enterpriseId":"e1","circleId":"c1","location":"Berlin","paymentId":"pay1",
            "pictures":["f1","f2"],"state":"DE","province":"BE","city":"Berlin","area":"Mitte",
            "road":"Linden","adminIds":["u1","u2"],"status":2,"platforms":["pc","web"],
            "duration":30,"startAt":"2026-01-01T08:00:00.000Z","endAt":"2026-01-02T09:00:00.500Z",
            "expireAt":"2026-01-03T10:00:00.000Z","createAt":"2026-01-04T11:00:00.000Z",
            "createBy":"u1","updateAt":"2026-01-05T12:00:00.000Z","updateBy":"u2"})");
        QTest::newRow("project, empty object") << project << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("project, picture without file id, address with some members")
            << project << QByteArray(R"({"pictures":[{"fileId":"a"},{"url":"b"},{"fileId":"c"},"d"],
                              "address":{"city":"Rome","road":7}})")
            << QByteArray(R"({"pictures":["a","","c",""],"city":"Rome"})");

        const ParseCheck member = parsing(parseProjectMember, R"({"id":"old","name":"Kept",
            "structureId":"old-s","nickName":"nick","avatar":"a","phoneNumber":"139",
            "signature":"sig","visible":false})");
        QTest::newRow("member, every member")
            << member << QByteArray(R"({
            "_id":"m1","userId":"u2","structureId":"s1","visible":false,
            "user":{"_id":"u9","name":"Ann","nickName":"ann","avatar":"a.png",
                    "phoneNumber":"138","signature":"x"}})")
            << QByteArray(R"({"id":"u2","name":"Ann","nickName":"ann",
            "avatar":"a.png","phoneNumber":"139","structureId":"s1","signature":"sig",
            "visible":false})");
        QTest::newRow("member, no user, visible not a flag")
            << member << QByteArray(R"({"userId":"u3","visible":"false"})")
            << QByteArray(R"({"id":"u3","name":"Kept","nickName":"nick","avatar":"a",
                              "phoneNumber":"139","signature":"sig"})");
        QTest::newRow("member, user with some names")
            << member << QByteArray(R"({"userId":"u3","user":{"nickName":"n","name":7}})")
            << QByteArray(R"({"id":"u3","nickName":"n","phoneNumber":"139","signature":"sig"})");

        const ParseCheck request = parsing(parseMemRequest, R"({"id":"old","hostId":"h",
            "type":5,"userId":"u","status":1,"invitationId":"i","invitedBy":"b","createdBy":"c",
            "approvedBy":"a","approvedData":{"remark":"r","positionId":"p","structureId":"s"},
            "user":{"id":"x","name":"n","nickName":"k","avatar":"v","phoneNumber":"1",
                    "structureId":"kept-s","signature":"kept-sig","visible":false}})");
        QTest::newRow("request, every member")
            << request << QByteArray(R"({
            "_id":"r1","hostId":"p1","type":0,"userId":"u2","status":3,"invitationId":"i1",
            "invitedBy":"u1","createdBy":"u2","approvedBy":"u9",
            "approvedData":{"remark":"welcome","positionId":"pos","structureId":"s1"},
            "user":{"_id":"u2","avatar":"a.png","name":"Ann","nickName":"ann",
                    "phoneNumber":"138","signature":"ignored","visible":true}})")
            << QByteArray(R"({"id":"r1","hostId":"p1","userId":"u2",
            "status":3,"invitationId":"i1","invitedBy":"u1","createdBy":"u2","approvedBy":"u9",
            "approvedData":{"remark":"welcome","positionId":"pos","structureId":"s1"},
            "user":{"id":"u2","name":"Ann","nickName":"ann","avatar":"a.png","phoneNumber":"138",
                    "structureId":"kept-s","signature":"kept-sig","visible":false}})");
        QTest::newRow("request, mistyped members")
            << request << QByteArray(R"({"type":"1","status":2.5,"approvedData":[]})")
            << QByteArray(
                   R"({"user":{"structureId":"kept-s","signature":"kept-sig","visible":false}})");

        const ParseCheck module = parsing(::parseModule);
        QTest::newRow("module, empty object") << module << QByteArray("{}") << QByteArray("{}");
        QTest::newRow("module, every member") << module << QByteArray(R"({
            "_id":"m1","nickName":"Quality","name":"QA","i18n":{"en_US":"Quality check",
            "zh_CN":"x"},"key":"quality","category":"site","icon":"q.svg","value":false,
            "internal":true,"enable":false,"statistics":true})")
                                              << QByteArray(R"({"id":"m1","name":"Quality",
            "i18nName":"Quality check","key":"quality","category":"site","icon":"q.svg",
            "value":false,"internal":true,"enable":false,"statistics":true})");
        QTest::newRow("module, empty nickname")
            << module << QByteArray(R"({"nickName":"","name":"QA"})")
            << QByteArray(R"({"name":"QA"})");

        const ParseCheck group = parsing(::parseModuleGroup, R"({"id":"old","name":"n",
            "i18nName":"i","parentId":"p","type":"t","module":{"id":"m0","name":"x","value":false}})");
        QTest::newRow("module group, every member") << group << QByteArray(R"({"_id":"g1",
            "name":"Site","parentId":"g0","type":"menu","i18n":{"en_US":"Site work"},
            "module":{"_id":"m1","name":"QA","value":false}})")
                                                    << QByteArray(R"({"id":"g1","name":"Site",
            "i18nName":"Site work","parentId":"g0","type":"menu",
            "module":{"id":"m1","name":"QA","value":false}})");
        QTest::newRow("module group, mistyped type")
            << group << QByteArray(R"({"type":2})") << QByteArray("{}");
    }
    void parse() { checkParseRow(); }

    void creationBodySendsNameDescriptionAndLocationOnly()
    {
        const VHProject project = record<VHProject>(
            R"({"id":"p1","name":"Tower","description":"high","sortName":"not sent","status":3})");
        QCOMPARE(RequestFrame::compactJson(projectToJson(project)),
                 QString(R"({"description":"high","location":"","name":"Tower"})"));
    }

    // Each row: a search condition, written by field, and its "where=" text.
    void whereText_data()
    {
        QTest::addColumn<QByteArray>("condition");
        QTest::addColumn<QString>("where"); // before "&expandPayment=true"
        QTest::newRow("default condition") << QByteArray("{}") << "{}";
        QTest::newRow("enterprise scope with words and status")
            << QByteArray(R"({"words":"tower","status":1,"ownerType":0,"ownerId":"e1"})")
            << R"({"circleId":"e1","enterpriseId":"e1","status":1,"words":"tower"})";
        QTest::newRow("enterprise scope with empty id")
            << QByteArray(R"({"ownerType":0})") << R"({"circleId":"","enterpriseId":""})";
        QTest::newRow("only the exact text null switches")
            << QByteArray(R"({"ownerType":0,"ownerId":"NULL","excludeEnterpriseIds":["e1","e2"]})")
            << R"({"circleId":"NULL","enterpriseId":"NULL"})";
        QTest::newRow("no enterprise, excluded enterprises")
            << QByteArray(R"({"ownerType":0,"ownerId":"null","excludeEnterpriseIds":["e1","e2"]})")
            << R"({"enterpriseId":{"$nin":["e1","e2"]}})";
        QTest::newRow("no enterprise, excluded circles")
            << QByteArray(R"({"ownerType":0,"ownerId":"null","excludeCircleIds":["c1"]})")
            << R"({"circleId":{"$nin":["c1"]}})";
        QTest::newRow("no enterprise, nothing excluded, status 0")
            << QByteArray(R"({"words":"a b","status":0,"ownerType":0,"ownerId":"null"})")
            << R"({"status":0,"words":"a b"})";
        QTest::newRow("circle scope ignores the exclusions")
            << QByteArray(R"({"ownerType":1,"ownerId":"null","excludeEnterpriseIds":["e1","e2"],
                              "excludeCircleIds":["c1"]})")
            << R"({"circleId":"null"})";
        QTest::newRow("no owner filter")
            << QByteArray(R"({"ownerType":2,"ownerId":"e1","excludeEnterpriseIds":["e1","e2"],
                              "excludeCircleIds":["c1"]})")
            << "{}";
        QTest::newRow("search text as it stands")
            << QByteArray(R"({"words":"50% off & {more}"})") << R"({"words":"50% off & {more}"})";
    }
    void whereText()
    {
        QFETCH(QByteArray, condition);
        QFETCH(QString, where);
        QCOMPARE(projectConditionToWhere(record<VHProjectCondition>(condition)),
                 where + "&expandPayment=true");
    }

    // Every request once, as the server sees it.
    void requestsSent()
    {
        facade().getUsers(ignored<QList<VHUser>>(), false);
        QCOMPARE(facade().getInviteColleagueLink(), QString());
        facade().getRequestsById("r1", ignored<VHMemRequest>());
        facade().passInvitation(
            "r1",
            record<Approved>(R"({"remark":"welcome","positionId":"not sent","structureId":"s1"})"),
            ignored<int>());
        facade().rejectInvitation("r1");
        facade().getProjectCircles(ignored<QList<VHCircle>>());
        facade().getProjectEnterprises(ignored<QList<VHEnterprise>>());
        facade().getStructures(ignored<QList<VHStructure>>());
        facade().getDomain(ignored<QList<VHDomain>>());
        facade().getSpecies(ignored<QList<VHSpecies>>());
        facade().getSubcontract(ignored<QList<VHSubcontract>>());
        facade().getSpeciesNameById("x1");
        facade().getSubcontractNameById("x2");
        facade().getProjects(ignored<QList<VHProject>>());
        facade().getProjectRangeData(
            record<VHProjectCondition>(R"({"words":"tower","ownerType":1,"ownerId":"c7"})"), 40, 20,
            ignored<QList<VHProject>>());
        facade().getProjectRangeCount(record<VHProjectCondition>(R"({"status":2})"),
                                      ignored<int>());
        VHProject project =
            record<VHProject>(R"({"id":"ignored","name":"Tower","location":"Berlin"})");
        facade().createProject(project);
        facade().getProjectById("p7", project);
        QVERIFY(!facade().enterProject()); // refused: nothing is scripted
        facade().getProjectCapacityEnough(qint64(5000000000));
        GetSoftCache()->setCurrentProjectId(QString());
        facade().enterProject();
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                "GET account-service/projects/p1/members?expand=true",
                R"(POST account-service/member_invitations {"hostId":"p1","type":0})",
                "GET account-service/member_requests/r1?expand=true",
                R"(PUT account-service/member_requests/r1/pass {"remark":"welcome","structureId":"s1"})",
                "PUT account-service/member_requests/r1/reject {}",
                "GET account-service/circles",
                "GET account-service/enterprises",
                "GET account-service/projects/p1/structures?order=createdAt",
                "GET account-service/projects/p1/domains",
                "GET account-service/projects/p1/species",
                "GET account-service/projects/p1/subcontracts",
                "GET account-service/species/x1",
                "GET account-service/subcontracts/x2",
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
        QVERIFY(facadeState().m_projects.isEmpty());
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
        QCOMPARE(facadeState().m_projects.value("p7").name, QString("First"));
        QVERIFY(facade().getProjectById("p7", project));
        QVERIFY(!facade().getProjectById("p7", project));
        QCOMPARE(project, named<VHProject>("", "gone"));
        QCOMPARE(facadeState().m_projects.keys(), QStringList{"p7"});
        QCOMPARE(facadeState().m_projects.value("p7").name, QString("Second"));

        // Creation reads the stored project back and caches nothing.
        m_server.once("POST", projectsPath,
                      ScriptedReply::text(R"({"_id":"new","name":"Tower","createBy":"u1"})", 201));
        m_server.once("POST", projectsPath, ScriptedReply::text(R"({"name":"dup"})", 409));
        project =
            record<VHProject>(R"({"id":"ignored","name":"Tower","location":"Berlin","status":5})");
        QVERIFY(facade().createProject(project));
        QCOMPARE(project, record<VHProject>(R"({"id":"new","name":"Tower","createBy":"u1"})"));
        QVERIFY(!facade().createProject(project));
        QCOMPARE(project, named<VHProject>("", "dup"));
        QCOMPARE(facadeState().m_projects.keys(), QStringList{"p7"});
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
        QCOMPARE(facadeState().m_projects.value("p1"), VHProject());
        QCOMPARE(facadeState().m_projects.keys(), QStringList{"p1"});

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
        QCOMPARE(facadeState().m_projects.keys(), QStringList({"p1", "p2"}));
    }

    // Loaded when asked to refresh or when nothing is loaded, else served
    // from memory; a failed load keeps what its reply carried.
    void memberCache()
    {
        m_server.once("GET", membersPath,
                      ScriptedReply::text(R"([{"userId":"u1","user":{"name":"Ann"}},
                                              {"userId":"u2","structureId":"s2"}])"));
        QList<VHUser> users{named<VHUser>("junk")};
        facade().getUsers(users, false);
        QCOMPARE(users, records<VHUser>(R"([{"id":"u1","name":"Ann"},
                                             {"id":"u2","structureId":"s2"}])"));
        facade().getUsers(users, false);
        QCOMPARE(m_server.requestCount(), 1);

        m_server.once("GET", membersPath, ScriptedReply::text(R"([{"userId":"u3"}])"));
        facade().getUsers(users, true);
        QCOMPARE(idsOf(users), QStringList{"u3"});
        m_server.once("GET", membersPath, ScriptedReply::text(R"([{"userId":"u5"}])", 500));
        facade().initProjectMembers();
        QCOMPARE(idsOf(facadeState().m_projectMembers), QStringList{"u5"});
        m_server.once("GET", membersPath, ScriptedReply::text("oops", 500));
        facade().getUsers(users, true);
        QVERIFY(users.isEmpty());
        QCOMPARE(m_server.requestCount(), 4);

        // A user asked for without refresh loads the members first.
        m_server.once("GET", membersPath,
                      ScriptedReply::text(R"([{"userId":"u1","structureId":"s1"}])"));
        VHUser found;
        QVERIFY(facade().getUser("u1", found, false));
        QCOMPARE(found, record<VHUser>(R"({"id":"u1","structureId":"s1"})"));
        QCOMPARE(m_server.requestCount(), 5);
        m_server.once("GET", membersPath, ScriptedReply::text("", 500));
        facade().initProjectMembers();
        found = named<VHUser>("before");
        QVERIFY(!facade().getUser("u1", found, false));
        QCOMPARE(found.id, QString("before"));
        QCOMPARE(m_server.requestCount(), 7);
    }

    // The link and the verdict code; no link from a failed reply.
    void invitationAndVerdicts()
    {
        const QString invitations = apiPath("account-service/member_invitations");
        m_server.once("POST", invitations, ScriptedReply::text(R"({"qrCode":"invite/p1/a"})", 201));
        m_server.once("POST", invitations, ScriptedReply::text(R"({"qrCode":"invite/p1/a"})", 500));
        QCOMPARE(facade().getInviteColleagueLink(), QString("invite/p1/a"));
        QCOMPARE(facade().getInviteColleagueLink(), QString());

        const QString pass = apiPath("account-service/member_requests/r1/pass");
        m_server.once("PUT", pass, ScriptedReply::text(R"({"code":3})"));
        m_server.once("PUT", pass, ScriptedReply::text(R"({"code":5})", 409));
        m_server.once("PUT", pass, ScriptedReply::text(R"({"code":"5"})"));
        QStringList verdicts;
        for (int i = 0; i < 3; ++i) {
            int code = 99;
            const bool ok = facade().passInvitation("r1", Approved(), code);
            verdicts << QString("%1:%2").arg(int(ok)).arg(code);
        }
        QCOMPARE(verdicts, QStringList({"1:3", "0:5", "1:0"}));

        const QString path = apiPath("account-service/member_requests/r1");
        m_server.once("GET", path, ScriptedReply::text(R"({"_id":"r1","user":{"_id":"u2"}})"));
        m_server.once("GET", path, ScriptedReply::text(R"({"status":9})", 404));
        VHMemRequest request;
        QVERIFY(facade().getRequestsById("r1", request));
        QCOMPARE(request.id + "|" + request.user.id, QString("r1|u2"));
        QVERIFY(!facade().getRequestsById("r1", request));
        QCOMPARE(request, record<VHMemRequest>(R"({"status":9})"));
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
        QVERIFY(facadeState().m_orgNameById.contains("nobody"));
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
        QVERIFY(!facadeState().m_structuresLoaded);
        QCOMPARE(idsOf(facadeState().m_structures), QStringList({"mine", "s9"}));
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
        QVERIFY(facadeState().m_structuresLoaded);
        structures = {named<VHStructure>("other", "Other")};
        QVERIFY(facade().getStructures(structures));
        QCOMPARE(idsOf(structures), QStringList({"mine", "s1", "s2"}));
        QCOMPARE(facade().getStructureName("s2"), QString("Office"));
        QCOMPARE(m_server.requestCount(), 2);

        // Loaded and empty: nothing to ask.
        facadeState().m_structures.clear();
        QCOMPARE(facade().getStructureName("s1"), QString());
        QCOMPARE(m_server.requestCount(), 2);
        // Nothing known: a name look-up loads, until a load succeeds.
        facadeState().m_structuresLoaded = false;
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
        QCOMPARE(idsOf(facadeState().m_domains), QStringList({"mine", "d1", "d2"}));
        QCOMPARE(facade().getDomainNameById("d1") + "|" + facade().getDomainNameById("d2") + "|" +
                     facade().getDomainNameById("d9"),
                 QString("Civil||"));

        m_server.once("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d5"}])", 500));
        domains.clear();
        QVERIFY(!facade().getDomain(domains));
        QCOMPARE(idsOf(domains), QStringList{"d5"});
        QVERIFY(!facadeState().m_domainsLoaded);
        QCOMPARE(idsOf(facadeState().m_domains), QStringList({"mine", "d1", "d2"}));

        m_server.once("GET", domainsPath,
                      ScriptedReply::text(R"([{"_id":"d5","name":"Half"}])", 500));
        m_server.once("GET", domainsPath, ScriptedReply::text(R"([{"_id":"d7","name":"Full"}])"));
        QCOMPARE(facade().getDomainNameById("d5"), QString("Half"));
        QVERIFY(!facadeState().m_domainsLoaded);
        QCOMPARE(facade().getDomainNameById("d1"), QString("Civil"));
        QVERIFY(facadeState().m_domainsLoaded);
        QCOMPARE(facade().getDomainNameById("d7"), QString("Full"));
        QCOMPARE(idsOf(facadeState().m_domains), QStringList({"mine", "d1", "d2", "d5", "d7"}));
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

    void parsePeriods_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("periods");
        QTest::newRow("text values") << QByteArray(R"([
            {"_id":"x","properties":[{"key":"start","value":"2026-01"},{"key":"end","value":"2026-06"}]},
            {"properties":[{"key":"name","value":"Phase 2"}]}])")
                                     << QByteArray(R"([{"properties":{"end":"2026-06",
            "start":"2026-01"}},{"properties":{"name":"Phase 2"}}])");
        QTest::newRow("numbers") << QByteArray(R"([{"properties":[
            {"key":"a","value":2.5},{"key":"b","value":1234567},{"key":"c","value":7},
            {"key":"d","value":0.0001234567}]}])")
                                 << QByteArray(R"([{"properties":{"a":"2.5","b":"1.23457e+06",
            "c":"7","d":"0.000123457"}}])");
        QTest::newRow("missing, empty and other values")
            << QByteArray(R"([{"properties":[
            {"key":"a"},{"key":"b","value":""},{"key":"c","value":true},{"key":"d","value":null}]}])")
            << QByteArray(R"([{"properties":{"a":"0","b":"0","c":"0","d":"0"}}])");
        QTest::newRow("the later of two equal keys, a property without key")
            << QByteArray(R"([{"properties":[{"key":"a","value":"1"},{"key":"a","value":"2"},
                                             {"value":"v"}]}])")
            << QByteArray(R"([{"properties":{"":"v","a":"2"}}])");
        QTest::newRow("elements without properties")
            << QByteArray(R"([{},"x",{"properties":"a"}])") << QByteArray("[{},{},{}]");
    }
    void parsePeriods()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, periods);
        QList<VHPeriod> parsed;
        ::parsePeriods(QJsonDocument::fromJson(json).array(), parsed);
        QCOMPARE(parsed, records<VHPeriod>(periods));
    }

    // Every list appends in reply order but the module groups, which are
    // replaced; a failed reply's records count all the same.
    void listsFromTheServer()
    {
        const auto reply = [this](const char *path, const QByteArray &body) {
            m_server.on("GET", apiPath(path), ScriptedReply::text(body));
        };
        reply("account-service/projects/p1/encodingpairs",
              R"([{"_id":"e1","key":"B","value":"Building"}])");
        reply("account-service/projects/p1/encodingrules",
              R"([{"_id":"r1","rule":"B-F","separator":"-"}])");
        reply("account-service/projects/p1/modules", R"([{"_id":"m1","name":"QA"},{"_id":"m2"}])");
        reply("account-service/module_groups",
              R"([{"_id":"g1","module":{"_id":"m1"}},{"_id":"g2"}])");
        reply("ka-reth-service/velto/periods/E-01",
              R"([{"properties":[{"key":"a","value":2.5}]}])");

        QList<VHEncodePair> pairs{VHEncodePair()};
        QVERIFY(facade().getProjectEncodePair(pairs));
        QCOMPARE(pairs, records<VHEncodePair>(R"([{},{"id":"e1","key":"B","value":"Building"}])"));
        QList<VHEncodeRule> rules{VHEncodeRule()};
        QVERIFY(facade().getProjectEncodeRule(rules));
        QCOMPARE(rules, records<VHEncodeRule>(R"([{},{"id":"r1","rule":"B-F","separator":"-"}])"));
        QList<VHModule> modules{VHModule()};
        QVERIFY(facade().getModule(modules));
        QCOMPARE(idsOf(modules), QStringList({"", "m1", "m2"}));
        QList<VHModuleGroup> groups{VHModuleGroup()};
        QVERIFY(facade().getModuleGroup(groups));
        QVERIFY(facade().getModuleGroup(groups));
        QCOMPARE(idsOf(groups), QStringList({"g1", "g2"}));
        QCOMPARE(groups.at(0).module.id, QString("m1"));
        QList<VHPeriod> periods{VHPeriod()};
        QVERIFY(facade().getPeriodByEntityCode("E-01", periods));
        QCOMPARE(periods, records<VHPeriod>(R"([{},{"properties":{"a":"2.5"}}])"));
        QCOMPARE(requestLines(m_server),
                 QStringList({
                     "GET account-service/projects/p1/encodingpairs",
                     "GET account-service/projects/p1/encodingrules",
                     "GET account-service/projects/p1/modules?authorized=all",
                     "GET account-service/module_groups?device=pc",
                     "GET account-service/module_groups?device=pc",
                     "GET ka-reth-service/velto/periods/E-01",
                 }));

        m_server.reset();
        const ScriptedReply failure = ScriptedReply::text(R"([{"_id":"x"}])", 500);
        m_server.on("GET", apiPath("account-service/module_groups"), failure);
        m_server.on("GET", apiPath("ka-reth-service/velto/periods/E"), failure);
        QVERIFY(!facade().getModuleGroup(groups));
        QCOMPARE(idsOf(groups), QStringList{"x"});
        QVERIFY(!facade().getPeriodByEntityCode("E", periods));
        QCOMPARE(periods.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestProjects)
#include "tst_projects.moc"
