// COMHandler256 on the Windows serial layer itself, under Wine, against kmswitch-sim on the
// Linux side: the simulator's pseudo-terminal is the Wine port $WINEPREFIX/dosdevices/comN.
// Each case needs its own switch; the CTest entry starts it (run_with_switch.sh) and names
// the port in TREVIK_TEST_COM and the simulator's image folder in TREVIK_TEST_SAVE_DIR.

#include <QFile>
#include <gtest/gtest.h>

#include "handler_test_support.h"
#include "platform_codes.h"

namespace {

int testCom()
{
    return qEnvironmentVariableIntValue("TREVIK_TEST_COM");
}

// A Linux folder as this program sees it (Wine maps / to drive Z:).
QString windowsPath(const QByteArray& linuxPath)
{
    return QStringLiteral("Z:") + QString::fromLocal8Bit(linuxPath);
}

// The switch at 9600 baud, answering 200 ms after each frame, status 7, four ports.
TEST(Link, BothCommandsAtTheSwitchsPace)
{
    ASSERT_GT(testCom(), 0) << "start through run_with_switch.sh";
    resetPreferences(testCom());
    COMHandler256 handler;
    QList<InfoRecord> records;
    QString error;
    ASSERT_TRUE(handler.getInfo(records, error)) << error.toStdString();
    ASSERT_EQ(records.size(), 32);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(records[i].index, i);
    EXPECT_EQ(switchPortCount(records[0]), 4);
    EXPECT_NE(QByteArray(reinterpret_cast<const char*>(&records[1]) + 1, 18),
              QByteArray(reinterpret_cast<const char*>(&records[2]) + 1, 18))
        << "each record carries its own reply";

    ProdDataRequest request = configRequest(920);
    ASSERT_TRUE(handler.prodSetData(request, error)) << error.toStdString();
    EXPECT_EQ(request.status, 7u);
    QFile image(windowsPath(qgetenv("TREVIK_TEST_SAVE_DIR")) + QStringLiteral("/image-001.bin"));
    ASSERT_TRUE(image.open(QIODevice::ReadOnly)) << image.fileName().toStdString();
    EXPECT_EQ(image.readAll(), request.payload) << "the image arrived whole, bytes 0x0A and 0x0D unchanged";
}

struct LinkFailure
{
    const char* name; // the case CMake starts with its switch
    bool prodSetData;
    const char* expected; // its "%1" the system's text for a write's time-out
    DeviceFailure where;
    int recordsKept;
    bool switchStays; // false: the switch is gone afterwards
};

class Fails : public ::testing::TestWithParam<LinkFailure> {};

// The switch's fault reaches the caller, and a second operation on the freed port gets as far
// as the switch again.
TEST_P(Fails, AndLeavesThePortFree)
{
    const LinkFailure& c = GetParam();
    ASSERT_GT(testCom(), 0) << "start through run_with_switch.sh";
    resetPreferences(testCom());
    COMHandler256 handler;
    QList<InfoRecord> records;
    ProdDataRequest request = configRequest(920);
    QString error;
    EXPECT_FALSE(c.prodSetData ? handler.prodSetData(request, error) : handler.getInfo(records, error));
    const QString expected = QString::fromLatin1(c.expected);
    const QString timeout = serialPortApi().errorText(platform_codes::kTimedOut).remove('\r').remove('\n');
    EXPECT_EQ(error.toStdString(), (expected.contains("%1") ? expected.arg(timeout) : expected).toStdString());
    EXPECT_EQ(handler.lastFailure(), c.where);
    EXPECT_EQ(records.size(), c.recordsKept);
    if (!c.switchStays)
        return;
    QList<InfoRecord> again;
    QString secondError;
    handler.getInfo(again, secondError);
    EXPECT_NE(handler.lastFailure(), DeviceFailure::Open) << secondError.toStdString();
}

// Record 6's hang-up (10 bytes of its answer, then a dead line, as an unplugged adapter) is told
// from silence, which the same read reports as DeviceFailure::Read. A switch that takes nothing
// (output stopped, as by CTS held low) runs the write into its time-out.
const LinkFailure kLinkFailures[] = {
    {"SilenceAtRecord3", false, "COM port read failed by timeout", DeviceFailure::Read, 3, true},
    {"ReplyCutAtRecord2", false, "COM port read failed by timeout", DeviceFailure::Read, 2, true},
    {"HangUpAtRecord6", false, "COM port read failed by timeout", DeviceFailure::HangUp, 6, false},
    {"StalledSwitch", true, "Write failed with error : %1", DeviceFailure::Write, 0, true},
};

INSTANTIATE_TEST_SUITE_P(Link, Fails, ::testing::ValuesIn(kLinkFailures),
                         [](const ::testing::TestParamInfo<LinkFailure>& info) { return std::string(info.param.name); });

} // namespace
