#pragma once
// The platform's view of the serial ports: what is there, and when that may have changed.

#include <QList>
#include <QObject>

#include "portinfo.h"

// Every serial port the system reports, in the system's own order. portName is what the
// system calls the port (it may be empty or not a COM name at all: the callers apply their
// own rules). Returns false, with errno set, when the system cannot be asked at all.
bool systemSerialPorts(QList<PortInfo>& ports);

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
