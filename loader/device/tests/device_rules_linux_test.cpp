// The pure rules of the device link on Linux: the COM numbers of kernel device names and the
// mapping of the line settings onto termios. Nothing here needs a port.

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "port_numbering_linux.h"
#include "termios_mapping_linux.h"

namespace {

// The numbers Linux devices get from their kernel names.
TEST(PortNumbers, AutomaticNumbersOfKernelNames)
{
    const struct { const char* kernelName; unsigned number; } devices[] = {
        {"ttyS0", 1}, {"ttyS31", 32}, {"ttyS32", 0}, {"ttyUSB0", 33}, {"ttyUSB31", 64},
        {"ttyACM0", 65}, {"ttyACM5", 70}, {"ttyAMA0", 97}, {"rfcomm0", 129}, {"rfcomm31", 160},
        {"ttyS", 0}, {"ttyS01", 0}, {"ttyS1a", 0}, {"tty0", 0}, {"ttyUSB123", 0}, {"pts0", 0}};
    for (const auto& row : devices) {
        const QString name = QString::fromLatin1(row.kernelName);
        EXPECT_EQ(automaticComNumber(name), row.number) << row.kernelName;
        EXPECT_EQ(automaticDeviceNode(row.number), row.number ? "/dev/" + name : QString());
    }
    for (unsigned none : {161u, 201u})
        EXPECT_TRUE(automaticDeviceNode(none).isEmpty()) << none;
}

// 9600 8N1, DTR and RTS on: the settings of a fresh installation.
const SerialLineState kDefaults {9600, 8, 0, 0, 1, 1};

termios cooked()
{
    termios t {};
    t.c_iflag = ICRNL | IXON | IXOFF | IXANY;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ECHO | ICANON | ISIG;
    t.c_cflag = CS7 | PARENB | CSTOPB | HUPCL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    cfsetspeed(&t, B1200);
    return t;
}

struct LineRow
{
    const char* label;
    void (*change)(SerialLineState&);
    tcflag_t set, clear; // c_cflag bits that must be set, and clear
    ModemLine dtr, rts;
    const char* refused; // the refusal's text; null when the plan is made
};

// Every field of the line settings, applied on top of a cooked terminal: raw mode always,
// each field where it belongs, and what cannot be given refused with its own text.
TEST(LineSettings, MapsEachFieldOrRefusesWithItsText)
{
    using R = ModemLine;
    const LineRow rows[] = {
        {"defaults", [](SerialLineState&) {}, CS8, PARENB | CSTOPB | CRTSCTS, R::Raise, R::Raise, nullptr},
        {"5 bits", [](SerialLineState& s) { s.byteSize = 5; }, CS5, CS6 & ~CS5, R::Raise, R::Raise, nullptr},
        {"7 bits", [](SerialLineState& s) { s.byteSize = 7; }, CS7, CS8 & ~CS7, R::Raise, R::Raise, nullptr},
        {"odd", [](SerialLineState& s) { s.parity = 1; }, PARENB | PARODD, CMSPAR, R::Raise, R::Raise, nullptr},
        {"even", [](SerialLineState& s) { s.parity = 2; }, PARENB, PARODD | CMSPAR, R::Raise, R::Raise, nullptr},
        {"mark", [](SerialLineState& s) { s.parity = 3; }, PARENB | CMSPAR | PARODD, 0, R::Raise, R::Raise, nullptr},
        {"space", [](SerialLineState& s) { s.parity = 4; }, PARENB | CMSPAR, PARODD, R::Raise, R::Raise, nullptr},
        {"two stop bits", [](SerialLineState& s) { s.stopBits = 2; }, CSTOPB, 0, R::Raise, R::Raise, nullptr},
        {"DTR and RTS off", [](SerialLineState& s) { s.dtrControl = s.rtsControl = 0; }, 0, CRTSCTS, R::Drop, R::Drop, nullptr},
        // Only CTS flow may make output wait on CTS.
        {"RTS handshake alone", [](SerialLineState& s) { s.rtsControl = 2; }, 0, CRTSCTS, R::Raise, R::Raise, nullptr},
        {"CTS flow, RTS handshake", [](SerialLineState& s) { s.outxCtsFlow = 1; s.rtsControl = 2; }, CRTSCTS, 0, R::Raise, R::Leave, nullptr},
        {"CTS flow, RTS off", [](SerialLineState& s) { s.outxCtsFlow = 1; s.rtsControl = 0; }, CRTSCTS, 0, R::Raise, R::Drop, nullptr},
        {"1.5 stop bits", [](SerialLineState& s) { s.stopBits = 1; }, 0, 0, R::Leave, R::Leave, "One and a half stop bits are not supported on Linux"},
        // The rules every platform shares (device_rules_test) come first, with their own texts.
        {"stop bits 3", [](SerialLineState& s) { s.stopBits = 3; }, 0, 0, R::Leave, R::Leave, "The stop bits setting is not valid"},
        {"DSR flow", [](SerialLineState& s) { s.outxDsrFlow = 1; }, 0, 0, R::Leave, R::Leave, "DSR output flow control is not supported on Linux"},
        {"DTR handshake", [](SerialLineState& s) { s.dtrControl = 2; }, 0, 0, R::Leave, R::Leave, "DTR handshake is not supported on Linux"},
        {"RTS toggle", [](SerialLineState& s) { s.rtsControl = 3; }, 0, 0, R::Leave, R::Leave, "RTS toggle is not supported on Linux"},
    };
    for (const LineRow& row : rows) {
        SerialLineState s = kDefaults;
        row.change(s);
        TermiosPlan plan;
        plan.tio.c_cflag = 0x1234;
        int code = 0;
        const bool made = planLineSettings(cooked(), s, plan, code);
        ASSERT_EQ(made, row.refused == nullptr) << row.label;
        if (!made) {
            EXPECT_STREQ(lineSettingErrorText(code), row.refused) << row.label;
            EXPECT_EQ(plan.tio.c_cflag, tcflag_t(0x1234)) << row.label << ": no half-written plan";
            continue;
        }
        EXPECT_EQ(plan.tio.c_cflag & row.set, row.set) << row.label;
        EXPECT_EQ(plan.tio.c_cflag & row.clear, 0u) << row.label;
        EXPECT_EQ(plan.dtr, row.dtr) << row.label;
        EXPECT_EQ(plan.rts, row.rts) << row.label;
        // Raw, no driver time-outs, receiver on, no software flow either way.
        EXPECT_EQ(plan.tio.c_lflag & (ECHO | ICANON | ISIG), 0u);
        EXPECT_EQ(plan.tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(plan.tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
        EXPECT_EQ(plan.tio.c_cc[VMIN] | plan.tio.c_cc[VTIME], 0);
        EXPECT_EQ(plan.tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
        if ((s.rtsControl == 2) != (s.outxCtsFlow != 0))
            continue; // with CTS flow the driver owns RTS; without it a handshake is RTS on
        // What lineStateOf reads from the plan is what was asked for.
        const int modemBits = (row.dtr == R::Raise ? TIOCM_DTR : 0) | (row.rts == R::Raise ? TIOCM_RTS : 0);
        EXPECT_EQ(lineStateOf(plan.tio, rateOfSpeed(cfgetospeed(&plan.tio)), modemBits), s) << row.label;
    }
}

// Every standard rate has its termios constant; any other goes through termios2.
TEST(LineSettings, StandardRatesByConstantOthersThroughTermios2)
{
    for (quint32 rate : {50u, 75u, 110u, 134u, 150u, 200u, 300u, 600u, 1200u, 1800u, 2400u, 4800u, 9600u,
                         19200u, 38400u, 57600u, 115200u, 230400u, 460800u, 500000u, 576000u, 921600u,
                         1000000u, 1152000u, 1500000u, 2000000u, 2500000u, 3000000u, 3500000u, 4000000u})
        EXPECT_EQ(rateOfSpeed(standardSpeed(rate)), rate);
    EXPECT_EQ(standardSpeed(31250), speed_t(B0));
    EXPECT_EQ(rateOfSpeed(B0), 0u);
    for (quint32 rate : {9600u, 31250u}) {
        SerialLineState s = kDefaults;
        s.baudRate = rate;
        TermiosPlan plan;
        int code = 0;
        ASSERT_TRUE(planLineSettings(cooked(), s, plan, code));
        EXPECT_EQ(plan.customBaud, rate == 31250) << rate;
        if (!plan.customBaud) {
            EXPECT_EQ(cfgetospeed(&plan.tio), speed_t(B9600));
        }
    }
}

} // namespace
