// What `trevikctl ports` makes of a port's entry: the kind of thing it leads to, the advice for a
// device this user cannot open, and the table and advice as the program prints them.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "port_assessment.h"

namespace {

// A pseudo-terminal pair held open for the test's life; `slave` is its /dev/pts path, `driver`
// the major number the kernel gives pseudo-terminal slaves.
struct Pty
{
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        struct stat st {};
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0
            && ::stat(::ptsname(master), &st) == 0) {
            slave = QString::fromLocal8Bit(::ptsname(master));
            driver = major(st.st_rdev);
        }
    }
    ~Pty() { ::close(master); }
    int master = -1;
    QString slave;
    unsigned driver = 0;
};

// A character device node at `path`; false when this user may not make one.
bool makeNode(const QString& path, unsigned maj, unsigned min, mode_t mode, gid_t gid)
{
    const QByteArray p = QFile::encodeName(path);
    return ::mknod(p.constData(), S_IFCHR | 0600, makedev(maj, min)) == 0 && ::chown(p.constData(), 0, gid) == 0
        && ::chmod(p.constData(), mode) == 0;
}

long gidOf(const char* name)
{
    const group* g = ::getgrnam(name);
    return g ? long(g->gr_gid) : -1;
}

// The kernel's table of terminal drivers decides, not whether a terminal is there to answer.
TEST(TargetKind, ANodeOfThePtyDriverWithNoTerminalBehindIt)
{
    QTemporaryDir dir;
    Pty pty;
    ASSERT_TRUE(dir.isValid() && !pty.slave.isEmpty());
    if (!makeNode(dir.filePath("ttyX"), pty.driver, 1048000, 0600, 0))
        GTEST_SKIP() << "mknod not permitted";
    ASSERT_TRUE(QFile::link(dir.filePath("ttyX"), dir.filePath("COM9")));
    EXPECT_TRUE(examinePortTarget(dir.filePath("COM9")).serial());
}

// ----- advice for a device this user cannot open -----

struct AdviceRow
{
    const char* group; // by name; the row is skipped when the system lacks it
    mode_t mode;
    bool alreadyMember;
    const char *says, *never; // the advice says the one and never the other
    bool joinable;            // joinableGroup() names the device's group
};

void PrintTo(const AdviceRow& row, std::ostream* os)
{
    *os << row.group << ' ' << std::oct << row.mode << (row.alreadyMember ? " joined" : "");
}

class Advice : public ::testing::TestWithParam<AdviceRow> {};

TEST_P(Advice, NamesAGroupOnlyWhenJoiningItOpensTheDevice)
{
    const AdviceRow& row = GetParam();
    const long gid = gidOf(row.group);
    if (gid < 0)
        GTEST_SKIP() << "no group " << row.group << " here";
    struct stat st {};
    st.st_mode = S_IFCHR | row.mode;
    st.st_gid = gid_t(gid);
    EXPECT_EQ(joinableGroup(st), row.joinable ? gid : -1);
    const QString advice = accessAdvice("COM42", "/dev/ttyUSB9", st, row.alreadyMember);
    EXPECT_TRUE(advice.startsWith("COM42 (/dev/ttyUSB9) cannot be opened by you")) << advice.toStdString();
    EXPECT_TRUE(advice.contains(row.says) && !advice.contains(row.never)) << advice.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Advice,
    ::testing::Values(AdviceRow {"root", 0666, false, "mode 0666). Ask an administrator", "usermod", false},
                      AdviceRow {"dialout", 0660, false, "sudo usermod -aG dialout $USER", "Ask an admin", true},
                      AdviceRow {"dialout", 0640, false, "Ask an administrator", "usermod", false},
                      AdviceRow {"dialout", 0620, false, "Ask an administrator", "usermod", false},
                      AdviceRow {"dialout", 0660, true, "newgrp dialout", "usermod", true}));

// ----- the program's table and advice -----

struct Printed
{
    int exit = -1;
    QStringList out, err;
};

// `trevikctl ports` on the pinned folder `folder`, started through `prefix` (to act as another user).
Printed runPorts(const QString& folder, const QStringList& prefix = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TREVIK_PORT_DIR", folder);
    process.setProcessEnvironment(environment);
    const QStringList command = prefix + QStringList {TREVIKCTL_PATH, "ports"};
    process.start(command[0], command.mid(1));
    EXPECT_TRUE(process.waitForFinished(30000));
    const auto lines = [](const QByteArray& b) { return QString::fromLocal8Bit(b).split('\n', Qt::SkipEmptyParts); };
    return {process.exitCode(), lines(process.readAllStandardOutput()), lines(process.readAllStandardError())};
}

// The table's row for `port`, split into its columns; empty when it has none.
QStringList rowOf(const QStringList& table, const QString& port)
{
    const QStringList lines = table.filter(QRegularExpression('^' + port + '\t'));
    return lines.isEmpty() ? QStringList() : lines.first().split('\t');
}

