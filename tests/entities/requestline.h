#ifndef VHPD_TESTS_REQUESTLINE_H
#define VHPD_TESTS_REQUESTLINE_H

#include "testserver.h"

#include <QStringList>
#include <QUrl>

// One request as one line of text: method, service path, the query with its
// percent-encoding undone, and the body as compact JSON, e.g.
// GET model-service/projects/p1/entities?queryParam={"uuid":...}
inline QString requestLine(const RecordedRequest &request)
{
    QString line = request.method + QLatin1Char(' ') + request.path.mid(apiPath(QString()).size());
    if (!request.rawQuery.isEmpty())
        line += QLatin1Char('?') + QUrl::fromPercentEncoding(request.rawQuery.toUtf8());
    if (!request.body.isEmpty())
        line += QLatin1Char(' ') + request.compactBody();
    return line;
}

// The lines of every request `server` has seen, in order.
inline QStringList requestLines(const TestServer &server)
{
    QStringList lines;
    for (const RecordedRequest &request : server.requests())
        lines.append(requestLine(request));
    return lines;
}

#endif // VHPD_TESTS_REQUESTLINE_H
