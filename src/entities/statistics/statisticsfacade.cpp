#include "VHPrimaryData.h"

#include "core/platform/exchangefailure.h"
#include "core/vhprimarydata_p.h"
#include "entities/statistics/worksheetservice.h"

// Work-sheet figures are read afresh at every call.

bool VHPrimaryData::getContactSheetStatistics(int &unfinished)
{
    const FailureScope scope(d->m_lastError);
    return WorksheetService::getContactSheetStatistics(unfinished);
}

bool VHPrimaryData::getInspectCount(const QString &category, int &count, QList<QDate> &deadlines)
{
    const FailureScope scope(d->m_lastError);
    return WorksheetService::getInspectCount(category, count, deadlines);
}

bool VHPrimaryData::getInspectStatistics(const QString &category, int &total, int &delayed)
{
    const FailureScope scope(d->m_lastError);
    return WorksheetService::getInspectStatistics(category, total, delayed);
}

bool VHPrimaryData::getInspectQuantities(QList<VHStatisticsQuantity> &quantities,
                                         const QString &category, const QString &period)
{
    const FailureScope scope(d->m_lastError);
    return WorksheetService::getInspectQuantities(quantities, category, period);
}
