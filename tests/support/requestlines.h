#ifndef VHPD_REQUESTLINES_H
#define VHPD_REQUESTLINES_H

#include "testserver.h"

#include <QStringList>
#include <QUrl>

// One request as one line of text: method, path (below the API root when it
// is under it), the query with its percent-encoding undone, and the body as
// compact JSON, e.g.
// GET model-service/projects/p1/entities?queryParam={"uuid":{"$in":["g1"]}}
// POST account-service/member_invitations {"hostId":"p1","type":0}
inline QString requestLine(const RecordedRequest &request)
{
    const QString root = apiPath(QString());
    QString line = request.method + QLatin1Char(' ') +
                   (request.path.startsWith(root) ? request.path.mid(root.size()) : request.path);
    if (!request.rawQuery.isEmpty())
        line += QLatin1Char('?') + QUrl::fromPercentEncoding(request.rawQuery.toUtf8());
    if (!request.body.isEmpty())
        line += QLatin1Char(' ') + request.compactBody();
    return line;
}

// The lines of every request `server` has seen, in order, so that one
// comparison shows a whole sequence as the library sent it.
inline QStringList requestLines(const TestServer &server)
{
    QStringList lines;
    for (const RecordedRequest &request : server.requests())
        lines.append(requestLine(request));
    return lines;
}

#endif // VHPD_REQUESTLINES_H
