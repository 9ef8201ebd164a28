#include "facadeprobe.h"
#include "testserver.h"

#include "VHPlatform.h"
#include "VHPrimaryData.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>

struct FaultFields;
template<> struct VHPrimaryDataProbe<FaultFields>
{
    static VHPrimaryData &facade() { return *VHPrimaryData::instance(); }
    static QList<VHUser> &projectMembers() { return facadeState().m_projectMembers; }
    static QMap<QString, VHModel> &models() { return facadeState().m_models; }
};
using Probe = VHPrimaryDataProbe<FaultFields>;

namespace {

const int kTimeoutMs = 3000;

// One representative operation per reply view: what it requests, the body a
// healthy server would send, and a summary of its result and outputs.
struct Operation
{
    const char *name;
    const char *method;
    const char *path;
    QByteArray healthyBody;
    std::function<QString()> run;
};

QString flag(bool ok)
{
    return ok ? QStringLiteral("true") : QStringLiteral("false");
}

QList<Operation> operations()
{
    return {
        {"object", "GET", "account-service/users/u", R"({"_id":"u","name":"N"})",
         [] {
             // A cached member follows the reply, whatever it was.
             Probe::projectMembers() = {VHUser()};
             Probe::projectMembers()[0].id = QStringLiteral("u");
             Probe::projectMembers()[0].name = QStringLiteral("old");
             VHUser user;
             const bool ok = VHPrimaryData::instance()->getUser(QStringLiteral("u"), user, true);
             const VHUser member = Probe::projectMembers().value(0);
             const QString cached = member.id == user.id && member.name == user.name
                                        ? QStringLiteral("member follows")
                                        : QStringLiteral("member differs");
             return flag(ok) + ' ' + user.id + '/' + user.name + ' ' + cached;
         }},
        {"object list", "GET", "account-service/projects", R"([{"_id":"a","status":2}])",
         [] {
             QList<VHProject> projects{VHProject()};
             const bool ok = VHPrimaryData::instance()->getProjects(projects);
             QString text = flag(ok);
             for (const VHProject &project : projects.mid(1))
                 text += ' ' + project.id + '/' + QString::number(project.status);
             return text;
         }},
        {"array", "GET", "ka-reth-service/velto/periods/E",
         R"([{"properties":[{"key":"k","value":"v"}]}])",
         [] {
             QList<VHPeriod> periods{VHPeriod()};
             const bool ok = VHPrimaryData::instance()->getPeriodByEntityCode("E", periods);
             QString text = flag(ok);
             for (const VHPeriod &period : periods.mid(1))
                 for (auto it = period.properties.begin(); it != period.properties.end(); ++it)
                     text += ' ' + it.key() + '=' + it.value();
             return text;
         }},
        {"none", "DELETE", "model-service/models/m", "{}",
         [] {
             Probe::models() = {{QStringLiteral("m"), VHModel()}};
             const bool ok = VHPrimaryData::instance()->deleteModel(QStringLiteral("m"));
             return flag(ok) + (Probe::models().contains("m") ? " cache kept" : " cache lost");
         }},
    };
}

Operation operation(const QString &name)
{
    for (const Operation &op : operations())
        if (QLatin1String(op.name) == name)
            return op;
    return {};
}

// `levels` nested arrays (or objects) around nothing.
QByteArray deeplyNested(int levels, bool objects)
{
    const QByteArray open = objects ? R"({"a":)" : "[";
    return open.repeated(levels) + "1" + QByteArray(objects ? "}" : "]").repeated(levels);
}

} // namespace

