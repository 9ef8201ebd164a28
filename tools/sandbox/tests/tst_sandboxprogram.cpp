#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

// One account, enough to sign in; loads at once.
const QByteArray kSeed = R"({"collections": {
    "users": [{"_id": "u1", "name": "demo", "phoneNumber": "1"}],
    "credentials": [{"userId": "u1", "password": "demo123"}]}})";

// The program, started on a free port and stopped when destroyed.
class Program
{
public:
    explicit Program(const QStringList &arguments)
    {
        m_process.start(VHPD_SANDBOX_BINARY, QStringList{"--port", "0"} + arguments);
        if (!m_process.waitForReadyRead(10000))
            return;
        const QString first = QString::fromUtf8(m_process.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression("^listening on (http://127\\.0\\.0\\.1:\\d+)$").match(first);
        m_root = match.captured(1);
        // The rest of the greeting comes in the same write.
        m_process.waitForReadyRead(200);
        m_greeting = m_process.readAll();
    }
    ~Program()
    {
#ifdef Q_OS_WIN
        // terminate() posts a window message, which a console program never receives.
        QProcess::execute(VHPD_SANDBOX_BINARY, {"--stop", QString::number(m_process.processId())});
#else
        m_process.terminate();
#endif
        m_process.waitForFinished(10000);
    }
    bool started() const
    {
        return !m_root.isEmpty();
    }
    QString root() const
    {
        return m_root;
    }
    QByteArray greeting() const
    {
        return m_greeting;
    }
    qint64 processId() const
    {
        return m_process.processId();
    }
    // What the program printed since, with Windows' "\r\n" line ends as "\n".
    QByteArray output()
    {
        m_process.waitForReadyRead(200);
        return m_process.readAll().replace("\r\n", "\n");
    }

    // Sends a request and returns the status and the body.
    int request(const QByteArray &verb, const QString &path, const QByteArray &body = {},
                const QString &token = {}, QJsonObject *reply = nullptr)
    {
        QNetworkRequest request(QUrl(m_root + path));
        request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        if (!token.isEmpty())
            request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        QNetworkReply *answer = m_manager.sendCustomRequest(request, verb, body);
        QSignalSpy finished(answer, &QNetworkReply::finished);
        finished.wait(10000);
        if (reply)
            *reply = QJsonDocument::fromJson(answer->readAll()).object();
        const int status = answer->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        delete answer;
        m_manager.clearConnectionCache();
        return status;
    }
    QString login()
    {
        QJsonObject reply;
        request("POST", "/v1/account-service/login", R"({"name":"demo","password":"demo123"})", {},
                &reply);
        return reply.value("token").toString();
    }

private:
    QProcess m_process;
    QString m_root;
    QByteArray m_greeting;
    QNetworkAccessManager m_manager;
};

struct Finished
{
    int exitCode = -1;
    QByteArray err;
};

Finished runToEnd(const QStringList &arguments)
{
    QProcess process;
    process.start(VHPD_SANDBOX_BINARY, arguments);
    Finished finished;
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return finished;
    }
    finished.exitCode = process.exitCode();
    finished.err = process.readAllStandardError();
    return finished;
}

} // namespace

