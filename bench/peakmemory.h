#ifndef VHPD_PEAKMEMORY_H
#define VHPD_PEAKMEMORY_H

#include <QtGlobal>

// How far the process's resident memory rises during a stretch of work:
// startPeakWatch() before it, peakGrowthMiB() after.

// Hands the allocator's free memory back to the system, so that the next
// stretch of work starts from the same state whatever ran before it.
void trimHeap();

// Resident memory now (KiB), after handing freed memory back to the system,
// with the peak mark reset to it.
qint64 startPeakWatch();

// How far the peak rose above `startKiB`, in MiB.
double peakGrowthMiB(qint64 startKiB);

#endif // VHPD_PEAKMEMORY_H
