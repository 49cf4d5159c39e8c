// COMHandler256 against a switch on the in-memory line: the exchanges in their order, what lands
// in the records and at the switch, every failure with its text, the open retry, and a line
// that takes time or takes nothing. Runs on every platform; the system texts expected are the
// platform's own for the codes its layer gives (platform_codes.h).

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "app_preferences.h"
#include "handler_test_support.h"
#include "memory_line.h"
#include "platform_codes.h"
#include "serial_device_enumerator.h"

namespace {

using Fault = kmsim::Fault;

// The system's text for `code`, as the handler quotes it.
std::string systemText(int code)
{
    return serialPortApi().errorText(code).remove(QLatin1Char('\r')).remove(QLatin1Char('\n')).toStdString();
}

// The calls without the waits for a reply, whose coming depends on timing.
QStringList withoutWaits(const SerialTrace& trace) { return trace.lines().filter(QRegularExpression("^(?!poll )")); }

// The calls of one operation on the default line at `baud`, around its exchanges. A write may
// take 2 ms a byte at 9600 baud and 1 ms above, plus a second.
QStringList operationTrace(const QStringList& exchanges, int baud = 9600)
{
    return QStringList {"open \\\\.\\COM201", "get-line", QStringLiteral("set-line %1 8 0 0 dtr 1 rts 1 dsr 0 cts 0").arg(baud),
                        "get-timeouts", QStringLiteral("set-timeouts 5000 1 5000 %1 1000").arg(baud < 10000 ? 2 : 1)}
        + exchanges + QStringList {"close"};
}

// A GET_INFO run as the switch answers it: a long reply's bytes 8..25 land in the record as they
// came (the packed record, on a little-endian host), a short reply gives only its status, and
// the emulated switch answers without the port.
TEST(GetInfo, ThirtyTwoExchangesFillTheRecords)
{
    const QByteArray deadBeef = QByteArray::fromHex("efbeaddeefbeaddeefbeadde");
    const struct { const char* label; bool shortInfo, emulate; std::function<QByteArray(int)> record; } rows[] = {
        {"long", false, false, [](int i) { return char(i) + memorySwitchInfoReply(quint8(i), 4).mid(8, 18) + '\0'; }},
        {"short", true, false, [](int i) { return char(i) + QByteArray(18, 0) + '\t'; }},
        {"emulated", false, true, [&](int i) {
             return char(i) + (i > 2 ? QByteArray(18, 0) : "\x0f" + QByteArray(1, char(i)) + char(10 * (i + 1)) + QByteArray(3, 0) + deadBeef) + '\0';
         }}};
    for (const auto& row : rows) {
        resetPreferences(row.emulate ? 209 : kTestCom); // the emulated switch has no port
        pref::bEmulateDevice = row.emulate;
        MemoryLine line;
        kmsim::SimOptions sw;
        sw.shortInfo = row.shortInfo;
        sw.infoStatus = 9;
        line.addPort(kTestCom, sw);
        SerialTrace trace;
        TestableHandler handler;
        QList<int> done;
        handler.setProgress([&](const DeviceProgress& p) { done << p.done + 100 * p.stage + 1000 * p.total; });
        QList<InfoRecord> records {InfoRecord {}}; // the caller's list keeps what it had
        QString error;
        ASSERT_TRUE(handler.getInfo(records, error)) << row.label << ": " << error.toStdString();
        ASSERT_EQ(records.size(), 33) << row.label;
        QStringList exchanges;
        for (int i = 0; i < 32; ++i) {
            EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&records[i + 1]), 20).toHex(), row.record(i).toHex()) << row.label;
            exchanges << "write 60" << "sleep 10" << "read 2"; // request, pause, the reply's head
            if (!row.shortInfo)
                exchanges << "read 58";
        }
        QList<QByteArray> expectedFrames;
        for (int i = 0; i < 32 && !row.emulate; ++i) // header, record index, zeros
            expectedFrames << QByteArray::fromHex("aa05000000003c00") + char(i) + QByteArray(51, 0);
        EXPECT_EQ(line.frames(kTestCom), expectedFrames) << row.label;
        EXPECT_EQ(withoutWaits(trace), row.emulate ? QStringList() : operationTrace(exchanges)) << row.label;
        EXPECT_EQ(done.size(), row.emulate ? 0 : 32);
        EXPECT_EQ(done.value(0) + done.value(31), row.emulate ? 0 : 2 * 32000 + 1 + 32);
        EXPECT_EQ(switchPortCount(records[1]), row.emulate ? 14 : row.shortInfo ? 0 : 4);
        EXPECT_TRUE(!handler.isBusy() && handler.handle() == 0 && line.openHandles() == 0) << row.label;
    }
}

