#include "httpserver.h"

#include "sandbox.h"

#include <httplib.h>

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QTemporaryFile>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

QString fromStd(const std::string &text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

// Query values are percent-decoded; a "+" stays a plus sign, as Qt's
// clients send it, and the first "=" separates name and value so that JSON
// values may hold "=" themselves.
QMap<QString, QString> decodeQuery(const std::string &target)
{
    QMap<QString, QString> query;
    const std::string::size_type mark = target.find('?');
    if (mark == std::string::npos)
        return query;
    const QByteArray text = QByteArray::fromStdString(target.substr(mark + 1));
    for (const QByteArray &pair : text.split('&')) {
        if (pair.isEmpty())
            continue;
        const int equals = pair.indexOf('=');
        const QByteArray name = equals < 0 ? pair : pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
        const QString key = QString::fromUtf8(QByteArray::fromPercentEncoding(name));
        if (!query.contains(key))
            query.insert(key, QString::fromUtf8(QByteArray::fromPercentEncoding(value)));
    }
    return query;
}

// Splits "/v1/<service>/<path>", "/v1/touch" and "/updates/<path>".
bool route(const QString &fullPath, ApiRequest &request)
{
    const QString api = QStringLiteral("/v1/");
    const QString updates = QStringLiteral("/updates/");
    if (fullPath.startsWith(updates)) {
        request.service = QStringLiteral("updates");
        request.path = fullPath.mid(updates.size());
        return true;
    }
    if (!fullPath.startsWith(api))
        return false;
    const QString rest = fullPath.mid(api.size());
    const int slash = rest.indexOf(QLatin1Char('/'));
    if (slash < 0) {
        request.path = rest;
        return true;
    }
    request.service = rest.left(slash);
    request.path = rest.mid(slash + 1);
    return true;
}

// The request line and headers; the body is read separately.
ApiRequest requestHead(const httplib::Request &req)
{
    ApiRequest request;
    request.method = fromStd(req.method);
    request.query = decodeQuery(req.target);
    for (const auto &header : req.headers)
        request.headers.insert(QByteArray::fromStdString(header.first).toLower(),
                               QByteArray::fromStdString(header.second));
    return request;
}

void send(const ApiReply &reply, httplib::Response &res)
{
    res.status = reply.status;
    for (const auto &header : reply.headers)
        res.set_header(header.first.toStdString(), header.second.toStdString());
    res.set_content(reply.body.toStdString(), reply.contentType.toStdString());
}

// The size the client gives for its body: 0 when it sends none, -1 when it
// does not say (a chunked body).
qint64 declaredLength(const httplib::Request &req)
{
    if (req.has_header("Content-Length"))
        return qint64(std::strtoull(req.get_header_value("Content-Length").c_str(), nullptr, 10));
    const QByteArray coding = QByteArray::fromStdString(req.get_header_value("Transfer-Encoding"));
    return coding.toLower().contains("chunked") ? -1 : 0;
}

QString mebibytes(qint64 bytes)
{
    return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
}

ApiReply tooLarge(const QString &what, qint64 limit)
{
    return ApiReply::error(413, 41300,
                           QStringLiteral("%1 is larger than %2").arg(what, mebibytes(limit)));
}

#ifdef _WIN32
constexpr int kAddressInUse = WSAEADDRINUSE;
constexpr int kAccessDenied = WSAEACCES;
constexpr int kAddressNotHere = WSAEADDRNOTAVAIL;
int lastSocketError()
{
    return ::WSAGetLastError();
}
void closeProbe(socket_t socket)
{
    ::closesocket(socket);
}
#else
constexpr int kAddressInUse = EADDRINUSE;
constexpr int kAccessDenied = EACCES;
constexpr int kAddressNotHere = EADDRNOTAVAIL;
int lastSocketError()
{
    return errno;
}
void closeProbe(socket_t socket)
{
    ::close(socket);
}
#endif

// Makes a listening socket this sandbox's alone. The library's default
// (SO_REUSEPORT) would let a second sandbox share the port and take half of
// the first one's connections. SO_REUSEADDR still lets a restarted sandbox
// take its port back at once; on Windows it would let another program take
// the port over, and exclusive use is asked for instead.
void bindAlone(socket_t socket)
{
#ifdef _WIN32
    const BOOL yes = TRUE;
    ::setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char *>(&yes),
                 sizeof yes);
#else
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

// Why binding `host`:`port` failed, found by trying it again: the HTTP
// library only says that it failed.
QString bindFailure(const std::string &host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE;
    addrinfo *found = nullptr;
    const int lookup = ::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0)
        return QStringLiteral("%1 is not an address to listen on (%2)")
            .arg(QString::fromStdString(host), QString::fromUtf8(::gai_strerror(lookup)));
    int error = 0;
    for (addrinfo *address = found; address; address = address->ai_next) {
        const socket_t probe =
            ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
        if (probe == INVALID_SOCKET) {
            error = lastSocketError();
            continue;
        }
        bindAlone(probe);
        error = ::bind(probe, address->ai_addr, int(address->ai_addrlen)) == 0 &&
                        ::listen(probe, 1) == 0
                    ? 0
                    : lastSocketError();
        closeProbe(probe);
        if (error == 0)
            break;
    }
    ::freeaddrinfo(found);
    switch (error) {
    case 0:
        return QStringLiteral("the address could not be bound");
    case kAddressInUse:
        return QStringLiteral("the port is in use: another program (perhaps another sandbox) "
                              "listens on it");
    case kAccessDenied:
        return QStringLiteral("permission denied: ports below 1024 need privileges");
    case kAddressNotHere:
        return QStringLiteral("no network interface of this machine has that address");
    default:
#ifdef _WIN32
        return QStringLiteral("socket error %1").arg(error);
#else
        return QString::fromUtf8(std::strerror(error));
#endif
    }
}

