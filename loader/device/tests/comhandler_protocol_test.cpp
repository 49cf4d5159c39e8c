// The exchanges as they reach the switch: frames byte for byte, write pieces, the pause before
// a GET_INFO reply, the two-part read, the status byte, emulation, and the open retry.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>

#include "apppreferences.h"
#include "device_test_support.h"
#include "recording_serial_api.h"
#include "serialdeviceenumerator.h"
#include "testable_handler.h"

namespace {

QByteArray bytesOf(const std::vector<uint8_t>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size()));
}

std::vector<kmsim::FrameLog> receivedFrames(const kmsim::SwitchSimulator& sim)
{
    std::vector<kmsim::FrameLog> out;
    for (const kmsim::FrameLog& f : sim.frames()) {
        if (f.received)
            out.push_back(f);
    }
    return out;
}

QByteArray infoRequest(int index)
{
    QByteArray f(60, '\0');
    f[0] = char(0xAA);
    f[1] = 0x05;
    f[6] = 0x3C;
    f[8] = char(index);
    return f;
}

TEST(GetInfo, LongRepliesFillAllRecords)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.portCount = 4;
    auto sim = startSwitch(o);
    TestableHandler handler;
    QList<InfoRecord> records;
    records.append(InfoRecord {}); // a caller's list keeps what it had
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(records.size(), 33);
    records.removeFirst();

    for (int i = 0; i < 32; ++i) {
        const InfoRecord& r = records[i];
        const std::vector<uint8_t> reply = kmsim::longInfoReply(uint8_t(i), 4);
        EXPECT_EQ(r.index, i);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.infoA, reply[8]);
        EXPECT_EQ(r.infoB, reply[9]);
        EXPECT_EQ(quint32(r.infoWord), 0x11223300u | quint32(i)) << "little-endian";
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(r.infoBlock), 8),
                  bytesOf(reply).mid(14, 8));
        EXPECT_EQ(quint32(r.infoTail), 0xC0DE0000u | quint32(i));
    }
    EXPECT_EQ(switchPortCount(records[0]), 4) << "high nibble of record 0's first block byte";

    const auto frames = receivedFrames(*sim);
    ASSERT_EQ(frames.size(), 32u);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(bytesOf(frames[size_t(i)].bytes), infoRequest(i)) << "request " << i;
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(handler.handle(), 0);
}

TEST(GetInfo, ShortRepliesSetOnlyIndexAndStatus)
{
    resetPreferences();
    for (quint8 status : {quint8(0), quint8(9)}) {
        kmsim::SimOptions o;
        o.shortInfo = true;
        o.infoStatus = status;
        auto sim = startSwitch(o);
        TestableHandler handler;
        QList<InfoRecord> records;
        QString error;
        ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
        ASSERT_EQ(records.size(), 32);
        for (int i = 0; i < 32; ++i) {
            const InfoRecord& r = records[i];
            EXPECT_EQ(r.index, i);
            EXPECT_EQ(r.status, status);
            EXPECT_EQ(r.infoA | r.infoB, 0);
            EXPECT_EQ(quint32(r.infoWord) | quint32(r.infoTail), 0u);
            for (quint8 b : r.infoBlock)
                EXPECT_EQ(b, 0);
        }
        EXPECT_EQ(switchPortCount(records[0]), 0);
    }
}

TEST(GetInfo, EachExchangeWritesPausesThenReadsTwoThenFiftyEight)
{
    resetPreferences();
    auto sim = startSwitch({});
    RecordingSerialApi seam;
    TestableHandler handler;
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();

    // The line settings and time-outs from the preferences.
    const QList<SerialCall> sets = seam.callsOf(SerialCall::SetLine);
    ASSERT_EQ(sets.size(), 1);
    EXPECT_EQ(sets[0].state.baudRate, 9600u);
    EXPECT_EQ(sets[0].state.byteSize, 8);
    EXPECT_EQ(sets[0].state.parity, 0);
    EXPECT_EQ(sets[0].state.stopBits, 0);
    EXPECT_EQ(sets[0].state.dtrControl, 1);
    EXPECT_EQ(sets[0].state.rtsControl, 1);
    EXPECT_EQ(sets[0].state.outxDsrFlow, 0);
    EXPECT_EQ(sets[0].state.outxCtsFlow, 0);
    const QList<SerialCall> timeouts = seam.callsOf(SerialCall::SetTimeouts);
    ASSERT_EQ(timeouts.size(), 1);
    EXPECT_EQ(timeouts[0].timeouts.readIntervalTimeout, 5000u);
    EXPECT_EQ(timeouts[0].timeouts.readTotalTimeoutMultiplier, 1u);
    EXPECT_EQ(timeouts[0].timeouts.readTotalTimeoutConstant, 5000u);

    // Per exchange: one write of 60, a 10 ms pause before the reply is looked for, then a
    // read of 2 and a read of 58.
    const QList<SerialCall> calls = seam.calls();
    int exchanges = 0;
    for (int i = 0; i < calls.size(); ++i) {
        if (calls[i].kind != SerialCall::Write)
            continue;
        ++exchanges;
        EXPECT_EQ(calls[i].value, 60u);
        ASSERT_LT(i + 1, calls.size());
        EXPECT_EQ(calls[i + 1].kind, SerialCall::Sleep) << "pause right after the request";
        EXPECT_EQ(calls[i + 1].value, 10u);
        QList<quint32> reads;
        for (int j = i + 1; j < calls.size() && calls[j].kind != SerialCall::Write; ++j) {
            if (calls[j].kind == SerialCall::Read)
                reads.append(calls[j].value);
        }
        EXPECT_EQ(reads, (QList<quint32> {2u, 58u})) << "exchange " << exchanges;
    }
    EXPECT_EQ(exchanges, 32);
    EXPECT_EQ(seam.count(SerialCall::Purge), 0);
    EXPECT_EQ(seam.count(SerialCall::Open), 1);
    EXPECT_EQ(seam.count(SerialCall::Close), 1);
}

