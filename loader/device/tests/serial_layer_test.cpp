// The POSIX serial layer against the simulator's pseudo-terminal: COMn resolution, exclusive
// open, line settings, queue count, purge and the system's texts.

#include <QDir>
#include <QFile>
#include <cerrno>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

#include "comportnames.h"
#include "device_test_support.h"
#include "portdiscovery.h"
#include "serialportapi.h"
#include "termiosmapping_posix.h"

namespace {

SerialPortApi& api()
{
    return systemSerialPortApi();
}

bool waitForQueue(SerialHandle h, quint32 count)
{
    for (int i = 0; i < 200; ++i) {
        quint32 n = 0;
        if (api().inputQueueCount(h, n) && n >= count)
            return true;
        api().sleepMs(5);
    }
    return false;
}

const QByteArray kGetInfo0 = [] {
    QByteArray f(60, '\0');
    f[0] = char(0xAA);
    f[1] = 0x05;
    f[6] = 60;
    return f;
}();

TEST(SerialLayer, OpensPinnedPortExclusivelyAlsoForRoot)
{
    auto sim = startSwitch({});
    const int before = openDescriptorCount();
    const SerialHandle first = api().open(comDevicePath(kTestCom));
    ASSERT_NE(first, kInvalidSerialHandle) << api().errorText(api().lastError()).toStdString();
    ASSERT_NE(first, 0);

    // A second open fails whoever asks. TIOCEXCL stops other users at open(); root passes
    // it and is stopped by the lock.
    EXPECT_EQ(api().open(comDevicePath(kTestCom)), kInvalidSerialHandle);
    EXPECT_EQ(api().lastError(), EBUSY);
    EXPECT_EQ(api().errorText(api().lastError()), QStringLiteral("Device or resource busy"));

    EXPECT_TRUE(api().close(first));
    EXPECT_EQ(openDescriptorCount(), before);
    // Closed means free again, also for a non-root opener (TIOCEXCL cleared).
    const SerialHandle again = api().open(QStringLiteral("COM%1").arg(kTestCom));
    ASSERT_NE(again, kInvalidSerialHandle);
    EXPECT_TRUE(api().close(again));
}

TEST(SerialLayer, UnknownPortsFailWithTheSystemText)
{
    EXPECT_EQ(api().open(comDevicePath(kTestCom + 7)), kInvalidSerialHandle);
    EXPECT_EQ(api().errorText(api().lastError()), QStringLiteral("No such file or directory"));
    EXPECT_EQ(api().open(QStringLiteral("LPT1")), kInvalidSerialHandle);
    EXPECT_EQ(api().lastError(), ENOENT);
    EXPECT_EQ(api().open(QStringLiteral("/dev/null")), kInvalidSerialHandle)
        << "only COM names are ports";
}

TEST(SerialLayer, PinnedEntryThatIsNoTerminalIsRefused)
{
    QDir().mkpath(testPortDir());
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), testPortDir() + QStringLiteral("/COM230")));
    const int before = openDescriptorCount();
    EXPECT_EQ(api().open(comDevicePath(230)), kInvalidSerialHandle);
    EXPECT_EQ(api().lastError(), ENOTTY);
    EXPECT_EQ(openDescriptorCount(), before) << "the refused descriptor must be closed";
}

TEST(SerialLayer, PinnedEntryAnyLetterCase)
{
    kmsim::SimOptions o;
    o.linkName = "com231";
    auto sim = startSwitch(o);
    const SerialHandle h = api().open(comDevicePath(231));
    ASSERT_NE(h, kInvalidSerialHandle);
    EXPECT_TRUE(api().close(h));

    QList<PortInfo> ports;
    ASSERT_TRUE(systemSerialPorts(ports));
    bool found = false;
    for (const PortInfo& p : ports) {
        if (p.systemPath.endsWith(QStringLiteral("com231"))) {
            found = true;
            EXPECT_EQ(p.portName, QStringLiteral("COM231")) << "reported in capitals";
            EXPECT_EQ(p.description, QString::fromStdString(sim->slavePath()));
        }
    }
    EXPECT_TRUE(found);
}

