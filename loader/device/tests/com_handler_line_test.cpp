// COMHandler256 on Linux's own serial layer, against the simulated switch on a pseudo-terminal:
// what needs a real line (the data path at the switch's pace, a port held through the lock, a
// line that hangs up or takes nothing) and that no descriptor outlives an operation. The
// logic's tables run on the in-memory line (com_handler_test.cpp), the layer's own refusals in
// serial_layer_test.

#include <QElapsedTimer>
#include <functional>
#include <gtest/gtest.h>

#include "device_test_support.h"

namespace {

QByteArray bytesOf(const std::vector<uint8_t>& v) { return QByteArray(reinterpret_cast<const char*>(v.data()), int(v.size())); }

// Both commands at 9600 baud with a switch that takes 200 ms for each frame: the records carry
// the switch's bytes and the image arrives whole.
TEST(Line, BothCommandsAtTheSwitchsPace)
{
    resetPreferences();
    kmsim::SimOptions o;
    o.baud = 9600;
    o.replyDelayMs = 200;
    o.prodStatus = 7;
    auto sim = startSwitch(o);
    TestableHandler handler; // its port watch holds descriptors of its own
    const int descriptors = openDescriptorCount();
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    ASSERT_EQ(records.size(), 32);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(&records[i]) + 1, 18), bytesOf(kmsim::longInfoReply(uint8_t(i), 4)).mid(8, 18)) << i;
    ProdDataRequest request = configRequest(920);
    ASSERT_TRUE(handler.prodSetData(request, error)) << error.toStdString();
    EXPECT_EQ(request.status, 7u);
    ASSERT_EQ(sim->images().size(), 1u);
    EXPECT_EQ(bytesOf(sim->images()[0]), request.payload);
    EXPECT_EQ(sim->malformedCount(), 0);
    EXPECT_EQ(openDescriptorCount(), descriptors);
}

struct LineRow
{
    const char* label;
    std::function<void(kmsim::SimOptions&)> simulate;
    std::string expected;
    DeviceFailure where;
    int recordsKept;
    qint64 minMs;
    bool prodSetData = false;
};

void PrintTo(const LineRow& row, std::ostream* os)
{
    *os << row.label;
}

class LineFailure : public ::testing::TestWithParam<LineRow> {};

TEST_P(LineFailure, ReachesTheCallerAndLeavesNoDescriptor)
{
    const LineRow& row = GetParam();
    resetPreferences();
    kmsim::SimOptions o;
    row.simulate(o);
    auto sim = startSwitch(o);
    TestableHandler handler;
    const int descriptors = openDescriptorCount();
    QElapsedTimer timer;
    timer.start();
    QString error;
    QList<InfoRecord> records;
    ProdDataRequest request = configRequest(920);
    const bool ok = row.prodSetData ? handler.prodSetData(request, error) : handler.getInfo(records, error);
    const qint64 elapsed = timer.elapsed();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.toStdString(), row.expected);
    EXPECT_EQ(handler.lastFailure(), row.where);
    EXPECT_EQ(records.size(), row.recordsKept);
    // The switch that hung up closed its own ends: then no descriptor may point at the line.
    EXPECT_EQ(sim->hungUp() ? descriptorsOn(sim->slavePath()) : openDescriptorCount() - descriptors, 0);
    EXPECT_GE(elapsed, row.minMs);
    EXPECT_LT(elapsed, row.minMs + 2500) << "no wait beyond the protocol's own";
}

const LineRow kLineFailures[] = {
    {"held through the lock, also after the retry", [](kmsim::SimOptions& o) { o.busyMs = 8000; },
     "Device or resource busy", DeviceFailure::Open, 0, 1900},
    {"hang-up mid-reply at record 6", [](kmsim::SimOptions& o) { o.fault = kmsim::Fault::HangUp; o.faultAt = 6; o.cutAfter = 10; },
     "COM port read failed by timeout", DeviceFailure::HangUp, 6, 0},
    {"silent at record 3", [](kmsim::SimOptions& o) { o.fault = kmsim::Fault::Silence; o.faultAt = 3; },
     "COM port read failed by timeout", DeviceFailure::Read, 3, 1000},
    // A line that takes nothing: the first piece may take 60 x 2 ms and a second, not for ever.
    {"stalled line", [](kmsim::SimOptions& o) { o.stall = true; },
     "Write failed with error : Connection timed out", DeviceFailure::Write, 0, 1100, true},
};

INSTANTIATE_TEST_SUITE_P(Rows, LineFailure, ::testing::ValuesIn(kLineFailures));

} // namespace
