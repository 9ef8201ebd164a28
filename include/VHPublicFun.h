#ifndef VHPUBLICFUN_H
#define VHPUBLICFUN_H

#include "VHPrimaryDataExport.h"

#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

/// General helpers shared by the whole client: natural ordering of display
/// names, the server's date-time text, and small JSON utilities.
namespace VHPub {

/// True when `a` orders before `b`, comparing runs of digits by their value
/// ("Level 2" before "level 10") and other characters with `cs`.
VHPRIMARYDATA_EXPORT bool naturalSort(const QString &a, const QString &b,
                                      Qt::CaseSensitivity cs = Qt::CaseInsensitive);

/// The server writes date-times as ISO 8601 in UTC with milliseconds,
/// "2026-01-02T03:04:05.678Z". Empty or unreadable text gives a null QDateTime.
VHPRIMARYDATA_EXPORT QDateTime getDateTimeByQString(const QString &text);
/// The server's text for `dateTime`; an invalid date-time gives an empty text.
VHPRIMARYDATA_EXPORT QString getQStringByDateTime(const QDateTime &dateTime);

/// The string form of every element, in order.
VHPRIMARYDATA_EXPORT QStringList getStrListFromVarList(const QVariantList &list);

/// Removes from `changed` every member whose value equals the member of the same
/// key in `old`, leaving only what differs.
VHPRIMARYDATA_EXPORT void removeCommonJsonValue(const QJsonObject &old, QJsonObject &changed);

} // namespace VHPub

#endif // VHPUBLICFUN_H
