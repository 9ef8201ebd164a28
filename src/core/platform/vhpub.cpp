#include "VHPublicFun.h"

#include <QJsonValue>

namespace VHPub {

namespace {

// Compares two runs of decimal digits by value without converting them, so
// that runs of any length compare correctly: leading zeros are skipped, then a
// longer run is larger, then the first differing digit decides.
int compareDigitRuns(const QChar *a, int aLen, const QChar *b, int bLen)
{
    while (aLen > 1 && *a == QLatin1Char('0')) {
        ++a;
        --aLen;
    }
    while (bLen > 1 && *b == QLatin1Char('0')) {
        ++b;
        --bLen;
    }
    if (aLen != bLen)
        return aLen < bLen ? -1 : 1;
    for (int i = 0; i < aLen; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

int runLength(const QChar *p, const QChar *end)
{
    const QChar *start = p;
    while (p < end && p->isDigit())
        ++p;
    return int(p - start);
}

} // namespace

bool naturalSort(const QString &a, const QString &b, Qt::CaseSensitivity cs)
{
    const QChar *pa = a.constData();
    const QChar *pb = b.constData();
    const QChar *endA = pa + a.size();
    const QChar *endB = pb + b.size();
    while (pa < endA && pb < endB) {
        if (pa->isDigit() && pb->isDigit()) {
            const int lenA = runLength(pa, endA);
            const int lenB = runLength(pb, endB);
            const int order = compareDigitRuns(pa, lenA, pb, lenB);
            if (order != 0)
                return order < 0;
            pa += lenA;
            pb += lenB;
            continue;
        }
        QChar ca = *pa;
        QChar cb = *pb;
        if (cs == Qt::CaseInsensitive) {
            ca = ca.toCaseFolded();
            cb = cb.toCaseFolded();
        }
        if (ca != cb)
            return ca < cb;
        ++pa;
        ++pb;
    }
    // One is a prefix of the other: the shorter comes first. Names that differ
    // only in case or leading zeros fall back to a plain comparison so that the
    // order stays strict.
    if ((pa == endA) != (pb == endB))
        return pa == endA;
    return a < b;
}

QDateTime getDateTimeByQString(const QString &text)
{
    if (text.isEmpty())
        return QDateTime();
    QDateTime dateTime = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dateTime.isValid())
        return QDateTime();
    return dateTime.toUTC();
}

QString getQStringByDateTime(const QDateTime &dateTime)
{
    if (!dateTime.isValid())
        return QString();
    return dateTime.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

QStringList getStrListFromVarList(const QVariantList &list)
{
    QStringList strings;
    strings.reserve(list.size());
    for (const QVariant &value : list)
        strings.append(value.toString());
    return strings;
}

void removeCommonJsonValue(const QJsonObject &old, QJsonObject &changed)
{
    for (auto it = changed.begin(); it != changed.end();) {
        const auto previous = old.constFind(it.key());
        if (previous != old.constEnd() && previous.value() == it.value())
            it = changed.erase(it);
        else
            ++it;
    }
}

} // namespace VHPub
