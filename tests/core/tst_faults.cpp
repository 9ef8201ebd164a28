#include "facadeprobe.h"
#include "facadetest.h"
#include "peakresident.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>

namespace {

const int kTimeoutMs = 3000;

// The transport's limits while a hostile reply arrives: small, so that a
// reply breaking them would show in the process's peak memory at once.
const qint64 kMaxBytes = qint64(8) << 20;
const int kMaxRecords = 10000;

// One representative operation per reply view: what it requests, the body a
// healthy server would send, and a summary of its result and outputs.
struct Operation
{
    const char *name;
    const char *method;
    const char *path;
    QByteArray healthyBody;
    std::function<QString()> run;
    // The summary after a healthy reply, a failed exchange and a reply that
    // succeeded but held nothing readable.
    QStringList outcomes;
    // Bodies with invalid UTF-8, numbers beyond 64 bits and duplicate keys,
    // and the summary after each.
    QList<QPair<QByteArray, QString>> oddBodies;
};

QString flag(bool ok)
{
    return ok ? QStringLiteral("true") : QStringLiteral("false");
}

QList<Operation> operations()
{
    return {
        {"object",
         "GET",
         "account-service/users/u",
         R"({"_id":"u","name":"N"})",
         [] {
             // A cached member follows the reply, whatever it was.
             facadeState().m_projectMembers = {VHUser()};
             facadeState().m_projectMembers[0].id = QStringLiteral("u");
             facadeState().m_projectMembers[0].name = QStringLiteral("old");
             VHUser user;
             const bool ok = VHPrimaryData::instance()->getUser(QStringLiteral("u"), user, true);
             const VHUser member = facadeState().m_projectMembers.value(0);
             const QString cached = member.id == user.id && member.name == user.name
                                        ? QStringLiteral("member follows")
                                        : QStringLiteral("member differs");
             return flag(ok) + ' ' + user.id + '/' + user.name + ' ' + cached;
         },
         {"true u/N member follows", "false / member follows", "true / member follows"},
         {{"{\"_id\":\"u\",\"name\":\"N\xff\xfe\"}", "true / member follows"},
          {R"({"_id":"u","name":"N","visible":184467440737095516160000})",
           "true u/N member follows"},
          {R"({"_id":"u","name":"first","name":"N"})", "true u/N member follows"}}},
        {"object list",
         "GET",
         "account-service/projects",
         R"([{"_id":"a","status":2}])",
         [] {
             QList<VHProject> projects{VHProject()};
             const bool ok = VHPrimaryData::instance()->getProjects(projects);
             QString text = flag(ok);
             for (const VHProject &project : projects.mid(1))
                 text += ' ' + project.id + '/' + QString::number(project.status);
             return text;
         },
         {"true a/2", "false", "true"},
         {{"[{\"_id\":\"a\xc3(\",\"status\":2}]", "true"},
          {R"([{"_id":"a","status":184467440737095516160000}])", "true a/0"},
          {R"([{"_id":"x","_id":"a","status":1,"status":2}])", "true a/2"}}},
        {"array",
         "GET",
         "ka-reth-service/velto/periods/E",
         R"([{"properties":[{"key":"k","value":"v"}]}])",
         [] {
             QList<VHPeriod> periods{VHPeriod()};
             const bool ok = VHPrimaryData::instance()->getPeriodByEntityCode("E", periods);
             QString text = flag(ok);
             for (const VHPeriod &period : periods.mid(1))
                 for (auto it = period.properties.begin(); it != period.properties.end(); ++it)
                     text += ' ' + it.key() + '=' + it.value();
             return text;
         },
         {"true k=v", "false", "true"},
         {{"[{\"properties\":[{\"key\":\"k\",\"value\":\"\xed\xa0\x80\"}]}]", "true"},
          {R"([{"properties":[{"key":"k","value":-123456789012345678901234567890}]}])",
           "true k=-1.23457e+29"},
          {R"([{"properties":[{"key":"k","value":"x"},{"key":"k","value":"v"}]}])", "true k=v"}}},
        {"none",
         "DELETE",
         "model-service/models/m",
         "{}",
         [] {
             facadeState().m_models = {{QStringLiteral("m"), VHModel()}};
             const bool ok = VHPrimaryData::instance()->deleteModel(QStringLiteral("m"));
             return flag(ok) +
                    (facadeState().m_models.contains("m") ? " cache kept" : " cache lost");
         },
         {"true cache kept", "false cache kept", "true cache kept"},
         {{"\xff", "true cache kept"},
          {R"({"n":1e400})", "true cache kept"},
          {R"({"a":1,"a":2})", "true cache kept"}}},
    };
}

// `levels` nested arrays (or objects) around nothing.
QByteArray deeplyNested(int levels, bool objects)
{
    const QByteArray open = objects ? R"({"a":)" : "[";
    return open.repeated(levels) + "1" + QByteArray(objects ? "}" : "]").repeated(levels);
}

// A reply that inflates to `inflated` bytes of "[{},{},...": the zlib stream
// of Content-Encoding "deflate", or the same deflate data in gzip's frame.
// Its checksums are never reached: a client must give up long before.
QByteArray bomb(bool gzip, int inflated)
{
    const QByteArray zlib = qCompress("[" + QByteArray("{},").repeated(inflated / 3), 9).mid(4);
    if (!gzip)
        return zlib;
    const QByteArray deflate = zlib.mid(2, zlib.size() - 6);
    const char header[] = {'\x1f', '\x8b', 8, 0, 0, 0, 0, 0, 2, '\xff'};
    return QByteArray(header, sizeof header) + deflate + QByteArray(8, '\0');
}

} // namespace

