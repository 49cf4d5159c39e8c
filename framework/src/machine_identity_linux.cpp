// Linux stand-ins for the Windows computer name, machine account identifier and volume serial.
#include "machine_identity.h"

#include <QFile>

#include <sys/statvfs.h>
#include <unistd.h>

#include <climits>

namespace {

QString linuxComputerName()
{
    char szName[HOST_NAME_MAX + 1] = {};
    if (gethostname(szName, sizeof(szName) - 1) != 0)
        return QString();
    return QString::fromLocal8Bit(szName);
}

// The machine-id is made once at installation and stays with the system like the Windows
// machine account's identifier; it does not depend on the host name, which can change.
QString linuxMachineIdentifier(const QString &)
{
    for (const char *szPath : {"/etc/machine-id", "/var/lib/dbus/machine-id"}) {
        QFile file(QString::fromLatin1(szPath));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString strId = QString::fromLatin1(file.readLine(256)).trimmed();
        if (!strId.isEmpty())
            return strId;
    }
    return QString();
}

uint32_t linuxRootVolumeSerial()
{
    struct statvfs info {};
    if (statvfs("/", &info) != 0)
        return 0;
    return static_cast<uint32_t>(info.f_fsid & 0xFFFFFFFFu);
}

} // namespace

MachineIdentitySource platformMachineIdentity()
{
    return MachineIdentitySource{&linuxComputerName, &linuxMachineIdentifier, &linuxRootVolumeSerial};
}
