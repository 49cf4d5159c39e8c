#include "termios_mapping_linux.h"

#include <sys/ioctl.h>

namespace {

struct RatePair
{
    quint32 rate;
    speed_t speed;
};

const RatePair kRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

ModemLine modemAction(quint8 control)
{
    return control == 1 ? ModemLine::Raise : ModemLine::Drop;
}

} // namespace

const char* lineSettingErrorText(int code)
{
    switch (code) {
    case kErrorOneAndHalfStopBits: return "One and a half stop bits are not supported on Linux";
    case kErrorDtrHandshake: return "DTR handshake is not supported on Linux";
    case kErrorRtsToggle: return "RTS toggle is not supported on Linux";
    case kErrorDsrFlow: return "DSR output flow control is not supported on Linux";
    default: return lineSettingRefusalText(code);
    }
}

speed_t standardSpeed(quint32 baudRate)
{
    for (const RatePair& p : kRates) {
        if (p.rate == baudRate)
            return p.speed;
    }
    return B0;
}

quint32 rateOfSpeed(speed_t speed)
{
    for (const RatePair& p : kRates) {
        if (p.speed == speed)
            return p.rate;
    }
    return 0;
}

bool planLineSettings(const termios& current, const SerialLineState& state, TermiosPlan& plan,
                      int& errorCode)
{
    TermiosPlan out;
    out.tio = current;
    cfmakeraw(&out.tio);
    // Reads wait on the queue count, never in the driver.
    out.tio.c_cc[VMIN] = 0;
    out.tio.c_cc[VTIME] = 0;
    out.tio.c_cflag |= CLOCAL | CREAD;
    out.tio.c_iflag &= ~(IXOFF | IXANY);

    if (const int refusal = lineSettingRefusal(state)) {
        errorCode = refusal;
        return false;
    }
    const speed_t speed = standardSpeed(state.baudRate);
    if (speed != B0) {
        cfsetispeed(&out.tio, speed);
        cfsetospeed(&out.tio, speed);
    } else {
        out.customBaud = true;
    }

    out.tio.c_cflag &= ~CSIZE;
    switch (state.byteSize) {
    case 5: out.tio.c_cflag |= CS5; break;
    case 6: out.tio.c_cflag |= CS6; break;
    case 7: out.tio.c_cflag |= CS7; break;
    case 8: out.tio.c_cflag |= CS8; break;
    default: break; // refused above
    }

    out.tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (state.parity) {
    case 0: break;
    case 1: out.tio.c_cflag |= PARENB | PARODD; break;
    case 2: out.tio.c_cflag |= PARENB; break;
    // With CMSPAR the parity bit is fixed: PARODD makes it 1 (mark), without it 0 (space).
    case 3: out.tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case 4: out.tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
    }

    switch (state.stopBits) {
    case 0: out.tio.c_cflag &= ~CSTOPB; break;
    case 1: errorCode = kErrorOneAndHalfStopBits; return false;
    default: out.tio.c_cflag |= CSTOPB; break;
    }

    // The kernel has no DSR-driven output flow (termiox is gone), nor DTR handshake or RTS
    // toggle; refusing beats silently sending without the handshake the user asked for.
    if (state.outxDsrFlow != 0) {
        errorCode = kErrorDsrFlow;
        return false;
    }
    if (state.dtrControl == 2) {
        errorCode = kErrorDtrHandshake;
        return false;
    }
    if (state.rtsControl == 3) {
        errorCode = kErrorRtsToggle;
        return false;
    }
    out.dtr = modemAction(state.dtrControl);

    // CRTSCTS works both ways at once: CTS gates our output and the driver drives RTS. Only
    // CTS flow asks for the first, so only CTS flow turns it on. RTS handshake alone signals
    // "ready to receive"; the program reads every reply as it comes, so RTS simply stays up.
    if (state.outxCtsFlow != 0) {
        out.tio.c_cflag |= CRTSCTS;
        out.rts = state.rtsControl == 2 ? ModemLine::Leave : modemAction(state.rtsControl);
    } else {
        out.tio.c_cflag &= ~CRTSCTS;
        out.rts = state.rtsControl == 2 ? ModemLine::Raise : modemAction(state.rtsControl);
    }

    plan = out;
    return true;
}

SerialLineState lineStateOf(const termios& tio, quint32 baudRate, int modemBits)
{
    SerialLineState s;
    s.baudRate = baudRate;
    switch (tio.c_cflag & CSIZE) {
    case CS5: s.byteSize = 5; break;
    case CS6: s.byteSize = 6; break;
    case CS7: s.byteSize = 7; break;
    default: s.byteSize = 8; break;
    }
    if (!(tio.c_cflag & PARENB))
        s.parity = 0;
    else if (tio.c_cflag & CMSPAR)
        s.parity = (tio.c_cflag & PARODD) ? 3 : 4;
    else
        s.parity = (tio.c_cflag & PARODD) ? 1 : 2;
    s.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 0;
    s.outxDsrFlow = 0;
    s.outxCtsFlow = (tio.c_cflag & CRTSCTS) ? 1 : 0;
    // Without modem lines (a pseudo-terminal) the lines count as off.
    s.dtrControl = (modemBits >= 0 && (modemBits & TIOCM_DTR)) ? 1 : 0;
    if (tio.c_cflag & CRTSCTS)
        s.rtsControl = 2;
    else
        s.rtsControl = (modemBits >= 0 && (modemBits & TIOCM_RTS)) ? 1 : 0;
    return s;
}
