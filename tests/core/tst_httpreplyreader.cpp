#include "core/platform/httpreplyreader.h"

#include <QtTest>

namespace {

const char *stateName(HttpReplyReader::State state)
{
    switch (state) {
    case HttpReplyReader::State::Head:
        return "head";
    case HttpReplyReader::State::Body:
        return "body";
    case HttpReplyReader::State::Done:
        return "done";
    case HttpReplyReader::State::Failed:
        return "failed";
    }
    return "?";
}

struct Outcome
{
    QString state;
    int status = 0;
    QByteArray body;
    bool keepAlive = false;
    QByteArray leftOver;
    QString failure;
};

// Feeds `wire` in pieces of `piece` bytes, as a connection would deliver it,
// and closes the connection afterwards when `close` says so.
Outcome readWire(const QByteArray &wire, int piece, bool close, qint64 sinkLimit = -1)
{
    Outcome outcome;
    HttpReplyReader reader([&outcome, sinkLimit](const char *data, qint64 size) {
        if (sinkLimit >= 0 && outcome.body.size() + size > sinkLimit)
            return false;
        outcome.body.append(data, int(size));
        return true;
    });
    for (int at = 0; at < wire.size(); at += piece) {
        const QByteArray chunk = wire.mid(at, piece);
        if (reader.isDone() || reader.hasFailed()) {
            outcome.leftOver += chunk;
            continue;
        }
        const qint64 used = reader.read(chunk.constData(), chunk.size());
        outcome.leftOver += chunk.mid(int(used));
    }
    if (close)
        reader.readEnd();
    outcome.state = QString::fromLatin1(stateName(reader.state()));
    outcome.status = reader.status();
    outcome.keepAlive = reader.keepAlive();
    outcome.failure = reader.failure();
    return outcome;
}

} // namespace

// The transport's reader of HTTP/1.x replies, fed whole, a byte at a time and
// in two halves: each way must read the same reply.
class TestHttpReplyReader : public QObject
{
    Q_OBJECT

private slots:
    void readsReplies_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<bool>("close");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("keepAlive");
        QTest::addColumn<QByteArray>("leftOver");
        // For failures: words the reason must hold.
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("piece");

