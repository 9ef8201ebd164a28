#ifndef VHPD_SANDBOX_SANDBOX_H
#define VHPD_SANDBOX_SANDBOX_H

#include "api.h"
#include "store.h"

#include <QString>

#include <mutex>

struct SandboxOptions
{
    QString dataFile;
    // When set, "touch" answers with a permanent redirect to this root.
    QString redirectTouchRoot;
};

// The whole backend without its HTTP layer: the data, the routes of every
// service, and the session check in front of them. Safe to call from the HTTP
// server's worker threads: one request is handled at a time.
class Sandbox
{
public:
    explicit Sandbox(const SandboxOptions &options);
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    bool load(QString &error);
    bool loadJson(const QByteArray &json, QString &error);

    ApiReply handle(ApiRequest request);

private:
    bool needsSession(const ApiRequest &request) const;

    SandboxOptions m_options;
    Store m_store;
    RouteTable m_routes;
    std::mutex m_mutex;
};

#endif // VHPD_SANDBOX_SANDBOX_H
