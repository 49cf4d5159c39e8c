#pragma once
// How a COM number finds its device on Linux: pinned entries first, then a number derived
// from the kernel's device name.

#include <QList>
#include <QString>

// The automatic number of a kernel tty name: ttyS<k> is k+1, ttyUSB<k> k+33, ttyACM<k> k+65,
// ttyAMA<k> k+97, rfcomm<k> k+129, for k from 0 to 31; 0 for any other name.
unsigned int automaticComNumber(const QString& kernelName);
// The device node of an automatic number ("/dev/ttyUSB0" for 33); empty when none.
QString automaticDeviceNode(unsigned int number);
// The name prefixes above, in number order: every name with an automatic number starts with
// one of them, so a scan can pass over every other tty without looking at it.
QList<QLatin1String> automaticNamePrefixes();

// The folder of pinned ports: $TREVIK_PORT_DIR, else $XDG_CONFIG_HOME/Velmora/ports, else
// ~/.config/Velmora/ports.
QString pinnedPortsFolder();

struct PinnedPort
{
    unsigned int number = 0;
    QString entryPath; // the folder entry itself (opening it follows the link)
    QString target;    // where the link points, as written in the link
};

// What opening COMn opens: its pinned entry (followed when opened) wins over the automatic
// device node; empty for 0 and numbers with neither. `pinned` (when given) says which.
QString portEntryPath(unsigned int number, bool* pinned = nullptr);

// The entries of the folder whose names follow the COM name rule, in number order. When two
// entries claim one number (COM7 and com7) the first in code-unit order wins.
QList<PinnedPort> pinnedPorts(const QString& folder);
