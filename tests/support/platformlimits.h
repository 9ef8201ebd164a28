#ifndef VHPD_PLATFORMLIMITS_H
#define VHPD_PLATFORMLIMITS_H

#include <QtTest>

// True when the Windows build runs under Wine rather than on Windows itself.
bool runningUnderWine();

// Skips the current test under Wine, whose Schannel does not judge
// certificates as Windows does (it refuses a trusted private authority for
// Qt and lets libcurl accept an unknown one): a result there would say
// nothing about a client on Windows.
#define SKIP_TLS_UNDER_WINE()                                                                      \
    do {                                                                                           \
        if (runningUnderWine())                                                                    \
            QSKIP("TLS under Wine is not a faithful check of Windows' certificate "                \
                  "verification; it needs a real Windows machine");                                \
    } while (false)

#endif // VHPD_PLATFORMLIMITS_H
