#include "core/platform/socketreply.h"

#include "core/platform/exchangefailure.h"
#include "core/platform/proxypolicy.h"
#include "core/platform/sockettransport.h"

#include <QFile>
#include <QSslError>
#include <QSslSocket>
#include <QTcpSocket>
#include <QUrl>

#include <utility>

namespace {

// How much of a body is handed to the socket ahead of what it has sent.
constexpr qint64 kWriteWindow = qint64(256) * 1024;
// How much of a reply is read from the socket at a time.
constexpr qint64 kReadPiece = qint64(64) * 1024;

struct SocketFailure
{
    QNetworkReply::NetworkError code;
    QString text;
};

// The error and the words Qt's access manager gives the same failure of the
// connection. A plain request through an HTTP proxy connects to the proxy
// itself, so what fails to connect then is the proxy.
SocketFailure failureOfSocket(const QAbstractSocket &socket, QAbstractSocket::SocketError error,
                              bool throughHttpProxy, const QString &host)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        if (throughHttpProxy)
            return {QNetworkReply::ProxyConnectionRefusedError,
                    QStringLiteral("Connection to proxy refused")};
        return {QNetworkReply::ConnectionRefusedError, QStringLiteral("Connection refused")};
    case QAbstractSocket::HostNotFoundError:
        if (throughHttpProxy)
            return {QNetworkReply::ProxyNotFoundError, QStringLiteral("Proxy host not found")};
        return {QNetworkReply::HostNotFoundError, QStringLiteral("Host %1 not found").arg(host)};
    case QAbstractSocket::RemoteHostClosedError:
        return {QNetworkReply::RemoteHostClosedError, QStringLiteral("Connection closed")};
    case QAbstractSocket::SocketTimeoutError:
        return {QNetworkReply::TimeoutError, QStringLiteral("Socket operation timed out")};
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return {QNetworkReply::ProxyAuthenticationRequiredError,
                QStringLiteral("Proxy requires authentication")};
    case QAbstractSocket::ProxyConnectionRefusedError:
        return {QNetworkReply::ProxyConnectionRefusedError,
                QStringLiteral("Connection to proxy refused")};
    case QAbstractSocket::ProxyConnectionClosedError:
        return {QNetworkReply::ProxyConnectionClosedError,
                QStringLiteral("Proxy connection closed prematurely")};
    case QAbstractSocket::ProxyConnectionTimeoutError:
        return {QNetworkReply::ProxyTimeoutError, QStringLiteral("Proxy connection timed out")};
    case QAbstractSocket::ProxyNotFoundError:
        return {QNetworkReply::ProxyNotFoundError, QStringLiteral("Proxy host not found")};
    case QAbstractSocket::ProxyProtocolError:
        return {QNetworkReply::UnknownProxyError, socket.errorString()};
    case QAbstractSocket::SslHandshakeFailedError:
    case QAbstractSocket::SslInternalError:
    case QAbstractSocket::SslInvalidUserDataError:
        return {QNetworkReply::SslHandshakeFailedError,
                QStringLiteral("SSL handshake failed: %1").arg(socket.errorString())};
    default:
        return {QNetworkReply::UnknownNetworkError, socket.errorString()};
    }
}

bool isEncrypted(const QUrl &url)
{
    return url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
}

