#include "VHPrimaryData.h"

#include "entities/worksheetservice.h"

// Work-sheet figures are read afresh at every call.

bool VHPrimaryData::getContactSheetStatistics(int &unfinished)
{
    return WorksheetService::getContactSheetStatistics(unfinished);
}

bool VHPrimaryData::getInspectCount(const QString &category, int &count, QList<QDate> &deadlines)
{
    return WorksheetService::getInspectCount(category, count, deadlines);
}

bool VHPrimaryData::getInspectStatistics(const QString &category, int &total, int &delayed)
{
    return WorksheetService::getInspectStatistics(category, total, delayed);
}

bool VHPrimaryData::getInspectQuantities(QList<VHStatisticsQuantity> &quantities,
                                         const QString &category, const QString &period)
{
    return WorksheetService::getInspectQuantities(quantities, category, period);
}