// Broken and hostile servers: every exchange ends within the time-out with
// the result and cache state a failed or empty reply prescribes.
class TestFaults : public FacadeTest
{
    Q_OBJECT
private slots:
    void operationsSurviveFaults_data()
    {
        QTest::addColumn<int>("op");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");
        // For the replies the transport refuses: what lastError() names.
        QTest::addColumn<QString>("cause");

        const QByteArray notJson(50 << 20, 'x');
        // Over the limits, each ten times or more, yet a few MiB at most on
        // the wire. Parsed, the last two would take about 60 MiB.
        const QByteArray gzipBomb = bomb(true, 64 << 20);
        const QByteArray deflateBomb = bomb(false, 64 << 20);
        const QByteArray records = "[" + QByteArray(R"({"a":1},)").repeated(400000) + "{}]";
        const QByteArray values = "[" + QByteArray("1,").repeated(2000000) + "1]";
        // libcurl inflates as the body arrives; Qt's backend asks for plain
        // replies and refuses compressed ones at their headers.
        const QString tooLarge = QStringLiteral("larger than the 8 MiB the transport accepts");
        const QString inflated =
            NetworkManager::instance().backend() == NetworkManager::Backend::Curl
                ? tooLarge
                : QStringLiteral("compressed");
        const QList<Operation> ops = operations();
        for (int index = 0; index < ops.size(); ++index) {
            const Operation &op = ops.at(index);
            const QStringList &expect = op.outcomes;
            const auto row = [&](const char *fault, const QByteArray &body, const QString &expected,
                                 const QString &cause = QString()) {
                QTest::addRow("%s: %s", op.name, fault)
                    << index << QString::fromLatin1(fault) << body << expected << cause;
            };
            row("reset mid-body", op.healthyBody, expect.at(1));
            row("closed before any reply", op.healthyBody, expect.at(1));
            row("one byte every 200 ms", op.healthyBody + QByteArray(30, ' '), expect.at(1));
            row("50 MB of non-JSON", notJson, expect.at(2));
            row("nested 100000 levels", deeplyNested(100000, op.name[0] == 'o'), expect.at(2));
            row("invalid UTF-8", op.oddBodies.at(0).first, op.oddBodies.at(0).second);
            row("numbers beyond 64 bits", op.oddBodies.at(1).first, op.oddBodies.at(1).second);
            row("duplicate keys", op.oddBodies.at(2).first, op.oddBodies.at(2).second);
            row("204 without body", QByteArray(), expect.at(2));
            row("chunked", op.healthyBody, expect.at(0));
            // The redirect itself carries no body; its target the healthy one.
            row("301", QByteArray(), expect.at(2));
            row("302", QByteArray(), expect.at(2));
            row("gzip bomb", gzipBomb, expect.at(1), inflated);
            row("deflate bomb", deflateBomb, expect.at(1), inflated);
            row("endless body", QByteArray("{},").repeated(20000), expect.at(1), tooLarge);
            row("too many records", records, expect.at(1),
                QStringLiteral("more than the 10000 records"));
            row("too many values", values, expect.at(1),
                QStringLiteral("more than the 80000 values"));
        }
    }
    void operationsSurviveFaults()
    {
        QFETCH(int, op);
        QFETCH(QString, fault);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        QFETCH(QString, cause);
        const Operation operation = operations().at(op);
        const QString path = apiPath(QString::fromLatin1(operation.path));

        ScriptedReply reply = ScriptedReply::text(body);
        std::unique_ptr<RawPeer> peer;
        if (fault == "reset mid-body") {
            const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                                    "Content-Length: 1000\r\n\r\n";
            peer = std::make_unique<RawPeer>(head + body.left(body.size() / 2), true);
        } else if (fault == "closed before any reply") {
            peer = std::make_unique<RawPeer>(QByteArray(), false);
        } else if (fault == "one byte every 200 ms") {
            reply.trickleMs = 200;
        } else if (fault == "204 without body") {
            reply.status = 204;
        } else if (fault == "chunked") {
            reply.chunkSize = 3;
        } else if (fault.endsWith("bomb")) {
            reply.headers.append(
                qMakePair(QByteArray("Content-Encoding"),
                          QByteArray(fault.startsWith("gzip") ? "gzip" : "deflate")));
        } else if (fault == "endless body") {
            reply.endless = true;
        } else if (fault.startsWith('3')) {
            // An ordinary endpoint that answers with a redirect is taken at its word.
            reply.status = fault.toInt();
            reply.headers.append({"Location", apiPath("account-service/elsewhere").toUtf8()});
            m_server.on("GET", apiPath("account-service/elsewhere"),
                        ScriptedReply::text(operation.healthyBody));
        }
        // Moving 50 MB through a sanitizer build on a busy machine takes seconds.
        const int timeoutMs = body.size() > (1 << 20) ? 20000 : kTimeoutMs;
        NetworkManager::instance().setTimeout(timeoutMs);
        if (!cause.isEmpty()) {
            // Bodies the server must not compress again.
            reply.contentType = "application/octet-stream";
            NetworkManager::instance().setMaxReplyBytes(kMaxBytes);
            NetworkManager::instance().setMaxReplyRecords(kMaxRecords);
        }
        m_server.on(operation.method, path, reply);
        if (peer)
            VHBaseApi::GetInstance().setIp(peer->address());

        const bool measured =
            !cause.isEmpty() && PeakResident::meaningful() && PeakResident::reset();
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(operation.run(), expected);
        if (!cause.isEmpty()) {
            const VHError error = VHPrimaryData::instance()->lastError();
            QCOMPARE(error.kind, VHError::Kind::Network);
            QVERIFY2(error.detail.contains(cause), qPrintable(error.detail));
        }
        if (measured) {
            // The limit, the server's copies of what it sends and a little
            // more; reading any of these replies whole would take over 60 MiB.
            const qint64 growth = PeakResident::growth();
            qInfo("peak resident memory grew by %.1f MiB", double(growth) / (1 << 20));
            QVERIFY2(growth < 3 * kMaxBytes, qPrintable(QString::number(growth)));
        }
        QVERIFY2(clock.elapsed() < timeoutMs + 1500, qPrintable(QString::number(clock.elapsed())));
        if (peer)
            QVERIFY(peer->connections() >= 1);
        else
            QCOMPARE(m_server.requestCount(), 1);
    }

