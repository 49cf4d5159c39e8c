#include "switch_simulator.h"

#include "little_endian.h"
#include "pinned_ports_folder_posix.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace kmsim {

namespace {

constexpr uint8_t kMagicFrame = 0xAA;
constexpr uint8_t kMagicShort = 0x55;
constexpr uint8_t kGetInfo = 0x05;
constexpr uint8_t kProdSetData = 0x0E;
constexpr size_t kHeaderSize = 8;
constexpr size_t kInfoFrameSize = 60;
constexpr size_t kProdHeadSize = 16;
constexpr size_t kLargestFrame = 65535 + 8;
// A frame whose bytes stop coming for this long is given up, as a switch's receiver does.
constexpr auto kFrameGap = std::chrono::milliseconds(100);

bool allZero(const std::vector<uint8_t>& bytes, size_t from, size_t to)
{
    return std::all_of(bytes.begin() + long(from), bytes.begin() + long(to),
                       [](uint8_t b) { return b == 0; });
}

// The rate of a termios speed constant; 0 when it is none of the usual ones.
unsigned rateOf(speed_t speed)
{
    static const std::pair<speed_t, unsigned> kRates[] = {
        {B300, 300},       {B600, 600},       {B1200, 1200},     {B2400, 2400},
        {B4800, 4800},     {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
        {B57600, 57600},   {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
        {B921600, 921600},
    };
    for (const auto& r : kRates) {
        if (r.first == speed)
            return r.second;
    }
    return 0;
}

std::string hex(const std::vector<uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ' ';
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

bool makeFolders(const std::string& path)
{
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

std::string systemText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

std::vector<uint8_t> longInfoReply(uint8_t index, int portCount, uint16_t lengthField)
{
    std::vector<uint8_t> r(60, 0x5A); // filler beyond byte 25 that a reader must ignore
    r[0] = kMagicFrame;
    r[1] = kGetInfo;
    std::fill(r.begin() + 2, r.begin() + 6, 0);
    le::put16(&r[6], lengthField);
    r[8] = 0x01;                      // infoA
    r[9] = index;                     // infoB
    le::put32(&r[10], 0x11223300u | index); // infoWord
    // infoBlock: record 0 carries the port count in its high nibble; the low nibble is set
    // so that only a shift, not the whole byte, gives the count.
    r[14] = index == 0 ? uint8_t((portCount << 4) | 0x01) : uint8_t(0xE0 | (index & 0x0F));
    for (int i = 1; i < 8; ++i)
        r[size_t(14 + i)] = uint8_t(0xB0 + i);
    le::put32(&r[22], 0xC0DE0000u | index); // infoTail
    return r;
}

SwitchSimulator::SwitchSimulator(SimOptions options) : m_options(std::move(options)) {}

SwitchSimulator::~SwitchSimulator()
{
    stop();
}

bool SwitchSimulator::start(std::string& error)
{
    if (m_options.logPath == "-") {
        m_log = stderr;
    } else if (!m_options.logPath.empty()) {
        // The user names this file and may append to it run after run, but it may sit in a
        // folder others can write to: a link at the name is refused, not followed, and so is a
        // file with other names (a planted hard link). A new log is for its owner only.
        const int fd = ::open(m_options.logPath.c_str(),
                              O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        struct stat st {};
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
            ::close(fd);
            error = "cannot open log " + m_options.logPath + ": the file has other names";
            return false;
        }
        m_log = fd >= 0 ? ::fdopen(fd, "a") : nullptr;
        if (!m_log) {
            error = systemText("cannot open log " + m_options.logPath);
            if (fd >= 0)
                ::close(fd);
            return false;
        }
        m_ownLog = true;
    }

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = systemText("cannot create a pseudo-terminal");
        return false;
    }
    char name[128] = {};
    if (::ptsname_r(m_master, name, sizeof name) != 0) {
        error = systemText("cannot name the pseudo-terminal");
        return false;
    }
    m_slavePath = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    // Packet mode tells the master when the program flushes the line, so output it dropped
    // before its time on the wire can be dropped here too.
    const int packetMode = 1;
    if (::ioctl(m_master, TIOCPKT, &packetMode) != 0) {
        error = systemText("cannot watch the pseudo-terminal's flushes");
        return false;
    }

    // While nobody has the slave open the master only sees hang-ups; our own descriptor keeps
    // the line up between the program's operations, as a real port stays wired.
    // The line's mode stays as the kernel made it: setting it up is the program's job.
    m_keepSlave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_keepSlave < 0) {
        error = systemText("cannot open " + m_slavePath);
        return false;
    }
    // A stalled switch takes nothing more: the line holds the program's output back, as CTS
    // held low does, and its writes back up.
    if (m_options.stall && ::tcflow(m_keepSlave, TCOOFF) != 0) {
        error = systemText("cannot stall " + m_slavePath);
        return false;
    }

    if (m_options.busyMs > 0) {
        m_busyFd = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (m_busyFd < 0 || ::flock(m_busyFd, LOCK_EX | LOCK_NB) != 0) {
            error = systemText("cannot hold " + m_slavePath);
            return false;
        }
        m_busyUntil = Clock::now() + std::chrono::milliseconds(m_options.busyMs);
    }

    if (m_options.comNumber > 0 || !m_options.linkName.empty()) {
        const std::string dir =
            m_options.portDir.empty() ? pinnedPortsFolderPath() : m_options.portDir;
        const std::string entry = m_options.linkName.empty()
            ? "COM" + std::to_string(m_options.comNumber)
            : m_options.linkName;
        if (!makeFolders(dir)) {
            error = systemText("cannot create " + dir);
            return false;
        }
        if (!m_linkClaim.claim(dir, entry, m_slavePath, error))
            return false;
        m_linkPath = m_linkClaim.linkPath();
    }

    if (::pipe2(m_wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        error = systemText("cannot create a pipe");
        return false;
    }
    // Our own descriptors are open already, so every open and close seen from here on is the
    // program's.
    m_portWatch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (m_portWatch < 0
        || ::inotify_add_watch(m_portWatch, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        error = systemText("cannot watch " + m_slavePath);
        return false;
    }
    m_rxLineFree = m_txLineFree = Clock::now();
    m_thread = std::thread(&SwitchSimulator::run, this);
    return true;
}

void SwitchSimulator::stop()
{
    m_stop = true;
    if (m_thread.joinable()) {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &c, 1);
        m_thread.join();
    }
    hangUp();
    m_hungUp = false; // a stop is not the hang-up fault
    for (int* fd : {&m_wake[0], &m_wake[1], &m_portWatch}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    if (m_ownLog && m_log)
        std::fclose(m_log);
    m_log = nullptr;
    m_ownLog = false;
}

void SwitchSimulator::hangUp()
{
    releaseBusy();
    if (m_master >= 0)
        ::close(m_master);
    if (m_keepSlave >= 0)
        ::close(m_keepSlave);
    m_master = m_keepSlave = -1;
    // Only our own link: a name someone else has pointed elsewhere since stays theirs.
    m_linkClaim.release();
    m_linkPath.clear();
    m_hungUp = true;
}

void SwitchSimulator::releaseBusy()
{
    if (m_busyFd >= 0) {
        ::close(m_busyFd);
        m_busyFd = -1;
    }
}

SwitchSimulator::Clock::duration SwitchSimulator::byteTime() const
{
    // Start bit, 8 data bits, stop bit.
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::nanoseconds(10'000'000'000LL / m_options.baud));
}

void SwitchSimulator::run()
{
    while (!m_stop) {
        int timeoutMs = 100;
        if (m_busyFd >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_busyUntil - Clock::now());
            timeoutMs = int(std::clamp<long long>(left.count(), 0, 100));
        }
        if (!m_input.empty())
            timeoutMs = std::min(timeoutMs, int(kFrameGap.count()));
        pollOnce(timeoutMs);
        if (m_stop)
            break;
        if (m_busyFd >= 0 && Clock::now() >= m_busyUntil)
            releaseBusy();

        std::vector<uint8_t> frame;
        Clock::time_point complete;
        while (!m_stop && nextFrame(frame, complete)) {
            // The request's last byte must have arrived; then the switch has it, and takes
            // its own time before it answers.
            const Clock::time_point takenAt = Clock::now();
            if (!waitUntil(complete))
                return;
            // The program flushed its output while the frame's end was still on its way.
            if (m_hostFlushedAt > takenAt && m_hostFlushedAt < complete) {
                log(true, frame, "malformed: frame cut short by the program's flush");
                continue;
            }
            Answer answer = take(frame);
            if (!waitUntil(complete + std::chrono::milliseconds(m_options.replyDelayMs)))
                return;
            respond(std::move(answer));
            if (m_hungUp)
                return;
        }
        dropIncompleteFrame(Clock::now());
    }
}

bool SwitchSimulator::waitUntil(Clock::time_point until)
{
    for (;;) {
        followPortUse();
        const auto left = until - Clock::now();
        if (m_stop)
            return false;
        if (left <= Clock::duration::zero())
            return true;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        pollOnce(int(std::min<long long>(ms, 100)));
    }
}

void SwitchSimulator::pollOnce(int timeoutMs)
{
    // A stalled switch does not read; nothing else stops it listening.
    pollfd fds[3] = {{m_master, short(m_options.stall ? 0 : POLLIN), 0},
                     {m_wake[0], POLLIN, 0},
                     {m_portWatch, POLLIN, 0}};
    if (::poll(fds, 3, timeoutMs) <= 0)
        return;
    // Port use first: the program opened the port before it wrote anything.
    if (fds[2].revents & POLLIN)
        followPortUse();
    if (fds[0].revents & POLLIN)
        takeInput(Clock::now());
}

void SwitchSimulator::followPortUse()
{
    alignas(inotify_event) char buffer[1024];
    for (;;) {
        const ssize_t n = ::read(m_portWatch, buffer, sizeof buffer);
        if (n <= 0)
            return;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event) + event->len);
            if (event->mask & IN_OPEN) {
                ++m_programOpens;
            } else if ((event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) && m_programOpens > 0
                       && --m_programOpens == 0) {
                // The driver drops what the program left unread when it lets the port go.
                ::tcflush(m_keepSlave, TCIFLUSH);
            }
        }
    }
}

void SwitchSimulator::takeInput(Clock::time_point now)
{
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            return;
        // In packet mode every read starts with a status byte: data follows TIOCPKT_DATA only.
        if (buffer[0] != TIOCPKT_DATA) {
            if (buffer[0] & TIOCPKT_FLUSHWRITE)
                dropUnsent(now);
            continue;
        }
        Clock::time_point at = m_options.baud ? std::max(now, m_rxLineFree) : now;
        for (ssize_t i = 1; i < n; ++i) {
            if (m_options.baud)
                at += byteTime();
            m_input.push_back(buffer[i]);
            m_arrival.push_back(at);
        }
        m_rxLineFree = at;
    }
}

void SwitchSimulator::dropUnsent(Clock::time_point now)
{
    m_hostFlushedAt = now;
    size_t sent = 0;
    while (sent < m_arrival.size() && m_arrival[sent] <= now)
        ++sent;
    if (sent < m_input.size())
        log(true, std::vector<uint8_t>(m_input.begin() + long(sent), m_input.end()),
            "unsent: dropped by the program before it reached the line (" + std::to_string(m_input.size() - sent) + " bytes)");
    m_input.resize(sent);
    m_arrival.resize(sent);
    m_rxLineFree = std::min(m_rxLineFree, now);
}

bool SwitchSimulator::nextFrame(std::vector<uint8_t>& frame, Clock::time_point& complete)
{
    for (;;) {
        // Bytes that cannot start a frame are logged and dropped.
        size_t stray = 0;
        while (stray < m_input.size() && m_input[stray] != kMagicFrame)
            ++stray;
        if (stray) {
            log(true, std::vector<uint8_t>(m_input.begin(), m_input.begin() + long(stray)),
                "malformed: stray bytes");
            m_input.erase(m_input.begin(), m_input.begin() + long(stray));
            m_arrival.erase(m_arrival.begin(), m_arrival.begin() + long(stray));
        }
        if (m_input.size() < kHeaderSize)
            return false;
        const uint16_t length = le::get16(&m_input[6]);
        // GET_INFO's length counts the whole frame; PROD_SET_DATA's the part after the header.
        const size_t total = m_input[1] == kGetInfo ? length : size_t(length) + kHeaderSize;
        if (total < kHeaderSize + 1 || total > kLargestFrame
            || (m_input[1] == kProdSetData && total < kProdHeadSize)) {
            log(true, std::vector<uint8_t>(m_input.begin(), m_input.begin() + kHeaderSize),
                "malformed: header with an impossible length, resynchronising");
            m_input.erase(m_input.begin());
            m_arrival.erase(m_arrival.begin());
            continue;
        }
        if (m_input.size() < total)
            return false;
        frame.assign(m_input.begin(), m_input.begin() + long(total));
        complete = m_arrival[total - 1];
        m_input.erase(m_input.begin(), m_input.begin() + long(total));
        m_arrival.erase(m_arrival.begin(), m_arrival.begin() + long(total));
        return true;
    }
}

void SwitchSimulator::dropIncompleteFrame(Clock::time_point now)
{
    if (m_input.empty() || now - m_arrival.back() < kFrameGap)
        return;
    log(true, m_input, "malformed: frame cut short (" + std::to_string(m_input.size()) + " bytes)");
    m_input.clear();
    m_arrival.clear();
}

bool SwitchSimulator::wellFormed(const std::vector<uint8_t>& frame, std::string& why) const
{
    if (!allZero(frame, 2, 6)) {
        why = "reserved header bytes not zero";
        return false;
    }
    if (frame[1] == kGetInfo) {
        if (frame.size() != kInfoFrameSize)
            why = "GET_INFO of " + std::to_string(frame.size()) + " bytes, not 60";
        else if (!allZero(frame, 9, kInfoFrameSize))
            why = "GET_INFO with bytes after the index";
        return why.empty();
    }
    if (frame[1] == kProdSetData) {
        if (!allZero(frame, 10, 12))
            why = "PROD_SET_DATA with bytes 10..11 not zero";
        return why.empty();
    }
    why = "unknown command " + std::to_string(frame[1]);
    return false;
}

bool SwitchSimulator::lineSpeedMatches(std::string& why) const
{
    if (!m_options.baud)
        return true;
    termios tio {};
    if (::tcgetattr(m_keepSlave, &tio) != 0)
        return true;
    // A switch at another rate hears nothing but noise.
    const unsigned rate = rateOf(cfgetospeed(&tio));
    if (rate == 0 || rate == m_options.baud)
        return true;
    why = "line set to " + std::to_string(rate) + " baud, the switch runs at "
        + std::to_string(m_options.baud);
    return false;
}

SwitchSimulator::Answer SwitchSimulator::take(const std::vector<uint8_t>& frame)
{
    Answer answer;
    std::string why;
    if (!wellFormed(frame, why) || !lineSpeedMatches(why)) {
        log(true, frame, "malformed: " + why);
        return answer;
    }
    const int number = m_frameCount++;
    answer.hit = m_options.fault != Fault::None && number == m_options.faultAt;
    const bool hit = answer.hit;
    std::vector<uint8_t>& reply = answer.reply;
    std::string what;
    const uint8_t command = answer.command = frame[1];
    if (command == kGetInfo) {
        const uint8_t index = frame[8];
        what = "GET_INFO index " + std::to_string(index);
        if (hit && m_options.fault == Fault::WrongLength)
            reply = longInfoReply(index, m_options.portCount, m_options.infoLength);
        else if (m_options.shortInfo)
            reply = {kMagicShort, m_options.infoStatus};
        else
            reply = longInfoReply(index, m_options.portCount);
    } else if (command == kProdSetData) {
        const std::vector<uint8_t> payload(frame.begin() + kProdHeadSize, frame.end());
        what = "PROD_SET_DATA index " + std::to_string(frame[8]) + " kind "
            + std::to_string(frame[9]) + " param 0x";
        char param[16];
        std::snprintf(param, sizeof param, "%08x", le::get32(&frame[12]));
        what += param;
        what += ", " + std::to_string(payload.size()) + " bytes";
        saveImage(payload);
        reply = {kMagicShort, m_options.prodStatus};
    }
    log(true, frame, what);
    return answer;
}

void SwitchSimulator::respond(Answer answer)
{
    std::vector<uint8_t>& reply = answer.reply;
    const uint8_t command = answer.command;
    if (reply.empty())
        return;
    if (!answer.hit) {
        send(reply, reply.size(), "answer");
        return;
    }
    const size_t cut = std::min(reply.size(), size_t(m_options.cutAfter));
    switch (m_options.fault) {
    case Fault::Silence:
        log(false, {}, "fault: silence");
        return;
    case Fault::WrongMagic:
        reply[0] = m_options.wrongMagic;
        send(reply, reply.size(), "fault: wrong magic");
        return;
    case Fault::WrongLength:
        send(reply, reply.size(),
             command == kGetInfo ? "fault: wrong length" : "answer (wrong-length hits GET_INFO only)");
        return;
    case Fault::Cut:
        send(reply, cut, "fault: answer cut short");
        return;
    case Fault::HangUp:
        send(reply, cut, "fault: hang-up after these bytes");
        hangUp();
        return;
    case Fault::None:
        return;
    }
}

void SwitchSimulator::send(const std::vector<uint8_t>& reply, size_t count, const std::string& what)
{
    std::vector<uint8_t> out(reply.begin(), reply.begin() + long(count));
    log(false, out, what);
    Clock::time_point due = m_options.baud ? std::max(Clock::now(), m_txLineFree) : Clock::now();
    size_t sent = 0;
    while (sent < out.size() && !m_stop) {
        size_t ready = out.size();
        if (m_options.baud) {
            // A byte may go once the line has clocked it out; write whatever is due by now.
            if (!waitUntil(due + byteTime()))
                return;
            const auto now = Clock::now();
            ready = sent;
            while (ready < out.size() && due + byteTime() <= now) {
                due += byteTime();
                ++ready;
            }
        }
        followPortUse();
        if (m_programOpens == 0) {
            // Nobody listens on a closed port: the rest of the answer is lost on the line.
            log(false, std::vector<uint8_t>(out.begin() + long(sent), out.end()),
                "lost: the port is closed");
            return;
        }
        while (sent < ready) {
            const ssize_t n = ::write(m_master, out.data() + sent, ready - sent);
            if (n > 0) {
                sent += size_t(n);
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd pfd {m_master, POLLOUT, 0};
                ::poll(&pfd, 1, 10);
            } else {
                return;
            }
        }
    }
    m_txLineFree = due;
}

void SwitchSimulator::saveImage(const std::vector<uint8_t>& payload)
{
    const int number = ++m_imageCount;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_images.push_back(payload);
    }
    if (m_options.saveDir.empty())
        return;
    if (!makeFolders(m_options.saveDir))
        return;
    char name[32];
    std::snprintf(name, sizeof name, "/image-%03d.bin", number);
    const std::string path = m_options.saveDir + name;
    // Written to a new file under a name nobody can guess, then renamed over the final name:
    // the folder may be shared, and whatever was planted at image-NNN.bin (a link included)
    // is replaced, never written through. Saved images are for their owner only (mkostemp).
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    bool saved = fd >= 0;
    for (size_t done = 0; saved && done < payload.size();) {
        const ssize_t n = ::write(fd, payload.data() + done, payload.size() - done);
        saved = n > 0 || (n < 0 && errno == EINTR);
        done += n > 0 ? size_t(n) : 0;
    }
    saved = fd >= 0 && ::close(fd) == 0 && saved && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!saved && fd >= 0)
        ::unlink(temporary.c_str());
    if (m_log) {
        std::fprintf(m_log, saved ? "saved %s\n" : "cannot save %s\n", path.c_str());
        std::fflush(m_log);
    }
}

