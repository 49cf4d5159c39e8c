#pragma once
// The Linux change watcher over a device folder of the caller's choosing: "/dev" for the
// system (PortChangeWatcher::create), a folder of their own for tests.

#include <QString>

#include "port_change_watcher.h"

// Emits changed() after a udev event of a tty whose name can carry a COM number, and after any
// other notification (a udev event of another tty, a change in a watched folder) only when it
// altered the PortWatchState of deviceFolder and the pinned folder.
PortChangeWatcher* createLinuxPortChangeWatcher(QObject* parent, const QString& deviceFolder);
