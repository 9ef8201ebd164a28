#ifndef VHPD_ENTITIES_EXTENDPROPERTYCODEC_H
#define VHPD_ENTITIES_EXTENDPROPERTYCODEC_H

#include "VHEntityTypes.h"

#include <QJsonArray>
#include <QJsonObject>

// Conversions between the model service's extended-property documents and
// their record. Missing members give empty texts and lists.

VHEntityPropertyExtend parseEntityPropertyExtend(const QJsonObject &object);
// The whole document; the element uuid and project id are sent as texts even
// when empty.
QJsonObject entityPropertyExtendToJson(const VHEntityPropertyExtend &extend);
// The property list as it travels in extended-property bodies, in order.
QJsonArray propertiesToJson(const QList<VHProperty> &properties);

#endif // VHPD_ENTITIES_EXTENDPROPERTYCODEC_H
