#include "cqt_singleton.h"

#include "cqt_log.h"

#include <QDateTime>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <vector>

namespace {

const char *const kSourceFile = ".\\include\\cqtsingleton";

QMutex &registryLock()
{
    static QMutex s_lock;
    return s_lock;
}

std::vector<CQTAbstractSingleton *> &registry()
{
    static std::vector<CQTAbstractSingleton *> s_list;
    return s_list;
}

// The log cannot report its own failed creation through itself: the line goes straight to
// Qt's fatal output, which ends the process.
[[noreturn]] void fatalWithoutLog(const QString &strMessage, uint lineNumber)
{
    const QByteArray line = CQTLog::composeFatalLine(strMessage, QDateTime::currentDateTime(), kSourceFile, lineNumber);
    qFatal("%s", line.constData());
    std::abort();
}

[[noreturn]] void fatal(const QString &strMessage, uint lineNumber, bool bLogInCreation)
{
    if (bLogInCreation)
        fatalWithoutLog(strMessage, lineNumber);
    CQTSingleton<CQTLog>::instance()->writeFatal(kSourceFile, lineNumber, "", "%s", strMessage.toLocal8Bit().constData());
    // writeFatal returns only when re-entered from the log's own fatal line; end anyway.
    std::exit(-1);
}

} // namespace

CQTAbstractSingleton::CQTAbstractSingleton()
{
    QMutexLocker locker(&registryLock());
    registry().push_back(this);
}

CQTAbstractSingleton::~CQTAbstractSingleton()
{
    QMutexLocker locker(&registryLock());
    std::vector<CQTAbstractSingleton *> &list = registry();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

namespace cqtsingleton_detail {

void reportRecursion(bool bLogInCreation)
{
    fatal(QStringLiteral("Unpermitted recursion."), __LINE__, bLogInCreation);
}

void reportCannotCreate(const QString &strTypeName, bool bLogInCreation)
{
    fatal(QStringLiteral("Cannot create '%1' object.").arg(strTypeName), __LINE__,
          bLogInCreation);
}

void reportFailedConstruction(int iErrorCode, bool bLogInCreation)
{
    setThreadErrorCode(iErrorCode);
    if (bLogInCreation) {
        const QByteArray line = CQTLog::composeBacktraceLine(QDateTime::currentDateTime(), kSourceFile, __LINE__);
        qCritical("%s", line.constData());
        return;
    }
    CQTSingleton<CQTLog>::instance()->writeErrorBacktrace(kSourceFile, __LINE__, "", kThreadErrorCode);
}

} // namespace cqtsingleton_detail
