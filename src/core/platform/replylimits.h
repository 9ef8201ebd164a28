#ifndef VHPD_REPLYLIMITS_H
#define VHPD_REPLYLIMITS_H

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// How much a reply's JSON would cost to hold once parsed, counted from its
// text without parsing it. Qt's parser spends about 16 to 32 bytes on every
// member and element and well over 100 on every non-empty object or array,
// so a few megabytes of "{},{},..." or "[1,1,...]" grow twenty-fold in memory.
// The counts never fall below what the parser would build from the same
// text: every value follows an opening bracket, a comma or a colon (members
// hold their key as a value too), and strings are skipped as the parser
// skips them. Text that is not JSON at all counts too, conservatively.
struct JsonShape
{
    // Objects and arrays: the records and the lists and objects within them.
    qint64 containers = 0;
    // Members (key and value) and elements, at any depth.
    qint64 values = 0;
};

JsonShape measureJson(const char *text, qint64 size);

// Each record may hold this many values on average before the reply's
// values alone are too many for its record limit.
constexpr qint64 kValuesPerRecord = 8;

// Why a body with this many records is refused under `maxRecords`; empty
// when it is within the limit.
QString recordLimitBreach(const JsonShape &shape, int maxRecords);

// The words for a body that has outgrown `maxBytes`.
QString sizeLimitBreach(qint64 maxBytes);

#endif // VHPD_REPLYLIMITS_H