    // Within one operation, a server that did not answer in time, or could
    // not be reached at all, is not tried again: the remaining exchanges fail
    // at once with the same error and leave what failed exchanges leave.
    // The next operation tries again.
    void unreachableServerFailsTheRestAtOnce_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("listening");
        QTest::addColumn<QString>("expected");
        for (const bool listening : {true, false}) {
            const char *how = listening ? "silent server" : "nothing listens";
            QTest::addRow("freshModels of 40, %s", how) << "freshModels" << listening << "true, 0";
            QTest::addRow("getModelNamesByModelIds of 20, %s", how)
                << "getModelNamesByModelIds" << listening << "0";
        }
    }
    void unreachableServerFailsTheRestAtOnce()
    {
        QFETCH(QString, op);
        QFETCH(bool, listening);
        QFETCH(QString, expected);
        NetworkManager::instance().setTimeout(300);
        ScriptedReply silent = ScriptedReply::json(QJsonArray());
        silent.delayMs = 3000;
        m_server.on("GET", apiPath("model-service/projects/p1/models"), silent);
        for (int i = 0; i < 40; ++i)
            m_server.on("GET", apiPath("model-service/models/m%1").arg(i), silent);
        if (!listening)
            VHBaseApi::GetInstance().setIp(QStringLiteral("http://127.0.0.1:1"));

        VHPrimaryData *data = VHPrimaryData::instance();
        QString outcome;
        if (op == "freshModels") {
            QList<VHModel> models;
            for (int i = 0; i < 40; ++i) {
                VHModel model;
                model.id = model.modelId = QStringLiteral("m%1").arg(i);
                models.append(model);
            }
            const bool ok = data->freshModels(models);
            outcome = flag(ok) + ", " + QString::number(models.size());
        } else {
            QStringList ids;
            for (int i = 0; i < 20; ++i)
                ids.append(QStringLiteral("m%1").arg(i));
            QStringList names{"stale"};
            data->getModelNamesByModelIds(ids, names);
            outcome = QString::number(names.size());
        }
        QCOMPARE(outcome, expected);
        QCOMPARE(VHError::kindName(data->lastError().kind),
                 VHError::kindName(listening ? VHError::Kind::TimedOut
                                             : VHError::Kind::ConnectionRefused));
        if (!listening)
            return;
        QCOMPARE(m_server.requestCount(), 1);

        m_server.on("GET", apiPath("account-service/projects"), ScriptedReply::json(QJsonArray()));
        QList<VHProject> projects;
        QVERIFY(data->getProjects(projects));
        QCOMPARE(m_server.requestCount(), 2);
    }
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