        struct Row
        {
            const char *name;
            QByteArray wire;
            bool close;
            const char *state;
            int status;
            QByteArray body;
            bool keepAlive;
            QByteArray leftOver;
            const char *failure;
        };
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
        const Row rows[] = {
            {"length", ok + "Content-Length: 5\r\n\r\nhello", false, "done", 200, "hello", true, "",
             ""},
            {"bytes after the length are not the reply's", ok + "Content-Length: 2\r\n\r\nhello",
             false, "done", 200, "he", true, "llo", ""},
            {"same length twice", ok + "Content-Length: 3\r\nContent-Length: 3\r\n\r\nabc", false,
             "done", 200, "abc", true, "", ""},
            {"chunks with extension and trailer",
             chunked + "5;x=y\r\nhello\r\n6\r\n world\r\n0\r\nX-Sum: 1\r\n\r\n", false, "done", 200,
             "hello world", true, "", ""},
            {"chunk sizes in either case",
             chunked + "A\r\n0123456789\r\nb;x\r\nabcdefghijk\r\n0\r\n\r\n", false, "done", 200,
             "0123456789abcdefghijk", true, "", ""},
            {"chunks beside a length",
             ok + "Content-Length: 99\r\nTransfer-Encoding: chunked\r\n\r\n"
                  "3\r\nabc\r\n0\r\n\r\n",
             false, "done", 200, "abc", false, "", ""},
            {"no length runs to the close", ok + "\r\nabc", true, "done", 200, "abc", false, "",
             ""},
            {"no length, still open", ok + "\r\nabc", false, "body", 200, "abc", false, "", ""},
            {"HTTP/1.0 keeps alive only when asked",
             "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nx", false,
             "done", 200, "x", true, "", ""},
            {"HTTP/1.0", "HTTP/1.0 200 OK\r\nContent-Length: 1\r\n\r\nx", false, "done", 200, "x",
             false, "", ""},
            {"Connection: close", ok + "Connection: Close\r\nContent-Length: 1\r\n\r\nx", false,
             "done", 200, "x", false, "", ""},
            {"100 Continue comes first",
             "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nhi",
             false, "done", 201, "hi", true, "", ""},
            {"204 has no body", "HTTP/1.1 204 No Content\r\nContent-Length: 3\r\n\r\nabc", false,
             "done", 204, "", true, "abc", ""},
            {"lines ending in LF alone", "HTTP/1.1 404 Not Found\nContent-Length: 2\n\nno", false,
             "done", 404, "no", true, "", ""},
            {"folded header", ok + "X-A: one\r\n two\r\nContent-Length: 0\r\n\r\n", false, "done",
             200, "", true, "", ""},
            {"not HTTP", "hello there\r\n\r\n", false, "failed", 0, "", false, "", "not HTTP"},
            {"three-digit status only", "HTTP/1.1 2000 OK\r\n\r\n", false, "failed", 0, "", false,
             "", "not HTTP"},
            {"conflicting lengths", ok + "Content-Length: 5\r\nContent-Length: 6\r\n\r\nhello",
             false, "failed", 200, "", false, "", "no valid length"},
            {"signed length", ok + "Content-Length: +5\r\n\r\nhello", false, "failed", 200, "",
             false, "", "no valid length"},
            {"chunk size not hex", chunked + "5x\r\nhello\r\n0\r\n\r\n", false, "failed", 200, "",
             false, "", "chunk framing"},
            {"chunk size beyond any body", chunked + "fffffffffffffffff\r\n", false, "failed", 200,
             "", false, "", "chunk framing"},
            {"chunk without its line end", chunked + "3\r\nabcdef\r\n", false, "failed", 200, "abc",
             false, "", "chunk framing"},
            {"chunks cut off", chunked + "5\r\nhel", true, "failed", 200, "hel", false, "",
             "closed before"},
            {"head cut off", ok + "Content-Le", true, "failed", 200, "", false, "",
             "closed before"},
        };
        for (const Row &row : rows) {
            for (const int piece : {0, 1, 2}) {
                const int size = piece == 0   ? row.wire.size()
                                 : piece == 1 ? 1
                                              : (row.wire.size() + 1) / 2;
                const char *how = piece == 0 ? "whole" : piece == 1 ? "bytewise" : "halves";
                QTest::addRow("%s, %s", row.name, how)
                    << row.wire << row.close << QString::fromLatin1(row.state) << row.status
                    << row.body << row.keepAlive << row.leftOver << QString::fromLatin1(row.failure)
                    << size;
            }
        }
    }
    void readsReplies()
    {
        QFETCH(QByteArray, wire);
        QFETCH(bool, close);
        QFETCH(QString, state);
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, keepAlive);
        QFETCH(QByteArray, leftOver);
        QFETCH(QString, failure);
        QFETCH(int, piece);

        const Outcome outcome = readWire(wire, piece, close);
        QCOMPARE(outcome.state, state);
        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.body, body);
        if (state != QLatin1String("failed")) {
            QCOMPARE(outcome.keepAlive, keepAlive);
            QCOMPARE(outcome.leftOver, leftOver);
            QVERIFY(outcome.failure.isEmpty());
        } else {
            QVERIFY(!outcome.keepAlive);
            QVERIFY2(outcome.failure.contains(failure), qPrintable(outcome.failure));
        }
    }

    // Whatever a server sends, the head is held to its bound and the body is
    // passed on as it comes, so that the sink alone decides what a reply costs.
    void boundsWhatItHolds_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<qint64>("sinkLimit");
        QTest::addColumn<QString>("failure");
        const QByteArray ok = "HTTP/1.1 200 OK\r\n";
        const QByteArray huge(HttpReplyReader::MaxHeadBytes, 'a');
        QTest::newRow("one endless header line")
            << ok + "X-A: " + huge << qint64(-1) << "larger than 1024 KiB";
        QTest::newRow("endless headers")
            << ok + QByteArray("X-A: 0123456789abcdef\r\n").repeated(50000) << qint64(-1)
            << "larger than 1024 KiB";
        QTest::newRow("endless trailers")
            << ok + "Transfer-Encoding: chunked\r\n\r\n0\r\n" +
                   QByteArray("X-A: 0123456789abcdef\r\n").repeated(50000)
            << qint64(-1) << "larger than 1024 KiB";
        QTest::newRow("endless chunk size line")
            << ok + "Transfer-Encoding: chunked\r\n\r\n5;" + QByteArray(8192, 'x') << qint64(-1)
            << "chunk framing";
        QTest::newRow("body the sink refuses")
            << ok + "Content-Length: 100\r\n\r\n" + QByteArray(100, 'b') << qint64(10) << "refused";
    }
    void boundsWhatItHolds()
    {
        QFETCH(QByteArray, wire);
        QFETCH(qint64, sinkLimit);
        QFETCH(QString, failure);
        const Outcome outcome = readWire(wire, 4096, false, sinkLimit);
        QCOMPARE(outcome.state, QStringLiteral("failed"));
        QVERIFY2(outcome.failure.contains(failure), qPrintable(outcome.failure));
    }
};

QTEST_GUILESS_MAIN(TestHttpReplyReader)
#include "tst_httpreplyreader.moc"
