// trevikctl ports: every port the window lists, in its order, with where it leads, whether it
// is a serial device at all and whether this user may open it; then the pinned entries the
// window leaves out because their device is gone. The table goes to standard output, the
// advice on what to do about a port to standard error.

#include <QDir>
#include <QHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <unistd.h>

#include "com_port_names.h"
#include "ctl_common.h"
#include "list_com_ports.h"
#include "port_assessment.h"
#include "port_numbering_linux.h"

namespace {

struct PortLine
{
    unsigned int number = 0;
    QString description, device, stablePath, group;
    bool pinned = false;
    bool listed = true;  // the window offers it
    bool serial = false; // a terminal device: something a switch can answer on
    bool usable = false; // a serial device this user may open for reading and writing
    QString targetType;  // "tty", "regular file", "folder", "missing", ...
    QString status;      // the table's word for it: "usable" or "not usable: <why>"
    QString hint;        // what to do about it; empty when nothing
    QString entry;       // the pinned entry, when pinned
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

// The table's word for a port: "usable", else "not usable: " and why.
QString statusOf(const PortTarget& target, bool usable)
{
    if (usable)
        return QStringLiteral("usable");
    switch (target.kind) {
    case PortTarget::Terminal: return QStringLiteral("not usable: no access");
    case PortTarget::Missing: return QStringLiteral("not usable: target missing");
    case PortTarget::OtherCharacterDevice: return QStringLiteral("not usable: not a terminal");
    default: return QStringLiteral("not usable: ") + target.kindText();
    }
}

// Fills in where a port leads and what can be done with it.
void examine(PortLine& line, const QString& linkTarget)
{
    const QString name = comPortName(int(line.number));
    const QString pinnedText = QStringLiteral("%1 (pinned: %2 -> %3)").arg(name, line.entry, linkTarget);
    const PortTarget target = examinePortTarget(line.device);
    line.targetType = target.kindText();
    line.serial = target.serial();
    if (line.serial)
        line.usable = ::access(QFile::encodeName(line.device).constData(), R_OK | W_OK) == 0;
    line.status = statusOf(target, line.usable);
    if (target.kind == PortTarget::Missing) {
        line.hint = line.pinned
            ? QStringLiteral("%1 leads nowhere: the window neither lists nor opens it, and keeps its number "
                             "from other devices. Plug the adapter in, or remove the link: rm %2")
                  .arg(pinnedText, line.entry)
            : QStringLiteral("%1 went away while it was being listed.").arg(name);
        return;
    }
    line.group = groupName(target.st.st_gid);
    if (!line.serial) {
        line.hint = QStringLiteral("%1 is a %2, not a serial device: the window lists it, but no switch can "
                                   "answer there.")
                        .arg(line.pinned ? pinnedText : name, line.targetType);
        if (line.pinned)
            line.hint += QStringLiteral(" Point the link at the adapter: ln -sfn /dev/serial/by-id/<adapter> %1")
                             .arg(line.entry);
        return;
    }
    if (!line.usable)
        line.hint = accessAdvice(name, line.device, target.st, userInGroupDatabase(target.st.st_gid));
}

QList<PortLine> portLines()
{
    QList<unsigned int> numbers;
    QStringList descriptions;
    listComPorts(numbers, descriptions);
    QHash<unsigned int, PinnedPort> pinned;
    for (const PinnedPort& p : pinnedPorts(pinnedPortsFolder()))
        pinned.insert(p.number, p);

    QList<PortLine> lines;
    QSet<unsigned int> listed;
    for (int i = 0; i < numbers.size(); ++i) {
        PortLine line;
        line.number = numbers[i];
        line.description = descriptions.value(i);
        const QString entry = portEntryPath(numbers[i], &line.pinned);
        if (line.pinned)
            line.entry = entry;
        line.device = QFileInfo(entry).canonicalFilePath();
        line.stablePath = stablePathOf(line.device);
        examine(line, pinned.value(line.number).target);
        lines << line;
        listed.insert(line.number);
    }
    // A pinned entry whose device is gone is not in the window's list; it still holds its number.
    for (const PinnedPort& p : pinnedPorts(pinnedPortsFolder())) {
        if (listed.contains(p.number))
            continue;
        PortLine line;
        line.number = p.number;
        line.pinned = true;
        line.listed = false;
        line.entry = p.entryPath;
        examine(line, p.target);
        line.device = p.target; // where it would lead, as the link says
        lines << line;
    }
    return lines;
}

QString orDash(const QString& text)
{
    return text.isEmpty() ? QStringLiteral("-") : text;
}

} // namespace

int portsCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl ports [--json]"),
                    QStringLiteral("Lists every serial port the window lists, in the same order: its COM number, device\n"
                                   "node, stable path, whether it is pinned, its status and description. Pinned entries\n"
                                   "whose device is gone follow. A status other than \"usable\" (\"not usable: no access\",\n"
                                   "\"not usable: regular file\", ...) comes with advice on standard error; with --json,\n"
                                   "in \"hint\"."),
                    {kExitOk, kExitUsage});
    command.addJson();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;

    const QList<PortLine> lines = portLines();
    if (command.isSet("json")) {
        QJsonArray array;
        for (const PortLine& l : lines)
            array.append(QJsonObject {{"port", comPortName(int(l.number))}, {"number", int(l.number)},
                                      {"device", l.device}, {"stable_path", l.stablePath},
                                      {"description", l.description}, {"pinned", l.pinned},
                                      {"usable", l.usable}, {"group", l.group}, {"listed", l.listed},
                                      {"serial", l.serial}, {"target_type", l.targetType},
                                      {"status", l.status}, {"hint", l.hint}});
        printJson(array); // the advice is in each port's "hint"
        return kExitOk;
    }
    printLine(QStringLiteral("PORT\tDEVICE\tSTABLE-PATH\tPINNED\tSTATUS\tDESCRIPTION"));
    for (const PortLine& l : lines)
        printLine(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6")
                      .arg(comPortName(int(l.number)), orDash(l.device), orDash(l.stablePath),
                           l.pinned ? QStringLiteral("pinned") : QStringLiteral("-"), l.status,
                           orDash(l.description)));
    if (lines.isEmpty())
        printError(QStringLiteral("No serial port found. To give a device a COM number of your choice, link it "
                                  "into %1, for instance:\n  mkdir -p %1 && ln -s /dev/serial/by-id/<adapter> %1/COM5")
                       .arg(pinnedPortsFolder()));
    for (const PortLine& l : lines) {
        if (!l.hint.isEmpty())
            printError(l.hint);
    }
    return kExitOk;
}
