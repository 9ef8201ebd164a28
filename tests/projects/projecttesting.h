#ifndef VHPD_PROJECTTESTING_H
#define VHPD_PROJECTTESTING_H

#include "testserver.h"

#include "VHPrimaryData.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <QUrl>

inline VHPrimaryData *facade()
{
    return VHPrimaryData::instance();
}

inline QJsonObject objectFrom(const QByteArray &text)
{
    return QJsonDocument::fromJson(text).object();
}

// The ids of `records`, in order.
template<typename Record> QStringList idsOf(const QList<Record> &records)
{
    QStringList ids;
    for (const Record &record : records)
        ids << record.id;
    return ids;
}

// "METHOD /path?query" with the query decoded, so that a comparison shows the
// whole request as the library composed it.
inline QString requestLine(const RecordedRequest &request)
{
    QString line = request.method + QLatin1Char(' ') + request.path;
    if (!request.rawQuery.isEmpty())
        line += QLatin1Char('?') + QUrl::fromPercentEncoding(request.rawQuery.toUtf8());
    return line;
}

#endif // VHPD_PROJECTTESTING_H
