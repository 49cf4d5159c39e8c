#include "port_watch_state_linux.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <dirent.h>

#include "port_numbering_linux.h"

namespace {

// readdir rather than QDir: the names are all that is wanted, and /dev holds a few hundred
// entries that QDir would look at one by one. The inode comes free with each name and tells a
// node made anew (another adapter behind ttyUSB0) from the one seen before, even when its
// removal and return arrive as one notification.
QStringList numberedNames(const QString& folder)
{
    QStringList names;
    DIR* dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return names;
    while (const dirent* entry = readdir(dir)) {
        const QString name = QFile::decodeName(entry->d_name);
        if (automaticComNumber(name) != 0)
            names << name + QLatin1Char(' ') + QString::number(entry->d_ino);
    }
    closedir(dir);
    names.sort();
    return names;
}

void addNearestExisting(QStringList& folders, const QString& wanted)
{
    QString folder = QDir::cleanPath(wanted);
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            return;
        folder = parent;
    }
    if (!folder.isEmpty() && !folders.contains(folder))
        folders << folder;
}

} // namespace

PortWatchState currentPortWatchState(const QString& deviceFolder, const QString& pinnedFolder)
{
    PortWatchState state;
    state.numberedDevices = numberedNames(deviceFolder);
    for (const PinnedPort& pinned : pinnedPorts(pinnedFolder)) {
        state.pinnedEntries << QFileInfo(pinned.entryPath).fileName() + QLatin1Char('\n')
                + pinned.target + QLatin1Char('\n')
                + QFileInfo(pinned.entryPath).canonicalFilePath();
    }
    return state;
}

QStringList portWatchFolders(const QString& deviceFolder, const QString& pinnedFolder)
{
    QStringList folders;
    addNearestExisting(folders, deviceFolder);
    addNearestExisting(folders, deviceFolder + QLatin1String("/serial/by-id"));
    addNearestExisting(folders, pinnedFolder);
    for (const PinnedPort& pinned : pinnedPorts(pinnedFolder)) {
        QFileInfo hop(pinned.entryPath);
        // A bounded walk: a loop of links must not hang the watcher.
        for (int i = 0; i < 8 && hop.isSymLink(); ++i) {
            hop = QFileInfo(hop.symLinkTarget());
            addNearestExisting(folders, hop.path());
        }
    }
    return folders;
}