// Broken and hostile servers: every exchange ends within the time-out with
// the result and cache state a failed or empty reply prescribes.
class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_server.reset();
        useServer(m_server);
    }

    void operationsSurviveFaults_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("expected");

        // The summary of a healthy reply, of an exchange that failed and of a
        // reply that succeeded but held nothing readable.
        const QMap<QString, QStringList> outcomes{
            {"object",
             {"true u/N member follows", "false / member follows", "true / member follows"}},
            {"object list", {"true a/2", "false", "true"}},
            {"array", {"true k=v", "false", "true"}},
            {"none", {"true cache kept", "false cache kept", "true cache kept"}},
        };
        const QMap<QString, QList<QByteArray>> oddBodies{
            // invalid UTF-8, numbers beyond 64 bits, duplicate keys
            {"object",
             {"{\"_id\":\"u\",\"name\":\"N\xff\xfe\"}",
              R"({"_id":"u","name":"N","visible":184467440737095516160000})",
              R"({"_id":"u","name":"first","name":"N"})"}},
            {"object list",
             {"[{\"_id\":\"a\xc3(\",\"status\":2}]",
              R"([{"_id":"a","status":184467440737095516160000}])",
              R"([{"_id":"x","_id":"a","status":1,"status":2}])"}},
            {"array",
             {"[{\"properties\":[{\"key\":\"k\",\"value\":\"\xed\xa0\x80\"}]}]",
              R"([{"properties":[{"key":"k","value":-123456789012345678901234567890}]}])",
              R"([{"properties":[{"key":"k","value":"x"},{"key":"k","value":"v"}]}])"}},
            {"none", {"\xff", R"({"n":1e400})", R"({"a":1,"a":2})"}},
        };
        const QMap<QString, QStringList> oddOutcomes{
            {"object",
             {"true / member follows", "true u/N member follows", "true u/N member follows"}},
            {"object list", {"true", "true a/0", "true a/2"}},
            {"array", {"true", "true k=-1.23457e+29", "true k=v"}},
            {"none", {"true cache kept", "true cache kept", "true cache kept"}},
        };

        const QByteArray notJson(50 << 20, 'x');
        for (const Operation &op : operations()) {
            const QStringList expect = outcomes.value(op.name);
            const auto row = [&](const char *fault, const QByteArray &body,
                                 const QString &expected) {
                QTest::addRow("%s: %s", op.name, fault)
                    << QString::fromLatin1(op.name) << QString::fromLatin1(fault) << body
                    << expected;
            };
            row("reset mid-body", op.healthyBody, expect.at(1));
            row("closed before any reply", op.healthyBody, expect.at(1));
            row("one byte every 200 ms", op.healthyBody + QByteArray(30, ' '), expect.at(1));
            row("50 MB of non-JSON", notJson, expect.at(2));
            row("nested 100000 levels", deeplyNested(100000, op.name[0] == 'o'), expect.at(2));
            row("invalid UTF-8", oddBodies.value(op.name).at(0), oddOutcomes.value(op.name).at(0));
            row("numbers beyond 64 bits", oddBodies.value(op.name).at(1),
                oddOutcomes.value(op.name).at(1));
            row("duplicate keys", oddBodies.value(op.name).at(2), oddOutcomes.value(op.name).at(2));
            row("204 without body", QByteArray(), expect.at(2));
            row("chunked", op.healthyBody, expect.at(0));
            // The redirect itself carries no body; its target the healthy one.
            row("301", QByteArray(), expect.at(2));
            row("302", QByteArray(), expect.at(2));
        }
    }
    void operationsSurviveFaults()
    {
        QFETCH(QString, op);
        QFETCH(QString, fault);
        QFETCH(QByteArray, body);
        QFETCH(QString, expected);
        const Operation operation = ::operation(op);
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
        m_server.on(operation.method, path, reply);
        if (peer)
            VHBaseApi::GetInstance().setIp(peer->address());

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(operation.run(), expected);
        QVERIFY2(clock.elapsed() < timeoutMs + 1500, qPrintable(QString::number(clock.elapsed())));
        if (peer)
            QVERIFY(peer->connections() >= 1);
        else
            QCOMPARE(m_server.requestCount(), 1);
    }

private:
    TestServer m_server;
};

QTEST_GUILESS_MAIN(TestFaults)
#include "tst_faults.moc"
