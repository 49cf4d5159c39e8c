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

struct FailureCase
{
    bool prodSetData;
    std::string expected;
    DeviceFailure where;
    int recordsKept;
    bool switchStays = true; // false: the switch is gone afterwards
};

void expectFailure(const FailureCase& c)
{
    ASSERT_GT(testCom(), 0) << "start through run_with_switch.sh";
    resetPreferences(testCom());
    COMHandler256 handler;
    QList<InfoRecord> records;
    ProdDataRequest request = configRequest(920);
    QString error;
    EXPECT_FALSE(c.prodSetData ? handler.prodSetData(request, error) : handler.getInfo(records, error));
    EXPECT_EQ(error.toStdString(), c.expected);
    EXPECT_EQ(handler.lastFailure(), c.where);
    EXPECT_EQ(records.size(), c.recordsKept);
    if (!c.switchStays)
        return;
    // The port is free again: a second operation gets as far as the switch.
    QList<InfoRecord> again;
    QString secondError;
    handler.getInfo(again, secondError);
    EXPECT_NE(handler.lastFailure(), DeviceFailure::Open) << secondError.toStdString();
}

// No answer to record 3's request.
TEST(Link, SilenceAtRecord3)
{
    expectFailure({false, "COM port read failed by timeout", DeviceFailure::Read, 3});
}

// Record 5's answer starts with 0x00.
TEST(Link, WrongMagicAtRecord5)
{
    expectFailure({false, "Invalid magic number detected in read stream value", DeviceFailure::Reply, 5});
}

// Record 2's answer stops after 30 of its 60 bytes.
TEST(Link, ReplyCutAtRecord2)
{
    expectFailure({false, "COM port read failed by timeout", DeviceFailure::Read, 2});
}

// Record 6's answer stops after 10 bytes and the line goes dead (an unplugged adapter): told
// from silence, which the same read would report as DeviceFailure::Read.
TEST(Link, HangUpAtRecord6)
{
    expectFailure({false, "COM port read failed by timeout", DeviceFailure::HangUp, 6, false});
}

// A switch that takes nothing (output stopped, as by CTS held low): the write runs into its
// time-out, and the system's text for that reaches the caller.
TEST(Link, StalledSwitch)
{
    const std::string timeout = serialPortApi().errorText(platform_codes::kTimedOut).remove('\r').remove('\n').toStdString();
    expectFailure({true, "Write failed with error : " + timeout, DeviceFailure::Write, 0});
}

} // namespace
