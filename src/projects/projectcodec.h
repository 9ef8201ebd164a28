#ifndef VHPD_PROJECTCODEC_H
#define VHPD_PROJECTCODEC_H

#include "VHProjectTypes.h"

#include <QJsonObject>
#include <QString>

// Overwrites every field of `project` from a project object of the account
// service; missing members give empty or zero fields.
void parseProject(const QJsonObject &object, VHProject &project);
// The body that creates a project: its name, description and location.
QJsonObject projectToJson(const VHProject &project);
// The "where=" text of the project search: the condition as compact JSON,
// followed by "&expandPayment=true".
QString projectConditionToWhere(const VHProjectCondition &condition);

#endif // VHPD_PROJECTCODEC_H
