// The POSIX serial layer on pseudo-terminals, where the handler's tests do not reach: what
// COMn opens and refuses, line settings the handler never asks for, the queue, hang-up and
// close, and the per-thread error code.

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <thread>
#include <unistd.h>

#include "com_port_names.h"
#include "device_test_support.h"

namespace {

SerialPortApi& api() { return systemSerialPortApi(); }

TEST(SerialLayer, WhatComOpensAndRefuses)
{
    kmsim::SimOptions lower;
    lower.linkName = "com231"; // a pinned entry in any letter case
    auto sim = startSwitch(lower);
    pinPort("/dev/null", "COM230");
    const int before = openDescriptorCount();
    const struct { const char* path; int error; } rows[] = {
        {"\\\\.\\COM208", ENOENT}, {"LPT1", ENOENT}, {"/dev/null", ENOENT}, {"\\\\.\\COM230", ENOTTY}, {"COM9", ENOENT}};
    for (const auto& row : rows) {
        EXPECT_EQ(api().open(QString::fromLatin1(row.path)), kInvalidSerialHandle) << row.path;
        EXPECT_EQ(api().lastError(), row.error) << row.path;
    }
    EXPECT_EQ(openDescriptorCount(), before) << "a refused descriptor is closed";
    const SerialHandle first = api().open("\\\\.\\COM231");
    ASSERT_NE(first, kInvalidSerialHandle);
    EXPECT_EQ(api().open("\\\\.\\com231"), kInvalidSerialHandle) << "held: root meets the lock, others TIOCEXCL";
    EXPECT_EQ(api().errorText(api().lastError()), QStringLiteral("Device or resource busy"));
    EXPECT_TRUE(api().close(first));
    const SerialHandle again = api().open("\\\\.\\COM231");
    EXPECT_NE(again, kInvalidSerialHandle) << "closed means free again";
    EXPECT_TRUE(api().close(again));
}

TEST(SerialLayer, AnyRateAndRefusalsThatChangeNothing)
{
    auto sim = startSwitch();
    const SerialHandle h = api().open(comDevicePath(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState s, back;
    ASSERT_TRUE(api().getLineState(h, s));
    s.baudRate = 31250; // no termios constant: termios2
    s.stopBits = 2;
    s.dtrControl = s.rtsControl = 1; // a pty has no modem lines: tolerated
    ASSERT_TRUE(api().setLineState(h, s));
    SerialLineState refused = s;
    refused.baudRate = 57600;
    refused.stopBits = 1;
    EXPECT_FALSE(api().setLineState(h, refused));
    EXPECT_EQ(api().errorText(api().lastError()), QStringLiteral("One and a half stop bits are not supported on Linux"));
    ASSERT_TRUE(api().getLineState(h, back));
    EXPECT_EQ(back.baudRate * 10 + back.stopBits, 312502u) << "the refusal changed nothing";
    SerialTimeouts t;
    t.writeTotalTimeoutConstant = 77;
    ASSERT_TRUE(api().setTimeouts(h, t) && api().getTimeouts(h, t));
    EXPECT_EQ(t.writeTotalTimeoutConstant, 77u);
    EXPECT_TRUE(api().close(h));
}

TEST(SerialLayer, QueueReadPurgeAndHangUp)
{
    kmsim::SimOptions o;
    o.fault = kmsim::Fault::HangUp;
    o.faultAt = 1;
    o.cutAfter = 0;
    auto sim = startSwitch(o);
    const SerialHandle h = api().open(comDevicePath(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState s;
    ASSERT_TRUE(api().getLineState(h, s));
    s.baudRate = 9600;
    ASSERT_TRUE(api().setLineState(h, s));
    const QByteArray request = QByteArray::fromHex("aa05000000003c00") + QByteArray(52, 0);
    quint32 written = 0, waiting = 0, got = 0;
    ASSERT_TRUE(api().write(h, request.constData(), 60, written));
    for (int i = 0; i < 200 && api().inputQueueCount(h, waiting) && waiting < 60; ++i)
        api().sleepMs(5);
    char buffer[60];
    ASSERT_TRUE(api().read(h, buffer, 2, got));
    ASSERT_TRUE(api().inputQueueCount(h, waiting));
    EXPECT_EQ(QString("%1 %2 %3").arg(got).arg(quint8(buffer[0])).arg(waiting), "2 170 58");
    ASSERT_TRUE(api().purge(h, kPurgeRxAbort | kPurgeRxClear | kPurgeTxAbort | kPurgeTxClear));
    ASSERT_TRUE(api().inputQueueCount(h, waiting) && api().read(h, buffer, 10, got));
    EXPECT_EQ(waiting + got, 0u) << "purged; a read takes only what is there and does not block";
    // The second frame makes the switch hang up, as an unplugged adapter does.
    ASSERT_TRUE(api().write(h, request.constData(), 60, written));
    for (int i = 0; i < 200 && !sim->hungUp(); ++i)
        api().sleepMs(5);
    EXPECT_FALSE(api().read(h, buffer, 2, got));
    EXPECT_EQ(api().lastError(), EIO);
    EXPECT_FALSE(api().write(h, request.constData(), 60, written));
    EXPECT_TRUE(api().close(h));
}

// What was queued and never sent is dropped at close, rather than making the kernel wait up
// to its closing time for a line that may never take it.
TEST(SerialLayer, CloseDiscardsWhatWasNotSent)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    int packetMode = 1;
    ASSERT_EQ(::grantpt(master) | ::unlockpt(master) | ::ioctl(master, TIOCPKT, &packetMode), 0);
    pinPort(QString::fromLocal8Bit(::ptsname(master)), "COM202");
    const SerialHandle port = api().open(comDevicePath(202));
    quint32 written = 0;
    ASSERT_TRUE(api().write(port, "unsent", 6, written) && api().close(port));
    char packet[64] = {};
    ASSERT_GE(::read(master, packet, sizeof packet), 1);
    EXPECT_TRUE(packet[0] & TIOCPKT_FLUSHWRITE);
    ::close(master);
}

TEST(SerialLayer, ErrorCodesPerThreadTheSystemsTextsAndInvalidHandles)
{
    quint32 written = 0;
    EXPECT_FALSE(api().write(kInvalidSerialHandle, "x", 1, written) || api().close(0));
    EXPECT_EQ(api().lastError(), EBADF);
    EXPECT_EQ(api().errorText(EACCES) + api().errorText(0), QStringLiteral("Permission denied"));
    std::thread([] { EXPECT_EQ(api().lastError(), 0); }).join();
}

} // namespace
