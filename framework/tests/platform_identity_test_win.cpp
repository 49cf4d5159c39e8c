// The machine code's inputs on Windows, each checked against a second source: the COMPUTERNAME
// variable, the SID of the user running the test less its last part (a local account's domain
// is the machine), and the serial that cmd's "vol" shows for the system drive.
#include "machine_code.h"
#include "machine_identity.h"
#include "test_environment.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <vector>

#include <windows.h>
#include <sddl.h>

namespace {

QString tokenUserSid()
{
    HANDLE hToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &hToken))
        return QString();
    DWORD iSize = 0;
    GetTokenInformation(hToken, TokenUser, nullptr, 0, &iSize);
    std::vector<BYTE> user(iSize);
    QString strSid;
    wchar_t *szSid = nullptr;
    if (GetTokenInformation(hToken, TokenUser, user.data(), iSize, &iSize)
        && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER *>(user.data())->User.Sid, &szSid)) {
        strSid = QString::fromWCharArray(szSid);
        LocalFree(szSid);
    }
    CloseHandle(hToken);
    return strSid;
}

uint32_t serialShownByVol(const QString &strDrive)
{
    QProcess vol;
    vol.start("cmd.exe"_q, {"/c"_q, "vol"_q, strDrive});
    if (!vol.waitForFinished(30000))
        return 0;
    const auto match = QRegularExpression("([0-9A-Fa-f]{4})-([0-9A-Fa-f]{4})"_q).match(QString::fromLocal8Bit(vol.readAllStandardOutput()));
    return match.hasMatch() ? (match.captured(1) + match.captured(2)).toUInt(nullptr, 16) : 0;
}

TEST(PlatformIdentity, ReadsThisMachine)
{
    const MachineIdentitySource source = platformMachineIdentity();
    const QString strName = source.computerName();
    EXPECT_EQ(strName, qEnvironmentVariable("COMPUTERNAME"));
    const QString strUser = tokenUserSid();
    ASSERT_TRUE(strUser.startsWith("S-1-5-21-"_q)) << strUser.toStdString();
    EXPECT_EQ(source.machineIdentifier(strName), strUser.section('-', 0, -2));
    EXPECT_EQ(source.machineIdentifier("no such account here"_q), QString());
    const uint32_t uSerial = source.systemVolumeSerial();
    EXPECT_NE(uSerial, 0u);
    EXPECT_EQ(uSerial, serialShownByVol(qEnvironmentVariable("SystemDrive", "C:"_q)));
    // Without a test's machine, the machine code is made of these.
    QString strCode;
    EXPECT_TRUE(machineCode(&strCode));
    EXPECT_EQ(strCode, machineCodeText(buildMachineCodeBytes(source.machineIdentifier(strName), uSerial)));
}

} // namespace
