// Serial ports on Windows: the present devices of the Ports class, the multi-port serial
// class and the modem class, as SetupAPI lists them, with the port name from each device's
// hardware key and the properties the registry keeps for it.

#include "port_discovery.h"

#include <windows.h>
#include <setupapi.h>

#include <QOperatingSystemVersion>
#include <QRegularExpression>
#include <QVector>

namespace {

// The Ports class, the multi-port serial adapters' class and the modem class, in this order.
const GUID kPortClasses[] = {
    {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}},
    {0xDF799E12, 0x3C56, 0x421B, {0xB2, 0x98, 0xB6, 0xD3, 0x64, 0x2B, 0xC8, 0x78}},
    {0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}},
};

// Registry value names and data may each be as long as this.
constexpr DWORD kValueBufferBytes = 16384;

QString fromWide(const wchar_t* text, int maxChars)
{
    int n = 0;
    while (n < maxChars && text[n])
        ++n;
    return QString::fromWCharArray(text, n);
}

// The first REG_SZ value of the device's hardware key whose name holds "PortName"; empty when
// there is none or the key cannot be opened.
QString portNameOf(HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    const HKEY key = ::SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE)
        return QString();
    QString name;
    QVector<wchar_t> valueName(kValueBufferBytes / sizeof(wchar_t));
    QVector<BYTE> data(kValueBufferBytes);
    for (DWORD index = 0;; ++index) {
        DWORD nameChars = DWORD(valueName.size());
        DWORD dataBytes = DWORD(data.size());
        DWORD type = 0;
        if (::RegEnumValueW(key, index, valueName.data(), &nameChars, nullptr, &type, data.data(),
                            &dataBytes) != ERROR_SUCCESS)
            break;
        if (type != REG_SZ || !fromWide(valueName.data(), int(nameChars)).contains(QLatin1String("PortName")))
            continue;
        name = fromWide(reinterpret_cast<const wchar_t*>(data.data()), int(dataBytes / sizeof(wchar_t)));
        break;
    }
    ::RegCloseKey(key);
    return name;
}

// One device property as text, or as a list for REG_MULTI_SZ; `found` false when the
// property is missing or of a type that has no text.
struct Property
{
    bool found = false;
    QString text;
    QStringList list;
};

Property deviceProperty(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD which)
{
    Property p;
    DWORD type = 0;
    DWORD size = 0;
    ::SetupDiGetDeviceRegistryPropertyW(devices, &device, which, &type, nullptr, 0, &size);
    if (size == 0)
        return p;
    QVector<BYTE> buffer(int(size) + 2, 0); // room for a terminator the system left out
    if (!::SetupDiGetDeviceRegistryPropertyW(devices, &device, which, &type, buffer.data(), size, &size))
        return p;
    const auto* wide = reinterpret_cast<const wchar_t*>(buffer.constData());
    const int chars = int(size / sizeof(wchar_t));
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ:
        p.text = fromWide(wide, chars);
        break;
    case REG_NONE:
    case REG_BINARY:
        p.text = QString::fromWCharArray(wide, chars);
        break;
    case REG_DWORD:
    case REG_DWORD_BIG_ENDIAN: {
        DWORD value = 0;
        memcpy(&value, buffer.constData(), qMin<size_t>(size, sizeof value));
        p.text = QString::number(value); // as stored, no byte swap
        break;
    }
    case REG_MULTI_SZ:
        for (int at = 0; at < chars && wide[at];) {
            const QString item = fromWide(wide + at, chars - at);
            p.list << item;
            at += item.size() + 1;
        }
        break;
    default:
        return p;
    }
    p.found = true;
    return p;
}

QString propertyText(HDEVINFO devices, SP_DEVINFO_DATA& device, DWORD which)
{
    return deviceProperty(devices, device, which).text;
}

// The ImagePath of the service's key; empty when missing, of another type, or empty.
QString driverPathOf(const QString& service)
{
    if (service.isEmpty())
        return QString();
    const QString path = QStringLiteral("SYSTEM\\CurrentControlSet\\services\\") + service;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(path.utf16()), 0, KEY_QUERY_VALUE, &key)
        != ERROR_SUCCESS)
        return QString();
    QString image;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExW(key, L"ImagePath", nullptr, &type, nullptr, &size) == ERROR_SUCCESS
        && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        QVector<BYTE> data(int(size) + 2, 0);
        if (::RegQueryValueExW(key, L"ImagePath", nullptr, &type, data.data(), &size) == ERROR_SUCCESS)
            image = fromWide(reinterpret_cast<const wchar_t*>(data.constData()), int(size / sizeof(wchar_t)));
    }
    ::RegCloseKey(key);
    return image;
}

// The vendor and product of the first hardware ID, in the spelling of the Windows version the
// program runs on; both empty on versions whose spelling is not known here.
void vendorAndProduct(const QStringList& hardwareIds, QString& vendor, QString& product)
{
    vendor.clear();
    product.clear();
    if (hardwareIds.isEmpty())
        return;
    const QOperatingSystemVersion os = QOperatingSystemVersion::current();
    const int version = os.majorVersion() * 100 + os.minorVersion();
    QString pattern;
    if (version >= 400 && version <= 502) // NT 4 to Server 2003
        pattern = QStringLiteral("Vid_(\\w+)&Pid_(\\w+)");
    else if (version == 600 || version == 601) // Vista and 7
        pattern = QStringLiteral("VID_(\\w+)&PID_(\\w+)");
    if (pattern.isEmpty())
        return;
    const QRegularExpressionMatch m = QRegularExpression(pattern).match(hardwareIds.first());
    if (m.hasMatch()) {
        vendor = m.captured(1);
        product = m.captured(2);
    } else {
        vendor = product = hardwareIds.first();
    }
}

} // namespace

bool systemSerialPorts(QList<PortInfo>& ports)
{
    for (const GUID& portClass : kPortClasses) {
        const HDEVINFO devices = ::SetupDiGetClassDevsW(&portClass, nullptr, nullptr, DIGCF_PRESENT);
        if (devices == INVALID_HANDLE_VALUE)
            return false; // what the classes before gave stays
        SP_DEVINFO_DATA device {};
        device.cbSize = sizeof device;
        for (DWORD index = 0; ::SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
            PortInfo info;
            info.portName = portNameOf(devices, device);
            if (info.portName.isEmpty())
                continue;
            info.bus = propertyText(devices, device, SPDRP_ENUMERATOR_NAME);
            info.description = propertyText(devices, device, SPDRP_DEVICEDESC);
            info.friendlyName = propertyText(devices, device, SPDRP_FRIENDLYNAME);
            info.hardwareIds = deviceProperty(devices, device, SPDRP_HARDWAREID).list;
            info.location = propertyText(devices, device, SPDRP_LOCATION_INFORMATION);
            info.manufacturer = propertyText(devices, device, SPDRP_MFG);
            info.className = propertyText(devices, device, SPDRP_CLASS);
            info.service = propertyText(devices, device, SPDRP_SERVICE);
            info.driverPath = driverPathOf(info.service);
            info.systemPath = propertyText(devices, device, SPDRP_PHYSICAL_DEVICE_OBJECT_NAME);
            vendorAndProduct(info.hardwareIds, info.vendorId, info.productId);
            ports.append(info);
        }
        ::SetupDiDestroyDeviceInfoList(devices);
    }
    return true;
}
