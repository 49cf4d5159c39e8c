// Port discovery on Windows, under Wine: a Ports-class device registered by fake_port.exe
// appears in the selector's list and in the enumerator's names after a change under the
// services tree, and leaves both again once removed; a change that touches no port emits
// nothing and still leaves the watch armed.

#include <QCoreApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "list_com_ports.h"
#include "serial_device_enumerator.h"

namespace {

const QString kDescription = QStringLiteral("Trevik test serial port");

// fake_port.exe (beside this program) `command`s the Ports devices named `port`: "add" one,
// "remove" all. Either writes a new value under the services tree, as an installation does;
// removing a name nobody has changes nothing else.
void fakePort(const char* command, const char* port)
{
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/fake_port.exe");
    ASSERT_EQ(QProcess::execute(program, {QString::fromLatin1(command), QString::fromLatin1(port)}), 0) << command << " " << port;
}

QStringList listedPorts()
{
    QList<unsigned int> ports;
    QStringList descriptions;
    EXPECT_TRUE(listComPorts(ports, descriptions));
    QStringList listed;
    for (int i = 0; i < ports.size(); ++i)
        listed << QStringLiteral("COM%1 (%2)").arg(ports[i]).arg(descriptions[i]);
    return listed;
}

TEST(Discovery, RegisteredPortComesAndGoesWithTheServicesWatch)
{
    fakePort("remove", "COM5"); // a port of an earlier run, before the watch starts
    const QString listedAs = "COM5 (" + kDescription + ')';
    ASSERT_FALSE(listedPorts().contains(listedAs));
    SerialDeviceEnumerator* enumerator = SerialDeviceEnumerator::instance();
    QSignalSpy changes(enumerator, &SerialDeviceEnumerator::hasChanged);
    const QStringList before = enumerator->portNames();
    ASSERT_FALSE(before.contains(QStringLiteral("COM5")));

    // A change that touches no port: a rescan, nothing emitted.
    fakePort("remove", "COM0");
    EXPECT_FALSE(changes.wait(1500)) << "nothing about the ports changed";

    // The watch was armed again after that step, so the next change is seen.
    fakePort("add", "COM5");
    ASSERT_TRUE(changes.wait(5000)) << "the registered port was not noticed";
    EXPECT_TRUE(changes.last().at(0).toStringList().contains(QStringLiteral("COM5")));
    EXPECT_EQ(enumerator->portNames(), changes.last().at(0).toStringList());
    EXPECT_TRUE(listedPorts().contains(listedAs)) << listedPorts().join(", ").toStdString();

    fakePort("remove", "COM5");
    ASSERT_TRUE(changes.wait(5000)) << "the removed port was not noticed";
    EXPECT_EQ(changes.last().at(0).toStringList(), before);
    EXPECT_FALSE(listedPorts().contains(listedAs));
}

// The rules a reported port name must pass, on names the system really reports.
TEST(Discovery, SelectorTakesOnlyComNames)
{
    const char* const names[] = {"com3", "COM3A", "LPT1", "COM10"};
    for (const char* name : names) {
        fakePort("remove", name);
        fakePort("add", name);
    }
    const QStringList listed = listedPorts();
    QStringList ours = listed.filter(kDescription);
    ours.sort(); // the system's order of devices is its own
    EXPECT_EQ(ours, QStringList({"COM10 (" + kDescription + ')', "COM3 (" + kDescription + ')'}))
        << listed.join(", ").toStdString();
    for (const char* name : names)
        fakePort("remove", name);
}

} // namespace
