// trevikctl check: a KMC file's header fields as the window shows them, and the converter's
// verdict.

#include <QBuffer>
#include <QJsonObject>
#include <cstdio>

#include "config_header.h"
#include "ctl_common.h"
#include "load_flow.h"

namespace {

// The header lines of the file at `path`, read through the same narrow open the library uses.
ConfigHeader headerOf(const QByteArray& path)
{
    QByteArray content;
    if (std::FILE* file = std::fopen(path.constData(), "rb")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            content.append(buffer, int(n));
        std::fclose(file);
    }
    QBuffer device(&content);
    device.open(QIODevice::ReadOnly);
    return readConfigHeaderLines(device);
}

} // namespace

int checkCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl check FILE [--ports N] [--json]"),
                    QStringLiteral("Shows a KMC file's date, name and description as the window does, and whether the\n"
                                   "converter takes it (exit 0) or refuses it (exit 1), with its message."),
                    {kExitOk, kExitConverterRefused, kExitUsage});
    command.addFile();
    command.addPorts();
    command.addJson();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const QByteArray path = command.file();
    // The library's own text names no file; the user's path and the system's reason come first.
    const QString problem = unreadable(path);
    const ConfigHeader header = headerOf(path);
    QString message;
    const int result = convertOnly(libraryFolder(), path, command.portCount.value_or(1), message);

    if (command.isSet("json")) {
        QJsonObject object {{"file", shown(path)}, {"date", header.strDate}, {"name", header.strName},
                            {"description", header.strDescription}, {"result", result}, {"message", message}};
        object.insert(QStringLiteral("ports"), command.portCount ? QJsonValue(*command.portCount) : QJsonValue());
        if (!problem.isEmpty())
            object.insert(QStringLiteral("error"), problem);
        printJson(object);
    } else {
        if (!problem.isEmpty())
            printError(problem);
        printLine(QStringLiteral("Date and time: %1\nName: %2\nDescription: %3\nPorts: %4\n%5")
                      .arg(header.strDate, header.strName, header.strDescription,
                           command.portCount ? QString::number(*command.portCount) : QStringLiteral("unknown"),
                           message));
    }
    return result == 0 ? kExitOk : kExitConverterRefused;
}
