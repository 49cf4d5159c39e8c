#include "line_setting_rules.h"

int lineSettingRefusal(const SerialLineState& state)
{
    if (state.baudRate == 0)
        return kErrorBaudRate;
    if (state.byteSize < 5 || state.byteSize > 8)
        return kErrorByteSize;
    if (state.parity > 4)
        return kErrorParity;
    if (state.stopBits > 2)
        return kErrorStopBits;
    // The DCB's two-bit DTR field has no meaning for 3.
    if (state.dtrControl > 2)
        return kErrorDtrControl;
    return 0;
}

const char* lineSettingRefusalText(int code)
{
    switch (code) {
    case kErrorBaudRate: return "The baud rate is not valid";
    case kErrorByteSize: return "The byte size must be 5, 6, 7 or 8";
    case kErrorParity: return "The parity setting is not valid";
    case kErrorStopBits: return "The stop bits setting is not valid";
    case kErrorDtrControl: return "The DTR control setting is not valid";
    default: return "";
    }
}
