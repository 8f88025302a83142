// A console reporter that also keeps each benchmark's median CPU time per
// iteration, so a benchmark program can print the ratio against its peer
// measured in the same run. CPU time is steadier than wall time on a
// machine that builds while it measures.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace vantrel::bench {

class TMedianReporter : public benchmark::ConsoleReporter {
public:
    using ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred)
                continue;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Iteration) {
                FSamples[name].push_back(run.GetAdjustedCPUTime());
            } else if (run.aggregate_name == "median") {
                FReportedMedian[name] = run.GetAdjustedCPUTime();
            }
        }
    }

    // Time per iteration in the benchmark's unit: the median of its
    // repetitions, or the reported median when only aggregates were
    // reported; negative when nothing was measured.
    double Median(const std::string& name) const {
        const auto found = FSamples.find(name);
        if (found == FSamples.end() || found->second.empty()) {
            const auto reported = FReportedMedian.find(name);
            return reported == FReportedMedian.end() ? -1 : reported->second;
        }
        std::vector<double> samples = found->second;
        std::sort(samples.begin(), samples.end());
        const std::size_t mid = samples.size() / 2;
        return samples.size() % 2 ? samples[mid] : (samples[mid - 1] + samples[mid]) / 2;
    }

private:
    std::map<std::string, std::vector<double>> FSamples;
    std::map<std::string, double> FReportedMedian;
};

}  // namespace vantrel::bench
