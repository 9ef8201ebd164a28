#include "facadetest.h"
#include "projectprobe.h"
#include "recordtext.h"
#include "requestlines.h"

#include "projects/membercodec.h"

#include <QtTest>

namespace {

const QString membersPath = apiPath("account-service/projects/p1/members");

} // namespace

// The member list of the current project, invitations and membership requests.
class TestMembers : public FacadeTest
{
    Q_OBJECT
private slots:
    // Each row parses into a filled user: the phone number and signature are
    // never read, the names only from a non-empty user.
    void parseMember_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("every member") << QByteArray(R"({
            "_id":"m1","userId":"u2","structureId":"s1","visible":false,
            "user":{"_id":"u9","name":"Ann","nickName":"ann","avatar":"a.png",
                    "phoneNumber":"138","signature":"x"}})")
                                      << QByteArray(R"({"id":"u2","name":"Ann","nickName":"ann",
            "avatar":"a.png","phoneNumber":"139","structureId":"s1","signature":"sig",
            "visible":false})");
        QTest::newRow("no user, visible not a flag")
            << QByteArray(R"({"userId":"u3","visible":"false"})")
            << QByteArray(R"({"id":"u3","name":"Kept","nickName":"nick","avatar":"a",
                              "phoneNumber":"139","signature":"sig"})");
        QTest::newRow("user with some names")
            << QByteArray(R"({"userId":"u3","user":{"nickName":"n","name":7}})")
            << QByteArray(R"({"id":"u3","nickName":"n","phoneNumber":"139","signature":"sig"})");
    }
    void parseMember()
    {
        QFETCH(QByteArray, json);
        QFETCH(QByteArray, expected);
        VHUser parsed = named<VHUser>("old", "Kept");
        parsed.structureId = "old-s";
        parsed.nickName = "nick";
        parsed.avatar = "a";
        parsed.phoneNumber = "139";
        parsed.signature = "sig";
        parsed.visible = false;
        parseProjectMember(jsonObject(json), parsed);
        QCOMPARE(parsed, record<VHUser>(expected));
    }

    // The request's user keeps its structure, signature and visibility;
    // everything else is replaced, by defaults when the reply lacks it.
    void parseRequest()
    {
        VHMemRequest request;
        request.user.structureId = "kept-s";
        request.user.signature = "kept-sig";
        request.user.visible = false;
        parseMemRequest(jsonObject(R"({
            "_id":"r1","hostId":"p1","type":0,"userId":"u2","status":3,"invitationId":"i1",
            "invitedBy":"u1","createdBy":"u2","approvedBy":"u9",
            "approvedData":{"remark":"welcome","positionId":"pos","structureId":"s1"},
            "user":{"_id":"u2","avatar":"a.png","name":"Ann","nickName":"ann",
                    "phoneNumber":"138","signature":"ignored","visible":true}})"),
                        request);
        QCOMPARE(request, record<VHMemRequest>(R"({"id":"r1","hostId":"p1","userId":"u2",
            "status":3,"invitationId":"i1","invitedBy":"u1","createdBy":"u2","approvedBy":"u9",
            "approvedData":{"remark":"welcome","positionId":"pos","structureId":"s1"},
            "user":{"id":"u2","name":"Ann","nickName":"ann","avatar":"a.png","phoneNumber":"138",
                    "structureId":"kept-s","signature":"kept-sig","visible":false}})"));
        parseMemRequest(jsonObject(R"({"type":"1","status":2.5,"approvedData":[]})"), request);
        QCOMPARE(request, record<VHMemRequest>(R"({
            "user":{"structureId":"kept-s","signature":"kept-sig","visible":false}})"));
    }

    void requestsSent()
    {
        QList<VHUser> users;
        facade().getUsers(users, false);
        QCOMPARE(facade().getInviteColleagueLink(), QString());
        VHMemRequest request;
        facade().getRequestsById("r1", request);
        Approved approved;
        approved.remark = "welcome";
        approved.positionId = "not sent";
        approved.structureId = "s1";
        int code = 0;
        facade().passInvitation("r1", approved, code);
        facade().rejectInvitation("r1");
        QCOMPARE(
            requestLines(m_server),
            QStringList({
                "GET account-service/projects/p1/members?expand=true",
                R"(POST account-service/member_invitations {"hostId":"p1","type":0})",
                "GET account-service/member_requests/r1?expand=true",
                R"(PUT account-service/member_requests/r1/pass {"remark":"welcome","structureId":"s1"})",
                "PUT account-service/member_requests/r1/reject {}",
            }));
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
        QCOMPARE(idsOf(ProjectProbe::projectMembers()), QStringList{"u5"});
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
};

QTEST_GUILESS_MAIN(TestMembers)
#include "tst_members.moc"
