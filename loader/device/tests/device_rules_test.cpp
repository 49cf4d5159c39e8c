// The pure rules of the device link, table by table: port names and paths, Linux numbering,
// the line-settings mapping, time on the wire, the switch's frames as bytes, and the
// enumerator's difference test. Nothing here needs a port.

#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "com_port_names.h"
#include "frame_codec.h"
#include "port_info.h"
#include "port_numbering_linux.h"
#include "termios_mapping_linux.h"
#include "wire_time.h"

namespace {

// COM names, device paths, and the numbers Linux devices get.
TEST(PortNames, ComNamesPathsAndAutomaticNumbers)
{
    const struct { const char* name; bool accepted; unsigned number; } names[] = {
        {"COM3", true, 3}, {"com3", true, 3}, {"cOm12", true, 12}, {"COM007", true, 7},
        {"COM0", true, 0}, {"COM4294967295", true, 4294967295u}, {"COM", false, 0},
        {"COM3A", false, 0}, {"COM 3", false, 0}, {"COM+3", false, 0}, {" COM3", false, 0},
        {"LPT1", false, 0}, {"CON3", false, 0}, {"COM4294967296", false, 0},
        {"COM\u0663", false, 0} /* Arabic-Indic three */, {"", false, 0}};
    for (const auto& row : names) {
        unsigned number = 12345;
        EXPECT_EQ(parseComPortName(QString::fromUtf8(row.name), number), row.accepted) << row.name;
        EXPECT_EQ(number, row.accepted ? row.number : 12345u) << row.name;
    }
    const struct { int number; const char* path; } paths[] = {
        {1, "COM1"}, {9, "COM9"}, {10, "\\\\.\\COM10"}, {201, "\\\\.\\COM201"}, {12, "\\\\.\\com12"}, {0, "/dev/ttyS0"}, {0, "\\\\.\\LPT1"}};
    for (const auto& row : paths) {
        if (row.path[0] == 'C' || row.path[4] == 'C') { // the forms the logic builds
            EXPECT_EQ(comDevicePath(row.number), QString::fromLatin1(row.path));
        }
        EXPECT_EQ(comNumberFromDevicePath(QString::fromLatin1(row.path)), unsigned(row.number)) << row.path;
    }
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

SerialLineState defaults()
{
    SerialLineState s;
    s.baudRate = 9600;
    s.dtrControl = 1;
    s.rtsControl = 1;
    return s;
}

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
        {"stop bits 3", [](SerialLineState& s) { s.stopBits = 3; }, 0, 0, R::Leave, R::Leave, "The stop bits setting is not valid"},
        {"DSR flow", [](SerialLineState& s) { s.outxDsrFlow = 1; }, 0, 0, R::Leave, R::Leave, "DSR output flow control is not supported on Linux"},
        {"DTR handshake", [](SerialLineState& s) { s.dtrControl = 2; }, 0, 0, R::Leave, R::Leave, "DTR handshake is not supported on Linux"},
        {"DTR control 3", [](SerialLineState& s) { s.dtrControl = 3; }, 0, 0, R::Leave, R::Leave, "The DTR control setting is not valid"},
        {"RTS toggle", [](SerialLineState& s) { s.rtsControl = 3; }, 0, 0, R::Leave, R::Leave, "RTS toggle is not supported on Linux"},
        {"byte size 9", [](SerialLineState& s) { s.byteSize = 9; }, 0, 0, R::Leave, R::Leave, "The byte size must be 5, 6, 7 or 8"},
        {"byte size 4", [](SerialLineState& s) { s.byteSize = 4; }, 0, 0, R::Leave, R::Leave, "The byte size must be 5, 6, 7 or 8"},
        {"parity 5", [](SerialLineState& s) { s.parity = 5; }, 0, 0, R::Leave, R::Leave, "The parity setting is not valid"},
        {"rate 0", [](SerialLineState& s) { s.baudRate = 0; }, 0, 0, R::Leave, R::Leave, "The baud rate is not valid"},
    };
    for (const LineRow& row : rows) {
        SerialLineState s = defaults();
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
        SerialLineState s = defaults();
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

TEST(WireTime, StartDataParityAndStopBits)
{
    const struct { quint32 baud; quint8 bits, parity, stop; quint64 bytes, us; quint32 msPerByte; } rows[] = {
        {9600, 8, 0, 0, 936, 975000, 2},  // 10 bits a byte
        {9600, 8, 0, 0, 1, 1042, 2},      // rounded up
        {9600, 7, 2, 2, 96, 110000, 2},   // 1 + 7 + 1 + 2 = 11 bits
        {9600, 8, 0, 1, 2, 2188, 2},      // 1.5 stop bits: 10.5
        {115200, 8, 0, 0, 60, 5209, 1},
        {300, 8, 0, 0, 1, 33334, 34},
        {0, 8, 0, 0, 60, 0, 1},
    };
    for (const auto& row : rows) {
        SerialLineState s = defaults();
        s.baudRate = row.baud;
        s.byteSize = row.bits;
        s.parity = row.parity;
        s.stopBits = row.stop;
        EXPECT_EQ(wireTimeUs(s, row.bytes), row.us) << row.baud << " " << row.bytes;
        EXPECT_EQ(wireMsPerByte(s), row.msPerByte) << row.baud;
    }
}

// What the codec makes of a reply's first two bytes, for each command (the frames themselves
// are checked byte for byte where the handler sends them to the switch).
TEST(Frames, ReplyHeads)
{
    const struct { quint8 first; frames::ReplyKind kind; frames::DecodeStatus prod; } heads[] = {
        {0x55, frames::ReplyKind::Short, frames::DecodeStatus::Ok},
        {0xAA, frames::ReplyKind::Long, frames::DecodeStatus::ProdBadMagic},
        {0x56, frames::ReplyKind::BadMagic, frames::DecodeStatus::ProdBadMagic}};
    for (const auto& row : heads) {
        const quint8 head[2] = {row.first, 0x07};
        quint8 status = 0xEE;
        EXPECT_EQ(frames::replyKind(head), row.kind) << int(row.first);
        EXPECT_EQ(frames::decodeProdReply(head, status), row.prod);
        EXPECT_EQ(status, row.prod == frames::DecodeStatus::Ok ? 7 : 0xEE);
    }
}

PortMap mapOf(std::initializer_list<const char*> names)
{
    PortMap m;
    for (const char* name : names)
        m.insert(name, PortInfo {name, QStringLiteral("/dev/x") + name, {}, {}, {}, {}, {}, {"0403:6001", "A50285BI"}, {}, {}, {}, {}, {}});
    return m;
}

TEST(PortMaps, EveryFieldCountsButNotTheOrderOfInsertion)
{
    const PortMap base = mapOf({"COM2", "COM10"});
    EXPECT_FALSE(portMapsDiffer(base, base));
    EXPECT_FALSE(portMapsDiffer(mapOf({"COM10", "COM2"}), base));
    EXPECT_FALSE(portMapsDiffer(PortMap(), PortMap()));
    EXPECT_TRUE(portMapsDiffer(mapOf({"COM2"}), base)) << "size";
    EXPECT_TRUE(portMapsDiffer(mapOf({"COM2", "COM11"}), base)) << "keys";
    void (*const fields[])(PortInfo&) = {
        [](PortInfo& p) { p.systemPath += 'x'; }, [](PortInfo& p) { p.className += 'x'; },
        [](PortInfo& p) { p.location += 'x'; }, [](PortInfo& p) { p.driverPath += 'x'; },
        [](PortInfo& p) { p.friendlyName += 'x'; }, [](PortInfo& p) { p.description += 'x'; },
        [](PortInfo& p) { p.hardwareIds.swapItemsAt(0, 1); }, [](PortInfo& p) { p.vendorId += 'x'; },
        [](PortInfo& p) { p.productId += 'x'; }, [](PortInfo& p) { p.manufacturer += 'x'; },
        [](PortInfo& p) { p.service += 'x'; }, [](PortInfo& p) { p.bus += 'x'; }};
    for (auto change : fields) {
        PortMap changed = base;
        change(changed[QStringLiteral("COM2")]);
        EXPECT_TRUE(portMapsDiffer(changed, base));
    }
}

} // namespace
