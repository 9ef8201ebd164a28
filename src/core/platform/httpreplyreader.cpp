#include "core/platform/httpreplyreader.h"

#include <cstring>
#include <utility>

namespace {

// A chunk's size line: a few hex digits and perhaps an extension.
constexpr int kMaxChunkLine = 4096;
// Sizes beyond this are no real chunk or body, and would overflow soon after.
constexpr qint64 kLargestSize = qint64(1) << 60;

// Whether a comma-separated header value holds `token`, in any case.
bool hasToken(const QByteArray &value, const char *token)
{
    const QList<QByteArray> parts = value.split(',');
    for (const QByteArray &part : parts) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// A decimal length, digits only; -1 when it is none.
qint64 parseLength(const QByteArray &text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// A chunk's size in hex, before any ";extension"; -1 when it is none.
qint64 parseChunkSize(const QByteArray &line)
{
    const int end = line.indexOf(';');
    const QByteArray digits = (end < 0 ? line : line.left(end)).trimmed();
    if (digits.isEmpty() || digits.size() > 15)
        return -1;
    qint64 value = 0;
    for (const char c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return -1;
        value = value * 16 + digit;
    }
    return value;
}

} // namespace

HttpReplyReader::HttpReplyReader(BodySink sink)
    : m_sink(std::move(sink))
{}

void HttpReplyReader::fail(const QString &why)
{
    m_state = State::Failed;
    m_failure = why;
    m_keepAlive = false;
    m_partial.clear();
}

bool HttpReplyReader::takeLine(const char *data, qint64 size, qint64 &at, QByteArray &line)
{
    const bool inHead = m_state == State::Head || m_chunkPart == ChunkPart::Trailer;
    const qint64 limit = inHead ? MaxHeadBytes - m_headBytes : kMaxChunkLine;
    const void *found = std::memchr(data + at, '\n', size_t(size - at));
    const qint64 end = found ? static_cast<const char *>(found) - data : size;
    if (m_partial.size() + (end - at) > limit) {
        fail(inHead ? QStringLiteral("the reply's headers are larger than %1 KiB")
                          .arg(MaxHeadBytes / 1024)
                    : QStringLiteral("the reply's chunk framing is malformed"));
        return false;
    }
    m_partial.append(data + at, int(end - at));
    if (!found) {
        at = size;
        return false;
    }
    at = end + 1;
    if (inHead)
        m_headBytes += m_partial.size() + 1;
    line = std::exchange(m_partial, QByteArray());
    if (line.endsWith('\r'))
        line.chop(1);
    return true;
}

QByteArray HttpReplyReader::headerValue(const char *name) const
{
    QByteArray value;
    for (const auto &header : m_headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            value += (value.isEmpty() ? QByteArray() : QByteArrayLiteral(", ")) + header.second;
    }
    return value;
}

// One line of the head: the status line, a header, or the empty line that
// ends the head.
void HttpReplyReader::takeHeadLine(const QByteArray &line)
{
    if (!m_statusSeen) {
        // "HTTP/1.1 200 OK": the version, a three-digit status, a reason.
        if (line.size() < 12 || !line.startsWith("HTTP/1.") || line.at(8) != ' ' ||
            (line.size() > 12 && line.at(12) != ' ')) {
            fail(QStringLiteral("the server's reply is not HTTP"));
            return;
        }
        const int status = line.mid(9, 3).toInt();
        if (status < 100) {
            fail(QStringLiteral("the server's reply is not HTTP"));
            return;
        }
        m_statusSeen = true;
        m_status = status;
        m_http11 = line.at(7) != '0';
        m_reason = line.mid(13);
        m_headers.clear();
        return;
    }
    if (line.isEmpty()) {
        // A "100 Continue" and its like come before the reply itself.
        if (m_status < 200 && m_status != 101) {
            m_statusSeen = false;
            return;
        }
        beginBody();
        return;
    }
    if ((line.at(0) == ' ' || line.at(0) == '\t') && !m_headers.isEmpty()) {
        // An old-style continuation of the header before.
        m_headers.last().second += ' ' + line.trimmed();
        return;
    }
    const int colon = line.indexOf(':');
    if (colon > 0)
        m_headers.append(qMakePair(line.left(colon).trimmed(), line.mid(colon + 1).trimmed()));
}

// Decides how the body is framed once the head is whole.
void HttpReplyReader::beginBody()
{
    const QByteArray connection = headerValue("Connection");
    m_keepAlive = m_http11 ? !hasToken(connection, "close") : hasToken(connection, "keep-alive");
    if (m_headRequest || m_status < 200 || m_status == 204 || m_status == 304) {
        m_state = State::Done;
        return;
    }
    m_state = State::Body;
    const QByteArray coding = headerValue("Transfer-Encoding");
    if (!coding.isEmpty()) {
        const QList<QByteArray> codings = coding.split(',');
        if (codings.last().trimmed().compare("chunked", Qt::CaseInsensitive) == 0) {
            m_framing = Framing::Chunked;
            m_chunkPart = ChunkPart::Size;
        } else {
            m_framing = Framing::UntilClose;
            m_keepAlive = false;
        }
        // A length beside the chunks is ignored, and the connection not trusted again.
        if (!headerValue("Content-Length").isEmpty())
            m_keepAlive = false;
        return;
    }
    const QByteArray lengths = headerValue("Content-Length");
    if (lengths.isEmpty()) {
        m_framing = Framing::UntilClose;
        m_keepAlive = false;
        return;
    }
    qint64 length = -1;
    const QList<QByteArray> values = lengths.split(',');
    for (const QByteArray &value : values) {
        const qint64 parsed = parseLength(value.trimmed());
        if (parsed < 0 || (length >= 0 && parsed != length)) {
            fail(QStringLiteral("the reply announces no valid length (%1)")
                     .arg(QString::fromLatin1(lengths.left(64))));
            return;
        }
        length = parsed;
    }
    m_framing = Framing::Length;
    m_contentLength = m_remaining = length;
    if (length == 0)
        m_state = State::Done;
}

bool HttpReplyReader::deliver(const char *data, qint64 size)
{
    if (size <= 0 || m_sink(data, size))
        return true;
    fail(QStringLiteral("the reply's body was refused"));
    return false;
}

qint64 HttpReplyReader::read(const char *data, qint64 size)
{
    qint64 at = 0;
    QByteArray line;
    while (at < size && (m_state == State::Head || m_state == State::Body)) {
        if (m_state == State::Head) {
            if (!takeLine(data, size, at, line))
                continue;
            takeHeadLine(line);
            continue;
        }
        at += readBody(data + at, size - at);
    }
    return at;
}

qint64 HttpReplyReader::readBody(const char *data, qint64 size)
{
    switch (m_framing) {
    case Framing::None:
        return 0;
    case Framing::UntilClose:
        deliver(data, size);
        return size;
    case Framing::Length: {
        const qint64 piece = qMin(size, m_remaining);
        if (deliver(data, piece)) {
            m_remaining -= piece;
            if (m_remaining == 0)
                m_state = State::Done;
        }
        return piece;
    }
    case Framing::Chunked:
        break;
    }
    qint64 at = 0;
    QByteArray line;
    while (at < size && m_state == State::Body) {
        switch (m_chunkPart) {
        case ChunkPart::Size: {
            if (!takeLine(data, size, at, line))
                break;
            const qint64 chunk = parseChunkSize(line);
            if (chunk < 0 || chunk > kLargestSize) {
                fail(QStringLiteral("the reply's chunk framing is malformed"));
                break;
            }
            m_remaining = chunk;
            m_chunkPart = chunk == 0 ? ChunkPart::Trailer : ChunkPart::Data;
            break;
        }
        case ChunkPart::Data: {
            const qint64 piece = qMin(size - at, m_remaining);
            if (!deliver(data + at, piece))
                break;
            at += piece;
            m_remaining -= piece;
            if (m_remaining == 0)
                m_chunkPart = ChunkPart::DataEnd;
            break;
        }
        case ChunkPart::DataEnd:
            if (!takeLine(data, size, at, line))
                break;
            if (!line.isEmpty())
                fail(QStringLiteral("the reply's chunk framing is malformed"));
            else
                m_chunkPart = ChunkPart::Size;
            break;
        case ChunkPart::Trailer:
            // Trailing headers end with an empty line; none of them is kept.
            if (takeLine(data, size, at, line) && line.isEmpty())
                m_state = State::Done;
            break;
        }
    }
    return at;
}

void HttpReplyReader::readEnd()
{
    if (m_state == State::Body && m_framing == Framing::UntilClose) {
        m_state = State::Done;
        return;
    }
    if (m_state == State::Head || m_state == State::Body)
        fail(QStringLiteral("the connection closed before the reply was complete"));
}
