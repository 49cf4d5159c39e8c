#pragma once
// What a change notification has to alter before the ports are worth scanning again: the
// device folder's names that can carry a COM number, and each pinned entry with where it
// leads. Taking it reads the device folder's names and follows the pinned links, nothing more,
// so that a terminal opened elsewhere (a new /dev/pts entry) or a console's node touched costs
// a folder read instead of a scan of every tty.

#include <QString>
#include <QStringList>

struct PortWatchState
{
    QStringList numberedDevices; // "<name> <inode>" of each device folder name with an automatic number, sorted
    // One line per pinned entry, in number order: its name, its link as written, and the
    // device it reaches (empty while the link dangles).
    QStringList pinnedEntries;

    bool operator==(const PortWatchState& other) const
    {
        return numberedDevices == other.numberedDevices && pinnedEntries == other.pinnedEntries;
    }
    bool operator!=(const PortWatchState& other) const { return !(*this == other); }
};

PortWatchState currentPortWatchState(const QString& deviceFolder, const QString& pinnedFolder);

// The folders whose entries make up the state: the device folder, its serial/by-id folder for
// adapters' stable names, the pinned folder, and every folder a pinned link passes through on
// its way to its device (so /dev/pts only while some pinned link leads there). A folder that
// does not exist yet stands in as its nearest existing ancestor, which changes when it appears.
QStringList portWatchFolders(const QString& deviceFolder, const QString& pinnedFolder);
