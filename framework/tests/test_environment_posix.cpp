// The platform part of the tests' helpers on POSIX.
#include "test_environment.h"

#include <sys/stat.h>

bool testenv::isOwnerOnlyFile(const QString &strPath)
{
    struct stat st {};
    return lstat(QFile::encodeName(strPath).constData(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 07777) == 0600;
}
