#ifndef VHPD_CLI_RECORDS_H
#define VHPD_CLI_RECORDS_H

#include <AsyncCheckUpdate.h>
#include <VHPrimaryData.h>

#include <QJsonArray>
#include <QJsonObject>

// The library's records as the JSON the program prints, built from each
// record's own list of fields: one member per field, named as the field,
// date-times in the server's UTC text, nested records as objects. Where the
// library's names differ for the same thing, the members take one name:
// createdAt, createdBy, updatedAt, updatedBy, and "enabled" for a flag.
// Fields that only carry the caller's own data (an entity's clientFlag and
// clientText, a template's modifiedFields) are left out.

template<typename Record> QJsonObject toJson(const Record &record);

namespace RecordJson {

// The member that holds `field`, or null for a field left out.
const char *memberName(const char *field);

QJsonValue value(const QDateTime &dateTime);
QJsonValue value(const QStringList &texts);
QJsonValue value(const QMap<QString, QString> &map);

template<typename T> QJsonValue value(const T &field);

template<typename T> QJsonValue value(const QList<T> &list)
{
    QJsonArray array;
    for (const T &element : list)
        array.append(value(element));
    return array;
}

template<typename T> QJsonValue value(const T &field)
{
    if constexpr (VHRecord::isRecord<T>)
        return toJson(field);
    else if constexpr (std::is_enum_v<T>)
        return int(field);
    else
        return field;
}

} // namespace RecordJson

template<typename Record> QJsonObject toJson(const Record &record)
{
    QJsonObject object;
    Record::visitFields([&](const char *field, auto member) {
        if (const char *name = RecordJson::memberName(field))
            object.insert(QLatin1String(name), RecordJson::value(record.*member));
    });
    return object;
}

template<typename Record> QJsonArray toJsonArray(const QList<Record> &records)
{
    return RecordJson::value(records).toArray();
}

#endif // VHPD_CLI_RECORDS_H
