#ifndef VHPD_PERIODSERVICE_H
#define VHPD_PERIODSERVICE_H

#include "VHProjectTypes.h"

#include <QList>
#include <QString>

// Requests of the period service.
namespace PeriodService {

// Appends the periods attached to `entityCode`; returns transport success.
bool getPeriodByEntityCode(const QString &entityCode, QList<VHPeriod> &periods);

} // namespace PeriodService

#endif // VHPD_PERIODSERVICE_H
