#pragma once
// The platform's serial-port services, in the shape the device logic asks for them.
//
// The logic hands over the device path it built ("COM9", "\\.\COM10"); the platform decides
// what that path means. Every call is one step the device logic takes on the port (open, set
// the line, count the input queue, read, write, purge), so the logic reads the same on every
// system, and a test can put its own object in between to count calls or to make one of them
// fail.

#include <QString>
#include <QtGlobal>

// An open port. kInvalidSerialHandle, the one "no port" value, is what a failed open gives
// (Windows' INVALID_HANDLE_VALUE); every call refuses it with the system's invalid-handle
// code. Any other value is what open() gave and close() has not yet taken back.
using SerialHandle = qintptr;
constexpr SerialHandle kInvalidSerialHandle = -1;

// The line settings the logic changes, named after the fields of the Windows DCB they come
// from. Values travel unchanged from the preferences (already cut to the field's width).
struct SerialLineState
{
    quint32 baudRate = 0;
    quint8 byteSize = 8;   // 5..8
    quint8 parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
    quint8 stopBits = 0;   // 0 one, 1 one and a half, 2 two
    quint8 dtrControl = 0; // 0 off, 1 on, 2 handshake
    quint8 rtsControl = 0; // 0 off, 1 on, 2 handshake, 3 toggle
    quint8 outxDsrFlow = 0; // 0 or 1
    quint8 outxCtsFlow = 0; // 0 or 1

    bool operator==(const SerialLineState& o) const
    {
        return baudRate == o.baudRate && byteSize == o.byteSize && parity == o.parity
            && stopBits == o.stopBits && dtrControl == o.dtrControl
            && rtsControl == o.rtsControl && outxDsrFlow == o.outxDsrFlow
            && outxCtsFlow == o.outxCtsFlow;
    }
    bool operator!=(const SerialLineState& o) const { return !(*this == o); }
};

// Time-outs in milliseconds, as in the Windows COMMTIMEOUTS record.
struct SerialTimeouts
{
    quint32 readIntervalTimeout = 0;
    quint32 readTotalTimeoutMultiplier = 0;
    quint32 readTotalTimeoutConstant = 0;
    quint32 writeTotalTimeoutMultiplier = 0;
    quint32 writeTotalTimeoutConstant = 0;
};

// Purge flags, with the values of the Windows PURGE_* constants.
enum SerialPurgeFlag : unsigned {
    kPurgeTxAbort = 0x01,
    kPurgeRxAbort = 0x02,
    kPurgeTxClear = 0x04,
    kPurgeRxClear = 0x08,
};

// Every call that can fail returns false (or kInvalidSerialHandle) and leaves an error code
// for the calling thread that lastError() gives back and errorText() turns into text.
class SerialPortApi
{
public:
    virtual ~SerialPortApi() = default;

    // Opens the port exclusively: a port held by anybody else (also by root) fails, with the
    // code for "busy" whoever the caller is.
    virtual SerialHandle open(const QString& devicePath) = 0;
    // Closes the port. Output still queued cannot be wanted any more (every exchange has ended
    // by then) and is discarded first, so a stuck line never holds the close.
    virtual bool close(SerialHandle handle) = 0;

    virtual bool getLineState(SerialHandle handle, SerialLineState& state) = 0;
    virtual bool setLineState(SerialHandle handle, const SerialLineState& state) = 0;
    virtual bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) = 0;
    virtual bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) = 0;

    // Bytes waiting in the input queue.
    virtual bool inputQueueCount(SerialHandle handle, quint32& count) = 0;
    // True once the other end is gone for good (an unplugged adapter, a closed
    // pseudo-terminal): nothing more will ever arrive. False on a line that is merely quiet.
    virtual bool hungUp(SerialHandle handle) = 0;
    // Reads up to `length` bytes that are already waiting; `got` says how many came.
    virtual bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) = 0;
    // Writes all `length` bytes unless the line fails; `written` says how many went out.
    // Returns once the driver has passed the bytes on to the line, where it can tell (a UART's
    // output queue); some drivers (pseudo-terminals, many USB adapters) report that at once.
    // The write time-outs bound the whole call: multiplier * length + constant milliseconds,
    // no bound when both are 0; past the bound it fails with the system's time-out code.
    virtual bool write(SerialHandle handle, const void* buffer, quint32 length,
                       quint32& written) = 0;
    virtual bool purge(SerialHandle handle, unsigned flags) = 0;
    // Stops the port for good; the one call another thread may make while a call on the
    // handle runs. Output not yet on the line is discarded at once, a write under way ends,
    // and every later read or write on the handle fails. close() is still the owner's.
    virtual bool abort(SerialHandle handle) = 0;

    virtual void sleepMs(unsigned milliseconds) = 0;

    virtual int lastError() = 0;
    virtual void setLastError(int code) = 0;
    // The system's message for `code`; empty when the system has none.
    virtual QString errorText(int code) = 0;
};

// The services the device logic uses: the platform's own unless a test installed others.
SerialPortApi& serialPortApi();
// Installs `api` (nullptr puts the platform's own back) and returns the one it replaces.
// Not thread-safe: tests install before they start work.
SerialPortApi* setSerialPortApi(SerialPortApi* api);
// The platform's own services, for a test object that passes most calls through.
SerialPortApi& systemSerialPortApi();