TEST(SerialLayer, LineSettingsApplyAndRefusalsLeaveThemAlone)
{
    auto sim = startSwitch({});
    const SerialHandle h = api().open(comDevicePath(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);

    SerialLineState s;
    ASSERT_TRUE(api().getLineState(h, s));
    s.baudRate = 19200;
    s.stopBits = 2;
    s.dtrControl = 1; // a pty has no modem lines: tolerated
    s.rtsControl = 1;
    ASSERT_TRUE(api().setLineState(h, s)) << api().errorText(api().lastError()).toStdString();
    SerialLineState back;
    ASSERT_TRUE(api().getLineState(h, back));
    EXPECT_EQ(back.baudRate, 19200u);
    EXPECT_EQ(back.stopBits, 2);

    // Any rate, through termios2.
    s.baudRate = 31250;
    ASSERT_TRUE(api().setLineState(h, s));
    ASSERT_TRUE(api().getLineState(h, back));
    EXPECT_EQ(back.baudRate, 31250u);

    SerialLineState refused = s;
    refused.baudRate = 57600;
    refused.stopBits = 1;
    EXPECT_FALSE(api().setLineState(h, refused));
    EXPECT_EQ(api().errorText(api().lastError()),
              QStringLiteral("One and a half stop bits are not supported on Linux"));
    ASSERT_TRUE(api().getLineState(h, back));
    EXPECT_EQ(back.baudRate, 31250u) << "a refused setting must change nothing";

    SerialTimeouts t;
    ASSERT_TRUE(api().getTimeouts(h, t));
    EXPECT_EQ(t.readTotalTimeoutConstant, 0u);
    t.readTotalTimeoutConstant = 5000;
    ASSERT_TRUE(api().setTimeouts(h, t));
    SerialTimeouts t2;
    ASSERT_TRUE(api().getTimeouts(h, t2));
    EXPECT_EQ(t2.readTotalTimeoutConstant, 5000u);
    EXPECT_TRUE(api().close(h));
}

TEST(SerialLayer, QueueCountReadAndPurge)
{
    auto sim = startSwitch({});
    const SerialHandle h = api().open(comDevicePath(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState s;
    ASSERT_TRUE(api().getLineState(h, s));
    s.baudRate = 9600;
    ASSERT_TRUE(api().setLineState(h, s));

    quint32 written = 0;
    ASSERT_TRUE(api().write(h, kGetInfo0.constData(), 60, written));
    EXPECT_EQ(written, 60u);
    ASSERT_TRUE(waitForQueue(h, 60)) << "the simulator answers with 60 bytes";

    char buffer[60];
    quint32 got = 0;
    ASSERT_TRUE(api().read(h, buffer, 2, got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(quint8(buffer[0]), 0xAA);
    quint32 waiting = 0;
    ASSERT_TRUE(api().inputQueueCount(h, waiting));
    EXPECT_EQ(waiting, 58u);

    ASSERT_TRUE(api().purge(h, kPurgeRxAbort | kPurgeRxClear | kPurgeTxAbort | kPurgeTxClear));
    ASSERT_TRUE(api().inputQueueCount(h, waiting));
    EXPECT_EQ(waiting, 0u) << "purge drops what was waiting";
    // A read of what is not there takes nothing and does not block.
    ASSERT_TRUE(api().read(h, buffer, 10, got));
    EXPECT_EQ(got, 0u);
    EXPECT_TRUE(api().close(h));
}

TEST(SerialLayer, HangUpShowsAsReadError)
{
    kmsim::SimOptions o;
    o.fault = kmsim::Fault::HangUp;
    o.cutAfter = 0;
    auto sim = startSwitch(o);
    const SerialHandle h = api().open(comDevicePath(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);
    quint32 written = 0;
    ASSERT_TRUE(api().write(h, kGetInfo0.constData(), 60, written));
    for (int i = 0; i < 200 && !sim->hungUp(); ++i)
        api().sleepMs(5);
    ASSERT_TRUE(sim->hungUp());
    char buffer[4];
    quint32 got = 0;
    EXPECT_FALSE(api().read(h, buffer, 2, got));
    EXPECT_EQ(api().lastError(), EIO);
    EXPECT_FALSE(api().write(h, kGetInfo0.constData(), 60, written));
    EXPECT_TRUE(api().close(h));
}

TEST(SerialLayer, ErrorTextsAreTheSystemsOwn)
{
    EXPECT_EQ(api().errorText(EACCES), QStringLiteral("Permission denied"));
    EXPECT_EQ(api().errorText(0), QString());
    api().setLastError(EBUSY);
    EXPECT_EQ(api().lastError(), EBUSY);
    // The code is per thread, as GetLastError's.
    std::thread([] { EXPECT_EQ(api().lastError(), 0); }).join();
}

} // namespace
