// What port discovery costs: the program's start-up to its first painted window next to a bare
// QMainWindow of the same Qt and next to the program's own form alone, one rescan of the ports
// with the machine's unrelated ttys present, and what a terminal opened elsewhere on the
// machine costs the program.
//
// Start-up spawns three small programs (bare_window_probe, form_window_probe,
// trevik_window_probe) rather than building the windows in this process: what the operator
// waits for is a whole process,
// libraries, QApplication and preferences included, and a second window in one process would
// find fonts, styles and the enumerator already warm. They paint on a private Xvfb display:
// Qt's offscreen platform skips the display connection, GL and font set-up that every window
// pays, which would make the yardstick a fraction of what an operator's bare window costs.
// QT_QPA_PLATFORM, when set, chooses instead (offscreen is the fallback without Xvfb).
//
// The setting is the demo's: one simulated switch pinned as COM7 in a private ports folder,
// its link pointing into /dev/pts, and a private home.

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QList>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "list_com_ports.h"
#include "port_change_watcher.h"
#include "port_numbering_linux.h"
#include "serial_device_enumerator_p.h"
#include "switch_simulator.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct StartupRun
{
    double wallMs = -1; // from the spawn to the "painted" line; negative when none came
    double cpuMs = -1;  // the probe's own processor time up to its first paint
};

StartupRun runToFirstPaint(const char* program)
{
    StartupRun run;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    char* const argv[] = {const_cast<char*>(program), nullptr};
    pid_t child = -1;
    const Clock::time_point start = Clock::now();
    const int spawned = posix_spawn(&child, program, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned == 0) {
        char line[64] = {};
        ssize_t got;
        do
            got = read(out[0], line, sizeof line - 1);
        while (got < 0 && errno == EINTR);
        const Clock::time_point painted = Clock::now();
        if (got > 0 && std::sscanf(line, "painted %lf", &run.cpuMs) == 1)
            run.wallMs = std::chrono::duration<double, std::milli>(painted - start).count();
        int status = 0;
        waitpid(child, &status, 0);
    }
    close(out[0]);
    return run;
}

// Each iteration starts the three programs, the order turned round every time, so that
// whatever else the machine does weighs on all alike. The ratios are those of the medians.
void BM_StartupNextToBareWindow(benchmark::State& state)
{
    // Beside the benchmark, as the build puts them: the bare window, the form alone, Trevik.
    QList<QByteArray> probes;
    for (const char* name : {"/bare_window_probe", "/form_window_probe", "/trevik_window_probe"})
        probes << QFile::encodeName(QCoreApplication::applicationDirPath() + QLatin1String(name));
    // Untimed first runs: the program writes its settings once, and the page cache fills.
    for (const QByteArray& probe : probes) {
        if (runToFirstPaint(probe.constData()).wallMs < 0) {
            state.SkipWithError("a start-up probe did not paint its window");
            return;
        }
    }
    std::vector<double> wallMs[3], cpuMs[3];
    for (auto _ : state) {
        const bool forward = wallMs[0].size() % 2 == 0;
        for (int turn = 0; turn < 3; ++turn) {
            const int i = forward ? turn : 2 - turn;
            const StartupRun run = runToFirstPaint(probes[i].constData());
            if (run.wallMs < 0) {
                state.SkipWithError("a start-up probe did not paint its window");
                return;
            }
            wallMs[i].push_back(run.wallMs);
            cpuMs[i].push_back(run.cpuMs);
        }
    }
    double wall[3], cpu[3];
    for (int i = 0; i < 3; ++i) {
        wall[i] = median(wallMs[i]);
        cpu[i] = median(cpuMs[i]);
    }
    state.counters["bare_ms"] = wall[0];
    state.counters["form_ms"] = wall[1];
    state.counters["trevik_ms"] = wall[2];
    state.counters["ratio"] = wall[2] / wall[0];
    state.counters["cpu_ratio"] = cpu[2] / cpu[0];
    std::printf("start-up to the first paint on %s, medians of %zu runs:\n"
                "  wall      bare QMainWindow %6.1f ms, form alone %6.1f ms (%.3f), Trevik %6.1f ms, ratio %.3f (goal: at most 1.2)\n"
                "  processor bare QMainWindow %6.1f ms, form alone %6.1f ms (%.3f), Trevik %6.1f ms, ratio %.3f\n"
                "  Trevik next to its form alone: wall %.3f, processor %.3f\n",
                qgetenv("QT_QPA_PLATFORM").constData(), wallMs[0].size(), wall[0], wall[1], wall[1] / wall[0],
                wall[2], wall[2] / wall[0], cpu[0], cpu[1], cpu[1] / cpu[0], cpu[2], cpu[2] / cpu[0],
                wall[2] / wall[1], cpu[2] / cpu[1]);
}

