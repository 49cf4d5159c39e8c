#pragma once
// What the enumerator keeps about one serial port, and its difference test.

#include <QMap>
#include <QString>
#include <QStringList>

// Only portName leaves the enumerator; the other fields are kept so that a change of any of
// them (a different adapter behind the same name, say) counts as a change.
struct PortInfo
{
    QString portName;     // "COMn"; also the key of the map
    QString systemPath;   // the device node (or the link of a pinned port)
    QString className;    // the kernel subsystem
    QString location;     // physical path of the device (ID_PATH)
    QString driverPath;   // the driver module or its sysfs path
    QString friendlyName; // model name as the user knows it
    QString description;  // description; for a pinned port, the link's target
    QStringList hardwareIds;
    QString vendorId;
    QString productId;
    QString manufacturer;
    QString service;      // the kernel driver
    QString bus;          // usb, pci, platform, pnp, ...
};

using PortMap = QMap<QString, PortInfo>;

// Different when the sizes differ, else when the key lists differ, else when any field of any
// record differs (strings exactly, hardware ID lists element by element).
bool portMapsDiffer(const PortMap& newMap, const PortMap& oldMap);
