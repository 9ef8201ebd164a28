#include "core/platform/replylimits.h"

namespace {

// What a byte means to the count outside strings.
enum ByteClass : unsigned char { Plain, Quote, Opening, Separator };

struct ByteClasses
{
    unsigned char of[256] = {};
    constexpr ByteClasses()
    {
        of[int('"')] = Quote;
        of[int('{')] = Opening;
        of[int('[')] = Opening;
        of[int(',')] = Separator;
        of[int(':')] = Separator;
    }
};

constexpr ByteClasses kClasses;

// Whole megabytes when the size is a round number of them, bytes otherwise.
QString sizeText(qint64 bytes)
{
    const qint64 mebibyte = qint64(1) << 20;
    if (bytes % mebibyte == 0)
        return QStringLiteral("%1 MiB").arg(bytes / mebibyte);
    return QStringLiteral("%1 bytes").arg(bytes);
}

} // namespace

JsonShape measureJson(const char *text, qint64 size)
{
    JsonShape shape;
    if (size <= 0)
        return shape;
    const auto *byte = reinterpret_cast<const unsigned char *>(text);
    const unsigned char *const end = byte + size;
    // The document itself is a value.
    qint64 values = 1;
    qint64 containers = 0;
    while (byte < end) {
        switch (kClasses.of[*byte++]) {
        case Plain:
            break;
        case Opening:
            ++containers;
            ++values;
            break;
        case Separator:
            ++values;
            break;
        case Quote:
            // A string ends at the next quote that no backslash escapes.
            while (byte < end) {
                const unsigned char c = *byte++;
                if (c == '"')
                    break;
                if (c == '\\' && byte < end)
                    ++byte;
            }
            break;
        }
    }
    shape.containers = containers;
    shape.values = values;
    return shape;
}

QString recordLimitBreach(const JsonShape &shape, int maxRecords)
{
    if (shape.containers > maxRecords)
        return QStringLiteral("the reply holds more than the %1 records (JSON objects and arrays) "
                              "the transport accepts")
            .arg(maxRecords);
    const qint64 maxValues = kValuesPerRecord * maxRecords;
    if (shape.values > maxValues)
        return QStringLiteral("the reply holds more than the %1 values the transport accepts")
            .arg(maxValues);
    return QString();
}

QString sizeLimitBreach(qint64 maxBytes)
{
    return QStringLiteral("the reply is larger than the %1 the transport accepts")
        .arg(sizeText(maxBytes));
}
