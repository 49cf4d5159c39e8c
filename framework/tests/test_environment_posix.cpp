// The platform part of the tests' helpers on POSIX.
#include "test_environment.h"

#include <sys/stat.h>
#include <unistd.h>

bool testenv::isOwnerOnlyFile(const QString &strPath)
{
    struct stat st {};
    return lstat(QFile::encodeName(strPath).constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) == 0600;
}

const char *const testenv::kStampPattern = "\\[[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}\\]";
const char *const testenv::kNumberPattern = "[0-9]+";
const char *const testenv::kRestOfLinePattern = "[^\n]*";
const int testenv::kExitStatusOfMinusOne = 255;

bool testenv::plantLink(const QString &strTarget, const QString &strLink)
{
    return QFile::link(strTarget, strLink);
}

bool testenv::canPlantLinks()
{
    return true;
}
