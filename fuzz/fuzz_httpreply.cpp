// The transport's reader of HTTP replies, whatever a server sends: it never
// hands on more body than it was given, holds no more than its bound of head,
// and reads the same reply however the connection splits the bytes.
#include "fuzzsupport.h"

#include "core/platform/httpreplyreader.h"

namespace {

struct Reading
{
    HttpReplyReader::State state;
    int status;
    QByteArray body;
    bool keepAlive;
    qint64 used;
};

// Reads `wire` split after `split` bytes, then closes the connection.
Reading readSplit(const QByteArray &wire, int split)
{
    Reading reading{};
    HttpReplyReader reader([&reading](const char *data, qint64 size) {
        Fuzz::require(size > 0);
        reading.body.append(data, int(size));
        return true;
    });
    for (const QByteArray &piece : {wire.left(split), wire.mid(split)}) {
        if (reader.isDone() || reader.hasFailed())
            break;
        const qint64 used = reader.read(piece.constData(), piece.size());
        Fuzz::require(used >= 0 && used <= piece.size());
        reading.used += used;
    }
    reader.readEnd();
    reading.state = reader.state();
    reading.status = reader.status();
    reading.keepAlive = reader.keepAlive();
    Fuzz::require(reader.hasFailed() != reader.failure().isEmpty());
    Fuzz::require(!reader.hasFailed() || !reader.keepAlive());
    return reading;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int split = data[0];
    const QByteArray wire =
        QByteArray::fromRawData(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const Reading whole = readSplit(wire, wire.size());
    const Reading parts = readSplit(wire, qMin(split, wire.size()));
    Fuzz::require(whole.body.size() <= wire.size());
    Fuzz::require(whole.used <= wire.size());
    Fuzz::require(whole.state == parts.state);
    Fuzz::require(whole.status == parts.status);
    Fuzz::require(whole.keepAlive == parts.keepAlive);
    // A failure may come at a different byte; what was read before it agrees.
    if (whole.state != HttpReplyReader::State::Failed) {
        Fuzz::require(whole.body == parts.body);
        Fuzz::require(whole.used == parts.used);
    }
    return 0;
}
