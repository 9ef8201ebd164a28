#ifndef VHPD_ENTITIES_STATISTICSCODEC_H
#define VHPD_ENTITIES_STATISTICSCODEC_H

#include "VHStatisticsTypes.h"

#include <QJsonObject>

// One bucket of inspection quantities; missing members give 0 and empty text.
VHStatisticsQuantity parseStatisticsQuantity(const QJsonObject &object);

#endif // VHPD_ENTITIES_STATISTICSCODEC_H
