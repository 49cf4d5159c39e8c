// The POSIX serial layer on pseudo-terminals: what COMn opens, exclusivity, line settings,
// queue count, purge, hang-up, close, and the system's texts.

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "com_port_names.h"
#include "device_test_support.h"
#include "frame_codec.h"
#include "port_discovery.h"

namespace {

SerialPortApi& api()
{
    return systemSerialPortApi();
}

SerialHandle openCom(int number)
{
    return api().open(comDevicePath(number));
}

TEST(SerialLayer, OpensExclusivelyAndReadsBusyAsBusy)
{
    auto sim = startSwitch();
    const int before = openDescriptorCount();
    const SerialHandle first = openCom(kTestCom);
    ASSERT_NE(first, kInvalidSerialHandle);
    ASSERT_NE(first, 0);
    // Root passes TIOCEXCL and meets the lock instead; either way the text says busy.
    EXPECT_EQ(openCom(kTestCom), kInvalidSerialHandle);
    EXPECT_EQ(api().errorText(api().lastError()), QStringLiteral("Device or resource busy"));
    EXPECT_TRUE(api().close(first));
    EXPECT_EQ(openDescriptorCount(), before);
    const SerialHandle again = api().open(QStringLiteral("com%1").arg(kTestCom));
    ASSERT_NE(again, kInvalidSerialHandle) << "closed means free again";
    EXPECT_TRUE(api().close(again));
}

TEST(SerialLayer, WhatIsNotAPortIsRefused)
{
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/null"), testPortDir() + QStringLiteral("/COM230")));
    const int before = openDescriptorCount();
    const struct { const char* path; int error; } rows[] = {
        {"\\\\.\\COM208", ENOENT}, {"LPT1", ENOENT}, {"/dev/null", ENOENT}, {"\\\\.\\COM230", ENOTTY}};
    for (const auto& row : rows) {
        EXPECT_EQ(api().open(QString::fromLatin1(row.path)), kInvalidSerialHandle) << row.path;
        EXPECT_EQ(api().lastError(), row.error) << row.path;
    }
    EXPECT_EQ(api().errorText(ENOENT), QStringLiteral("No such file or directory"));
    EXPECT_EQ(openDescriptorCount(), before) << "a refused descriptor is closed";
}

TEST(SerialLayer, PinnedEntryInAnyLetterCaseIsReportedInCapitals)
{
    kmsim::SimOptions o;
    o.linkName = "com231";
    auto sim = startSwitch(o);
    const SerialHandle h = openCom(231);
    ASSERT_NE(h, kInvalidSerialHandle);
    EXPECT_TRUE(api().close(h));
    QList<PortInfo> ports;
    ASSERT_TRUE(systemSerialPorts(ports));
    const auto it = std::find_if(ports.begin(), ports.end(),
                                 [](const PortInfo& p) { return p.systemPath.endsWith("com231"); });
    ASSERT_NE(it, ports.end());
    EXPECT_EQ(it->portName, QStringLiteral("COM231"));
    EXPECT_EQ(it->description, QString::fromStdString(sim->slavePath()));
}

TEST(SerialLayer, LineSettingsApplyAndRefusalsChangeNothing)
{
    auto sim = startSwitch();
    const SerialHandle h = openCom(kTestCom);
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState s;
    ASSERT_TRUE(api().getLineState(h, s));
    for (quint32 rate : {19200u, 31250u /* through termios2 */}) {
        s.baudRate = rate;
        s.stopBits = 2;
        s.dtrControl = s.rtsControl = 1; // a pty has no modem lines: tolerated
        ASSERT_TRUE(api().setLineState(h, s)) << rate;
        SerialLineState back;
        ASSERT_TRUE(api().getLineState(h, back));
        EXPECT_EQ(back.baudRate, rate);
        EXPECT_EQ(back.stopBits, 2);
    }
    SerialLineState refused = s;
    refused.baudRate = 57600;
    refused.stopBits = 1;
    EXPECT_FALSE(api().setLineState(h, refused));
    EXPECT_EQ(api().errorText(api().lastError()),
              QStringLiteral("One and a half stop bits are not supported on Linux"));
    SerialLineState back;
    ASSERT_TRUE(api().getLineState(h, back));
    EXPECT_EQ(back.baudRate, 31250u) << "a refused setting changes nothing";

    SerialTimeouts t;
    ASSERT_TRUE(api().getTimeouts(h, t));
    EXPECT_EQ(t.readTotalTimeoutConstant, 0u);
    t.readTotalTimeoutConstant = 5000;
    ASSERT_TRUE(api().setTimeouts(h, t));
    ASSERT_TRUE(api().getTimeouts(h, t));
    EXPECT_EQ(t.readTotalTimeoutConstant, 5000u);
    EXPECT_TRUE(api().close(h));
}

TEST(SerialLayer, QueueCountReadPurgeAndHangUp)
{
    kmsim::SimOptions o;
    o.fault = kmsim::Fault::HangUp;
    o.faultAt = 1;
    o.cutAfter = 0;
    auto sim = startSwitch(o);
    const SerialHandle h = openCom(kTestCom);
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState s;
    ASSERT_TRUE(api().getLineState(h, s));
    s.baudRate = 9600;
    ASSERT_TRUE(api().setLineState(h, s));

    quint8 request[frames::kInfoFrameSize];
    frames::encodeInfoRequest(0, request);
    quint32 written = 0, waiting = 0, got = 0;
    ASSERT_TRUE(api().write(h, request, 60, written));
    EXPECT_EQ(written, 60u);
    for (int i = 0; i < 200 && api().inputQueueCount(h, waiting) && waiting < 60; ++i)
        api().sleepMs(5);
    ASSERT_EQ(waiting, 60u);
    char buffer[60];
    ASSERT_TRUE(api().read(h, buffer, 2, got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(quint8(buffer[0]), 0xAA);
    ASSERT_TRUE(api().inputQueueCount(h, waiting));
    EXPECT_EQ(waiting, 58u);
    ASSERT_TRUE(api().purge(h, kPurgeRxAbort | kPurgeRxClear | kPurgeTxAbort | kPurgeTxClear));
    ASSERT_TRUE(api().inputQueueCount(h, waiting));
    EXPECT_EQ(waiting, 0u) << "purge drops what was waiting";
    ASSERT_TRUE(api().read(h, buffer, 10, got));
    EXPECT_EQ(got, 0u) << "a read takes only what is there and does not block";

    // The second frame makes the switch hang up, as an unplugged adapter does.
    ASSERT_TRUE(api().write(h, request, 60, written));
    for (int i = 0; i < 200 && !sim->hungUp(); ++i)
        api().sleepMs(5);
    ASSERT_TRUE(sim->hungUp());
    EXPECT_FALSE(api().read(h, buffer, 2, got));
    EXPECT_EQ(api().lastError(), EIO);
    EXPECT_FALSE(api().write(h, request, 60, written));
    EXPECT_TRUE(api().close(h));
}

// What was queued and never sent is dropped at close, rather than making the kernel wait up
// to its closing time for a line that may never take it.
TEST(SerialLayer, CloseDiscardsWhatWasNotSent)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master) | ::unlockpt(master), 0);
    int packetMode = 1;
    ASSERT_EQ(::ioctl(master, TIOCPKT, &packetMode), 0);
    ASSERT_TRUE(QFile::link(QString::fromLocal8Bit(::ptsname(master)), testPortDir() + "/COM202"));
    const SerialHandle port = openCom(202);
    ASSERT_NE(port, kInvalidSerialHandle);
    quint32 written = 0;
    ASSERT_TRUE(api().write(port, "unsent", 6, written));
    ASSERT_TRUE(api().close(port));
    char packet[64] = {};
    ASSERT_GE(::read(master, packet, sizeof packet), 1);
    EXPECT_TRUE(packet[0] & TIOCPKT_FLUSHWRITE);
    ::close(master);
}

TEST(SerialLayer, ErrorCodesPerThreadAndTheSystemsTexts)
{
    EXPECT_EQ(api().errorText(EACCES), QStringLiteral("Permission denied"));
    EXPECT_EQ(api().errorText(0), QString());
    api().setLastError(EBUSY);
    EXPECT_EQ(api().lastError(), EBUSY);
    std::thread([] { EXPECT_EQ(api().lastError(), 0); }).join();
}

} // namespace
