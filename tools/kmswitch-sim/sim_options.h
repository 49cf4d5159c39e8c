#pragma once
// What the simulated switch does: its answers, its pace and the faults it plays.

#include <cstdint>
#include <string>
#include <vector>

namespace kmsim {

enum class Fault {
    None,
    Silence,        // the hit frame gets no answer at all
    WrongMagic,     // the hit frame's reply starts with `wrongMagic`
    WrongLength,    // a long GET_INFO reply whose length field is `infoLength`
    Cut,            // only the first `cutAfter` bytes of the reply go out
    HangUp,         // `cutAfter` bytes of the reply go out, then the line goes dead
};

struct SimOptions
{
    int portCount = 4;          // reported in the high nibble of record 0 (0..15)
    bool shortInfo = false;     // answer GET_INFO with the 2-byte reply 55 <infoStatus>
    uint8_t infoStatus = 0;
    uint8_t prodStatus = 0;     // status byte of the PROD_SET_DATA answer
    unsigned baud = 0;          // pace both directions as this rate, 10 bits a byte; 0: no pacing
    int replyDelayMs = 0;       // the switch's own time after a whole frame, before it answers
    bool stall = false;         // take nothing from the line: the program's writes back up
    Fault fault = Fault::None;
    int faultAt = 0;            // the frame the fault hits, counted from 0 over all frames
    uint8_t wrongMagic = 0x00;
    uint16_t infoLength = 17;
    int cutAfter = 1;
    int busyMs = 0;             // keep the port locked this long after start
    std::string saveDir;        // every PROD_SET_DATA payload is saved here as image-NNN.bin
    int comNumber = 0;          // link the port as COM<n> in portDir (0: no link)
    std::string portDir;        // empty: the program's own pinned-ports folder
    std::string linkName;       // entry name instead of COM<n> (for letter-case tests)
    std::string logPath = "-";  // frame log: "-" standard error, empty none
};

// Parses the command line (without the program name). False with `error` set on a bad option.
// `help` is set when --help was given; the options are then not complete.
bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, bool& help,
                     std::string& error);

// The text of --help.
std::string simUsage();

const char* faultName(Fault fault);

} // namespace kmsim
