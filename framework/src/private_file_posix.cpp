// New private files on POSIX: O_CREAT|O_EXCL with mode 0600.
#include "private_file.h"

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

bool openNewPrivateFile(QFile &file, const QString &strPath, bool *pbTaken)
{
    // O_EXCL refuses any existing name, so a planted link or file cannot redirect the write.
    // The mode is given at creation: a chmod afterwards would leave a moment in which another
    // user could open the file and keep reading it.
    const int iFd = ::open(QFile::encodeName(strPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                           S_IRUSR | S_IWUSR);
    *pbTaken = iFd < 0 && errno == EEXIST;
    if (iFd < 0)
        return false;
    file.setFileName(strPath);
    if (!file.open(iFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        ::close(iFd);
        return false;
    }
    return true;
}
