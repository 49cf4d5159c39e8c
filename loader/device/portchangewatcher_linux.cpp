// Change notification on Linux: the udev monitor where udev runs, and inotify on /dev and the
// pinned-ports folder (containers have no udev events; pinned links have none anyway).

#include "portdiscovery.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>
#include <libudev.h>

#include "portnumbering_linux.h"

namespace {

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

    // The pinned folder may not exist yet: watch its nearest existing ancestor until it does.
    void watchFolders()
    {
        QStringList wanted {QStringLiteral("/dev")};
        QString folder = QDir::cleanPath(pinnedPortsFolder());
        while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
            const QString parent = QFileInfo(folder).path();
            if (parent == folder)
                break;
            folder = parent;
        }
        if (!folder.isEmpty() && QFileInfo(folder).isDir())
            wanted << folder;
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
