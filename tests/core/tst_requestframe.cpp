#include "facadetest.h"
#include "core/requestframe.h"
#include "core/usercodec.h"
#include "testserver.h"

#include "VHPlatform.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace RequestFrame;

// The common frame: URL composition, the three reply views and the way one
// exchange ends, whatever the server sends or fails to send.
class TestRequestFrame : public FacadeTest
{
    Q_OBJECT
private slots:
    void placeholdersFillInOnePass_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("expected");
        QTest::newRow("in order") << "a/%1/b/%2" << QStringList{"x", "y"} << "a/x/b/y";
        QTest::newRow("inserted text keeps its percent signs")
            << "q=%1&skip=%2&limit=%3" << QStringList{"%2C%7B%22", "0", "20"}
            << "q=%2C%7B%22&skip=0&limit=20";
        QTest::newRow("unfilled placeholder stays") << "a/%1/%2" << QStringList{"x"} << "a/x/%2";
        QTest::newRow("percent at the end") << "a%" << QStringList{"x"} << "a%";
    }
    void placeholdersFillInOnePass()
    {
        QFETCH(QString, pattern);
        QFETCH(QStringList, values);
        QFETCH(QString, expected);
        const QString filled =
            values.size() == 1 ? fillPlaceholders(pattern, {values.at(0)})
            : values.size() == 2
                ? fillPlaceholders(pattern, {values.at(0), values.at(1)})
                : fillPlaceholders(pattern, {values.at(0), values.at(1), values.at(2)});
        QCOMPARE(filled, expected);
    }

    void urlsJoinRootServiceAndPath()
    {
        VHBaseApi::GetInstance().setIp(QStringLiteral("api.example.com/"));
        QCOMPARE(url(Service::Model, "models/%1/histories", QStringLiteral("m1")),
                 QStringLiteral("https://api.example.com/v1/model-service/models/m1/histories"));
        QCOMPARE(url(Service::Account, "projects/%1/used_capacity?check=true&size=%2",
                     QStringLiteral("p"), qint64(-5000000000)),
                 QStringLiteral("https://api.example.com/v1/account-service/projects/p/"
                                "used_capacity?check=true&size=-5000000000"));
        QCOMPARE(url(Service::Worksheet, "x?skip=%1", 0),
                 QStringLiteral("https://api.example.com/v1/worksheet-service/x?skip=0"));
        QCOMPARE(url(Service::Period, "velto/periods/%1", QStringLiteral("E")),
                 QStringLiteral("https://api.example.com/v1/ka-reth-service/velto/periods/E"));
        QCOMPARE(url(Service::Base, "qrSettings"),
                 QStringLiteral("https://api.example.com/v1/base-service/qrSettings"));
    }

    void jsonStringOrNullMapsEmptyToNull()
    {
        QVERIFY(jsonStringOrNull(QString()).isNull());
        QCOMPARE(jsonStringOrNull(QStringLiteral("h")), QJsonValue(QStringLiteral("h")));
    }

    void whereTextTravelsUnencoded()
    {
        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::json(QJsonArray()));
        const QString where = QStringLiteral("{\"name\":{\"$regex\":\"a b\"}}");
        Exchange::get(url(Service::Account, "projects?where=%1&skip=%2", where, 3));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.query.value(QStringLiteral("where")), where);
        QCOMPARE(seen.query.value(QStringLiteral("skip")), QStringLiteral("3"));
    }

    void whereTextReachesTheServerExactly_data()
    {
        QTest::addColumn<QString>("name");
        QString printable;
        for (char c = 0x20; c < 0x7f; ++c)
            printable += QLatin1Char(c);
        QTest::newRow("every printable character") << printable;
        QTest::newRow("url-significant") << "A b+c&d=e#f%g?h%2C";
        QTest::newRow("brackets and escapes in a string") << "}]\\\"{[";
        QTest::newRow("non-ascii") << QString::fromUtf8("楼层 2 – Ü");
    }
    void whereTextReachesTheServerExactly()
    {
        QFETCH(QString, name);
        m_server.on("GET", apiPath("model-service/projects/p1/model_sets"),
                    ScriptedReply::json(QJsonArray()));
        const QString where = compactJson(QJsonObject{{"name", name}, {"tags", QJsonArray{name}}});
        Exchange::get(url(Service::Model, "projects/%1/model_sets?where=%2&only_count=true&x",
                          QStringLiteral("p1"), where));
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.query.value("where"), where);
        QCOMPARE(seen.query.value("only_count"), QString("true"));
        QVERIFY(seen.query.contains("x"));
        QCOMPARE(seen.query.size(), 3);
    }

    void queryParamDecodesOnceToTheJson()
    {
        m_server.on("GET", apiPath("model-service/x"), ScriptedReply::json(QJsonArray()));
        const QString json = QStringLiteral("{\"uuid\":{\"$in\":[\"a,b\",\"c&d=e+f%\"]}}");
        QString param;
        QVERIFY(VHBaseProxy::getQueryParam(json, param));
        QVERIFY(param.contains(QLatin1String("%2C")));
        Exchange::get(url(Service::Model, "x?queryParam=%1&skip=%2", param, 0));
        QCOMPARE(m_server.lastRequest().query.value(QStringLiteral("queryParam")), json);
        QCOMPARE(m_server.lastRequest().query.value(QStringLiteral("skip")), QStringLiteral("0"));
    }

    void replyViews_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("objectKeys");
        QTest::addColumn<int>("listSize");
        QTest::addColumn<int>("arraySize");
        QTest::newRow("object") << QByteArray(R"({"a":1,"b":2})") << 2 << 0 << 0;
        QTest::newRow("array of objects and others")
            << QByteArray(R"([{"a":1},2,{"b":2},"x"])") << 0 << 2 << 4;
        QTest::newRow("records under data")
            << QByteArray(R"({"data":[{"a":1},{"b":1}]})") << 1 << 2 << 0;
        QTest::newRow("data that is not an array")
            << QByteArray(R"({"data":{"a":1}})") << 1 << 0 << 0;
        QTest::newRow("not json") << QByteArray("<html>") << 0 << 0 << 0;
        QTest::newRow("truncated json") << QByteArray(R"([{"a":1},{"b")") << 0 << 0 << 0;
        QTest::newRow("empty") << QByteArray() << 0 << 0 << 0;
        QTest::newRow("scalar") << QByteArray("42") << 0 << 0 << 0;
    }
    void replyViews()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, objectKeys);
        QFETCH(int, listSize);
        QFETCH(int, arraySize);
        m_server.on("GET", apiPath("model-service/v"), ScriptedReply::text(body));
        const Exchange reply = Exchange::get(url(Service::Model, "v"));
        QVERIFY(reply.isSuccessful());
        QCOMPARE(reply.object().size(), objectKeys);
        QCOMPARE(reply.objectList().size(), listSize);
        QCOMPARE(reply.array().size(), arraySize);
    }

    void failuresEndTheExchange_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("error");
        QTest::newRow("400 with body") << 400 << QByteArray(R"({"code":7})")
                                       << int(QNetworkReply::ProtocolInvalidOperationError);
        QTest::newRow("400 without body")
            << 400 << QByteArray() << int(QNetworkReply::ProtocolInvalidOperationError);
        QTest::newRow("404") << 404 << QByteArray("{}") << int(QNetworkReply::ContentNotFoundError);
        QTest::newRow("500") << 500 << QByteArray("oops")
                             << int(QNetworkReply::InternalServerError);
    }
    void failuresEndTheExchange()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(int, error);
        m_server.on("GET", apiPath("account-service/users/u"), ScriptedReply::text(body, status));
        const Exchange reply =
            Exchange::get(url(Service::Account, "users/%1", QStringLiteral("u")));
        QVERIFY(!reply.isSuccessful());
        QCOMPARE(int(reply.error()), error);
        QCOMPARE(reply.httpStatus(), status);
    }

    void aRecordRequestThatFailsStillConverts()
    {
        m_server.on("GET", apiPath("account-service/users/u"), ScriptedReply::text("", 500));
        VHUser user;
        user.id = QStringLiteral("old");
        user.visible = false;
        user.structureId = QStringLiteral("s");
        const bool ok = Exchange::get(url(Service::Account, "users/%1", QStringLiteral("u")))
                            .readObject(user, parseUser);
        QVERIFY(!ok);
        QCOMPARE(user.id, QString());
        QCOMPARE(user.visible, true);
        QCOMPARE(user.structureId, QStringLiteral("s"));
    }

    void aListRequestAppendsInReplyOrder()
    {
        m_server.on("GET", apiPath("account-service/l"),
                    ScriptedReply::text(R"([{"_id":"a"},{"_id":"b"}])"));
        QList<VHUser> users{VHUser()};
        QVERIFY(Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QCOMPARE(users.size(), 3);
        QCOMPARE(users.at(1).id, QStringLiteral("a"));
        QCOMPARE(users.at(2).id, QStringLiteral("b"));

        m_server.on("GET", apiPath("account-service/l"), ScriptedReply::text("", 503));
        QVERIFY(!Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QCOMPARE(users.size(), 3);
    }

    void truncatedBodyFails()
    {
        ScriptedReply reply = ScriptedReply::text(R"([{"_id":"a"},{"_id":"b"}])");
        reply.truncateAfter = 5;
        m_server.on("GET", apiPath("account-service/l"), reply);
        QList<VHUser> users;
        QVERIFY(!Exchange::get(url(Service::Account, "l")).appendList(users, parseUser));
        QVERIFY(users.isEmpty());
    }

    void connectionRefusedFails()
    {
        VHBaseApi::GetInstance().setIp(QStringLiteral("http://127.0.0.1:1"));
        const Exchange reply = Exchange::get(url(Service::Account, "users/u"));
        QVERIFY(!reply.isSuccessful());
        QCOMPARE(reply.error(), QNetworkReply::ConnectionRefusedError);
    }

    void silentServerTimesOut()
    {
        ScriptedReply slow = ScriptedReply::json(QJsonObject{{"_id", "late"}});
        slow.delayMs = 3000;
        m_server.on("GET", apiPath("account-service/users/u"), slow);
        NetworkManager::instance().setTimeout(300);
        QElapsedTimer clock;
        clock.start();
        VHUser user;
        QVERIFY(!Exchange::get(url(Service::Account, "users/u")).readObject(user, parseUser));
        QVERIFY(clock.elapsed() < 2500);
        QCOMPARE(user.id, QString());
    }

    void tricklingServerTimesOut()
    {
        ScriptedReply trickle = ScriptedReply::text(QByteArray(40, ' ') + "{}");
        trickle.trickleMs = 50;
        m_server.on("GET", apiPath("account-service/users/u"), trickle);
        NetworkManager::instance().setTimeout(500);
        QElapsedTimer clock;
        clock.start();
        const Exchange reply = Exchange::get(url(Service::Account, "users/u"));
        QVERIFY(!reply.isSuccessful());
        QCOMPARE(reply.error(), QNetworkReply::OperationCanceledError);
        QVERIFY(clock.elapsed() < 1500);
    }

    void redirectIsNotFollowed()
    {
        ScriptedReply moved = ScriptedReply::text("", 302);
        moved.headers.append(
            qMakePair(QByteArray("Location"), QByteArray("/v1/account-service/elsewhere")));
        m_server.on("GET", apiPath("account-service/here"), moved);
        const Exchange reply = Exchange::get(url(Service::Account, "here"));
        QVERIFY(reply.isSuccessful());
        QCOMPARE(reply.httpStatus(), 302);
        QCOMPARE(m_server.requestCount(), 1);
    }

    void jsonBodiesAreCompactWithTheirType()
    {
        m_server.on("POST", apiPath("model-service/printRecords"),
                    ScriptedReply::json(QJsonObject()));
        Exchange::post(url(Service::Model, "printRecords"),
                       QJsonArray{QJsonObject{{"a", 1}}, QJsonObject{{"b", "x"}}});
        const RecordedRequest seen = m_server.lastRequest();
        QCOMPARE(seen.body, QByteArray(R"([{"a":1},{"b":"x"}])"));
        QCOMPARE(seen.headers.value("content-type"), QByteArray("application/json"));
    }
};

QTEST_GUILESS_MAIN(TestRequestFrame)
#include "tst_requestframe.moc"
