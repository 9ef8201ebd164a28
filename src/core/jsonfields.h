#ifndef VHPD_CORE_JSONFIELDS_H
#define VHPD_CORE_JSONFIELDS_H

#include "VHPublicFun.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

// Members of the service's records, read the one way every codec reads them:
// a missing or mistyped member gives the default.
namespace JsonField {

inline QString text(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toString();
}

inline int integer(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toInt(0);
}

inline QJsonObject object(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toObject();
}

// Const, so that a range-for over the result reads it without detaching a copy.
inline const QJsonArray array(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toArray();
}

// The elements of the array under `key`, each read as an object: an element
// of another type yields an empty object.
inline const QList<QJsonObject> objects(const QJsonObject &object, const char *key)
{
    const QJsonArray elements = array(object, key);
    QList<QJsonObject> result;
    result.reserve(elements.size());
    for (const QJsonValue &element : elements)
        result.append(element.toObject());
    return result;
}

inline bool boolean(const QJsonObject &object, const char *key, bool fallback)
{
    return object.value(QLatin1String(key)).toBool(fallback);
}

// What VHPub::getDateTimeByQString gives for `text`. The server's own form,
// "yyyy-MM-ddTHH:mm:ss.zzzZ", is read directly, which is several times faster
// on pages of thousands of records; every other text goes the general way.
QDateTime serverDateTime(const QString &text);

// A date-time travels as the server's text.
inline QDateTime dateTime(const QJsonObject &object, const char *key)
{
    return serverDateTime(text(object, key));
}

inline QStringList stringList(const QJsonObject &object, const char *key)
{
    return VHPub::getStrListFromVarList(array(object, key).toVariantList());
}

} // namespace JsonField

#endif // VHPD_CORE_JSONFIELDS_H
