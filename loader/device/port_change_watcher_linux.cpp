// Change notification on Linux: the udev monitor where udev runs, and inotify on the folders
// that hold device nodes and pinned links (containers have no udev events; pinned links and
// pseudo-terminals have none anyway). Most notifications concern ttys that can never be a
// port (virtual consoles, every terminal opened on the machine); they are told apart by a
// look at the names, so that they cost no scan.

#include "port_change_watcher_linux.h"

#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <libudev.h>

#include "port_numbering_linux.h"
#include "port_watch_state_linux.h"

namespace {

class LinuxPortChangeWatcher final : public PortChangeWatcher
{
public:
    LinuxPortChangeWatcher(QObject* parent, const QString& deviceFolder)
        : PortChangeWatcher(parent), m_deviceFolder(deviceFolder),
          m_files(new QFileSystemWatcher(this))
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
        // Whoever enables rescans anyway; what follows is measured against that moment.
        if (enable)
            m_state = currentState();
    }

private:
    void onUdevEvent()
    {
        // Drain every queued event; one rescan covers them all.
        bool numbered = false;
        while (udev_device* dev = udev_monitor_receive_device(m_monitor)) {
            const char* name = udev_device_get_sysname(dev);
            numbered = numbered || (name && automaticComNumber(QString::fromUtf8(name)) != 0);
            udev_device_unref(dev);
        }
        // A numbered tty may change what udev says of it while its node stays as it was.
        if (numbered)
            notify(currentState());
        else
            notifyIfAltered();
    }

    void onFolderChanged()
    {
        watchFolders();
        notifyIfAltered();
    }

    void notifyIfAltered()
    {
        PortWatchState state = currentState();
        if (state != m_state)
            notify(std::move(state));
    }

    void notify(PortWatchState state)
    {
        m_state = std::move(state);
        if (m_enabled)
            emit changed();
    }

    PortWatchState currentState() const
    {
        return currentPortWatchState(m_deviceFolder, pinnedPortsFolder());
    }

    void watchFolders()
    {
        const QStringList wanted = portWatchFolders(m_deviceFolder, pinnedPortsFolder());
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

    const QString m_deviceFolder;
    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_socket = nullptr;
    QFileSystemWatcher* m_files;
    PortWatchState m_state;
    bool m_enabled = false;
};

} // namespace

PortChangeWatcher* createLinuxPortChangeWatcher(QObject* parent, const QString& deviceFolder)
{
    return new LinuxPortChangeWatcher(parent, deviceFolder);
}

PortChangeWatcher* PortChangeWatcher::create(QObject* parent)
{
    return createLinuxPortChangeWatcher(parent, QStringLiteral("/dev"));
}
