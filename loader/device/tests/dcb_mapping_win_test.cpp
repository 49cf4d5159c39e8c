// The line settings on the Windows DCB: each of the eight fields lands in its own place, cut
// to its width, and nothing else of what the driver reported moves.

#include <gtest/gtest.h>

#include <cstring>

#include "dcb_mapping_win.h"

namespace {

// What a driver might report: every flag and character set to something the logic never asks
// for, so a field that is overwritten or cleared by mistake shows.
DCB driversDcb()
{
    DCB d;
    std::memset(&d, 0, sizeof d);
    d.DCBlength = sizeof d;
    d.BaudRate = 1200;
    d.fBinary = 1;
    d.fParity = 1;
    d.fOutxCtsFlow = 1;
    d.fOutxDsrFlow = 1;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    d.fDsrSensitivity = 1;
    d.fTXContinueOnXoff = 1;
    d.fOutX = 1;
    d.fInX = 1;
    d.fErrorChar = 1;
    d.fNull = 1;
    d.fRtsControl = RTS_CONTROL_TOGGLE;
    d.fAbortOnError = 1;
    d.XonLim = 2048;
    d.XoffLim = 512;
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    d.ErrorChar = '?';
    d.EofChar = 0x1A;
    d.EvtChar = '\n';
    return d;
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

SerialLineState line(quint32 baud, quint8 bits, quint8 parity, quint8 stop, quint8 dtr, quint8 rts, quint8 dsr, quint8 cts)
{
    SerialLineState s;
    s.baudRate = baud;
    s.byteSize = bits;
    s.parity = parity;
    s.stopBits = stop;
    s.dtrControl = dtr;
    s.rtsControl = rts;
    s.outxDsrFlow = dsr;
    s.outxCtsFlow = cts;
    return s;
}

TEST(DcbMapping, EachFieldInItsPlaceTheRestAsReported)
{
    const Row rows[] = {
        {"the defaults", line(9600, 8, 0, 0, 1, 1, 0, 0), {9600, 8, NOPARITY, ONESTOPBIT, DTR_CONTROL_ENABLE, RTS_CONTROL_ENABLE, 0, 0}},
        {"odd, 1.5 stop bits, 5 bits", line(110, 5, 1, 1, 0, 0, 0, 0), {110, 5, ODDPARITY, ONE5STOPBITS, DTR_CONTROL_DISABLE, RTS_CONTROL_DISABLE, 0, 0}},
        {"mark, two stop bits, both flows", line(115200, 8, 3, 2, 2, 2, 1, 1), {115200, 8, MARKPARITY, TWOSTOPBITS, DTR_CONTROL_HANDSHAKE, RTS_CONTROL_HANDSHAKE, 1, 1}},
        {"space, RTS toggle, a rate no table has", line(250000, 6, 4, 0, 1, 3, 0, 1), {250000, 6, SPACEPARITY, ONESTOPBIT, DTR_CONTROL_ENABLE, RTS_CONTROL_TOGGLE, 0, 1}},
        // The fields are two bits and one bit wide: what does not fit is cut, never spills.
        {"values wider than their fields", line(9600, 8, 0, 0, 3, 7, 2, 3), {9600, 8, NOPARITY, ONESTOPBIT, 3, 3, 0, 1}},
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
    const SerialLineState states[] = {line(9600, 8, 0, 0, 1, 1, 0, 0), line(300, 7, 2, 2, 0, 3, 1, 0),
                                      line(921600, 5, 4, 1, 2, 2, 1, 1)};
    for (const SerialLineState& s : states)
        EXPECT_TRUE(lineStateOfDcb(dcbWithLineState(driversDcb(), s)) == s) << s.baudRate;
    EXPECT_TRUE(lineStateOfDcb(driversDcb()) == line(1200, 7, EVENPARITY, TWOSTOPBITS, 2, 3, 1, 1))
        << "the driver's own settings, as reported";
}

} // namespace
