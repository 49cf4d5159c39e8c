#include "test_environment.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <unistd.h>

namespace {

QString g_strRoot;

void removeRoot()
{
    if (!g_strRoot.isEmpty())
        QDir(g_strRoot).removeRecursively();
}

void isolateUserFolders()
{
    const char *szTmp = std::getenv("TMPDIR");
    std::string strTemplate = std::string(szTmp != nullptr && *szTmp ? szTmp : "/tmp") + "/trevik-test-XXXXXX";
    if (mkdtemp(strTemplate.data()) == nullptr) {
        perror("mkdtemp");
        std::exit(2);
    }
    g_strRoot = QString::fromLocal8Bit(strTemplate.c_str());
    const std::string strHome = strTemplate + "/home";
    const std::string strConfig = strHome + "/.config";
    const std::string strTemp = strTemplate + "/tmp";
    QDir().mkpath(QString::fromLocal8Bit(strConfig.c_str()));
    QDir().mkpath(QString::fromLocal8Bit(strTemp.c_str()));
    setenv("HOME", strHome.c_str(), 1);
    setenv("XDG_CONFIG_HOME", strConfig.c_str(), 1);
    setenv("TMPDIR", strTemp.c_str(), 1);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromLocal8Bit(strConfig.c_str()));
    std::atexit(&removeRoot);
}

} // namespace

namespace testenv {

QString rootDir()
{
    return g_strRoot;
}

QString freshDir(const QString &strName)
{
    const QString strPath = g_strRoot + QStringLiteral("/cases/") + strName;
    QDir(strPath).removeRecursively();
    QDir().mkpath(strPath);
    return strPath;
}

QByteArray readFile(const QString &strPath)
{
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

bool writeFile(const QString &strPath, const QByteArray &contents)
{
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return file.write(contents) == contents.size();
}

} // namespace testenv

int main(int argc, char **argv)
{
    isolateUserFolders();
    ::testing::InitGoogleTest(&argc, argv);
    // Death tests re-run the program instead of forking a process that holds Qt's threads.
    ::testing::GTEST_FLAG(death_test_style) = "threadsafe";
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
