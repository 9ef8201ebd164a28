#ifndef VHPD_SANDBOX_HTTPSERVER_H
#define VHPD_SANDBOX_HTTPSERVER_H

#include <QString>

#include <memory>

class Sandbox;

// Serves a Sandbox over HTTP: "/v1/<service>/..." for the backend's services,
// "/v1/touch", and "/updates/..." for the update server.
class HttpServer
{
public:
    explicit HttpServer(Sandbox &sandbox);
    ~HttpServer();
    HttpServer(const HttpServer &) = delete;
    HttpServer &operator=(const HttpServer &) = delete;

    // Binds to `host` and `port` (0 picks a free port) and starts serving on
    // a background thread; returns the port, or -1 when binding failed.
    int start(const QString &host, int port);
    // Stops serving and waits for the background thread.
    void stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

#endif // VHPD_SANDBOX_HTTPSERVER_H
