#include "peakmemory.h"

#include <malloc.h>

#include <fstream>
#include <string>

namespace {

qint64 statusKiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stoll(line.substr(prefix.size()));
    }
    return 0;
}

} // namespace

void trimHeap()
{
    malloc_trim(0);
}

qint64 startPeakWatch()
{
    trimHeap();
    std::ofstream("/proc/self/clear_refs") << "5";
    return statusKiB("VmRSS");
}

double peakGrowthMiB(qint64 startKiB)
{
    return double(statusKiB("VmHWM") - startKiB) / 1024.0;
}
