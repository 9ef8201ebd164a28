#include "api.h"

#include <QJsonDocument>

bool ApiRequest::flag(const QString &name) const
{
    return query.value(name) == QLatin1String("true");
}

bool ApiRequest::bodyObject(QJsonObject &object) const
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    object = document.object();
    return document.isObject();
}

bool ApiRequest::bodyArray(QJsonArray &array) const
{
    const QJsonDocument document = QJsonDocument::fromJson(body);
    array = document.array();
    return document.isArray();
}

ApiReply ApiReply::json(const QJsonObject &object, int status)
{
    ApiReply reply;
    reply.status = status;
    reply.body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    return reply;
}

ApiReply ApiReply::json(const QJsonArray &array, int status)
{
    ApiReply reply;
    reply.status = status;
    reply.body = QJsonDocument(array).toJson(QJsonDocument::Compact);
    return reply;
}

ApiReply ApiReply::json(const QList<QJsonObject> &objects, int status)
{
    QJsonArray array;
    for (const QJsonObject &object : objects)
        array.append(object);
    return json(array, status);
}

ApiReply ApiReply::error(int status, int code, const QString &message)
{
    return json(QJsonObject{{QStringLiteral("code"), code}, {QStringLiteral("message"), message}},
                status);
}

ApiReply ApiReply::badRequest(const QString &message)
{
    return error(400, 40000, message);
}

ApiReply ApiReply::notFound(const QString &what)
{
    return error(404, 40400, QStringLiteral("%1 not found").arg(what));
}

void RouteTable::add(const QString &method, const QString &service, const QString &pattern,
                     const RouteHandler &handler)
{
    m_routes.append({method, service, pattern.split(QLatin1Char('/')), handler});
}

bool RouteTable::bind(const Route &route, const QStringList &segments,
                      QMap<QString, QString> &params)
{
    if (route.segments.size() != segments.size())
        return false;
    params.clear();
    // A parameter never binds an empty segment: "projects//members" names no project.
    for (int i = 0; i < segments.size(); ++i) {
        const QString &expected = route.segments.at(i);
        if (expected.startsWith(QLatin1Char(':')) && !segments.at(i).isEmpty())
            params.insert(expected.mid(1), segments.at(i));
        else if (expected != segments.at(i))
            return false;
    }
    return true;
}

ApiReply RouteTable::dispatch(ApiRequest request) const
{
    const QStringList segments = request.path.split(QLatin1Char('/'));
    bool pathKnown = false;
    for (const Route &route : m_routes) {
        QMap<QString, QString> params;
        if (route.service != request.service || !bind(route, segments, params))
            continue;
        pathKnown = true;
        if (route.method != request.method)
            continue;
        request.params = params;
        return route.handler(request);
    }
    if (pathKnown)
        return ApiReply::error(405, 40500,
                               QStringLiteral("%1 is not allowed here").arg(request.method));
    return ApiReply::error(
        404, 40400,
        QStringLiteral("no endpoint %1 %2/%3").arg(request.method, request.service, request.path));
}
