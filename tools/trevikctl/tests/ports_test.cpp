// What `trevikctl ports` makes of a port's entry: the kind of thing it leads to, the advice for a
// device this user cannot open, and the table and advice as the program prints them.

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <functional>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include "port_assessment.h"

namespace {

// A pseudo-terminal pair held open for the test's life; `slave` is its /dev/pts path.
struct Pty
{
    Pty()
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
            slave = QString::fromLocal8Bit(::ptsname(master));
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    QString slave;
};

// The major number the kernel gives pseudo-terminal slaves, read from a real one.
unsigned ptyMajor(const Pty& pty)
{
    struct stat st {};
    return ::stat(QFile::encodeName(pty.slave).constData(), &st) == 0 ? major(st.st_rdev) : 0;
}

// A character device node at `path`; false when this user may not make one.
bool makeNode(const QString& path, unsigned maj, unsigned min, mode_t mode, gid_t gid)
{
    if (::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0600, makedev(maj, min)) != 0)
        return false;
    return ::chown(QFile::encodeName(path).constData(), 0, gid) == 0
        && ::chmod(QFile::encodeName(path).constData(), mode) == 0;
}

long gidOf(const char* name)
{
    const group* g = ::getgrnam(name);
    return g ? long(g->gr_gid) : -1;
}

// ----- what an entry leads to -----

struct KindRow
{
    const char* label;
    // Makes the thing at `path`; returns false to skip the row (with the reason in `why`).
    std::function<bool(const QString& path, const Pty& pty, std::string& why)> make;
    PortTarget::Kind kind;
};

void PrintTo(const KindRow& row, std::ostream* os) { *os << row.label; }

class TargetKind : public ::testing::TestWithParam<KindRow> {};

TEST_P(TargetKind, ThroughALink)
{
    const KindRow& row = GetParam();
    QTemporaryDir dir;
    Pty pty;
    ASSERT_TRUE(dir.isValid() && !pty.slave.isEmpty());
    const QString target = dir.filePath("target"), link = dir.filePath("COM9");
    std::string why;
    if (!row.make(target, pty, why))
        GTEST_SKIP() << why;
    const QString followed = QFileInfo(target).isSymLink() ? QFileInfo(target).symLinkTarget() : target;
    ASSERT_TRUE(QFile::link(followed, link));
    const PortTarget t = examinePortTarget(link);
    EXPECT_EQ(t.kind, row.kind) << t.kindText().toStdString();
    EXPECT_EQ(t.serial(), row.kind == PortTarget::Terminal);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TargetKind,
    ::testing::Values(
        KindRow {"regular file",
                 [](const QString& p, const Pty&, std::string&) {
                     QFile f(p);
                     return f.open(QIODevice::WriteOnly) && f.write("AT\r\n") == 4;
                 },
                 PortTarget::RegularFile},
        KindRow {"empty regular file",
                 [](const QString& p, const Pty&, std::string&) { return QFile(p).open(QIODevice::WriteOnly); },
                 PortTarget::RegularFile},
        KindRow {"folder", [](const QString& p, const Pty&, std::string&) { return QDir().mkdir(p); },
                 PortTarget::Folder},
        KindRow {"/dev/null", [](const QString& p, const Pty&, std::string&) { return QFile::link("/dev/null", p); },
                 PortTarget::OtherCharacterDevice},
        KindRow {"a live pseudo-terminal",
                 [](const QString& p, const Pty& pty, std::string&) { return QFile::link(pty.slave, p); },
                 PortTarget::Terminal},
        KindRow {"a pipe",
                 [](const QString& p, const Pty&, std::string&) {
                     return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0;
                 },
                 PortTarget::Pipe},
        KindRow {"nothing (the link dangles)", [](const QString&, const Pty&, std::string&) { return true; },
                 PortTarget::Missing},
        KindRow {"a node of the pseudo-terminal driver with no terminal behind it",
                 [](const QString& p, const Pty& pty, std::string& why) {
                     why = "mknod not permitted";
                     return makeNode(p, ptyMajor(pty), 1048000, 0600, 0);
                 },
                 PortTarget::Terminal},
        KindRow {"a node of the memory driver (null's twin)",
                 [](const QString& p, const Pty&, std::string& why) {
                     why = "mknod not permitted";
                     return makeNode(p, 1, 3, 0666, 0);
                 },
                 PortTarget::OtherCharacterDevice}));

// ----- advice for a device this user cannot open -----

struct AdviceRow
{
    const char* label;
    const char* group; // by name; the row is skipped when the system lacks it
    mode_t mode;
    bool alreadyMember;
    const char* says;    // the advice contains this
    const char* never;   // and never this
    bool joinable;       // joinableGroup() names the device's group
};

