// The serial-port services on Windows: the communications functions of kernel32, on the
// device path the logic built ("COM9", "\\.\COM10"), with synchronous I/O.
//
// A handle points at a small record holding the system's handle and the abort state, so that
// abort() can make every later call on it fail while the owner still holds it.

#include "serial_port_api.h"

#include <windows.h>

#include <atomic>

#include "dcb_mapping_win.h"
#include "line_setting_rules.h"

namespace {

// The code of this layer's last failure on this thread. Windows' own value is not enough: the
// event loop the logic may run between a failure and its report (the open retry's wait) makes
// system calls that overwrite it.
thread_local DWORD t_lastError = 0;

struct WinPort
{
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::atomic<bool> aborted {false};
    // Reads and writes under way; abort() cancels until none is left (see abort()).
    std::atomic<int> callsInFlight {0};
};

// How long abort() keeps cancelling a call that slipped past its check of `aborted`.
constexpr int kAbortRetries = 50;

WinPort* portOf(SerialHandle handle)
{
    // open() never gives 0 (a record's address), so 0 can only be a caller's mistake.
    if (handle == kInvalidSerialHandle || handle == 0)
        return nullptr;
    return reinterpret_cast<WinPort*>(handle);
}

bool fail(DWORD code)
{
    t_lastError = code;
    ::SetLastError(code);
    return false;
}

// Keeps the code the system call that just failed left.
bool failed()
{
    t_lastError = ::GetLastError();
    return false;
}

// The result of a system call: true, or false with its code kept.
bool checked(BOOL ok)
{
    return ok ? true : failed();
}

// Counts a read or write as under way for as long as it lives.
class InFlight
{
public:
    explicit InFlight(WinPort& port) : m_port(port) { ++m_port.callsInFlight; }
    ~InFlight() { --m_port.callsInFlight; }
    InFlight(const InFlight&) = delete;
    InFlight& operator=(const InFlight&) = delete;

private:
    WinPort& m_port;
};

// Codes a port gives once its device is gone: an unplugged USB adapter answers every call
// with one of them, a merely quiet line never does.
bool meansDeviceGone(DWORD code)
{
    switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_BAD_COMMAND:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_NOT_READY:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_BROKEN_PIPE:
        return true;
    default:
        return false;
    }
}

class WinSerialPortApi final : public SerialPortApi
{
public:
    SerialHandle open(const QString& devicePath) override
    {
        // Share mode 0: the port is ours alone, and anybody holding it makes this fail.
        const HANDLE h = ::CreateFileW(reinterpret_cast<LPCWSTR>(devicePath.utf16()),
                                       GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            failed();
            return kInvalidSerialHandle;
        }
        auto* port = new WinPort;
        port->handle = h;
        return reinterpret_cast<SerialHandle>(port);
    }

