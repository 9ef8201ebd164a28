#ifndef VHPD_REQUESTFRAME_H
#define VHPD_REQUESTFRAME_H

#include "VHNetwork.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <initializer_list>

// What every request function shares: where a service lives, how a URL is
// composed, how one synchronous exchange runs and how its reply is read.
namespace RequestFrame {

// The backend's services; each has its own path below the API root.
enum class Service { Account, Model, Base, Worksheet, Period };

// `text` with the UTF-8 literal appended.
QString appendLiteral(const QString &text, const char *literal);
// A JSON string holding `text`, or JSON null when `text` is empty.
QJsonValue jsonStringOrNull(const QString &text);
// Seeds the transport's server address from the settings cache when it has none.
void ensureServerAddress();

QString currentProjectId();
QString currentUserId();

// Compact JSON text, as query documents and "where=" values travel.
QString compactJson(const QJsonObject &object);
QString compactJson(const QJsonArray &array);

// Fills %1, %2, ... of `pattern` in one pass, so that text already inserted
// (an encoded "%2C", say) is never taken for a placeholder.
QString fillPlaceholders(const QString &pattern, std::initializer_list<QString> values);

inline QString placeholderText(const QString &value)
{
    return value;
}
inline QString placeholderText(int value)
{
    return QString::number(value);
}
inline QString placeholderText(qint64 value)
{
    return QString::number(value);
}

// The API root followed by the service's prefix.
QString serviceRoot(Service service);

// The API root, the service's prefix and `pathTemplate` with its placeholders
// filled from `values` (strings as they are, integers in decimal).
template<typename... Values>
QString url(Service service, const char *pathTemplate, const Values &...values)
{
    QString text = appendLiteral(serviceRoot(service), pathTemplate);
    if constexpr (sizeof...(values) == 0)
        return text;
    else
        return fillPlaceholders(text, {placeholderText(values)...});
}

// One synchronous exchange: constructed from a request that has just been
// sent, it returns once the reply is complete. Read the reply through one of
// its views; conversion happens before success is judged, so a failed reply
// still converts whatever it carried.
class Exchange
{
public:
    static Exchange get(const QString &url)
    {
        return Exchange(NetworkManager::instance().get(url));
    }
    static Exchange post(const QString &url, const QJsonObject &body)
    {
        return Exchange(NetworkManager::instance().postJson(url, body));
    }
    static Exchange post(const QString &url, const QJsonArray &body)
    {
        return Exchange(NetworkManager::instance().postJson(url, body));
    }
    static Exchange put(const QString &url, const QJsonObject &body)
    {
        return Exchange(NetworkManager::instance().putJson(url, body));
    }
    static Exchange remove(const QString &url)
    {
        return Exchange(NetworkManager::instance().deleteResource(url));
    }

    explicit Exchange(QNetworkReply *reply);
    Exchange(const Exchange &) = delete;
    Exchange &operator=(const Exchange &) = delete;

    bool isSuccessful() const { return m_loop.isSuccessful(); }
    QNetworkReply::NetworkError error() const { return m_loop.error(); }
    int httpStatus() const { return m_loop.httpStatus(); }
    QString redirectTarget() const { return m_loop.redirectTarget(); }
    QJsonObject object() const { return m_loop.object(); }
    // Const, so that a range-for over the result does not detach a copy.
    const QList<QJsonObject> objectList() const { return m_loop.objectList(); }
    QJsonArray array() const { return m_loop.array(); }

    // Parses the reply object into `record`; returns transport success.
    template<typename Record, typename Parser> bool readObject(Record &record, Parser parse) const
    {
        parse(object(), record);
        return isSuccessful();
    }

    // Appends one record per object of the reply, in reply order; returns
    // transport success.
    template<typename Record, typename Parser>
    bool appendList(QList<Record> &records, Parser parse) const
    {
        const QList<QJsonObject> objects = objectList();
        records.reserve(records.size() + objects.size());
        for (const QJsonObject &object : objects) {
            Record record;
            parse(object, record);
            records.append(record);
        }
        return isSuccessful();
    }

private:
    NetworkEventLoop m_loop;
};

} // namespace RequestFrame

#endif // VHPD_REQUESTFRAME_H
