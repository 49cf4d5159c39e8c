// The switch simulator itself: its command line, its help, and what it saves and logs.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "device_test_support.h"
#include "sim_options.h"
#include "testable_handler.h"

namespace {

using kmsim::SimOptions;

struct ArgsRow
{
    std::vector<std::string> args;
    bool ok;
    const char* errorPart; // when !ok
};

void PrintTo(const ArgsRow& row, std::ostream* os)
{
    *os << "[";
    for (const std::string& a : row.args)
        *os << " " << a;
    *os << " ]";
}

class SimCommandLine : public ::testing::TestWithParam<ArgsRow> {};

TEST_P(SimCommandLine, AcceptsGoodOptionsAndNamesTheBadOne)
{
    const ArgsRow& row = GetParam();
    SimOptions o;
    bool help = false;
    std::string error;
    EXPECT_EQ(kmsim::parseSimOptions(row.args, o, help, error), row.ok) << error;
    if (!row.ok) {
        EXPECT_NE(error.find(row.errorPart), std::string::npos) << error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Args, SimCommandLine,
    ::testing::Values(
        ArgsRow {{}, true, ""}, ArgsRow {{"--ports", "15"}, true, ""},
        ArgsRow {{"--ports=0"}, true, ""}, ArgsRow {{"--status", "0x07"}, true, ""},
        ArgsRow {{"--ports", "16"}, false, "--ports"}, ArgsRow {{"--ports"}, false, "needs a value"},
        ArgsRow {{"--status", "256"}, false, "--status"},
        ArgsRow {{"--baud", "9600x"}, false, "9600x"},
        ArgsRow {{"--fault", "smoke"}, false, "unknown fault"},
        ArgsRow {{"--short-info=1"}, false, "takes no value"},
        ArgsRow {{"--frobnicate"}, false, "unknown option"},
        ArgsRow {{"--port-dir", "/tmp/x"}, false, "--port-dir needs"}));

TEST(SimCommandLine, ValuesLandInTheirFields)
{
    SimOptions o;
    bool help = false;
    std::string error;
    ASSERT_TRUE(kmsim::parseSimOptions(
        {"--ports", "7", "--short-info", "--info-status", "3", "--status=9", "--baud", "9600",
         "--fault", "hangup", "--fault-at", "4", "--magic", "0xAA", "--info-length", "17",
         "--cut-after", "12", "--busy", "2500", "--save", "/tmp/img", "--com", "7",
         "--port-dir", "/tmp/ports", "--link-name", "com7", "--log", "/tmp/log"},
        o, help, error))
        << error;
    EXPECT_FALSE(help);
    EXPECT_EQ(o.portCount, 7);
    EXPECT_TRUE(o.shortInfo);
    EXPECT_EQ(o.infoStatus, 3);
    EXPECT_EQ(o.prodStatus, 9);
    EXPECT_EQ(o.baud, 9600u);
    EXPECT_EQ(o.fault, kmsim::Fault::HangUp);
    EXPECT_EQ(o.faultAt, 4);
    EXPECT_EQ(o.wrongMagic, 0xAA);
    EXPECT_EQ(o.infoLength, 17);
    EXPECT_EQ(o.cutAfter, 12);
    EXPECT_EQ(o.busyMs, 2500);
    EXPECT_EQ(o.saveDir, "/tmp/img");
    EXPECT_EQ(o.comNumber, 7);
    EXPECT_EQ(o.portDir, "/tmp/ports");
    EXPECT_EQ(o.linkName, "com7");
    EXPECT_EQ(o.logPath, "/tmp/log");
    ASSERT_TRUE(kmsim::parseSimOptions({"--quiet"}, o, help, error));
    EXPECT_TRUE(o.logPath.empty());
}

TEST(SimCommandLine, HelpDocumentsEveryOption)
{
    SimOptions o;
    bool help = false;
    std::string error;
    ASSERT_TRUE(kmsim::parseSimOptions({"--help"}, o, help, error));
    EXPECT_TRUE(help);
    const QString usage = QString::fromStdString(kmsim::simUsage());
    // Every option the parser knows must be in the help, and the help names no other.
    const QStringList known {"--ports", "--short-info", "--info-status", "--status", "--baud",
                             "--fault", "--fault-at", "--magic", "--info-length", "--cut-after",
                             "--busy", "--stall", "--reply-delay", "--save", "--com", "--port-dir", "--link-name", "--log",
                             "--quiet", "--help"};
    QStringList documented;
    const QRegularExpression option(QStringLiteral("(--[a-z-]+)"));
    for (auto it = option.globalMatch(usage); it.hasNext();)
        documented.append(it.next().captured(1));
    documented.removeDuplicates();
    for (const QString& name : known) {
        EXPECT_TRUE(documented.contains(name)) << name.toStdString();
        SimOptions probe;
        std::string probeError;
        bool probeHelp = false;
        std::vector<std::string> args {name.toStdString()};
        if (name != "--short-info" && name != "--quiet" && name != "--help" && name != "--stall")
            args.push_back(name == "--fault" ? "cut" : "1");
        if (name == "--port-dir" || name == "--link-name")
            args.insert(args.end(), {"--com", "3"});
        EXPECT_TRUE(kmsim::parseSimOptions(args, probe, probeHelp, probeError))
            << name.toStdString() << ": " << probeError;
    }
    for (const QString& name : documented)
        EXPECT_TRUE(known.contains(name)) << "documented but unknown: " << name.toStdString();
    for (const char* fault : {"silence", "wrong-magic", "wrong-length", "cut", "hangup"})
        EXPECT_TRUE(usage.contains(QLatin1String(fault))) << fault;
}

TEST(SimProgram, HelpRunsAndExitsCleanly)
{
    QProcess sim;
    sim.start(QStringLiteral(KMSWITCH_SIM_PATH), {QStringLiteral("--help")});
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(sim.readAllStandardOutput()),
              QString::fromStdString(kmsim::simUsage()));
    QProcess bad;
    bad.start(QStringLiteral(KMSWITCH_SIM_PATH), {QStringLiteral("--ports"), QStringLiteral("99")});
    ASSERT_TRUE(bad.waitForFinished(5000));
    EXPECT_EQ(bad.exitCode(), 2);
    EXPECT_TRUE(bad.readAllStandardError().contains("--ports"));
}

TEST(SimProgram, LinksSavesLogsAndCleansUp)
{
    QTemporaryDir work;
    const QString ports = work.path() + QStringLiteral("/ports");
    const QString images = work.path() + QStringLiteral("/images");
    const QString log = work.path() + QStringLiteral("/frames.log");
    QProcess sim;
    sim.start(QStringLiteral(KMSWITCH_SIM_PATH),
              {QStringLiteral("--com"), QStringLiteral("7"), QStringLiteral("--port-dir"), ports,
               QStringLiteral("--save"), images, QStringLiteral("--log"), log});
    ASSERT_TRUE(sim.waitForReadyRead(5000));
    const QString banner = QString::fromLocal8Bit(sim.readLine());
    EXPECT_TRUE(banner.contains(ports + QStringLiteral("/COM7"))) << banner.toStdString();

    QFile port(ports + QStringLiteral("/COM7"));
    ASSERT_TRUE(port.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    makeRaw(port.handle());
    QByteArray frame = QByteArray::fromHex("aa0e000000000c00000200000080000801020304");
    ASSERT_EQ(port.write(frame), frame.size());
    QByteArray reply;
    for (int i = 0; i < 100 && reply.size() < 2; ++i) {
        QThread::msleep(10);
        reply += port.read(2 - reply.size());
    }
    EXPECT_EQ(reply, QByteArray::fromHex("5500"));
    port.close();

    sim.terminate();
    ASSERT_TRUE(sim.waitForFinished(5000));
    EXPECT_EQ(sim.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(ports + QStringLiteral("/COM7"))) << "the link goes with it";
    QFile saved(images + QStringLiteral("/image-001.bin"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray::fromHex("01020304"));
    QFile frames(log);
    ASSERT_TRUE(frames.open(QIODevice::ReadOnly));
    const QByteArray text = frames.readAll();
    EXPECT_TRUE(text.contains("<- PROD_SET_DATA index 0 kind 2 param 0x08008000, 4 bytes (20 bytes): "
                              "aa 0e 00 00 00 00 0c 00 00 02 00 00 00 80 00 08 01 02 03 04"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("-> answer (2 bytes): 55 00"));
}

TEST(SimLibrary, PlantedLinksRedirectNeitherTheLogNorTheImages)
{
    // Dangling links to one target: following either would create it.
    QTemporaryDir work;
    const QString victim = work.path() + QStringLiteral("/victim"), images = work.path() + QStringLiteral("/images");
    kmsim::SimOptions o;
    o.logPath = (work.path() + QStringLiteral("/frames.log")).toStdString();
    ASSERT_TRUE(QDir().mkpath(images) && QFile::link(victim, QString::fromStdString(o.logPath)) &&
                QFile::link(victim, images + QStringLiteral("/image-001.bin")));
    std::string error;
    EXPECT_FALSE(kmsim::SwitchSimulator(o).start(error));
    o.logPath.clear();
    o.saveDir = images.toStdString();
    resetPreferences();
    auto sim = startSwitch(o);
    ProdDataRequest request;
    request.kind = kProdDataConfigKind;
    request.payload = QByteArray::fromHex("01020304");
    QString strError;
    ASSERT_TRUE(TestableHandler().prodSetData(request, strError)) << strError.toStdString();
    sim->stop();
    EXPECT_FALSE(QFileInfo::exists(victim));
    EXPECT_EQ(QDir(images).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
              QStringList {QStringLiteral("image-001.bin")});
    QFile saved(images + QStringLiteral("/image-001.bin"));
    ASSERT_TRUE(!QFileInfo(saved).isSymLink() && saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), request.payload);
}

TEST(SimLibrary, PacesRepliesAtTheBaudRate)
{
    kmsim::SimOptions o;
    o.baud = 9600;
    auto sim = startSwitch(o, 224);
    QFile port(testPortDir() + QStringLiteral("/COM224"));
    ASSERT_TRUE(port.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    makeRaw(port.handle());
    QByteArray request(60, '\0');
    request[0] = char(0xAA);
    request[1] = 0x05;
    request[6] = 60;
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(port.write(request), 60);
    QByteArray reply;
    while (reply.size() < 60 && timer.elapsed() < 3000) {
        QThread::msleep(1);
        reply += port.read(60 - reply.size());
    }
    const qint64 elapsed = timer.elapsed();
    ASSERT_EQ(reply.size(), 60);
    // 120 bytes of 10 bits at 9600 baud take 125 ms on the wire.
    EXPECT_GE(elapsed, 120);
    EXPECT_LT(elapsed, 1000);
}

} // namespace

namespace {

// What a program sends, and what a switch on a real line makes of it.
struct LineRow
{
    const char* label;
    const char* sendHex;
    bool raw;             // the program set the line up as it must
    const char* replyHex; // what comes back; "" for nothing
    int malformed;
};

void PrintTo(const LineRow& row, std::ostream* os)
{
    *os << row.label;
}

class SimLine : public ::testing::TestWithParam<LineRow> {};

const char* const kGetInfo3 = "aa05000000003c0003"
                              "000000000000000000000000000000000000000000000000000000000000"
                              "000000000000000000000000000000000000000000";

TEST_P(SimLine, AnswersOnlyWellFormedFramesOnAWellSetLine)
{
    const LineRow& row = GetParam();
    auto sim = startSwitch({}, 225);
    QFile port(testPortDir() + QStringLiteral("/COM225"));
    ASSERT_TRUE(port.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    if (row.raw)
        makeRaw(port.handle());
    ::fcntl(port.handle(), F_SETFL, O_NONBLOCK);
    const QByteArray frame = QByteArray::fromHex(row.sendHex);
    ASSERT_EQ(port.write(frame), frame.size());
    QThread::msleep(300); // longer than the switch gives a frame cut short
    // The first two bytes tell the answer; a cooked line may carry the echo of anything.
    EXPECT_EQ(port.read(4096).left(2), QByteArray::fromHex(row.replyHex));
    EXPECT_EQ(sim->malformedCount(), row.malformed);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SimLine,
    ::testing::Values(
        LineRow {"GET_INFO", kGetInfo3, true, "aa05", 0},
        LineRow {"GET_INFO with a byte after its index",
                 "aa05000000003c000301" "0000000000000000000000000000000000000000000000000000"
                 "000000000000000000000000000000000000000000000000",
                 true, "", 1},
        LineRow {"GET_INFO whose length says 59",
                 "aa05000000003b0003" "00000000000000000000000000000000000000000000000000"
                 "00000000000000000000000000000000000000000000000000",
                 true, "", 1},
        LineRow {"PROD_SET_DATA shorter than its length", "aa0e000000000c000002000000800008010203",
                 true, "", 1},
        LineRow {"unknown command", "aa0700000000010000", true, "", 1},
        LineRow {"GET_INFO on a line left cooked", kGetInfo3, false, "", 1}));

TEST(SimLibrary, KeepsUnreadAnswersUntilThePortCloses)
{
    auto sim = startSwitch({}, 226);
    const QString path = testPortDir() + QStringLiteral("/COM226");
    QFile port(path);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    makeRaw(port.handle());
    const QByteArray frame = QByteArray::fromHex(kGetInfo3);
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(port.write(frame), frame.size());
        QThread::msleep(100);
    }
    int waiting = 0;
    ASSERT_EQ(::ioctl(port.handle(), FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 120) << "a switch does not take back what it sent";
    port.close();
    QThread::msleep(100);
    ASSERT_TRUE(port.open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    ASSERT_EQ(::ioctl(port.handle(), FIONREAD, &waiting), 0);
    EXPECT_EQ(waiting, 0) << "what was left unread went with the close, as on a real port";
}

} // namespace