// The HTTP library's server with connections served through Connection, so
// that slow or endless requests meet their limits and a refused body need
// not be read.
class LimitedServer : public httplib::Server
{
public:
    explicit LimitedServer(const ConnectionLimits &limits)
        : m_limits(limits)
    {
        new_task_queue = [this] { return new WorkerPool(m_limits.workers); };
    }

    // The library listens with a backlog of 5: a burst of connections
    // while its accepting thread waits for a processor would have the
    // system drop connection requests, which clients repeat only after a
    // second.
    void widenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

private:
    // One connection's requests, as the library serves them (at most its
    // keep-alive count, each awaited for its keep-alive time), but read and
    // written through Connection; a reply after which the rest of a request
    // stays unread is the connection's last.
    bool process_and_close_socket(socket_t sock) override
    {
        Connection connection(sock, m_limits, [this] { return svr_sock_ == INVALID_SOCKET; });
        const std::chrono::seconds keepAlive(keep_alive_timeout_sec_);
        bool served = false;
        for (std::size_t left = keep_alive_max_count_; left > 0; --left) {
            if (!connection.awaitRequest(keepAlive))
                break;
            bool closed = false;
            served = process_request(connection, left == 1, closed, nullptr);
            if (!served || closed || connection.closingAfterReply())
                break;
        }
        connection.finish();
        return served;
    }

    ConnectionLimits m_limits;
};

// A request's body, read only when it is wanted and within the limits.
class BodyReader
{
public:
    BodyReader(const httplib::Request &req, const httplib::ContentReader &reader,
               const BodyLimits &limits)
        : m_req(req)
        , m_reader(reader)
        , m_limits(limits)
        , m_length(declaredLength(req))
    {}

    // Reads a JSON (or any non-form) body into `request`; otherwise sets
    // `failure`.
    bool readJson(ApiRequest &request, ApiReply &failure)
    {
        if (m_length > m_limits.jsonBytes)
            return refuse(tooLarge(QStringLiteral("the request body"), m_limits.jsonBytes),
                          failure);
        if (m_length == 0)
            return true;
        bool over = false;
        QByteArray body;
        m_started = true;
        Connection::current()->setBodyDeadline(std::chrono::steady_clock::now() +
                                               m_limits.jsonTime);
        m_read = m_reader([&](const char *data, std::size_t size) {
            over = body.size() + qint64(size) > m_limits.jsonBytes;
            if (!over)
                body.append(data, int(size));
            return !over;
        });
        if (over)
            return refuse(tooLarge(QStringLiteral("the request body"), m_limits.jsonBytes),
                          failure);
        if (!m_read)
            return refuse(ApiReply::badRequest(QStringLiteral("the request body did not arrive")),
                          failure);
        request.body = body;
        return true;
    }

