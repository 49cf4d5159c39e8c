// trevikctl info: the switch's information records, as GET_INFO reads them for the window.

#include <QJsonArray>
#include <QJsonObject>

#include "app_preferences.h"
#include "com_handler256.h"
#include "com_port_names.h"
#include "ctl_common.h"

int infoCommand(const QStringList& arguments)
{
    Command command;
    command.usage = QStringLiteral("trevikctl info --port COMn [--json]");
    command.parser.setApplicationDescription(
        QStringLiteral("Asks the switch on COMn for its 32 information records (GET_INFO) and prints its\n"
                       "number of ports and the records in hex."));
    command.parser.addOption({QStringLiteral("port"), QStringLiteral("The switch's port."), QStringLiteral("COMn")});
    command.parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON.")});
    int exit = kExitOk;
    if (!parseCommand(command, arguments, 0, exit))
        return exit;
    const unsigned int number = portNumberOf(command.parser.value(QStringLiteral("port")));
    if (number == 0) {
        printError(QStringLiteral("--port wants a port such as COM7\nUsage: ") + command.usage);
        return kExitUsage;
    }

    // For this run only: the stored port stays as the window left it.
    pref::iDeviceCom = int(number);
    COMHandler256 handler;
    QList<InfoRecord> records;
    QString error;
    const bool ok = handler.getInfo(records, error);
    const QString port = comPortName(int(number));
    QJsonArray hexRecords;
    for (const InfoRecord& r : records)
        hexRecords.append(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(&r), sizeof r).toHex(' ')));
    const int switchPorts = ok && !records.isEmpty() ? switchPortCount(records.first()) : -1;

    if (command.parser.isSet(QStringLiteral("json"))) {
        printJson(QJsonObject {{"port", port}, {"ok", ok}, {"error", error}, {"switch_ports", switchPorts},
                               {"records", hexRecords}});
    } else if (ok) {
        printLine(QStringLiteral("%1: a switch with %2 ports").arg(port).arg(switchPorts));
        printLine(QStringLiteral("record  index infoA infoB infoWord    infoBlock               infoTail    status"));
        for (int i = 0; i < hexRecords.size(); ++i)
            printLine(QStringLiteral("%1  %2").arg(i, 6).arg(hexRecords[i].toString()));
    } else {
        printError(QStringLiteral("%1: %2").arg(port, error));
    }
    return ok ? kExitOk : kExitTransport;
}
