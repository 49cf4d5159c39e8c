#pragma once
// The inside of SerialDeviceEnumerator.

#include "port_change_watcher.h"
#include "port_info.h"

class SerialDeviceEnumerator;

class SerialDeviceEnumeratorPrivate
{
public:
    explicit SerialDeviceEnumeratorPrivate(SerialDeviceEnumerator* publicPart);
    virtual ~SerialDeviceEnumeratorPrivate();

    void setWatching(bool enable);
    // Rescans and, when anything about the ports changed, keeps the new map and emits.
    void processWatcher();
    PortMap rescan() const;

    SerialDeviceEnumerator* q;
    PortMap portMap;
    PortChangeWatcher* watcher = nullptr; // child of the public object; null: no watching
};
