#include "organisationcodec.h"

using JsonField::text;

void parseCircle(const QJsonObject &object, VHCircle &circle)
{
    circle.id = text(object, "_id");
    circle.name = text(object, "name");
    circle.sortName = text(object, "sortName");
    circle.enterpriseId = text(object, "enterpriseId");
    circle.parentId = text(object, "parentId");
}

void parseEnterprise(const QJsonObject &object, VHEnterprise &enterprise)
{
    enterprise.id = text(object, "_id");
    enterprise.name = text(object, "name");
    enterprise.sortName = text(object, "sortName");
}

void parseStructure(const QJsonObject &object, VHStructure &structure)
{
    structure.id = text(object, "_id");
    structure.name = text(object, "name");
    structure.hostId = text(object, "hostId");
    structure.parentId = text(object, "parentId");
    structure.authTemplateId = text(object, "authTemplateId");
    structure.type = JsonField::integer(object, "type");
    structure.level = JsonField::integer(object, "level");
}