// The rows on a paced line take a switch that answers 200 ms after the frame: the 936 bytes
// need 975 ms on the wire at 9600 baud, and the reply's budget starts only after them.
TEST(ProdSetData, FrameGoesOutInPiecesOfSixtyAndTheStatusIsKept)
{
    const struct { int size; quint8 status; quint32 stored; int baud; } rows[] = {
        {920, 7, 7, 9600}, {920, 2, 0xEE, 115200} /* 2 is never stored */, {44, 0, 0, 0}, {4088, 1, 1, 0}};
    for (const auto& row : rows) {
        resetPreferences();
        pref::bEmulateDevice = row.size == 44; // emulation never spares the real port
        MemoryLine line;
        kmsim::SimOptions sw;
        sw.prodStatus = row.status;
        sw.baud = unsigned(row.baud);
        sw.replyDelayMs = row.baud ? 200 : 0;
        pref::iComBaudrate = row.baud ? row.baud : 9600;
        line.addPort(kTestCom, sw);
        SerialTrace trace;
        TestableHandler handler;
        QStringList progress;
        handler.setProgress([&](const DeviceProgress& p) {
            progress << QStringLiteral("%1 %2/%3").arg(p.stage).arg(p.done).arg(p.total);
        });
        ProdDataRequest request = configRequest(row.size);
        request.size = 920; // stated, not used
        request.index = 3;
        request.status = 0xEE;
        QString error;
        ASSERT_TRUE(handler.prodSetData(request, error)) << error.toStdString();
        EXPECT_EQ(request.status, row.stored);
        QStringList exchange;
        for (int left = row.size + 16; left > 0; left -= 60)
            exchange << QStringLiteral("write %1").arg(qMin(left, 60));
        // Progress follows the frame on the line, whatever the driver took at once: it never
        // falls back, starts before the first piece can have left the line, reaches the whole
        // frame, and only then turns to the wait for the answer.
        const int frameSize = row.size + 16;
        ASSERT_GE(progress.size(), 2);
        EXPECT_EQ(progress.mid(progress.size() - 2), QStringList({QStringLiteral("1 %1/%1").arg(frameSize), "2 0/0"}));
        EXPECT_EQ(progress.first(), QStringLiteral("1 0/%1").arg(frameSize)) << "every write starts from nothing on the line";
        for (int i = 1; i + 1 < progress.size(); ++i)
            EXPECT_LE(progress[i - 1].section('/', 0, 0).mid(2).toInt(), progress[i].section('/', 0, 0).mid(2).toInt());
        exchange << "read 2"; // nothing but the frame's own time on the line before the answer is looked for
        EXPECT_EQ(withoutWaits(trace).filter(QRegularExpression("^(?!sleep )")), operationTrace(exchange, pref::iComBaudrate))
            << row.size;
        ASSERT_EQ(line.frames(kTestCom).size(), 1);
        const QByteArray frame = line.frames(kTestCom)[0];
        EXPECT_EQ(frame.left(6).toHex(), QByteArray("aa0e00000000"));
        EXPECT_EQ(quint8(frame[6]) | quint8(frame[7]) << 8, row.size + 8);
        EXPECT_EQ(frame.mid(8, 8).toHex(), QByteArray("0302000000800008")) << "index, kind, param";
        EXPECT_EQ(frame.mid(16), request.payload);
    }
}

// The primitives: each line setting from its preference cut to its field's width, writes in
// pieces of 60, no configuring without a port, and the plain path of ports below 10 (COM1).
TEST(Primitives, LineSettingsPiecesAndPaths)
{
    resetPreferences();
    pref::iComBaudrate = 19200;
    pref::iComByteSize = 0x107;
    pref::iComParity = 0x102;
    pref::iComStopBits = 0x100;
    pref::iComDtrControl = 0x4;
    pref::iComRtsControl = 0x6;
    pref::iComDsrFlow = 0x2;
    pref::iComCtsFlow = 0x3;
    MemoryLine line;
    line.addPort(kTestCom);
    line.addPort(1);
    SerialTrace trace;
    TestableHandler handler;
    ASSERT_TRUE(handler.openPort() && handler.configurePort()) << handler.error().toStdString();
    const QByteArray junk(200, '\x01'); // no frame start: the switch drops it
    for (int length : {0, -5, 61, 121})
        EXPECT_TRUE(handler.writeAll(junk.constData(), length));
    handler.closePort();
    EXPECT_EQ(trace.lines().mid(2, 6), (QStringList {"set-line 19200 7 2 0 dtr 0 rts 2 dsr 0 cts 1", "get-timeouts",
                                                     "set-timeouts 5000 1 5000 1 1000", "write 60", "write 1", "write 60"}));
    EXPECT_EQ(trace.lines().mid(8), (QStringList {"write 60", "write 1", "close"}));
    EXPECT_FALSE(handler.configurePort());
    EXPECT_EQ(handler.error(), QStringLiteral("Port handle is invalid"));
    pref::iDeviceCom = 1;
    EXPECT_TRUE(handler.openPort()) << handler.error().toStdString();
    handler.closePort();
    EXPECT_EQ(trace.lines().mid(11), (QStringList {"open COM1", "close"}));
    EXPECT_EQ(line.openHandles(), 0);
}

