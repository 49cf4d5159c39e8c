// Change notification on Windows: a registry watch on the device services tree, whose values
// change whenever a device (a serial adapter among them) is installed, started or removed.
// The system signals an event; QWinEventNotifier brings it to this object's thread.

#include "port_change_watcher.h"

#include <windows.h>

#include <QWinEventNotifier>

namespace {

class WinPortChangeWatcher final : public PortChangeWatcher
{
public:
    // Takes ownership of both handles.
    WinPortChangeWatcher(QObject* parent, HANDLE event, HKEY servicesKey)
        : PortChangeWatcher(parent), m_event(event), m_servicesKey(servicesKey),
          m_notifier(new QWinEventNotifier(event, this))
    {
        m_notifier->setEnabled(false);
        connect(m_notifier, &QWinEventNotifier::activated, this, [this] { onSignalled(); });
    }

    ~WinPortChangeWatcher() override
    {
        delete m_notifier;
        ::CloseHandle(m_event);
        ::RegCloseKey(m_servicesKey);
    }

    void setEnabled(bool enable) override
    {
        m_enabled = enable;
        m_notifier->setEnabled(enable);
        // Armed before the first scan, so that a change during that scan is not lost.
        if (enable)
            arm();
    }

private:
    void onSignalled()
    {
        if (m_enabled)
            emit changed();
        // One arming gives at most one signal: every step ends by arming again, whether or
        // not the listener found anything different.
        arm();
    }

    void arm()
    {
        ::RegNotifyChangeKeyValue(m_servicesKey, TRUE, REG_NOTIFY_CHANGE_LAST_SET, m_event, TRUE);
    }

    HANDLE m_event;
    HKEY m_servicesKey;
    QWinEventNotifier* m_notifier;
    bool m_enabled = false;
};

} // namespace

PortChangeWatcher* PortChangeWatcher::create(QObject* parent)
{
    // Auto-reset, not signalled: each signal wakes the notifier once.
    const HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event)
        return nullptr;
    HKEY servicesKey = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\services", 0, KEY_NOTIFY, &servicesKey)
        != ERROR_SUCCESS) {
        ::CloseHandle(event);
        return nullptr;
    }
    return new WinPortChangeWatcher(parent, event, servicesKey);
}
