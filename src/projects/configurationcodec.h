#ifndef VHPD_CONFIGURATIONCODEC_H
#define VHPD_CONFIGURATIONCODEC_H

#include "VHProjectTypes.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QList>

void parseEncodePair(const QJsonObject &object, VHEncodePair &pair);
void parseEncodeRule(const QJsonObject &object, VHEncodeRule &rule);
// The module's nickname names it when it has one, else its name. Flags that
// are missing or not booleans keep their defaults.
void parseModule(const QJsonObject &object, VHModule &module);
void parseModuleGroup(const QJsonObject &object, VHModuleGroup &group);
// Appends one period per element of `array`, its "properties" collected by
// key (the later of two equal keys wins). Numeric values are written as
// QString::number writes them with six significant digits.
void parsePeriods(const QJsonArray &array, QList<VHPeriod> &periods);

#endif // VHPD_CONFIGURATIONCODEC_H
