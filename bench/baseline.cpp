// The baseline pairs and the summary printed after the usual console report.
// Times are CPU time per iteration, medians when the run has repetitions.
#include "baseline.h"

#include <cstdio>
#include <utility>

namespace kbench {

namespace {

// Filled by static initialisers, read once after the run.
std::vector<std::pair<std::string, std::string>>& Pairs()
{
    static std::vector<std::pair<std::string, std::string>> s_pairs;
    return s_pairs;
}

double ToMicros(double dTime, benchmark::TimeUnit eUnit)
{
    return dTime * 1e6 / benchmark::GetTimeUnitMultiplier(eUnit);
}

}  // namespace

void CompareWith(const std::string& sName, const std::string& sBaseline)
{
    Pairs().emplace_back(sName, sBaseline);
}

void CBaselineReporter::ReportRuns(const std::vector<Run>& runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs)
    {
        if (run.error_occurred)
            continue;
        const bool bMedian = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Iteration || bMedian)
            Record(run.run_name.str(), ToMicros(run.GetAdjustedCPUTime(), run.time_unit), bMedian);
    }
}

// A median replaces single repetitions; without repetitions the last one stands.
void CBaselineReporter::Record(const std::string& sName, double dMicros, bool bMedian)
{
    for (SResult& result : m_Results)
        if (result.sName == sName)
        {
            if (bMedian || !result.bMedian)
                result = {sName, dMicros, bMedian};
            return;
        }
    m_Results.push_back({sName, dMicros, bMedian});
}

const CBaselineReporter::SResult* CBaselineReporter::Find(const std::string& sName) const
{
    for (const SResult& result : m_Results)
        if (result.sName == sName)
            return &result;
    return nullptr;
}

void CBaselineReporter::Finalize()
{
    std::FILE* pOut = stdout;
    std::fprintf(pOut, "\nMedians (CPU time) and each benchmark against its baseline, same run:\n");
    std::fprintf(pOut, "%-28s %12s   %-28s %12s %10s %12s\n", "benchmark", "median us", "baseline",
                 "median us", "ratio", "diff us");
    for (const SResult& result : m_Results)
    {
        bool bPaired = false;
        for (const auto& pair : Pairs())
        {
            const SResult* pBase = pair.first == result.sName ? Find(pair.second) : nullptr;
            if (!pBase)
                continue;
            bPaired = true;
            std::fprintf(pOut, "%-28s %12.2f   %-28s %12.2f %9.3fx %+12.2f\n", result.sName.c_str(),
                         result.dMicros, pBase->sName.c_str(), pBase->dMicros,
                         result.dMicros / pBase->dMicros, result.dMicros - pBase->dMicros);
        }
        if (!bPaired)
            std::fprintf(pOut, "%-28s %12.2f\n", result.sName.c_str(), result.dMicros);
    }
    std::fflush(pOut);
}

}  // namespace kbench
