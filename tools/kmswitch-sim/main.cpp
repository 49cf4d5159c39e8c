// kmswitch-sim: a simulated KM switch on a pseudo-terminal, for tests, demos and benchmarks.

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "sim_options.h"
#include "switch_simulator.h"

namespace {
volatile std::sig_atomic_t g_stopRequested = 0;

void onStopSignal(int)
{
    g_stopRequested = 1;
}
} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    kmsim::SimOptions options;
    bool help = false;
    std::string error;
    if (!kmsim::parseSimOptions(args, options, help, error)) {
        std::fprintf(stderr, "kmswitch-sim: %s\n", error.c_str());
        return 2;
    }
    if (help) {
        std::fputs(kmsim::simUsage().c_str(), stdout);
        return 0;
    }

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    std::signal(SIGPIPE, SIG_IGN);

    kmsim::SwitchSimulator simulator(options);
    if (!simulator.start(error)) {
        std::fprintf(stderr, "kmswitch-sim: %s\n", error.c_str());
        return 1;
    }
    if (simulator.linkPath().empty())
        std::printf("kmswitch-sim: switch on %s\n", simulator.slavePath().c_str());
    else
        std::printf("kmswitch-sim: switch on %s, linked as %s\n", simulator.slavePath().c_str(),
                    simulator.linkPath().c_str());
    std::fflush(stdout);

    while (!g_stopRequested && !simulator.hungUp()) {
        struct timespec ts {0, 50 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    const bool hungUp = simulator.hungUp();
    simulator.stop();
    if (hungUp)
        std::printf("kmswitch-sim: line hung up\n");
    return 0;
}
