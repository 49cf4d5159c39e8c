#pragma once
// Line settings no serial port can give, whatever the system: the checks and their texts,
// shared by every platform's serial layer. Pure functions, no system calls.

#include "serial_port_api.h"

// Codes of refused line settings, handed out like system error codes. Bit 29 marks an
// application's own code on Windows and lies above every errno value, so a refusal never
// reads as a system failure. A platform numbers its own refusals from
// kFirstPlatformLineSettingError on.
enum LineSettingError : int {
    kErrorBaudRate = 0x20000001,
    kErrorByteSize,
    kErrorParity,
    kErrorStopBits,
    kErrorDtrControl,
    kFirstPlatformLineSettingError = 0x20000100,
};

// The first rule `state` breaks, as one of the codes above; 0 when every field is one a
// serial port may have (a rate above 0, 5..8 data bits, parity 0..4, stop bits 0..2, DTR
// control 0..2). The RTS control's two bits are all meaningful.
int lineSettingRefusal(const SerialLineState& state);

// The text for one of the codes above; empty for any other code.
const char* lineSettingRefusalText(int code);