TEST(GetInfo, EmulationAnswersWithoutAPort)
{
    resetPreferences(209); // no such port
    pref::bEmulateDevice = true;
    RecordingSerialApi seam;
    TestableHandler handler;
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error));
    pref::bEmulateDevice = false;
    EXPECT_EQ(seam.calls().size(), 0) << "the port is not touched";
    ASSERT_EQ(records.size(), 32);
    const quint8 deadBeef[8] = {0xEF, 0xBE, 0xAD, 0xDE, 0xEF, 0xBE, 0xAD, 0xDE};
    for (int i = 0; i < 32; ++i) {
        const InfoRecord& r = records[i];
        EXPECT_EQ(r.index, i);
        EXPECT_EQ(r.status, 0);
        if (i <= 2) {
            EXPECT_EQ(r.infoA, 0x0F);
            EXPECT_EQ(r.infoB, i);
            EXPECT_EQ(quint32(r.infoWord), quint32(10 * (i + 1)));
            EXPECT_EQ(std::memcmp(r.infoBlock, deadBeef, 8), 0);
            EXPECT_EQ(quint32(r.infoTail), 0xDEADBEEFu);
        } else {
            EXPECT_EQ(r.infoA | r.infoB, 0);
            EXPECT_EQ(quint32(r.infoWord) | quint32(r.infoTail) | r.infoBlock[0], 0u);
        }
    }
    EXPECT_EQ(switchPortCount(records[0]), 14);
}

TEST(ProdSetData, ConfigImageGoesOutAsOneFrameInPiecesOfSixty)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.prodStatus = 7;
    auto sim = startSwitch(o);
    RecordingSerialApi seam;
    TestableHandler handler;
    const QByteArray image = testImage(920);
    ProdDataRequest request = configRequest(image);
    request.status = 0xEE;
    QString error;
    ASSERT_TRUE(handler.prodSetData(request, error)) << error.toStdString();
    EXPECT_EQ(request.status, 7u);

    QByteArray expected(16, '\0');
    expected[0] = char(0xAA);
    expected[1] = 0x0E;
    expected[6] = char(0xA0); // 928
    expected[7] = 0x03;
    expected[8] = 0;          // index
    expected[9] = 2;          // kind
    expected[12] = 0x00;      // param 0x08008000, little-endian
    expected[13] = char(0x80);
    expected[14] = 0x00;
    expected[15] = 0x08;
    expected += image;
    const auto frames = receivedFrames(*sim);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(bytesOf(frames[0].bytes).size(), 936);
    EXPECT_EQ(bytesOf(frames[0].bytes), expected);
    ASSERT_EQ(sim->images().size(), 1u);
    EXPECT_EQ(bytesOf(sim->images()[0]), image);

    QList<quint32> pieces;
    for (const SerialCall& c : seam.callsOf(SerialCall::Write))
        pieces.append(c.value);
    QList<quint32> fifteenAndOne;
    for (int i = 0; i < 15; ++i)
        fifteenAndOne.append(60);
    fifteenAndOne.append(36);
    EXPECT_EQ(pieces, fifteenAndOne);

    // No pause between the last piece and looking for the answer.
    const QList<SerialCall> calls = seam.calls();
    int lastWrite = -1;
    for (int i = 0; i < calls.size(); ++i) {
        if (calls[i].kind == SerialCall::Write)
            lastWrite = i;
    }
    ASSERT_GE(lastWrite, 0);
    ASSERT_LT(lastWrite + 1, calls.size());
    EXPECT_EQ(calls[lastWrite + 1].kind, SerialCall::QueueCount);
    const QList<SerialCall> reads = seam.callsOf(SerialCall::Read);
    ASSERT_EQ(reads.size(), 1);
    EXPECT_EQ(reads[0].value, 2u);
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(seam.count(SerialCall::Close), 1);
}

