// Port discovery and the connection probe: listComPorts, the enumerator's change signal on
// links coming and going in the pinned-ports folder, and comConnected.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <algorithm>
#include <cerrno>
#include <gtest/gtest.h>

#include "apppreferences.h"
#include "device_test_support.h"
#include "listcomports.h"
#include "recording_serial_api.h"
#include "serialdeviceenumerator.h"
#include "testable_handler.h"

namespace {

void link(const QString& target, const QString& name)
{
    QDir().mkpath(testPortDir());
    ASSERT_TRUE(QFile::link(target, testPortDir() + QLatin1Char('/') + name)) << name.toStdString();
}

QStringList sortedWith(QStringList names, const QString& extra)
{
    names.append(extra);
    std::sort(names.begin(), names.end());
    return names;
}

// ---- listComPorts ----

TEST(ListComPorts, NumbersAndDescriptionsOfPresentPorts)
{
    kmsim::SimOptions upper;
    auto a = startSwitch(upper, 212);
    kmsim::SimOptions lower;
    lower.linkName = "com213";
    auto b = startSwitch(lower);
    const QString target = QString::fromStdString(a->slavePath());
    link(target, QStringLiteral("COM3A"));
    link(target, QStringLiteral("COM"));
    link(target, QStringLiteral("COM 215"));
    link(QStringLiteral("/nonexistent/ttyUSB9"), QStringLiteral("COM214")); // device gone

    QList<unsigned int> ports {99};
    QStringList descriptions {QStringLiteral("stale")};
    errno = EINTR;
    ASSERT_TRUE(listComPorts(ports, descriptions));
    EXPECT_EQ(errno, EINTR) << "success leaves errno as it was";
    ASSERT_EQ(ports.size(), descriptions.size());
    EXPECT_FALSE(ports.contains(99u)) << "both lists are cleared first";
    EXPECT_FALSE(descriptions.contains(QStringLiteral("stale")));

    const int i212 = ports.indexOf(212u);
    const int i213 = ports.indexOf(213u);
    ASSERT_GE(i212, 0);
    ASSERT_GE(i213, 0) << "an entry in lower case counts";
    EXPECT_EQ(descriptions[i212], target);
    EXPECT_EQ(descriptions[i213], QString::fromStdString(b->slavePath()));
    EXPECT_FALSE(ports.contains(214u)) << "a link to nothing is no port";
    EXPECT_FALSE(ports.contains(215u));
    EXPECT_EQ(ports.count(212u), 1) << "rejected names must not add a second entry";
}

// ---- the enumerator ----

TEST(Enumerator, LinkAddedAndRemovedEmitsOnceEach)
{
    SerialDeviceEnumerator* e = SerialDeviceEnumerator::instance();
    EXPECT_EQ(e, SerialDeviceEnumerator::instance());
    QSignalSpy changed(e, &SerialDeviceEnumerator::hasChanged);
    const QStringList before = e->portNames();
    EXPECT_FALSE(before.contains(QStringLiteral("COM221")));

    auto sim = startSwitch({}, 221);
    ASSERT_TRUE(changed.wait(3000)) << "a new link is noticed";
    changed.wait(400); // any second signal would arrive now
    ASSERT_EQ(changed.size(), 1);
    const QStringList withSim = sortedWith(before, QStringLiteral("COM221"));
    EXPECT_EQ(changed[0][0].toStringList(), withSim);
    EXPECT_EQ(e->portNames(), withSim);

    // Changes in the folder that touch no port: rescans, and nothing is emitted.
    link(QString::fromStdString(sim->slavePath()), QStringLiteral("LPT1"));
    link(QString::fromStdString(sim->slavePath()), QStringLiteral("COM22X"));
    QFile notes(testPortDir() + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    EXPECT_FALSE(changed.wait(700));
    EXPECT_EQ(changed.size(), 1);

    sim->stop(); // removes its link
    ASSERT_TRUE(changed.wait(3000)) << "a removed link is noticed";
    changed.wait(400);
    ASSERT_EQ(changed.size(), 2);
    EXPECT_EQ(changed[1][0].toStringList(), before);
}

TEST(Enumerator, NamesSortByCodeUnit)
{
    SerialDeviceEnumerator* e = SerialDeviceEnumerator::instance();
    QSignalSpy changed(e, &SerialDeviceEnumerator::hasChanged);
    auto a = startSwitch({}, 22);
    auto b = startSwitch({}, 210);
    for (int i = 0; i < 20 && !(e->portNames().contains(QStringLiteral("COM22"))
                                && e->portNames().contains(QStringLiteral("COM210"))); ++i)
        changed.wait(200);
    const QStringList names = e->portNames();
    ASSERT_TRUE(names.contains(QStringLiteral("COM22")));
    ASSERT_TRUE(names.contains(QStringLiteral("COM210")));
    EXPECT_LT(names.indexOf(QStringLiteral("COM210")), names.indexOf(QStringLiteral("COM22")))
        << "COM210 before COM22, as COM10 before COM2";
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    ASSERT_FALSE(changed.isEmpty());
    EXPECT_EQ(changed.last()[0].toStringList(), names);
}

// ---- the connection probe ----

struct ProbeRow
{
    const char* label;
    int deviceCom;
    bool emulate;
    bool simulate;      // a switch linked as COM201
    int busyMs;         // the switch holds its port
    QStringList list;
    bool expected;
    int opens;          // the probe's own open attempts
};

void PrintTo(const ProbeRow& row, std::ostream* os)
{
    *os << row.label;
}

class Probe : public ::testing::TestWithParam<ProbeRow> {};

TEST_P(Probe, EmitsExactlyOnce)
{
    const ProbeRow& row = GetParam();
    resetPreferences(row.deviceCom);
    pref::bEmulateDevice = row.emulate;
    std::unique_ptr<kmsim::SwitchSimulator> sim;
    if (row.simulate) {
        kmsim::SimOptions o;
        o.busyMs = row.busyMs;
        sim = startSwitch(o);
    }
    TestableHandler handler;
    RecordingSerialApi seam;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    const int descriptors = openDescriptorCount();

    handler.onSerialListChanged(row.list);
    pref::bEmulateDevice = false;

    ASSERT_EQ(connected.size(), 1);
    EXPECT_EQ(connected[0][0].toBool(), row.expected);
    EXPECT_EQ(seam.count(SerialCall::Open), row.opens);
    EXPECT_EQ(seam.count(SerialCall::Close), row.expected && !row.emulate ? 1 : 0);
    EXPECT_EQ(openDescriptorCount(), descriptors);
    EXPECT_EQ(handler.handle(), 0) << "the probe never touches the operation's handle";
    EXPECT_TRUE(handler.error().isEmpty());
}

const QStringList kWithPort {QStringLiteral("COM1"), QStringLiteral("COM201")};

INSTANTIATE_TEST_SUITE_P(
    Rows, Probe,
    ::testing::Values(
        ProbeRow {"present and free", kTestCom, false, true, 0, kWithPort, true, 1},
        ProbeRow {"emulation without any port", 209, true, false, 0, {}, true, 0},
        ProbeRow {"port 0", 0, false, true, 0, kWithPort, false, 0},
        ProbeRow {"port -1", -1, false, true, 0, kWithPort, false, 0},
        ProbeRow {"name not in the list", kTestCom, false, true, 0, {QStringLiteral("COM1")},
                  false, 0},
        ProbeRow {"name in other letter case", kTestCom, false, true, 0,
                  {QStringLiteral("com201")}, false, 0},
        ProbeRow {"name with a suffix", kTestCom, false, true, 0, {QStringLiteral("COM2010")},
                  false, 0},
        ProbeRow {"listed but held elsewhere", kTestCom, false, true, 5000, kWithPort, false, 1},
        ProbeRow {"listed but gone", kTestCom, false, false, 0, kWithPort, false, 1}));

TEST(Probe, DoesNotRetryAndLeavesOperationStateAlone)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.busyMs = 5000;
    auto sim = startSwitch(o);
    TestableHandler handler;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    QElapsedTimer timer;
    timer.start();
    handler.onSerialListChanged(kWithPort);
    EXPECT_LT(timer.elapsed(), 500) << "no retry wait in the probe";
    ASSERT_EQ(connected.size(), 1);
    EXPECT_FALSE(handler.isBusy());
}

TEST(Probe, CheckConnectionUsesTheEnumeratorsList)
{
    resetPreferences(223);
    auto sim = startSwitch({}, 223);
    TestableHandler handler; // creates the enumerator, whose first scan sees the link
    // When an earlier test of this process created the enumerator, the link reaches it as a
    // change notification instead.
    SerialDeviceEnumerator* e = SerialDeviceEnumerator::instance();
    QSignalSpy changed(e, &SerialDeviceEnumerator::hasChanged);
    for (int i = 0; i < 15 && !e->portNames().contains(QStringLiteral("COM223")); ++i)
        changed.wait(200);
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    handler.checkConnection();
    ASSERT_EQ(connected.size(), 1);
    EXPECT_TRUE(connected[0][0].toBool());

    // The handler follows the enumerator: the port going away reaches it as a signal.
    sim->stop();
    ASSERT_TRUE(connected.wait(3000));
    EXPECT_FALSE(connected.last()[0].toBool());
}

} // namespace
