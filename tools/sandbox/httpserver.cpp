#include "httpserver.h"

#include "sandbox.h"

#include <httplib.h>

#include <QByteArray>

#include <chrono>

#include <thread>

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

ApiRequest toApiRequest(const httplib::Request &req)
{
    ApiRequest request;
    request.method = fromStd(req.method);
    request.query = decodeQuery(req.target);
    for (const auto &header : req.headers)
        request.headers.insert(QByteArray::fromStdString(header.first).toLower(),
                               QByteArray::fromStdString(header.second));
    request.body = QByteArray::fromStdString(req.body);
    for (const auto &file : req.files) {
        request.form.insert(fromStd(file.first), QByteArray::fromStdString(file.second.content));
        if (!file.second.filename.empty())
            request.formFileNames.insert(fromStd(file.first), fromStd(file.second.filename));
    }
    return request;
}

void send(const ApiReply &reply, httplib::Response &res)
{
    res.status = reply.status;
    for (const auto &header : reply.headers)
        res.set_header(header.first.toStdString(), header.second.toStdString());
    res.set_content(reply.body.toStdString(), reply.contentType.toStdString());
}

} // namespace

struct HttpServer::Private
{
    explicit Private(Sandbox &s)
        : sandbox(s)
    {}

    Sandbox &sandbox;
    httplib::Server server;
    std::thread thread;

    void handle(const httplib::Request &req, httplib::Response &res)
    {
        ApiRequest request = toApiRequest(req);
        if (!route(fromStd(req.path), request)) {
            send(ApiReply::error(404, 40400, QStringLiteral("no such path")), res);
            return;
        }
        send(sandbox.handle(request), res);
    }
};

HttpServer::HttpServer(Sandbox &sandbox)
    : d(new Private(sandbox))
{
    d->server.set_tcp_nodelay(true);
    const auto handler = [this](const httplib::Request &req, httplib::Response &res) {
        d->handle(req, res);
    };
    d->server.Get(".*", handler);
    d->server.Post(".*", handler);
    d->server.Put(".*", handler);
    d->server.Delete(".*", handler);
    d->server.Patch(".*", handler);
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
    if (bound < 0)
        return -1;
    d->thread = std::thread([this] { d->server.listen_after_bind(); });
    while (!d->server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void HttpServer::stop()
{
    if (!d->thread.joinable())
        return;
    d->server.stop();
    d->thread.join();
}
