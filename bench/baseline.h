// Pairs each benchmark with a baseline measured in the same run, and prints a summary of
// medians with the ratio and difference to the baseline. Google Benchmark only.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace kbench {

// Declares that benchmark sName is to be compared with benchmark sBaseline (full names as
// the console shows them). A benchmark may have several baselines.
void CompareWith(const std::string& sName, const std::string& sBaseline);

// Console output as usual, plus the comparison table once every benchmark has run.
class CBaselineReporter : public benchmark::ConsoleReporter
{
public:
    CBaselineReporter() : ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct SResult
    {
        std::string sName;
        double dMicros;
        bool bMedian;
    };
    const SResult* Find(const std::string& sName) const;
    void Record(const std::string& sName, double dMicros, bool bMedian);

    std::vector<SResult> m_Results;
};

}  // namespace kbench

// At namespace scope beside the benchmarks: KORVAN_BASELINE("Render", "Shade");
#define KORVAN_BASELINE_CAT2(a, b) a##b
#define KORVAN_BASELINE_CAT(a, b) KORVAN_BASELINE_CAT2(a, b)
#define KORVAN_BASELINE(name, baseline)                                                        \
    static const bool KORVAN_BASELINE_CAT(s_bBaseline, __LINE__) =                              \
        (::kbench::CompareWith(name, baseline), true)