void PrintTo(const AdviceRow& row, std::ostream* os) { *os << row.label; }

class Advice : public ::testing::TestWithParam<AdviceRow> {};

TEST_P(Advice, NamesAGroupOnlyWhenJoiningItOpensTheDevice)
{
    const AdviceRow& row = GetParam();
    const long gid = gidOf(row.group);
    if (gid < 0)
        GTEST_SKIP() << "no group " << row.group << " here";
    QTemporaryDir dir;
    Pty pty;
    ASSERT_TRUE(dir.isValid() && !pty.slave.isEmpty());
    const QString node = dir.filePath("ttyUSB9");
    if (!makeNode(node, ptyMajor(pty), 1048001, row.mode, gid_t(gid)))
        GTEST_SKIP() << "mknod not permitted: " << std::strerror(errno);
    const PortTarget t = examinePortTarget(node);
    ASSERT_EQ(t.kind, PortTarget::Terminal);
    EXPECT_EQ(t.st.st_mode & 07777, row.mode);

    EXPECT_EQ(joinableGroup(t.st), row.joinable ? gid : -1);
    const QString advice = accessAdvice("COM42", node, t.st, row.alreadyMember);
    EXPECT_TRUE(advice.startsWith("COM42 (" + node + ") cannot be opened by you")) << advice.toStdString();
    EXPECT_TRUE(advice.contains(row.says)) << advice.toStdString();
    EXPECT_FALSE(advice.contains(row.never)) << advice.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Advice,
    ::testing::Values(
        AdviceRow {"root-owned, 0600", "root", 0600, false, "Ask an administrator", "usermod", false},
        AdviceRow {"root's group may read and write, 0660", "root", 0660, false, "Ask an administrator", "usermod",
                   false},
        AdviceRow {"dialout may read and write, 0660", "dialout", 0660, false, "sudo usermod -aG dialout $USER",
                   "Ask an administrator", true},
        AdviceRow {"dialout may read and write, others too, 0666", "dialout", 0666, false,
                   "usermod -aG dialout", "Ask an administrator", true},
        AdviceRow {"dialout may only read, 0640", "dialout", 0640, false, "Ask an administrator", "usermod", false},
        AdviceRow {"dialout may only write, 0620", "dialout", 0620, false, "Ask an administrator", "usermod", false},
        AdviceRow {"dialout may do nothing, 0604", "dialout", 0604, false, "mode 0604", "usermod", false},
        AdviceRow {"dialout joined but not yet in this session", "dialout", 0660, true, "newgrp dialout", "usermod",
                   true}));

// ----- the program's table and advice -----

struct Printed
{
    int exit = -1;
    QStringList out, err;
};

// `trevikctl ports` on the pinned folder `folder`; as the user nobody when `asNobody`.
Printed runPorts(const QString& folder, bool asNobody = false)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TREVIK_PORT_DIR", folder);
    process.setProcessEnvironment(environment);
    if (asNobody)
        process.start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", TREVIKCTL_PATH, "ports"});
    else
        process.start(TREVIKCTL_PATH, {"ports"});
    EXPECT_TRUE(process.waitForFinished(30000));
    const auto lines = [](const QByteArray& b) { return QString::fromLocal8Bit(b).split('\n', Qt::SkipEmptyParts); };
    return {process.exitCode(), lines(process.readAllStandardOutput()), lines(process.readAllStandardError())};
}

// The table's row for `port`, split into its columns; empty when it has none.
QStringList rowOf(const QStringList& table, const QString& port)
{
    for (const QString& line : table) {
        if (line.startsWith(port + '\t'))
            return line.split('\t');
    }
    return {};
}

