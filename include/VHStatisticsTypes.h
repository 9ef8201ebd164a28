#ifndef VHSTATISTICSTYPES_H
#define VHSTATISTICSTYPES_H

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// Records of work-sheet statistics.
// (Placeholders until their codecs land; each becomes a full record.)

struct VHStatisticsQuantity
{
};

#endif // VHSTATISTICSTYPES_H