// Headers the exchange writes itself.
bool isFramingHeader(const QByteArray &name)
{
    for (const char *own : {"host", "content-length", "connection", "transfer-encoding", "expect",
                            "accept-encoding"}) {
        if (name.compare(own, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

SocketReply::SocketReply(SocketTransport *transport, const QNetworkRequest &request,
                         QNetworkAccessManager::Operation operation, QObject *parent)
    : TransportReply(request, operation, parent)
    , m_transport(transport)
    , m_reader(makeReader())
{
    const QUrl url = request.url();
    m_proxy = proxyFor(url);
    m_throughHttpProxy = !isEncrypted(url) && m_proxy.type() == QNetworkProxy::HttpProxy;
    m_connectionKey = originOf(url) + QLatin1Char(' ') + QString::number(m_proxy.type()) +
                      QLatin1Char(' ') + m_proxy.user() + QLatin1Char('@') + m_proxy.hostName() +
                      QLatin1Char(':') + QString::number(m_proxy.port());

    // Like Qt's transfer time-out: any data moving either way restarts it.
    const int idleMs = request.transferTimeout();
    if (idleMs > 0) {
        m_inactivity.setSingleShot(true);
        m_inactivity.setInterval(idleMs);
        connect(&m_inactivity, &QTimer::timeout, this, &SocketReply::abort);
        m_inactivity.start();
    }
    QMetaObject::invokeMethod(this, &SocketReply::start, Qt::QueuedConnection);
}

SocketReply::~SocketReply()
{
    release(false);
}

HttpReplyReader SocketReply::makeReader()
{
    HttpReplyReader reader(
        [this](const char *data, qint64 size) { return takeHead() && appendBody(data, size); });
    reader.setHeadRequest(operation() == QNetworkAccessManager::HeadOperation);
    return reader;
}

void SocketReply::setForm(const QByteArray &head, std::unique_ptr<QFile> file,
                          const QByteArray &tail)
{
    m_body = head;
    m_tail = tail;
    m_bodySize = head.size() + file->size() + tail.size();
    m_file = std::move(file);
}

void SocketReply::start()
{
    if (isFinished())
        return;
    const QUrl url = request().url();
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
        complete(ProtocolUnknownError, QStringLiteral("Protocol \"%1\" is unknown").arg(scheme));
        return;
    }
    if (url.host().isEmpty()) {
        complete(HostNotFoundError, QStringLiteral("No host name given"));
        return;
    }
    if (m_transport) {
        if (QAbstractSocket *kept = m_transport->takeIdle(m_connectionKey)) {
            m_reused = true;
            attach(kept);
            writeRequest();
            return;
        }
    }
    connectFresh();
}

void SocketReply::connectFresh()
{
    const QUrl url = request().url();
    const bool encrypted = isEncrypted(url);
    const quint16 port = quint16(url.port(encrypted ? 443 : 80));
    if (encrypted) {
        auto *tls = new QSslSocket(this);
        tls->setSslConfiguration(request().sslConfiguration());
        tls->setPeerVerifyName(url.host());
        // Through an HTTP proxy, Qt's socket asks for a tunnel (CONNECT).
        tls->setProxy(m_proxy);
        connect(tls, &QSslSocket::encrypted, this, &SocketReply::writeRequest);
        connect(tls, QOverload<const QList<QSslError> &>::of(&QSslSocket::sslErrors), this,
                &SocketReply::onSslErrors);
        attach(tls);
        tls->connectToHostEncrypted(url.host(), port);
        return;
    }
    auto *plain = new QTcpSocket(this);
    connect(plain, &QAbstractSocket::connected, this, &SocketReply::writeRequest);
    attach(plain);
    if (m_throughHttpProxy) {
        plain->setProxy(QNetworkProxy::NoProxy);
        plain->connectToHost(m_proxy.hostName(), m_proxy.port());
    } else {
        plain->setProxy(m_proxy);
        plain->connectToHost(url.host(), port);
    }
}

void SocketReply::attach(QAbstractSocket *socket)
{
    m_socket = socket;
    socket->setParent(this);
    socket->setReadBufferSize(ReadWindowBytes);
    connect(socket, &QIODevice::readyRead, this, &SocketReply::takeReply);
    connect(socket, &QIODevice::bytesWritten, this, &SocketReply::sendMore);
    connect(socket, &QAbstractSocket::errorOccurred, this, &SocketReply::onSocketError);
    connect(socket, &QAbstractSocket::disconnected, this, &SocketReply::onClosed);
}

void SocketReply::writeRequest()
{
    if (!m_socket)
        return;
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    const QUrl url = request().url();
    QByteArray target =
        m_throughHttpProxy
            ? url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment)
            : url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    if (!m_throughHttpProxy && !target.startsWith('/'))
        target.prepend('/');
    QByteArray head = exchangeMethod(*this).toLatin1() + ' ' + target + " HTTP/1.1\r\nHost: " +
                      url.adjusted(QUrl::RemoveUserInfo).authority(QUrl::FullyEncoded).toLatin1() +
                      "\r\n";
    // A reply is held to its limits as it arrives, which only an uncompressed
    // one allows: this transport inflates nothing.
    head += "Accept-Encoding: identity\r\n";
    const QList<QByteArray> names = request().rawHeaderList();
    for (const QByteArray &name : names) {
        if (!isFramingHeader(name))
            head += singleLine(name) + ": " + singleLine(request().rawHeader(name)) + "\r\n";
    }
    if (m_throughHttpProxy && !m_proxy.user().isEmpty())
        head += "Proxy-Authorization: Basic " +
                (m_proxy.user() + QLatin1Char(':') + m_proxy.password()).toUtf8().toBase64() +
                "\r\n";
    const QNetworkAccessManager::Operation op = operation();
    if (m_bodySize > 0 || op == QNetworkAccessManager::PostOperation ||
        op == QNetworkAccessManager::PutOperation)
        head += "Content-Length: " + QByteArray::number(m_bodySize) + "\r\n";
    head += "\r\n";

    m_headSize = head.size();
    m_queued = head.size();
    m_sending = Sending::Body;
    m_uploadAnnounced = -1;
    m_socket->write(head);
    sendMore();
}

// Hands the body to the socket a window ahead of what it has sent, and tells
// how much of it has gone.
void SocketReply::sendMore()
{
    if (!m_socket || isFinished())
        return;
    if (m_inactivity.isActive())
        m_inactivity.start();
    while (m_sending != Sending::Done && m_socket->bytesToWrite() < kWriteWindow) {
        QByteArray piece;
        if (m_sending == Sending::Body) {
            piece = m_body;
            m_sending = Sending::File;
        } else if (m_sending == Sending::File) {
            if (!m_file || m_file->atEnd()) {
                m_sending = Sending::Tail;
                continue;
            }
            piece = m_file->read(kWriteWindow);
            if (piece.isEmpty()) {
                fail(UnknownNetworkError, QStringLiteral("cannot read %1: %2")
                                              .arg(m_file->fileName(), m_file->errorString()));
                return;
            }
        } else {
            piece = m_tail;
            m_sending = Sending::Done;
        }
        if (!piece.isEmpty()) {
            m_socket->write(piece);
            m_queued += piece.size();
        }
    }
    if (m_bodySize <= 0)
        return;
    const qint64 sent =
        qBound<qint64>(0, m_queued - m_socket->bytesToWrite() - m_headSize, m_bodySize);
    if (sent != m_uploadAnnounced) {
        m_uploadAnnounced = sent;
        emit uploadProgress(sent, m_bodySize);
    }
}

// The head as Qt's replies give it, checked against the limits before any of
// the body is taken. False when the reply is refused.
bool SocketReply::takeHead()
{
    if (m_headTaken)
        return !refused();
    m_headTaken = true;
    setReplyHead(m_reader.status(), m_reader.reason(), m_reader.headers(), false);
    if (isEncrypted(url()))
        setAttribute(QNetworkRequest::ConnectionEncryptedAttribute, true);
    if (m_reader.isDone())
        return true;
    const QByteArray coding = rawHeader("Content-Encoding").trimmed().toLower();
    if (!coding.isEmpty() && coding != "identity") {
        refuse(QStringLiteral("the reply is compressed (%1) though it was asked for uncompressed")
                   .arg(QString::fromLatin1(coding)));
        return false;
    }
    const qint64 length = m_reader.contentLength();
    return length < 0 || reserveBody(length);
}

void SocketReply::takeReply()
{
    const QPointer<SocketReply> self(this);
    while (m_socket && !isFinished()) {
        const QByteArray data = m_socket->read(kReadPiece);
        if (data.isEmpty())
            return;
        m_replyStarted = true;
        if (m_inactivity.isActive())
            m_inactivity.start();
        const qint64 used = m_reader.read(data.constData(), data.size());
        if (m_reader.headComplete() && !m_reader.hasFailed() && !takeHead()) {
            fail(ProtocolFailure, QString());
            return;
        }
        if (m_reader.hasFailed()) {
            fail(ProtocolFailure, QStringLiteral("Data corrupted: %1").arg(m_reader.failure()));
            return;
        }
        if (m_reader.headComplete() && !m_metaDataSent) {
            m_metaDataSent = true;
            emit metaDataChanged();
            if (!self || isFinished())
                return;
        }
        if (!announceBody())
            return;
        if (m_reader.isDone()) {
            finishExchange(used < data.size() || (m_socket && m_socket->bytesAvailable() > 0));
            return;
        }
    }
}

void SocketReply::finishExchange(bool leftOver)
{
    m_inactivity.stop();
    // A server may answer before it has read the whole request; the rest of
    // it would then begin the next exchange on this connection.
    const bool requestSent =
        m_sending == Sending::Done && m_socket && m_socket->bytesToWrite() == 0;
    release(requestSent && m_reader.keepAlive() && !leftOver &&
            m_socket->state() == QAbstractSocket::ConnectedState);
    completeWithStatus();
}

void SocketReply::onSocketError(QAbstractSocket::SocketError error)
{
    if (!m_socket || isFinished())
        return;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onClosed();
        return;
    }
    if (retryFresh())
        return;
    const SocketFailure failure =
        failureOfSocket(*m_socket, error, m_throughHttpProxy, url().host());
    fail(failure.code, failure.text);
}

void SocketReply::onClosed()
{
    const QPointer<SocketReply> self(this);
    takeReply();
    if (!self || !m_socket || isFinished())
        return;
    m_reader.readEnd();
    if (m_reader.isDone()) {
        finishExchange(false);
        return;
    }
    if (retryFresh())
        return;
    fail(RemoteHostClosedError, QStringLiteral("Connection closed"));
}

void SocketReply::onSslErrors(const QList<QSslError> &errors)
{
    // Nothing is ignored: the handshake fails after this, with its own error.
    emit sslErrors(errors);
}

bool SocketReply::retryFresh()
{
    if (!m_reused || m_replyStarted)
        return false;
    if (m_file && !m_file->seek(0))
        return false;
    m_reused = false;
    release(false);
    m_reader = makeReader();
    m_headTaken = false;
    connectFresh();
    return true;
}

void SocketReply::fail(NetworkError code, const QString &text)
{
    m_inactivity.stop();
    release(false);
    complete(code, text);
}

void SocketReply::release(bool keep)
{
    QAbstractSocket *socket = std::exchange(m_socket, nullptr);
    if (!socket)
        return;
    socket->disconnect(this);
    if (keep && m_transport) {
        m_transport->keepIdle(m_connectionKey, socket);
        return;
    }
    socket->abort();
    socket->deleteLater();
}

void SocketReply::abort()
{
    if (isFinished())
        return;
    release(false);
    m_inactivity.stop();
    closeDevice();
    complete(OperationCanceledError, QStringLiteral("Operation canceled"));
}
