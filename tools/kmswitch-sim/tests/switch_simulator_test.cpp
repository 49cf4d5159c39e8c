// The simulated switch itself, seen from the program's side of the line: its command line,
// what it answers and what it refuses, its pace, and what it saves and logs.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "sim_options.h"
#include "switch_simulator.h"

namespace {

const std::string kGetInfo3 = "aa05000000003c0003" + std::string(102, '0');
const char* const kProdSetData4 = "aa0e000000000c00000200000080000801020304";

// The program's end of the line: the slave opened non-blocking, raw at 9600 baud when `raw`.
struct Port
{
    explicit Port(const std::string& path, bool raw = true)
        : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios tio {};
        if (raw && ::tcgetattr(fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::cfsetspeed(&tio, B9600);
            ::tcsetattr(fd, TCSANOW, &tio);
        }
    }
    ~Port() { ::close(fd); }
    void send(const std::string& hexBytes) const
    {
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(hexBytes));
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    }
    // Whatever arrives within `ms`, up to `want` bytes.
    QByteArray receive(int want, int ms) const
    {
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        while (got.size() < want && timer.elapsed() < ms) {
            char buffer[256];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0)
                got.append(buffer, int(n));
            else
                QThread::msleep(2);
        }
        return got;
    }
    int waiting() const
    {
        int n = -1;
        ::ioctl(fd, FIONREAD, &n);
        return n;
    }
    int fd;
};

std::unique_ptr<kmsim::SwitchSimulator> start(kmsim::SimOptions options = {})
{
    options.logPath.clear();
    auto sim = std::make_unique<kmsim::SwitchSimulator>(options);
    std::string error;
    EXPECT_TRUE(sim->start(error)) << error;
    return sim;
}

TEST(SimOptions, ParseOrNameTheFault)
{
    const struct { std::vector<std::string> args; const char* error; } rows[] = {
        {{}, ""}, {{"--ports", "15", "--status=0x07", "--stall"}, ""},
        {{"--ports", "16"}, "option --ports wants a number from 0 to 15, got '16'"},
        {{"--ports"}, "option --ports needs a value"},
        {{"--baud", "9600x"}, "option --baud wants a number from 0 to 4000000, got '9600x'"},
        {{"--fault", "smoke"}, "option --fault knows no fault 'smoke' (silence, wrong-magic, wrong-length, cut, hangup)"},
        {{"--short-info=1"}, "option --short-info takes no value"},
        {{"--frobnicate"}, "unknown option '--frobnicate' (see --help)"},
        {{"--port-dir", "/tmp/x"}, "--port-dir needs --com or --link-name"}};
    for (const auto& row : rows) {
        kmsim::SimOptions o;
        bool help = true;
        std::string error;
        EXPECT_EQ(kmsim::parseSimOptions(row.args, o, help, error), !*row.error) << row.error;
        EXPECT_EQ(error, row.error);
        EXPECT_FALSE(help);
    }
    kmsim::SimOptions o;
    bool help = false;
    std::string error;
    ASSERT_TRUE(kmsim::parseSimOptions({"--ports", "7", "--reply-delay", "200", "--fault", "hangup",
                                        "--magic", "0xAA", "--link-name", "com7", "--quiet"}, o, help, error));
    EXPECT_EQ(o.portCount, 7);
    EXPECT_EQ(o.replyDelayMs, 200);
    EXPECT_EQ(o.fault, kmsim::Fault::HangUp);
    EXPECT_EQ(o.wrongMagic, 0xAA);
    EXPECT_EQ(o.linkName, "com7");
    EXPECT_TRUE(o.logPath.empty());
    ASSERT_TRUE(kmsim::parseSimOptions({"--baud", "1", "--help", "--frobnicate"}, o, help, error));
    EXPECT_TRUE(help) << "--help wins over what follows";
}

struct LineRow
{
    const char* label;
    std::string send;
    bool raw;          // the program set the line up as it must
    const char* reply; // the answer's first two bytes; "" for none
    int malformed;
};

void PrintTo(const LineRow& row, std::ostream* os)
{
    *os << row.label;
}

class Line : public ::testing::TestWithParam<LineRow> {};

