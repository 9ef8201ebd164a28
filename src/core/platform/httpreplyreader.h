#ifndef VHPD_HTTPREPLYREADER_H
#define VHPD_HTTPREPLYREADER_H

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <functional>

// Reads one HTTP/1.x reply as its bytes arrive, in pieces of any size: the
// status line, the headers, then the body as the reply frames it (a length,
// chunks, or everything until the connection closes). Interim 1xx replies are
// passed over. The body is handed to a sink piece by piece and never kept
// here, and the head may not grow beyond MaxHeadBytes, so that what one reply
// costs is decided by the sink.
class HttpReplyReader
{
public:
    enum class State { Head, Body, Done, Failed };

    // Takes each decoded piece of the body; false stops the reading (the
    // reader fails, with the sink's own reason kept by the caller).
    using BodySink = std::function<bool(const char *data, qint64 size)>;

    // The most a reply's head (status line, headers, chunk trailers) may take.
    static constexpr int MaxHeadBytes = 1 << 20;

    explicit HttpReplyReader(BodySink sink);

    // A reply to HEAD carries no body, whatever its headers announce.
    void setHeadRequest(bool head) { m_headRequest = head; }

    // Takes the next bytes of the connection. Returns how many belong to this
    // reply; the rest (after Done, or when it failed) is not its.
    qint64 read(const char *data, qint64 size);
    // The connection has closed: a body that runs to the close ends here;
    // anything else that was under way fails.
    void readEnd();

    State state() const { return m_state; }
    bool headComplete() const { return m_state == State::Body || m_state == State::Done; }
    bool isDone() const { return m_state == State::Done; }
    bool hasFailed() const { return m_state == State::Failed; }
    // Why the reply could not be read; empty unless it failed.
    QString failure() const { return m_failure; }
    // Whether the connection may carry another exchange after this reply.
    bool keepAlive() const { return m_keepAlive; }

    int status() const { return m_status; }
    QByteArray reason() const { return m_reason; }
    // The headers in the order they came, names as written.
    const QList<QPair<QByteArray, QByteArray>> &headers() const { return m_headers; }
    // The body's announced length; -1 when it is chunked or runs to the close.
    qint64 contentLength() const { return m_framing == Framing::Length ? m_contentLength : -1; }

private:
    enum class Framing { None, Length, Chunked, UntilClose };
    enum class ChunkPart { Size, Data, DataEnd, Trailer };

    // The next line of the head or of the chunk framing, once it is whole;
    // false while it is not.
    bool takeLine(const char *data, qint64 size, qint64 &at, QByteArray &line);
    void takeHeadLine(const QByteArray &line);
    void beginBody();
    qint64 readBody(const char *data, qint64 size);
    bool deliver(const char *data, qint64 size);
    void fail(const QString &why);
    QByteArray headerValue(const char *name) const;

    BodySink m_sink;
    bool m_headRequest = false;
    State m_state = State::Head;
    QString m_failure;
    QByteArray m_partial;
    qint64 m_headBytes = 0;
    bool m_statusSeen = false;

    int m_status = 0;
    QByteArray m_reason;
    bool m_http11 = true;
    QList<QPair<QByteArray, QByteArray>> m_headers;
    bool m_keepAlive = false;

    Framing m_framing = Framing::None;
    qint64 m_contentLength = 0;
    qint64 m_remaining = 0;
    ChunkPart m_chunkPart = ChunkPart::Size;
};

#endif // VHPD_HTTPREPLYREADER_H
