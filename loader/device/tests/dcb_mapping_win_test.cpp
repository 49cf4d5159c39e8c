// The line settings on the Windows DCB: each of the eight fields lands in its own place, cut
// to its width, and nothing else of what the driver reported moves.

#include <gtest/gtest.h>

#include <cstring>

#include "dcb_mapping_win.h"

namespace {

// What a driver might report: every flag, character and reserved bit set, the line fields to
// something the logic never asks for, so a field that is overwritten or cleared by mistake shows.
DCB driversDcb()
{
    DCB d;
    std::memset(&d, 0xFF, sizeof d);
    d.DCBlength = sizeof d;
    d.BaudRate = 1200;
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    return d; // RTS toggle, both flow checks on
}

// The DCB with the eight fields the logic owns set to zero, for comparing the rest.
DCB withoutLineFields(DCB d)
{
    d.BaudRate = 0;
    d.ByteSize = 0;
    d.Parity = 0;
    d.StopBits = 0;
    d.fDtrControl = 0;
    d.fRtsControl = 0;
    d.fOutxDsrFlow = 0;
    d.fOutxCtsFlow = 0;
    return d;
}

bool sameBytes(const DCB& a, const DCB& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct Row
{
    const char* label;
    SerialLineState wanted;
    // The DCB fields expected, in the order BaudRate, ByteSize, Parity, StopBits, fDtrControl,
    // fRtsControl, fOutxDsrFlow, fOutxCtsFlow.
    unsigned expected[8];
};

TEST(DcbMapping, EachFieldInItsPlaceTheRestAsReported)
{
    const Row rows[] = {
        {"the defaults", {9600, 8, 0, 0, 1, 1, 0, 0}, {9600, 8, NOPARITY, ONESTOPBIT, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, 0, 0}},
        {"odd, 1.5 stop bits, 5 bits", {110, 5, 1, 1, 0, 0, 0, 0}, {110, 5, ODDPARITY, ONE5STOPBITS, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, 0}},
        {"mark, two stop bits, both flows", {115200, 8, 3, 2, 2, 2, 1, 1}, {115200, 8, MARKPARITY, TWOSTOPBITS, DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 1, 1}},
        {"space, RTS toggle, a rate no table has", {250000, 6, 4, 0, 1, 3, 0, 1}, {250000, 6, SPACEPARITY, ONESTOPBIT, DTR_CONTROL_ENABLE, RTS_CONTROL_TOGGLE, 0, 1}},
        // The fields are two bits and one bit wide: what does not fit is cut, never spills.
        {"values wider than their fields", {9600, 8, 0, 0, 3, 7, 2, 3}, {9600, 8, NOPARITY, ONESTOPBIT, 3, 3, 0, 1}},
    };
    const DCB reported = driversDcb();
    for (const Row& row : rows) {
        const DCB made = dcbWithLineState(reported, row.wanted);
        const unsigned got[8] = {unsigned(made.BaudRate), made.ByteSize, made.Parity, made.StopBits,
                                 made.fDtrControl, made.fRtsControl, made.fOutxDsrFlow, made.fOutxCtsFlow};
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(got[i], row.expected[i]) << row.label << ", field " << i;
        EXPECT_TRUE(sameBytes(withoutLineFields(made), withoutLineFields(reported))) << row.label << ": another field moved";
    }
}

// Reading back gives what was put in, for every value that fits its field.
TEST(DcbMapping, ReadsBackWhatItWrote)
{
    const SerialLineState states[] = {{9600, 8, 0, 0, 1, 1, 0, 0}, {300, 7, 2, 2, 0, 3, 1, 0},
                                      {921600, 5, 4, 1, 2, 2, 1, 1}};
    for (const SerialLineState& s : states)
        EXPECT_TRUE(lineStateOfDcb(dcbWithLineState(driversDcb(), s)) == s) << s.baudRate;
    const SerialLineState reported {1200, 7, EVENPARITY, TWOSTOPBITS, 2, 3, 1, 1};
    EXPECT_TRUE(lineStateOfDcb(driversDcb()) == reported) << "the driver's own settings, as reported";
}

} // namespace
