// The device link on a line that takes time: requests spend their time on the wire and the
// switch its own before an answer comes; a line that takes nothing more must not freeze the
// program; a pinned device that goes away is seen going.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "apppreferences.h"
#include "comportnames.h"
#include "device_test_support.h"
#include "listcomports.h"
#include "serialdeviceenumerator.h"
#include "testable_handler.h"

namespace {

struct ReplyTimingRow
{
    const char* label;
    unsigned baud;
    int replyDelayMs;
    const char* error; // null: the image loads
};

void PrintTo(const ReplyTimingRow& row, std::ostream* os)
{
    *os << row.label;
}

class ReplyTiming : public ::testing::TestWithParam<ReplyTimingRow> {};

// The 936-byte frame needs 975 ms on the wire at 9600 baud: the reply budget must start after.
TEST_P(ReplyTiming, BudgetStartsWhenTheFrameHasLeftTheLine)
{
    const ReplyTimingRow& row = GetParam();
    resetPreferences();
    pref::iComBaudrate = int(row.baud);
    kmsim::SimOptions o;
    o.baud = row.baud;
    o.replyDelayMs = row.replyDelayMs;
    auto sim = startSwitch(o);
    COMHandler256 handler;
    ProdDataRequest request = configRequest(testImage(920));
    QString error;
    const bool loaded = handler.prodSetData(request, error);
    if (row.error) {
        EXPECT_FALSE(loaded);
        EXPECT_EQ(error.toStdString(), row.error);
    } else {
        EXPECT_TRUE(loaded) << error.toStdString();
        ASSERT_EQ(sim->images().size(), 1u);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(sim->images()[0].data()), 920),
                  request.payload);
    }
    EXPECT_EQ(sim->malformedCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReplyTiming,
    ::testing::Values(ReplyTimingRow {"9600 baud, answer after 200 ms", 9600, 200, nullptr},
                      ReplyTimingRow {"9600 baud, answer after 1500 ms", 9600, 1500,
                                      "COM port read failed by timeout"},
                      ReplyTimingRow {"115200 baud, answer after 200 ms", 115200, 200, nullptr},
                      ReplyTimingRow {"115200 baud, answer after 1500 ms", 115200, 1500,
                                      "COM port read failed by timeout"}));

TEST(StalledLine, WriteFailsWithinItsBoundAndLetsThePortGo)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.stall = true;
    auto sim = startSwitch(o);
    TestableHandler handler;
    const int descriptors = openDescriptorCount();
    ProdDataRequest request = configRequest(testImage(920));
    QString error;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(handler.prodSetData(request, error));
    // The first piece, 60 bytes at 2 ms each, plus the one-second margin: 1120 ms.
    EXPECT_LT(timer.elapsed(), 3000) << "a stuck write must not wait for ever";
    EXPECT_EQ(error, QStringLiteral("Write failed with error : Connection timed out"));
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(handler.handle(), 0);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

// What the program queued and nobody took is dropped at close, rather than making the kernel
// wait up to 30 s for a line that may never take it.
TEST(StalledLine, CloseDiscardsWhatWasNotSent)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
    int packetMode = 1;
    ASSERT_EQ(::ioctl(master, TIOCPKT, &packetMode), 0);
    const QString link = testPortDir() + QStringLiteral("/COM202");
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(::ptsname(master)), link));
    SerialPortApi& api = serialPortApi();
    const SerialHandle port = api.open(QStringLiteral("COM202"));
    ASSERT_NE(port, kInvalidSerialHandle);
    quint32 written = 0;
    ASSERT_TRUE(api.write(port, "unsent", 6, written));
    ASSERT_TRUE(api.close(port));
    char packet[64] = {};
    const ssize_t n = ::read(master, packet, sizeof packet);
    ASSERT_GE(n, 1);
    for (int i = 0; i < n; ++i) fprintf(stderr, "%02x ", packet[i] & 0xff);
    EXPECT_TRUE(packet[0] & TIOCPKT_FLUSHWRITE) << "the close flushes the output queue";
    ::close(master);
    QFile::remove(link);
}

TEST(OpenRetry, OpenAfterTheWaitEndedIsNeverKept)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.busyMs = 1000; // free again before the retry's moment
    auto sim = startSwitch(o);
    TestableHandler handler;
    QObject::disconnect(SerialDeviceEnumerator::instance(), nullptr, &handler, nullptr);
    // Quitting the application leaves every running loop, the retry's wait among them.
    QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
    QList<InfoRecord> records;
    QString error;
    EXPECT_FALSE(handler.getInfo(records, error));
    EXPECT_EQ(error, QStringLiteral("Device or resource busy"));
    QTest::qWait(2500);
    EXPECT_EQ(handler.handle(), 0);
    EXPECT_EQ(descriptorsOn(sim->slavePath()), 1) << "only the switch's own end stays open";
}

TEST(PinnedPort, DeviceThatVanishesLeavesListAndIndicator)
{
    resetPreferences();
    kmsim::SwitchSimulator sim(kmsim::SimOptions {});
    std::string startError;
    ASSERT_TRUE(sim.start(startError)) << startError;
    // A link of the operator's own, which outlives the device it names.
    const QString link = testPortDir() + QStringLiteral("/COM%1").arg(kTestCom);
    ASSERT_TRUE(QFile::link(QString::fromStdString(sim.slavePath()), link));
    COMHandler256 handler;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    handler.checkConnection();
    ASSERT_TRUE(connected.last()[0].toBool()) << SerialDeviceEnumerator::instance()->portNames().join(' ').toStdString();

    sim.stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connected.last()[0].toBool(); }, 3000))
        << "the pseudo-terminal's going is noticed";
    QList<unsigned int> ports;
    QStringList descriptions;
    ASSERT_TRUE(listComPorts(ports, descriptions));
    EXPECT_FALSE(ports.contains(kTestCom));
    EXPECT_EQ(serialPortApi().open(comDevicePath(kTestCom)), kInvalidSerialHandle)
        << "what the list does not show cannot be opened either";
    QFile::remove(link);
}

} // namespace
