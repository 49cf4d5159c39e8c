// The pure rules of the device link that every platform shares, table by table: port names
// and paths, the line-setting refusals, time on the wire, the switch's frames as bytes, and the
// enumerator's difference test. Nothing here needs a port.

#include <cstring>
#include <gtest/gtest.h>

#include "com_port_names.h"
#include "frame_codec.h"
#include "line_setting_rules.h"
#include "port_info.h"
#include "wire_time.h"

namespace {

// COM names and the device paths the logic builds and reads back.
TEST(PortNames, ComNamesAndDevicePaths)
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
}

// 9600 8N1, DTR and RTS on: the settings of a fresh installation.
const SerialLineState kDefaults {9600, 8, 0, 0, 1, 1};

// The refusals every platform shares: the first rule a setting breaks, the edges of each
// field, and the texts, which never collide with a system's own codes.
TEST(LineSettingRules, FirstBrokenRuleAndItsText)
{
    const struct { const char* label; void (*change)(SerialLineState&); int code; } rows[] = {
        {"defaults", [](SerialLineState&) {}, 0},
        {"5 bits", [](SerialLineState& s) { s.byteSize = 5; }, 0},
        {"space parity", [](SerialLineState& s) { s.parity = 4; }, 0},
        {"two stop bits", [](SerialLineState& s) { s.stopBits = 2; }, 0},
        {"1.5 stop bits", [](SerialLineState& s) { s.stopBits = 1; }, 0},
        {"DTR handshake", [](SerialLineState& s) { s.dtrControl = 2; }, 0},
        {"RTS toggle", [](SerialLineState& s) { s.rtsControl = 3; }, 0},
        {"both flows", [](SerialLineState& s) { s.outxDsrFlow = s.outxCtsFlow = 1; }, 0},
        {"rate 0", [](SerialLineState& s) { s.baudRate = 0; }, kErrorBaudRate},
        {"rate 0 and 9 bits", [](SerialLineState& s) { s.baudRate = 0; s.byteSize = 9; }, kErrorBaudRate},
        {"4 bits", [](SerialLineState& s) { s.byteSize = 4; }, kErrorByteSize},
        {"9 bits", [](SerialLineState& s) { s.byteSize = 9; }, kErrorByteSize},
        {"parity 5", [](SerialLineState& s) { s.parity = 5; }, kErrorParity},
        {"stop bits 3", [](SerialLineState& s) { s.stopBits = 3; }, kErrorStopBits},
        {"DTR control 3", [](SerialLineState& s) { s.dtrControl = 3; }, kErrorDtrControl},
    };
    for (const auto& row : rows) {
        SerialLineState s = kDefaults;
        row.change(s);
        EXPECT_EQ(lineSettingRefusal(s), row.code) << row.label;
    }
    const struct { int code; const char* text; } texts[] = {
        {kErrorBaudRate, "The baud rate is not valid"},
        {kErrorByteSize, "The byte size must be 5, 6, 7 or 8"},
        {kErrorParity, "The parity setting is not valid"},
        {kErrorStopBits, "The stop bits setting is not valid"},
        {kErrorDtrControl, "The DTR control setting is not valid"},
        {0, ""}, {5, ""}, {0x20000000, ""}, {kFirstPlatformLineSettingError, ""}};
    for (const auto& row : texts) {
        EXPECT_STREQ(lineSettingRefusalText(row.code), row.text) << row.code;
        if (*row.text) {
            EXPECT_EQ(row.code & 0xE0000000, 0x20000000) << "an application's code on Windows, above every errno";
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
        const SerialLineState s {row.baud, row.bits, row.parity, row.stop};
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

// A caller may hand over a buffer that held an earlier frame: nothing of it may stay.
TEST(Frames, ProdFrameLeavesNothingOfAReusedBuffer)
{
    const quint8 payload[3] = {1, 2, 3};
    quint8 fresh[frames::kProdHeadSize + 3] = {}, reused[sizeof fresh];
    std::memset(reused, 0xA5, sizeof reused);
    ASSERT_EQ(frames::encodeProdSetData(2, 1, 0x01020304, payload, 3, fresh), sizeof fresh);
    ASSERT_EQ(frames::encodeProdSetData(2, 1, 0x01020304, payload, 3, reused), sizeof fresh);
    EXPECT_EQ(0, std::memcmp(fresh, reused, sizeof fresh));
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
