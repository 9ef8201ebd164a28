#include "core/platform/curlreply.h"

#include "core/platform/curltransport.h"

#include <QFile>

#include <algorithm>

namespace {

// The error Qt reports for the same failure of the connection or the transfer.
QNetworkReply::NetworkError errorOfTransfer(CURLcode result, bool viaProxy)
{
    switch (result) {
    case CURLE_OK:
        return QNetworkReply::NoError;
    case CURLE_COULDNT_CONNECT:
        return viaProxy ? QNetworkReply::ProxyConnectionRefusedError
                        : QNetworkReply::ConnectionRefusedError;
    case CURLE_COULDNT_RESOLVE_HOST:
        return QNetworkReply::HostNotFoundError;
    case CURLE_COULDNT_RESOLVE_PROXY:
        return QNetworkReply::ProxyNotFoundError;
    case CURLE_OPERATION_TIMEDOUT:
        return QNetworkReply::TimeoutError;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
        return QNetworkReply::SslHandshakeFailedError;
    case CURLE_PARTIAL_FILE:
    case CURLE_GOT_NOTHING:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
        return QNetworkReply::RemoteHostClosedError;
    case CURLE_ABORTED_BY_CALLBACK:
        return QNetworkReply::OperationCanceledError;
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
        return QNetworkReply::ProtocolUnknownError;
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
        return QNetworkReply::ProtocolFailure;
    case CURLE_PROXY:
        return QNetworkReply::UnknownProxyError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

} // namespace

CurlReply::CurlReply(CurlTransport *transport, CURL *easy, const QNetworkRequest &request,
                     QNetworkAccessManager::Operation operation, QObject *parent)
    : TransportReply(request, operation, parent)
    , m_transport(transport)
    , m_easy(easy)
{
    curl_easy_setopt(m_easy, CURLOPT_PRIVATE, this);
    curl_easy_setopt(m_easy, CURLOPT_ERRORBUFFER, m_curlError);
    curl_easy_setopt(m_easy, CURLOPT_HEADERFUNCTION, &CurlReply::onHeader);
    curl_easy_setopt(m_easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_WRITEFUNCTION, &CurlReply::onBody);
    curl_easy_setopt(m_easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(m_easy, CURLOPT_XFERINFOFUNCTION, &CurlReply::onProgress);
    curl_easy_setopt(m_easy, CURLOPT_XFERINFODATA, this);

    // Like Qt's transfer time-out: any data moving either way restarts it.
    const int idleMs = request.transferTimeout();
    if (idleMs > 0) {
        curl_easy_setopt(m_easy, CURLOPT_NOPROGRESS, 0L);
        m_inactivity.setSingleShot(true);
        m_inactivity.setInterval(idleMs);
        connect(&m_inactivity, &QTimer::timeout, this, &CurlReply::abort);
        m_inactivity.start();
    }
}

CurlReply::~CurlReply()
{
    release();
}

void CurlReply::release()
{
    if (!m_easy)
        return;
    if (m_attached && m_transport)
        m_transport->detach(this);
    m_attached = false;
    curl_easy_cleanup(m_easy);
    m_easy = nullptr;
    // The handle referred to these until now.
    curl_mime_free(m_form);
    m_form = nullptr;
    curl_slist_free_all(m_requestHeaders);
    m_requestHeaders = nullptr;
    m_file.reset();
}

size_t CurlReply::onHeader(char *line, size_t size, size_t count, void *self)
{
    auto *reply = static_cast<CurlReply *>(self);
    const size_t length = size * count;
    const QByteArray text = QByteArray(line, int(length)).trimmed();
    if (text.startsWith("HTTP/")) {
        // A new header block: an interim "100 Continue" is forgotten here.
        const QList<QByteArray> parts = text.split(' ');
        reply->m_status = parts.value(1).toInt();
        const int reasonStart = text.indexOf(' ', text.indexOf(' ') + 1);
        reply->m_reason = reasonStart < 0 ? QByteArray() : text.mid(reasonStart + 1);
        reply->m_headers.clear();
    } else if (text.isEmpty()) {
        if (reply->m_status >= 200)
            reply->m_headersComplete = true;
    } else {
        const int colon = text.indexOf(':');
        if (colon > 0)
            reply->m_headers.append(
                qMakePair(text.left(colon).trimmed(), text.mid(colon + 1).trimmed()));
    }
    return length;
}

size_t CurlReply::onBody(char *data, size_t size, size_t count, void *self)
{
    auto *reply = static_cast<CurlReply *>(self);
    const size_t length = size * count;
    // curl hands the body over decoded, a piece at a time, so a compressed
    // reply is stopped at its limit however far it would inflate. Returning
    // less than the piece ends the transfer.
    if (!reply->m_bodyReserved) {
        // Room for the announced length at once, so that a large page is not
        // moved about as it grows; a length beyond the limit ends it at once.
        // The announced length of a compressed reply is its compressed size.
        reply->m_bodyReserved = true;
        curl_off_t announced = -1;
        curl_easy_getinfo(reply->m_easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
        if (announced > 0 && !reply->reserveBody(qint64(announced)))
            return 0;
    }
    return reply->appendBody(data, qint64(length)) ? length : 0;
}

int CurlReply::onProgress(void *self, curl_off_t, curl_off_t, curl_off_t uploadTotal,
                          curl_off_t uploaded)
{
    auto *reply = static_cast<CurlReply *>(self);
    reply->m_uploaded = uploaded;
    reply->m_uploadTotal = uploadTotal;
    return 0;
}

size_t CurlReply::onReadFile(char *buffer, size_t size, size_t count, void *file)
{
    const qint64 read = static_cast<QFile *>(file)->read(buffer, qint64(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : size_t(read);
}

int CurlReply::onSeekFile(void *file, curl_off_t offset, int origin)
{
    auto *device = static_cast<QFile *>(file);
    const qint64 base = origin == SEEK_CUR   ? device->pos()
                        : origin == SEEK_END ? device->size()
                                             : 0;
    return device->seek(base + offset) ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

void CurlReply::deliver()
{
    if (isFinished())
        return;
    const QPointer<CurlReply> self(this);
    const auto gone = [&] { return !self || isFinished(); };
    if ((bodyPending() || m_uploaded != m_uploadAnnounced) && m_inactivity.isActive())
        m_inactivity.start();
    if (m_uploaded != m_uploadAnnounced) {
        m_uploadAnnounced = m_uploaded;
        emit uploadProgress(m_uploaded, m_uploadTotal);
        if (gone())
            return;
    }
    if (m_headersComplete && !m_metaDataSent) {
        m_metaDataSent = true;
        applyMetaData();
        emit metaDataChanged();
        if (gone())
            return;
    }
    if (!announceBody() || gone())
        return;
    if (m_done)
        finish();
}

void CurlReply::applyMetaData()
{
    // curl decodes a compressed body, so the length announced for it is not
    // what the reply holds; Qt drops it too.
    const bool compressed = std::any_of(
        m_headers.cbegin(), m_headers.cend(), [](const QPair<QByteArray, QByteArray> &h) {
            return h.first.compare("content-encoding", Qt::CaseInsensitive) == 0;
        });
    setReplyHead(m_status, m_reason, m_headers, compressed);
}

void CurlReply::finish()
{
    m_inactivity.stop();
    NetworkError code = errorOfTransfer(m_result, m_viaProxy);
    // Qt's replies say what the proxy said to CONNECT; curl reports only that
    // the tunnel failed.
    if (code != NoError && m_connectStatus >= 300)
        code =
            m_connectStatus == 407 ? ProxyAuthenticationRequiredError : ProxyConnectionRefusedError;
    QString text;
    if (code != NoError) {
        text = QString::fromUtf8(m_curlError[0] ? m_curlError : curl_easy_strerror(m_result));
    } else {
        completeWithStatus();
        return;
    }
    complete(code, text);
}

void CurlReply::abort()
{
    if (isFinished())
        return;
    release();
    m_done = true;
    m_inactivity.stop();
    closeDevice();
    complete(OperationCanceledError, QStringLiteral("Operation canceled"));
}