enum class Op { GetInfo, ProdSetData };

struct FailureRow
{
    const char* label;
    Op op;
    std::function<void(kmsim::SimOptions&)> setUp; // the switch and the preferences; null: as they come
    std::function<void(SerialTrace&)> inject;       // calls that fail or come up short
    const char* expected;     // its "%1" the system's text for *code
    const int* code;
    DeviceFailure where;
    int recordsKept;
    bool purged;      // both queues purged after a failed read
    qint64 minMs = 0; // the protocol's own waits
    int payload = 920;
};

void PrintTo(const FailureRow& row, std::ostream* os)
{
    *os << row.label;
}

class Failure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(Failure, ReachesTheCallerAndLeavesNothingOpen)
{
    const FailureRow& row = GetParam();
    resetPreferences();
    kmsim::SimOptions sw;
    if (row.setUp)
        row.setUp(sw);
    MemoryLine line;
    line.addPort(kTestCom, sw);
    SerialTrace trace;
    if (row.inject)
        row.inject(trace);
    TestableHandler handler;
    QElapsedTimer timer;
    timer.start();
    QString error;
    QList<InfoRecord> records;
    ProdDataRequest request = configRequest(row.payload);
    request.status = 0xEE;
    const bool ok = row.op == Op::GetInfo ? handler.getInfo(records, error)
                                          : handler.prodSetData(request, error);
    const qint64 elapsed = timer.elapsed();

    EXPECT_FALSE(ok);
    const QString expected = QString::fromLatin1(row.expected);
    const QString text = row.code ? expected.arg(QString::fromStdString(systemText(*row.code))) : expected;
    EXPECT_EQ(error.toStdString(), text.toStdString());
    EXPECT_EQ(handler.error(), error);
    EXPECT_EQ(handler.lastFailure(), row.where);
    EXPECT_TRUE(!handler.isBusy() && handler.handle() == 0) << "busy cleared, port closed";
    EXPECT_EQ(records.size(), row.recordsKept);
    for (int i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].index, i);
    EXPECT_EQ(request.status, 0xEEu);
    EXPECT_EQ(line.openHandles(), 0) << "every port opened is closed";
    EXPECT_EQ(trace.count("purge 15"), row.purged ? 1 : 0);
    // A line set up but left without its time-outs gets its own settings back.
    if (expected.contains("COMMTIMEOUTS")) {
        EXPECT_EQ(line.lineOf(kTestCom), MemoryLine::factoryLine());
        EXPECT_EQ(trace.count("set-line"), 2);
    }
    EXPECT_TRUE(trace.count("poll 10") > 0 || !row.purged || row.minMs < 1000) << "a reply is waited for in 10 ms polls";
    EXPECT_GE(elapsed, row.minMs);
    EXPECT_LT(elapsed, row.minMs + 2500) << "no wait beyond the protocol's own";
}

auto fault(Fault kind, int at, int cutAfter = 1)
{
    return [=](kmsim::SimOptions& s) {
        s.fault = kind;
        s.faultAt = at;
        s.cutAfter = cutAfter;
    };
}

auto failing(const char* call)
{
    return [=](SerialTrace& t) { t.fail(QString::fromLatin1(call), platform_codes::kDeviceFailed); };
}

using Options = kmsim::SimOptions;
const char* const kReadTimeout = "COM port read failed by timeout";
const int* const kFailed = &platform_codes::kDeviceFailed;
const int* const kTimedOut = &platform_codes::kTimedOut;

