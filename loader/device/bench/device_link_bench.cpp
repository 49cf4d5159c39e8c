// A GET_INFO run and a PROD_SET_DATA write against the simulated switch pacing its line at
// 9600 baud and taking 200 ms to answer each frame, each shown next to its floor: the bytes
// on the wire at that rate (10 bits a byte) plus the switch's own time.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

#include "app_preferences.h"
#include "com_handler256.h"
#include "bench_switch.h"
#include "cqt_config_mgr.h"

namespace {

constexpr unsigned kBaud = 9600;
constexpr int kReplyDelayMs = 200;

double wireMs(int bytes)
{
    return bytes * 10.0 * 1000.0 / kBaud;
}

// 32 exchanges of a 60-byte request, the switch's time (the program's 10 ms pause runs
// within it) and a 60-byte reply.
const double kGetInfoFloorMs = 32 * (wireMs(60 + 60) + kReplyDelayMs);
// One 936-byte frame, the switch's time and the 2-byte answer.
const double kProdFloorMs = wireMs(936 + 2) + kReplyDelayMs;

void report(benchmark::State& state, const char* what, double elapsedMs, double floorMs)
{
    state.counters["floor_ms"] = floorMs;
    state.counters["elapsed_ms"] = elapsedMs;
    state.counters["ratio"] = elapsedMs / floorMs;
    std::printf("%s: %.1f ms, floor %.1f ms, ratio %.3f (goal: at most 1.2)\n", what, elapsedMs,
                floorMs, elapsedMs / floorMs);
}

void BM_GetInfoRun(benchmark::State& state)
{
    COMHandler256 handler;
    double totalMs = 0;
    int runs = 0;
    for (auto _ : state) {
        QList<InfoRecord> records;
        QString error;
        QElapsedTimer timer;
        timer.start();
        const bool ok = handler.getInfo(records, error);
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        ++runs;
        if (!ok || records.size() != 32) {
            state.SkipWithError(qPrintable(QStringLiteral("GET_INFO failed: ") + error));
            return;
        }
    }
    report(state, "GET_INFO run", totalMs / runs, kGetInfoFloorMs);
}

void BM_ProdSetData920(benchmark::State& state)
{
    double totalMs = 0;
    int runs = 0;
    for (auto _ : state) {
        COMHandler256 handler; // the load flow uses a fresh handler for the write
        ProdDataRequest request;
        request.param = kProdDataConfigParam;
        request.kind = kProdDataConfigKind;
        request.payload = QByteArray(920, '\x42');
        request.size = 920;
        QString error;
        QElapsedTimer timer;
        timer.start();
        const bool ok = handler.prodSetData(request, error);
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        ++runs;
        if (!ok) {
            state.SkipWithError(qPrintable(QStringLiteral("PROD_SET_DATA failed: ") + error));
            return;
        }
    }
    report(state, "PROD_SET_DATA 920 bytes", totalMs / runs, kProdFloorMs);
}

BENCHMARK(BM_GetInfoRun)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProdSetData920)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // Private settings, whatever the platform keeps them in.
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path() + QStringLiteral("/settings"));

    QCoreApplication app(argc, argv);
    g_configMgr.initialize();
    const int com = standBenchSwitch(kBaud, kReplyDelayMs, home.path());
    if (com <= 0)
        return 1;
    pref::iDeviceCom = com;
    pref::iComBaudrate = int(kBaud);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
