// Serial ports on Linux: the pinned entries of the port folder, then the tty devices that
// libudev lists under the names that carry an automatic number.

#include "port_discovery.h"

#include <QFileInfo>
#include <QSet>
#include <cerrno>
#include <libudev.h>

#include "com_port_names.h"
#include "port_numbering_linux.h"

namespace {

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

QString property(udev_device* dev, const char* key)
{
    return dev ? text(udev_device_get_property_value(dev, key)) : QString();
}

QString attribute(udev_device* dev, const char* name)
{
    return dev ? text(udev_device_get_sysattr_value(dev, name)).trimmed() : QString();
}

QString firstNonEmpty(std::initializer_list<QString> candidates)
{
    for (const QString& s : candidates) {
        if (!s.isEmpty())
            return s;
    }
    return QString();
}

// The tty node itself has no driver; the device it hangs from has.
udev_device* driverDevice(udev_device* dev)
{
    for (udev_device* p = udev_device_get_parent(dev); p; p = udev_device_get_parent(p)) {
        if (udev_device_get_driver(p))
            return p;
    }
    return nullptr;
}

PortInfo pinnedInfo(const PinnedPort& pinned)
{
    PortInfo info;
    info.portName = comPortName(int(pinned.number));
    info.systemPath = pinned.entryPath;
    info.className = QStringLiteral("tty");
    info.description = pinned.target;
    info.friendlyName = pinned.target;
    return info;
}

// Fills `info` from udev; false when the device is no present serial port.
bool udevInfo(udev_device* dev, unsigned int number, PortInfo& info)
{
    const QString node = text(udev_device_get_devnode(dev));
    // Containers list sysfs devices that have no node in their /dev.
    if (node.isEmpty() || !QFileInfo::exists(node))
        return false;
    // A built-in UART slot the kernel found no chip for.
    const QString type = attribute(dev, "type");
    if (type == QLatin1String("0"))
        return false;

    udev_device* usb = udev_device_get_parent_with_subsystem_devtype(dev, "usb", "usb_device");
    udev_device* bound = driverDevice(dev);

    info.portName = comPortName(int(number));
    info.systemPath = node;
    info.className = text(udev_device_get_subsystem(dev));
    info.location = property(dev, "ID_PATH");
    info.service = bound ? text(udev_device_get_driver(bound)) : QString();
    info.driverPath = bound ? text(udev_device_get_syspath(bound)) : QString();
    // The udev database is missing in containers; the USB device's own attributes remain.
    info.friendlyName = firstNonEmpty({property(dev, "ID_MODEL_FROM_DATABASE"),
                                       property(dev, "ID_MODEL"), attribute(usb, "product")});
    info.manufacturer = firstNonEmpty({property(dev, "ID_VENDOR_FROM_DATABASE"),
                                       property(dev, "ID_VENDOR"),
                                       attribute(usb, "manufacturer")});
    info.vendorId = firstNonEmpty({property(dev, "ID_VENDOR_ID"), attribute(usb, "idVendor")});
    info.productId = firstNonEmpty({property(dev, "ID_MODEL_ID"), attribute(usb, "idProduct")});
    info.bus = firstNonEmpty({property(dev, "ID_BUS"), usb ? QStringLiteral("usb") : QString(),
                              bound ? text(udev_device_get_subsystem(bound)) : QString()});
    if (!info.vendorId.isEmpty() || !info.productId.isEmpty())
        info.hardwareIds << QStringLiteral("%1:%2").arg(info.vendorId, info.productId);
    const QString serial = firstNonEmpty({property(dev, "ID_SERIAL"), attribute(usb, "serial")});
    if (!serial.isEmpty())
        info.hardwareIds << serial;
    info.description = info.friendlyName.isEmpty() ? node : info.friendlyName;
    return true;
}

// Only names that can get a number: the class also holds the virtual consoles, ptmx, console
// and the like, and udev would open and read every one of them (sysnames are matched on the
// folder's names, before a device is made).
bool matchNumberedTtys(udev_enumerate* enumeration)
{
    if (udev_enumerate_add_match_subsystem(enumeration, "tty") < 0)
        return false;
    for (const QLatin1String& prefix : automaticNamePrefixes()) {
        const QByteArray glob = QByteArray(prefix.data(), prefix.size()) + '*';
        if (udev_enumerate_add_match_sysname(enumeration, glob.constData()) < 0)
            return false;
    }
    return true;
}

} // namespace

bool systemSerialPorts(QList<PortInfo>& ports)
{
    ports.clear();

    QSet<unsigned int> pinnedNumbers;
    QSet<QString> pinnedNodes;
    for (const PinnedPort& p : pinnedPorts(pinnedPortsFolder())) {
        // The number stays taken while its device is gone: opening COMn goes to the pinned
        // entry too, and whatever the kernel numbers alike is some other device.
        pinnedNumbers.insert(p.number);
        const QFileInfo entry(p.entryPath);
        if (!entry.exists())
            continue; // a link left behind by a device that is gone
        pinnedNodes.insert(entry.canonicalFilePath());
        ports.append(pinnedInfo(p));
    }

    udev* context = udev_new();
    if (!context) {
        if (errno == 0)
            errno = ENOMEM;
        return false;
    }
    udev_enumerate* enumeration = udev_enumerate_new(context);
    if (!enumeration || !matchNumberedTtys(enumeration)
        || udev_enumerate_scan_devices(enumeration) < 0) {
        const int code = errno ? errno : EIO;
        if (enumeration)
            udev_enumerate_unref(enumeration);
        udev_unref(context);
        errno = code;
        return false;
    }

    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration))
    {
        udev_device* dev = udev_device_new_from_syspath(context, udev_list_entry_get_name(entry));
        if (!dev)
            continue;
        const unsigned int number = automaticComNumber(text(udev_device_get_sysname(dev)));
        PortInfo info;
        // A pinned entry wins: its number is taken, and its device is not listed twice.
        if (number != 0 && !pinnedNumbers.contains(number) && udevInfo(dev, number, info)
            && !pinnedNodes.contains(QFileInfo(info.systemPath).canonicalFilePath()))
            ports.append(info);
        udev_device_unref(dev);
    }
    udev_enumerate_unref(enumeration);
    udev_unref(context);
    return true;
}