const FailureRow kFailures[] = {
    {"port number 0", Op::GetInfo, [](Options&) { pref::iDeviceCom = 0; }, nullptr, "Device port number is invalid", nullptr, DeviceFailure::PortNumber, 0, false},
    {"no such port, also after the retry", Op::GetInfo, [](Options&) { pref::iDeviceCom = 208; }, nullptr, "%1", &platform_codes::kNoSuchPort, DeviceFailure::Open, 0, false, 1900},
    {"held elsewhere, also after the retry", Op::GetInfo, [](Options& s) { s.busyMs = 8000; }, nullptr, "%1", &platform_codes::kPortBusy, DeviceFailure::Open, 0, false, 1900},
    {"GetCommState fails", Op::GetInfo, nullptr, failing("get-line"), "Cannot get COMMSTATE, error : %1", kFailed, DeviceFailure::Configure, 0, false},
    {"SetCommState refuses DTR control 3", Op::ProdSetData, [](Options&) { pref::iComDtrControl = 3; }, nullptr,
     "Cannot set COMMSTATE, error : The DTR control setting is not valid", nullptr, DeviceFailure::Configure, 0, false},
    {"GetCommTimeouts fails", Op::GetInfo, nullptr, failing("get-timeouts"), "Cannot GET COMMTIMEOUTS, error : %1", kFailed, DeviceFailure::Configure, 0, false},
    {"SetCommTimeouts fails", Op::ProdSetData, nullptr, failing("set-timeouts"), "Cannot SET COMMTIMEOUTS, error : %1", kFailed, DeviceFailure::Configure, 0, false},
    {"silent at record 3", Op::GetInfo, fault(Fault::Silence, 3), nullptr, kReadTimeout, nullptr, DeviceFailure::Read, 3, true, 1000},
    {"silent after the image", Op::ProdSetData, fault(Fault::Silence, 0), nullptr, kReadTimeout, nullptr, DeviceFailure::Read, 0, true, 1000},
    {"long reply cut after 30 bytes at record 2", Op::GetInfo, fault(Fault::Cut, 2, 30), nullptr, kReadTimeout, nullptr, DeviceFailure::Read, 2, true, 1000},
    {"hang-up mid-reply at record 6", Op::GetInfo, fault(Fault::HangUp, 6, 10), nullptr, kReadTimeout, nullptr, DeviceFailure::HangUp, 6, true},
    {"ReadFile fails", Op::GetInfo, nullptr, failing("read"), "COM port read failed with error : %1", kFailed, DeviceFailure::Read, 0, true},
    {"ReadFile returns fewer bytes", Op::GetInfo, nullptr, [](SerialTrace& t) { t.shorten(0, 1); }, kReadTimeout, nullptr, DeviceFailure::Read, 0, true},
    {"WriteFile fails", Op::GetInfo, nullptr, failing("write"), "Write failed with error : %1", kFailed, DeviceFailure::Write, 0, false},
    {"WriteFile writes short", Op::ProdSetData, nullptr, [](SerialTrace& t) { t.shorten(1, 0, platform_codes::kTimedOut); },
     "Write failed with error : %1", kTimedOut, DeviceFailure::Write, 0, false},
    {"wrong magic at record 5", Op::GetInfo, fault(Fault::WrongMagic, 5), nullptr, "Invalid magic number detected in read stream value", nullptr, DeviceFailure::Reply, 5, false},
    {"length 17 at record 4", Op::GetInfo, fault(Fault::WrongLength, 4), nullptr,
     "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 17 bytes", nullptr, DeviceFailure::Reply, 4, false},
    {"length 60 at record 31", Op::GetInfo, [](Options& s) { fault(Fault::WrongLength, 31)(s); s.infoLength = 60; }, nullptr,
     "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 60 bytes", nullptr, DeviceFailure::Reply, 31, false},
    {"9600 baud, answer 1500 ms after the frame", Op::ProdSetData, [](Options& s) { s.baud = 9600; s.replyDelayMs = 1500; }, nullptr,
     kReadTimeout, nullptr, DeviceFailure::Read, 0, true, 1975},
    {"115200 baud, answer 1500 ms after the frame", Op::ProdSetData,
     [](Options& s) { s.baud = 115200; s.replyDelayMs = 1500; pref::iComBaudrate = 115200; }, nullptr, kReadTimeout, nullptr, DeviceFailure::Read, 0, true, 1080},
    {"a switch at another rate hears noise", Op::GetInfo, [](Options& s) { s.baud = 19200; }, nullptr, kReadTimeout, nullptr, DeviceFailure::Read, 0, true, 1000},
    // A line that takes nothing: the first piece may take 60 x 2 ms and a second, not for ever.
    {"stalled line", Op::ProdSetData, [](Options& s) { s.stall = true; }, nullptr, "Write failed with error : %1", kTimedOut, DeviceFailure::Write, 0, false, 1100},
    {"payload above 4088 bytes, refused before the port", Op::ProdSetData, nullptr, nullptr,
     "Payload of PROD_SET_DATA is too large. Maximum : 4088 bytes, got 4089 bytes", nullptr, DeviceFailure::Payload, 0, false, 0, 4089},
    {"answer starts with 00", Op::ProdSetData, fault(Fault::WrongMagic, 0), nullptr,
     "Invalid magic number detected in COM response on PROD_SET_DATA", nullptr, DeviceFailure::Reply, 0, false},
};

