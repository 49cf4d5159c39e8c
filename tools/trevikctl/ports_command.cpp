// trevikctl ports: every port the window lists, in its order, with where it leads.

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "com_port_names.h"
#include "ctl_common.h"
#include "list_com_ports.h"
#include "port_numbering_linux.h"

namespace {

struct PortLine
{
    unsigned int number = 0;
    QString description, device, stablePath, group;
    bool pinned = false;
    bool usable = false; // this user may open it for reading and writing
};

// The adapter's name under /dev/serial/by-id, which stays when its ttyUSBn number changes.
QString stablePathOf(const QString& device)
{
    const QDir byId(QStringLiteral("/dev/serial/by-id"));
    for (const QFileInfo& entry : byId.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (entry.canonicalFilePath() == device)
            return entry.filePath();
    }
    return QString();
}

QString groupOf(const QString& device)
{
    struct stat st {};
    if (::stat(QFile::encodeName(device).constData(), &st) != 0)
        return QString();
    const group* g = ::getgrgid(st.st_gid);
    return g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
}

} // namespace

int portsCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl ports [--json]"),
                    QStringLiteral("Lists every serial port the window lists, in the same order: its COM number, device\n"
                                   "node, stable path, description, and whether it is pinned."),
                    {kExitOk, kExitUsage});
    command.addJson();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;

    QList<unsigned int> numbers;
    QStringList descriptions;
    listComPorts(numbers, descriptions);
    QList<PortLine> lines;
    for (int i = 0; i < numbers.size(); ++i) {
        PortLine line;
        line.number = numbers[i];
        line.description = descriptions.value(i);
        const QString entry = portEntryPath(numbers[i], &line.pinned);
        line.device = QFileInfo(entry).canonicalFilePath();
        line.stablePath = stablePathOf(line.device);
        line.group = groupOf(line.device);
        line.usable = ::access(QFile::encodeName(line.device).constData(), R_OK | W_OK) == 0;
        lines << line;
    }

    if (command.isSet("json")) {
        QJsonArray array;
        for (const PortLine& l : lines)
            array.append(QJsonObject {{"port", comPortName(int(l.number))}, {"number", int(l.number)},
                                      {"device", l.device}, {"stable_path", l.stablePath},
                                      {"description", l.description}, {"pinned", l.pinned},
                                      {"usable", l.usable}, {"group", l.group}});
        printJson(array);
        return kExitOk;
    }
    for (const PortLine& l : lines)
        printLine(QStringLiteral("%1\t%2\t%3\t%4%5")
                      .arg(comPortName(int(l.number)), l.device, l.stablePath.isEmpty() ? QStringLiteral("-") : l.stablePath,
                           l.pinned ? QStringLiteral("pinned\t") : QStringLiteral("\t"), l.description));
    const QString folder = pinnedPortsFolder();
    if (lines.isEmpty())
        printLine(QStringLiteral("No serial port found. To give a device a COM number of your choice, link it "
                                 "into %1, for instance:\n  mkdir -p %1 && ln -s /dev/serial/by-id/<adapter> %1/COM5")
                      .arg(folder));
    for (const PortLine& l : lines) {
        if (!l.usable)
            printLine(QStringLiteral("%1 (%2) cannot be opened by you: it belongs to the group '%3'. Add yourself "
                                     "with: sudo usermod -aG %3 $USER (then log in again).")
                          .arg(comPortName(int(l.number)), l.device, l.group));
    }
    return kExitOk;
}