void SwitchSimulator::log(bool received, const std::vector<uint8_t>& bytes, const std::string& what)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.push_back(FrameLog {received, bytes, what});
    }
    if (m_log) {
        std::fprintf(m_log, "%s %s (%zu bytes)%s%s\n", received ? "<-" : "->", what.c_str(),
                     bytes.size(), bytes.empty() ? "" : ": ", hex(bytes).c_str());
        std::fflush(m_log);
    }
}

std::vector<FrameLog> SwitchSimulator::frames() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

std::vector<std::vector<uint8_t>> SwitchSimulator::images() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_images;
}

int SwitchSimulator::receivedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const FrameLog& f : m_frames) {
        // Bytes the program dropped before they reached the line never reached the switch.
        if (f.received && f.what.rfind("malformed:", 0) != 0 && f.what.rfind("unsent:", 0) != 0)
            ++n;
    }
    return n;
}

int SwitchSimulator::malformedCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const FrameLog& f : m_frames) {
        if (f.received && f.what.rfind("malformed:", 0) == 0)
            ++n;
    }
    return n;
}

std::unique_ptr<SwitchSimulator> startQuietSwitch(SimOptions options, int com, const std::string& portDir)
{
    options.comNumber = com;
    options.portDir = portDir;
    options.logPath.clear();
    auto simulator = std::make_unique<SwitchSimulator>(options);
    std::string error;
    if (simulator->start(error))
        return simulator;
    std::fprintf(stderr, "cannot start the simulated switch: %s\n", error.c_str());
    return nullptr;
}

} // namespace kmsim
