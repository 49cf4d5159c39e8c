#include "test_environment.h"

#include "machine_identity.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

QString g_strRoot, g_strIdentifier;
uint32_t g_uSerial = 0;
int g_iReads = 0;
LogCapture *g_pCapture = nullptr;

QString fakeIdentifier(const QString &)
{
    ++g_iReads;
    return g_strIdentifier;
}

} // namespace

QString testenv::rootDir() { return g_strRoot; }

QString testenv::freshDir()
{
    const ::testing::TestInfo *pInfo = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString strPath = g_strRoot + "/cases/%1.%2"_q.arg(QLatin1String(pInfo->test_suite_name()), QLatin1String(pInfo->name()));
    QDir(strPath).removeRecursively();
    QDir().mkpath(strPath);
    return strPath;
}

QString testenv::withChanges(const char *szDefaults, const char *szChanges)
{
    QStringList fields = QString::fromUtf8(szDefaults).split('|');
    for (const QString &strChange : QString::fromUtf8(szChanges).split('|', Qt::SkipEmptyParts))
        std::replace_if(fields.begin(), fields.end(), [&](const QString &f) { return f.section('=', 0, 0) == strChange.section('=', 0, 0); }, strChange);
    return fields.join('|');
}

QByteArray testenv::maskTimes(const QByteArray &text)
{
    static const QRegularExpression s_stamp("\\[\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d\\]"_q);
    return QString::fromLatin1(text).replace(s_stamp, "[hh:mm:ss.zzz]"_q).toLatin1();
}

void testenv::useMachine(const char *szIdentifier, uint32_t uSerial)
{
    g_strIdentifier = QString::fromLatin1(szIdentifier);
    g_uSerial = uSerial;
    g_iReads = 0;
    const MachineIdentitySource source{[] { return "TESTBOX"_q; }, &fakeIdentifier, [] { return g_uSerial; }};
    setMachineIdentitySourceForTesting(szIdentifier != nullptr ? &source : nullptr);
}

int testenv::machineReads() { return g_iReads; }

LogCapture::LogCapture()
{
    g_pCapture = this;
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &strText) { g_pCapture->texts << strText; });
}

LogCapture::~LogCapture() { qInstallMessageHandler(nullptr); }

int main(int argc, char **argv)
{
    QTemporaryDir root(QDir::tempPath() + "/trevik-test-XXXXXX"_q);
    if (!root.isValid())
        return 2;
    root.setAutoRemove(false);
    g_strRoot = root.path();
    QDir().mkpath(g_strRoot + "/home/.config"_q);
    QDir().mkpath(g_strRoot + "/tmp"_q);
    const QByteArray native = QFile::encodeName(QDir::toNativeSeparators(g_strRoot));
    const QByteArray separator = QFile::encodeName(QString(QDir::separator()));
    qputenv("HOME", native + separator + "home");
    qputenv("XDG_CONFIG_HOME", native + separator + "home" + separator + ".config");
    // The temporary folder: TMPDIR on POSIX, TMP and TEMP on Windows.
    for (const char *szName : {"TMPDIR", "TMP", "TEMP"})
        qputenv(szName, native + separator + "tmp");
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, g_strRoot + "/home/.config"_q);
    std::atexit([] { QDir(g_strRoot).removeRecursively(); });

    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the program instead of forking a process that holds Qt's threads.
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
