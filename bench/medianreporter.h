#ifndef MEDIANREPORTER_H
#define MEDIANREPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>

// Keeps the median time of each benchmark by name, and says on stderr how far
// the run has got: the table is printed only at the end.
class MedianReporter : public benchmark::BenchmarkReporter
{
public:
    bool ReportContext(const Context &context) override;
    void ReportRuns(const std::vector<Run> &runs) override;

    // In milliseconds; negative when the benchmark did not run or failed.
    double medianMs(const std::string &name) const;
    const std::map<std::string, double> &all() const { return medians; }

private:
    std::map<std::string, double> medians;
};

#endif
