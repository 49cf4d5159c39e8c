// The same load through the window and through trevikctl, against the simulated switch at
// 9600 baud: the command line (a whole process, start-up included) next to the window's load
// flow, and their ratio.

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>

#include "app_preferences.h"
#include "cqt_config_mgr.h"
#include "message_box.h"
#include "switch_simulator.h"
#include "trevik.h"

namespace {

constexpr int kCom = 7;
const QString kFile = QStringLiteral(EXAMPLES_DIR "/two-desks.kmc");
QString g_lastBox;
double g_windowMs = 0;

void recordBox(QWidget*, MessageKind, const QString&, const QString& text)
{
    g_lastBox = text;
}

void BM_LoadThroughTheWindow(benchmark::State& state)
{
    Trevik window;
    setMessageBoxHook(recordBox);
    double totalMs = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        QMetaObject::invokeMethod(&window, "processLoadConfig", Q_ARG(QString, kFile));
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        if (g_lastBox != QLatin1String("Configuration file has been successfully loaded to device"))
            state.SkipWithError(qPrintable(g_lastBox));
    }
    g_windowMs = totalMs / double(state.iterations());
    std::printf("window load: %.1f ms\n", g_windowMs);
}

void BM_LoadThroughTrevikctl(benchmark::State& state)
{
    double totalMs = 0;
    for (auto _ : state) {
        QProcess ctl;
        QElapsedTimer timer;
        timer.start();
        ctl.start(QStringLiteral(TREVIKCTL_PATH), {"load", kFile, "--port", QStringLiteral("COM%1").arg(kCom), "--quiet"});
        ctl.waitForFinished(60000);
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        if (ctl.exitCode() != 0)
            state.SkipWithError(ctl.readAllStandardError().constData());
    }
    const double ctlMs = totalMs / double(state.iterations());
    std::printf("trevikctl load: %.1f ms, %.3f of the window's (goal: at most 1.05)\n", ctlMs, ctlMs / g_windowMs);
}

BENCHMARK(BM_LoadThroughTheWindow)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadThroughTrevikctl)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("TREVIK_PORT_DIR", (home.path() + "/ports").toLocal8Bit());
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_configMgr.initialize();
    g_configMgr.setDeviceCom(kCom); // stored, so that trevikctl reads the same settings

    kmsim::SimOptions options;
    options.baud = 9600;
    const auto simulator = kmsim::startQuietSwitch(options, kCom, (home.path() + "/ports").toStdString());
    if (!simulator)
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