    bool close(SerialHandle handle) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        // Output held back by flow control would otherwise keep CloseHandle waiting.
        ::PurgeComm(port->handle, PURGE_TXABORT | PURGE_TXCLEAR);
        const BOOL ok = ::CloseHandle(port->handle);
        const DWORD code = ::GetLastError();
        delete port;
        return ok ? true : fail(code);
    }

    bool getLineState(SerialHandle handle, SerialLineState& state) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        DCB dcb;
        if (!readDcb(*port, dcb))
            return false;
        state = lineStateOfDcb(dcb);
        return true;
    }

    bool setLineState(SerialHandle handle, const SerialLineState& state) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        // The same refusals, with the same texts, as on every other system; drivers differ in
        // what they let through (a DTR control of 3 fits the DCB's two bits).
        if (const int refused = lineSettingRefusal(state))
            return fail(DWORD(refused));
        DCB current;
        if (!readDcb(*port, current))
            return false;
        DCB wanted = dcbWithLineState(current, state);
        return checked(::SetCommState(port->handle, &wanted));
    }

    bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        COMMTIMEOUTS t {};
        if (!::GetCommTimeouts(port->handle, &t))
            return failed();
        timeouts.readIntervalTimeout = t.ReadIntervalTimeout;
        timeouts.readTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
        timeouts.readTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
        timeouts.writeTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
        timeouts.writeTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
        return true;
    }

    bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        COMMTIMEOUTS t {};
        t.ReadIntervalTimeout = timeouts.readIntervalTimeout;
        t.ReadTotalTimeoutMultiplier = timeouts.readTotalTimeoutMultiplier;
        t.ReadTotalTimeoutConstant = timeouts.readTotalTimeoutConstant;
        t.WriteTotalTimeoutMultiplier = timeouts.writeTotalTimeoutMultiplier;
        t.WriteTotalTimeoutConstant = timeouts.writeTotalTimeoutConstant;
        return checked(::SetCommTimeouts(port->handle, &t));
    }

    bool inputQueueCount(SerialHandle handle, quint32& count) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        if (port->aborted)
            return fail(ERROR_OPERATION_ABORTED);
        DWORD errors = 0;
        COMSTAT status {};
        if (!::ClearCommError(port->handle, &errors, &status))
            return failed();
        count = status.cbInQue;
        return true;
    }

    bool hungUp(SerialHandle handle) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return false;
        // Asking must not change the code a failed call left for the caller.
        const DWORD saved = ::GetLastError();
        DWORD errors = 0;
        COMSTAT status {};
        const bool gone = !::ClearCommError(port->handle, &errors, &status)
            && meansDeviceGone(::GetLastError());
        ::SetLastError(saved);
        return gone;
    }

    bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) override
    {
        got = 0;
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        InFlight inFlight(*port);
        if (port->aborted)
            return fail(ERROR_OPERATION_ABORTED);
        // The logic reads only bytes the queue count has shown, so the read time-outs it sets
        // (5000 ms between bytes, 1 ms a byte plus 5000 ms in all) never hold this call: they
        // only end a read that a driver would otherwise keep waiting for ever.
        DWORD n = 0;
        const BOOL ok = ::ReadFile(port->handle, buffer, length, &n, nullptr);
        got = n;
        return checked(ok);
    }

    bool write(SerialHandle handle, const void* buffer, quint32 length,
               quint32& written) override
    {
        written = 0;
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        InFlight inFlight(*port);
        if (port->aborted)
            return fail(ERROR_OPERATION_ABORTED);
        DWORD n = 0;
        const BOOL ok = ::WriteFile(port->handle, buffer, length, &n, nullptr);
        written = n;
        if (!ok)
            return failed();
        if (port->aborted)
            return fail(ERROR_OPERATION_ABORTED);
        // A write that ran into its total time-out completes as a success with fewer bytes.
        if (n < length)
            return fail(ERROR_TIMEOUT);
        return true;
    }

    bool purge(SerialHandle handle, unsigned flags) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        return checked(::PurgeComm(port->handle, flags));
    }

    bool abort(SerialHandle handle) override
    {
        WinPort* port = portOf(handle);
        if (!port)
            return fail(ERROR_INVALID_HANDLE);
        port->aborted = true;
        const DWORD all = PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR;
        const BOOL purged = ::PurgeComm(port->handle, all);
        const DWORD code = ::GetLastError();
        // A call counts itself in flight before it looks at `aborted`: one that looked just
        // before the flag was set is still counted here, and is cancelled once it has started.
        for (int i = 0; i < kAbortRetries && port->callsInFlight > 0; ++i) {
            ::CancelIoEx(port->handle, nullptr);
            ::PurgeComm(port->handle, all);
            ::Sleep(1);
        }
        return purged ? true : fail(code);
    }

    void sleepMs(unsigned milliseconds) override { ::Sleep(milliseconds); }

    int lastError() override { return int(t_lastError); }
    void setLastError(int code) override
    {
        t_lastError = DWORD(code);
        ::SetLastError(DWORD(code));
    }

    QString errorText(int code) override
    {
        const char* own = lineSettingRefusalText(code);
        if (*own)
            return QString::fromLatin1(own);
        LPWSTR buffer = nullptr;
        const DWORD length = ::FormatMessageW(
            FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
            nullptr, DWORD(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
            reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
        QString text;
        if (length && buffer)
            text = QString::fromWCharArray(buffer, int(length));
        if (buffer)
            ::LocalFree(buffer);
        return text;
    }

private:
    static bool readDcb(WinPort& port, DCB& dcb)
    {
        ZeroMemory(&dcb, sizeof dcb);
        dcb.DCBlength = sizeof dcb;
        return checked(::GetCommState(port.handle, &dcb));
    }
};

} // namespace

SerialPortApi& systemSerialPortApi()
{
    static WinSerialPortApi api;
    return api;
}
