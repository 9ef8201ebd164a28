#ifndef VHPD_ORGANISATIONCODEC_H
#define VHPD_ORGANISATIONCODEC_H

#include "VHProjectTypes.h"

#include "core/jsonfields.h"

#include <QJsonObject>

// Each parser overwrites every field of its record; missing members give
// empty strings and zeros.
void parseCircle(const QJsonObject &object, VHCircle &circle);
void parseEnterprise(const QJsonObject &object, VHEnterprise &enterprise);
void parseStructure(const QJsonObject &object, VHStructure &structure);

// Domains, species and subcontracts: an id and a name.
template<typename Unit> void parseIdAndName(const QJsonObject &object, Unit &unit)
{
    unit.id = JsonField::text(object, "_id");
    unit.name = JsonField::text(object, "name");
}

#endif // VHPD_ORGANISATIONCODEC_H
