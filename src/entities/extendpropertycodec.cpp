#include "extendpropertycodec.h"

#include "core/jsonfields.h"
#include "entities/entitycodec.h"

VHEntityPropertyExtend parseEntityPropertyExtend(const QJsonObject &object)
{
    VHEntityPropertyExtend extend;
    extend.uuid = JsonField::text(object, "uuid");
    extend.projectId = JsonField::text(object, "projectId");
    for (const QJsonValue &element : JsonField::array(object, "properties"))
        extend.properties.append(parseProperty(element.toObject()));
    return extend;
}

QJsonObject entityPropertyExtendToJson(const VHEntityPropertyExtend &extend)
{
    return QJsonObject{{QStringLiteral("uuid"), extend.uuid},
                       {QStringLiteral("projectId"), extend.projectId},
                       {QStringLiteral("properties"), propertiesToJson(extend.properties)}};
}

QJsonArray propertiesToJson(const QList<VHProperty> &properties)
{
    QJsonArray array;
    for (const VHProperty &property : properties)
        array.append(propertyToJson(property));
    return array;
}
