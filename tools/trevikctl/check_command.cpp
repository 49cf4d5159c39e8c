// trevikctl check: a KMC file's header fields as the window shows them, and the converter's
// verdict.

#include <QFile>
#include <QJsonObject>

#include "config_header.h"
#include "ctl_common.h"
#include "load_flow.h"

int checkCommand(const QStringList& arguments)
{
    Command command;
    command.usage = QStringLiteral("trevikctl check FILE [--ports N] [--json]");
    command.parser.setApplicationDescription(
        QStringLiteral("Shows a KMC file's date, name and description as the window does, and whether the\n"
                       "converter takes it (exit 0) or refuses it (exit 1), with its message."));
    command.parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The KMC file."));
    command.parser.addOption({QStringLiteral("ports"),
                              QStringLiteral("The switch's number of ports (default: the file's own)."),
                              QStringLiteral("N")});
    command.parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    int exit = kExitOk;
    if (!parseCommand(command, arguments, 1, exit))
        return exit;
    const QString path = command.parser.positionalArguments().first();
    bool numeric = true;
    const int ports = command.parser.isSet(QStringLiteral("ports"))
        ? command.parser.value(QStringLiteral("ports")).toInt(&numeric)
        : fileOwnPortCount(path);
    if (!numeric) {
        printError(QStringLiteral("--ports wants a number\nUsage: ") + command.usage);
        return kExitUsage;
    }

    ConfigHeader header;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        header = readConfigHeaderLines(file);
    QString message;
    const int result = convertOnly(libraryFolder(), path, ports, message);

    if (command.parser.isSet(QStringLiteral("json"))) {
        printJson(QJsonObject {{"file", path}, {"date", header.strDate}, {"name", header.strName},
                               {"description", header.strDescription}, {"ports", ports},
                               {"result", result}, {"message", message}});
    } else {
        printLine(QStringLiteral("Date and time: %1\nName: %2\nDescription: %3\nPorts: %4\n%5")
                      .arg(header.strDate, header.strName, header.strDescription)
                      .arg(ports)
                      .arg(message));
    }
    return result == 0 ? kExitOk : kExitConverterRefused;
}
