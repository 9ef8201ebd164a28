#include "testserver.h"

#include "VHNetwork.h"
#include "VHSoftBase.h"

#include <httplib.h>

#include "rawsocket.h"

#include <QUrl>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

QString routeKey(const QString &method, const QString &path)
{
    return method.toUpper() + QLatin1Char(' ') + path;
}

QString fromStd(const std::string &text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

RecordedRequest record(const httplib::Request &req)
{
    RecordedRequest r;
    r.method = fromStd(req.method);
    r.path = fromStd(req.path);
    const std::string::size_type mark = req.target.find('?');
    if (mark != std::string::npos)
        r.rawQuery = fromStd(req.target.substr(mark + 1));
    for (const auto &param : req.params)
        r.query.insert(fromStd(param.first), fromStd(param.second));
    for (const auto &header : req.headers)
        r.headers.insert(QByteArray::fromStdString(header.first).toLower(),
                         QByteArray::fromStdString(header.second));
    r.body = QByteArray::fromStdString(req.body);
    for (const auto &file : req.files) {
        r.formFields.insert(fromStd(file.first), QByteArray::fromStdString(file.second.content));
        if (!file.second.filename.empty())
            r.formFileNames.insert(fromStd(file.first), fromStd(file.second.filename));
    }
    return r;
}

} // namespace

QString RecordedRequest::compactBody() const
{
    const QJsonDocument doc = json();
    if (doc.isNull())
        return QString::fromUtf8(body);
    return QString::fromUtf8(doc.toJson(QJsonDocument::Compact));
}

ScriptedReply ScriptedReply::json(const QJsonValue &value, int status)
{
    ScriptedReply reply;
    reply.status = status;
    if (value.isArray())
        reply.body = QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact);
    else if (value.isObject())
        reply.body = QJsonDocument(value.toObject()).toJson(QJsonDocument::Compact);
    return reply;
}

ScriptedReply ScriptedReply::text(const QByteArray &body, int status)
{
    ScriptedReply reply;
    reply.status = status;
    reply.body = body;
    reply.contentType = "text/plain";
    return reply;
}

struct TestServer::State
{
    std::unique_ptr<httplib::Server> server;
    bool https = false;
    QString host;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};

    mutable std::mutex mutex;
    QList<RecordedRequest> requests;
    QMap<QString, QList<ScriptedReply>> queued;
    QMap<QString, ScriptedReply> sticky;
    QMap<QString, Handler> handlers;

    ScriptedReply choose(const RecordedRequest &request)
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.append(request);
        const QString key = routeKey(request.method, request.path);
        auto queue = queued.find(key);
        if (queue != queued.end() && !queue->isEmpty())
            return queue->takeFirst();
        if (sticky.contains(key))
            return sticky.value(key);
        if (handlers.contains(key))
            return handlers.value(key)(request);
        return ScriptedReply::text("{}", 404);
    }

    void pause(int ms)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (!stopping && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    void handle(const httplib::Request &req, httplib::Response &res)
    {
        const ScriptedReply reply = choose(record(req));
        if (reply.delayMs > 0)
            pause(reply.delayMs);
        res.status = reply.status;
        for (const auto &header : reply.headers)
            res.set_header(header.first.toStdString(), header.second.toStdString());
        const std::string type = reply.contentType.toStdString();
        if (reply.trickleMs > 0) {
            const std::string body = reply.body.toStdString();
            const int interval = reply.trickleMs;
            res.set_content_provider(
                body.size(), type,
                [this, body, interval](size_t offset, size_t, httplib::DataSink &sink) {
                    pause(interval);
                    if (stopping)
                        return false;
                    sink.write(body.data() + offset, 1);
                    return true;
                });
            return;
        }
        if (reply.endless) {
            const std::string body = reply.body.toStdString();
            res.set_chunked_content_provider(type, [this, body](size_t, httplib::DataSink &sink) {
                return !stopping && sink.write(body.data(), body.size());
            });
            return;
        }
        if (reply.chunkSize > 0) {
            const std::string body = reply.body.toStdString();
            const size_t piece = size_t(reply.chunkSize);
            res.set_chunked_content_provider(
                type, [body, piece](size_t offset, httplib::DataSink &sink) {
                    if (offset < body.size())
                        sink.write(body.data() + offset, std::min(piece, body.size() - offset));
                    else
                        sink.done();
                    return true;
                });
            return;
        }
        if (reply.truncateAfter >= 0) {
            const std::string body = reply.body.toStdString();
            const size_t cut = std::min(body.size(), size_t(reply.truncateAfter));
            res.set_content_provider(body.size(), type,
                                     [body, cut](size_t offset, size_t, httplib::DataSink &sink) {
                                         if (offset < cut)
                                             sink.write(body.data() + offset, cut - offset);
                                         return offset < cut;
                                     });
            return;
        }
        res.set_content(reply.body.toStdString(), type);
    }
};

static const char kTlsDir[] = VHPD_TEST_TLS_DIR;

QString TestServer::caCertificatePath()
{
    return QString::fromUtf8(kTlsDir) + "/ca.pem";
}

QString TestServer::otherNameCertificatePath()
{
    return QString::fromUtf8(kTlsDir) + "/othername.pem";
}