INSTANTIATE_TEST_SUITE_P(Rows, Failure, ::testing::ValuesIn(kFailures));

// ---- the open retry ----

TEST(OpenRetry, DuringTheWaitASecondOperationIsRefusedAndTheFreedPortIsUsed)
{
    resetPreferences();
    MemoryLine line;
    kmsim::SimOptions held;
    held.busyMs = 1200; // free well after the calls at 300 ms and well before the retry at 2000
    line.addPort(kTestCom, held);
    SerialTrace trace;
    TestableHandler handler;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);
    QElapsedTimer timer;
    timer.start();
    QString infoError, prodError, lastErrorDuringWait, otherError;
    bool busyDuringWait = false, probeResult = true, otherOk = false;
    int probeEmissions = 0;
    QTimer::singleShot(300, [&] {
        busyDuringWait = handler.isBusy();
        QList<InfoRecord> inner;
        handler.getInfo(inner, infoError);
        ProdDataRequest request = configRequest(920);
        handler.prodSetData(request, prodError);
        lastErrorDuringWait = handler.error();
        const int before = connected.size();
        handler.onSerialListChanged({QStringLiteral("COM201")}); // its own handle, no retry
        probeEmissions = connected.size() - before;
        probeResult = connected.last()[0].toBool();
    });
    // busy is per object: a fresh handler meets the same port, free again by now.
    QTimer::singleShot(1500, [&] {
        TestableHandler other;
        ProdDataRequest request = configRequest(920);
        otherOk = other.prodSetData(request, otherError);
    });
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    EXPECT_GE(timer.elapsed(), 1950) << "the second attempt comes after 2000 ms";
    // The operation's own opens: the first fails, the retry gets the port freed meanwhile (the
    // probe's and the other handler's come between).
    const QStringList opens = trace.lines().filter("open");
    EXPECT_EQ(opens.first(), "open \\\\.\\COM201 fail");
    EXPECT_EQ(opens.last(), "open \\\\.\\COM201");
    EXPECT_TRUE(busyDuringWait);
    EXPECT_EQ(infoError, QStringLiteral("COM operation is already in process"));
    EXPECT_EQ(prodError, QStringLiteral("COM operation is already in process"));
    EXPECT_TRUE(lastErrorDuringWait.isEmpty()) << "the refusal leaves the last error alone";
    EXPECT_EQ(probeEmissions, 1);
    EXPECT_FALSE(probeResult) << "still held at 300 ms";
    EXPECT_TRUE(otherOk) << otherError.toStdString();
    EXPECT_EQ(records.size(), 32) << "the first operation carries on";
    EXPECT_EQ(line.frames(kTestCom).size(), 33) << "one image between the 32 requests";
}

TEST(OpenRetry, OpenAfterTheWaitEndedIsNeverKept)
{
    resetPreferences();
    MemoryLine line;
    kmsim::SimOptions held;
    held.busyMs = 1000; // free again before the retry's moment
    line.addPort(kTestCom, held);
    TestableHandler handler;
    QObject::disconnect(SerialDeviceEnumerator::instance(), nullptr, &handler, nullptr);
    // Quitting the application leaves every running loop, the retry's wait among them. The
    // operation runs inside the application's own loop, as in the program, so that quitting
    // ends that loop too and nothing of it is left for later tests of this process.
    QList<InfoRecord> records;
    QString error;
    bool ok = true;
    QTimer::singleShot(0, [&] { ok = handler.getInfo(records, error); });
    QTimer::singleShot(300, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.toStdString(), systemText(platform_codes::kPortBusy));
    QTest::qWait(2500);
    EXPECT_EQ(handler.handle(), 0);
    EXPECT_EQ(line.openHandles(), 0);
}

} // namespace
