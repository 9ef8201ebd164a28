#include "VHNetwork.h"

#include "core/platform/authorities.h"
#include "core/platform/curltransport.h"
#include "core/platform/exchangefailure.h"
#include "core/platform/sessioncookies.h"
#include "core/platform/sockettransport.h"
#include "core/platform/transportreply.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QSslError>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadStorage>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <utility>

// The wire log for support engineers: one line per exchange with its method,
// URL, HTTP status and duration. Off unless switched on, for example with
// QT_LOGGING_RULES="vhpd.transport.info=true". Bodies and headers, and with
// them passwords, codes and tokens, are never written.
Q_LOGGING_CATEGORY(lcTransport, "vhpd.transport", QtWarningMsg)

// Each thread's own transport objects: both backends work in the thread that
// created them only.
struct NetworkManager::ThreadTransport
{
    SocketTransport *sockets = nullptr;
    CurlTransport *curl = nullptr;
    // The thread's requests that have not finished yet.
    QList<QPointer<QNetworkReply>> pending;

    ThreadTransport() = default;
    ThreadTransport(const ThreadTransport &) = delete;
    ThreadTransport &operator=(const ThreadTransport &) = delete;
    ~ThreadTransport()
    {
        delete curl;
        delete sockets;
    }
};

namespace {

QBasicMutex g_managerMutex;
NetworkManager *g_manager = nullptr;

bool isSettled(const QPointer<QNetworkReply> &reply)
{
    return !reply || reply->isFinished();
}

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
    const QMutexLocker lock(&g_managerMutex);
    delete std::exchange(g_manager, nullptr);
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

// The origin of the API root: the only one the session's credentials go to.
QString apiOrigin()
{
    return originOf(QUrl(VHBaseApi::GetInstance().getBaseApi()));
}

// The error of a reply that failed for the same reason as an earlier
// exchange that found the server unreachable.
QNetworkReply::NetworkError errorOfUnreachable(VHError::Kind kind)
{
    switch (kind) {
    case VHError::Kind::TimedOut:
        return QNetworkReply::TimeoutError;
    case VHError::Kind::HostNotFound:
        return QNetworkReply::HostNotFoundError;
    case VHError::Kind::Proxy:
        return QNetworkReply::ProxyConnectionRefusedError;
    default:
        return QNetworkReply::ConnectionRefusedError;
    }
}

} // namespace

NetworkManager &NetworkManager::instance()
{
    const QMutexLocker lock(&g_managerMutex);
    if (!g_manager) {
        g_manager = new NetworkManager;
        if (QCoreApplication *app = QCoreApplication::instance()) {
            // Whichever thread asks first, the manager belongs to the
            // application's; its sockets must go before the application does.
            g_manager->moveToThread(app->thread());
            qAddPostRoutine(destroyManager);
        }
    }
    return *g_manager;
}

NetworkManager::NetworkManager(QObject *parent)
    : QObject(parent)
    , m_backend(backendFromEnvironment())
    , m_cookies(new SessionCookies)
{
    const QList<QSslCertificate> named = environmentAuthorities();
    if (!named.isEmpty())
        addCaCertificates(named);
}

// Runs in the application's thread, whose transport goes with the manager;
// other threads' transports go when their threads end.
NetworkManager::~NetworkManager()
{
    delete std::exchange(localTransport(), nullptr);
    delete m_cookies;
    qDeleteAll(m_caFiles);
}

NetworkManager::ThreadTransport *&NetworkManager::localTransport()
{
    static auto *transports = new QThreadStorage<ThreadTransport *>;
    return transports->localData();
}

NetworkManager::ThreadTransport &NetworkManager::threadTransport()
{
    ThreadTransport *&transport = localTransport();
    if (!transport) {
        // The transports' timers need the thread's event dispatcher, which a
        // thread not started by QThread gets with its first event loop.
        if (!QAbstractEventDispatcher::instance())
            QEventLoop makesTheDispatcher;
        transport = new ThreadTransport;
    }
    return *transport;
}

SocketTransport *NetworkManager::sockets(ThreadTransport &transport)
{
    if (!transport.sockets)
        transport.sockets = new SocketTransport(sameThreadParent());
    return transport.sockets;
}

