// Who gets a pinned-port name: a simulator starting while something already stands at COM7
// in its folder. Simulators run as the built program, so that one can be killed outright.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

#include "switch_simulator.h"

namespace {

// A kmswitch-sim program on COM7 of `folder`; `slave` is its pseudo-terminal once it is up.
struct SimProgram
{
    explicit SimProgram(const QString& folder)
    {
        process.start(KMSWITCH_SIM_PATH, {"--com", "7", "--port-dir", folder, "--quiet"});
    }
    // True once it is answering; false when it exits instead, with what it said in `error`.
    bool ready()
    {
        while (process.state() != QProcess::NotRunning && !process.canReadLine())
            process.waitForReadyRead(100);
        const QString line = QString::fromLocal8Bit(process.readLine());
        slave = line.startsWith("kmswitch-sim: switch on ") ? line.section(' ', 3, 3).remove(',') : QString();
        if (slave.isEmpty()) {
            process.waitForFinished(5000);
            error = QString::fromLocal8Bit(process.readAllStandardError());
        }
        return !slave.isEmpty();
    }
    int exitCode()
    {
        process.waitForFinished(5000);
        return process.exitCode();
    }
    QProcess process;
    QString slave, error;
};

class Claim : public ::testing::Test
{
public:
    void SetUp() override { ASSERT_TRUE(work.isValid() && QDir().mkpath(folder)); }

    // What COM7 leads to, as written in the link; empty when it is no link.
    QString com7() const { return QFileInfo(folder + "/COM7").symLinkTarget(); }
    bool link(const QString& target) const { return QFile::link(target, folder + "/COM7"); }

    QTemporaryDir work;
    const QString folder = work.path() + "/ports";
};

using First = std::unique_ptr<SimProgram>;

// What stands at COM7 before the second simulator, made by `plant` (which may start a simulator
// of its own and keep it in `first`).
struct StandingRow
{
    const char* label;
    void (*plant)(Claim&, First& first);
    bool replaced;       // the second simulator takes COM7
    const char* refusal; // else its message says this
};

void PrintTo(const StandingRow& row, std::ostream* os) { *os << row.label; }

class Standing : public Claim, public ::testing::WithParamInterface<StandingRow> {};

TEST_P(Standing, SecondSimulatorTakesOnlyALeftover)
{
    const StandingRow& row = GetParam();
    First first;
    row.plant(*this, first);
    const bool liveOwner = first && first->process.state() == QProcess::Running;
    const QString before = com7();
    const qint64 beforeSize = QFileInfo(folder + "/COM7").size();

    SimProgram second(folder);
    if (row.replaced) {
        ASSERT_TRUE(second.ready()) << second.error.toStdString();
        EXPECT_EQ(com7(), second.slave);
    } else {
        ASSERT_FALSE(second.ready());
        EXPECT_EQ(second.exitCode(), 1);
        EXPECT_TRUE(second.error.contains(row.refusal)) << second.error.toStdString();
        EXPECT_TRUE(!liveOwner || second.error.contains(QStringLiteral("pid %1").arg(first->process.processId())));
        EXPECT_EQ(com7(), before) << "whatever stood there stands as it was";
        EXPECT_EQ(QFileInfo(folder + "/COM7").size(), beforeSize);
    }
    // Whoever owns COM7 now still runs, and takes its link away as it stops.
    SimProgram* owner = row.replaced ? &second : liveOwner ? first.get() : nullptr;
    if (owner) {
        ASSERT_EQ(owner->process.state(), QProcess::Running);
        owner->process.terminate();
        EXPECT_EQ(owner->exitCode(), 0);
        EXPECT_FALSE(QFileInfo(folder + "/COM7").isSymLink());
    }
}

void liveSimulator(Claim& c, First& first)
{
    first = std::make_unique<SimProgram>(c.folder);
    ASSERT_TRUE(first->ready());
}

void killedSimulator(Claim& c, First& first)
{
    liveSimulator(c, first);
    ::kill(pid_t(first->process.processId()), SIGKILL);
    ASSERT_TRUE(first->process.waitForFinished(5000));
    ASSERT_EQ(c.com7(), first->slave) << "a killed simulator cannot take its link away";
}

// A pinned adapter is the user's configuration, not a leftover, even when it is unplugged (the
// link leads nowhere) or when a simulator once stood at the name.
INSTANTIATE_TEST_SUITE_P(
    Rows, Standing,
    ::testing::Values(
        StandingRow {"nothing", [](Claim&, First&) {}, true, ""},
        StandingRow {"a live simulator's link", liveSimulator, false, "belongs to a running kmswitch-sim"},
        StandingRow {"the link of a simulator killed outright", killedSimulator, true, ""},
        StandingRow {"a pinned adapter that is unplugged",
                     [](Claim& c, First&) { ASSERT_TRUE(c.link("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0")); },
                     false, "which no kmswitch-sim made"},
        StandingRow {"a pinned adapter where a killed simulator's link was",
                     [](Claim& c, First& first) {
                         killedSimulator(c, first);
                         ASSERT_TRUE(QFile::remove(c.folder + "/COM7") && c.link("/dev/ttyUSB0"));
                     },
                     false, "which no kmswitch-sim made"},
        StandingRow {"a file",
                     [](Claim& c, First&) {
                         QFile file(c.folder + "/COM7");
                         ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("notes\n") == 6);
                     },
                     false, "exists and is not a link"}));

// Simulators that start together: one gets the name, every other is refused, and the link
// leads to the one that got it.
TEST_F(Claim, OneOfManyStartingAtOnce)
{
    for (int round = 0; round < 5; ++round) {
        std::vector<First> sims;
        for (int i = 0; i < 4; ++i)
            sims.push_back(std::make_unique<SimProgram>(folder));
        std::vector<SimProgram*> winners;
        int refused = 0;
        for (auto& sim : sims) {
            if (sim->ready())
                winners.push_back(sim.get());
            else
                refused += sim->error.contains("belongs to a running kmswitch-sim");
        }
        ASSERT_EQ(winners.size(), 1u) << "round " << round;
        EXPECT_EQ(refused, 3) << "round " << round;
        SimProgram* winner = winners.front();
        EXPECT_EQ(com7(), winner->slave);
        winner->process.terminate();
        EXPECT_EQ(winner->exitCode(), 0);
        EXPECT_FALSE(QFileInfo(folder + "/COM7").isSymLink());
    }
}

// The same rule between switches of one process (the tests' own). The owner file is no pinned
// port: only COM7 is in the folder for the program to read. A link put at the name since stays.
TEST_F(Claim, InOneProcessWithoutTraceAndLeavingALinkThatLeadsElsewhere)
{
    kmsim::SimOptions options;
    options.comNumber = 7;
    options.portDir = folder.toStdString();
    options.logPath.clear();
    kmsim::SwitchSimulator first(options), second(options);
    std::string error;
    ASSERT_TRUE(first.start(error)) << error;
    EXPECT_FALSE(second.start(error));
    EXPECT_NE(error.find("pid " + std::to_string(::getpid())), std::string::npos) << error;
    second.stop();
    EXPECT_EQ(com7().toStdString(), first.slavePath());
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot), QStringList {"COM7"});
    ASSERT_TRUE(QFile::remove(folder + "/COM7") && link("/dev/ttyUSB0"));
    first.stop();
    EXPECT_EQ(com7(), "/dev/ttyUSB0");
    const auto all = QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot;
    EXPECT_EQ(QDir(folder).entryList(all), QStringList {"COM7"}) << "the owner file goes with its owner";
}

} // namespace
