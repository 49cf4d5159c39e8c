#pragma once
// Pure translation between the logic's line settings and the Windows DCB; no system calls.

#include <windows.h>

#include "serial_port_api.h"

// The eight fields of `dcb` that the logic looks at.
SerialLineState lineStateOfDcb(const DCB& dcb);

// `current` with the eight fields of `state` in place (each cut to its field's width) and
// every other field, the length and the flags the logic never names included, as it came:
// the driver's own choices (XON/XOFF characters, the abort-on-error flag, ...) are kept.
DCB dcbWithLineState(const DCB& current, const SerialLineState& state);