TestServer::TestServer(Scheme scheme, const QString &host)
    : d(new State)
{
    d->https = scheme != Scheme::Http;
    d->host = host;
    if (d->https) {
        const std::string name = scheme == Scheme::Https ? "/server" : "/othername";
        const std::string dir = kTlsDir;
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
        d->server = std::make_unique<httplib::SSLServer>((dir + name + ".pem").c_str(),
                                                         (dir + name + ".key").c_str());
#else
        qFatal("TestServer: %s%s.pem needs an HTTP server built with OpenSSL", dir.c_str(),
               name.c_str());
#endif
    } else {
        d->server = std::make_unique<httplib::Server>();
    }
    d->server->set_tcp_nodelay(true);
    d->server->set_keep_alive_max_count(100000);
    // A client slowed down by a sanitizer on a loaded machine may take
    // seconds to start its TLS handshake; the server must not give up first.
    d->server->set_read_timeout(30, 0);
    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        d->handle(req, res);
    };
    d->server->Get(".*", handler);
    d->server->Post(".*", handler);
    d->server->Put(".*", handler);
    d->server->Delete(".*", handler);
    d->server->Patch(".*", handler);
    d->port = d->server->bind_to_any_port(host.toStdString());
    d->thread = std::thread([this] { d->server->listen_after_bind(); });
    while (!d->server->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer()
{
    // The server waits for idle keep-alive connections to close before it stops.
    NetworkManager::instance().closeConnections();
    d->stopping = true;
    d->server->stop();
    d->thread.join();
}

QString TestServer::address() const
{
    return QStringLiteral("%1://%2:%3").arg(d->https ? "https" : "http", d->host).arg(d->port);
}

int TestServer::port() const
{
    return d->port;
}

void TestServer::on(const QString &method, const QString &path, const ScriptedReply &reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->sticky.insert(routeKey(method, path), reply);
}

void TestServer::once(const QString &method, const QString &path, const ScriptedReply &reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->queued[routeKey(method, path)].append(reply);
}

void TestServer::on(const QString &method, const QString &path, const Handler &handler)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->handlers.insert(routeKey(method, path), handler);
}

QList<RecordedRequest> TestServer::requests() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests;
}

int TestServer::requestCount() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests.size();
}

RecordedRequest TestServer::lastRequest() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->requests.isEmpty() ? RecordedRequest() : d->requests.last();
}

void TestServer::reset()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->requests.clear();
    d->queued.clear();
    d->sticky.clear();
    d->handlers.clear();
}

struct RawPeer::State
{
    QByteArray prefix;
    bool reset = false;
    Answer answer;
    mutable std::mutex mutex;
    QByteArray lastRequest;
    RawSocket::Handle listener = RawSocket::invalid;
    int port = 0;
    std::atomic<bool> stopping{false};
    std::atomic<int> connections{0};
    std::thread thread;

    void serve(RawSocket::Handle socket)
    {
        ++connections;
        std::string head;
        char buffer[4096];
        // The head, then as much body as it announces.
        std::size_t wanted = std::string::npos;
        while (!stopping && head.size() < wanted) {
            const std::size_t end = head.find("\r\n\r\n");
            if (wanted == std::string::npos && end != std::string::npos) {
                const QByteArray lengthName("content-length:");
                const QByteArray lines = QByteArray::fromStdString(head.substr(0, end)).toLower();
                const int at = lines.indexOf(lengthName);
                const long long length = at < 0 ? 0
                                                : lines.mid(at + lengthName.size())
                                                      .split('\r')
                                                      .value(0)
                                                      .trimmed()
                                                      .toLongLong();
                wanted = end + 4 + std::size_t(length);
                continue;
            }
            if (!RawSocket::waitReadable(socket, 50))
                continue;
            const long n = RawSocket::receive(socket, buffer, sizeof buffer);
            if (n <= 0)
                break;
            head.append(buffer, size_t(n));
        }
        const QByteArray request = QByteArray::fromStdString(head);
        {
            std::lock_guard<std::mutex> lock(mutex);
            lastRequest = request;
        }
        const QByteArray reply = answer ? answer(request) : prefix;
        if (!reply.isEmpty())
            RawSocket::send(socket, reply.constData(), size_t(reply.size()));
        if (reset)
            RawSocket::resetOnClose(socket);
        RawSocket::close(socket);
    }

    void run()
    {
        while (!stopping) {
            if (!RawSocket::waitReadable(listener, 50))
                continue;
            const RawSocket::Handle socket = RawSocket::accept(listener);
            if (socket != RawSocket::invalid)
                serve(socket);
        }
    }
};

RawPeer::RawPeer(const QByteArray &prefix, bool reset)
    : d(new State)
{
    d->prefix = prefix;
    d->reset = reset;
    start();
}

RawPeer::RawPeer(const Answer &answer)
    : d(new State)
{
    d->answer = answer;
    start();
}

void RawPeer::start()
{
    d->listener = RawSocket::listenOnLoopback(d->port);
    d->thread = std::thread([this] { d->run(); });
}

RawPeer::~RawPeer()
{
    NetworkManager::instance().closeConnections();
    d->stopping = true;
    d->thread.join();
    RawSocket::close(d->listener);
}

QString RawPeer::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(d->port);
}

int RawPeer::connections() const
{
    return d->connections;
}

QByteArray RawPeer::lastRequest() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->lastRequest;
}

void useServer(const TestServer &server)
{
    VHBaseApi::GetInstance().setIp(server.address());
    VHBaseApi::GetInstance().setApiVer(QStringLiteral("v1/"));
    NetworkManager::instance().setTimeout(2000);
    NetworkManager::instance().clearSession();
    GetSoftCache()->setCurrentProjectId(QStringLiteral("p1"));
    GetSoftCache()->setCurrentUserId(QStringLiteral("u1"));
}

QString apiPath(const QString &servicePath)
{
    return QStringLiteral("/v1/") + servicePath;
}
