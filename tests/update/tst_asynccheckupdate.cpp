#include "AsyncCheckUpdate.h"
#include "testserver.h"
#include "update/updateinfocodec.h"

#include "VHNetwork.h"

#include <QMetaMethod>
#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

// What a client does to carry the builds in a QVariant, as the spies do.
Q_DECLARE_METATYPE(UpdateInfo)

namespace {

const QString kServerIdPath = apiPath("account-service/system/profile/serverId");

QString buildsPath(const QString &serverId)
{
    return "/updates/private_servers/" + serverId + "/verification";
}

// One line per build, so that a mismatch shows every field of both sides.
QStringList describe(const QList<UpdateInfo> &infos)
{
    QStringList lines;
    for (const UpdateInfo &i : infos)
        lines << QStringList{i.id,
                             i.name,
                             i.version,
                             i.fileId,
                             i.device,
                             i.description,
                             QString::number(i.build),
                             i.forced ? "forced" : "optional"}
                     .join('|');
    return lines;
}

QStringList requestLines(const TestServer &server)
{
    QStringList lines;
    for (const RecordedRequest &request : server.requests())
        lines << request.method + ' ' + request.path + '?' + request.rawQuery;
    return lines;
}

} // namespace

// The two-stage check against a loopback backend that also plays the update
// server (the package API is pointed at its "/updates/" path).
class TestAsyncCheckUpdate : public QObject
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
        m_server.reset();
        useServer(m_server);
        qputenv("VH_PACKAGE_API", (m_server.address() + "/updates/").toUtf8());
    }
    void cleanupTestCase() { qunsetenv("VH_PACKAGE_API"); }

    void asksBackendThenUpdateServerAndReportsOnce()
    {
        m_server.on("GET", kServerIdPath, ScriptedReply::json(QJsonObject{{"serverId", "S-1"}}));
        ScriptedReply builds = ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "b1"},
                                                                          {"name", "Client"},
                                                                          {"version", "2.3.0"},
                                                                          {"build", "230"},
                                                                          {"fileId", "f1"},
                                                                          {"device", "pc"},
                                                                          {"description", "fixes"},
                                                                          {"forced", true}},
                                                              QJsonObject{{"_id", "b2"}}, 7});
        builds.delayMs = 300;
        m_server.on("GET", buildsPath("S-1"), builds);

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        QVERIFY(checker.isFinished());

        checker.checkUpdate();
        QVERIFY(!checker.isFinished());
        QCOMPARE(spy.count(), 0);
        // The server id alone reports nothing; the builds request is under way.
        QTRY_COMPARE(m_server.requestCount(), 2);
        QCOMPARE(spy.count(), 0);
        QVERIFY(!checker.isFinished());

        QVERIFY(spy.wait(5000));
        QVERIFY(checker.isFinished());
        QCOMPARE(requestLines(m_server), QStringList({"GET " + kServerIdPath + '?',
                                                      "GET " + buildsPath("S-1") + "?device=pc"}));
        const QStringList expected{"b1|Client|2.3.0|f1|pc|fixes|230|forced", "b2||||||0|optional",
                                   "||||||0|optional"};
        QCOMPARE(describe(spy.at(0).at(0).value<QList<UpdateInfo>>()), expected);
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
    }

    void entryConversion_data()
    {
        QTest::addColumn<QJsonObject>("entry");
        QTest::addColumn<int>("build");
        QTest::addColumn<bool>("forced");
        QTest::newRow("decimal text") << QJsonObject{{"build", "1024"}} << 1024 << false;
        QTest::newRow("json number") << QJsonObject{{"build", 1024}} << 0 << false;
        QTest::newRow("words") << QJsonObject{{"build", "beta"}} << 0 << false;
        QTest::newRow("forced flag") << QJsonObject{{"forced", true}} << 0 << true;
        QTest::newRow("forced as text") << QJsonObject{{"forced", "true"}} << 0 << false;
        QTest::newRow("empty") << QJsonObject() << 0 << false;
    }
    void entryConversion()
    {
        QFETCH(QJsonObject, entry);
        QFETCH(int, build);
        QFETCH(bool, forced);
        UpdateInfo info;
        info.id = "old";
        info.build = 77;
        info.forced = !forced;
        parseUpdateInfo(entry, info);
        QCOMPARE(info.build, build);
        QCOMPARE(info.forced, forced);
        QCOMPARE(info.id, QString());
    }

    // Whatever the two servers answer, the check ends with one report; the
    // HTTP status never matters, only the bytes.
    void everyCheckEndsWithOneReport_data()
    {
        QTest::addColumn<int>("status1");
        QTest::addColumn<QByteArray>("body1");
        QTest::addColumn<int>("status2");
        QTest::addColumn<QByteArray>("body2");
        QTest::addColumn<int>("requests");
        QTest::addColumn<QStringList>("ids");
        const QByteArray server = R"({"serverId":"S"})";
        const QByteArray builds = R"([{"_id":"b1"},{"_id":"b2"}])";
        QTest::newRow("server id not json")
            << 200 << QByteArray("<html>") << 200 << builds << 1 << QStringList();
        QTest::newRow("server id empty failure")
            << 500 << QByteArray() << 200 << builds << 1 << QStringList();
        QTest::newRow("no server id")
            << 200 << QByteArray(R"({"id":"S"})") << 200 << builds << 1 << QStringList();
        QTest::newRow("server id not text")
            << 200 << QByteArray(R"({"serverId":5})") << 200 << builds << 1 << QStringList();
        QTest::newRow("server id empty")
            << 200 << QByteArray(R"({"serverId":""})") << 200 << builds << 1 << QStringList();
        QTest::newRow("server id in an array")
            << 200 << QByteArray(R"([{"serverId":"S"}])") << 200 << builds << 1 << QStringList();
        QTest::newRow("builds not json")
            << 200 << server << 200 << QByteArray("oops") << 2 << QStringList();
        QTest::newRow("builds as an error object")
            << 200 << server << 200 << QByteArray(R"({"code":404,"message":"none"})") << 2
            << QStringList();
        QTest::newRow("no builds")
            << 200 << server << 200 << QByteArray("[]") << 2 << QStringList();
        QTest::newRow("failed statuses with json bodies")
            << 500 << server << 404 << builds << 2 << QStringList{"b1", "b2"};
    }
    void everyCheckEndsWithOneReport()
    {
        QFETCH(int, status1);
        QFETCH(QByteArray, body1);
        QFETCH(int, status2);
        QFETCH(QByteArray, body2);
        QFETCH(int, requests);
        QFETCH(QStringList, ids);
        m_server.on("GET", kServerIdPath, ScriptedReply::text(body1, status1));
        m_server.on("GET", buildsPath("S"), ScriptedReply::text(body2, status2));

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        checker.checkUpdate();
        QVERIFY(spy.wait(5000));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(m_server.requestCount(), requests);
        QCOMPARE(m_server.requests().at(0).path, kServerIdPath);
        if (requests == 2)
            QCOMPARE(m_server.requests().at(1).path, buildsPath("S"));
        QStringList expected;
        for (const QString &id : ids)
            expected << id + "||||||0|optional";
        QCOMPARE(describe(spy.at(0).at(0).value<QList<UpdateInfo>>()), expected);
    }

    void eachCheckAsksForTheServerIdAgain()
    {
        m_server.once("GET", kServerIdPath, ScriptedReply::json(QJsonObject{{"serverId", "S1"}}));
        m_server.once("GET", kServerIdPath, ScriptedReply::json(QJsonObject{{"serverId", "S2"}}));
        m_server.on("GET", buildsPath("S1"),
                    ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "a"}}}));
        m_server.on("GET", buildsPath("S2"),
                    ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "b"}}}));

        AsyncCheckUpdate checker;
        QSignalSpy spy(&checker, &AsyncCheckUpdate::checkUpdateFinish);
        checker.checkUpdate();
        QVERIFY(spy.wait(5000));
        checker.checkUpdate();
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).value<QList<UpdateInfo>>().value(0).id, QString("a"));
        QCOMPARE(spy.at(1).at(0).value<QList<UpdateInfo>>().value(0).id, QString("b"));
        QStringList paths;
        for (const RecordedRequest &request : m_server.requests())
            paths << request.path;
        QCOMPARE(paths,
                 QStringList({kServerIdPath, buildsPath("S1"), kServerIdPath, buildsPath("S2")}));
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
        ScriptedReply builds = ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "b"}}});
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

    void packageApi_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected"); // empty: the built-in address
        QTest::newRow("unset") << false << QByteArray() << QString();
        QTest::newRow("empty") << true << QByteArray() << QString();
        QTest::newRow("with slash") << true << QByteArray("http://h:8/u/") << "http://h:8/u/";
        QTest::newRow("without slash") << true << QByteArray("http://h:8/u") << "http://h:8/u/";
    }
    void packageApi()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        if (set)
            qputenv("VH_PACKAGE_API", value);
        else
            qunsetenv("VH_PACKAGE_API");
        AsyncCheckUpdate checker;
        const QString api = checker.getPackageApi();
        if (expected.isEmpty()) {
            QVERIFY2(api.startsWith("https://") && api.endsWith('/') && api.size() > 9,
                     qPrintable(api));
        } else {
            QCOMPARE(api, expected);
        }
        QCOMPARE(checker.getDownloadApi(), QString("applications/%1?download=true"));
    }

    void metaObjectDeclaresSignalThenSlot()
    {
        const QMetaObject &meta = AsyncCheckUpdate::staticMetaObject;
        QCOMPARE(meta.className(), "AsyncCheckUpdate");
        QCOMPARE(meta.superClass(), &QObject::staticMetaObject);
        QCOMPARE(meta.methodCount() - meta.methodOffset(), 2);

        const QMetaMethod signal = meta.method(meta.methodOffset());
        QCOMPARE(signal.methodSignature(), QByteArray("checkUpdateFinish(QList<UpdateInfo>)"));
        QCOMPARE(signal.methodType(), QMetaMethod::Signal);
        QCOMPARE(signal.access(), QMetaMethod::Public);
        QCOMPARE(signal.parameterNames(), QList<QByteArray>{"updateInfos"});

        const QMetaMethod slot = meta.method(meta.methodOffset() + 1);
        QCOMPARE(slot.methodSignature(), QByteArray("checkComplete(QByteArray)"));
        QCOMPARE(slot.methodType(), QMetaMethod::Slot);
        QCOMPARE(slot.access(), QMetaMethod::Private);
        QCOMPARE(slot.parameterNames(), QList<QByteArray>{"content"});
        QCOMPARE(slot.parameterType(0), int(QMetaType::QByteArray));

        AsyncCheckUpdate checker;
        QCOMPARE(checker.qt_metacast("AsyncCheckUpdate"), static_cast<void *>(&checker));
        QCOMPARE(qobject_cast<AsyncCheckUpdate *>(static_cast<QObject *>(&checker)), &checker);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestAsyncCheckUpdate)
#include "tst_asynccheckupdate.moc"
