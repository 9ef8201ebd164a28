#ifndef VHPD_SANDBOX_HTTPSERVER_H
#define VHPD_SANDBOX_HTTPSERVER_H

#include "connection.h"

#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <memory>

class Sandbox;

// What a request's body may cost: bodies are only read once the session and
// the size have been checked, JSON into memory up to a cap, model files into
// temporary files.
struct BodyLimits
{
    // A JSON body, or the text parts of a form together.
    qint64 jsonBytes = 4 * 1024 * 1024;
    // The time a JSON body has to arrive once its headers have.
    std::chrono::milliseconds jsonTime{30000};
    // The files of a form together.
    qint64 uploadBytes = qint64(2) * 1024 * 1024 * 1024;
};

struct HttpLimits
{
    ConnectionLimits connection;
    BodyLimits body;
};

// Serves a Sandbox over HTTP: "/v1/<service>/..." for the backend's services,
// "/v1/touch", and "/updates/..." for the update server.
class HttpServer
{
public:
    explicit HttpServer(Sandbox &sandbox, const HttpLimits &limits = HttpLimits());
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds to `host` and `port` (0 picks a free port), alone: a port another
    // program listens on is refused. Then serves on a background thread.
    // Returns the port, or -1 with errorString() saying why.
    int start(const QString &host, int port);
    QString errorString() const;
    // Writes one line per request to `log` (method, path, status, time),
    // with what the sandbox "sent" outside its replies; null for none.
    void setRequestLog(std::FILE *log);
    // Stops serving and waits for the background thread.
    void stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // VHPD_SANDBOX_HTTPSERVER_H
