#include "VHNetwork.h"

#include "core/platform/curltransport.h"
#include "core/platform/exchangefailure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QHttpMultiPart>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkProxy>
#include <QSslError>
#include <QTimer>
#include <QUrl>

#include <memory>

// The wire log for support engineers: one line per exchange with its method,
// URL, HTTP status and duration. Off unless switched on, for example with
// QT_LOGGING_RULES="vhpd.transport.info=true". Bodies and headers, and with
// them passwords, codes and tokens, are never written.
Q_LOGGING_CATEGORY(lcTransport, "vhpd.transport", QtWarningMsg)

namespace {

QPointer<NetworkManager> g_manager;

void logWhenFinished(QNetworkReply *reply)
{
    QElapsedTimer clock;
    clock.start();
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, clock] {
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        qCInfo(lcTransport).noquote().nospace()
            << exchangeMethod(*reply) << ' ' << reply->url().toString(QUrl::RemoveUserInfo)
            << " -> " << (status.isValid() ? status.toString() : QStringLiteral("no reply")) << " ("
            << reply->error() << ") in " << clock.elapsed() << " ms";
    });
}

void destroyManager()
{
    delete g_manager.data();
}

NetworkManager::Backend backendFromEnvironment()
{
    const QByteArray chosen = qgetenv("VHPD_TRANSPORT").trimmed().toLower();
    if (chosen == "qt")
        return NetworkManager::Backend::Qt;
    if (chosen == "curl")
        return NetworkManager::Backend::Curl;
    return NetworkManager::DefaultBackend;
}

// The multipart form of one file for Qt's backend: a text part per field and
// the file itself, which Qt streams from disk as the request is written.
QHttpMultiPart *makeForm(std::unique_ptr<QFile> file, const QMap<QString, QString> &fields)
{
    auto *form = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"%1\"").arg(it.key()));
        part.setBody(it.value().toUtf8());
        form->append(part);
    }
    QHttpPart filePart;
    filePart.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QStringLiteral("form-data; name=\"file\"; filename=\"%1\"")
                           .arg(QFileInfo(file->fileName()).fileName()));
    filePart.setHeader(QNetworkRequest::ContentTypeHeader,
                       QStringLiteral("application/octet-stream"));
    filePart.setBodyDevice(file.get());
    file.release()->setParent(form);
    form->append(filePart);
    return form;
}

// Where the JSON document that starts at `from` ends, by JSON's own rules:
// brackets nest, and inside strings brackets and escaped quotes do not count.
// A document that never closes runs to the end of the text.
int jsonDocumentEnd(const QString &text, int from)
{
    int depth = 0;
    bool inString = false;
    for (int i = from; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (inString) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == QLatin1Char('"'))
                inString = false;
        } else if (c == QLatin1Char('"')) {
            inString = true;
        } else if (c == QLatin1Char('{') || c == QLatin1Char('[')) {
            ++depth;
        } else if ((c == QLatin1Char('}') || c == QLatin1Char(']')) && --depth == 0) {
            return i + 1;
        }
    }
    return text.size();
}

// The URL a request goes to. Query values that are JSON documents (the
// "where=" conditions) are percent-encoded as a whole, so that a name or
// search text holding "&", "+", "#" or "%" reaches the server exactly as
// composed; everything else is taken as written.
QUrl requestUrl(const QString &text)
{
    const int queryStart = text.indexOf(QLatin1Char('?'));
    if (queryStart < 0 || (text.indexOf(QLatin1Char('{'), queryStart) < 0 &&
                           text.indexOf(QLatin1Char('['), queryStart) < 0))
        return QUrl(text, QUrl::TolerantMode);
    QString composed = text.left(queryStart + 1);
    int i = queryStart + 1;
    while (i < text.size()) {
        const int valueStart = text.indexOf(QLatin1Char('='), i) + 1;
        const int nextParameter = text.indexOf(QLatin1Char('&'), i);
        if (valueStart <= 0 || (nextParameter >= 0 && nextParameter < valueStart)) {
            // A parameter without a value.
            const int end = nextParameter < 0 ? text.size() : nextParameter + 1;
            composed += text.midRef(i, end - i);
            i = end;
            continue;
        }
        composed += text.midRef(i, valueStart - i);
        i = valueStart;
        if (i < text.size() && (text.at(i) == QLatin1Char('{') || text.at(i) == QLatin1Char('['))) {
            const int end = jsonDocumentEnd(text, i);
            composed += QString::fromLatin1(QUrl::toPercentEncoding(text.mid(i, end - i)));
            i = end;
        }
        const int end = text.indexOf(QLatin1Char('&'), i);
        const int stop = end < 0 ? text.size() : end + 1;
        composed += text.midRef(i, stop - i);
        i = stop;
    }
    return QUrl(composed, QUrl::TolerantMode);
}

