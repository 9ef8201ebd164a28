#ifndef VHSTATISTICSTYPES_H
#define VHSTATISTICSTYPES_H

#include "VHRecord.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

/// @file
/// Records of work-sheet statistics.

/// The inspection quantity of one time bucket; which of year, month, week and
/// day are set depends on the period asked for.
struct VHStatisticsQuantity
{
    QString type;
    int year = 0;
    int month = 0;
    int week = 0;
    int day = 0;
    int total = 0;

    template<typename Visit> static void visitFields(Visit &&visit)
    {
        visit("type", &VHStatisticsQuantity::type);
        visit("year", &VHStatisticsQuantity::year);
        visit("month", &VHStatisticsQuantity::month);
        visit("week", &VHStatisticsQuantity::week);
        visit("day", &VHStatisticsQuantity::day);
        visit("total", &VHStatisticsQuantity::total);
    }
};

#endif // VHSTATISTICSTYPES_H