// The application's thread keeps its transport objects, and with them its
// replies, under the manager, where a client may look for the requests still
// under way; other threads' objects cannot have a parent in another thread.
QObject *NetworkManager::sameThreadParent()
{
    return thread() == QThread::currentThread() ? this : nullptr;
}

CurlTransport *NetworkManager::curl(ThreadTransport &transport)
{
    if (!transport.curl)
        transport.curl = new CurlTransport(sameThreadParent());
    const QMutexLocker lock(&m_mutex);
    transport.curl->setCaFile(m_caFile);
    return transport.curl;
}

// Every request carries its limits, and the session's credentials when it
// goes to their origin. Cookies are handled here for both backends alike.
QNetworkRequest NetworkManager::makeRequest(const QString &url, const QByteArray &contentType)
{
    QNetworkRequest request(requestUrl(url));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(kMaxBodyBytesAttribute, qint64(m_maxReplyBytes));
    request.setAttribute(kMaxRecordsAttribute, int(m_maxReplyRecords));
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);

    const QString origin = originOf(request.url());
    const QString api = apiOrigin();
    {
        const QMutexLocker lock(&m_mutex);
        request.setSslConfiguration(m_tls);
        if (!m_authToken.isEmpty()) {
            if (m_tokenOrigin.isEmpty())
                m_tokenOrigin = api;
            if (!origin.isEmpty() && origin == m_tokenOrigin)
                request.setRawHeader(QByteArrayLiteral("Authorization"),
                                     QByteArrayLiteral("Bearer ") + m_authToken.toUtf8());
        }
    }
    if (origin == api) {
        const QList<QNetworkCookie> cookies = m_cookies->cookiesFor(request.url(), origin);
        if (!cookies.isEmpty())
            request.setHeader(QNetworkRequest::CookieHeader, QVariant::fromValue(cookies));
    }
    return request;
}

