// korvan_bench's entry: Google Benchmark with the baseline summary. Unless told otherwise it
// repeats each benchmark and reports only the aggregates, so the summary quotes medians.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "baseline.h"

int main(int argc, char** argv)
{
    std::vector<char*> args(argv, argv + argc);
    bool bRepetitionsGiven = false;
    for (int i = 1; i < argc; ++i)
        bRepetitionsGiven |= std::strncmp(argv[i], "--benchmark_repetitions", 23) == 0;
    char sRepetitions[] = "--benchmark_repetitions=9";
    char sAggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    if (!bRepetitionsGiven)
    {
        args.push_back(sRepetitions);
        args.push_back(sAggregatesOnly);
    }
    int nArgs = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&nArgs, args.data());
    if (benchmark::ReportUnrecognizedArguments(nArgs, args.data()))
        return 1;
    kbench::CBaselineReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
