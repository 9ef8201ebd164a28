#ifndef VHPD_SANDBOX_SANDBOX_H
#define VHPD_SANDBOX_SANDBOX_H

#include "api.h"
#include "store.h"

#include <QString>

#include <mutex>

struct SandboxOptions
{
    QString dataFile;
    // When set, the data is kept in this file: loaded from it at start when
    // it exists (unless resetState), written again after every change.
    QString stateFile;
    bool resetState = false;
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

    // Loads the state file, or the seed data (and then writes the state
    // file when one is named).
    bool load(QString &error);
    bool loadJson(const QByteArray &json, QString &error);
    // The password of the account `name`; empty when there is none.
    QString password(const QString &name);
    // The file load() read its data from.
    QString loadedFrom() const { return m_loadedFrom; }

    ApiReply handle(ApiRequest request);
    // Whether the request may go on to have its body read: false, with the
    // reply in `refusal`, when it needs a session and has none.
    bool admits(const ApiRequest &request, ApiReply &refusal);

private:
    bool needsSession(const ApiRequest &request) const;
    ApiReply dispatch(ApiRequest request);
    bool readState(QString &error);
    bool writeState(QString &error);

    SandboxOptions m_options;
    Store m_store;
    RouteTable m_routes;
    std::mutex m_mutex;
    QString m_loadedFrom;
    quint64 m_savedRevision = 0;
};

#endif // VHPD_SANDBOX_SANDBOX_H
