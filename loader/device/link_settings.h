#pragma once
// What a device operation needs to know about its line, as one value: which port, whether the
// switch is only emulated, and the line settings. A load takes its settings once, so several
// loads can run at once, each on its own port, without sharing the global preferences.

#include "serial_port_api.h"

struct LinkSettings
{
    int portNumber = 0;     // n of the port COMn; below 1 is no port
    bool emulate = false;   // answer GET_INFO without the port (the "-nodevice" switch)
    SerialLineState line;   // the DCB fields, already cut to their widths
};

// What the preferences hold now: general.device_com, general.emulate_device and the
// general.comparam_* values (byte size, parity and stop bits cut to 8 bits, DTR and RTS
// control to 2, the two flow flags to 1), each read under the preference lock.
LinkSettings linkSettingsFromPreferences();
