// Loads against simulated switches at 9600 baud that take 200 ms for each answer: the
// window's load, trevikctl's load of one switch (a whole process, start-up included) next to
// it, and trevikctl's load of a room of 8 switches at once next to one (goal: at most 1.15).

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

#include "cqt_config_mgr.h"
#include "message_box.h"
#include "switch_simulator.h"
#include "trevik.h"

namespace {

constexpr int kFirstCom = 7;
constexpr int kRoom = 8;
const QString kFile = QStringLiteral(EXAMPLES_DIR "/two-desks.kmc");
const QString kLoaded = QStringLiteral("Configuration file has been successfully loaded to device");
QString g_lastBox;
double g_windowMs = 0;
double g_oneSwitchMs = 0;

void recordBox(QWidget*, MessageKind, const QString&, const QString& text)
{
    g_lastBox = text;
}

void BM_LoadThroughTheWindow(benchmark::State& state)
{
    Trevik window;
    setMessageBoxHook(recordBox);
    window.findChild<QLineEdit*>(QStringLiteral("filePathEdit"))->setText(kFile);
    double totalMs = 0;
    for (auto _ : state) {
        g_lastBox.clear();
        QElapsedTimer timer;
        timer.start();
        window.findChild<QPushButton*>(QStringLiteral("processButt"))->click();
        // The load runs on its own threads; the box ends it.
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!g_lastBox.isEmpty())
                loop.quit();
        });
        poll.start(1);
        loop.exec();
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        if (g_lastBox != kLoaded)
            state.SkipWithError(qPrintable(g_lastBox));
    }
    g_windowMs = totalMs / double(state.iterations());
    std::printf("window load: %.1f ms\n", g_windowMs);
}

// trevikctl load FILE with --port for the first `state.range(0)` switches.
void BM_LoadThroughTrevikctl(benchmark::State& state)
{
    const int switches = int(state.range(0));
    QStringList arguments {QStringLiteral("load"), kFile, QStringLiteral("--quiet")};
    for (int i = 0; i < switches; ++i)
        arguments << QStringLiteral("--port") << QStringLiteral("COM%1").arg(kFirstCom + i);
    double totalMs = 0;
    for (auto _ : state) {
        QProcess ctl;
        QElapsedTimer timer;
        timer.start();
        ctl.start(QStringLiteral(TREVIKCTL_PATH), arguments);
        ctl.waitForFinished(180000);
        totalMs += double(timer.nsecsElapsed()) / 1e6;
        if (ctl.exitCode() != 0)
            state.SkipWithError(ctl.readAllStandardError().constData());
    }
    const double ms = totalMs / double(state.iterations());
    if (switches == 1) {
        g_oneSwitchMs = ms;
        std::printf("trevikctl load, 1 switch: %.1f ms, %.3f of the window's\n", ms, ms / g_windowMs);
    } else {
        std::printf("trevikctl load, %d switches at once: %.1f ms, %.3f of one switch's (goal: at most 1.15)\n",
                    switches, ms, ms / g_oneSwitchMs);
    }
}

BENCHMARK(BM_LoadThroughTheWindow)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_LoadThroughTrevikctl)->Arg(1)->Arg(kRoom)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    g_configMgr.setDeviceCom(kFirstCom); // the window's port; trevikctl reads the same line settings

    kmsim::SimOptions options;
    options.baud = 9600;
    options.replyDelayMs = 200;
    std::vector<std::unique_ptr<kmsim::SwitchSimulator>> room;
    for (int i = 0; i < kRoom; ++i) {
        auto simulator = kmsim::startQuietSwitch(options, kFirstCom + i, (home.path() + "/ports").toStdString());
        if (!simulator)
            return 1;
        room.push_back(std::move(simulator));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
