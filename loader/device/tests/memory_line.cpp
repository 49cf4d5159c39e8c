#include "memory_line.h"

#include <gtest/gtest.h>
#include <thread>

#include "com_port_names.h"
#include "line_setting_rules.h"
#include "platform_codes.h"

namespace {

constexpr quint8 kMagicFrame = 0xAA;
constexpr quint8 kMagicShort = 0x55;
constexpr quint8 kGetInfo = 0x05;
constexpr quint8 kProdSetData = 0x0E;
constexpr int kHeaderSize = 8;
// A line that takes nothing and has no write time-outs would hold a test for ever.
constexpr auto kLongestStall = std::chrono::seconds(20);

// The short answer: magic and status.
QByteArray shortReply(quint8 status)
{
    return QByteArray(1, char(kMagicShort)) + char(status);
}

} // namespace

QByteArray memorySwitchInfoReply(quint8 index, int portCount, quint16 lengthField)
{
    QByteArray r(60, '\x3C'); // filler a reader must not take
    r[0] = char(kMagicFrame);
    r[1] = char(kGetInfo);
    for (int i = 2; i < 6; ++i)
        r[i] = 0;
    r[6] = char(lengthField & 0xFF);
    r[7] = char(lengthField >> 8);
    r[8] = char(0x40 | index);                 // infoA
    r[9] = char(0xFF - index);                 // infoB
    for (int i = 10; i < 14; ++i)              // infoWord
        r[i] = char(0x10 * (i - 9) + index);
    r[14] = char(index == 0 ? (portCount << 4) | 0x09 : 0xA0 | (index & 0x0F));
    for (int i = 15; i < 26; ++i)              // the rest of infoBlock, infoTail
        r[i] = char(0x60 + i + 2 * index);
    return r;
}

void MemoryLine::addPort(int number, const kmsim::SimOptions& sw)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[number] = Port();
    m_ports[number].sw = sw;
    m_ports[number].heldUntil = Clock::now() + std::chrono::milliseconds(sw.busyMs);
}

QList<QByteArray> MemoryLine::frames(int number) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ports.value(number).frames;
}

SerialLineState MemoryLine::lineOf(int number) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ports.value(number).line;
}

int MemoryLine::openHandles() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    int n = 0;
    for (const Port& port : m_ports)
        n += port.openAs != 0;
    return n;
}

MemoryLine::Port* MemoryLine::portOf(SerialHandle handle)
{
    for (Port& port : m_ports) {
        if (handle != 0 && port.openAs == handle)
            return &port;
    }
    return nullptr;
}

MemoryLine::Clock::duration MemoryLine::byteTime(const Port& port) const
{
    // Ten bits a byte at the switch's rate; no pace without one.
    return port.sw.baud ? std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(10'000'000 / port.sw.baud))
                        : Clock::duration::zero();
}

void MemoryLine::advance(Port& port, Clock::time_point now)
{
    while (!port.toSwitch.empty() && port.toSwitch.front().at <= now) {
        port.heard.push_back(port.toSwitch.front());
        port.toSwitch.pop_front();
    }
    for (;;) {
        // Bytes that cannot start a frame are noise to the switch.
        while (!port.heard.empty() && port.heard.front().value != kMagicFrame)
            port.heard.pop_front();
        if (port.heard.size() < size_t(kHeaderSize))
            return;
        const int length = port.heard[6].value | port.heard[7].value << 8;
        // GET_INFO's length counts the whole frame; PROD_SET_DATA's the part after the header.
        const int total = port.heard[1].value == kGetInfo ? length : length + kHeaderSize;
        if (total <= kHeaderSize) {
            port.heard.pop_front();
            continue;
        }
        if (port.heard.size() < size_t(total))
            return;
        QByteArray frame;
        for (int i = 0; i < total; ++i)
            frame += char(port.heard[size_t(i)].value);
        const Clock::time_point complete = port.heard[size_t(total - 1)].at;
        port.heard.erase(port.heard.begin(), port.heard.begin() + total);
        answer(port, frame, complete);
    }
}

void MemoryLine::answer(Port& port, const QByteArray& frame, Clock::time_point complete)
{
    const quint8 command = quint8(frame[1]);
    if (command != kGetInfo && command != kProdSetData)
        return;
    port.frames << frame;
    const kmsim::SimOptions& sw = port.sw;
    using Fault = kmsim::Fault;
    // The fault this frame meets: the switch's own, if this is the frame it hits.
    const Fault fault = sw.fault != Fault::None && port.frameCount++ == sw.faultAt ? sw.fault : Fault::None;
    if (fault == Fault::Silence)
        return;
    const quint8 index = quint8(frame[8]);
    QByteArray reply = command != kGetInfo        ? shortReply(sw.prodStatus)
                     : fault == Fault::WrongLength ? memorySwitchInfoReply(index, sw.portCount, sw.infoLength)
                     : sw.shortInfo               ? shortReply(sw.infoStatus)
                                                  : memorySwitchInfoReply(index, sw.portCount);
    if (fault == Fault::WrongMagic)
        reply[0] = char(sw.wrongMagic);
    if (fault == Fault::Cut || fault == Fault::HangUp)
        reply.truncate(sw.cutAfter);
    Clock::time_point at = std::max(complete + std::chrono::milliseconds(sw.replyDelayMs), port.toProgramFree);
    for (char byte : reply) {
        at += byteTime(port);
        port.toProgram.push_back({at, quint8(byte)});
    }
    port.toProgramFree = at;
    if (fault == Fault::HangUp)
        port.deadFrom = at;
}

