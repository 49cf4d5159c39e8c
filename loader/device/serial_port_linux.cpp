// The serial-port services on Linux: termios (with termios2 for any rate), flock, and the
// COM numbering of port_numbering_linux.h.
//
// A handle points at a small record holding the descriptor, the time-outs and the abort
// state. The time-outs have no termios twin: reads here only ever take bytes the queue count
// has shown, so the read values are kept for get/set and otherwise unused.

#include "serial_port_api.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "com_port_names.h"
#include "port_numbering_linux.h"
#include "termios2_linux.h"
#include "termios_mapping_linux.h"

namespace {

thread_local int t_lastError = 0;

struct PosixPort
{
    int fd = -1;
    SerialTimeouts timeouts;
    // abort() may come from another thread while a write runs: it takes this lock around its
    // flush, and every write() system call runs under it after checking `aborted`, so no byte
    // reaches the line after the flush.
    std::mutex writeLock;
    std::atomic<bool> aborted {false};
};

// A poll on a stuck line wakes this often to notice an abort.
constexpr int kAbortCheckMs = 20;

PosixPort* portOf(SerialHandle handle)
{
    // open() never gives 0 (a record's address), so 0 can only be a caller's mistake.
    if (handle == kInvalidSerialHandle || handle == 0)
        return nullptr;
    return reinterpret_cast<PosixPort*>(handle);
}

bool fail(int code)
{
    t_lastError = code;
    return false;
}

qint64 monotonicMs()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

class PosixSerialPortApi final : public SerialPortApi
{
public:
    SerialHandle open(const QString& devicePath) override
    {
        const QString node = portEntryPath(comNumberFromDevicePath(devicePath));
        if (node.isEmpty()) {
            fail(ENOENT);
            return kInvalidSerialHandle;
        }
        // Non-blocking, so that neither the open (waiting for carrier) nor a read can hang.
        const int fd = ::open(node.toLocal8Bit().constData(),
                              O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            fail(errno);
            return kInvalidSerialHandle;
        }
        // flock holds against root as well; TIOCEXCL keeps out plain opens of other users
        // who do not lock. No UUCP lock files: stale ones after a crash block for ever.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
            // flock says "would block" where TIOCEXCL says "busy": the operator reads the same
            // reason as root (who passes TIOCEXCL) and as a user.
            const int code = errno == EWOULDBLOCK ? EBUSY : errno;
            ::close(fd);
            fail(code);
            return kInvalidSerialHandle;
        }
        auto* port = new PosixPort;
        port->fd = fd;
        return reinterpret_cast<SerialHandle>(port);
    }

