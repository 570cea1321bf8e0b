#include "medianreporter.h"

#include <iostream>

bool MedianReporter::ReportContext(const Context &)
{
    return true;
}

void MedianReporter::ReportRuns(const std::vector<Run> &runs)
{
    for (const Run &run : runs) {
        const std::string &name = run.run_name.function_name;
        if (run.error_occurred) {
            std::cerr << "  " << name << " failed: " << run.error_message << std::endl;
        } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
            const double ms = run.GetAdjustedRealTime() * 1000 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            medians[name] = ms;
            std::cerr << "  " << name << ": " << ms << " ms" << std::endl;
        }
    }
}

double MedianReporter::medianMs(const std::string &name) const
{
    const auto found = medians.find(name);
    return found == medians.end() ? -1 : found->second;
}
