#include "pinned_ports.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

PinnedPorts::PinnedPorts(const QString& strFolder)
    : m_strFolder(strFolder)
{
    QDir().mkpath(strFolder);
}

PinnedPorts::~PinnedPorts()
{
    const QList<int> numbers = m_masters.keys();
    for (int number : numbers)
        remove(number);
}

bool PinnedPorts::add(int number)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        m_strError = QStringLiteral("pseudo-terminal: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        if (master >= 0)
            close(master);
        return false;
    }
    const QString strSlave = QString::fromLocal8Bit(ptsname(master));
    const QString strLink = m_strFolder + QStringLiteral("/COM%1").arg(number);
    QFile::remove(strLink);
    if (!QFile::link(strSlave, strLink)) {
        m_strError = QStringLiteral("cannot link %1 to %2").arg(strLink, strSlave);
        close(master);
        return false;
    }
    m_masters.insert(number, master);
    return true;
}

bool PinnedPorts::hold(int number)
{
    const QByteArray path = QFile::encodeName(m_strFolder + QStringLiteral("/COM%1").arg(number));
    const int fd = open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    m_holders.insert(number, fd);
    return true;
}

void PinnedPorts::release(int number)
{
    const int fd = m_holders.take(number);
    if (fd > 0)
        close(fd);
}

void PinnedPorts::remove(int number)
{
    release(number);
    QFile::remove(m_strFolder + QStringLiteral("/COM%1").arg(number));
    const int master = m_masters.take(number);
    if (master > 0)
        close(master);
}
