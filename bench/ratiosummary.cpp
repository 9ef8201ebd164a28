#include "ratiosummary.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

void RatioReporter::ReportRuns(const std::vector<Run> &runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.run_type != Run::RT_Iteration)
            continue;
        if (run.error_occurred) {
            ++errors;
            continue;
        }
        Figures &figures = results[run.run_name.function_name];
        figures.ms.push_back(run.GetAdjustedRealTime());
        for (const auto &counter : run.counters)
            figures.counters[counter.first].push_back(counter.second.value);
    }
}

double RatioReporter::ms(const std::string &name) const
{
    const auto found = results.find(name);
    return found == results.end() ? 0 : median(found->second.ms);
}

double RatioReporter::counter(const std::string &name, const std::string &key) const
{
    const auto found = results.find(name);
    if (found == results.end())
        return 0;
    const auto values = found->second.counters.find(key);
    return values == found->second.counters.end() ? 0 : median(values->second);
}

namespace {

// Targets met and missed, per transport backend.
struct Tally
{
    int met = 0;
    int missed = 0;
    void add(bool held) { ++(held ? met : missed); }
};

// One line of the summary: the library's median over its baseline's. Adds
// the verdict to `tally` when both sides were run.
void ratioLine(const RatioReporter &r, const std::string &caseName, const std::string &lib,
               const std::string &base, double target, Tally &tally, bool higherIsBetter = false)
{
    const double libMs = r.ms(caseName + "/" + lib), baseMs = r.ms(caseName + "/" + base);
    if (libMs <= 0 || baseMs <= 0)
        return;
    const double ratio = higherIsBetter ? baseMs / libMs : libMs / baseMs;
    const bool met = higherIsBetter ? ratio >= target : ratio <= target;
    tally.add(met);
    std::printf("%-16s %-14s %10.1f ms  %-14s %10.1f ms  %6.3f  %s %.2f  %s\n", caseName.c_str(),
                lib.c_str(), libMs, base.c_str(), baseMs, ratio,
                higherIsBetter ? ">=" : "<=", target, met ? "met" : "MISSED");
}

void memoryLine(const std::string &caseName, const std::string &lib, double libMiB,
                const std::string &base, double limitMiB, Tally &tally)
{
    const bool met = libMiB > 0 && libMiB <= limitMiB;
    tally.add(met);
    std::printf("%-16s %-14s peak +%7.1f MiB  %-14s limit %7.1f MiB  %s\n", caseName.c_str(),
                lib.c_str(), libMiB, base.c_str(), limitMiB, met ? "met" : "MISSED");
}

} // namespace

void printSummary(const RatioReporter &r, const PeakProbe &peakOf,
                  const std::string &defaultBackend)
{
    std::map<std::string, Tally> tallies;
    std::printf("\nMedians and ratios (library / baseline; upload: throughput ratio)\n");
    for (const char *b : {"qt", "curl"}) {
        const std::string lib = std::string("lib_") + b;
        Tally &tally = tallies[b];
        ratioLine(r, "call_overhead", lib, "raw_qt", 1.05, tally);
        ratioLine(r, "large_page", lib, "raw_qt", 1.0, tally);
        ratioLine(r, "large_page_gzip", lib, "raw_qt", 1.0, tally);
        ratioLine(r, "write_call", std::string("lib_post_") + b, std::string("lib_get_") + b, 1.2,
                  tally);
        ratioLine(r, "batches", lib, "raw_qt", 1.10, tally);
        ratioLine(r, "natural_sort", lib, "raw_qt", 3.0, tally);
        ratioLine(r, "upload", lib, "curl_T", 0.5, tally, true);
    }
    // These two do not depend on the transport.
    Tally shared;
    ratioLine(r, "natural_sort", "sort_natural", "sort_compare", 3.0, shared);
    ratioLine(r, "cache_hit", "lib", "raw_qmap", 1.5, shared);

    std::printf("\nPeak memory growth during one call\n");
    if (r.ms("large_page/raw_qt") > 0) {
        const double base = peakOf("raw_qt");
        for (const char *b : {"qt", "curl"})
            memoryLine("large_page", std::string("lib_") + b, peakOf(std::string("lib_") + b),
                       "raw_qt", base, tallies[b]);
    }
    for (const char *b : {"qt", "curl"}) {
        const std::string lib = std::string("upload/lib_") + b;
        if (r.ms(lib) > 0)
            memoryLine("upload", lib.substr(7), r.counter(lib, "peak_MiB"), "(fixed)", 64,
                       tallies[b]);
    }

    std::printf("\nConnections (target: one kept-alive connection for all batches)\n");
    for (const char *b : {"raw_qt", "lib_qt", "lib_curl"}) {
        const double connections = r.counter(std::string("batches/") + b, "connections");
        if (connections <= 0)
            continue;
        std::printf("batches          %-14s %.0f requests over %.0f connection(s)\n", b,
                    r.counter(std::string("batches/") + b, "requests"), connections);
        if (std::strncmp(b, "lib_", 4) == 0)
            tallies[b + 4].add(connections == 1);
    }

    std::printf("\nTargets held\n");
    for (const char *b : {"qt", "curl"}) {
        const Tally &tally = tallies[b];
        const int met = tally.met + shared.met, all = met + tally.missed + shared.missed;
        std::printf("%-5s backend%s: %d of %d met\n", b,
                    b == defaultBackend ? " (the default)" : "", met, all);
    }
}