TEST(PortsTable, PinnedEntriesThatLeadToNoTerminalAreMarkedAndAdvisedOnStandardError)
{
    QTemporaryDir home;
    Pty pty;
    ASSERT_TRUE(home.isValid() && !pty.slave.isEmpty());
    const QString folder = home.filePath("ports");
    ASSERT_TRUE(QDir().mkpath(folder) && QDir().mkpath(home.filePath("a-folder")));
    QFile file(home.filePath("a-file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    file.close();

    const struct
    {
        const char* port;
        QString target;
        const char* status;
        const char* advice; // in the advice on standard error; null when there is none
    } rows[] = {
        {"COM20", home.filePath("a-file"), "not usable: regular file", "is a regular file, not a serial device"},
        {"COM21", home.filePath("a-folder"), "not usable: folder", "is a folder, not a serial device"},
        {"COM22", "/dev/null", "not usable: not a terminal", "character device, not a terminal"},
        {"COM23", pty.slave, "usable", nullptr},
        {"COM24", home.filePath("unplugged"), "not usable: target missing", "leads nowhere"},
    };
    for (const auto& row : rows)
        ASSERT_TRUE(QFile::link(row.target, folder + '/' + row.port)) << row.port;

    const Printed p = runPorts(folder);
    EXPECT_EQ(p.exit, 0);
    ASSERT_FALSE(p.out.isEmpty());
    EXPECT_EQ(p.out.first(), "PORT\tDEVICE\tSTABLE-PATH\tPINNED\tSTATUS\tDESCRIPTION");
    for (const QString& line : p.out.mid(1))
        EXPECT_EQ(line.split('\t').size(), 6) << "only table rows on standard output: " << line.toStdString();
    for (const auto& row : rows) {
        const QStringList columns = rowOf(p.out, row.port);
        ASSERT_EQ(columns.size(), 6) << row.port << ": " << p.out.join('\n').toStdString();
        EXPECT_EQ(columns[3], "pinned") << row.port;
        EXPECT_EQ(columns[4], row.status) << row.port;
        const QStringList advice = p.err.filter(QString(row.port) + ' ');
        if (!row.advice) {
            EXPECT_TRUE(advice.isEmpty()) << row.port << ": " << advice.join('\n').toStdString();
            continue;
        }
        ASSERT_EQ(advice.size(), 1) << row.port << ": " << p.err.join('\n').toStdString();
        EXPECT_TRUE(advice.first().contains(row.advice)) << advice.first().toStdString();
        EXPECT_TRUE(advice.first().contains(folder + '/' + row.port)) << "names the entry to mend";
    }
    EXPECT_EQ(rowOf(p.out, "COM23")[1], pty.slave);
}

// The advice as a user who cannot open the devices sees it: the test runs the program as
// nobody, on device nodes of its own making.
TEST(PortsTable, AdviceForDevicesThisUserCannotOpen)
{
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty() || gidOf("dialout") < 0)
        GTEST_SKIP() << "needs root, setpriv and a dialout group to act as another user";
    QTemporaryDir home;
    Pty pty;
    ASSERT_TRUE(home.isValid() && !pty.slave.isEmpty());
    const QString folder = home.filePath("ports");
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const QString& path : {home.path(), folder})
        ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                    | QFile::ReadOther | QFile::ExeOther));
    const struct
    {
        const char* port;
        const char* group;
        mode_t mode;
        const char* says;
        bool suggestsJoining;
    } rows[] = {
        {"COM40", "root", 0600, "no group you could join would help", false},
        {"COM41", "dialout", 0660, "sudo usermod -aG dialout $USER", true},
        {"COM42", "dialout", 0640, "no group you could join would help", false},
        {"COM43", "root", 0660, "no group you could join would help", false},
    };
    unsigned minor = 1048010;
    for (const auto& row : rows) {
        const QString node = home.filePath(QString("tty") + row.port);
        if (!makeNode(node, ptyMajor(pty), minor++, row.mode, gid_t(gidOf(row.group))))
            GTEST_SKIP() << "mknod not permitted";
        ASSERT_TRUE(QFile::link(node, folder + '/' + row.port));
    }

    const Printed p = runPorts(folder, true);
    EXPECT_EQ(p.exit, 0) << p.err.join('\n').toStdString();
    for (const auto& row : rows) {
        const QStringList columns = rowOf(p.out, row.port);
        ASSERT_EQ(columns.size(), 6) << row.port << ": " << p.out.join('\n').toStdString();
        EXPECT_EQ(columns[4], "not usable: no access") << row.port;
        const QStringList advice = p.err.filter(QString(row.port) + ' ');
        ASSERT_EQ(advice.size(), 1) << row.port << ": " << p.err.join('\n').toStdString();
        EXPECT_TRUE(advice.first().contains(row.says)) << advice.first().toStdString();
        EXPECT_EQ(advice.first().contains("usermod"), row.suggestsJoining) << advice.first().toStdString();
    }
}

TEST(PortsTable, TheHeaderComesFirstWithoutPinnedPorts)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const Printed p = runPorts(home.filePath("none"));
    EXPECT_EQ(p.exit, 0);
    // A machine with serial ports of its own lists them; the header still comes first.
    ASSERT_FALSE(p.out.isEmpty());
    EXPECT_EQ(p.out.first(), "PORT\tDEVICE\tSTABLE-PATH\tPINNED\tSTATUS\tDESCRIPTION");
    if (p.out.size() == 1) {
        ASSERT_FALSE(p.err.isEmpty());
        EXPECT_TRUE(p.err.first().startsWith("No serial port found")) << p.err.join('\n').toStdString();
    }
}

} // namespace
