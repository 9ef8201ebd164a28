#include "records.h"

#include <VHPublicFun.h>

const char *RecordJson::memberName(const char *field)
{
    static const struct
    {
        const char *field;
        const char *member;
    } exceptions[] = {{"createAt", "createdAt"}, {"createBy", "createdBy"},
                      {"updateAt", "updatedAt"}, {"updateBy", "updatedBy"},
                      {"enable", "enabled"},     {"clientFlag", nullptr},
                      {"clientText", nullptr},   {"modifiedFields", nullptr}};
    for (const auto &exception : exceptions) {
        if (qstrcmp(field, exception.field) == 0)
            return exception.member;
    }
    return field;
}

QJsonValue RecordJson::value(const QDateTime &dateTime)
{
    return VHPub::getQStringByDateTime(dateTime);
}

QJsonValue RecordJson::value(const QStringList &texts)
{
    return QJsonArray::fromStringList(texts);
}

QJsonValue RecordJson::value(const QMap<QString, QString> &map)
{
    QJsonObject object;
    for (auto it = map.constBegin(); it != map.constEnd(); ++it)
        object.insert(it.key(), it.value());
    return object;
}
