#ifndef VHPD_RATIOSUMMARY_H
#define VHPD_RATIOSUMMARY_H

#include <benchmark/benchmark.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Keeps every repetition's time and counters, so that the medians can be
// divided after the run whatever the repetition count of each case.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    struct Figures
    {
        std::vector<double> ms;
        std::map<std::string, std::vector<double>> counters;
    };

    void ReportRuns(const std::vector<Run> &runs) override;

    // The median time (ms) of case `name`, or 0 when it did not run.
    double ms(const std::string &name) const;
    // The median of counter `key` of case `name`, or 0.
    double counter(const std::string &name, const std::string &key) const;

    std::map<std::string, Figures> results;
    int errors = 0; // runs that reported an error
};

// The peak memory growth (MiB) of one large-page read by `side` ("raw_qt",
// "lib_qt" or "lib_curl").
using PeakProbe = std::function<double(const std::string &side)>;

// Prints each library case's median beside its baseline's, the ratio and
// whether its target holds, the peak memory lines, the connection count, and
// how many targets each transport backend holds. `defaultBackend` is "qt" or
// "curl".
void printSummary(const RatioReporter &r, const PeakProbe &peakOf,
                  const std::string &defaultBackend);

#endif // VHPD_RATIOSUMMARY_H
