// Every failure of a device operation, driven through the simulated switch (and, where a
// pseudo-terminal cannot fail that way, through the recording layer): the exact text reaches
// the caller, the port is closed, busy is cleared, and records before the failure stay.

#include <QElapsedTimer>
#include <cerrno>
#include <functional>
#include <gtest/gtest.h>

#include "apppreferences.h"
#include "device_test_support.h"
#include "recording_serial_api.h"
#include "testable_handler.h"

namespace {

enum class Op { GetInfo, ProdSetData };

struct FailureRow
{
    const char* label;
    Op op;
    std::function<void(kmsim::SimOptions&)> simulate; // null: no switch at all
    std::function<void(RecordingSerialApi&)> inject;
    std::function<void()> prefer;
    const char* expected;
    int recordsBefore;   // records that must stay appended
    bool purged;         // both queues purged after a failed read
    qint64 minMs = 0;    // the protocol's own waits, with generous bounds
};

void PrintTo(const FailureRow& row, std::ostream* os)
{
    *os << row.label;
}

class OperationFailure : public ::testing::TestWithParam<FailureRow> {};

TEST_P(OperationFailure, ReachesCallerAndLeavesNothingOpen)
{
    const FailureRow& row = GetParam();
    resetPreferences();
    if (row.prefer)
        row.prefer();

    std::unique_ptr<kmsim::SwitchSimulator> sim;
    if (row.simulate) {
        kmsim::SimOptions o;
        row.simulate(o);
        sim = startSwitch(o);
    }
    RecordingSerialApi seam;
    if (row.inject)
        row.inject(seam);

    TestableHandler handler;
    const int descriptors = openDescriptorCount();
    QElapsedTimer timer;
    timer.start();

    QString error;
    bool ok = true;
    QList<InfoRecord> records;
    ProdDataRequest request;
    request.param = kProdDataConfigParam;
    request.kind = kProdDataConfigKind;
    request.payload = QByteArray(920, '\x5c');
    request.size = 920;
    request.status = 0xEE;
    if (row.op == Op::GetInfo)
        ok = handler.getInfo(records, error);
    else
        ok = handler.prodSetData(request, error);
    const qint64 elapsed = timer.elapsed();

    EXPECT_FALSE(ok);
    EXPECT_EQ(error.toStdString(), std::string(row.expected));
    EXPECT_EQ(handler.error(), error) << "the text is also the object's last error";
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(handler.handle(), 0);
    EXPECT_EQ(records.size(), row.recordsBefore);
    for (int i = 0; i < records.size(); ++i)
        EXPECT_EQ(records[i].index, i);
    EXPECT_EQ(request.status, 0xEEu) << "a failed write stores no status";

    int goodOpens = 0;
    for (const SerialCall& c : seam.callsOf(SerialCall::Open))
        goodOpens += c.ok ? 1 : 0;
    EXPECT_EQ(seam.count(SerialCall::Close), goodOpens) << "every opened port is closed";
    if (sim && sim->hungUp()) {
        // The simulator closed its own ends; nothing of ours may still point at the line.
        EXPECT_EQ(descriptorsOn(sim->slavePath()), 0) << "no descriptor leaked";
    } else {
        EXPECT_EQ(openDescriptorCount(), descriptors) << "no descriptor leaked";
    }

    bool purgedAll = false;
    for (const SerialCall& c : seam.callsOf(SerialCall::Purge))
        purgedAll = purgedAll || c.value == 0x0F;
    EXPECT_EQ(purgedAll, row.purged);
    EXPECT_GE(elapsed, row.minMs);
    EXPECT_LT(elapsed, row.minMs + 2500) << "no wait beyond the protocol's own";
}

using F = kmsim::Fault;

auto fault(F kind, int at, int cutAfter = 1)
{
    return [=](kmsim::SimOptions& o) {
        o.fault = kind;
        o.faultAt = at;
        o.cutAfter = cutAfter;
    };
}

auto healthy()
{
    return [](kmsim::SimOptions&) {};
}

auto failing(SerialCall::Kind kind)
{
    return [=](RecordingSerialApi& s) { s.failCalls(kind, EIO); };
}

const FailureRow kGetInfoRows[] = {
    {"port number 0", Op::GetInfo, healthy(), nullptr, [] { pref::iDeviceCom = 0; },
     "Device port number is invalid", 0, false},
    {"port number -3", Op::GetInfo, healthy(), nullptr, [] { pref::iDeviceCom = -3; },
     "Device port number is invalid", 0, false},
    {"no such port, also after the retry", Op::GetInfo, nullptr, nullptr, nullptr,
     "No such file or directory", 0, false, 1900},
    {"port held elsewhere, also after the retry", Op::GetInfo,
     [](kmsim::SimOptions& o) { o.busyMs = 8000; }, nullptr, nullptr,
     "Device or resource busy", 0, false, 1900},
    {"GetCommState fails", Op::GetInfo, healthy(), failing(SerialCall::GetLine), nullptr,
     "Cannot get COMMSTATE, error : Input/output error", 0, false},
    {"SetCommState refuses 1.5 stop bits", Op::GetInfo, healthy(), nullptr,
     [] { pref::iComStopBits = 1; },
     "Cannot set COMMSTATE, error : One and a half stop bits are not supported on Linux", 0,
     false},
    {"SetCommState refuses DSR flow", Op::GetInfo, healthy(), nullptr,
     [] { pref::iComDsrFlow = 1; },
     "Cannot set COMMSTATE, error : DSR output flow control is not supported on Linux", 0,
     false},
    {"GetCommTimeouts fails", Op::GetInfo, healthy(), failing(SerialCall::GetTimeouts), nullptr,
     "Cannot GET COMMTIMEOUTS, error : Input/output error", 0, false},
    {"SetCommTimeouts fails", Op::GetInfo, healthy(), failing(SerialCall::SetTimeouts), nullptr,
     "Cannot SET COMMTIMEOUTS, error : Input/output error", 0, false},
    {"switch silent at the first record", Op::GetInfo, fault(F::Silence, 0), nullptr, nullptr,
     "COM port read failed by timeout", 0, true, 1000},
    {"switch silent at record 3", Op::GetInfo, fault(F::Silence, 3), nullptr, nullptr,
     "COM port read failed by timeout", 3, true, 1000},
    {"one byte of the reply", Op::GetInfo, fault(F::Cut, 0, 1), nullptr, nullptr,
     "COM port read failed by timeout", 0, true, 1000},
    {"long reply cut after 30 bytes at record 2", Op::GetInfo, fault(F::Cut, 2, 30), nullptr,
     nullptr, "COM port read failed by timeout", 2, true, 1000},
    {"switch hangs up mid-reply at record 6", Op::GetInfo, fault(F::HangUp, 6, 10), nullptr,
     nullptr, "COM port read failed by timeout", 6, true, 1000},
    {"ReadFile fails", Op::GetInfo, healthy(), failing(SerialCall::Read), nullptr,
     "COM port read failed with error : Input/output error", 0, true},
    {"ReadFile returns fewer bytes", Op::GetInfo, healthy(),
     [](RecordingSerialApi& s) { s.shortenReads(1); }, nullptr,
     "COM port read failed by timeout", 0, true},
    {"WriteFile fails", Op::GetInfo, healthy(), failing(SerialCall::Write), nullptr,
     "Write failed with error : Input/output error", 0, false},
    {"wrong magic at record 5", Op::GetInfo, fault(F::WrongMagic, 5), nullptr, nullptr,
     "Invalid magic number detected in read stream value", 5, false},
    {"length 17 at record 4", Op::GetInfo, fault(F::WrongLength, 4), nullptr, nullptr,
     "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 17 bytes", 4, false},
    {"length 0 at record 0", Op::GetInfo,
     [](kmsim::SimOptions& o) { o.fault = F::WrongLength; o.infoLength = 0; }, nullptr,
     nullptr, "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 0 bytes", 0,
     false},
    {"length 60 at record 31", Op::GetInfo,
     [](kmsim::SimOptions& o) { o.fault = F::WrongLength; o.faultAt = 31; o.infoLength = 60; },
     nullptr, nullptr,
     "Invalid data length of GET_INFO structure. Expected : 18 bytes, got 60 bytes", 31, false},
};

const FailureRow kProdRows[] = {
    {"port number 0", Op::ProdSetData, healthy(), nullptr, [] { pref::iDeviceCom = 0; },
     "Device port number is invalid", 0, false},
    {"port held elsewhere", Op::ProdSetData, [](kmsim::SimOptions& o) { o.busyMs = 8000; },
     nullptr, nullptr, "Device or resource busy", 0, false, 1900},
    {"GetCommState fails", Op::ProdSetData, healthy(), failing(SerialCall::GetLine), nullptr,
     "Cannot get COMMSTATE, error : Input/output error", 0, false},
    {"SetCommTimeouts fails", Op::ProdSetData, healthy(), failing(SerialCall::SetTimeouts),
     nullptr, "Cannot SET COMMTIMEOUTS, error : Input/output error", 0, false},
    {"switch silent", Op::ProdSetData, fault(F::Silence, 0), nullptr, nullptr,
     "COM port read failed by timeout", 0, true, 1000},
    {"switch hangs up", Op::ProdSetData, fault(F::HangUp, 0, 0), nullptr, nullptr,
     "COM port read failed by timeout", 0, true, 1000},
    {"answer starts with 00", Op::ProdSetData, fault(F::WrongMagic, 0), nullptr, nullptr,
     "Invalid magic number detected in COM response on PROD_SET_DATA", 0, false},
    {"answer starts with AA", Op::ProdSetData,
     [](kmsim::SimOptions& o) { o.fault = F::WrongMagic; o.wrongMagic = 0xAA; }, nullptr,
     nullptr, "Invalid magic number detected in COM response on PROD_SET_DATA", 0, false},
    {"WriteFile fails", Op::ProdSetData, healthy(), failing(SerialCall::Write), nullptr,
     "Write failed with error : Input/output error", 0, false},
};

INSTANTIATE_TEST_SUITE_P(GetInfo, OperationFailure, ::testing::ValuesIn(kGetInfoRows));
INSTANTIATE_TEST_SUITE_P(ProdSetData, OperationFailure,
                         ::testing::ValuesIn(kProdRows));

TEST(OperationFailure, ShortWriteIsAWriteFailure)
{
    resetPreferences();
    auto sim = startSwitch({});
    RecordingSerialApi seam;
    seam.shortenWrites(1);
    seam.setLastError(EAGAIN); // whatever the system last said is what the text carries
    TestableHandler handler;
    QList<InfoRecord> records;
    QString error;
    EXPECT_FALSE(handler.getInfo(records, error));
    EXPECT_EQ(error, QStringLiteral("Write failed with error : Resource temporarily unavailable"));
    EXPECT_EQ(seam.count(SerialCall::Write), 1) << "the first short piece ends the run";
    EXPECT_EQ(seam.count(SerialCall::Purge), 0) << "a failed write purges nothing";
    EXPECT_EQ(seam.count(SerialCall::Close), 1);
}

TEST(OperationFailure, OversizedPayloadIsRefusedBeforeThePort)
{
    resetPreferences();
    auto sim = startSwitch({});
    RecordingSerialApi seam;
    TestableHandler handler;
    ProdDataRequest request;
    request.payload = QByteArray(4089, '\x01');
    QString error;
    EXPECT_FALSE(handler.prodSetData(request, error));
    EXPECT_EQ(error, QStringLiteral("Payload of PROD_SET_DATA is too large. Maximum : 4088 "
                                    "bytes, got 4089 bytes"));
    EXPECT_EQ(seam.count(SerialCall::Open), 0);
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(sim->receivedCount(), 0);
}

TEST(OperationFailure, FailedTimeoutsPutTheLineSettingsBack)
{
    resetPreferences();
    auto sim = startSwitch({});
    SerialPortApi& system = systemSerialPortApi();
    const SerialHandle h = system.open(QStringLiteral("\\\\.\\COM%1").arg(kTestCom));
    ASSERT_NE(h, kInvalidSerialHandle);
    SerialLineState before;
    ASSERT_TRUE(system.getLineState(h, before));
    ASSERT_TRUE(system.close(h));
    ASSERT_NE(before.baudRate, 19200u);
    pref::iComBaudrate = 19200;

    for (SerialCall::Kind kind : {SerialCall::GetTimeouts, SerialCall::SetTimeouts}) {
        RecordingSerialApi seam;
        seam.failCalls(kind, EIO);
        TestableHandler handler;
        QList<InfoRecord> records;
        QString error;
        EXPECT_FALSE(handler.getInfo(records, error));
        const QList<SerialCall> sets = seam.callsOf(SerialCall::SetLine);
        ASSERT_EQ(sets.size(), 2);
        EXPECT_EQ(sets[0].state.baudRate, 19200u);
        EXPECT_EQ(sets[1].state, seam.callsOf(SerialCall::GetLine).value(0, SerialCall(SerialCall::GetLine)).state)
            << "the settings read first go back";

        const SerialHandle again = system.open(QStringLiteral("\\\\.\\COM%1").arg(kTestCom));
        ASSERT_NE(again, kInvalidSerialHandle);
        SerialLineState after;
        ASSERT_TRUE(system.getLineState(again, after));
        ASSERT_TRUE(system.close(again));
        EXPECT_EQ(after.baudRate, before.baudRate) << "the port keeps the rate it had";
    }
}

} // namespace
