#include "serial_device_enumerator.h"

#include "port_discovery.h"
#include "serial_device_enumerator_p.h"

SerialDeviceEnumeratorPrivate::SerialDeviceEnumeratorPrivate(SerialDeviceEnumerator* publicPart)
    : q(publicPart)
{
}

SerialDeviceEnumeratorPrivate::~SerialDeviceEnumeratorPrivate()
{
    if (watcher) {
        watcher->setEnabled(false);
        delete watcher;
    }
}

void SerialDeviceEnumeratorPrivate::setWatching(bool enable)
{
    // Without a way to watch there is no scan at all: the list stays empty and nothing is
    // ever emitted, rather than a list that silently goes stale.
    if (!watcher)
        return;
    watcher->setEnabled(enable);
    if (enable)
        processWatcher();
}

void SerialDeviceEnumeratorPrivate::processWatcher()
{
    if (!watcher)
        return;
    PortMap newMap = rescan();
    if (portMapsDiffer(newMap, portMap)) {
        portMap = newMap;
        emit q->hasChanged(newMap.keys());
    }
}

PortMap SerialDeviceEnumeratorPrivate::rescan() const
{
    PortMap map;
    QList<PortInfo> found;
    // A failed scan keeps what it found before failing (nothing, here).
    systemSerialPorts(found);
    for (const PortInfo& info : found) {
        if (info.portName.isEmpty() || info.portName.contains(QLatin1String("LPT")))
            continue;
        map.insert(info.portName, info); // a later device of the same name replaces it
    }
    return map;
}

SerialDeviceEnumerator::SerialDeviceEnumerator(QObject* parent)
    : QObject(parent), d(new SerialDeviceEnumeratorPrivate(this))
{
    d->watcher = PortChangeWatcher::create(this);
    if (d->watcher)
        connect(d->watcher, SIGNAL(changed()), this, SLOT(_q_processWatcher()));
    d->setWatching(true);
}

SerialDeviceEnumerator::~SerialDeviceEnumerator()
{
    delete d;
}

SerialDeviceEnumerator* SerialDeviceEnumerator::instance()
{
    // Never destroyed: handlers may still be connected while static objects go away.
    static SerialDeviceEnumerator* const theInstance = new SerialDeviceEnumerator;
    return theInstance;
}

QStringList SerialDeviceEnumerator::portNames() const
{
    return d->portMap.keys();
}

void SerialDeviceEnumerator::_q_processWatcher()
{
    d->processWatcher();
}
