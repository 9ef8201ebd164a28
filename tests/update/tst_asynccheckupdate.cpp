#include "AsyncCheckUpdate.h"
#include "facadetest.h"
#include "recordtext.h"
#include "requestlines.h"

#include "VHNetwork.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// What a client does to carry the builds in a QVariant, as the spies do.
Q_DECLARE_METATYPE(UpdateInfo)

namespace {

const QString kServerIdPath = apiPath("account-service/system/profile/serverId");
const QString kServerIdLine = "GET account-service/system/profile/serverId";

QString buildsPath(const QString &serverId)
{
    return "/updates/private_servers/" + serverId + "/verification";
}

// The builds of the report `spy` saw `index`-th.
QList<UpdateInfo> reported(const QSignalSpy &spy, int index = 0)
{
    return spy.at(index).at(0).value<QList<UpdateInfo>>();
}

} // namespace

// The two-stage check against a loopback backend that also plays the update
// server (the package API is pointed at its "/updates/" path).
class TestAsyncCheckUpdate : public FacadeTest
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // The spies carry the signal's argument through the meta-type system.
        qRegisterMetaType<QList<UpdateInfo>>("QList<UpdateInfo>");
    }
    void init()
    {
        FacadeTest::init();
        qputenv("VH_PACKAGE_API", (m_server.address() + "/updates/").toUtf8());
    }
    void cleanupTestCase() { qunsetenv("VH_PACKAGE_API"); }

    // Every entry becomes a build, in the server's order: the build number
    // only from decimal text, the forced flag only from a JSON boolean. Each
    // check asks for the server id again.
    void asksBackendThenUpdateServerAndReportsOnce()
    {
        m_server.once("GET", kServerIdPath, ScriptedReply::json(QJsonObject{{"serverId", "S-1"}}));
        m_server.once("GET", kServerIdPath, ScriptedReply::json(QJsonObject{{"serverId", "S-2"}}));
        ScriptedReply builds = ScriptedReply::text(R"([{"_id":"b1","name":"Client",
            "version":"2.3.0","build":"230","fileId":"f1","device":"pc","description":"fixes",
            "forced":true},{"_id":"b2","build":1024,"forced":"true"},{"build":"beta"},7])");
        builds.delayMs = 300;
        m_server.on("GET", buildsPath("S-1"), builds);
        m_server.on("GET", buildsPath("S-2"), ScriptedReply::text(R"([{"_id":"b"}])"));

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        QVERIFY(checker.isFinished());
        checker.checkUpdate();
        QVERIFY(!checker.isFinished());
        // The server id alone reports nothing; the builds request is under way.
        QTRY_COMPARE(m_server.requestCount(), 2);
        QCOMPARE(spy.count(), 0);
        QVERIFY(!checker.isFinished());

        QVERIFY(spy.wait(5000));
        QVERIFY(checker.isFinished());
        QCOMPARE(reported(spy), records<UpdateInfo>(R"([{"id":"b1","name":"Client",
            "version":"2.3.0","fileId":"f1","device":"pc","description":"fixes","build":230,
            "forced":true},{"id":"b2"},{},{}])"));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);

        checker.checkUpdate();
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(reported(spy, 1), QList<UpdateInfo>{named<UpdateInfo>("b")});
        QCOMPARE(requestLines(m_server),
                 QStringList({kServerIdLine, "GET " + buildsPath("S-1") + "?device=pc",
                              kServerIdLine, "GET " + buildsPath("S-2") + "?device=pc"}));
    }

    // Whatever the two servers answer, the check ends with one report whose
    // builds follow the bytes alone. The cause of an empty report tells
    // "nothing offered" from "could not ask": an unreachable update server
    // (status 0), a refusal, an unreadable answer.
    void everyCheckEndsWithOneReport_data()
    {
        QTest::addColumn<int>("serverIdStatus");
        QTest::addColumn<QByteArray>("serverId");
        QTest::addColumn<int>("buildsStatus");
        QTest::addColumn<QByteArray>("builds");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QByteArray>("reported");
        QTest::addColumn<QString>("kind"); // of the last error; empty: not looked at
        QTest::addColumn<int>("httpStatus");
        const QByteArray server = R"({"serverId":"S"})";
        const QByteArray none = "[]";
        QTest::newRow("server id not json")
            << 500 << QByteArray() << 404 << none << 1 << none << "" << 0;
        QTest::newRow("no server id")
            << 500 << QByteArray(R"({"id":"S"})") << 404 << none << 1 << none << "" << 0;
        QTest::newRow("builds not json")
            << 500 << server << 404 << QByteArray("oops") << 2 << none << "" << 0;
        QTest::newRow("builds as an error object")
            << 500 << server << 404 << QByteArray(R"({"code":404,"message":"none"})") << 2 << none
            << "" << 0;
        QTest::newRow("no builds") << 500 << server << 404 << none << 2 << none << "" << 0;
        QTest::newRow("builds") << 500 << server << 404
                                << QByteArray(R"([{"_id":"b1"},{"_id":"b2"}])") << 2
                                << QByteArray(R"([{"id":"b1"},{"id":"b2"}])") << "" << 0;
        QTest::newRow("nothing offered")
            << 200 << server << 200 << none << 2 << none << "none" << 0;
        QTest::newRow("update server unreachable")
            << 200 << server << 0 << none << 1 << none << "connectionRefused" << 0;
        QTest::newRow("refused with a message")
            << 200 << server << 403 << QByteArray(R"({"code":7,"message":"unknown server"})") << 2
            << none << "server" << 403;
        QTest::newRow("not JSON") << 200 << server << 200 << QByteArray("<html>") << 2 << none
                                  << "badReply" << 200;
        QTest::newRow("not a list")
            << 200 << server << 200 << QByteArray("{}") << 2 << none << "badReply" << 200;
    }
    void everyCheckEndsWithOneReport()
    {
        QFETCH(int, serverIdStatus);
        QFETCH(QByteArray, serverId);
        QFETCH(int, buildsStatus);
        QFETCH(QByteArray, builds);
        QFETCH(int, requests);
        QFETCH(QByteArray, reported);
        QFETCH(QString, kind);
        QFETCH(int, httpStatus);
        m_server.on("GET", kServerIdPath, ScriptedReply::text(serverId, serverIdStatus));
        m_server.on("GET", buildsPath("S"), ScriptedReply::text(builds, buildsStatus));
        if (buildsStatus == 0)
            qputenv("VH_PACKAGE_API", "http://127.0.0.1:9/updates/");

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        checker.checkUpdate();
        QVERIFY(spy.wait(5000));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(
            requestLines(m_server),
            QStringList({kServerIdLine, "GET " + buildsPath("S") + "?device=pc"}).mid(0, requests));
        QCOMPARE(::reported(spy), records<UpdateInfo>(reported));
        if (kind.isEmpty())
            return;
        QCOMPARE(VHError::kindName(checker.lastError().kind), kind);
        QCOMPARE(checker.lastError().httpStatus, httpStatus);
        if (kind != "none")
            QVERIFY(checker.lastError().url.contains("/updates/private_servers/S/verification"));
    }

    // The update server is not the backend: it gets neither the session's
    // token nor the backend's cookies, whether it lives on another host or
    // on another port of the same one.
    void updateServerGetsNoCredentials_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("another host") << "127.0.0.2";
        QTest::newRow("another port") << "127.0.0.1";
    }
    void updateServerGetsNoCredentials()
    {
        QFETCH(QString, host);
        TestServer updates(TestServer::Scheme::Http, host);
        qputenv("VH_PACKAGE_API", (updates.address() + "/updates/").toUtf8());
        ScriptedReply serverId = ScriptedReply::json(QJsonObject{{"serverId", "S"}});
        serverId.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("sid=abc; Path=/")));
        m_server.on("GET", kServerIdPath, serverId);
        updates.on("GET", buildsPath("S"), ScriptedReply::text(R"([{"_id":"b1"}])"));
        NetworkManager::instance().setAuthToken("t0k");

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        for (int check = 0; check < 2; ++check) {
            checker.checkUpdate();
            QVERIFY(spy.wait(5000));
        }
        QCOMPARE(::reported(spy), QList<UpdateInfo>{named<UpdateInfo>("b1")});
        // The second check's backend request carries the cookie the first set.
        QCOMPARE(m_server.lastRequest().headers.value("authorization"), QByteArray("Bearer t0k"));
        QCOMPARE(m_server.lastRequest().headers.value("cookie"), QByteArray("sid=abc"));
        QCOMPARE(updates.requestCount(), 2);
        for (const RecordedRequest &request : updates.requests()) {
            QVERIFY(!request.headers.contains("authorization"));
            QVERIFY(!request.headers.contains("cookie"));
        }
    }

    // Deleting the object mid-check cancels the outstanding request: its late
    // answer reaches nothing and nothing more is sent.
    void destructionWhileWaiting_data()
    {
        QTest::addColumn<int>("delay1");
        QTest::addColumn<int>("delay2");
        QTest::addColumn<int>("requests");
        QTest::newRow("waiting for server id") << 300 << 0 << 1;
        QTest::newRow("waiting for builds") << 0 << 300 << 2;
    }
    void destructionWhileWaiting()
    {
        QFETCH(int, delay1);
        QFETCH(int, delay2);
        QFETCH(int, requests);
        ScriptedReply server = ScriptedReply::json(QJsonObject{{"serverId", "S"}});
        server.delayMs = delay1;
        ScriptedReply builds = ScriptedReply::text(R"([{"_id":"b"}])");
        builds.delayMs = delay2;
        m_server.on("GET", kServerIdPath, server);
        m_server.on("GET", buildsPath("S"), builds);

        QObject owner;
        auto *checker = new AsyncCheckUpdate(&owner);
        int reports = 0;
        connect(checker, &AsyncCheckUpdate::checkUpdateFinish, this, [&reports] { ++reports; });
        QPointer<AsyncNetManager> transport = checker->findChild<AsyncNetManager *>();
        QVERIFY(transport);
        checker->checkUpdate();
        QTRY_COMPARE(m_server.requestCount(), requests);
        QVERIFY(!checker->isFinished());

        delete checker;
        QVERIFY(!transport);
        QTest::qWait(500);
        QCOMPARE(reports, 0);
        QCOMPARE(m_server.requestCount(), requests);
    }

    // The built-in update server unless the environment names another, which
    // gains its final slash (one that has it keeps it: see the request lines).
    void packageApi()
    {
        AsyncCheckUpdate checker;
        qputenv("VH_PACKAGE_API", "http://h:8/u");
        QCOMPARE(checker.getPackageApi(), QString("http://h:8/u/"));
        qunsetenv("VH_PACKAGE_API");
        const QString api = checker.getPackageApi();
        QVERIFY2(api.startsWith("https://") && api.endsWith('/') && api.size() > 9,
                 qPrintable(api));
    }
};

QTEST_GUILESS_MAIN(TestAsyncCheckUpdate)
#include "tst_asynccheckupdate.moc"
