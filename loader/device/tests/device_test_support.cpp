#include "device_test_support.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <termios.h>

#include "apppreferences.h"

QString testPortDir()
{
    return QString::fromLocal8Bit(qgetenv("TREVIK_PORT_DIR"));
}

std::unique_ptr<kmsim::SwitchSimulator> startSwitch(kmsim::SimOptions options, int number)
{
    if (options.linkName.empty())
        options.comNumber = number;
    options.portDir = testPortDir().toStdString();
    if (options.logPath == "-")
        options.logPath.clear(); // keep test output readable; the frames are kept in memory
    auto sim = std::make_unique<kmsim::SwitchSimulator>(options);
    std::string error;
    EXPECT_TRUE(sim->start(error)) << error;
    return sim;
}

int openDescriptorCount()
{
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System).size();
}

void resetPreferences(int deviceCom)
{
    pref::iDeviceCom = deviceCom;
    pref::bEmulateDevice = false;
    pref::iComBaudrate = 9600;
    pref::iComByteSize = 8;
    pref::iComParity = 0;
    pref::iComStopBits = 0;
    pref::iComDtrControl = 1;
    pref::iComRtsControl = 1;
    pref::iComDsrFlow = 0;
    pref::iComCtsFlow = 0;
}

int descriptorsOn(const std::string& path)
{
    const QDir fds(QStringLiteral("/proc/self/fd"));
    int n = 0;
    for (const QString& fd : fds.entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::System)) {
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == QString::fromStdString(path))
            ++n;
    }
    return n;
}

void makeRaw(int fd)
{
    termios tio {};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    ::cfmakeraw(&tio);
    ::cfsetspeed(&tio, B9600);
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
}

QByteArray testImage(int size)
{
    QByteArray image(size, '\0');
    for (int i = 0; i < size; ++i)
        image[i] = char((i * 7 + 3) & 0xFF);
    return image;
}

ProdDataRequest configRequest(const QByteArray& payload)
{
    ProdDataRequest r;
    r.index = kProdDataConfigIndex;
    r.param = kProdDataConfigParam;
    r.kind = kProdDataConfigKind;
    r.payload = payload;
    r.size = quint32(payload.size());
    return r;
}