TEST(PortsTable, TheHeaderComesFirstWithoutPinnedPorts)
{
    QTemporaryDir home;
    const Printed p = runPorts(home.filePath("none"));
    EXPECT_EQ(p.exit, 0);
    ASSERT_FALSE(p.out.isEmpty());
    EXPECT_EQ(p.out.first(), "PORT\tDEVICE\tSTABLE-PATH\tPINNED\tSTATUS\tDESCRIPTION");
    // A machine with serial ports of its own lists them; without, the hint says how to pin one.
    EXPECT_TRUE(p.out.size() > 1 || p.err.value(0).startsWith("No serial port found"))
        << p.err.join('\n').toStdString();
}

// Each kind of thing an entry may lead to, as the table words it.
TEST(PortsTable, PinnedEntriesThatLeadToNoTerminalAreMarkedAndAdvisedOnStandardError)
{
    QTemporaryDir home;
    Pty pty;
    ASSERT_TRUE(home.isValid() && !pty.slave.isEmpty());
    const QString folder = home.filePath("ports");
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(home.filePath("a-folder")));
    ASSERT_TRUE(QFile(home.filePath("a-file")).open(QIODevice::WriteOnly));
    ASSERT_EQ(::mkfifo(QFile::encodeName(home.filePath("a-pipe")).constData(), 0600), 0);
    const struct
    {
        const char* port;
        QString target;
        const char* status;
        const char* advice; // in the advice on standard error; empty when there is none
    } rows[] = {
        {"COM20", home.filePath("a-file"), "not usable: regular file", "is a regular file, not a serial device"},
        {"COM21", home.filePath("a-folder"), "not usable: folder", "is a folder, not a serial device"},
        {"COM22", "/dev/null", "not usable: not a terminal", "character device, not a terminal"},
        {"COM23", pty.slave, "usable", ""},
        {"COM24", home.filePath("unplugged"), "not usable: target missing", "leads nowhere"},
        {"COM25", home.filePath("a-pipe"), "not usable: pipe", "is a pipe, not a serial device"},
    };
    for (const auto& row : rows)
        ASSERT_TRUE(QFile::link(row.target, folder + '/' + row.port)) << row.port;

    const Printed p = runPorts(folder);
    EXPECT_EQ(p.exit, 0);
    for (const QString& line : p.out)
        EXPECT_EQ(line.split('\t').size(), 6) << "only the table on standard output: " << line.toStdString();
    for (const auto& row : rows) {
        EXPECT_EQ(rowOf(p.out, row.port).mid(3, 2).join(' ').toStdString(), std::string("pinned ") + row.status);
        const QStringList advice = p.err.filter(QString(row.port) + ' ');
        ASSERT_EQ(advice.size(), *row.advice ? 1 : 0) << row.port << ": " << p.err.join('\n').toStdString();
        EXPECT_TRUE(advice.isEmpty() || (advice[0].contains(row.advice) && advice[0].contains(folder + '/' + row.port)))
            << "says what is wrong and names the entry to mend: " << p.err.join('\n').toStdString();
    }
    EXPECT_EQ(rowOf(p.out, "COM23").value(1).toStdString(), pty.slave.toStdString());
}

// As a user who cannot open the devices: the program runs as nobody, on nodes of the test's making.
TEST(PortsTable, AdviceForDevicesThisUserCannotOpen)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty() || gidOf("dialout") < 0)
        GTEST_SKIP() << "needs root, setpriv and a dialout group to act as another user";
    QTemporaryDir home;
    Pty pty;
    const QString folder = home.filePath("ports");
    ASSERT_TRUE(home.isValid() && !pty.slave.isEmpty() && QDir().mkpath(folder));
    for (const QString& path : {home.path(), folder})
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0705), 0);
    const struct
    {
        const char *port, *group;
        mode_t mode;
        const char* says;
    } rows[] = {{"COM40", "root", 0600, "no group you could join would help"},
                {"COM41", "dialout", 0660, "sudo usermod -aG dialout $USER"}};
    unsigned minor = 1048010;
    for (const auto& row : rows) {
        const QString node = home.filePath(QString("tty") + row.port);
        if (!makeNode(node, pty.driver, minor++, row.mode, gid_t(gidOf(row.group))))
            GTEST_SKIP() << "mknod not permitted";
        ASSERT_TRUE(QFile::link(node, folder + '/' + row.port));
    }

    const Printed p = runPorts(folder, {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"});
    EXPECT_EQ(p.exit, 0) << p.err.join('\n').toStdString();
    for (const auto& row : rows) {
        EXPECT_EQ(rowOf(p.out, row.port).value(4).toStdString(), "not usable: no access") << row.port;
        const QStringList advice = p.err.filter(QString(row.port) + ' ');
        ASSERT_EQ(advice.size(), 1) << row.port << ": " << p.err.join('\n').toStdString();
        EXPECT_TRUE(advice[0].contains(row.says)) << advice[0].toStdString();
    }
}

} // namespace
