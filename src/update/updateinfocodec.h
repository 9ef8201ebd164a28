#ifndef VHPD_UPDATEINFOCODEC_H
#define VHPD_UPDATEINFOCODEC_H

#include "AsyncCheckUpdate.h"

#include <QJsonObject>

// Fills every field of `info` from one entry of the update server's answer.
void parseUpdateInfo(const QJsonObject &object, UpdateInfo &info);

#endif // VHPD_UPDATEINFOCODEC_H