// Names in the tty class that can never get a number: the machine's virtual consoles, ptmx,
// console and the like.
int unrelatedTtyCount()
{
    int count = 0;
    for (const QString& name : QDir(QStringLiteral("/sys/class/tty")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot))
        count += automaticComNumber(name) == 0;
    return count;
}

// The rescan that every change notification runs.
void BM_EnumeratorRescan(benchmark::State& state)
{
    SerialDeviceEnumeratorPrivate enumerator(nullptr);
    int ports = 0;
    for (auto _ : state)
        ports = enumerator.rescan().size();
    state.counters["ports"] = ports;
    state.counters["unrelated_ttys"] = unrelatedTtyCount();
}

// The window's listing at start-up and at every refresh.
void BM_ListComPorts(benchmark::State& state)
{
    QList<unsigned int> ports;
    QStringList descriptions;
    for (auto _ : state)
        listComPorts(ports, descriptions);
    state.counters["ports"] = ports.size();
}

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A terminal opened and closed elsewhere on the machine (a new /dev/pts entry, while the
// pinned switch's own link points into /dev/pts): the rescans it sets off, and the processor
// time it costs this thread from the open until every notification has been handled (the
// watcher's own look included, the idle wait not).
void BM_UnrelatedTerminal(benchmark::State& state)
{
    PortChangeWatcher* watcher = PortChangeWatcher::create(nullptr);
    if (!watcher) {
        state.SkipWithError("no change watcher on this platform");
        return;
    }
    SerialDeviceEnumeratorPrivate enumerator(nullptr);
    int rescans = 0;
    QObject::connect(watcher, &PortChangeWatcher::changed, [&] {
        benchmark::DoNotOptimize(enumerator.rescan());
        ++rescans;
    });
    watcher->setEnabled(true);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        const double start = threadCpuSeconds();
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            state.SkipWithError("cannot open a pseudo-terminal");
            break;
        }
        const int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave >= 0)
            close(slave);
        close(master);
        // Long enough for every notification to arrive and be handled; the loop sleeps between.
        QEventLoop settle;
        QTimer::singleShot(60, &settle, &QEventLoop::quit);
        settle.exec();
        state.SetIterationTime(threadCpuSeconds() - start);
    }
    state.counters["rescans_per_terminal"] = double(rescans) / double(std::max<int64_t>(1, state.iterations()));
    delete watcher;
}

// A display of the benchmark's own, so that the probes paint through the X server as the
// program does on an operator's desk, and no desktop around them weighs on the result.
class PrivateXvfb
{
public:
    // The display's name (":5"), or empty when Xvfb cannot be started.
    std::string start()
    {
        int ready[2];
        if (pipe2(ready, O_CLOEXEC) != 0)
            return {};
        constexpr int kReadyFd = 9; // where Xvfb writes its display number once it listens
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ready[1], kReadyFd);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const char* args[] = {"Xvfb", "-displayfd", "9", "-screen", "0", "1280x1024x24",
                              "-nolisten", "tcp", "-noreset", nullptr};
        const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, const_cast<char* const*>(args), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        std::string number;
        if (spawned == 0) {
            pollfd wait {ready[0], POLLIN, 0};
            char c = 0;
            while (poll(&wait, 1, 10000) > 0 && read(ready[0], &c, 1) == 1 && c != '\n')
                number += c;
        } else {
            m_pid = -1;
        }
        close(ready[0]);
        return number.empty() ? std::string() : ':' + number;
    }

    ~PrivateXvfb()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            int status = 0;
            waitpid(m_pid, &status, 0);
        }
    }

private:
    pid_t m_pid = -1;
};

// Fifteen pairs: with seven, one slow start of either program on a shared machine moved the
// ratio by a tenth.
BENCHMARK(BM_StartupNextToBareWindow)->Iterations(15)->Unit(benchmark::kMillisecond)->UseRealTime();
// A fixed count, so that a system call count of the whole run divides evenly (count_syscalls.sh).
BENCHMARK(BM_EnumeratorRescan)->Iterations(200)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ListComPorts)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UnrelatedTerminal)->Iterations(20)->Unit(benchmark::kMicrosecond)->UseManualTime();

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    // A fresh operator: the program's settings and its ports folder in the private home.
    qputenv("HOME", home.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("TREVIK_PORT_DIR");
    PrivateXvfb xvfb;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        const std::string display = xvfb.start();
        qputenv("QT_QPA_PLATFORM", display.empty() ? "offscreen" : "xcb");
        if (!display.empty())
            qputenv("DISPLAY", display.c_str());
    }
    const QString ports = pinnedPortsFolder();
    if (!QDir().mkpath(ports))
        return 1;

    QCoreApplication app(argc, argv);
    const auto simulator = kmsim::startQuietSwitch(kmsim::SimOptions {}, 7, ports.toStdString());
    if (!simulator)
        return 1;

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
