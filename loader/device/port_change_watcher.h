#pragma once
// The platform's word that serial ports may have come or gone.

#include <QObject>

// Emits changed() on its thread's event loop whenever serial ports may have come or gone.
// Spurious signals are fine: the listener rescans and compares.
class PortChangeWatcher : public QObject
{
    Q_OBJECT

public:
    // Null when the platform offers no way to watch.
    static PortChangeWatcher* create(QObject* parent);

    virtual void setEnabled(bool enable) = 0;

signals:
    void changed();

protected:
    explicit PortChangeWatcher(QObject* parent) : QObject(parent) {}
};
