// trevikctl info: the switch's information records, as GET_INFO reads them for the window.

#include <QJsonArray>
#include <QJsonObject>

#include "com_handler256.h"
#include "com_port_names.h"
#include "ctl_common.h"
#include "link_settings.h"

int infoCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl info --port COMn [--json]"),
                    QStringLiteral("Asks the switch on COMn for its 32 information records (GET_INFO) and prints its\n"
                                   "number of ports and the records in hex."),
                    {kExitOk, kExitUsage, kExitTransport});
    command.addPort(QStringLiteral("The switch's port."));
    command.addJson();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    if (command.portNumbers.size() != 1)
        return command.usageError(QStringLiteral("info asks one switch: give --port once"));
    const unsigned int number = command.portNumbers.first();

    // The stored line settings, on this run's port; the stored port stays as the window left it.
    LinkSettings settings = linkSettingsFromPreferences();
    settings.portNumber = int(number);
    COMHandler256 handler(settings);
    QList<InfoRecord> records;
    QString error;
    const bool ok = handler.getInfo(records, error);
    const QString port = comPortName(int(number));
    QJsonArray hexRecords;
    for (const InfoRecord& r : records)
        hexRecords.append(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(&r), sizeof r).toHex(' ')));
    const int switchPorts = ok && !records.isEmpty() ? switchPortCount(records.first()) : -1;

    if (command.isSet("json")) {
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
