// The machine code's inputs on Linux: host name, machine-id and the root file system's id.
#include "machine_code.h"
#include "machine_identity.h"
#include "test_environment.h"

#include <QSysInfo>

#include <gtest/gtest.h>

#include <sys/statvfs.h>

namespace {

TEST(PlatformIdentity, ReadsThisMachine)
{
    const MachineIdentitySource source = platformMachineIdentity();
    EXPECT_EQ(source.computerName(), QSysInfo::machineHostName());
    QByteArray id = testenv::readFile("/etc/machine-id"_q).split('\n').first().trimmed();
    id = id.isEmpty() ? testenv::readFile("/var/lib/dbus/machine-id"_q).split('\n').first().trimmed() : id;
    EXPECT_EQ(source.machineIdentifier(QString()), QLatin1String(id));
    struct statvfs info {};
    ASSERT_EQ(statvfs("/", &info), 0);
    EXPECT_EQ(source.systemVolumeSerial(), static_cast<uint32_t>(info.f_fsid));
    // Without a test's machine, the machine code is made of these.
    QString strCode;
    EXPECT_TRUE(machineCode(&strCode));
    EXPECT_EQ(strCode, machineCodeText(buildMachineCodeBytes(source.machineIdentifier(QString()), source.systemVolumeSerial())));
}

} // namespace