SerialHandle MemoryLine::open(const QString& devicePath)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_ports.find(int(comNumberFromDevicePath(devicePath)));
    const bool absent = found == m_ports.end() || found.key() == 0;
    if (absent || found->openAs != 0 || Clock::now() < found->heldUntil) {
        fail(absent ? platform_codes::kNoSuchPort : platform_codes::kPortBusy);
        return kInvalidSerialHandle;
    }
    found->openAs = m_nextHandle++;
    return found->openAs;
}

template <typename Body>
bool MemoryLine::onPort(SerialHandle handle, Body body)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* port = portOf(handle);
    if (!port)
        return fail(platform_codes::kBadHandle);
    const Clock::time_point now = Clock::now();
    advance(*port, now);
    return body(*port, now);
}

bool MemoryLine::close(SerialHandle handle)
{
    // Output not yet on the line is discarded; what the switch sends to a closed port is lost,
    // and the switch gives up a frame that stopped coming.
    return onPort(handle, [](Port& port, Clock::time_point) {
        port.toSwitch.clear();
        port.toProgram.clear();
        port.heard.clear();
        port.openAs = 0;
        return true;
    });
}

bool MemoryLine::getLineState(SerialHandle handle, SerialLineState& state)
{
    return onPort(handle, [&](Port& port, Clock::time_point) { state = port.line; return true; });
}

bool MemoryLine::setLineState(SerialHandle handle, const SerialLineState& state)
{
    return onPort(handle, [&](Port& port, Clock::time_point) {
        if (const int refused = lineSettingRefusal(state))
            return fail(refused);
        port.line = state;
        return true;
    });
}

bool MemoryLine::getTimeouts(SerialHandle handle, SerialTimeouts& timeouts)
{
    return onPort(handle, [&](Port& port, Clock::time_point) { timeouts = port.timeouts; return true; });
}

bool MemoryLine::setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts)
{
    return onPort(handle, [&](Port& port, Clock::time_point) { port.timeouts = timeouts; return true; });
}

bool MemoryLine::inputQueueCount(SerialHandle handle, quint32& count)
{
    return onPort(handle, [&](Port& port, Clock::time_point now) {
        count = 0;
        for (const TimedByte& b : port.toProgram)
            count += b.at <= now;
        return true;
    });
}

bool MemoryLine::hungUp(SerialHandle handle)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Port* port = portOf(handle);
    return port && isDead(*port, Clock::now());
}

bool MemoryLine::read(SerialHandle handle, void* buffer, quint32 length, quint32& got)
{
    got = 0;
    return onPort(handle, [&](Port& port, Clock::time_point now) {
        auto* bytes = static_cast<quint8*>(buffer);
        while (got < length && !port.toProgram.empty() && port.toProgram.front().at <= now) {
            bytes[got++] = port.toProgram.front().value;
            port.toProgram.pop_front();
        }
        return got > 0 || length == 0 || !isDead(port, now) || fail(platform_codes::kDeviceFailed);
    });
}

bool MemoryLine::write(SerialHandle handle, const void* buffer, quint32 length, quint32& written)
{
    written = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    Port* port = portOf(handle);
    if (!port)
        return fail(platform_codes::kBadHandle);
    const Clock::time_point now = Clock::now();
    if (isDead(*port, now))
        return fail(platform_codes::kDeviceFailed);
    advance(*port, now);
    if (port->sw.stall) {
        // Nothing leaves: the write lasts as long as its time-outs allow.
        const quint64 bound = quint64(port->timeouts.writeTotalTimeoutMultiplier) * length
            + port->timeouts.writeTotalTimeoutConstant;
        const Clock::time_point until = bound ? now + std::chrono::milliseconds(bound) : now + kLongestStall;
        lock.unlock();
        std::this_thread::sleep_until(until);
        return fail(platform_codes::kTimedOut);
    }
    // A switch at another rate hears noise, never a frame.
    const bool heard = !port->sw.baud || port->line.baudRate == port->sw.baud;
    const auto* bytes = static_cast<const quint8*>(buffer);
    Clock::time_point at = std::max(now, port->toSwitchFree);
    for (quint32 i = 0; i < length; ++i) {
        at += byteTime(*port);
        if (heard)
            port->toSwitch.push_back({at, bytes[i]});
    }
    port->toSwitchFree = at;
    written = length;
    return true;
}

bool MemoryLine::purge(SerialHandle handle, unsigned flags)
{
    return onPort(handle, [&](Port& port, Clock::time_point now) {
        if (flags & (kPurgeTxAbort | kPurgeTxClear))
            port.toSwitch.clear(); // everything still there has not reached the switch
        // What has come is dropped; what is still on its way arrives later.
        while ((flags & (kPurgeRxAbort | kPurgeRxClear)) && !port.toProgram.empty() && port.toProgram.front().at <= now)
            port.toProgram.pop_front();
        return true;
    });
}

bool MemoryLine::abort(SerialHandle)
{
    // Only a cancel from another thread aborts, and no table here cancels: a stalled write
    // would then have to end early.
    ADD_FAILURE() << "the in-memory line does not model abort()";
    return fail(platform_codes::kBadHandle);
}
