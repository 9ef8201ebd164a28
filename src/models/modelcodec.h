#ifndef VHPD_MODELS_MODELCODEC_H
#define VHPD_MODELS_MODELCODEC_H

#include "VHModelTypes.h"

#include <QJsonObject>
#include <QString>

// Conversions between the model service's JSON and the model records. Missing
// or mistyped members give the record's defaults; nothing here fails.

// Assigns every field that the server describes; keeps `mapModelTag`, which
// the facade derives from `tags`.
void parseModel(const QJsonObject &object, VHModel &model);
void parseModelSet(const QJsonObject &object, VHModelSet &set);
// Fills `body` (passed empty) with what creates `set` in the current project;
// the server assigns the id, creation time and creator.
void modelSetToJson(const VHModelSet &set, QJsonObject &body);
// The "where=" text that lists the model sets matching `condition`.
QString modelSetConditionToWhere(const VHModelSetCondition &condition);
VHModelTag parseModelTag(const QJsonObject &object);
// The type's `tags` stay empty; the facade groups the tags under their types.
VHModelTagType parseModelTagType(const QJsonObject &object);

#endif // VHPD_MODELS_MODELCODEC_H
