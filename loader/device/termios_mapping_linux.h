#pragma once
// Pure translation between the logic's line settings and Linux termios (CMSPAR, CRTSCTS);
// no system calls.

#include <termios.h>

#include "line_setting_rules.h"
#include "serial_port_api.h"

// Settings a serial port may have but Linux cannot give (beside the refusals every
// platform shares, line_setting_rules.h).
enum LinuxLineSettingError : int {
    kErrorOneAndHalfStopBits = kFirstPlatformLineSettingError,
    kErrorDtrHandshake,
    kErrorRtsToggle,
    kErrorDsrFlow,
};

// The text for any refusal code, shared or Linux's own; empty for any other code.
const char* lineSettingErrorText(int code);

// The termios speed constant for a standard rate, or B0 when the rate needs termios2.
speed_t standardSpeed(quint32 baudRate);
// The rate of a speed constant; 0 for B0 or an unknown constant.
quint32 rateOfSpeed(speed_t speed);

// What the modem-line ioctls must do after tcsetattr.
enum class ModemLine { Leave, Raise, Drop };

struct TermiosPlan
{
    termios tio;              // the settings to hand to tcsetattr
    bool customBaud = false;  // the rate is not standard: set it through termios2
    ModemLine dtr = ModemLine::Leave;
    ModemLine rts = ModemLine::Leave;
};

// Builds the settings for `state` on top of `current` (raw mode, no time-outs in the driver,
// receiver on, modem status ignored; output waits on CTS only when outxCtsFlow asks for it). On a setting this system
// cannot give, returns false with `errorCode` one of the codes above and `plan` untouched.
bool planLineSettings(const termios& current, const SerialLineState& state, TermiosPlan& plan,
                      int& errorCode);

// The line settings that `tio` describes, with the rate read separately (termios2 gives any
// rate) and the modem lines when the device has them (modemBits < 0: it has none).
SerialLineState lineStateOf(const termios& tio, quint32 baudRate, int modemBits);