    // Reads a multipart form: text parts into `request.form`, file parts
    // into temporary files that live as long as this reader.
    bool readForm(ApiRequest &request, ApiReply &failure)
    {
        if (m_length > m_limits.uploadBytes + m_limits.jsonBytes)
            return refuse(tooLarge(QStringLiteral("the form"), m_limits.uploadBytes), failure);
        if (m_length == 0)
            return true;
        QString name;
        QTemporaryFile *file = nullptr;
        qint64 textBytes = 0;
        qint64 fileBytes = 0;
        QString storeError;
        m_started = true;
        m_read = m_reader(
            [&](const httplib::MultipartFormData &part) {
                name = fromStd(part.name);
                file = nullptr;
                if (part.filename.empty()) {
                    request.form.insert(name, QByteArray());
                    return true;
                }
                m_files.emplace_back(new QTemporaryFile(
                    QDir::tempPath() + QStringLiteral("/vhpd-sandbox-upload-XXXXXX")));
                file = m_files.back().get();
                if (!file->open()) {
                    storeError = file->errorString();
                    return false;
                }
                request.formFiles.insert(name,
                                         FormFile{fromStd(part.filename), file->fileName(), 0});
                return true;
            },
            [&](const char *data, std::size_t size) {
                if (!file) {
                    textBytes += qint64(size);
                    if (textBytes > m_limits.jsonBytes)
                        return false;
                    request.form[name].append(data, int(size));
                    return true;
                }
                fileBytes += qint64(size);
                if (fileBytes > m_limits.uploadBytes)
                    return false;
                if (file->write(data, qint64(size)) != qint64(size)) {
                    storeError = file->errorString();
                    return false;
                }
                request.formFiles[name].size += qint64(size);
                return true;
            });
        if (textBytes > m_limits.jsonBytes)
            return refuse(tooLarge(QStringLiteral("the form's text"), m_limits.jsonBytes), failure);
        if (fileBytes > m_limits.uploadBytes)
            return refuse(tooLarge(QStringLiteral("the form's files"), m_limits.uploadBytes),
                          failure);
        if (!storeError.isEmpty())
            return refuse(ApiReply::error(
                              500, 50000,
                              QStringLiteral("cannot keep the uploaded file: %1").arg(storeError)),
                          failure);
        if (!m_read)
            return refuse(
                ApiReply::badRequest(QStringLiteral("the form did not arrive or is malformed")),
                failure);
        for (const auto &kept : m_files)
            kept->flush();
        return true;
    }

    // A body left unread: a small one is read and dropped so that the
    // connection can serve the client's next request; a large one, or one of
    // unknown size, ends the connection after the reply instead.
    // A body whose reading began and failed cannot be read again: the
    // connection ends then too.
    void leave(httplib::Response &res)
    {
        if (m_read || (m_length == 0 && !m_started))
            return;
        if (!m_started && m_length > 0 && m_length <= m_limits.jsonBytes) {
            Connection::current()->setBodyDeadline(std::chrono::steady_clock::now() +
                                                   m_limits.jsonTime);
            const auto drop = [](const char *, std::size_t) { return true; };
            m_read = m_req.is_multipart_form_data()
                         ? m_reader([](const httplib::MultipartFormData &) { return true; }, drop)
                         : m_reader(drop);
            if (m_read)
                return;
        }
        Connection::current()->closeAfterReply();
        res.set_header("Connection", "close");
    }

private:
    bool refuse(const ApiReply &reply, ApiReply &failure)
    {
        failure = reply;
        return false;
    }

    const httplib::Request &m_req;
    const httplib::ContentReader &m_reader;
    BodyLimits m_limits;
    qint64 m_length;
    bool m_started = false;
    bool m_read = false;
    std::vector<std::unique_ptr<QTemporaryFile>> m_files;
};

} // namespace

struct HttpServer::Private
{
    Private(Sandbox &s, const HttpLimits &l)
        : sandbox(s)
        , limits(l)
        , server(l.connection)
    {}

    Sandbox &sandbox;
    HttpLimits limits;
    LimitedServer server;
    std::thread thread;
    QString errorString;
    std::atomic<std::FILE *> log{nullptr};
    std::mutex logMutex;

