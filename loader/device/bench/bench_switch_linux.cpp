// On Linux the simulator runs in this process, behind a pinned port in the scratch folder.

#include "bench_switch.h"

#include <QDir>
#include <memory>

#include "switch_simulator.h"

int standBenchSwitch(unsigned baud, int replyDelayMs, const QString& scratchFolder)
{
    constexpr int kCom = 201;
    const QString ports = scratchFolder + QStringLiteral("/ports");
    qputenv("TREVIK_PORT_DIR", ports.toLocal8Bit());
    kmsim::SimOptions options;
    options.baud = baud;
    options.replyDelayMs = replyDelayMs;
    // Lives as long as the process: the benchmarks run until main returns.
    static std::unique_ptr<kmsim::SwitchSimulator> simulator;
    simulator = kmsim::startQuietSwitch(options, kCom, ports.toStdString());
    return simulator ? kCom : 0;
}
