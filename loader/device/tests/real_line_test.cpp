// The device link on a real line: a pinned device that goes away is seen going.

#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "comportnames.h"
#include "comhandler256.h"
#include "device_test_support.h"
#include "listcomports.h"
#include "serialdeviceenumerator.h"

namespace {

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
