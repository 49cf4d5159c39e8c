// Who gets a pinned-port name: a simulator starting while something already stands at COM7
// in its folder. Simulators run as the built program, so that one can be killed outright.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <termios.h>
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
    // True once it is answering; false when it exits instead.
    bool ready()
    {
        while (process.state() != QProcess::NotRunning && !process.canReadLine())
            process.waitForReadyRead(100);
        const QString line = QString::fromLocal8Bit(process.readLine());
        if (!line.startsWith("kmswitch-sim: switch on "))
            return false;
        slave = line.section(' ', 3, 3).remove(',');
        return true;
    }
    int exitCode()
    {
        process.waitForFinished(5000);
        return process.exitCode();
    }
    QString error()
    {
        process.waitForFinished(5000);
        return QString::fromLocal8Bit(process.readAllStandardError());
    }
    QProcess process;
    QString slave;
};

// True when a GET_INFO sent through `path` gets the switch's 60-byte answer.
bool answersThrough(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    termios tio {};
    ::tcgetattr(fd, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    const QByteArray request = QByteArray::fromHex("aa05000000003c0000") + QByteArray(51, '\0');
    int got = ::write(fd, request.constData(), size_t(request.size())) == request.size() ? 0 : -1000;
    QElapsedTimer timer;
    timer.start();
    while (got >= 0 && got < 60 && timer.elapsed() < 2000) {
        char buffer[64];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        got += n > 0 ? int(n) : 0;
        if (n <= 0)
            ::usleep(5000);
    }
    ::close(fd);
    return got == 60;
}

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

// Before the second simulator: what stands at COM7, made by `plant` (which may start a
// simulator of its own and keep it in `first`).
struct StandingRow
{
    const char* label;
    std::function<void(Claim&, std::unique_ptr<SimProgram>& first)> plant;
    bool replaced;        // the second simulator takes COM7
    const char* refusal;  // else its message says this
};

void PrintTo(const StandingRow& row, std::ostream* os)
{
    *os << row.label;
}

class Standing : public Claim, public ::testing::WithParamInterface<StandingRow> {};

TEST_P(Standing, SecondSimulatorTakesOnlyALeftover)
{
    const StandingRow& row = GetParam();
    std::unique_ptr<SimProgram> first;
    row.plant(*this, first);
    const bool liveOwner = first && first->process.state() == QProcess::Running;
    const QString before = com7();
    const QFileInfo beforeInfo(folder + "/COM7");

    SimProgram second(folder);
    if (row.replaced) {
        ASSERT_TRUE(second.ready()) << second.error().toStdString();
        EXPECT_EQ(com7(), second.slave);
        EXPECT_TRUE(answersThrough(folder + "/COM7"));
        second.process.terminate();
        EXPECT_EQ(second.exitCode(), 0);
        EXPECT_FALSE(QFileInfo(folder + "/COM7").isSymLink()) << "its own link goes with it";
        return;
    }
    ASSERT_FALSE(second.ready());
    EXPECT_EQ(second.exitCode(), 1);
    const QString error = second.error();
    EXPECT_TRUE(error.contains(row.refusal)) << error.toStdString();
    if (liveOwner) {
        EXPECT_TRUE(error.contains(QStringLiteral("pid %1").arg(first->process.processId()))) << error.toStdString();
    }
    // The refused simulator has exited: whatever stood there stands as it was.
    EXPECT_EQ(com7(), before);
    EXPECT_EQ(QFileInfo(folder + "/COM7").size(), beforeInfo.size());
    if (liveOwner) {
        EXPECT_TRUE(answersThrough(folder + "/COM7")) << "the owner still answers on its link";
        first->process.terminate();
        EXPECT_EQ(first->exitCode(), 0);
        EXPECT_FALSE(QFileInfo(folder + "/COM7").isSymLink());
    }
}

void killedSimulator(Claim& c, std::unique_ptr<SimProgram>& first)
{
    first = std::make_unique<SimProgram>(c.folder);
    ASSERT_TRUE(first->ready());
    ::kill(pid_t(first->process.processId()), SIGKILL);
    ASSERT_TRUE(first->process.waitForFinished(5000));
    ASSERT_EQ(c.com7(), first->slave) << "a killed simulator cannot take its link away";
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Standing,
    ::testing::Values(
        StandingRow {"nothing", [](Claim&, std::unique_ptr<SimProgram>&) {}, true, ""},
        StandingRow {"a live simulator's link",
                     [](Claim& c, std::unique_ptr<SimProgram>& first) {
                         first = std::make_unique<SimProgram>(c.folder);
                         ASSERT_TRUE(first->ready());
                     },
                     false, "belongs to a running kmswitch-sim"},
        StandingRow {"the link of a simulator killed outright", killedSimulator, true, ""},
        // A pinned adapter is the user's configuration, not a leftover, even when it is
        // unplugged (the link leads nowhere) or when a simulator once stood at the name.
        StandingRow {"a pinned adapter that is unplugged",
                     [](Claim& c, std::unique_ptr<SimProgram>&) {
                         ASSERT_TRUE(c.link("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART-if00-port0"));
                     },
                     false, "which no kmswitch-sim made"},
        StandingRow {"a pinned adapter where a killed simulator's link was",
                     [](Claim& c, std::unique_ptr<SimProgram>& first) {
                         killedSimulator(c, first);
                         ASSERT_TRUE(QFile::remove(c.folder + "/COM7") && c.link("/dev/ttyUSB0"));
                     },
                     false, "which no kmswitch-sim made"},
        StandingRow {"a file",
                     [](Claim& c, std::unique_ptr<SimProgram>&) {
                         QFile file(c.folder + "/COM7");
                         ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("notes\n") == 6);
                     },
                     false, "exists and is not a link"}));

TEST_F(Claim, LeavesALinkThatLeadsElsewhereSinceOnExit)
{
    SimProgram sim(folder);
    ASSERT_TRUE(sim.ready());
    ASSERT_TRUE(QFile::remove(folder + "/COM7") && link("/dev/ttyUSB0"));
    sim.process.terminate();
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_EQ(com7(), "/dev/ttyUSB0");
}

// Simulators that start together: one gets the name, every other is refused, and the link
// leads to the one that got it.
TEST_F(Claim, OneOfManyStartingAtOnce)
{
    for (int round = 0; round < 5; ++round) {
        std::vector<std::unique_ptr<SimProgram>> sims;
        for (int i = 0; i < 4; ++i)
            sims.push_back(std::make_unique<SimProgram>(folder));
        SimProgram* winner = nullptr;
        int refused = 0;
        for (auto& sim : sims) {
            if (sim->ready()) {
                EXPECT_EQ(winner, nullptr) << "round " << round << ": two simulators own COM7";
                winner = sim.get();
            } else {
                refused += sim->error().contains("belongs to a running kmswitch-sim");
            }
        }
        ASSERT_NE(winner, nullptr) << "round " << round;
        EXPECT_EQ(refused, 3) << "round " << round;
        EXPECT_EQ(com7(), winner->slave);
        EXPECT_TRUE(answersThrough(folder + "/COM7"));
        winner->process.terminate();
        EXPECT_EQ(winner->exitCode(), 0);
        EXPECT_FALSE(QFileInfo(folder + "/COM7").isSymLink());
    }
}

// The same rule between switches of one process (the tests' own), and the owner file is no
// pinned port: nothing but COM7 is left in the folder for the program to read.
TEST_F(Claim, InOneProcessAndWithoutTraceInTheFolder)
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
    first.stop();
    EXPECT_TRUE(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

} // namespace
