#ifndef VHPD_PEAKRESIDENT_H
#define VHPD_PEAKRESIDENT_H

#include <QByteArray>
#include <QFile>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

// How far the process's resident memory has risen at its peak since the last
// reset, from Linux's own account (VmHWM, which writing "5" to clear_refs
// brings down to the present size). The reset first hands the heap's free
// memory back, so that what earlier tests freed cannot hide a new peak.
class PeakResident
{
public:
    // False where the system does not let the peak be reset (Linux does).
    static bool reset()
    {
#if defined(__GLIBC__)
        malloc_trim(0);
#endif
        QFile control(QStringLiteral("/proc/self/clear_refs"));
        if (!control.open(QIODevice::WriteOnly) || control.write("5") != 1)
            return false;
        control.close();
        s_base = field("VmRSS:");
        return true;
    }
    // Bytes above the size at the last reset.
    static qint64 growth()
    {
        return field("VmHWM:") - s_base;
    }

    // Whether sizes measured here mean what they say: a sanitizer's shadow
    // memory and quarantine multiply them.
    static bool meaningful()
    {
#if defined(__SANITIZE_ADDRESS__)
        return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
        return false;
#else
        return true;
#endif
#else
        return true;
#endif
    }

private:
    static qint64 field(const char *name)
    {
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return 0;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(name))
                return line.mid(int(qstrlen(name))).trimmed().split(' ').value(0).toLongLong() *
                       1024;
        }
        return 0;
    }

    static inline qint64 s_base = 0;
};

#endif // VHPD_PEAKRESIDENT_H
