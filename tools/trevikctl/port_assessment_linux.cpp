// Reading a port's target on Linux: the kernel's table of tty drivers says which character
// devices are terminals; the group database says who may join what.

#include "port_assessment.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTextStream>
#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

enum class Tty { Yes, No, Unknown };

// From /proc/tty/drivers (which knows the pseudo-terminals too), else from sysfs.
Tty ttyDevice(dev_t rdev)
{
    QFile drivers(QStringLiteral("/proc/tty/drivers"));
    if (drivers.open(QIODevice::ReadOnly)) {
        // "name  /dev/node  major  minor[-minor]  type": the last three fields, since a
        // driver's name may hold spaces.
        for (const QString& line : QTextStream(&drivers).readAll().split(QLatin1Char('\n'))) {
            const QStringList f = line.simplified().split(QLatin1Char(' '));
            if (f.size() < 4 || f[f.size() - 3].toUInt() != major(rdev))
                continue;
            const QStringList range = f[f.size() - 2].split(QLatin1Char('-'));
            const unsigned first = range[0].toUInt(), last = range.value(1, range[0]).toUInt();
            if (minor(rdev) >= first && minor(rdev) <= last)
                return Tty::Yes;
        }
        return Tty::No;
    }
    const QFileInfo subsystem(QStringLiteral("/sys/dev/char/%1:%2/subsystem").arg(major(rdev)).arg(minor(rdev)));
    if (subsystem.exists())
        return subsystem.canonicalFilePath().endsWith(QLatin1String("/tty")) ? Tty::Yes : Tty::No;
    return Tty::Unknown;
}

} // namespace

QString PortTarget::kindText() const
{
    switch (kind) {
    case Missing: return QStringLiteral("missing");
    case Terminal: return QStringLiteral("tty");
    case OtherCharacterDevice: return QStringLiteral("character device, not a terminal");
    case RegularFile: return QStringLiteral("regular file");
    case Folder: return QStringLiteral("folder");
    case BlockDevice: return QStringLiteral("block device");
    case Pipe: return QStringLiteral("pipe");
    case Socket: return QStringLiteral("socket");
    }
    return QString();
}

PortTarget examinePortTarget(const QString& path)
{
    PortTarget target;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &target.st) != 0) {
        target.st = {};
        return target;
    }
    const mode_t mode = target.st.st_mode;
    if (S_ISCHR(mode))
        target.kind = ttyDevice(target.st.st_rdev) == Tty::No ? PortTarget::OtherCharacterDevice : PortTarget::Terminal;
    else if (S_ISREG(mode))
        target.kind = PortTarget::RegularFile;
    else if (S_ISDIR(mode))
        target.kind = PortTarget::Folder;
    else if (S_ISBLK(mode))
        target.kind = PortTarget::BlockDevice;
    else if (S_ISFIFO(mode))
        target.kind = PortTarget::Pipe;
    else
        target.kind = PortTarget::Socket;
    return target;
}

long joinableGroup(const struct stat& st)
{
    const bool groupMayUse = (st.st_mode & S_IRGRP) && (st.st_mode & S_IWGRP);
    // Root's group hands out far more than a serial port.
    return groupMayUse && st.st_gid != 0 ? long(st.st_gid) : -1;
}

QString groupName(gid_t gid)
{
    const group* g = ::getgrgid(gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(gid);
}

bool userInGroupDatabase(gid_t gid)
{
    const passwd* user = ::getpwuid(::getuid());
    if (!user)
        return false;
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0) {
        groups.resize(size_t(count));
        if (::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(size_t(count));
    return std::find(groups.begin(), groups.end(), gid) != groups.end();
}

QString accessAdvice(const QString& name, const QString& device, const struct stat& st, bool alreadyMember)
{
    const QString port = QStringLiteral("%1 (%2) cannot be opened by you").arg(name, device);
    const QString group = groupName(st.st_gid);
    if (joinableGroup(st) >= 0) {
        if (alreadyMember)
            return QStringLiteral("%1: it belongs to the group '%2', which you joined after this session began. "
                                  "Log in again (or run: newgrp %2).")
                .arg(port, group);
        return QStringLiteral("%1: it belongs to the group '%2', which may read and write it. Add yourself "
                              "with: sudo usermod -aG %2 $USER (then log in again).")
            .arg(port, group);
    }
    const passwd* owner = ::getpwuid(st.st_uid);
    return QStringLiteral("%1: no group you could join would help (owner '%2', group '%3', mode %4). Ask an "
                          "administrator for access, for instance a udev rule that gives it a group of serial "
                          "users: SUBSYSTEM==\"tty\", KERNEL==\"%5\", GROUP=\"dialout\", MODE=\"0660\".")
        .arg(port, owner ? QString::fromLocal8Bit(owner->pw_name) : QString::number(st.st_uid), group)
        .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
        .arg(QFileInfo(device).fileName());
}
