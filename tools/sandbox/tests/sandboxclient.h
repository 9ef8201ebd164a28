#ifndef VHPD_SANDBOXCLIENT_H
#define VHPD_SANDBOXCLIENT_H

#include "httpserver.h"
#include "sandbox.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QString>

#include <memory>

class QHttpMultiPart;

// One answer of the sandbox as a client receives it.
struct HttpResult
{
    int status = 0;
    QByteArray body;
    QMap<QByteArray, QByteArray> headers; // names in lower case

    QJsonDocument json() const { return QJsonDocument::fromJson(body); }
    QJsonObject object() const { return json().object(); }
    QJsonArray array() const { return json().array(); }
};

// The sandbox loaded from seed data and served on a free loopback port until
// it is destroyed. Loading the shipped seed file takes a while (seconds under
// the sanitizers), so tests share a server where they can.
class SandboxServer
{
public:
    // `seed` is the text of a seed file; empty for the shipped one.
    explicit SandboxServer(const QString &redirectTouchRoot = QString(),
                           const QByteArray &seed = QByteArray());
    ~SandboxServer();
    SandboxServer(const SandboxServer &) = delete;
    SandboxServer &operator=(const SandboxServer &) = delete;

    int port() const { return m_port; }

private:
    std::unique_ptr<Sandbox> m_sandbox;
    std::unique_ptr<HttpServer> m_server;
    int m_port = -1;
};

// A plain HTTP client for a sandbox server, with a session of its own. It
// closes its connections when destroyed, so that it does not hold the
// server's workers.
class SandboxClient
{
public:
    explicit SandboxClient(const SandboxServer &server);
    ~SandboxClient();
    SandboxClient(const SandboxClient &) = delete;
    SandboxClient &operator=(const SandboxClient &) = delete;

    int port() const { return m_port; }
    QString root() const;

    // Requests "/v1/<pathAndQuery>" (or any path starting with "/"): the text
    // goes into the URL as it stands, as the library sends "where=" texts.
    HttpResult get(const QString &pathAndQuery);
    HttpResult post(const QString &pathAndQuery, const QJsonValue &body);
    HttpResult put(const QString &pathAndQuery, const QJsonValue &body);
    HttpResult remove(const QString &pathAndQuery);
    HttpResult sendForm(const QByteArray &verb, const QString &pathAndQuery, QHttpMultiPart *form);

    // Signs in and presents the session's token with every later request.
    void login(const QString &name = QStringLiteral("demo"),
               const QString &password = QStringLiteral("demo123"));
    void setToken(const QString &token) { m_token = token; }
    QString token() const { return m_token; }
    // The signed-in user's id.
    QString userId() const { return m_userId; }

    // The id of the user's project whose name contains `name`.
    QString projectId(const QString &name);

    // Percent-encodes a whole query value, as "queryParam=" values travel.
    static QString encoded(const QJsonObject &query);
    static QString compact(const QJsonObject &query);

private:
    HttpResult send(const QByteArray &verb, const QString &pathAndQuery, const QByteArray &body,
                    QHttpMultiPart *form = nullptr);

    int m_port = -1;
    QNetworkAccessManager m_manager;
    QString m_token;
    QString m_userId;
};

#endif // VHPD_SANDBOXCLIENT_H