// The program as a person starts it: what it says at start, the request log,
// the state kept across restarts, and a port already taken.
class TestSandboxProgram : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir.reset(new QTemporaryDir);
        m_seed = m_dir->filePath("seed.json");
        m_state = m_dir->filePath("state.json");
        QFile file(m_seed);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kSeed);
    }

    void greetsWithWhatAUserNeeds()
    {
        Program program({"--data", m_seed});
        QVERIFY(program.started());
        const QString greeting = QString::fromUtf8(program.greeting());
        QVERIFY2(greeting.contains("demo with the password demo123"), qPrintable(greeting));
        QVERIFY2(greeting.contains(m_seed), qPrintable(greeting));
        // How to stop it from elsewhere: kill, or --stop on Windows.
#ifdef Q_OS_WIN
        const QString stop = QString("vhpd-sandbox --stop %1").arg(program.processId());
#else
        const QString stop = QString("kill %1").arg(program.processId());
#endif
        QVERIFY2(greeting.contains("stop with Ctrl-C, or: " + stop), qPrintable(greeting));
    }

    void aTakenPortIsRefused()
    {
        Program first({"--data", m_seed});
        QVERIFY(first.started());
        const Finished second =
            runToEnd({"--data", m_seed, "--port", first.root().section(':', -1)});
        QCOMPARE(second.exitCode, 1);
        QVERIFY2(second.err.contains("in use"), second.err.constData());
        QVERIFY2(second.err.contains("--port 0"), second.err.constData());
    }

    void logShowsRequestsAndSentCodes()
    {
        Program program({"--data", m_seed, "--log"});
        QVERIFY(program.started());
        QCOMPARE(program.request("GET", "/v1/touch"), 200);
        QCOMPARE(program.request("GET", "/v1/account-service/projects"), 401);
        QJsonObject reply;
        QCOMPARE(program.request("POST", "/v1/account-service/securities?verify=false&debug=true",
                                 R"({"phoneNumber":"1"})", {}, &reply),
                 200);
        const QStringList lines = QString::fromUtf8(program.output()).split('\n');
        const QString time = "^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ";
        QVERIFY2(
            lines.value(0).contains(QRegularExpression(time + "GET /v1/touch 200 [\\d.]+ ms$")),
            qPrintable(lines.join('\n')));
        QVERIFY(lines.value(1).contains(
            QRegularExpression(time + "GET /v1/account-service/projects 401 ")));
        QVERIFY2(lines.value(2).endsWith(" verification code " + reply.value("code").toString() +
                                         " sent to 1"),
                 qPrintable(lines.value(2)));
    }

    void stateSurvivesARestartUntilReset()
    {
        QString token;
        {
            Program program({"--data", m_seed, "--state", m_state});
            QVERIFY(program.started());
            token = program.login();
            QVERIFY(!token.isEmpty());
        }
        const QByteArray saved = [this] {
            QFile file(m_state);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(QJsonDocument::fromJson(saved).isObject());
        {
            Program program({"--data", m_seed, "--state", m_state});
            QVERIFY(program.started());
            QVERIFY(program.greeting().contains(m_state.toUtf8()));
            // The session of the first run is still signed in.
            QCOMPARE(program.request("GET", "/v1/account-service/users/u1", {}, token), 200);
        }
        Program reset({"--data", m_seed, "--state", m_state, "--reset"});
        QVERIFY(reset.started());
        QCOMPARE(reset.request("GET", "/v1/account-service/users/u1", {}, token), 401);
    }

    void aDamagedStateIsAnErrorNotAReset_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("cut short")
            << QByteArray("{\"vhpdSandboxState\": 1, \"colle") << QByteArray("not JSON");
        QTest::newRow("empty") << QByteArray() << QByteArray("not JSON");
        QTest::newRow("other JSON") << kSeed << QByteArray("not a state file");
        QTest::newRow("no collections")
            << QByteArray(R"({"vhpdSandboxState": 1, "idCounter": 3})") << QByteArray("damaged");
    }
    void aDamagedStateIsAnErrorNotAReset()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, reason);
        QFile file(m_state);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        const Finished refused = runToEnd({"--data", m_seed, "--state", m_state});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(m_state.toUtf8()), refused.err.constData());
        QVERIFY2(refused.err.contains(reason), refused.err.constData());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        file.close();

        Program reset({"--data", m_seed, "--state", m_state, "--reset"});
        QVERIFY(reset.started());
    }

    void aStateThatCannotBeReadIsAnError()
    {
        QVERIFY(QDir(m_state).mkpath("."));
        const Finished refused = runToEnd({"--data", m_seed, "--state", m_state});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(m_state.toUtf8()), refused.err.constData());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_seed;
    QString m_state;
};

QTEST_GUILESS_MAIN(TestSandboxProgram)
#include "tst_sandboxprogram.moc"
