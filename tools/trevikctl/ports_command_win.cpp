// trevikctl ports on Windows: every port the window lists, in its order, and whether this
// program can open it now (a port another program holds cannot be opened: its system text
// says so). The table goes to standard output, a word on an empty list to standard error.

#include <QJsonArray>
#include <QJsonObject>

#include "com_port_names.h"
#include "com_handler256.h"
#include "ctl_common.h"
#include "list_com_ports.h"
#include "serial_port_api.h"

namespace {

struct PortLine
{
    unsigned int number = 0;
    QString description, device, status;
    bool usable = false;
};

QList<PortLine> portLines()
{
    QList<unsigned int> numbers;
    QStringList descriptions;
    listComPorts(numbers, descriptions);
    QList<PortLine> lines;
    SerialPortApi& api = serialPortApi();
    for (int i = 0; i < numbers.size(); ++i) {
        PortLine line;
        line.number = numbers[i];
        line.description = descriptions.value(i);
        line.device = comDevicePath(int(line.number));
        const SerialHandle handle = api.open(line.device);
        line.usable = handle != kInvalidSerialHandle;
        line.status = line.usable ? QStringLiteral("usable") : QStringLiteral("not usable: ") + lastErrorText();
        if (line.usable)
            api.close(handle);
        lines << line;
    }
    return lines;
}

} // namespace

int portsCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl ports [--json]"),
                    QStringLiteral("Lists every serial port the window lists, in the same order: its COM number, device\n"
                                   "path, whether this program can open it now, and its description."),
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
                                      {"device", l.device}, {"description", l.description},
                                      {"usable", l.usable}, {"status", l.status}});
        printJson(array);
        return kExitOk;
    }
    printLine(QStringLiteral("PORT\tDEVICE\tSTATUS\tDESCRIPTION"));
    for (const PortLine& l : lines)
        printLine(QStringLiteral("%1\t%2\t%3\t%4")
                      .arg(comPortName(int(l.number)), l.device, l.status,
                           l.description.isEmpty() ? QStringLiteral("-") : l.description));
    if (lines.isEmpty())
        printError(QStringLiteral("No serial port found."));
    return kExitOk;
}
