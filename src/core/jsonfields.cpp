#include "jsonfields.h"

namespace JsonField {

namespace {

// The value of the `count` ASCII digits at `at`, or -1 when one is not a digit.
int digits(const QChar *at, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const ushort c = at[i].unicode();
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

QDateTime serverDateTime(const QString &text)
{
    // Positions of the separators in "yyyy-MM-ddTHH:mm:ss.zzzZ".
    static constexpr struct
    {
        int at;
        char c;
    } separators[] = {{4, '-'}, {7, '-'}, {10, 'T'}, {13, ':'}, {16, ':'}, {19, '.'}, {23, 'Z'}};
    if (text.size() != 24)
        return VHPub::getDateTimeByQString(text);
    const QChar *p = text.constData();
    for (const auto &separator : separators) {
        if (p[separator.at] != QLatin1Char(separator.c))
            return VHPub::getDateTimeByQString(text);
    }
    const int year = digits(p, 4), month = digits(p + 5, 2), day = digits(p + 8, 2);
    const int hour = digits(p + 11, 2), minute = digits(p + 14, 2), second = digits(p + 17, 2);
    const int msec = digits(p + 20, 3);
    // Anything out of the ordinary (a non-digit, the hour 24, a day the
    // calendar lacks) is left to the general reader, which knows its rules.
    if (year < 1 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || second < 0 ||
        msec < 0 || !QDate::isValid(year, month, day) ||
        !QTime::isValid(hour, minute, second, msec))
        return VHPub::getDateTimeByQString(text);
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second, msec), Qt::UTC);
}

} // namespace JsonField
