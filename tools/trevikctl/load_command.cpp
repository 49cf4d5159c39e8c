// trevikctl load: the window's load flow on every port given, all at once: one conversion,
// then each switch's GET_INFO, port-count check and write side by side.

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>

#include "com_port_names.h"
#include "ctl_common.h"
#include "interrupt_watch.h"
#include "load_flow.h"
#include "progress_board.h"
#include "room_load.h"
#include "terminal.h"

namespace {

// What a script may rely on, from where the load ended.
int exitCodeOf(const LoadResult& r)
{
    switch (r.step) {
    case LoadResult::Loaded: return kExitOk;
    case LoadResult::Library:
    case LoadResult::Procedure:
    case LoadResult::Conversion: return kExitConverterRefused;
    case LoadResult::Info: return kExitTransport;
    case LoadResult::PortCount: return kExitWrongPortCount;
    case LoadResult::Write: break;
    }
    // The frame went out but the switch answered wrongly or not at all; anything earlier, and a
    // line that went dead, is the port's or the line's trouble.
    return r.failure == DeviceFailure::Read || r.failure == DeviceFailure::Reply ? kExitSwitchRefused
                                                                                 : kExitTransport;
}

const char* resultWord(const LoadResult& r)
{
    if (r.failure == DeviceFailure::Cancelled)
        return "interrupted";
    static const char* const kWords[] = {"no-library", "no-procedure", "refused", "no-info",
                                         "wrong-ports", "write-failed", "loaded"};
    return kWords[r.step];
}

QString oneLine(const QString& text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
}

} // namespace

int loadCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl load FILE --port COMn [--port COMm ...] [--ports N] [--json] [--quiet]"),
                    QStringLiteral("Loads FILE into the switch on every port given, all at once, as the window's\n"
                                   "Process does: convert (once), then on each port GET_INFO, check the switch's\n"
                                   "number of ports, write the image. With several ports the exit code is the most\n"
                                   "serious one among them, whatever their order: 3, then 5, then 4."),
                    {kExitOk, kExitConverterRefused, kExitUsage, kExitTransport, kExitWrongPortCount, kExitSwitchRefused});
    command.addFile();
    command.addPort(QStringLiteral("A switch's port; may be given again for another switch."));
    command.addPorts();
    command.addJson();
    command.parser.addOption({QStringLiteral("quiet"), QStringLiteral("No progress lines.")});
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const QByteArray path = command.file();
    const QList<unsigned int>& numbers = command.portNumbers;
    const int ports = command.portCount.value_or(kFewestPorts);
    const bool json = command.isSet("json");
    QStringList names;
    QList<LinkSettings> links;
    for (unsigned int number : numbers) {
        names << comPortName(int(number));
        // The stored line settings on this run's port; the stored port stays as the window left it.
        LinkSettings settings = linkSettingsFromPreferences();
        settings.portNumber = int(number);
        links << settings;
    }

    // One conversion for every switch; the image outlives the library as a copy.
    std::vector<LoadResult> results;
    QByteArray image;
    {
        ConversionLibrary library;
        ConvertedImage converted;
        if (std::optional<LoadResult> refused = convertForLoad(library, libraryFolder(), path, ports, converted)) {
            const QString problem = unreadable(path);
            if (!problem.isEmpty() && !json)
                printError(problem);
            results.assign(std::size_t(numbers.size()), *refused);
        } else {
            image = converted.copy();
        }
    }

    int interruptedBy = 0;
    if (results.empty()) {
        ProgressBoard board(names, !command.isSet("quiet") && stderrIsTerminal(), terminalColumns());
        RoomLoad room(links, image, ports);
        QObject::connect(&room, &RoomLoad::progress, [&](int i, const DeviceProgress& p) { board.show(i, p); });
        QObject::connect(&room, &RoomLoad::finished, [&](int i, const LoadResult& r) {
            board.finish(i, QLatin1String(resultWord(r)));
        });
        // Ctrl-C stops every line: unsent output is dropped, the ports are closed, and no switch
        // gets a frame that had not left the host by then.
        InterruptWatch watch;
        QObject::connect(&watch, &InterruptWatch::interrupted, [&](int signalNumber) {
            if (!interruptedBy)
                interruptedBy = signalNumber;
            COMHandler256::cancelAll();
        });
        room.run();
        results = room.results();
    }
    if (interruptedBy) {
        printError(QStringLiteral("interrupted: the lines were stopped and unsent output dropped"));
        return kExitSignalBase + interruptedBy;
    }

    QJsonArray objects;
    QStringList table;
    QList<int> codes;
    for (int i = 0; i < names.size(); ++i) {
        const LoadResult& result = results[std::size_t(i)];
        const int code = exitCodeOf(result);
        codes << code;
        const QString message = oneLine(result.text);
        QJsonObject object {{"port", names[i]}, {"result", resultWord(result)}, {"exit", code},
                            {"message", message}, {"switch_ports", result.switchPorts},
                            {"converter_result", result.converterResult}};
        object.insert(QStringLiteral("ports"), command.portCount ? QJsonValue(ports) : QJsonValue());
        objects.append(object);
        table << QStringLiteral("%1\t%2\t%3").arg(names[i], QLatin1String(resultWord(result)), message);
    }
    if (json) {
        printJson(objects);
    } else if (results.front().step <= LoadResult::Conversion) {
        printError(oneLine(results.front().text)); // the same for every port: said once
    } else {
        for (int i = 0; i < names.size(); ++i)
            printLine(QStringLiteral("%1: %2").arg(names[i], oneLine(results[std::size_t(i)].text)));
        if (names.size() > 1)
            printLine(QStringLiteral("\nPORT\tRESULT\tMESSAGE\n") + table.join(QLatin1Char('\n')));
    }
    return overallExit(codes);
}
