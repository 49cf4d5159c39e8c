// Port discovery and the connection probe: listComPorts, the enumerator following links and
// devices that come and go, and comConnected.

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

#include "app_preferences.h"
#include "com_port_names.h"
#include "device_test_support.h"
#include "list_com_ports.h"
#include "serial_device_enumerator.h"

namespace {

TEST(ListComPorts, NumbersAndDescriptionsOfPresentPorts)
{
    auto a = startSwitch({}, 212);
    kmsim::SimOptions lower;
    lower.linkName = "com213";
    auto b = startSwitch(lower);
    for (const char* refused : {"COM3A", "COM", "COM 215", "COM0"})
        pinPort(QString::fromStdString(a->slavePath()), refused);
    pinPort("/nonexistent/ttyUSB9", "COM214"); // its device is gone

    QList<unsigned int> ports {99};
    QStringList descriptions {QStringLiteral("stale")};
    errno = EINTR;
    ASSERT_TRUE(listComPorts(ports, descriptions));
    EXPECT_EQ(errno, EINTR) << "success leaves errno as it was";
    ASSERT_EQ(ports.size(), descriptions.size());
    QStringList found;
    for (int i = 0; i < ports.size(); ++i)
        found << QStringLiteral("%1 %2").arg(ports[i]).arg(descriptions[i]);
    const QString pa = QString::fromStdString(a->slavePath()), pb = QString::fromStdString(b->slavePath());
    EXPECT_EQ(found.filter(QRegularExpression("^(0|99|21[2-5]) ")),
              (QStringList {"212 " + pa, "213 " + pb})) << found.join(", ").toStdString();
}

TEST(Enumerator, EmitsSortedNamesOnceForEachChangeOfPorts)
{
    SerialDeviceEnumerator* e = SerialDeviceEnumerator::instance();
    QSignalSpy changed(e, &SerialDeviceEnumerator::hasChanged);
    QStringList expected = e->portNames();

    auto first = startSwitch({}, 22);
    auto second = startSwitch({}, 210);
    expected << "COM22" << "COM210";
    std::sort(expected.begin(), expected.end()); // COM210 before COM22, as COM10 before COM2
    EXPECT_TRUE(QTest::qWaitFor([&] { return e->portNames() == expected; }, 3000));
    EXPECT_EQ(changed.last()[0].toStringList(), expected);

    // Changes that touch no port: a rescan, and nothing is emitted.
    const int before = changed.size();
    pinPort(QString::fromStdString(first->slavePath()), "LPT1");
    pinPort(QString::fromStdString(first->slavePath()), "COM22X");
    QFile(testPortDir() + "/notes.txt").open(QIODevice::WriteOnly);
    EXPECT_FALSE(changed.wait(700));
    EXPECT_EQ(changed.size(), before);

    second->stop(); // removes its link
    expected.removeOne("COM210");
    ASSERT_TRUE(changed.wait(3000));
    changed.wait(300);
    EXPECT_EQ(changed.size(), before + 1);
    EXPECT_EQ(changed.last()[0].toStringList(), expected);
}

// The probe emits exactly once, makes at most one attempt of its own, and leaves the
// operation's handle, text and busy flag alone.
TEST(Probe, EmitsExactlyOnceAndLeavesTheOperationsStateAlone)
{
    const QStringList listed {"COM1", "COM201"}, openClose {"open \\\\.\\COM201", "close"}, openFails {"open \\\\.\\COM201 fail"};
    const struct { const char* label; int deviceCom; bool emulate; int busyMs; QStringList list; bool expected; QStringList calls; } rows[] = {
        {"present and free", kTestCom, false, 0, listed, true, openClose},
        {"emulation without any port", 209, true, -1, {}, true, {}},
        {"port 0", 0, false, 0, listed, false, {}},
        {"port -1", -1, false, 0, listed, false, {}},
        {"not in the list", kTestCom, false, 0, {"COM1"}, false, {}},
        {"in other letter case", kTestCom, false, 0, {"com201"}, false, {}},
        {"with a suffix", kTestCom, false, 0, {"COM2010"}, false, {}},
        {"held elsewhere", kTestCom, false, 5000, listed, false, openFails},
        {"listed but gone", kTestCom, false, -1, listed, false, openFails}};
    for (const auto& row : rows) {
        resetPreferences(row.deviceCom);
        pref::bEmulateDevice = row.emulate;
        kmsim::SimOptions o;
        o.busyMs = row.busyMs;
        auto sim = row.busyMs >= 0 ? startSwitch(o) : nullptr;
        TestableHandler handler;
        SerialTrace trace;
        QSignalSpy connected(&handler, &COMHandler256::comConnected);
        const int descriptors = openDescriptorCount();
        handler.onSerialListChanged(row.list);
        ASSERT_EQ(connected.size(), 1) << row.label;
        EXPECT_EQ(connected[0][0].toBool(), row.expected) << row.label;
        EXPECT_EQ(trace.lines(), row.calls) << row.label;
        EXPECT_EQ(openDescriptorCount(), descriptors) << row.label;
        EXPECT_TRUE(handler.handle() == 0 && handler.error().isEmpty() && !handler.isBusy()) << row.label;
    }
}

// A pinned link that outlives its device: the indicator hears of it, also without udev; the
// port leaves the list and cannot be opened. The operator pins the adapter's stable name, which
// udev takes away after the node (a freed pseudo-terminal number may soon be another's).
TEST(Probe, FollowsTheEnumeratorAlsoWhenAPinnedDeviceVanishes)
{
    resetPreferences();
    auto sim = startSwitch({}, 0);
    const QString stableName = QFileInfo(testPortDir()).path() + "/usb-switch";
    ASSERT_TRUE(QFile::link(QString::fromStdString(sim->slavePath()), stableName));
    pinPort(stableName, "COM201"); // the operator's own link, not the switch's
    COMHandler256 handler;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    SerialDeviceEnumerator* e = SerialDeviceEnumerator::instance();
    ASSERT_TRUE(QTest::qWaitFor([&] { return e->portNames().contains("COM201"); }, 3000));
    handler.checkConnection();
    ASSERT_TRUE(connected.last()[0].toBool());

    sim->stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connected.last()[0].toBool(); }, 3000));
    QFile::remove(stableName);
    QList<unsigned int> ports;
    QStringList descriptions;
    ASSERT_TRUE(listComPorts(ports, descriptions));
    EXPECT_FALSE(ports.contains(kTestCom));
    EXPECT_EQ(serialPortApi().open(comDevicePath(kTestCom)), kInvalidSerialHandle);
}

} // namespace
