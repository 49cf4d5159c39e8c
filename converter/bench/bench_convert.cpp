// What a conversion costs next to merely reading the same file: convert_d on the largest file
// the builder accepts (16 screens, 24 passages) against open + read + close of that file.
// Prints both and their ratio; the goal is a ratio of at most 2.
#include "zentrix.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <map>
#include <string>
#include <unistd.h>

namespace {

const char *benchFile()
{
    return KMC_BENCH_FILE;
}

void BM_BareFileRead(benchmark::State &state)
{
    char buffer[4096];
    for (auto _ : state) {
        int fd = ::open(benchFile(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            state.SkipWithError("cannot open the benchmark file");
            return;
        }
        ssize_t got;
        while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
            benchmark::DoNotOptimize(buffer);
        ::close(fd);
    }
}
BENCHMARK(BM_BareFileRead);

void BM_ConvertLargest(benchmark::State &state)
{
    char message[256];
    unsigned char *image = nullptr;
    int size = 0;
    for (auto _ : state) {
        int result = convert_d(4, benchFile(), message, sizeof message, &image, &size);
        if (result != 0) {
            state.SkipWithError(message);
            return;
        }
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_ConvertLargest);

// Keeps the per-iteration times so main can print the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> nsPerIteration;
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            if (!run.error_occurred && run.iterations > 0)
                nsPerIteration[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto read = reporter.nsPerIteration.find("BM_BareFileRead");
    auto convert = reporter.nsPerIteration.find("BM_ConvertLargest");
    if (read == reporter.nsPerIteration.end() || convert == reporter.nsPerIteration.end())
        return 1;
    std::printf("\nbare read %.0f ns, conversion %.0f ns, ratio %.2f (goal: at most 2.00)\n",
                read->second, convert->second, convert->second / read->second);
    benchmark::Shutdown();
    return 0;
}
