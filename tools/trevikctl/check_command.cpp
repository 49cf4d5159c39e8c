// trevikctl check: a KMC file's header fields as the window shows them, and the converter's
// verdict.

#include <QFile>
#include <QJsonObject>

#include "config_header.h"
#include "ctl_common.h"
#include "load_flow.h"

int checkCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl check FILE [--ports N] [--json]"),
                    QStringLiteral("Shows a KMC file's date, name and description as the window does, and whether the\n"
                                   "converter takes it (exit 0) or refuses it (exit 1), with its message."));
    command.addFile();
    command.addPorts();
    command.addJson();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const int ports = command.portCount;
    const QString path = command.file();

    ConfigHeader header;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        header = readConfigHeaderLines(file);
    QString message;
    const int result = convertOnly(libraryFolder(), path, ports, message);

    if (command.isSet("json")) {
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
