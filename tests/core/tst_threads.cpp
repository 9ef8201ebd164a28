#include "testserver.h"

#include "AsyncCheckUpdate.h"
#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QMutex>
#include <QThread>
#include <QtTest>

namespace {

QMutex g_warningsMutex;
QStringList g_warnings;

void keepWarnings(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    const QMutexLocker lock(&g_warningsMutex);
    g_warnings.append(message);
}

} // namespace

// Transport objects work in whichever thread uses them: an update check in a
// worker thread and the facade's blocking calls in the main thread do not
// disturb each other, whichever of them uses the transport first.
class TestThreads : public QObject
{
    Q_OBJECT
private slots:
    // Nothing here may touch the transport: the first row needs the worker
    // to be its first user in this process.
    void initTestCase() { qInstallMessageHandler(keepWarnings); }

    void workerAndMainThreadBothUseTheTransport_data()
    {
        QTest::addColumn<bool>("mainFirst");
        QTest::newRow("worker thread first") << false;
        QTest::newRow("main thread first") << true;
    }
    void workerAndMainThreadBothUseTheTransport()
    {
        QFETCH(bool, mainFirst);
        TestServer server;
        VHBaseApi::GetInstance().setIp(server.address());
        qputenv("VH_PACKAGE_API", (server.address() + "/updates/").toUtf8());
        ScriptedReply serverId = ScriptedReply::json(QJsonObject{{"serverId", "S"}});
        serverId.delayMs = 200;
        server.on("GET", apiPath("account-service/system/profile/serverId"), serverId);
        server.on("GET", "/updates/private_servers/S/verification",
                  ScriptedReply::text(R"([{"_id":"b1"}])"));
        ScriptedReply projects = ScriptedReply::json(QJsonArray{QJsonObject{{"_id", "p"}}});
        projects.delayMs = 100;
        server.on("GET", apiPath("account-service/projects"), projects);
        const auto mainThreadCall = [] {
            NetworkManager::instance().setTimeout(3000);
            QList<VHProject> found;
            return VHPrimaryData::instance()->getProjects(found) && found.size() == 1;
        };

        if (mainFirst)
            QVERIFY(mainThreadCall());
        // An update check made and run in a thread of its own, with its own
        // event loop, as a client's worker would; the thread ends once the
        // check reports.
        QThread worker;
        QStringList builds{"not reported"};
        connect(&worker, &QThread::started, [&builds] {
            auto *check = new AsyncCheckUpdate;
            connect(check, &AsyncCheckUpdate::checkUpdateFinish, check,
                    [&builds, check](const QList<UpdateInfo> &found) {
                        builds.clear();
                        for (const UpdateInfo &build : found)
                            builds.append(build.id);
                        check->deleteLater();
                        QThread::currentThread()->quit();
                    });
            check->checkUpdate();
        });
        worker.start();
        const auto joined = qScopeGuard([&worker] { worker.wait(10000); });
        // Both at once: the main thread waits for its reply while the
        // worker's check is under way.
        QVERIFY(mainThreadCall());
        QVERIFY(worker.wait(10000));
        QCOMPARE(builds, QStringList{"b1"});
        QVERIFY(mainThreadCall());

        const QMutexLocker lock(&g_warningsMutex);
        QVERIFY2(g_warnings.isEmpty(), qPrintable(g_warnings.join('\n')));
    }
};

QTEST_GUILESS_MAIN(TestThreads)
#include "tst_threads.moc"
