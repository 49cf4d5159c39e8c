#pragma once
// A serial layer held in memory, with a scripted switch behind each port: the device logic
// runs against it where no pseudo-terminal exists (under Wine) and wherever a table needs a
// line that misbehaves in a way no real one does on demand.
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
#include <condition_variable>
#include <deque>
#include <mutex>

#include "serial_port_api.h"

// What one switch does: its answers, its pace and the fault it plays.
struct MemorySwitch
{
    enum class Fault {
        None,
        Silence,     // the hit frame gets no answer
        WrongMagic,  // the hit frame's reply starts with `wrongMagic`
        WrongLength, // a long GET_INFO reply with `infoLength` as its length field
        Cut,         // only the first `cutAfter` bytes of the reply come
        HangUp,      // `cutAfter` bytes of the reply come, then the line is dead for good
    };

    int portCount = 4;       // high nibble of record 0's first block byte
    bool shortInfo = false;  // answer GET_INFO with 55 <infoStatus>
    quint8 infoStatus = 0;
    quint8 prodStatus = 0;
    unsigned baud = 0;       // the switch's rate: pace both ways, 10 bits a byte; 0 no pace
    int replyDelayMs = 0;    // the switch's own time after a whole frame
    bool stall = false;      // takes nothing: writes wait for their time-outs
    Fault fault = Fault::None;
    int faultAt = 0;         // the frame the fault hits, counted from 0 over all frames
    quint8 wrongMagic = 0x00;
    quint16 infoLength = 17;
    int cutAfter = 1;
};

// The switch's long GET_INFO reply for `index`: 60 bytes, length field `lengthField`, the
// port count in record 0, bytes that differ from record to record, and filler after byte 25.
QByteArray memorySwitchInfoReply(quint8 index, int portCount, quint16 lengthField = 18);

class MemoryLine final : public SerialPortApi
{
public:
    // Installs itself as the serial layer for its lifetime.
    MemoryLine();
    ~MemoryLine() override;

    // A port COM<number> with `sw` behind it; replaces an earlier one of that number.
    void addPort(int number, const MemorySwitch& sw = {});
    // Another program holds the port for `ms` from now.
    void holdPort(int number, int ms);

    // The well-formed frames the switch of `number` took, in order.
    QList<QByteArray> frames(int number) const;
    // The line settings the port has now (what setLineState left).
    SerialLineState lineOf(int number) const;
    // Handles open() gave and close() has not taken back.
    int openHandles() const;
    // What a fresh port reports before anybody sets it: not what the logic asks for, so that a
    // setting that was never made or was put back shows.
    static SerialLineState factoryLine();

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
    bool abort(SerialHandle handle) override;
    void sleepMs(unsigned milliseconds) override;
    int lastError() override;
    void setLastError(int code) override;
    QString errorText(int code) override;

private:
    using Clock = std::chrono::steady_clock;
    struct TimedByte
    {
        Clock::time_point at; // when it has fully arrived
        quint8 value;
    };
    struct Port
    {
        MemorySwitch sw;
        SerialLineState line = factoryLine();
        SerialTimeouts timeouts;
        Clock::time_point heldUntil;
        SerialHandle openAs = 0;  // 0: closed
        bool aborted = false;
        std::deque<TimedByte> toSwitch;   // on the way to the switch
        std::deque<TimedByte> heard;      // arrived, not yet a whole frame
        Clock::time_point toSwitchFree;
        std::deque<TimedByte> toProgram;  // the switch's answers, arriving in time
        Clock::time_point toProgramFree;
        bool dead = false;
        Clock::time_point deadFrom;
        int frameCount = 0;
        QList<QByteArray> frames;
    };

    Port* portOf(SerialHandle handle);
    bool fail(int code);
    // Lets the switch take every byte that has arrived by `now` and schedule its answers.
    void advance(Port& port, Clock::time_point now);
    void answer(Port& port, const QByteArray& frame, Clock::time_point complete);
    Clock::duration byteTime(const Port& port) const;
    bool isDead(const Port& port, Clock::time_point now) const;

    SerialPortApi* m_previous;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    QMap<int, Port> m_ports;
    SerialHandle m_nextHandle = 1000;
};