TEST_P(Line, AnswersOnlyWellFormedFramesOnAWellSetLine)
{
    const LineRow& row = GetParam();
    auto sim = start();
    Port port(sim->slavePath(), row.raw);
    port.send(row.send);
    // Longer than the switch waits for the rest of a frame cut short.
    EXPECT_EQ(port.receive(4096, 300).left(2).toHex(), QByteArray(row.reply));
    EXPECT_EQ(sim->malformedCount(), row.malformed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Line,
    ::testing::Values(
        LineRow {"GET_INFO", kGetInfo3, true, "aa05", 0},
        LineRow {"PROD_SET_DATA", kProdSetData4, true, "5500", 0},
        LineRow {"GET_INFO with a byte after its index", "aa05000000003c000301" + std::string(100, '0'), true, "", 1},
        LineRow {"GET_INFO whose length says 59", "aa05000000003b0003" + std::string(100, '0'), true, "", 1},
        LineRow {"PROD_SET_DATA shorter than its length", "aa0e000000000c000002000000800008010203", true, "", 1},
        LineRow {"reserved bytes not zero", "aa0e000001000c00000200000080000801020304", true, "", 1},
        LineRow {"unknown command", "aa0700000000010000", true, "", 1},
        LineRow {"GET_INFO on a line left cooked", kGetInfo3, false, "", 1}));

TEST(Line, KeepsUnreadAnswersUntilThePortCloses)
{
    auto sim = start();
    {
        Port port(sim->slavePath());
        port.send(kGetInfo3);
        port.send(kGetInfo3);
        QThread::msleep(200);
        EXPECT_EQ(port.waiting(), 120) << "a switch does not take back what it sent";
    }
    QThread::msleep(100);
    EXPECT_EQ(Port(sim->slavePath()).waiting(), 0) << "what was left unread went with the close";
}

TEST(Line, PacedAtTheBaudRateAfterTheSwitchsOwnTime)
{
    kmsim::SimOptions o;
    o.baud = 9600;
    o.replyDelayMs = 100;
    auto sim = start(o);
    Port port(sim->slavePath());
    QElapsedTimer timer;
    timer.start();
    port.send(kGetInfo3);
    ASSERT_EQ(port.receive(60, 3000).size(), 60);
    // 120 bytes of 10 bits at 9600 baud take 125 ms on the wire, and the switch its 100 ms.
    EXPECT_GE(timer.elapsed(), 220);
}

TEST(Program, LinksSavesLogsAndCleansUp)
{
    QTemporaryDir work;
    const QString ports = work.path() + "/ports", images = work.path() + "/images", log = work.path() + "/frames.log";
    const QString victim = work.path() + "/victim";
    // Planted links at the names it writes: following either would create the victim.
    ASSERT_TRUE(QDir().mkpath(images) && QFile::link(victim, images + "/image-001.bin"));
    ASSERT_TRUE(QFile::link(victim, work.path() + "/planted.log"));
    QProcess refused;
    refused.start(KMSWITCH_SIM_PATH, {"--log", work.path() + "/planted.log"});
    ASSERT_TRUE(refused.waitForFinished(5000));
    EXPECT_EQ(refused.exitCode(), 1);

    QProcess sim;
    sim.start(KMSWITCH_SIM_PATH, {"--com", "7", "--port-dir", ports, "--save", images, "--log", log});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    EXPECT_TRUE(sim.readLine().contains((ports + "/COM7").toLocal8Bit()));
    {
        Port port((ports + "/COM7").toStdString());
        port.send(kProdSetData4);
        EXPECT_EQ(port.receive(2, 1000).toHex(), QByteArray("5500"));
    }
    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(ports + "/COM7")) << "the link goes with it";
    EXPECT_FALSE(QFileInfo::exists(victim));
    QFile saved(images + "/image-001.bin");
    ASSERT_TRUE(!QFileInfo(saved).isSymLink() && saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll().toHex(), QByteArray("01020304"));
    QFile frames(log);
    ASSERT_TRUE(frames.open(QIODevice::ReadOnly));
    const QByteArray text = frames.readAll();
    EXPECT_TRUE(text.contains("<- PROD_SET_DATA index 0 kind 2 param 0x08008000, 4 bytes (20 bytes): "
                              "aa 0e 00 00 00 00 0c 00 00 02 00 00 00 80 00 08 01 02 03 04")) << text.toStdString();
    EXPECT_TRUE(text.contains("-> answer (2 bytes): 55 00"));

    QProcess help;
    help.start(KMSWITCH_SIM_PATH, {"--help"});
    ASSERT_TRUE(help.waitForFinished(5000));
    EXPECT_EQ(help.exitCode(), 0);
    EXPECT_TRUE(help.readAllStandardOutput().contains("--reply-delay MS"));
    QProcess bad;
    bad.start(KMSWITCH_SIM_PATH, {"--ports", "99"});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 2);
    EXPECT_TRUE(bad.readAllStandardError().contains("--ports"));
}

} // namespace
