#ifndef VHPD_USERCODEC_H
#define VHPD_USERCODEC_H

#include "VHUser.h"

#include <QJsonObject>

// Fills every field of `user` but structureId, which member records carry
// separately.
void parseUser(const QJsonObject &object, VHUser &user);

#endif // VHPD_USERCODEC_H
