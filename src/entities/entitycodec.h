#ifndef VHPD_ENTITIES_ENTITYCODEC_H
#define VHPD_ENTITIES_ENTITYCODEC_H

#include "VHEntityTypes.h"

#include <QJsonObject>

// Conversions between the model service's JSON and the entity and property
// records. Missing or mistyped members give the record's defaults; nothing
// here fails.

// Assigns every field that the server describes; keeps the caller's
// `clientFlag` and `clientText` and the `domainText` of a read by id.
void parseEntity(const QJsonObject &object, VHEntity &entity);
// The body that creates `entity` in the current project: only its project,
// element uuid and model, each null when empty.
QJsonObject entityToJson(const VHEntity &entity);
// Replaces the tree's floors with the reply's; keeps the caller's `wholeModel`.
void parseEntityTree(const QJsonObject &object, VHEntityTree &tree);
// Replaces the record's properties with the reply's, whose category travels as
// "group".
void parseEntityPropertyVersion(const QJsonObject &object, VHEntityPropertyVersion &version);
VHProperty parseProperty(const QJsonObject &object);
QJsonObject propertyToJson(const VHProperty &property);

#endif // VHPD_ENTITIES_ENTITYCODEC_H
