#include "entitycodec.h"

#include "core/jsonfields.h"
#include "core/requestframe.h"

#include "VHPublicFun.h"

#include <QJsonArray>

using JsonField::integer;
using JsonField::objects;
using JsonField::text;

namespace {

VHEntityTreeDomain parseTreeDomain(const QJsonObject &object)
{
    VHEntityTreeDomain domain;
    domain.domain = integer(object, "domain");
    for (const QJsonObject &category : objects(object, "categories"))
        domain.categories.append(integer(category, "category"));
    return domain;
}

VHEntityTreeFloor parseTreeFloor(const QJsonObject &object)
{
    VHEntityTreeFloor floor;
    floor.floor = text(object, "floor");
    for (const QJsonObject &domain : objects(object, "domains"))
        floor.domains.append(parseTreeDomain(domain));
    return floor;
}

} // namespace

void parseEntity(const QJsonObject &object, VHEntity &entity)
{
    entity.id = text(object, "_id");
    entity.uuid = text(object, "uuid");
    entity.modelId = text(object, "modelId");
    entity.model = text(object, "model");
    entity.qrCode = text(object, "qrCode");
    entity.printed = JsonField::boolean(object, "printed", false);
    entity.name = text(object, "name");
    entity.entityId = text(object, "entityId");
    entity.floor = text(object, "floor");
    entity.category = integer(object, "category");
    entity.domain = integer(object, "domain");
    entity.printedAt = JsonField::dateTime(object, "printedAt");
    entity.printedBy = text(object, "printedBy");
}

QJsonObject entityToJson(const VHEntity &entity)
{
    using RequestFrame::jsonStringOrNull;
    return QJsonObject{
        {QStringLiteral("projectId"), jsonStringOrNull(RequestFrame::currentProjectId())},
        {QStringLiteral("uuid"), jsonStringOrNull(entity.uuid)},
        {QStringLiteral("modelId"), jsonStringOrNull(entity.modelId)}};
}

void parseEntityTree(const QJsonObject &object, VHEntityTree &tree)
{
    tree.modelId = text(object, "modelId");
    tree.group = JsonField::boolean(object, "group", false);
    tree.floors.clear();
    for (const QJsonObject &floor : objects(object, "floors"))
        tree.floors.append(parseTreeFloor(floor));
}

void parseEntityPropertyVersion(const QJsonObject &object, VHEntityPropertyVersion &version)
{
    version.name = text(object, "name");
    version.entityId = integer(object, "entityId");
    version.floor = text(object, "floor");
    version.category = integer(object, "category");
    version.domain = integer(object, "domain");
    version.properties.clear();
    for (const QJsonObject &element : objects(object, "properties")) {
        VHProperty property;
        property.category = text(element, "group");
        property.key = text(element, "key");
        property.value = text(element, "value");
        version.properties.append(property);
    }
}

VHProperty parseProperty(const QJsonObject &object)
{
    VHProperty property;
    property.category = text(object, "category");
    property.key = text(object, "key");
    property.value = text(object, "value");
    return property;
}

QJsonObject propertyToJson(const VHProperty &property)
{
    return QJsonObject{{QStringLiteral("category"), property.category},
                       {QStringLiteral("key"), property.key},
                       {QStringLiteral("value"), property.value}};
}
