#include "core/platform/curltransport.h"

#include "core/platform/authorities.h"
#include "core/platform/curlreply.h"
#include "core/platform/proxypolicy.h"

#include <QFile>
#include <QFileInfo>
#include <QNetworkProxy>
#include <QPointer>
#include <QSocketNotifier>
#include <QUrl>

namespace {

// How long curl may keep the parsed authorities; a new set of them comes in
// a file of another name, which curl reads afresh.
constexpr int kCaCacheSeconds = 24 * 3600;

} // namespace

struct CurlTransport::Watch
{
    QSocketNotifier *read = nullptr;
    QSocketNotifier *write = nullptr;
};

CurlTransport::CurlTransport(QObject *parent)
    : QObject(parent)
{
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    Q_UNUSED(initialised)
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { drive(CURL_SOCKET_TIMEOUT, 0); });
    m_share = curl_share_init();
    curl_share_setopt(m_share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    createMulti();
}

CurlTransport::~CurlTransport()
{
    // Each reply takes its handle out of the multi handle as it goes.
    qDeleteAll(findChildren<CurlReply *>(QString(), Qt::FindDirectChildrenOnly));
    destroyMulti();
    curl_share_cleanup(m_share);
}

void CurlTransport::createMulti()
{
    m_multi = curl_multi_init();
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETFUNCTION, &CurlTransport::onSocket);
    curl_multi_setopt(m_multi, CURLMOPT_SOCKETDATA, this);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERFUNCTION, &CurlTransport::onTimer);
    curl_multi_setopt(m_multi, CURLMOPT_TIMERDATA, this);
}

void CurlTransport::destroyMulti()
{
    curl_multi_cleanup(m_multi);
    m_multi = nullptr;
    m_timer.stop();
    // A copy of the keys: each unwatch() takes its socket out of the map.
    const QList<curl_socket_t> sockets = m_watches.keys();
    for (curl_socket_t socket : sockets)
        unwatch(socket);
}

// The settings every request shares: no redirect following, compressed
// replies accepted (curl decodes them), certificates verified against the
// system's authorities and the added ones, the proxy the policy picks, and the
// request's own headers, cookies included.
CurlReply *CurlTransport::prepare(const QNetworkRequest &request,
                                  QNetworkAccessManager::Operation operation)
{
    CURL *easy = curl_easy_init();
    auto *reply = new CurlReply(this, easy, request, operation, this);
    const QByteArray url =
        request.url().toEncoded(QUrl::RemoveFragment | QUrl::RemoveUserInfo | QUrl::FullyEncoded);
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TCP_NODELAY, 1L);
    // curl reads once per readiness of the socket: a larger buffer takes a
    // big reply in fewer turns of the event loop.
    curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_SHARE, m_share);
    // Authorities from a folder would be looked up connection by connection;
    // from a file alone, curl keeps them parsed for the next connections.
#if LIBCURL_VERSION_NUM >= 0x075700
    curl_easy_setopt(easy, CURLOPT_CA_CACHE_TIMEOUT, long(kCaCacheSeconds));
#endif
    if (!m_caFile.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_CAINFO, m_caFile.constData());
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    } else if (!systemAuthorityFile().isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    }

    const QNetworkProxy proxy = proxyFor(request.url());
    QString proxyScheme;
    if (proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy)
        proxyScheme = QStringLiteral("http");
    else if (proxy.type() == QNetworkProxy::Socks5Proxy)
        proxyScheme = QStringLiteral("socks5h");
    // The proxy is decided for the request as for Qt's backend; curl's own
    // reading of the environment is switched off.
    curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
    if (proxyScheme.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
    } else {
        QUrl proxyUrl;
        proxyUrl.setScheme(proxyScheme);
        proxyUrl.setHost(proxy.hostName());
        proxyUrl.setPort(proxy.port());
        curl_easy_setopt(easy, CURLOPT_PROXY, proxyUrl.toEncoded().constData());
        curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
        if (!proxy.user().isEmpty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.user().toUtf8().constData());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy.password().toUtf8().constData());
        }
        reply->m_viaProxy = true;
    }

    const QList<QByteArray> names = request.rawHeaderList();
    for (const QByteArray &name : names)
        reply->m_requestHeaders = curl_slist_append(
            reply->m_requestHeaders,
            QByteArray(singleLine(name) + ": " + singleLine(request.rawHeader(name))).constData());
    // Qt never waits for a "100 Continue" before sending a body; neither do we.
    reply->m_requestHeaders = curl_slist_append(reply->m_requestHeaders, "Expect:");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, reply->m_requestHeaders);
    return reply;
}

QNetworkReply *CurlTransport::send(const QNetworkRequest &request,
                                   QNetworkAccessManager::Operation operation,
                                   const QByteArray &body)
{
    CurlReply *reply = prepare(request, operation);
    CURL *easy = reply->m_easy;
    switch (operation) {
    case QNetworkAccessManager::GetOperation:
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        break;
    case QNetworkAccessManager::DeleteOperation:
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "DELETE");
        break;
    default:
        reply->m_upload = body;
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, reply->m_upload.constData());
        if (operation == QNetworkAccessManager::PutOperation)
            curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, "PUT");
        break;
    }
    return start(reply);
}

