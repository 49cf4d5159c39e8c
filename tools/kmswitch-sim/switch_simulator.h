#pragma once
// A simulated KM switch on the master side of a pseudo-terminal.
//
// The slave side is the "serial port" the program opens; it can be linked as COMn into a
// pinned-ports folder. The switch answers on its own thread, so a test can drive the real
// device code against it in the same process.
//
// It behaves like a switch on a real line, so that a program that would fail on one fails
// here too: the line's mode is the program's business (nothing here makes it raw); requests
// take their time on the wire (--baud) and the switch its own time (--reply-delay) before an
// answer leaves, and answers are paced; a frame of the wrong shape is logged as malformed and
// gets no answer; bytes the program has not read stay until it reads them, and, as with a
// real port's driver, what it leaves unread when it closes the port is gone, as is whatever
// the switch sends while the port is closed. Bytes the program wrote stay in the host's
// transmit queue until their time on the wire: a flush of the port drops those not yet sent.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "link_claim_posix.h"
#include "sim_options.h"

namespace kmsim {

// One frame as it crossed the line.
struct FrameLog
{
    bool received = true;        // true: from the program; false: the switch's answer
    std::vector<uint8_t> bytes;
    std::string what;            // "GET_INFO index 3", "malformed: ...", "answer", ...
};

// The 60-byte long GET_INFO reply the simulator gives for `index`, with `lengthField` as its
// length (18 when healthy). Record 0 carries the port count in the high nibble of byte 14;
// bytes 26..59 carry filler the program must ignore.
std::vector<uint8_t> longInfoReply(uint8_t index, int portCount, uint16_t lengthField = 18);

class SwitchSimulator
{
public:
    explicit SwitchSimulator(SimOptions options);
    ~SwitchSimulator();
    SwitchSimulator(const SwitchSimulator&) = delete;
    SwitchSimulator& operator=(const SwitchSimulator&) = delete;

    // Opens the pseudo-terminal, claims and makes the link and starts answering. False with
    // `error` set, among others when another live simulator owns the link's name or something
    // other than a dead simulator's link stands there (see LinkClaim).
    bool start(std::string& error);
    // Stops answering, closes the line and removes the link while it is still ours. Safe to
    // call twice.
    void stop();

    const std::string& slavePath() const { return m_slavePath; }
    // The link made at start; empty after a hang-up or stop removed it. Read it before
    // letting the switch hang up.
    const std::string& linkPath() const { return m_linkPath; }

    // Every frame so far, in order.
    std::vector<FrameLog> frames() const;
    // Every PROD_SET_DATA payload so far.
    std::vector<std::vector<uint8_t>> images() const;
    // Number of well-formed frames received from the program (not what it dropped unsent).
    int receivedCount() const;
    // Number of malformed frames and stray bytes runs received.
    int malformedCount() const;
    // True once a hang-up fault closed the line.
    bool hungUp() const { return m_hungUp; }
    // True while the port is still held by --busy.
    bool holdingPort() const { return m_busyFd >= 0; }

private:
    using Clock = std::chrono::steady_clock;

    void run();
    // Waits until `until` while taking input and following the port's opens and closes.
    // False when the simulator is stopping.
    bool waitUntil(Clock::time_point until);
    // The program flushed the line at `now`: input not yet on the wire by then is gone.
    void dropUnsent(Clock::time_point now);
    void pollOnce(int timeoutMs);
    void takeInput(Clock::time_point now);
    void followPortUse();
    bool nextFrame(std::vector<uint8_t>& frame, Clock::time_point& complete);
    void dropIncompleteFrame(Clock::time_point now);
    bool wellFormed(const std::vector<uint8_t>& frame, std::string& why) const;
    bool lineSpeedMatches(std::string& why) const;
    // What the switch makes of a frame: logged (and saved) at once, answered later.
    struct Answer
    {
        std::vector<uint8_t> reply; // empty: no answer at all
        bool hit = false;           // the fault plays on this frame
        uint8_t command = 0;
    };
    Answer take(const std::vector<uint8_t>& frame);
    void respond(Answer answer);
    void send(const std::vector<uint8_t>& reply, size_t count, const std::string& what);
    void hangUp();
    void releaseBusy();
    void log(bool received, const std::vector<uint8_t>& bytes, const std::string& what);
    Clock::duration byteTime() const;
    void saveImage(const std::vector<uint8_t>& payload);

    SimOptions m_options;
    std::string m_slavePath;
    std::string m_linkPath;
    LinkClaim m_linkClaim;
    int m_master = -1;
    int m_keepSlave = -1;    // our own slave descriptor: the line survives the program's closes
    std::atomic<int> m_busyFd {-1};
    int m_wake[2] = {-1, -1};
    int m_portWatch = -1;    // inotify on the slave node: the program's opens and closes
    int m_programOpens = 0;
    Clock::time_point m_busyUntil;
    std::thread m_thread;
    std::atomic<bool> m_stop {false};
    std::atomic<bool> m_hungUp {false};

    // Input with the time each byte has fully arrived on the paced line.
    std::vector<uint8_t> m_input;
    std::vector<Clock::time_point> m_arrival;
    Clock::time_point m_rxLineFree;
    // When the program last dropped its unsent output (a flush of the port); bytes that would
    // have reached the switch after that never do.
    Clock::time_point m_hostFlushedAt;
    Clock::time_point m_txLineFree;
    int m_frameCount = 0;
    int m_imageCount = 0;

    mutable std::mutex m_mutex;
    std::vector<FrameLog> m_frames;
    std::vector<std::vector<uint8_t>> m_images;
    FILE* m_log = nullptr;
    bool m_ownLog = false;
};

// A switch linked as COM<com> in `portDir`, without a frame log, started; null (with the reason
// on standard error) when it cannot start. For benchmarks and demos that need one switch.
std::unique_ptr<SwitchSimulator> startQuietSwitch(SimOptions options, int com, const std::string& portDir);

} // namespace kmsim
