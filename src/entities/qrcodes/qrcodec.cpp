#include "qrcodec.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"

#include <QJsonArray>

using JsonField::integer;
using JsonField::text;
using RequestFrame::currentProjectId;
using RequestFrame::jsonStringOrNull;

void parseQRSetting(const QJsonObject &object, VHQRSetting &setting)
{
    setting.id = text(object, "_id");
    setting.logo = text(object, "logo");
    setting.type = integer(object, "type");
}

QJsonObject qrSettingToJson(const VHQRSetting &setting)
{
    return QJsonObject{{QStringLiteral("hostId"), jsonStringOrNull(currentProjectId())},
                       {QStringLiteral("userId"), jsonStringOrNull(RequestFrame::currentUserId())},
                       {QStringLiteral("logo"), setting.logo},
                       {QStringLiteral("type"), setting.type}};
}

VHQRTemplateItem parseQRTemplateItem(const QJsonObject &object)
{
    VHQRTemplateItem item;
    item.key = text(object, "key");
    item.value = text(object, "value");
    item.property = JsonField::boolean(object, "property", false);
    return item;
}

QJsonObject qrTemplateItemToJson(const VHQRTemplateItem &item)
{
    return QJsonObject{{QStringLiteral("key"), item.key},
                       {QStringLiteral("value"), item.value},
                       {QStringLiteral("property"), item.property}};
}

void parseQRTemplate(const QJsonObject &object, VHQRTemplate &qrTemplate)
{
    qrTemplate.id = text(object, "_id");
    qrTemplate.name = text(object, "name");
    qrTemplate.type = integer(object, "type");
    qrTemplate.data.clear();
    qrTemplate.modifiedFields.clear();
    for (const QJsonValue &element : JsonField::array(object, "data"))
        qrTemplate.data.append(parseQRTemplateItem(element.toObject()));
}

QJsonObject qrTemplateToJson(const VHQRTemplate &qrTemplate)
{
    QJsonArray items;
    for (const VHQRTemplateItem &item : qrTemplate.data)
        items.append(qrTemplateItemToJson(item));

    const QList<VHQRTemplateField> &fields = qrTemplate.modifiedFields;
    if (fields.isEmpty()) {
        return QJsonObject{{QStringLiteral("projectId"), jsonStringOrNull(currentProjectId())},
                           {QStringLiteral("name"), qrTemplate.name},
                           {QStringLiteral("type"), qrTemplate.type},
                           {QStringLiteral("data"), items}};
    }
    // An update never moves the template to another project or type.
    QJsonObject changes;
    if (fields.contains(VHQRTemplateField::Name))
        changes.insert(QStringLiteral("name"), qrTemplate.name);
    if (fields.contains(VHQRTemplateField::Data))
        changes.insert(QStringLiteral("data"), items);
    return changes;
}

void parsePrintRecord(const QJsonObject &object, VHPrintRecord &record)
{
    record.id = text(object, "_id");
    record.rId = text(object, "rId");
    record.logo = text(object, "logo");
    record.type = integer(object, "type");
    record.properties = JsonField::stringList(object, "properties");
    record.createdAt = JsonField::dateTime(object, "createdAt");
    record.createdBy = text(object, "createdBy");
}

QJsonObject printRecordToJson(const VHPrintRecord &record)
{
    return QJsonObject{
        {QStringLiteral("projectId"), jsonStringOrNull(currentProjectId())},
        {QStringLiteral("rId"), jsonStringOrNull(record.rId)},
        {QStringLiteral("logo"), record.logo},
        {QStringLiteral("type"), record.type},
        {QStringLiteral("properties"), QJsonArray::fromStringList(record.properties)}};
}
