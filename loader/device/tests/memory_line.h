#pragma once
// A serial layer held in memory, with a scripted switch behind each port: the device logic
// runs against it where no pseudo-terminal exists (under Wine) and wherever a table needs a
// line that misbehaves in a way no real one does on demand. Each switch is described as
// kmswitch-sim's is; of what places that one on a line, only busyMs means something here.
//
// Time is real: what the program writes reaches the switch at the line's pace, the switch
// answers after its own delay, and the answer's bytes enter the input queue at the line's pace
// again; a read sees only bytes whose moment has come. The layer behaves like a driver that
// hands bytes on at once (a USB adapter, a pseudo-terminal): a write returns before its bytes
// are on the line, unless the line takes nothing, when it waits for its write time-outs.
//
// Failures carry this platform's codes (platform_codes.h); error codes and their texts are
// the system layer's, so the texts expected are the system's own.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <chrono>
#include <deque>
#include <mutex>

#include "handler_test_support.h"
#include "sim_options.h"

// The switch's long GET_INFO reply for `index`: 60 bytes, length field `lengthField`, the
// port count in record 0, bytes that differ from record to record, and filler after byte 25.
QByteArray memorySwitchInfoReply(quint8 index, int portCount, quint16 lengthField = 18);

class MemoryLine final : public InstalledSerialLayer
{
public:
    // A port COM<number> with `sw` behind it, held by another program for sw.busyMs from now;
    // replaces an earlier one of that number.
    void addPort(int number, const kmsim::SimOptions& sw = {});

    // The well-formed frames the switch of `number` took, in order.
    QList<QByteArray> frames(int number) const;
    // The line settings the port has now (what setLineState left).
    SerialLineState lineOf(int number) const;
    // Handles open() gave and close() has not taken back.
    int openHandles() const;
    // What a fresh port reports before anybody sets it: not what the logic asks for, so that a
    // setting that was never made or was put back shows.
    static SerialLineState factoryLine() { return {1200, 7, 2, 2, 0, 2, 1, 1}; }

    SerialHandle open(const QString& devicePath) override;
    bool close(SerialHandle handle) override;
    bool getLineState(SerialHandle handle, SerialLineState& state) override;
    bool setLineState(SerialHandle handle, const SerialLineState& state) override;
    bool getTimeouts(SerialHandle handle, SerialTimeouts& timeouts) override;
    bool setTimeouts(SerialHandle handle, const SerialTimeouts& timeouts) override;
    bool inputQueueCount(SerialHandle handle, quint32& count) override;
    bool hungUp(SerialHandle handle) override;
    bool read(SerialHandle handle, void* buffer, quint32 length, quint32& got) override;
    bool write(SerialHandle handle, const void* buffer, quint32 length, quint32& written) override;
    bool purge(SerialHandle handle, unsigned flags) override;
    bool abort(SerialHandle handle) override; // not modelled: fails the test

private:
    using Clock = std::chrono::steady_clock;
    struct TimedByte
    {
        Clock::time_point at; // when it has fully arrived
        quint8 value;
    };
    struct Port
    {
        kmsim::SimOptions sw;
        SerialLineState line = factoryLine();
        SerialTimeouts timeouts;
        Clock::time_point heldUntil;
        SerialHandle openAs = 0;  // 0: closed
        std::deque<TimedByte> toSwitch;   // on the way to the switch
        std::deque<TimedByte> heard;      // arrived, not yet a whole frame
        std::deque<TimedByte> toProgram;  // the switch's answers, arriving in time
        Clock::time_point toSwitchFree, toProgramFree; // when each way's last byte is through
        Clock::time_point deadFrom = Clock::time_point::max(); // hung up from then on
        int frameCount = 0;
        QList<QByteArray> frames;
    };

    Port* portOf(SerialHandle handle);
    bool fail(int code) { setLastError(code); return false; }
    // Runs body(port, now) on the open port of `handle`, the line locked and the switch caught
    // up to now; fails as a closed handle does when there is none.
    template <typename Body>
    bool onPort(SerialHandle handle, Body body);
    // Lets the switch take every byte that has arrived by `now` and schedule its answers.
    void advance(Port& port, Clock::time_point now);
    void answer(Port& port, const QByteArray& frame, Clock::time_point complete);
    Clock::duration byteTime(const Port& port) const;
    bool isDead(const Port& port, Clock::time_point now) const { return now >= port.deadFrom; }

    mutable std::mutex m_mutex;
    QMap<int, Port> m_ports;
    SerialHandle m_nextHandle = 1000;
};
