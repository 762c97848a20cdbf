#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

// A console reporter that also keeps the CPU time of each case, for a Finalize that prints
// ratios measured in the one run. With repetitions, the median of each case stands for it.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            std::string name = run.benchmark_name();
            const std::string median = "_median";
            if (run.run_type == Run::RT_Aggregate) {
                if (name.size() <= median.size() ||
                    name.compare(name.size() - median.size(), median.size(), median) != 0) {
                    continue;
                }
                name.resize(name.size() - median.size());
            } else if (run.repetitions > 1) {
                continue;
            }
            times[name] = run.GetAdjustedCPUTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

protected:
    std::map<std::string, double> times; // case name -> CPU time
};
