#include "core/platform/transportreply.h"

#include "core/platform/exchangefailure.h"
#include "core/platform/replylimits.h"

#include <QIODevice>
#include <QPointer>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <limits>

const QNetworkRequest::Attribute kMaxBodyBytesAttribute =
    QNetworkRequest::Attribute(QNetworkRequest::User + 1);
const QNetworkRequest::Attribute kMaxRecordsAttribute =
    QNetworkRequest::Attribute(QNetworkRequest::User + 2);

namespace {

// One QByteArray holds at most this much.
constexpr qint64 kLargestBody = std::numeric_limits<int>::max() - 64;

// The error Qt gives a reply whose server answered with this HTTP status.
QNetworkReply::NetworkError errorOfStatus(int status)
{
    switch (status) {
    case 400:
    case 418:
        return QNetworkReply::ProtocolInvalidOperationError;
    case 401:
        return QNetworkReply::AuthenticationRequiredError;
    case 403:
        return QNetworkReply::ContentAccessDenied;
    case 404:
        return QNetworkReply::ContentNotFoundError;
    case 405:
        return QNetworkReply::ContentOperationNotPermittedError;
    case 407:
        return QNetworkReply::ProxyAuthenticationRequiredError;
    case 409:
        return QNetworkReply::ContentConflictError;
    case 410:
        return QNetworkReply::ContentGoneError;
    case 500:
        return QNetworkReply::InternalServerError;
    case 501:
        return QNetworkReply::OperationNotImplementedError;
    case 503:
        return QNetworkReply::ServiceUnavailableError;
    default:
        if (status > 500)
            return QNetworkReply::UnknownServerError;
        if (status >= 400)
            return QNetworkReply::UnknownContentError;
        return QNetworkReply::NoError;
    }
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

QByteArray singleLine(QByteArray text)
{
    return text.replace('\r', ' ').replace('\n', ' ');
}

TransportReply::TransportReply(const QNetworkRequest &request,
                               QNetworkAccessManager::Operation operation, QObject *parent)
    : QNetworkReply(parent)
{
    setRequest(request);
    setUrl(request.url());
    setOperation(operation);
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    const QVariant maxBytes = request.attribute(kMaxBodyBytesAttribute);
    m_maxBodyBytes =
        maxBytes.isValid() ? qBound<qint64>(0, maxBytes.toLongLong(), kLargestBody) : kLargestBody;
    const QVariant maxRecords = request.attribute(kMaxRecordsAttribute);
    m_maxRecords = maxRecords.isValid() ? maxRecords.toInt() : std::numeric_limits<int>::max();
}

void TransportReply::refuse(const QString &cause)
{
    if (m_refusal.isEmpty())
        m_refusal = cause;
}

bool TransportReply::reserveBody(qint64 size)
{
    if (refused())
        return false;
    if (size > m_maxBodyBytes) {
        refuse(sizeLimitBreach(m_maxBodyBytes));
        return false;
    }
    if (size > 0)
        m_data.reserve(int(qMin(size, MaxBodyReserve)));
    return true;
}

bool TransportReply::appendBody(const char *data, qint64 size)
{
    if (refused())
        return false;
    if (m_received + size > m_maxBodyBytes) {
        refuse(sizeLimitBreach(m_maxBodyBytes));
        m_data = QByteArray();
        m_readPos = 0;
        return false;
    }
    m_data.append(data, int(size));
    m_received += size;
    return true;
}

bool TransportReply::appendBody(QIODevice &source)
{
    const qint64 size = source.bytesAvailable();
    if (size <= 0)
        return !refused();
    if (refused() || m_received + size > m_maxBodyBytes) {
        refuse(sizeLimitBreach(m_maxBodyBytes));
        m_data = QByteArray();
        m_readPos = 0;
        return false;
    }
    const int at = m_data.size();
    m_data.resize(at + int(size));
    const qint64 read = qMax<qint64>(source.read(m_data.data() + at, size), 0);
    m_data.resize(at + int(read));
    m_received += read;
    return true;
}

bool TransportReply::announceBody()
{
    if (!bodyPending())
        return !isFinished();
    const QPointer<TransportReply> self(this);
    m_announced = m_received;
    emit readyRead();
    if (!self || isFinished())
        return false;
    const QVariant total = header(QNetworkRequest::ContentLengthHeader);
    emit downloadProgress(m_received, total.isValid() ? total.toLongLong() : -1);
    return self && !isFinished();
}

// Both the current signal and the one that older clients connect to.
bool TransportReply::reportError(NetworkError code, const QString &text)
{
    const QPointer<TransportReply> self(this);
    setError(code, text);
    emit errorOccurred(code);
    if (!self)
        return false;
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    emit error(code);
    QT_WARNING_POP
    return self && !isFinished();
}

void TransportReply::complete(NetworkError code, const QString &text)
{
    if (isFinished())
        return;
    // The body is whole now: its records are counted before a reader parses it.
    if (!refused() && isOpen() && m_data.size() > m_readPos)
        refuse(recordLimitBreach(
            measureJson(m_data.constData() + m_readPos, m_data.size() - m_readPos), m_maxRecords));
    NetworkError ending = code;
    QString words = text;
    if (refused()) {
        m_data = QByteArray();
        m_readPos = 0;
        setProperty(kRefusedProperty, true);
        ending = UnknownContentError;
        words = m_refusal;
    }
    if (ending != NoError && !reportError(ending, words))
        return;
    const QPointer<TransportReply> self(this);
    setFinished(true);
    emit readChannelFinished();
    if (self)
        emit finished();
}

void TransportReply::completeWithStatus()
{
    const int status = attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const NetworkError code = errorOfStatus(status);
    QString text;
    if (code != NoError)
        text = QStringLiteral("Error transferring %1 - server replied: %2")
                   .arg(url().toString(),
                        attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    complete(code, text);
}

void TransportReply::setReplyHead(int status, const QByteArray &reason,
                                  const QList<QPair<QByteArray, QByteArray>> &headers,
                                  bool dropLength)
{
    setAttribute(QNetworkRequest::HttpStatusCodeAttribute, status);
    setAttribute(QNetworkRequest::HttpReasonPhraseAttribute, QString::fromLatin1(reason));
    // Repeated headers are joined before any is set: each setRawHeader()
    // parses its value again, which for hundreds of Set-Cookie lines would
    // cost time in the square of their number.
    QList<QPair<QByteArray, QByteArray>> joined;
    for (const auto &header : headers) {
        if (dropLength && header.first.compare("content-length", Qt::CaseInsensitive) == 0)
            continue;
        const auto same = std::find_if(joined.begin(), joined.end(), [&header](const auto &h) {
            return h.first.compare(header.first, Qt::CaseInsensitive) == 0;
        });
        if (same == joined.end())
            joined.append(header);
        else if (header.first.compare("location", Qt::CaseInsensitive) == 0)
            same->second = header.second;
        else
            same->second += (header.first.compare("set-cookie", Qt::CaseInsensitive) == 0
                                 ? QByteArrayLiteral("\n")
                                 : QByteArrayLiteral(", ")) +
                            header.second;
    }
    for (const auto &header : qAsConst(joined))
        setRawHeader(header.first, header.second);
    if (isRedirect(status)) {
        const QByteArray location = rawHeader("Location");
        QUrl target(QString::fromUtf8(location));
        if (!target.isValid())
            target = QUrl(QString::fromLatin1(location));
        setAttribute(QNetworkRequest::RedirectionTargetAttribute, target);
    }
}

void TransportReply::close()
{
    if (isFinished())
        QNetworkReply::close();
    else
        abort();
}

qint64 TransportReply::bytesAvailable() const
{
    return QNetworkReply::bytesAvailable() + m_data.size() - m_readPos;
}

qint64 TransportReply::readData(char *data, qint64 maxSize)
{
    const int count = int(qMin<qint64>(maxSize, m_data.size() - m_readPos));
    if (count <= 0)
        return isFinished() ? -1 : 0;
    std::memcpy(data, m_data.constData() + m_readPos, size_t(count));
    m_readPos += count;
    if (m_readPos == m_data.size()) {
        m_data.clear();
        m_readPos = 0;
    }
    return count;
}

RefusedReply::RefusedReply(const QNetworkRequest &request,
                           QNetworkAccessManager::Operation operation, NetworkError code,
                           const QString &text, QObject *parent)
    : TransportReply(request, operation, parent)
{
    QMetaObject::invokeMethod(
        this, [this, code, text] { complete(code, text); }, Qt::QueuedConnection);
}

void RefusedReply::abort()
{
    closeDevice();
    complete(OperationCanceledError, QStringLiteral("Operation canceled"));
}
