#ifndef VHPD_TESTSERVER_H
#define VHPD_TESTSERVER_H

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <functional>
#include <memory>

// One request as the server saw it.
struct RecordedRequest
{
    QString method;
    QString path;                         // decoded, without the query
    QString rawQuery;                     // the query text exactly as it arrived, without the "?"
    QMap<QString, QString> query;         // decoded query values
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QMap<QString, QByteArray> formFields; // multipart parts by name
    QMap<QString, QString> formFileNames; // file name of each file part

    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    // The body as compact JSON text, for comparisons that print both sides.
    QString compactBody() const;
};

// What the server answers to one request.
struct ScriptedReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;        // wait this long before answering
    int truncateAfter = -1; // announce the whole body but close after this many bytes
    int trickleMs = 0;      // send the body one byte at a time, this far apart
    int chunkSize = 0;      // send the body with chunked transfer, in pieces of this size
    bool endless = false;   // send the body over and over, chunked, until the client leaves

    static ScriptedReply json(const QJsonValue &value, int status = 200);
    static ScriptedReply text(const QByteArray &body, int status = 200);
};

// A real HTTP server on a loopback address (127.0.0.1 unless told otherwise)
// that answers scripted replies per method and path and records every
// request. Unscripted requests get 404 with "{}".
class TestServer
{
public:
    using Handler = std::function<ScriptedReply(const RecordedRequest &)>;

    // Https serves a certificate for 127.0.0.1 signed by the test CA in
    // caCertificatePath(), which no system trusts. HttpsForAnotherName serves
    // a self-signed certificate for vh.example.com only
    // (otherNameCertificatePath()).
    enum class Scheme { Http, Https, HttpsForAnotherName };

    explicit TestServer(Scheme scheme = Scheme::Http,
                        const QString &host = QStringLiteral("127.0.0.1"));
    ~TestServer();
    static QString caCertificatePath();
    static QString otherNameCertificatePath();
    TestServer(const TestServer &) = delete;
    TestServer &operator=(const TestServer &) = delete;

    // "http://<host>:<port>" (or https)
    QString address() const;
    int port() const;

    // Answers every `method` request for `path` with `reply`, after any queued ones.
    void on(const QString &method, const QString &path, const ScriptedReply &reply);
    // Answers the next `method` request for `path` with `reply`, once.
    void once(const QString &method, const QString &path, const ScriptedReply &reply);
    // Answers with whatever `handler` makes of the request.
    void on(const QString &method, const QString &path, const Handler &handler);

    QList<RecordedRequest> requests() const;
    int requestCount() const;
    RecordedRequest lastRequest() const;
    // Forgets recorded requests and scripted replies.
    void reset();

private:
    struct State;
    std::unique_ptr<State> d;
};

// A bare TCP peer on 127.0.0.1 for faults an HTTP server library will not
// commit: it reads each request's head, sends `prefix` and then ends the
// connection, with a reset (RST) when `reset` is set, else an orderly close.
// Made with an answer instead, it sends whatever that makes of each head and
// closes; it also takes request heads of any size.
class RawPeer
{
public:
    using Answer = std::function<QByteArray(const QByteArray &head)>;

    RawPeer(const QByteArray &prefix, bool reset);
    explicit RawPeer(const Answer &answer);
    ~RawPeer();
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    // "http://127.0.0.1:<port>"
    QString address() const;
    int connections() const;
    // The last request read: request line, headers, and as much body as its
    // Content-Length announced.
    QByteArray lastRequest() const;

private:
    void start();

    struct State;
    std::unique_ptr<State> d;
};

// Points the library at `server` ("http://127.0.0.1:<port>" with API version
// "v1/") and gives every test the same starting point: a short time-out, no
// session token, and the settings cache's project "p1" and user "u1".
void useServer(const TestServer &server);
// "/v1/" followed by `servicePath`, the path the server sees for a request.
QString apiPath(const QString &servicePath);

#endif // VHPD_TESTSERVER_H
