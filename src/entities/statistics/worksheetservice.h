#ifndef VHPD_ENTITIES_WORKSHEETSERVICE_H
#define VHPD_ENTITIES_WORKSHEETSERVICE_H

#include "VHStatisticsTypes.h"

#include <QDate>
#include <QList>
#include <QString>

// Requests of the work-sheet service for the current user's figures in the
// current project. Each runs one synchronous exchange and returns transport
// success. Counters and lists are added to, never reset: the caller starts
// them at 0 or empty.
namespace WorksheetService {

// Adds the number of contact sheets that are not finished.
bool getContactSheetStatistics(int &unfinished);
// `count` becomes the number of inspections with a status from "1" to "4";
// the date of each one's deadline is appended to `deadlines`.
bool getInspectCount(const QString &category, int &count, QList<QDate> &deadlines);
// Adds the inspection items that are not finished to `total`, and those of
// them that are delayed also to `delayed`.
bool getInspectStatistics(const QString &category, int &total, int &delayed);
// Appends the inspection quantities of each bucket of `period`.
bool getInspectQuantities(QList<VHStatisticsQuantity> &quantities, const QString &category,
                          const QString &period);

} // namespace WorksheetService

#endif // VHPD_ENTITIES_WORKSHEETSERVICE_H
