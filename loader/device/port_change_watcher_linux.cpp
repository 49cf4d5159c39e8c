// Change notification on Linux: the udev monitor where udev runs, and inotify on the folders
// that hold device nodes and pinned links (containers have no udev events; pinned links and
// pseudo-terminals have none anyway).

#include "port_change_watcher.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <libudev.h>

#include "port_numbering_linux.h"

namespace {

// A folder that may not exist yet is watched through its nearest existing ancestor, which
// changes when the folder appears.
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

// Every folder whose entries decide which ports exist: /dev for the kernel's nodes, /dev/pts
// for pseudo-terminals, /dev/serial/by-id for adapters' stable names, the pinned folder, and
// each folder a pinned link passes through on its way to its device, so that a pinned link
// turning dangling is seen like any other port going away.
QStringList foldersToWatch()
{
    QStringList folders;
    for (const char* fixed : {"/dev", "/dev/pts", "/dev/serial/by-id"})
        addNearestExisting(folders, QString::fromLatin1(fixed));
    addNearestExisting(folders, pinnedPortsFolder());
    for (const PinnedPort& pinned : pinnedPorts(pinnedPortsFolder())) {
        QFileInfo hop(pinned.entryPath);
        // A bounded walk: a loop of links must not hang the watcher.
        for (int i = 0; i < 8 && hop.isSymLink(); ++i) {
            hop = QFileInfo(hop.symLinkTarget());
            addNearestExisting(folders, hop.path());
        }
    }
    return folders;
}

class LinuxPortChangeWatcher final : public PortChangeWatcher
{
public:
    explicit LinuxPortChangeWatcher(QObject* parent)
        : PortChangeWatcher(parent), m_files(new QFileSystemWatcher(this))
    {
        m_udev = udev_new();
        if (m_udev)
            m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
        if (m_monitor && udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "tty", nullptr) >= 0
            && udev_monitor_enable_receiving(m_monitor) >= 0) {
            m_socket = new QSocketNotifier(udev_monitor_get_fd(m_monitor),
                                           QSocketNotifier::Read, this);
            m_socket->setEnabled(false);
            connect(m_socket, &QSocketNotifier::activated, this, [this] { onUdevEvent(); });
        }
        connect(m_files, &QFileSystemWatcher::directoryChanged, this,
                [this](const QString&) { onFolderChanged(); });
        watchFolders();
    }

    ~LinuxPortChangeWatcher() override
    {
        delete m_socket;
        if (m_monitor)
            udev_monitor_unref(m_monitor);
        if (m_udev)
            udev_unref(m_udev);
    }

    void setEnabled(bool enable) override
    {
        m_enabled = enable;
        if (m_socket)
            m_socket->setEnabled(enable);
    }

private:
    void onUdevEvent()
    {
        // Drain every queued event; one rescan covers them all.
        while (udev_device* dev = udev_monitor_receive_device(m_monitor))
            udev_device_unref(dev);
        if (m_enabled)
            emit changed();
    }

    void onFolderChanged()
    {
        watchFolders();
        if (m_enabled)
            emit changed();
    }

    void watchFolders()
    {
        const QStringList wanted = foldersToWatch();
        const QStringList current = m_files->directories();
        for (const QString& path : current) {
            if (!wanted.contains(path))
                m_files->removePath(path);
        }
        for (const QString& path : wanted) {
            if (!current.contains(path))
                m_files->addPath(path);
        }
    }

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_socket = nullptr;
    QFileSystemWatcher* m_files;
    bool m_enabled = false;
};

} // namespace

PortChangeWatcher* PortChangeWatcher::create(QObject* parent)
{
    return new LinuxPortChangeWatcher(parent);
}
