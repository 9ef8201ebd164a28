#include "httpserver.h"
#include "sandbox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

// One account, enough to sign in; loads at once.
const QByteArray kSeed = R"({"collections": {
    "users": [{"_id": "u1", "name": "ann", "phoneNumber": "1"}],
    "credentials": [{"userId": "u1", "password": "pw"}]}})";

constexpr qint64 kJsonBytes = 64 * 1024;
constexpr qint64 kUploadBytes = 256 * 1024;

HttpLimits shortLimits()
{
    HttpLimits limits;
    limits.connection.headTime = std::chrono::milliseconds(2000);
    limits.connection.idleTime = std::chrono::milliseconds(2000);
    limits.connection.lingerTime = std::chrono::milliseconds(200);
    limits.connection.workers = 16;
    limits.body.jsonBytes = kJsonBytes;
    limits.body.jsonTime = std::chrono::milliseconds(2000);
    limits.body.uploadBytes = kUploadBytes;
    return limits;
}

// A client that writes raw bytes, for requests no HTTP library would send.
class RawClient
{
public:
    explicit RawClient(int port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    }
    bool connected() { return m_socket.waitForConnected(5000); }
    void send(const QByteArray &bytes)
    {
        if (m_socket.state() != QAbstractSocket::ConnectedState)
            return;
        m_socket.write(bytes);
        m_socket.waitForBytesWritten(5000);
    }
    // Reads one reply's status line, headers and Content-Length body.
    int reply(QByteArray *body = nullptr)
    {
        QElapsedTimer timer;
        timer.start();
        while (!m_buffer.contains("\r\n\r\n") && timer.elapsed() < 5000 && readMore()) {
        }
        const int end = m_buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return 0;
        const QByteArray head = m_buffer.left(end);
        const QByteArray lengthName = "content-length: ";
        const int at = head.toLower().indexOf(lengthName);
        const int length =
            at < 0 ? 0 : head.mid(at + lengthName.size()).split('\r').first().trimmed().toInt();
        while (m_buffer.size() < end + 4 + length && timer.elapsed() < 5000 && readMore()) {
        }
        if (body)
            *body = m_buffer.mid(end + 4, length);
        m_buffer.remove(0, end + 4 + length);
        return head.split(' ').value(1).toInt();
    }
    // Whether the server ends the connection within `ms`.
    bool closedWithin(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms) {
            if (m_socket.state() != QAbstractSocket::ConnectedState)
                return true;
            m_socket.waitForReadyRead(50);
            m_socket.readAll();
        }
        return m_socket.state() != QAbstractSocket::ConnectedState;
    }

private:
    bool readMore()
    {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(200))
            return m_socket.state() == QAbstractSocket::ConnectedState;
        m_buffer += m_socket.readAll();
        return true;
    }

    QTcpSocket m_socket;
    QByteArray m_buffer;
};

QByteArray post(const QByteArray &path, const QByteArray &headers, const QByteArray &body = {})
{
    return "POST " + path + " HTTP/1.1\r\nHost: sandbox\r\n" + headers + "\r\n" + body;
}

QByteArray jsonLength(qint64 length)
{
    return "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(length) +
           "\r\n";
}

QByteArray formHeaders(const QByteArray &token, qint64 length)
{
    QByteArray headers = "Content-Type: multipart/form-data; boundary=XyZ\r\nContent-Length: " +
                         QByteArray::number(length) + "\r\n";
    if (!token.isEmpty())
        headers += "Authorization: Bearer " + token + "\r\n";
    return headers;
}

QByteArray form(qint64 fileBytes)
{
    return "--XyZ\r\nContent-Disposition: form-data; name=\"projectId\"\r\n\r\nnone\r\n"
           "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; filename=\"a.dng\"\r\n\r\n" +
           QByteArray(int(fileBytes), 'x') + "\r\n--XyZ--\r\n";
}

QStringList uploadLeftovers()
{
    return QDir::temp().entryList({QStringLiteral("vhpd-sandbox-upload-*")}, QDir::Files);
}

} // namespace

