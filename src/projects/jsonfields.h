#ifndef VHPD_JSONFIELDS_H
#define VHPD_JSONFIELDS_H

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// Members of the account service's records, read the way every record of
// this subsystem reads them: a missing or mistyped member gives the default.
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

inline QJsonArray array(const QJsonObject &object, const char *key)
{
    return object.value(QLatin1String(key)).toArray();
}

} // namespace JsonField

#endif // VHPD_JSONFIELDS_H
