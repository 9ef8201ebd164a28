#ifndef VHPD_REQUESTCHECK_H
#define VHPD_REQUESTCHECK_H

#include "testserver.h"

#include <QUrl>

// "METHOD /path?query" with the query decoded, so that a comparison shows the
// whole request as the library composed it.
inline QString requestLine(const RecordedRequest &request)
{
    QString line = request.method + QLatin1Char(' ') + request.path;
    if (!request.rawQuery.isEmpty())
        line += QLatin1Char('?') + QUrl::fromPercentEncoding(request.rawQuery.toUtf8());
    return line;
}

#endif // VHPD_REQUESTCHECK_H