// The HTTP layer's defences, against a sandbox with one account and short
// limits: bodies are checked before they are read and capped, slow and
// endless requests are cut off without holding up anyone else, and a port is
// served by one sandbox only.
class TestSandboxHttp : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_sandbox.reset(new Sandbox(SandboxOptions()));
        QString error;
        QVERIFY2(m_sandbox->loadJson(kSeed, error), qPrintable(error));
        m_server.reset(new HttpServer(*m_sandbox, shortLimits()));
        m_port = m_server->start(QStringLiteral("127.0.0.1"), 0);
        QVERIFY(m_port > 0);

        RawClient client(m_port);
        QVERIFY(client.connected());
        const QByteArray login = R"({"name":"ann","password":"pw"})";
        client.send(post("/v1/account-service/login", jsonLength(login.size()), login));
        QByteArray body;
        QCOMPARE(client.reply(&body), 200);
        m_token = QJsonDocument::fromJson(body).object().value("token").toString().toUtf8();
        QVERIFY(!m_token.isEmpty());
    }
    void cleanupTestCase()
    {
        m_server.reset();
        m_sandbox.reset();
    }

    // The body is announced but never sent: the reply must come from the
    // headers alone, and the connection end since the body stays unread.
    void refusalsComeBeforeTheBody_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        const qint64 gib = qint64(1) << 30;
        QTest::newRow("1 GiB to login")
            << post("/v1/account-service/login", jsonLength(gib)) << 413;
        QTest::newRow("JSON over the cap")
            << post("/v1/account-service/login", jsonLength(kJsonBytes + 1)) << 413;
        QTest::newRow("upload without a session")
            << post("/v1/model-service/models/dng", formHeaders({}, gib)) << 401;
        QTest::newRow("JSON without a session")
            << post("/v1/model-service/models/x/tags", jsonLength(gib)) << 401;
        QTest::newRow("unknown path") << post("/elsewhere", jsonLength(gib)) << 404;
    }
    void refusalsComeBeforeTheBody()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        RawClient client(m_port);
        QVERIFY(client.connected());
        QElapsedTimer timer;
        timer.start();
        client.send(request);
        QByteArray body;
        QCOMPARE(client.reply(&body), status);
        QVERIFY2(timer.elapsed() < 1500, "the reply waited for the body");
        QVERIFY2(QJsonDocument::fromJson(body).object().value("code").isDouble(), body.constData());
        QVERIFY(client.closedWithin(2000));
    }

    void uploadsWithASessionAreCapped()
    {
        const QByteArray over = form(kUploadBytes + 1);
        RawClient client(m_port);
        QVERIFY(client.connected());
        client.send(post("/v1/model-service/models/dng", formHeaders(m_token, kUploadBytes * 2)));
        QCOMPARE(client.reply(), 413); // announced too large: refused unread

        const QStringList before = uploadLeftovers();
        RawClient streamed(m_port);
        QVERIFY(streamed.connected());
        // Within the announced limit, over the cap once it arrives.
        streamed.send(
            post("/v1/model-service/models/dng", formHeaders(m_token, over.size()), over));
        QCOMPARE(streamed.reply(), 413);

        const QByteArray fits = form(1000);
        RawClient accepted(m_port);
        QVERIFY(accepted.connected());
        accepted.send(
            post("/v1/model-service/models/dng", formHeaders(m_token, fits.size()), fits));
        QCOMPARE(accepted.reply(), 403); // read whole and handled: "none" is no project of hers
        QCOMPARE(uploadLeftovers(), before);
    }

    // Its reading failed half-way: it cannot be read again to be dropped.
    void aBrokenFormIsAnsweredAtOnce()
    {
        const QByteArray broken = "--XyZ\r\nContent-Disposition: form-data; name=\"file\"; "
                                  "filename=\"a.dng\"\r\n\r\nxx\r\n--XyZ\r\nnot a part\r\n\r\n";
        RawClient client(m_port);
        QVERIFY(client.connected());
        QElapsedTimer timer;
        timer.start();
        client.send(
            post("/v1/model-service/models/dng", formHeaders(m_token, broken.size()), broken));
        QCOMPARE(client.reply(), 400);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(client.closedWithin(2000));
    }

    void chunkedBodiesAreCapped()
    {
        RawClient client(m_port);
        QVERIFY(client.connected());
        QByteArray chunks;
        const QByteArray chunk(4096, ' ');
        for (qint64 sent = 0; sent <= kJsonBytes; sent += chunk.size())
            chunks += "1000\r\n" + chunk + "\r\n";
        client.send(post("/v1/account-service/login",
                         "Content-Type: application/json\r\nTransfer-Encoding: chunked\r\n",
                         chunks));
        QCOMPARE(client.reply(), 413);
        QVERIFY(client.closedWithin(2000));
    }

    // A small refused body is read and dropped: the client's next request
    // on the same connection is answered.
    void smallRefusedBodiesKeepTheConnection()
    {
        RawClient client(m_port);
        QVERIFY(client.connected());
        const QByteArray body = R"({"name":"x"})";
        client.send(post("/v1/model-service/models/x/tags", jsonLength(body.size()), body));
        QCOMPARE(client.reply(), 401);
        client.send("GET /v1/touch HTTP/1.1\r\nHost: sandbox\r\n\r\n");
        QCOMPARE(client.reply(), 200);
    }

    // More slow clients than the HTTP library has workers by default, each
    // sending a header byte now and then.
    void slowClientsDoNotStallOthers()
    {
        std::vector<std::unique_ptr<RawClient>> slow;
        for (int i = 0; i < 12; ++i) {
            slow.emplace_back(new RawClient(m_port));
            QVERIFY(slow.back()->connected());
            slow.back()->send("G");
        }
        QElapsedTimer timer;
        timer.start();
        RawClient other(m_port);
        QVERIFY(other.connected());
        other.send("GET /v1/touch HTTP/1.1\r\nHost: sandbox\r\n\r\n");
        QCOMPARE(other.reply(), 200);
        QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));

        // Each keeps trickling, more often than the idle time, but its head
        // has to be complete within the head time.
        for (int round = 0; round < 3; ++round) {
            QTest::qWait(400);
            for (auto &client : slow)
                client->send("E");
        }
        for (auto &client : slow)
            QVERIFY(client->closedWithin(2500));
    }

    void endlessHeadsAreCutOff()
    {
        RawClient client(m_port);
        QVERIFY(client.connected());
        client.send("GET /" + QByteArray(256 * 1024, 'a'));
        QVERIFY(client.closedWithin(2000));
    }

    void aPortIsServedByOneSandboxOnly()
    {
        HttpServer second(*m_sandbox, shortLimits());
        QCOMPARE(second.start(QStringLiteral("127.0.0.1"), m_port), -1);
        QVERIFY2(second.errorString().contains(QStringLiteral("in use")),
                 qPrintable(second.errorString()));
    }

private:
    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<HttpServer> m_server;
    int m_port = -1;
    QByteArray m_token;
};

QTEST_GUILESS_MAIN(TestSandboxHttp)
#include "tst_sandboxhttp.moc"
