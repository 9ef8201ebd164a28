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
    void createSecuritiesRequest_data()
    {
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("verify");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<QString>("rawQuery");
        QTest::addColumn<QString>("body");
        const QString plain = R"({"countryCode":"86","phoneNumber":"138","type":"login"})";
        const QString withCode =
            R"({"countryCode":"86","phoneNumber":"138","type":"login","verification":"4711"})";
        QTest::newRow("ask for a code") << "" << false << false << "verify=false" << plain;
        QTest::newRow("check a code") << "4711" << true << false << "verify=true" << withCode;
        QTest::newRow("code sent without verify")
            << "4711" << false << false << "verify=false" << withCode;
        QTest::newRow("debug") << "" << false << true << "verify=false&debug=true" << plain;
    }
    void createSecuritiesRequest()
    {
        QFETCH(QString, code);
        QFETCH(bool, verify);
        QFETCH(bool, debug);
        QFETCH(QString, rawQuery);
        QFETCH(QString, body);
        m_server.on("POST", apiPath("account-service/securities"),
                    ScriptedReply::json(QJsonObject{{"code", "9999"}}));
        QString message = "kept";
        QVERIFY(facade()->createSecurities("138", "86", code, message, verify, debug));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.method, QString("POST"));
        QCOMPARE(seen.rawQuery, rawQuery);
        QCOMPARE(seen.compactBody(), body);
        // Only debug mode hands back the issued code; a failure-free exchange
        // leaves the message alone.
        QCOMPARE(code, debug ? QString("9999") : code);
        QCOMPARE(message, QString("kept"));
    }

    void createSecuritiesFailureRewritesCodeAndMessage_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("debug");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("server error")
            << QByteArray(R"({"code":1201,"message":"too often"})") << false << "1201"
            << "too often";
        QTest::newRow("debug shows the error number, not a code")
            << QByteArray(R"({"code":1201,"message":"m"})") << true << "1201"
            << "m";
        QTest::newRow("empty body") << QByteArray() << false << "0"
                                    << "";
        QTest::newRow("code as text") << QByteArray(R"({"code":"77"})") << false << "0"
                                      << "";
    }
    void createSecuritiesFailureRewritesCodeAndMessage()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, debug);
        QFETCH(QString, code);
        QFETCH(QString, message);
        m_server.on("POST", apiPath("account-service/securities"), ScriptedReply::text(body, 400));
        QString gotCode = "4711";
        QString gotMessage = "kept";
        QVERIFY(!facade()->createSecurities("138", "86", gotCode, gotMessage, true, debug));
        QCOMPARE(gotCode, code);
        QCOMPARE(gotMessage, message);
    }

    void touchApiFollowsAPermanentMove_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<QString>("url");
        QTest::addColumn<bool>("ok");
        QTest::newRow("moved") << 301 << QByteArray("https://new.example.com/v1/touch")
                               << "https://new.example.com/" << true;
        QTest::newRow("moved elsewhere")
            << 301 << QByteArray("https://new.example.com/other") << "ROOT" << true;
        QTest::newRow("moved without target") << 301 << QByteArray() << "ROOT" << true;
        QTest::newRow("temporary move")
            << 302 << QByteArray("https://new.example.com/v1/touch") << "ROOT" << true;
        QTest::newRow("answered") << 200 << QByteArray() << "ROOT" << true;
        QTest::newRow("failed") << 500 << QByteArray() << "ROOT" << false;
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

    void countryCodes()
    {
        m_server.on("GET", apiPath("account-service/system/profile/countryCodes"),
                    ScriptedReply::json(QJsonObject{{"countryCodes", QJsonArray{"86", "852"}}}));
        QStringList codes{"old"};
        QVERIFY(facade()->getCountryCodes(codes));
        QCOMPARE(codes, (QStringList{"86", "852"}));

        m_server.on("GET", apiPath("account-service/system/profile/countryCodes"),
                    ScriptedReply::text("", 500));
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
        QTest::newRow("found") << "u2" << 200
                               << QByteArray(R"({"_id":"u2","name":"Bo","visible":false})") << true
                               << "Bo"
                               << "u1//, u2/Bo/s-new";
        QTest::newRow("failed") << "u2" << 500 << QByteArray() << false << ""
                                << "u1//, //s-new";
        QTest::newRow("wrong shape") << "u2" << 200 << QByteArray(R"([{"_id":"u2"}])") << true << ""
                                     << "u1//, //s-new";
        QTest::newRow("no member")
            << "u7" << 200 << QByteArray(R"({"_id":"u7","name":"Cy"})") << true << "Cy"
            << "u1//, u2/Old/s-old";
    }
    void refreshedUserUpdatesTheCachedMember()
    {
        QFETCH(QString, id);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, ok);
        QFETCH(QString, name);
        QFETCH(QString, members);
        CoreProbe::projectMembers() = {member("u1", "", ""), member("u2", "Old", "s-old")};
        m_server.on("GET", apiPath("account-service/users/" + id),
                    ScriptedReply::text(body, status));
        VHUser user;
        user.structureId = "s-new";
        QCOMPARE(facade()->getUser(id, user, true), ok);
        QCOMPARE(user.name, name);
        QCOMPARE(m_server.lastRequest().path, apiPath("account-service/users/" + id));
        QStringList cached;
        for (const VHUser &member : CoreProbe::projectMembers())
            cached << member.id + '/' + member.name + '/' + member.structureId;
        QCOMPARE(cached.join(", "), members);
    }

    void cachedUserIsAnsweredWithoutARequest()
    {
        const VHUser ann = member("u1", "Ann", "s1");
        CoreProbe::projectMembers() = {ann};
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

    void onlyTheSeedingRequestsTouchTheServerAddress()
    {
        GetSoftCache()->setServerAddress(m_server.address());
        m_server.on("GET", apiPath("account-service/system/profile/countryCodes"),
                    ScriptedReply::json(QJsonObject()));
        VHBaseApi::GetInstance().setIp(QString());
        VHUser user;
        facade()->getUser("u1", user, true);
        QCOMPARE(VHBaseApi::GetInstance().getIp(), QString());
        QStringList codes;
        QVERIFY(facade()->getCountryCodes(codes));
        QCOMPARE(VHBaseApi::GetInstance().getIp(), m_server.address());
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