TEST(ProdSetData, StatusTwoIsNotStored)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.prodStatus = 2;
    auto sim = startSwitch(o);
    TestableHandler handler;
    ProdDataRequest request = configRequest(testImage(920));
    request.status = 0xEE;
    QString error;
    ASSERT_TRUE(handler.prodSetData(request, error)) << error.toStdString();
    EXPECT_EQ(request.status, 0xEEu);
}

TEST(ProdSetData, FrameFollowsThePayloadNotTheStatedSize)
{
    resetPreferences();
    auto sim = startSwitch({});
    RecordingSerialApi seam;
    TestableHandler handler;
    for (int size : {0, 44, 4088}) {
        seam.clear();
        ProdDataRequest request = configRequest(testImage(size));
        request.size = 920; // stated, not used
        request.index = 3;
        request.kind = 9;
        request.param = 0x01020304;
        QString error;
        ASSERT_TRUE(handler.prodSetData(request, error)) << size << error.toStdString();
        const auto frames = receivedFrames(*sim);
        ASSERT_FALSE(frames.empty());
        const QByteArray f = bytesOf(frames.back().bytes);
        ASSERT_EQ(f.size(), size + 16);
        EXPECT_EQ(quint8(f[6]) | (quint8(f[7]) << 8), size + 8);
        EXPECT_EQ(f.mid(8, 8), QByteArray::fromHex("0309000004030201"));
        EXPECT_EQ(f.mid(16), testImage(size));
        EXPECT_EQ(seam.count(SerialCall::Write), (size + 16 + 59) / 60);
    }
}

TEST(ProdSetData, EmulationStillUsesThePort)
{
    resetPreferences();
    pref::bEmulateDevice = true;
    auto sim = startSwitch({});
    TestableHandler handler;
    ProdDataRequest request = configRequest(testImage(920));
    QString error;
    const bool ok = handler.prodSetData(request, error);
    pref::bEmulateDevice = false;
    ASSERT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(sim->images().size(), 1u);
}

// ---- primitives ----

TEST(Primitives, WriteAllCutsIntoPiecesOfSixty)
{
    resetPreferences();
    auto sim = startSwitch({});
    TestableHandler handler;
    ASSERT_TRUE(handler.openPort());
    ASSERT_TRUE(handler.configurePort());
    RecordingSerialApi seam;
    const QByteArray junk(200, '\x01'); // no frame start: the switch ignores it
    const struct
    {
        int length;
        QList<quint32> pieces;
    } rows[] = {{0, {}}, {-5, {}}, {1, {1}}, {60, {60}}, {61, {60, 1}}, {120, {60, 60}},
                {121, {60, 60, 1}}};
    for (const auto& row : rows) {
        seam.clear();
        EXPECT_TRUE(handler.writeAll(junk.constData(), row.length));
        QList<quint32> pieces;
        for (const SerialCall& c : seam.callsOf(SerialCall::Write))
            pieces.append(c.value);
        EXPECT_EQ(pieces, row.pieces) << row.length;
    }
    handler.closePort();
    EXPECT_EQ(handler.handle(), 0);
}

TEST(Primitives, ReadExactTimesOutAfterOneSecondAndPurges)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.fault = kmsim::Fault::Cut;
    o.cutAfter = 1;
    auto sim = startSwitch(o);
    TestableHandler handler;
    ASSERT_TRUE(handler.openPort());
    ASSERT_TRUE(handler.configurePort());
    const QByteArray request = infoRequest(0);
    ASSERT_TRUE(handler.writeAll(request.constData(), request.size()));
    RecordingSerialApi seam;
    QElapsedTimer timer;
    timer.start();
    char buffer[2];
    EXPECT_FALSE(handler.readExact(buffer, 2));
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(handler.error(), QStringLiteral("COM port read failed by timeout"));
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 2000);
    // The one byte that came was seen, and both queues are empty afterwards.
    bool sawOne = false;
    for (const SerialCall& c : seam.callsOf(SerialCall::QueueCount))
        sawOne = sawOne || c.value == 1;
    EXPECT_TRUE(sawOne);
    const QList<SerialCall> purges = seam.callsOf(SerialCall::Purge);
    ASSERT_EQ(purges.size(), 1);
    EXPECT_EQ(purges[0].value, 0x0Fu);
    quint32 waiting = 99;
    ASSERT_TRUE(systemSerialPortApi().inputQueueCount(handler.handle(), waiting));
    EXPECT_EQ(waiting, 0u);
    EXPECT_EQ(seam.count(SerialCall::Read), 0) << "no read of bytes that are not there";
    handler.closePort();
}

