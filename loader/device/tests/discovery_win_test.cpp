// Port discovery on Windows, under Wine: a Ports-class device registered by the test appears
// in the selector's list and in the enumerator's names after a change under the services
// tree, and leaves both again once removed; a change that touches no port emits nothing and
// still leaves the watch armed.

#include <windows.h>
#include <setupapi.h>
#include <initguid.h> // the class GUIDs of devguid.h defined here, not only declared
#include <devguid.h>

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "list_com_ports.h"
#include "serial_device_enumerator.h"

namespace {

const wchar_t kDescription[] = L"Trevik test serial port";
const wchar_t kServicesKey[] = L"SYSTEM\\CurrentControlSet\\services\\TrevikDiscoveryTest";

// A Ports-class device with a PortName, as a serial driver's installation leaves it.
class FakePort
{
public:
    explicit FakePort(const wchar_t* portName)
    {
        m_set = ::SetupDiCreateDeviceInfoList(&GUID_DEVCLASS_PORTS, nullptr);
        m_device.cbSize = sizeof m_device;
        m_ok = m_set != INVALID_HANDLE_VALUE
            && ::SetupDiCreateDeviceInfoW(m_set, L"PORTS", &GUID_DEVCLASS_PORTS, kDescription, nullptr,
                                          DICD_GENERATE_ID, &m_device)
            && ::SetupDiRegisterDeviceInfo(m_set, &m_device, 0, nullptr, nullptr, nullptr)
            && ::SetupDiSetDeviceRegistryPropertyW(m_set, &m_device, SPDRP_DEVICEDESC,
                                                   reinterpret_cast<const BYTE*>(kDescription), sizeof kDescription);
        if (!m_ok)
            return;
        const HKEY key = ::SetupDiCreateDevRegKeyW(m_set, &m_device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, nullptr, nullptr);
        m_ok = key != INVALID_HANDLE_VALUE
            && ::RegSetValueExW(key, L"PortName", 0, REG_SZ, reinterpret_cast<const BYTE*>(portName),
                                DWORD((wcslen(portName) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
        if (key != INVALID_HANDLE_VALUE)
            ::RegCloseKey(key);
    }
    ~FakePort()
    {
        remove();
        if (m_set != INVALID_HANDLE_VALUE)
            ::SetupDiDestroyDeviceInfoList(m_set);
    }
    bool ok() const { return m_ok; }
    void remove()
    {
        if (m_ok)
            ::SetupDiRemoveDevice(m_set, &m_device);
        m_ok = false;
    }

private:
    HDEVINFO m_set = INVALID_HANDLE_VALUE;
    SP_DEVINFO_DATA m_device {};
    bool m_ok = false;
};

// A value written under the services tree, as a driver's installation writes one. Writing a
// value it already has changes nothing and is not reported: each call passes a new one.
void touchServices(DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, kServicesKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(::RegSetValueExW(key, L"Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    ::RegCloseKey(key);
}

QStringList listedPorts()
{
    QList<unsigned int> ports;
    QStringList descriptions;
    EXPECT_TRUE(listComPorts(ports, descriptions)) << ::GetLastError();
    QStringList listed;
    for (int i = 0; i < ports.size(); ++i)
        listed << QStringLiteral("COM%1 (%2)").arg(ports[i]).arg(descriptions[i]);
    return listed;
}

TEST(Discovery, RegisteredPortComesAndGoesWithTheServicesWatch)
{
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServicesKey); // values of an earlier run
    const QString listedAs = QStringLiteral("COM5 (") + QString::fromWCharArray(kDescription) + ')';
    ASSERT_FALSE(listedPorts().contains(listedAs)) << "a port of an earlier run is left over";
    SerialDeviceEnumerator* enumerator = SerialDeviceEnumerator::instance();
    QSignalSpy changes(enumerator, &SerialDeviceEnumerator::hasChanged);
    const QStringList before = enumerator->portNames();
    ASSERT_FALSE(before.contains(QStringLiteral("COM5")));

    // A change that touches no port: a rescan, nothing emitted.
    touchServices(1);
    EXPECT_FALSE(changes.wait(1500)) << "nothing about the ports changed";

    // The watch was armed again after that step, so the next change is seen.
    FakePort port(L"COM5");
    ASSERT_TRUE(port.ok()) << ::GetLastError();
    touchServices(2);
    ASSERT_TRUE(changes.wait(5000)) << "the registered port was not noticed";
    EXPECT_TRUE(changes.last().at(0).toStringList().contains(QStringLiteral("COM5")));
    EXPECT_EQ(enumerator->portNames(), changes.last().at(0).toStringList());
    EXPECT_TRUE(listedPorts().contains(listedAs)) << listedPorts().join(", ").toStdString();

    port.remove();
    touchServices(3);
    ASSERT_TRUE(changes.wait(5000)) << "the removed port was not noticed";
    EXPECT_EQ(changes.last().at(0).toStringList(), before);
    EXPECT_FALSE(listedPorts().contains(listedAs));
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kServicesKey);
}

// The rules a reported port name must pass, on names the system really reports.
TEST(Discovery, SelectorTakesOnlyComNames)
{
    FakePort lower(L"com3");
    FakePort letters(L"COM3A");
    FakePort printer(L"LPT1");
    FakePort twoDigits(L"COM10");
    ASSERT_TRUE(lower.ok() && letters.ok() && printer.ok() && twoDigits.ok());
    const QStringList listed = listedPorts();
    const QString description = QString::fromWCharArray(kDescription);
    QStringList ours = listed.filter(description);
    ours.sort(); // the system's order of devices is its own
    EXPECT_EQ(ours, QStringList({"COM10 (" + description + ')', "COM3 (" + description + ')'}))
        << listed.join(", ").toStdString();
}

} // namespace
