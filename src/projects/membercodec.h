#ifndef VHPD_MEMBERCODEC_H
#define VHPD_MEMBERCODEC_H

#include "VHProjectTypes.h"
#include "VHUser.h"

#include <QJsonObject>

// Fills a member from one element of a project's member list: the user id,
// the member's structure and visibility, and the name, nickname and avatar of
// the nested user when the element carries one.
void parseProjectMember(const QJsonObject &object, VHUser &member);
// Overwrites every field of `request`; of its user only the id, name,
// nickname, avatar and phone number.
void parseMemRequest(const QJsonObject &object, VHMemRequest &request);

#endif // VHPD_MEMBERCODEC_H
