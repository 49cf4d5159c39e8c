// The pure rules of the device link: port names and paths, Linux numbering, the line-settings
// mapping, the enumerator's difference test, and the signatures others connect to.

#include <QMetaMethod>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include "comhandler256.h"
#include "comportnames.h"
#include "portinfo.h"
#include "portnumbering_linux.h"
#include "serialdeviceenumerator.h"
#include "termiosmapping_posix.h"

namespace {

struct NameCase
{
    const char* name;
    bool accepted;
    unsigned number;
};

class ComPortNameRule : public ::testing::TestWithParam<NameCase> {};

TEST_P(ComPortNameRule, AcceptsOnlyComAndDigits)
{
    const NameCase& c = GetParam();
    unsigned number = 12345;
    EXPECT_EQ(parseComPortName(QString::fromUtf8(c.name), number), c.accepted) << c.name;
    if (c.accepted) {
        EXPECT_EQ(number, c.number);
    } else {
        EXPECT_EQ(number, 12345u) << "a rejected name must not touch the number";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Names, ComPortNameRule,
    ::testing::Values(NameCase {"COM3", true, 3}, NameCase {"com3", true, 3},
                      NameCase {"cOm12", true, 12}, NameCase {"COM007", true, 7},
                      NameCase {"COM0", true, 0}, NameCase {"COM4294967295", true, 4294967295u},
                      NameCase {"COM", false, 0}, NameCase {"COM3A", false, 0},
                      NameCase {"COM 3", false, 0}, NameCase {"COM+3", false, 0},
                      NameCase {"COM-3", false, 0}, NameCase {" COM3", false, 0},
                      NameCase {"LPT1", false, 0}, NameCase {"CON3", false, 0},
                      NameCase {"COM4294967296", false, 0},
                      NameCase {"COM\u0663", false, 0} /* Arabic-Indic three */,
                      NameCase {"", false, 0}));

TEST(ComPortPaths, PlainNameUpToNinePrefixedFromTen)
{
    EXPECT_EQ(comPortName(10), QStringLiteral("COM10"));
    EXPECT_EQ(comDevicePath(1), QStringLiteral("COM1"));
    EXPECT_EQ(comDevicePath(9), QStringLiteral("COM9"));
    EXPECT_EQ(comDevicePath(10), QStringLiteral("\\\\.\\COM10"));
    EXPECT_EQ(comDevicePath(201), QStringLiteral("\\\\.\\COM201"));
    // The layer reads back both forms.
    EXPECT_EQ(comNumberFromDevicePath(comDevicePath(9)), 9u);
    EXPECT_EQ(comNumberFromDevicePath(comDevicePath(10)), 10u);
    EXPECT_EQ(comNumberFromDevicePath(QStringLiteral("\\\\.\\com12")), 12u);
    EXPECT_EQ(comNumberFromDevicePath(QStringLiteral("/dev/ttyS0")), 0u);
    EXPECT_EQ(comNumberFromDevicePath(QStringLiteral("\\\\.\\LPT1")), 0u);
}

struct AutoCase
{
    const char* kernelName;
    unsigned number;
};

class AutomaticNumber : public ::testing::TestWithParam<AutoCase> {};

TEST_P(AutomaticNumber, FixedBlocksPerFamily)
{
    const AutoCase& c = GetParam();
    const QString name = QString::fromLatin1(c.kernelName);
    EXPECT_EQ(automaticComNumber(name), c.number) << c.kernelName;
    if (c.number != 0) {
        EXPECT_EQ(automaticDeviceNode(c.number), QStringLiteral("/dev/") + name)
            << "the inverse must lead back to the node";
    }
}

INSTANTIATE_TEST_SUITE_P(
    KernelNames, AutomaticNumber,
    ::testing::Values(AutoCase {"ttyS0", 1}, AutoCase {"ttyS31", 32}, AutoCase {"ttyS32", 0},
                      AutoCase {"ttyUSB0", 33}, AutoCase {"ttyUSB31", 64},
                      AutoCase {"ttyACM0", 65}, AutoCase {"ttyACM5", 70},
                      AutoCase {"ttyAMA0", 97}, AutoCase {"rfcomm0", 129},
                      AutoCase {"rfcomm31", 160}, AutoCase {"ttyS", 0}, AutoCase {"ttyS01", 0},
                      AutoCase {"ttyS1a", 0}, AutoCase {"tty0", 0}, AutoCase {"ttyprintk", 0},
                      AutoCase {"ttyUSB123", 0}, AutoCase {"pts0", 0}));

TEST(AutomaticNumber, NumbersWithoutDevice)
{
    EXPECT_TRUE(automaticDeviceNode(0).isEmpty());
    EXPECT_TRUE(automaticDeviceNode(161).isEmpty());
    EXPECT_TRUE(automaticDeviceNode(201).isEmpty());
}

// ---- line settings ----

SerialLineState defaults()
{
    SerialLineState s;
    s.baudRate = 9600;
    s.byteSize = 8;
    s.parity = 0;
    s.stopBits = 0;
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
    cfsetispeed(&t, B1200);
    cfsetospeed(&t, B1200);
    return t;
}

struct LineCase
{
    const char* label;
    void (*change)(SerialLineState&);
    tcflag_t cflagSet;     // bits that must be set
    tcflag_t cflagClear;   // bits that must be clear
    bool customBaud;
    ModemLine dtr;
    ModemLine rts;
    bool roundTrips = true; // RTS handshake without CTS flow reads back as plain RTS on
};

class LineMapping : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineMapping, MapsEachFieldAndKeepsRawMode)
{
    const LineCase& c = GetParam();
    SerialLineState s = defaults();
    c.change(s);
    TermiosPlan plan;
    int code = 0;
    ASSERT_TRUE(planLineSettings(cooked(), s, plan, code)) << c.label;
    EXPECT_EQ(plan.tio.c_cflag & c.cflagSet, c.cflagSet) << c.label;
    EXPECT_EQ(plan.tio.c_cflag & c.cflagClear, 0u) << c.label;
    EXPECT_EQ(plan.customBaud, c.customBaud) << c.label;
    EXPECT_EQ(plan.dtr, c.dtr) << c.label;
    EXPECT_EQ(plan.rts, c.rts) << c.label;
    // Raw, no driver time-outs, receiver on, no software flow in either direction.
    EXPECT_EQ(plan.tio.c_lflag & (ECHO | ICANON | ISIG), 0u);
    EXPECT_EQ(plan.tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(plan.tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL), 0u);
    EXPECT_EQ(plan.tio.c_cc[VMIN], 0);
    EXPECT_EQ(plan.tio.c_cc[VTIME], 0);
    EXPECT_EQ(plan.tio.c_cflag & (CLOCAL | CREAD), tcflag_t(CLOCAL | CREAD));
    // The round trip through lineStateOf gives the same settings back (modem lines as planned).
    const int modemBits = (c.dtr == ModemLine::Raise ? TIOCM_DTR : 0)
        | (c.rts == ModemLine::Raise ? TIOCM_RTS : 0);
    const SerialLineState back =
        lineStateOf(plan.tio, c.customBaud ? s.baudRate : rateOfSpeed(cfgetospeed(&plan.tio)), modemBits);
    if (c.roundTrips) {
        EXPECT_EQ(back, s) << c.label;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LineMapping,
    ::testing::Values(
        LineCase {"defaults", [](SerialLineState&) {}, CS8, PARENB | CSTOPB | CRTSCTS, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"115200", [](SerialLineState& s) { s.baudRate = 115200; }, CS8, 0, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"any rate", [](SerialLineState& s) { s.baudRate = 31250; }, CS8, 0, true,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"5 bits", [](SerialLineState& s) { s.byteSize = 5; }, CS5, CS6 & ~CS5, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"7 bits", [](SerialLineState& s) { s.byteSize = 7; }, CS7, CS8 & ~CS7, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"odd", [](SerialLineState& s) { s.parity = 1; }, PARENB | PARODD, CMSPAR, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"even", [](SerialLineState& s) { s.parity = 2; }, PARENB, PARODD | CMSPAR,
                  false, ModemLine::Raise, ModemLine::Raise},
        LineCase {"mark", [](SerialLineState& s) { s.parity = 3; }, PARENB | CMSPAR | PARODD, 0,
                  false, ModemLine::Raise, ModemLine::Raise},
        LineCase {"space", [](SerialLineState& s) { s.parity = 4; }, PARENB | CMSPAR, PARODD,
                  false, ModemLine::Raise, ModemLine::Raise},
        LineCase {"two stop bits", [](SerialLineState& s) { s.stopBits = 2; }, CSTOPB, 0, false,
                  ModemLine::Raise, ModemLine::Raise},
        LineCase {"DTR and RTS off",
                  [](SerialLineState& s) { s.dtrControl = 0; s.rtsControl = 0; }, 0, CRTSCTS,
                  false, ModemLine::Drop, ModemLine::Drop},
        LineCase {"CTS flow", [](SerialLineState& s) { s.outxCtsFlow = 1; s.rtsControl = 2; },
                  CRTSCTS, 0, false, ModemLine::Raise, ModemLine::Leave},
        // Only CTS flow may make output wait on CTS.
        LineCase {"RTS handshake alone", [](SerialLineState& s) { s.rtsControl = 2; }, 0,
                  CRTSCTS, false, ModemLine::Raise, ModemLine::Raise, false},
        LineCase {"CTS flow, RTS off",
                  [](SerialLineState& s) { s.outxCtsFlow = 1; s.rtsControl = 0; }, CRTSCTS, 0,
                  false, ModemLine::Raise, ModemLine::Drop, false}));

struct RefusedCase
{
    const char* label;
    void (*change)(SerialLineState&);
    int code;
    const char* text;
};

class RefusedSetting : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedSetting, RefusesWithClearTextAndLeavesPlanAlone)
{
    const RefusedCase& c = GetParam();
    SerialLineState s = defaults();
    c.change(s);
    TermiosPlan plan;
    plan.tio.c_cflag = 0x1234;
    int code = 0;
    EXPECT_FALSE(planLineSettings(cooked(), s, plan, code)) << c.label;
    EXPECT_EQ(code, c.code) << c.label;
    EXPECT_STREQ(lineSettingErrorText(code), c.text);
    EXPECT_EQ(plan.tio.c_cflag, tcflag_t(0x1234)) << "a refused plan must not be half written";
}

INSTANTIATE_TEST_SUITE_P(
    Settings, RefusedSetting,
    ::testing::Values(
        RefusedCase {"1.5 stop bits", [](SerialLineState& s) { s.stopBits = 1; },
                     kErrorOneAndHalfStopBits, "One and a half stop bits are not supported on Linux"},
        RefusedCase {"DSR flow", [](SerialLineState& s) { s.outxDsrFlow = 1; }, kErrorDsrFlow,
                     "DSR output flow control is not supported on Linux"},
        RefusedCase {"DTR handshake", [](SerialLineState& s) { s.dtrControl = 2; },
                     kErrorDtrHandshake, "DTR handshake is not supported on Linux"},
        RefusedCase {"DTR control 3", [](SerialLineState& s) { s.dtrControl = 3; },
                     kErrorDtrControl, "The DTR control setting is not valid"},
        RefusedCase {"RTS toggle", [](SerialLineState& s) { s.rtsControl = 3; }, kErrorRtsToggle,
                     "RTS toggle is not supported on Linux"},
        RefusedCase {"byte size 9", [](SerialLineState& s) { s.byteSize = 9; }, kErrorByteSize,
                     "The byte size must be 5, 6, 7 or 8"},
        RefusedCase {"byte size 4", [](SerialLineState& s) { s.byteSize = 4; }, kErrorByteSize,
                     "The byte size must be 5, 6, 7 or 8"},
        RefusedCase {"parity 5", [](SerialLineState& s) { s.parity = 5; }, kErrorParity,
                     "The parity setting is not valid"},
        RefusedCase {"stop bits 3", [](SerialLineState& s) { s.stopBits = 3; }, kErrorStopBits,
                     "The stop bits setting is not valid"},
        RefusedCase {"rate 0", [](SerialLineState& s) { s.baudRate = 0; }, kErrorBaudRate,
                     "The baud rate is not valid"}));

// ---- the enumerator's difference test ----

PortMap mapOf(std::initializer_list<PortInfo> ports)
{
    PortMap m;
    for (const PortInfo& p : ports)
        m.insert(p.portName, p);
    return m;
}

PortInfo port(const char* name)
{
    PortInfo p;
    p.portName = QString::fromLatin1(name);
    p.systemPath = QStringLiteral("/dev/x") + p.portName;
    p.friendlyName = QStringLiteral("FT232R USB UART");
    p.hardwareIds = QStringList {QStringLiteral("0403:6001"), QStringLiteral("A50285BI")};
    return p;
}

TEST(PortMapDifference, CountsEveryFieldButNotOrderOfInsertion)
{
    const PortMap base = mapOf({port("COM2"), port("COM10")});
    EXPECT_FALSE(portMapsDiffer(base, base));
    EXPECT_FALSE(portMapsDiffer(mapOf({port("COM10"), port("COM2")}), base));
    EXPECT_FALSE(portMapsDiffer(PortMap(), PortMap()));
    EXPECT_EQ(base.keys(), (QStringList {QStringLiteral("COM10"), QStringLiteral("COM2")}))
        << "names sort by code unit";

    EXPECT_TRUE(portMapsDiffer(mapOf({port("COM2")}), base)) << "size";
    EXPECT_TRUE(portMapsDiffer(mapOf({port("COM2"), port("COM11")}), base)) << "keys";

    // Every field on its own.
    using Field = void (*)(PortInfo&);
    const Field fields[] = {
        [](PortInfo& p) { p.systemPath += QLatin1Char('x'); },
        [](PortInfo& p) { p.className = QStringLiteral("tty"); },
        [](PortInfo& p) { p.location = QStringLiteral("pci-0000:00:14.0-usb-0:2:1.0"); },
        [](PortInfo& p) { p.driverPath = QStringLiteral("/sys/bus/usb-serial/drivers/ftdi_sio"); },
        [](PortInfo& p) { p.friendlyName = QStringLiteral("Other"); },
        [](PortInfo& p) { p.description = QStringLiteral("Other"); },
        [](PortInfo& p) { p.hardwareIds.swapItemsAt(0, 1); },
        [](PortInfo& p) { p.hardwareIds.removeLast(); },
        [](PortInfo& p) { p.vendorId = QStringLiteral("0403"); },
        [](PortInfo& p) { p.productId = QStringLiteral("6001"); },
        [](PortInfo& p) { p.manufacturer = QStringLiteral("FTDI"); },
        [](PortInfo& p) { p.service = QStringLiteral("ftdi_sio"); },
        [](PortInfo& p) { p.bus = QStringLiteral("usb"); },
    };
    for (size_t i = 0; i < sizeof fields / sizeof fields[0]; ++i) {
        PortMap changed = base;
        fields[i](changed[QStringLiteral("COM2")]);
        EXPECT_TRUE(portMapsDiffer(changed, base)) << "field " << i;
    }
}

} // namespace

// ---- the signatures the window connects by name ----

namespace {

QStringList ownMethods(const QMetaObject& meta)
{
    QStringList out;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i)
        out << QString::fromLatin1(meta.method(i).methodSignature());
    return out;
}

TEST(MetaMethods, SignalsAndSlotsInTheirOrder)
{
    EXPECT_EQ(ownMethods(COMHandler256::staticMetaObject),
              (QStringList {QStringLiteral("comConnected(bool)"),
                            QStringLiteral("onSerialListChanged(QStringList)"),
                            QStringLiteral("retryOpen()")}));
    EXPECT_EQ(ownMethods(SerialDeviceEnumerator::staticMetaObject),
              (QStringList {QStringLiteral("hasChanged(QStringList)"),
                            QStringLiteral("_q_processWatcher()")}));
}

} // namespace
