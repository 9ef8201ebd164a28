#include "projectprobe.h"
#include "projecttesting.h"
#include "testserver.h"

#include "projects/membercodec.h"

#include "VHPrimaryData.h"

#include <QJsonDocument>
#include <QtTest>

Q_DECLARE_METATYPE(VHUser)

namespace {

QString userText(const VHUser &u)
{
    return QStringList{"id=" + u.id,
                       "name=" + u.name,
                       "nickName=" + u.nickName,
                       "avatar=" + u.avatar,
                       "phoneNumber=" + u.phoneNumber,
                       "structureId=" + u.structureId,
                       "signature=" + u.signature,
                       QString("visible=") + (u.visible ? "true" : "false")}
        .join('\n');
}

VHUser user(const QString &id, const QString &name, const QString &structureId = QString(),
            bool visible = true)
{
    VHUser u;
    u.id = id;
    u.name = name;
    u.structureId = structureId;
    u.visible = visible;
    return u;
}

const QString membersPath = "/v1/account-service/projects/p1/members";

} // namespace

// The member list of the current project, invitations and membership requests.
class TestMembers : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
        ProjectProbe::reset();
    }

    void parseMember_data()
    {
        QTest::addColumn<VHUser>("before");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<VHUser>("expected");
        VHUser full = user("u2", "Ann", "s1", false);
        full.nickName = "ann";
        full.avatar = "a.png";
        QTest::newRow("every member") << VHUser() << QByteArray(R"({
            "_id":"m1","userId":"u2","structureId":"s1","visible":false,
            "user":{"_id":"u2","name":"Ann","nickName":"ann","avatar":"a.png",
                    "phoneNumber":"138","signature":"sig"}})")
                                      << full;
        QTest::newRow("no user object")
            << VHUser() << QByteArray(R"({"userId":"u2","structureId":"s1"})")
            << user("u2", "", "s1");
        QTest::newRow("visible that is not a boolean")
            << VHUser() << QByteArray(R"({"userId":"u2","visible":"false"})") << user("u2", "");
        VHUser earlier = user("old", "Kept", "old-s", false);
        earlier.phoneNumber = "139";
        VHUser kept = user("u3", "Kept", "");
        kept.phoneNumber = "139";
        QTest::newRow("empty user keeps the names")
            << earlier << QByteArray(R"({"userId":"u3","user":{}})") << kept;
        QTest::newRow("user that is not an object")
            << earlier << QByteArray(R"({"userId":"u3","user":"Ann"})") << kept;
        VHUser replaced = kept;
        replaced.name = "";
        replaced.nickName = "n";
        QTest::newRow("user with some names")
            << earlier << QByteArray(R"({"userId":"u3","user":{"nickName":"n","name":7}})")
            << replaced;
    }
    void parseMember()
    {
        QFETCH(VHUser, before);
        QFETCH(QByteArray, json);
        QFETCH(VHUser, expected);
        VHUser parsed = before;
        parseProjectMember(objectFrom(json), parsed);
        QCOMPARE(userText(parsed), userText(expected));
    }

    void parseRequest()
    {
        VHMemRequest request;
        request.user.structureId = "kept-s";
        request.user.signature = "kept-sig";
        request.user.visible = false;
        parseMemRequest(objectFrom(R"({
            "_id":"r1","hostId":"p1","type":0,"userId":"u2","status":3,"invitationId":"i1",
            "invitedBy":"u1","createdBy":"u2","approvedBy":"u9",
            "approvedData":{"remark":"welcome","positionId":"pos","structureId":"s1"},
            "user":{"_id":"u2","avatar":"a.png","name":"Ann","nickName":"ann",
                    "phoneNumber":"138","signature":"ignored","visible":true}})"),
                        request);
        QCOMPARE(request.id, QString("r1"));
        QCOMPARE(request.hostId, QString("p1"));
        QCOMPARE(request.type, 0);
        QCOMPARE(request.userId, QString("u2"));
        QCOMPARE(request.status, 3);
        QCOMPARE(request.invitationId, QString("i1"));
        QCOMPARE(request.invitedBy, QString("u1"));
        QCOMPARE(request.createdBy, QString("u2"));
        QCOMPARE(request.approvedBy, QString("u9"));
        QCOMPARE(request.approvedData.remark, QString("welcome"));
        QCOMPARE(request.approvedData.positionId, QString("pos"));
        QCOMPARE(request.approvedData.structureId, QString("s1"));
        VHUser expectedUser = user("u2", "Ann", "kept-s", false);
        expectedUser.avatar = "a.png";
        expectedUser.nickName = "ann";
        expectedUser.phoneNumber = "138";
        expectedUser.signature = "kept-sig";
        QCOMPARE(userText(request.user), userText(expectedUser));

        // Parsing a bare object empties every field it owns.
        parseMemRequest(objectFrom(R"({"type":"1","status":2.5,"approvedData":[]})"), request);
        QCOMPARE(request.id, QString());
        QCOMPARE(request.type, 0);
        QCOMPARE(request.status, 0);
        QCOMPARE(request.approvedBy, QString());
        QCOMPARE(request.approvedData.remark, QString());
        QCOMPARE(request.approvedData.positionId, QString());
        QCOMPARE(request.approvedData.structureId, QString());
        VHUser emptied = user("", "", "kept-s", false);
        emptied.signature = "kept-sig";
        QCOMPARE(userText(request.user), userText(emptied));
    }

    void usersAreLoadedOnceAndServedFromMemory()
    {
        m_server.on("GET", membersPath,
                    ScriptedReply::text(R"([{"userId":"u1","user":{"name":"Ann"}},
                                            {"userId":"u2","structureId":"s2"}])"));
        QList<VHUser> users{user("junk", "Junk")};
        facade()->getUsers(users, false);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + membersPath + "?expand=true");
        QCOMPARE(idsOf(users), QStringList({"u1", "u2"}));
        QCOMPARE(users.at(0).name, QString("Ann"));
        QCOMPARE(users.at(1).structureId, QString("s2"));
        QCOMPARE(idsOf(ProjectProbe::projectMembers()), QStringList({"u1", "u2"}));

        users.clear();
        facade()->getUsers(users, false);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(idsOf(users), QStringList({"u1", "u2"}));
    }

    void refreshReloadsEvenWhenLoaded()
    {
        ProjectProbe::projectMembers() = {user("u9", "Cached")};
        m_server.on("GET", membersPath, ScriptedReply::text(R"([{"userId":"u1"}])"));
        QList<VHUser> users;
        facade()->getUsers(users, true);
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(idsOf(users), QStringList{"u1"});
        QCOMPARE(idsOf(ProjectProbe::projectMembers()), QStringList{"u1"});

        m_server.on("GET", membersPath, ScriptedReply::text(R"([{"userId":"u2"}])"));
        facade()->initProjectMembers();
        QCOMPARE(m_server.requestCount(), 2);
        QCOMPARE(idsOf(ProjectProbe::projectMembers()), QStringList{"u2"});
    }

    void failedMemberLoad_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("server error") << 500 << QByteArray("oops") << QStringList();
        QTest::newRow("server error with members")
            << 500 << QByteArray(R"([{"userId":"u5"}])") << QStringList{"u5"};
        QTest::newRow("not json") << 200 << QByteArray("<html>") << QStringList();
    }
    void failedMemberLoad()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, ids);
        ProjectProbe::projectMembers() = {user("u9", "Cached")};
        m_server.on("GET", membersPath, ScriptedReply::text(body, status));
        QList<VHUser> users{user("junk", "Junk")};
        facade()->getUsers(users, true);
        QCOMPARE(idsOf(users), ids);
        QCOMPARE(idsOf(ProjectProbe::projectMembers()), ids);
        // With nothing loaded, the next call asks again.
        facade()->getUsers(users, false);
        QCOMPARE(m_server.requestCount(), ids.isEmpty() ? 2 : 1);
    }

    void getUserWithoutRefreshLoadsMembersFirst()
    {
        m_server.on("GET", membersPath, ScriptedReply::text(R"([{"userId":"u1","structureId":"s1",
                                             "user":{"name":"Ann"}}])"));
        VHUser found = user("before", "Before");
        QVERIFY(facade()->getUser("u1", found, false));
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + membersPath + "?expand=true");
        QCOMPARE(userText(found), userText(user("u1", "Ann", "s1")));

        // Loaded members answer without a request; a stranger leaves the record.
        VHUser stranger = user("before", "Before");
        QVERIFY(!facade()->getUser("u7", stranger, false));
        QCOMPARE(userText(stranger), userText(user("before", "Before")));
        QCOMPARE(m_server.requestCount(), 1);
    }

    void getUserWithoutRefreshWhenNoMembersLoad()
    {
        m_server.on("GET", membersPath, ScriptedReply::text("", 500));
        VHUser found = user("before", "Before");
        QVERIFY(!facade()->getUser("u1", found, false));
        QCOMPARE(m_server.requestCount(), 1);
        QCOMPARE(userText(found), userText(user("before", "Before")));
    }

    void inviteLink_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("link");
        QTest::newRow("link") << 201 << QByteArray(R"({"qrCode":"invite/p1/abc"})")
                              << "invite/p1/abc";
        QTest::newRow("no link") << 200 << QByteArray("{}") << "";
        QTest::newRow("link in an error reply")
            << 500 << QByteArray(R"({"qrCode":"invite/p1/abc"})") << "";
        QTest::newRow("link that is not text") << 200 << QByteArray(R"({"qrCode":1})") << "";
    }
    void inviteLink()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, link);
        m_server.on("POST", "/v1/account-service/member_invitations",
                    ScriptedReply::text(body, status));
        QCOMPARE(facade()->getInviteColleagueLink(), link);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(requestLine(seen), QString("POST /v1/account-service/member_invitations"));
        QCOMPARE(seen.compactBody(), QString(R"({"hostId":"p1","type":0})"));
    }

    void requestById()
    {
        const QString path = "/v1/account-service/member_requests/r1";
        m_server.once("GET", path,
                      ScriptedReply::text(R"({"_id":"r1","status":1,"user":{"_id":"u2"}})"));
        VHMemRequest request;
        QVERIFY(facade()->getRequestsById("r1", request));
        QCOMPARE(requestLine(m_server.lastRequest()), "GET " + path + "?expand=true");
        QCOMPARE(request.id, QString("r1"));
        QCOMPARE(request.status, 1);
        QCOMPARE(request.user.id, QString("u2"));

        m_server.once("GET", path, ScriptedReply::text(R"({"status":9})", 404));
        QVERIFY(!facade()->getRequestsById("r1", request));
        QCOMPARE(request.id, QString());
        QCOMPARE(request.status, 9);
        QCOMPARE(request.user.id, QString());
    }

    void pass_data()
    {
        QTest::addColumn<QString>("remark");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("code");
        QTest::newRow("passed") << "welcome" << 200 << QByteArray(R"({"code":0})") << true << 0;
        QTest::newRow("empty remark, verdict")
            << "" << 200 << QByteArray(R"({"code":3})") << true << 3;
        QTest::newRow("refused with a code")
            << "x" << 409 << QByteArray(R"({"code":5})") << false << 5;
        QTest::newRow("refused without a body") << "x" << 500 << QByteArray() << false << 0;
        QTest::newRow("code as text") << "x" << 200 << QByteArray(R"({"code":"5"})") << true << 0;
    }
    void pass()
    {
        QFETCH(QString, remark);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(bool, ok);
        QFETCH(int, code);
        const QString path = "/v1/account-service/member_requests/r1/pass";
        m_server.on("PUT", path, ScriptedReply::text(reply, status));
        Approved approved;
        approved.remark = remark;
        approved.positionId = "pos";
        approved.structureId = "s1";
        int verdict = 99;
        QCOMPARE(facade()->passInvitation("r1", approved, verdict), ok);
        QCOMPARE(verdict, code);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(requestLine(seen), "PUT " + path);
        QCOMPARE(seen.compactBody(), R"({"remark":")" + remark + R"(","structureId":"s1"})");
    }

    void reject_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("ok");
        QTest::newRow("rejected") << 200 << true;
        QTest::newRow("refused") << 403 << false;
    }
    void reject()
    {
        QFETCH(int, status);
        QFETCH(bool, ok);
        const QString path = "/v1/account-service/member_requests/r1/reject";
        m_server.on("PUT", path, ScriptedReply::text(R"({"code":1})", status));
        QCOMPARE(facade()->rejectInvitation("r1"), ok);
        QCOMPARE(requestLine(m_server.lastRequest()), "PUT " + path);
        QCOMPARE(m_server.lastRequest().compactBody(), QString("{}"));
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestMembers)
#include "tst_members.moc"
