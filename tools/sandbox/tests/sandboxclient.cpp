#include "sandboxclient.h"

#include <QEventLoop>
#include <QHttpMultiPart>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>
#include <QtTest>

SandboxServer::SandboxServer(const QString &redirectTouchRoot, const QByteArray &seed)
{
    SandboxOptions options;
    options.dataFile = QStringLiteral(VHPD_SANDBOX_SEED);
    options.redirectTouchRoot = redirectTouchRoot;
    m_sandbox.reset(new Sandbox(options));
    QString error;
    if (!(seed.isEmpty() ? m_sandbox->load(error) : m_sandbox->loadJson(seed, error)))
        qFatal("cannot load the seed data: %s", qPrintable(error));
    m_server.reset(new HttpServer(*m_sandbox));
    m_port = m_server->start(QStringLiteral("127.0.0.1"), 0);
    if (m_port <= 0)
        qFatal("the sandbox did not start");
}

SandboxServer::~SandboxServer()
{
    m_server->stop();
}

SandboxClient::SandboxClient(const SandboxServer &server)
    : m_port(server.port())
{}

SandboxClient::~SandboxClient()
{
    // Idle keep-alive connections would hold the server's workers.
    m_manager.clearConnectionCache();
}

QString SandboxClient::root() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_port);
}

HttpResult SandboxClient::send(const QByteArray &verb, const QString &pathAndQuery,
                               const QByteArray &body, QHttpMultiPart *form)
{
    const QString path = pathAndQuery.startsWith(QLatin1Char('/'))
                             ? pathAndQuery
                             : QStringLiteral("/v1/") + pathAndQuery;
    QNetworkRequest request(QUrl(root() + path, QUrl::TolerantMode));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    if (!m_token.isEmpty())
        request.setRawHeader("Authorization", "Bearer " + m_token.toUtf8());
    QNetworkReply *reply = nullptr;
    if (form) {
        reply = m_manager.sendCustomRequest(request, verb, form);
        form->setParent(reply); // goes with the reply
    } else {
        if (!body.isEmpty())
            request.setHeader(QNetworkRequest::ContentTypeHeader, "application/json");
        reply = m_manager.sendCustomRequest(request, verb, body);
    }
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    HttpResult result;
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    result.body = reply->readAll();
    for (const auto &header : reply->rawHeaderPairs())
        result.headers.insert(header.first.toLower(), header.second);
    reply->deleteLater();
    return result;
}

static QByteArray bodyOf(const QJsonValue &body)
{
    if (body.isArray())
        return QJsonDocument(body.toArray()).toJson(QJsonDocument::Compact);
    return QJsonDocument(body.toObject()).toJson(QJsonDocument::Compact);
}

HttpResult SandboxClient::get(const QString &pathAndQuery)
{
    return send("GET", pathAndQuery, QByteArray());
}

HttpResult SandboxClient::post(const QString &pathAndQuery, const QJsonValue &body)
{
    return send("POST", pathAndQuery, bodyOf(body));
}

HttpResult SandboxClient::put(const QString &pathAndQuery, const QJsonValue &body)
{
    return send("PUT", pathAndQuery, bodyOf(body));
}

HttpResult SandboxClient::remove(const QString &pathAndQuery)
{
    return send("DELETE", pathAndQuery, QByteArray());
}

HttpResult SandboxClient::sendForm(const QByteArray &verb, const QString &pathAndQuery,
                                   QHttpMultiPart *form)
{
    return send(verb, pathAndQuery, QByteArray(), form);
}

void SandboxClient::login(const QString &name, const QString &password)
{
    const HttpResult reply = post(QStringLiteral("account-service/login"),
                                  QJsonObject{{"name", name}, {"password", password}});
    m_token = reply.object().value("token").toString();
    m_userId = reply.object().value("_id").toString();
    if (reply.status != 200 || m_token.isEmpty())
        qFatal("login failed: %s", reply.body.constData());
}

QString SandboxClient::projectId(const QString &name)
{
    for (const QJsonValue &project :
         get(QStringLiteral("account-service/projects?expand=true")).array()) {
        if (project.toObject().value("name").toString().contains(name))
            return project.toObject().value("_id").toString();
    }
    return QString();
}

QString SandboxClient::compact(const QJsonObject &query)
{
    return QString::fromUtf8(QJsonDocument(query).toJson(QJsonDocument::Compact));
}

QString SandboxClient::encoded(const QJsonObject &query)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(compact(query)));
}