TEST(Primitives, ConfigureWithoutPort)
{
    resetPreferences();
    TestableHandler handler;
    EXPECT_FALSE(handler.configurePort());
    EXPECT_EQ(handler.error(), QStringLiteral("Port handle is invalid"));
}

TEST(Primitives, PortTenAndAboveUsesTheDevicePrefix)
{
    resetPreferences(kTestCom);
    auto sim = startSwitch({});
    RecordingSerialApi seam;
    TestableHandler handler;
    ASSERT_TRUE(handler.openPort());
    handler.closePort();
    EXPECT_EQ(seam.openedPaths(), QStringList {QStringLiteral("\\\\.\\COM201")});
}

// ---- the open retry ----

TEST(OpenRetry, PortFreedDuringTheWaitIsUsed)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.busyMs = 700;
    auto sim = startSwitch(o);
    RecordingSerialApi seam;
    TestableHandler handler;
    // Port changes seen during the wait would run the probe, whose own opens are not the
    // operation's: count only the operation's.
    QObject::disconnect(SerialDeviceEnumerator::instance(), nullptr, &handler, nullptr);
    QElapsedTimer timer;
    timer.start();
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    const qint64 elapsed = timer.elapsed();
    EXPECT_EQ(records.size(), 32);
    const QList<SerialCall> opens = seam.callsOf(SerialCall::Open);
    ASSERT_EQ(opens.size(), 2);
    EXPECT_FALSE(opens[0].ok);
    EXPECT_TRUE(opens[1].ok);
    EXPECT_GE(elapsed, 1950) << "the second attempt comes after 2000 ms";
    EXPECT_LT(elapsed, 6000);
}

TEST(OpenRetry, SecondOperationDuringTheWaitIsRefused)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.busyMs = 1500; // well past the inner calls at 300 ms, well before the retry
    auto sim = startSwitch(o);
    TestableHandler handler;
    QSignalSpy connected(&handler, &COMHandler256::comConnected);

    bool ranInside = false;
    QString innerInfoError, innerProdError;
    bool innerInfoOk = true, innerProdOk = true;
    QString lastErrorDuringWait;
    bool busyDuringWait = false;
    int probeEmissions = 0;
    bool probeResult = true;
    QTimer::singleShot(300, [&] {
        ranInside = true;
        busyDuringWait = handler.isBusy();
        QList<InfoRecord> inner;
        innerInfoOk = handler.getInfo(inner, innerInfoError);
        ProdDataRequest request = configRequest(testImage(920));
        innerProdOk = handler.prodSetData(request, innerProdError);
        lastErrorDuringWait = handler.error();
        // The probe may run during the wait too; it uses a handle of its own. (The
        // enumerator may call it as well while the loop runs, so count around this call.)
        const int before = connected.size();
        handler.onSerialListChanged(QStringList {QStringLiteral("COM201")});
        probeEmissions = connected.size() - before;
        probeResult = connected.last()[0].toBool();
    });

    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    ASSERT_TRUE(ranInside) << "the timer fires inside the wait's event loop";
    EXPECT_TRUE(busyDuringWait);
    EXPECT_FALSE(innerInfoOk);
    EXPECT_FALSE(innerProdOk);
    EXPECT_EQ(innerInfoError, QStringLiteral("COM operation is already in process"));
    EXPECT_EQ(innerProdError, QStringLiteral("COM operation is already in process"));
    EXPECT_TRUE(lastErrorDuringWait.isEmpty()) << "the refusal leaves the last error alone";
    EXPECT_EQ(probeEmissions, 1);
    EXPECT_FALSE(probeResult) << "still held at 300 ms";
    EXPECT_EQ(records.size(), 32) << "the first operation carries on";
    EXPECT_FALSE(handler.isBusy());
    EXPECT_EQ(sim->images().size(), 0u);
}

TEST(OpenRetry, AnotherObjectMayWorkDuringTheWait)
{
    // busy is per object: the window's handler waiting does not block a fresh one, which
    // simply meets the same held port.
    resetPreferences();
    kmsim::SimOptions o;
    o.busyMs = 700;
    auto sim = startSwitch(o);
    TestableHandler waiting;
    QString otherError;
    bool otherOk = true;
    QTimer::singleShot(1000, [&] {
        TestableHandler other;
        ProdDataRequest request = configRequest(testImage(920));
        otherOk = other.prodSetData(request, otherError);
    });
    QList<InfoRecord> records;
    QString error;
    EXPECT_TRUE(waiting.getInfo(records, error)) << error.toStdString();
    // The other object opened after the hold ended (1000 ms) while the first was still
    // waiting, so it got the port first and finished.
    EXPECT_TRUE(otherOk) << otherError.toStdString();
    EXPECT_EQ(sim->images().size(), 1u);
}

} // namespace
