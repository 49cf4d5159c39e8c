// What the change watcher tells of and what it passes by: ttys that can never be a port (the
// consoles, ptmx, every terminal opened on the machine) cost no rescan and never reach the
// list, while a numbered device or a pinned link's device coming or going always reports.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "device_test_support.h"
#include "port_change_watcher_linux.h"
#include "port_discovery.h"
#include "port_numbering_linux.h"

namespace {

void touch(const QString& path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A device folder of the test's own, with a pinned switch behind "pts/3" in it.
TEST(PortWatch, SignalsOnlyChangesThatCanAlterTheList)
{
    QTemporaryDir dev;
    ASSERT_TRUE(dev.isValid());
    const QString d = dev.path();
    ASSERT_TRUE(QDir(d).mkdir("pts"));
    touch(d + "/pts/3");
    pinPort(d + "/pts/3", "COM201");
    std::unique_ptr<PortChangeWatcher> watcher(createLinuxPortChangeWatcher(nullptr, d));
    watcher->setEnabled(true);
    QSignalSpy changed(watcher.get(), &PortChangeWatcher::changed);

    const struct
    {
        const char* label;
        std::function<void()> act;
        bool reported;
    } rows[] = {
        {"a virtual console", [&] { touch(d + "/tty1"); }, false},
        {"ptmx", [&] { touch(d + "/ptmx"); }, false},
        {"console", [&] { touch(d + "/console"); }, false},
        {"a terminal opened elsewhere", [&] { touch(d + "/pts/5"); }, false},
        {"that terminal closed", [&] { QFile::remove(d + "/pts/5"); }, false},
        {"a name no kernel gives", [&] { touch(d + "/ttyS01"); }, false},
        {"a number past its block", [&] { touch(d + "/ttyUSB32"); }, false},
        {"a file in the pinned folder", [&] { touch(testPortDir() + "/notes.txt"); }, false},
        {"an adapter plugged in", [&] { touch(d + "/ttyUSB0"); }, true},
        {"its node's mode changed", [&] { ASSERT_EQ(chmod(QFile::encodeName(d + "/ttyUSB0"), 0600), 0); }, false},
        // Made beside it first, so that the new node cannot take the old one's inode.
        {"another adapter behind the same name", [&] {
             touch(d + "/.new");
             ASSERT_EQ(::rename(QFile::encodeName(d + "/.new"), QFile::encodeName(d + "/ttyUSB0")), 0);
         }, true},
        {"the adapter unplugged", [&] { QFile::remove(d + "/ttyUSB0"); }, true},
        {"the pinned switch vanishing", [&] { QFile::remove(d + "/pts/3"); }, true},
        {"its number taken by another terminal", [&] { touch(d + "/pts/3"); }, true},
        {"a port pinned while its device is away", [&] { pinPort(d + "/pts/9", "COM202"); }, true},
        {"the pinned link taken away", [&] { QFile::remove(testPortDir() + "/COM202"); }, true},
    };
    for (const auto& row : rows) {
        changed.clear();
        row.act();
        if (row.reported)
            EXPECT_TRUE(changed.wait(3000)) << row.label;
        else
            EXPECT_FALSE(changed.wait(400)) << row.label;
    }
    watcher->setEnabled(false);
    touch(d + "/ttyACM0");
    EXPECT_FALSE(changed.wait(400)) << "disabled, it stays silent";
}

// The machine's own /dev/pts, with the operator's link to a simulated switch pinned into it: a
// terminal opened elsewhere is passed by, the switch going away (its link left dangling) is not.
TEST(PortWatch, OnTheMachinesTerminalsOnlyThePinnedOneCounts)
{
    auto sim = startSwitch({}, 0); // makes no link of its own
    pinPort(QString::fromStdString(sim->slavePath()), "COM203");
    std::unique_ptr<PortChangeWatcher> watcher(PortChangeWatcher::create(nullptr));
    watcher->setEnabled(true);
    QSignalSpy changed(watcher.get(), &PortChangeWatcher::changed);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_TRUE(grantpt(master) == 0 && unlockpt(master) == 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(terminal, 0);
    EXPECT_FALSE(changed.wait(500)) << "a terminal opened";
    close(terminal);
    close(master);
    EXPECT_FALSE(changed.wait(500)) << "a terminal closed";

    sim->stop();
    EXPECT_TRUE(changed.wait(3000)) << "the pinned switch gone";
}

// Whatever ttys the machine has, only pinned entries and nodes whose own name carries the
// listed number reach the list.
TEST(PortWatch, TtysWithoutANumberNeverReachTheList)
{
    const QStringList machineTtys = QDir("/sys/class/tty").entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    int unnumbered = 0;
    for (const QString& name : machineTtys)
        unnumbered += automaticComNumber(name) == 0;
    if (unnumbered == 0)
        GTEST_SKIP() << "this machine has no tty without a number";
    QList<PortInfo> ports;
    ASSERT_TRUE(systemSerialPorts(ports));
    for (const PortInfo& port : ports) {
        if (QFileInfo(port.systemPath).path() == testPortDir())
            continue;
        const QString node = QFileInfo(port.systemPath).fileName();
        EXPECT_NE(automaticComNumber(node), 0u) << node.toStdString();
        EXPECT_EQ(port.portName, QStringLiteral("COM%1").arg(automaticComNumber(node))) << node.toStdString();
    }
}

} // namespace