// Qt's backend tells a proxy that refused the connection from a server that
// did only by the address it dialled, so a request that goes through a proxy
// is marked: its connection failures are the proxy's. Qt sends loopback
// requests directly, whatever the proxy settings.
void markProxied(QNetworkReply *reply)
{
    const QUrl url = reply->url();
    const QHostAddress address(url.host());
    if (url.host() == QLatin1String("localhost") || address.isLoopback())
        return;
    const QList<QNetworkProxy> proxies =
        QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url));
    const QNetworkProxy::ProxyType type =
        proxies.isEmpty() ? QNetworkProxy::NoProxy : proxies.first().type();
    if (type == QNetworkProxy::HttpProxy || type == QNetworkProxy::HttpCachingProxy ||
        type == QNetworkProxy::Socks5Proxy)
        reply->setProperty(kViaProxyProperty, true);
}

} // namespace

NetworkManager &NetworkManager::instance()
{
    if (!g_manager) {
        g_manager = new NetworkManager;
        // The manager's sockets must go before the application object does.
        if (QCoreApplication::instance())
            qAddPostRoutine(destroyManager);
    }
    return *g_manager;
}

NetworkManager::NetworkManager(QObject *parent)
    : QObject(parent)
    , m_backend(backendFromEnvironment())
    , m_access(new QNetworkAccessManager(this))
{}

CurlTransport *NetworkManager::curl()
{
    if (!m_curl)
        m_curl = new CurlTransport(this);
    return m_curl;
}

QNetworkRequest NetworkManager::makeRequest(const QString &url, const QByteArray &contentType) const
{
    QNetworkRequest request(requestUrl(url));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setSslConfiguration(m_tls);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    if (!m_authToken.isEmpty())
        request.setRawHeader(QByteArrayLiteral("Authorization"),
                             QByteArrayLiteral("Bearer ") + m_authToken.toUtf8());
    return request;
}

// Every reply is deleted once finished and gets a deadline for the whole
// exchange, so that a server that trickles bytes cannot keep a caller waiting.
QNetworkReply *NetworkManager::track(QNetworkReply *reply, bool wholeExchangeDeadline)
{
    ++m_requestCount;
    if (lcTransport().isInfoEnabled())
        logWhenFinished(reply);
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    // Qt's TLS layer names the certificate's problem only in this signal;
    // the first one is kept for the failure's description.
    connect(reply, &QNetworkReply::sslErrors, reply, [reply](const QList<QSslError> &errors) {
        if (!errors.isEmpty())
            reply->setProperty(kTlsProblemProperty, int(errors.first().error()));
    });
    if (wholeExchangeDeadline) {
        auto *deadline = new QTimer(reply);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, reply, [reply] {
            reply->setProperty(kTimedOutProperty, true);
            reply->abort();
        });
        connect(reply, &QNetworkReply::finished, deadline, &QTimer::stop);
        deadline->start(m_timeoutMs);
    }
    return reply;
}

