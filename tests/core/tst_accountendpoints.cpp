#include "facadeprobe.h"
#include "facadetest.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QtTest>

// Verification codes, the server probe, country codes, users and membership
// verification.
class TestAccountEndpoints : public FacadeTest
{
    Q_OBJECT
private slots:
    // The request of each mode, and what a refusal writes back: the error
    // number as the code, and the server's message.
    void createSecurities_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("rawQuery");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("codeAfter");
        QTest::addColumn<QString>("message");
        const auto row = [](const char *name, const QString &code, bool verify, bool debug,
                            int status, const QByteArray &reply, const QString &rawQuery,
                            const QString &body, const QString &codeAfter, const QString &message) {
            QTest::newRow(name) << code << verify << debug << status << reply << rawQuery << body
                                << codeAfter << message;
        };
        const QString plain = R"({"countryCode":"86","phoneNumber":"138","type":"login"})";
        const QString withCode =
            R"({"countryCode":"86","phoneNumber":"138","type":"login","verification":"4711"})";
        const QByteArray issued = R"({"code":"9999"})";
        // Only debug mode hands back the issued code.
        row("ask for a code", "", false, false, 200, issued, "verify=false", plain, "", "kept");
        row("check a code", "4711", true, false, 200, issued, "verify=true", withCode, "4711",
            "kept");
        row("code sent without verify", "4711", false, false, 200, issued, "verify=false", withCode,
            "4711", "kept");
        row("debug", "", false, true, 200, issued, "verify=false&debug=true", plain, "9999",
            "kept");
        row("server error", "4711", true, false, 400, R"({"code":1201,"message":"too often"})",
            "verify=true", withCode, "1201", "too often");
        row("debug shows the error number, not a code", "4711", true, true, 400,
            R"({"code":1201,"message":"m"})", "verify=true&debug=true", withCode, "1201", "m");
        row("empty body", "4711", true, false, 400, "", "verify=true", withCode, "0", "");
        row("code as text", "4711", true, false, 400, R"({"code":"77"})", "verify=true", withCode,
            "0", "");
    }
    void createSecurities()
    {
        QFETCH(QString, code);
        QFETCH(bool, verify);
        QFETCH(bool, debug);
        QFETCH(int, status);
        QFETCH(QByteArray, reply);
        QFETCH(QString, rawQuery);
        QFETCH(QString, body);
        QFETCH(QString, codeAfter);
        QFETCH(QString, message);
        m_server.on("POST", apiPath("account-service/securities"),
                    ScriptedReply::text(reply, status));
        QString messageAfter = "kept";
        QCOMPARE(facade()->createSecurities("138", "86", code, messageAfter, verify, debug),
                 status == 200);
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.method, QString("POST"));
        QCOMPARE(seen.rawQuery, rawQuery);
        QCOMPARE(seen.compactBody(), body);
        QCOMPARE(code, codeAfter);
        QCOMPARE(messageAfter, message);
    }

    void touchApiFollowsAPermanentMove_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("ok");
        const auto row = [](const char *name, int status, const QByteArray &location,
                            const QString &url,
                            bool ok) { QTest::newRow(name) << status << location << url << ok; };
        const QByteArray moved = "https://new.example.com/v1/touch";
        row("moved", 301, moved, "https://new.example.com/", true);
        row("moved elsewhere", 301, "https://new.example.com/other", "ROOT", true);
        row("moved without target", 301, "", "ROOT", true);
        row("temporary move", 302, moved, "ROOT", true);
        row("answered", 200, "", "ROOT", true);
        row("failed", 500, "", "ROOT", false);
    }
    void touchApiFollowsAPermanentMove()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, location);
        QFETCH(QString, url);
        QFETCH(bool, ok);
        ScriptedReply reply = ScriptedReply::text("", status);
        if (!location.isEmpty())
            reply.headers.append(qMakePair(QByteArray("Location"), location));
        m_server.on("GET", "/v1/touch", reply);
        const QString root = m_server.address() + "/";
        QString given = root;
        QCOMPARE(facade()->touchApi(given), ok);
        QCOMPARE(given, url == "ROOT" ? root : url);
        QCOMPARE(m_server.lastRequest().path, QString("/v1/touch"));
        QCOMPARE(m_server.requestCount(), 1);
    }

    // Country codes are read before the user logs in: an empty server
    // address is taken from the settings cache first, as a user's read does not.
    void countryCodesSeedTheServerAddress()
    {
        const QString codesPath = apiPath("account-service/system/profile/countryCodes");
        GetSoftCache()->setServerAddress(m_server.address());
        VHBaseApi::GetInstance().setIp(QString());
        VHUser user;
        facade()->getUser("u1", user, true);
        QCOMPARE(VHBaseApi::GetInstance().getIp(), QString());
        m_server.on("GET", codesPath,
                    ScriptedReply::json(QJsonObject{{"countryCodes", QJsonArray{"86", "852"}}}));
        QStringList codes{"old"};
        QVERIFY(facade()->getCountryCodes(codes));
        QCOMPARE(codes, (QStringList{"86", "852"}));
        QCOMPARE(VHBaseApi::GetInstance().getIp(), m_server.address());

        m_server.on("GET", codesPath, ScriptedReply::text("", 500));
        QVERIFY(!facade()->getCountryCodes(codes));
        QVERIFY(codes.isEmpty());
    }

    // A user read from the server replaces the cached project member of that
    // id, keeping the structure the caller's record held; other members stay.
    void refreshedUserUpdatesTheCachedMember_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("members");
        const auto row = [](const char *name, const QString &id, int status, const QByteArray &body,
                            bool ok, const QString &userName, const QString &members) {
            QTest::newRow(name) << id << status << body << ok << userName << members;
        };
        row("found", "u2", 200, R"({"_id":"u2","name":"Bo","visible":false})", true, "Bo",
            "u1//, u2/Bo/s-new");
        row("failed", "u2", 500, "", false, "", "u1//, //s-new");
        row("wrong shape", "u2", 200, R"([{"_id":"u2"}])", true, "", "u1//, //s-new");
        row("no member", "u7", 200, R"({"_id":"u7","name":"Cy"})", true, "Cy",
            "u1//, u2/Old/s-old");
    }
    void refreshedUserUpdatesTheCachedMember()
    {
        QFETCH(QString, id);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QString, name);
        QFETCH(QString, members);
        facadeState().m_projectMembers = {member("u1", "", ""), member("u2", "Old", "s-old")};
        m_server.on("GET", apiPath("account-service/users/" + id),
                    ScriptedReply::text(body, status));
        VHUser user;
        user.structureId = "s-new";
        QCOMPARE(facade()->getUser(id, user, true), ok);
        QCOMPARE(user.name, name);
        QCOMPARE(m_server.lastRequest().path, apiPath("account-service/users/" + id));
        QStringList cached;
        for (const VHUser &member : facadeState().m_projectMembers)
            cached << member.id + '/' + member.name + '/' + member.structureId;
        QCOMPARE(cached.join(", "), members);
    }

    void cachedUserIsAnsweredWithoutARequest()
    {
        const VHUser ann = member("u1", "Ann", "s1");
        facadeState().m_projectMembers = {ann};
        VHUser user;
        QVERIFY(facade()->getUser("u1", user, false));
        QCOMPARE(user, ann);
        user.name = "untouched";
        QVERIFY(!facade()->getUser("nobody", user, false));
        QCOMPARE(user.name, QString("untouched"));
        QCOMPARE(m_server.requestCount(), 0);
    }

    void verifyUserSendsTypeAsNumber()
    {
        m_server.on("POST", apiPath("account-service/members"), ScriptedReply::json(QJsonObject()));
        QVERIFY(facade()->verifyUser("h1", "u2", 3));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.rawQuery, QString("verify=true"));
        QCOMPARE(seen.compactBody(), QString(R"({"hostId":"h1","type":3,"userId":"u2"})"));

        m_server.on("POST", apiPath("account-service/members"), ScriptedReply::text("", 403));
        QVERIFY(!facade()->verifyUser("h1", "u2", 3));
    }

private:
    static VHPrimaryData *facade() { return VHPrimaryData::instance(); }
    static VHUser member(const QString &id, const QString &name, const QString &structureId)
    {
        VHUser user;
        user.id = id;
        user.name = name;
        user.structureId = structureId;
        return user;
    }
};

QTEST_GUILESS_MAIN(TestAccountEndpoints)
#include "tst_accountendpoints.moc"
