#ifndef VHPD_SANDBOX_API_H
#define VHPD_SANDBOX_API_H

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// A file part of a multipart form, kept in a temporary file while the request
// is handled.
struct FormFile
{
    QString fileName; // as the client named it
    QString path;     // where its content waits
    qint64 size = 0;
};

// One request as the routes see it, independent of the HTTP library.
struct ApiRequest
{
    QString method;                       // "GET", "POST", "PUT", "DELETE"
    QString service;                      // "account-service", ..., "updates", or "" for "touch"
    QString path;                         // the path inside the service, without the query
    QMap<QString, QString> query;         // decoded query values
    QMap<QByteArray, QByteArray> headers; // names in lower case
    QByteArray body;
    QMap<QString, QByteArray> form;    // multipart text parts by name
    QMap<QString, FormFile> formFiles; // multipart file parts by name
    QString userId;                    // the user of the session, once authenticated
    QMap<QString, QString> params;     // path parameters bound by the route

    QString param(const QString &name) const { return params.value(name); }
    // Whether a query parameter is the text "true".
    bool flag(const QString &name) const;
    // The body as a JSON object or array; false when it is not one.
    bool bodyObject(QJsonObject &object) const;
    bool bodyArray(QJsonArray &array) const;
};

// What the routes answer.
struct ApiReply
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json; charset=utf-8";
    QList<QPair<QByteArray, QByteArray>> headers;
    // A line for the request log only, never sent: what a real service
    // would have done outside the reply (a text message it sent).
    QString logNote;

    static ApiReply json(const QJsonObject &object, int status = 200);
    static ApiReply json(const QJsonArray &array, int status = 200);
    static ApiReply json(const QList<QJsonObject> &objects, int status = 200);
    // The service's error body: {"code": code, "message": message}.
    static ApiReply error(int status, int code, const QString &message);
    static ApiReply badRequest(const QString &message);
    static ApiReply notFound(const QString &what);
};

using RouteHandler = std::function<ApiReply(const ApiRequest &)>;

// Routes by method, service and path pattern; a pattern segment that starts
// with ":" binds that segment of the path to a parameter of that name.
class RouteTable
{
public:
    void add(const QString &method, const QString &service, const QString &pattern,
             const RouteHandler &handler);
    // Answers with the matching route, or 404 (no such path) or 405 (path
    // known, method not).
    ApiReply dispatch(ApiRequest request) const;

private:
    struct Route
    {
        QString method;
        QString service;
        QStringList segments;
        RouteHandler handler;
    };
    static bool bind(const Route &route, const QStringList &segments,
                     QMap<QString, QString> &params);
    QList<Route> m_routes;
};

#endif // VHPD_SANDBOX_API_H