// A deadline for the whole exchange, so that a server that trickles bytes
// cannot keep a caller waiting.
void NetworkManager::armDeadline(QNetworkReply *reply)
{
    auto *deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, [reply] {
        reply->setProperty(kTimedOutProperty, true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, deadline, &QTimer::stop);
    deadline->start(m_timeoutMs);
}

// Every reply is deleted once finished and gets its deadline: from the start
// for ordinary exchanges, from the moment its form is sent for an upload.
QNetworkReply *NetworkManager::track(QNetworkReply *reply, Deadline deadline)
{
    ++m_requestCount;
    if (lcTransport().isInfoEnabled())
        logWhenFinished(reply);
    connect(reply, &QNetworkReply::finished, reply, &QObject::deleteLater);
    // The finished ones go as new ones come, so the list holds about as many
    // as are under way.
    QList<QPointer<QNetworkReply>> &pending = threadTransport().pending;
    pending.erase(std::remove_if(pending.begin(), pending.end(), isSettled), pending.end());
    pending.append(reply);
    // Qt's TLS layer names the certificate's problem only in this signal;
    // the first one is kept for the failure's description.
    connect(reply, &QNetworkReply::sslErrors, reply, [reply](const QList<QSslError> &errors) {
        if (!errors.isEmpty())
            reply->setProperty(kTlsProblemProperty, int(errors.first().error()));
    });
    const QString origin = originOf(reply->url());
    if (!origin.isEmpty() && origin == apiOrigin()) {
        connect(reply, &QNetworkReply::metaDataChanged, reply, [this, reply, origin] {
            m_cookies->store(
                reply->header(QNetworkRequest::SetCookieHeader).value<QList<QNetworkCookie>>(),
                reply->url(), origin);
        });
    }
    if (deadline == Deadline::WholeExchange) {
        armDeadline(reply);
    } else {
        connect(reply, &QNetworkReply::uploadProgress, reply,
                [this, reply, armed = false](qint64 sent, qint64 total) mutable {
                    if (!armed && total > 0 && sent >= total) {
                        armed = true;
                        armDeadline(reply);
                    }
                });
    }
    return reply;
}

bool NetworkManager::waitForPendingRequests(int milliseconds)
{
    QList<QPointer<QNetworkReply>> &pending = threadTransport().pending;
    const auto settled = [&pending] {
        pending.erase(std::remove_if(pending.begin(), pending.end(), isSettled), pending.end());
        return pending.isEmpty();
    };
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer tick;
    connect(&tick, &QTimer::timeout, &loop, &QEventLoop::quit);
    tick.start(10);
    while (!settled() && clock.elapsed() < milliseconds)
        loop.exec();
    return settled();
}

QNetworkReply *NetworkManager::refuseIfUnreachable(const QNetworkRequest &request,
                                                   QNetworkAccessManager::Operation operation)
{
    const VHError unreachable = FailureScope::unreachable(request.url());
    if (unreachable.isNone())
        return nullptr;
    ThreadTransport &transport = threadTransport();
    QObject *owner = m_backend == Backend::Curl ? static_cast<QObject *>(curl(transport))
                                                : static_cast<QObject *>(sockets(transport));
    return new RefusedReply(request, operation, errorOfUnreachable(unreachable.kind),
                            unreachable.detail, owner);
}

QNetworkReply *NetworkManager::send(QNetworkAccessManager::Operation operation,
                                    const QNetworkRequest &request, const QByteArray &body)
{
    if (QNetworkReply *refused = refuseIfUnreachable(request, operation))
        return track(refused);
    ThreadTransport &transport = threadTransport();
    if (m_backend == Backend::Curl)
        return track(curl(transport)->send(request, operation, body));
    return track(sockets(transport)->send(request, operation, body));
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
    // A model file may take minutes to send, so while it is sent the upload
    // is given up only when no data has moved for the time-out, not after a
    // fixed total time. Each backend writes the multipart content type with
    // the form's boundary.
    QNetworkRequest request = makeRequest(url, QByteArray());
    request.setTransferTimeout(m_timeoutMs);
    request.setAttribute(QNetworkRequest::CustomVerbAttribute, verb);
    if (QNetworkReply *refused =
            refuseIfUnreachable(request, QNetworkAccessManager::CustomOperation))
        return track(refused);
    ThreadTransport &transport = threadTransport();
    QNetworkReply *reply =
        m_backend == Backend::Curl
            ? curl(transport)->sendForm(request, verb, fields, std::move(file))
            : sockets(transport)->sendForm(request, verb, fields, std::move(file));
    // A (0, 0) before anything moved says nothing about the transfer.
    connect(reply, &QNetworkReply::uploadProgress, reply, [this](qint64 sent, qint64 total) {
        if (sent > 0 || total > 0)
            emit uploadProgress(sent, total);
    });
    return track(reply, Deadline::AfterUpload);
}

void NetworkManager::setAuthToken(const QString &token)
{
    const QString origin = apiOrigin();
    const QMutexLocker lock(&m_mutex);
    m_authToken = token;
    m_tokenOrigin = origin;
}

QString NetworkManager::authToken() const
{
    const QMutexLocker lock(&m_mutex);
    return m_authToken;
}

void NetworkManager::clearSession()
{
    {
        const QMutexLocker lock(&m_mutex);
        m_authToken.clear();
        m_tokenOrigin.clear();
    }
    m_cookies->clear();
}

void NetworkManager::addCaCertificates(const QList<QSslCertificate> &certificates)
{
    const QMutexLocker lock(&m_mutex);
    m_tls.addCaCertificates(certificates);
    m_extraAuthorities += certificates;
    // libcurl takes the system's authorities and the added ones from one file.
    // Each set gets a file of its own, kept while the manager lives, so that
    // a connection being opened still finds the one it was given.
    std::unique_ptr<QTemporaryFile> file = writeAuthorityFile(m_extraAuthorities);
    if (file) {
        m_caFile = QFile::encodeName(file->fileName());
        m_caFiles.append(file.release());
    } else {
        qWarning("VHPrimaryData: cannot write the trusted authorities for libcurl to %s",
                 qPrintable(QDir::tempPath()));
    }
}

void NetworkManager::closeConnections()
{
    ThreadTransport *transport = localTransport();
    if (!transport)
        return;
    if (transport->sockets)
        transport->sockets->closeConnections();
    if (transport->curl)
        transport->curl->closeConnections();
}