    ApiReply answer(ApiRequest &request)
    {
        ApiReply reply = sandbox.handle(request);
        if (Connection *connection = Connection::current())
            connection->setLogNote(reply.logNote.toStdString());
        return reply;
    }

    void handle(const httplib::Request &req, httplib::Response &res)
    {
        ApiRequest request = requestHead(req);
        if (!route(fromStd(req.path), request)) {
            send(ApiReply::error(404, 40400, QStringLiteral("no such path")), res);
            return;
        }
        send(answer(request), res);
    }

    // Checks the path, the session and the size before the body is read, so
    // that a refused request costs no more than its headers.
    void handleWithBody(const httplib::Request &req, httplib::Response &res,
                        const httplib::ContentReader &content)
    {
        ApiRequest request = requestHead(req);
        BodyReader body(req, content, limits.body);
        ApiReply failure;
        bool ready = false;
        if (!route(fromStd(req.path), request))
            failure = ApiReply::error(404, 40400, QStringLiteral("no such path"));
        else if (!sandbox.admits(request, failure))
            ;
        else
            ready = req.is_multipart_form_data() ? body.readForm(request, failure)
                                                 : body.readJson(request, failure);
        body.leave(res);
        send(ready ? answer(request) : failure, res);
    }

    void writeLog(const httplib::Request &req, const httplib::Response &res)
    {
        std::FILE *out = log.load();
        Connection *connection = Connection::current();
        const QString note = connection ? fromStd(connection->takeLogNote()) : QString();
        if (!out)
            return;
        const double milliseconds =
            connection ? std::chrono::duration<double, std::milli>(
                             std::chrono::steady_clock::now() - connection->requestStart())
                             .count()
                       : 0.0;
        QString line =
            QStringLiteral("%1 %2 %3 %4 %5 ms")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")),
                     req.method.empty() ? QStringLiteral("-") : fromStd(req.method),
                     req.path.empty() ? QStringLiteral("-") : fromStd(req.path))
                .arg(res.status)
                .arg(milliseconds, 0, 'f', 1);
        if (!note.isEmpty())
            line += QStringLiteral("  ") + note;
        const QByteArray text = line.toUtf8() + '\n';
        std::lock_guard<std::mutex> lock(logMutex);
        std::fwrite(text.constData(), 1, std::size_t(text.size()), out);
        std::fflush(out);
    }
};

HttpServer::HttpServer(Sandbox &sandbox, const HttpLimits &limits)
    : d(new Private(sandbox, limits))
{
    d->server.set_tcp_nodelay(true);
    d->server.set_socket_options(bindAlone);
    d->server.set_read_timeout(
        std::chrono::duration_cast<std::chrono::seconds>(limits.connection.idleTime).count());
    d->server.set_pre_routing_handler([](const httplib::Request &, httplib::Response &) {
        if (Connection *connection = Connection::current()) {
            connection->headRead();
            connection->setLogNote(std::string());
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    d->server.set_logger([this](const httplib::Request &req, const httplib::Response &res) {
        d->writeLog(req, res);
    });
    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        d->handle(req, res);
    };
    const auto withBody = [this](const httplib::Request &req, httplib::Response &res,
                                 const httplib::ContentReader &content) {
        d->handleWithBody(req, res, content);
    };
    d->server.Get(".*", handler);
    d->server.Post(".*", withBody);
    d->server.Put(".*", withBody);
    d->server.Patch(".*", withBody);
    d->server.Delete(".*", withBody);
    d->server.Delete(".*", handler);
}

HttpServer::~HttpServer()
{
    stop();
}

int HttpServer::start(const QString &host, int port)
{
    const std::string address = host.toStdString();
    int bound = port;
    if (port == 0)
        bound = d->server.bind_to_any_port(address);
    else if (!d->server.bind_to_port(address, port))
        bound = -1;
    if (bound < 0) {
        d->errorString = bindFailure(address, port);
        return -1;
    }
    d->server.widenBacklog();
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    while (!d->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

QString HttpServer::errorString() const
{
    return d->errorString;
}

void HttpServer::setRequestLog(std::FILE *log)
{
    d->log = log;
}

void HttpServer::stop()
{
    if (!d->thread.joinable())
        return;
    d->server.stop();
    d->thread.join();
}