QNetworkReply *NetworkManager::send(QNetworkAccessManager::Operation operation,
                                    const QNetworkRequest &request, const QByteArray &body)
{
    if (m_backend == Backend::Curl)
        return track(curl()->send(request, operation, body));
    QNetworkReply *reply = nullptr;
    switch (operation) {
    case QNetworkAccessManager::PostOperation:
        reply = m_access->post(request, body);
        break;
    case QNetworkAccessManager::PutOperation:
        reply = m_access->put(request, body);
        break;
    case QNetworkAccessManager::DeleteOperation:
        reply = m_access->deleteResource(request);
        break;
    default:
        reply = m_access->get(request);
        break;
    }
    markProxied(reply);
    return track(reply);
}

QNetworkReply *NetworkManager::get(const QString &url)
{
    return send(QNetworkAccessManager::GetOperation, makeRequest(url, QByteArray()));
}

static const QByteArray kJsonType = QByteArrayLiteral("application/json");

QNetworkReply *NetworkManager::postJson(const QString &url, const QJsonObject &body)
{
    return send(QNetworkAccessManager::PostOperation, makeRequest(url, kJsonType),
                QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QNetworkReply *NetworkManager::postJson(const QString &url, const QJsonArray &body)
{
    return send(QNetworkAccessManager::PostOperation, makeRequest(url, kJsonType),
                QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QNetworkReply *NetworkManager::putJson(const QString &url, const QJsonObject &body)
{
    return send(QNetworkAccessManager::PutOperation, makeRequest(url, kJsonType),
                QJsonDocument(body).toJson(QJsonDocument::Compact));
}

QNetworkReply *NetworkManager::deleteResource(const QString &url)
{
    return send(QNetworkAccessManager::DeleteOperation, makeRequest(url, QByteArray()));
}

QNetworkReply *NetworkManager::sendFileForm(const QString &url, const QByteArray &verb,
                                            const QMap<QString, QString> &fields,
                                            const QString &filePath)
{
    auto file = std::make_unique<QFile>(filePath);
    if (!file->open(QIODevice::ReadOnly))
        return nullptr;
    // A model file may take minutes to send, so an upload is given up only
    // when no data has moved for the time-out, not after a fixed total time.
    // Each backend writes the multipart content type with the form's boundary.
    QNetworkRequest request = makeRequest(url, QByteArray());
    request.setTransferTimeout(m_timeoutMs);
    QNetworkReply *reply = nullptr;
    if (m_backend == Backend::Curl) {
        reply = curl()->sendForm(request, verb, fields, std::move(file));
    } else {
        QHttpMultiPart *form = makeForm(std::move(file), fields);
        reply = m_access->sendCustomRequest(request, verb, form);
        form->setParent(reply);
        markProxied(reply);
    }
    // Qt's replies end with a (0, 0) that says nothing about the transfer.
    connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64 total) {
        if (sent > 0 || total > 0)
            emit uploadProgress(sent, total);
    });
    return track(reply, false);
}

void NetworkManager::setTimeout(int milliseconds)
{
    m_timeoutMs = milliseconds;
}

void NetworkManager::setAuthToken(const QString &token)
{
    m_authToken = token;
}

void NetworkManager::clearSession()
{
    m_authToken.clear();
    m_access->setCookieJar(new QNetworkCookieJar(m_access));
    if (m_curl)
        m_curl->clearCookies();
}

void NetworkManager::addCaCertificates(const QList<QSslCertificate> &certificates)
{
    m_tls.addCaCertificates(certificates);
    curl()->addCaCertificates(certificates);
    // Qt's manager keeps the TLS context of every server it has talked to, so
    // added authorities reach only the connections of a new manager. The old
    // one keeps the session's cookies' jar until handing it over, and lives on
    // while it still has requests under way.
    QNetworkAccessManager *previous = m_access;
    m_access = new QNetworkAccessManager(this);
    m_access->setCookieJar(previous->cookieJar());
    if (previous->findChildren<QNetworkReply *>().isEmpty())
        previous->deleteLater();
}

void NetworkManager::closeConnections()
{
    m_access->clearConnectionCache();
    if (m_curl)
        m_curl->closeConnections();
}