QNetworkReply *CurlTransport::sendForm(const QNetworkRequest &request, const QByteArray &verb,
                                       const QMap<QString, QString> &fields,
                                       std::unique_ptr<QFile> file)
{
    // Named like Qt's custom requests, so the wire log shows the verb.
    QNetworkRequest named(request);
    named.setAttribute(QNetworkRequest::CustomVerbAttribute, verb);
    CurlReply *reply = prepare(named, QNetworkAccessManager::CustomOperation);
    CURL *easy = reply->m_easy;
    curl_mime *form = curl_mime_init(easy);
    for (auto it = fields.constBegin(); it != fields.constEnd(); ++it) {
        curl_mimepart *part = curl_mime_addpart(form);
        curl_mime_name(part, it.key().toUtf8().constData());
        const QByteArray value = it.value().toUtf8();
        curl_mime_data(part, value.constData(), size_t(value.size()));
    }
    // Read through QFile rather than by path, so that any file name Qt can
    // open (non-Latin ones on Windows too) can be sent.
    curl_mimepart *part = curl_mime_addpart(form);
    curl_mime_name(part, "file");
    curl_mime_filename(part, QFileInfo(file->fileName()).fileName().toUtf8().constData());
    curl_mime_type(part, "application/octet-stream");
    curl_mime_data_cb(part, curl_off_t(file->size()), &CurlReply::onReadFile,
                      &CurlReply::onSeekFile, nullptr, file.get());
    reply->m_file = std::move(file);
    reply->m_form = form;
    curl_easy_setopt(easy, CURLOPT_MIMEPOST, form);
    if (verb != "POST")
        curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, verb.constData());
    return start(reply);
}

QNetworkReply *CurlTransport::start(CurlReply *reply)
{
    if (curl_multi_add_handle(m_multi, reply->m_easy) != CURLM_OK) {
        reply->m_result = CURLE_FAILED_INIT;
        reply->m_done = true;
        QMetaObject::invokeMethod(reply, &CurlReply::deliver, Qt::QueuedConnection);
        return reply;
    }
    reply->m_attached = true;
    m_active.append(reply);
    return reply;
}

void CurlTransport::detach(CurlReply *reply)
{
    m_active.removeOne(reply);
    curl_multi_remove_handle(m_multi, reply->m_easy);
    reply->m_attached = false;
}

void CurlTransport::drive(curl_socket_t socket, int events)
{
    int running = 0;
    curl_multi_socket_action(m_multi, socket, events, &running);
    QList<QPointer<CurlReply>> touched;
    touched.reserve(m_active.size());
    for (CurlReply *reply : qAsConst(m_active))
        touched.append(reply);
    int left = 0;
    while (CURLMsg *message = curl_multi_info_read(m_multi, &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        char *owner = nullptr;
        curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &owner);
        auto *reply = reinterpret_cast<CurlReply *>(owner);
        reply->m_result = message->data.result;
        // A proxy that refused the tunnel answered the CONNECT itself.
        long connectStatus = 0;
        curl_easy_getinfo(message->easy_handle, CURLINFO_HTTP_CONNECTCODE, &connectStatus);
        reply->m_connectStatus = int(connectStatus);
        reply->m_done = true;
        detach(reply);
    }
    // Out of curl now: slots may do anything, including coming back here.
    for (const QPointer<CurlReply> &reply : qAsConst(touched)) {
        if (reply)
            reply->deliver();
    }
}

int CurlTransport::onSocket(CURL *, curl_socket_t socket, int what, void *self, void *)
{
    auto *transport = static_cast<CurlTransport *>(self);
    if (what == CURL_POLL_REMOVE)
        transport->unwatch(socket);
    else
        transport->watch(socket, what);
    return 0;
}

int CurlTransport::onTimer(CURLM *, long timeoutMs, void *self)
{
    auto *transport = static_cast<CurlTransport *>(self);
    if (timeoutMs < 0)
        transport->m_timer.stop();
    else
        transport->m_timer.start(int(timeoutMs));
    return 0;
}

void CurlTransport::watch(curl_socket_t socket, int what)
{
    Watch *&watch = m_watches[socket];
    if (!watch)
        watch = new Watch;
    const auto follow = [this, socket](QSocketNotifier *&notifier, QSocketNotifier::Type type,
                                       int event, bool wanted) {
        if (wanted && !notifier) {
            notifier = new QSocketNotifier(qintptr(socket), type, this);
            connect(notifier, &QSocketNotifier::activated, this,
                    [this, socket, event] { drive(socket, event); });
        }
        if (notifier)
            notifier->setEnabled(wanted);
    };
    follow(watch->read, QSocketNotifier::Read, CURL_CSELECT_IN, what & CURL_POLL_IN);
    follow(watch->write, QSocketNotifier::Write, CURL_CSELECT_OUT, what & CURL_POLL_OUT);
}

// The notifier may be the one whose signal is being delivered right now, so
// it is switched off at once and deleted later.
void CurlTransport::unwatch(curl_socket_t socket)
{
    Watch *watch = m_watches.take(socket);
    if (!watch)
        return;
    for (QSocketNotifier *notifier : {watch->read, watch->write}) {
        if (notifier) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
    }
    delete watch;
}

void CurlTransport::closeConnections()
{
    while (!m_active.isEmpty())
        m_active.first()->abort();
    destroyMulti();
    createMulti();
}
