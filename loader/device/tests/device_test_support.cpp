#include "device_test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

QString testPortDir()
{
    return QString::fromLocal8Bit(qgetenv("TREVIK_PORT_DIR"));
}

void pinPort(const QString& target, const char* name)
{
    EXPECT_TRUE(QFile::link(target, testPortDir() + '/' + name)) << name;
}

std::unique_ptr<kmsim::SwitchSimulator> startSwitch(kmsim::SimOptions options, int number)
{
    options.comNumber = options.linkName.empty() ? number : 0;
    options.portDir = testPortDir().toStdString();
    options.logPath.clear(); // the frames are kept in memory
    auto sim = std::make_unique<kmsim::SwitchSimulator>(options);
    std::string error;
    EXPECT_TRUE(sim->start(error)) << error;
    return sim;
}

int descriptorsOn(const std::string& path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    int n = 0;
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System))
        n += path.empty() || QFileInfo(fds.filePath(fd)).symLinkTarget().toStdString() == path;
    return n;
}