    bool close(SerialHandle handle) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        // Output still queued here (CTS held low, a stalled adapter) would make the kernel wait
        // up to its closing time, 30 s by default, before the close returns.
        ::tcflush(port->fd, TCOFLUSH);
        // The exclusive flag outlives our descriptor on some drivers; leave the port usable.
        ::ioctl(port->fd, TIOCNXCL);
        const int rc = ::close(port->fd);
        const int code = errno;
        delete port;
        return rc == 0 ? true : fail(code);
    }

    bool getLineState(SerialHandle handle, SerialLineState& state) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        termios tio {};
        if (::tcgetattr(port->fd, &tio) != 0)
            return fail(errno);
        quint32 rate = 0;
        if (!readBaudRate(port->fd, rate))
            rate = rateOfSpeed(cfgetospeed(&tio));
        int modemBits = 0;
        if (::ioctl(port->fd, TIOCMGET, &modemBits) != 0)
            modemBits = -1;
        state = lineStateOf(tio, rate, modemBits);
        return true;
    }

    bool setLineState(SerialHandle handle, const SerialLineState& state) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        termios current {};
        if (::tcgetattr(port->fd, &current) != 0)
            return fail(errno);
        TermiosPlan plan;
        int refused = 0;
        if (!planLineSettings(current, state, plan, refused))
            return fail(refused);
        if (::tcsetattr(port->fd, TCSANOW, &plan.tio) != 0)
            return fail(errno);
        if (plan.customBaud && !setArbitraryBaudRate(port->fd, state.baudRate))
            return fail(errno);
        if (!applyModemLine(port->fd, TIOCM_DTR, plan.dtr)
            || !applyModemLine(port->fd, TIOCM_RTS, plan.rts))
            return fail(errno);
        return true;
    }

    bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        timeouts = port->timeouts;
        return true;
    }

    bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        port->timeouts = timeouts;
        return true;
    }

    bool inputQueueCount(SerialHandle handle, quint32& count) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        if (port->aborted)
            return fail(ECANCELED);
        int waiting = 0;
        if (::ioctl(port->fd, FIONREAD, &waiting) != 0)
            return fail(errno);
        count = waiting > 0 ? static_cast<quint32>(waiting) : 0;
        return true;
    }

    bool hungUp(SerialHandle handle) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return false;
        // A closed pseudo-terminal master or an unplugged adapter raises POLLHUP (or POLLERR)
        // for good; a quiet line raises nothing.
        pollfd pfd {port->fd, POLLIN, 0};
        return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL));
    }

    bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) override
    {
        got = 0;
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        if (port->aborted)
            return fail(ECANCELED);
        auto* bytes = static_cast<char*>(buffer);
        while (got < length) {
            const ssize_t n = ::read(port->fd, bytes + got, length - got);
            if (n > 0) {
                got += static_cast<quint32>(n);
                continue;
            }
            // In raw mode with VMIN = VTIME = 0 an empty queue also reads as 0 bytes; only
            // the hang-up flag tells an unplugged adapter from a quiet line.
            if (n == 0) {
                pollfd pfd {port->fd, POLLIN, 0};
                if (got == 0 && ::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLHUP))
                    return fail(EIO);
                break;
            }
            if (errno == EAGAIN || errno == EWOULDBLOCK)
                break; // what was waiting has been taken; the caller judges the count
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        return true;
    }

    bool write(SerialHandle handle, const void* buffer, quint32 length,
               quint32& written) override
    {
        written = 0;
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        // The COMMTIMEOUTS rule: a total time-out of multiplier * bytes + constant, none when both
        // are zero.
        const quint64 budget = quint64(port->timeouts.writeTotalTimeoutMultiplier) * length
            + port->timeouts.writeTotalTimeoutConstant;
        const qint64 deadline = budget ? monotonicMs() + qint64(budget) : 0;
        const auto* bytes = static_cast<const char*>(buffer);
        while (written < length) {
            ssize_t n = -1;
            {
                const std::lock_guard<std::mutex> lock(port->writeLock);
                if (port->aborted)
                    return fail(ECANCELED);
                n = ::write(port->fd, bytes + written, length - written);
            }
            if (n > 0) {
                written += static_cast<quint32>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return fail(errno);
            int wait = kAbortCheckMs;
            if (deadline) {
                const qint64 left = deadline - monotonicMs();
                if (left <= 0)
                    return fail(ETIMEDOUT);
                wait = int(qMin<qint64>(left, kAbortCheckMs));
            }
            pollfd pfd {port->fd, POLLOUT, 0};
            const int rc = ::poll(&pfd, 1, wait);
            if (rc < 0 && errno != EINTR)
                return fail(errno);
            if (rc > 0 && (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)))
                return fail(EIO); // the other end is gone, as with an unplugged adapter
        }
        return waitUntilSent(*port, deadline);
    }

    bool purge(SerialHandle handle, unsigned flags) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        const bool in = flags & (kPurgeRxAbort | kPurgeRxClear);
        const bool out = flags & (kPurgeTxAbort | kPurgeTxClear);
        if (!in && !out)
            return true;
        // tcflush drops queued bytes; tcdrain would wait for them instead.
        const int queue = in && out ? TCIOFLUSH : (in ? TCIFLUSH : TCOFLUSH);
        return ::tcflush(port->fd, queue) == 0 ? true : fail(errno);
    }

    bool abort(SerialHandle handle) override
    {
        PosixPort* port = portOf(handle);
        if (!port)
            return fail(EBADF);
        const std::lock_guard<std::mutex> lock(port->writeLock);
        port->aborted = true;
        // Drops what the kernel still holds for the line (on a pseudo-terminal: what the other
        // side has not read yet), and what has come in.
        return ::tcflush(port->fd, TCIOFLUSH) == 0 ? true : fail(errno);
    }

    void sleepMs(unsigned milliseconds) override
    {
        timespec ts {time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
        while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }

    int lastError() override { return t_lastError; }
    void setLastError(int code) override { t_lastError = code; }

    QString errorText(int code) override
    {
        const char* own = lineSettingErrorText(code);
        if (*own)
            return QString::fromLatin1(own);
        if (code == 0)
            return QString();
        char buffer[256] = {};
        // The GNU variant may return a static string instead of filling the buffer.
        const char* text = ::strerror_r(code, buffer, sizeof buffer);
        return QString::fromLocal8Bit(text);
    }

private:
    // The kernel takes the bytes long before they are on the line; a UART's output queue tells
    // when they have gone. Drivers that cannot tell answer 0 at once or refuse the question.
    static bool waitUntilSent(PosixPort& port, qint64 deadline)
    {
        for (;;) {
            if (port.aborted)
                return fail(ECANCELED);
            int queued = 0;
            if (::ioctl(port.fd, TIOCOUTQ, &queued) != 0 || queued <= 0)
                return true;
            if (deadline && monotonicMs() >= deadline)
                return fail(ETIMEDOUT);
            // A byte takes about a millisecond at 9600 baud: poll at that pace.
            timespec ts {0, 1000000L};
            ::nanosleep(&ts, nullptr);
        }
    }

    static bool applyModemLine(int fd, int line, ModemLine action)
    {
        if (action == ModemLine::Leave)
            return true;
        const unsigned long request = action == ModemLine::Raise ? TIOCMBIS : TIOCMBIC;
        if (::ioctl(fd, request, &line) == 0)
            return true;
        // Pseudo-terminals and some adapters have no modem lines; nothing to set there.
        return errno == ENOTTY || errno == EINVAL;
    }
};

} // namespace

SerialPortApi& systemSerialPortApi()
{
    static PosixSerialPortApi api;
    return api;
}
