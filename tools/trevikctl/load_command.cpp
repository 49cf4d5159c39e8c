// trevikctl load: the window's load flow, step for step, against one port after another.

#include <QJsonArray>
#include <QJsonObject>
#include <unistd.h>

#include "app_preferences.h"
#include "com_port_names.h"
#include "ctl_common.h"
#include "load_flow.h"
#include "progress_bar.h"

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
    // The frame went out but the switch answered wrongly or not at all; anything earlier is
    // the port's or the line's trouble.
    return r.failure == DeviceFailure::Read || r.failure == DeviceFailure::Reply ? kExitSwitchRefused
                                                                                 : kExitTransport;
}

const char* resultWord(const LoadResult& r)
{
    static const char* const kWords[] = {"no-library", "no-procedure", "refused", "no-info",
                                         "wrong-ports", "write-failed", "loaded"};
    return kWords[r.step];
}

} // namespace

int loadCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl load FILE --port COMn [--port COMm ...] [--ports N] [--json] [--quiet]"),
                    QStringLiteral("Loads FILE into the switch on each port in turn, as the window's Process does:\n"
                                   "convert, GET_INFO, check the switch's number of ports, write the image."));
    command.addFile();
    command.addPort(QStringLiteral("A switch's port; may be given again."));
    command.addPorts();
    command.addJson();
    command.parser.addOption({QStringLiteral("quiet"), QStringLiteral("No progress bar.")});
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const QString path = command.file();
    const QList<unsigned int>& numbers = command.portNumbers;
    const int ports = command.portCount;
    const bool json = command.isSet("json");
    const bool bar = !command.isSet("quiet") && ::isatty(STDERR_FILENO);

    QJsonArray objects;
    QStringList table;
    int firstFailure = kExitOk;
    for (unsigned int number : numbers) {
        const QString port = comPortName(int(number));
        pref::iDeviceCom = int(number); // for this run only: the stored port stays
        LoadResult result;
        {
            ProgressBar progress(port, bar);
            const DeviceProgressFn show = [&](const DeviceProgress& p) { progress.show(p); };
            COMHandler256 handler;
            handler.setProgress(show);
            result = runLoad(libraryFolder(), path, ports, handler,
                             [&](unsigned char* image, int size) { return writeImage(image, size, show); });
        }
        const int code = exitCodeOf(result);
        if (firstFailure == kExitOk)
            firstFailure = code;
        const QString message = QString(result.text).replace(QLatin1Char('\n'), QLatin1Char(' '));
        objects.append(QJsonObject {{"port", port}, {"result", resultWord(result)}, {"exit", code},
                                    {"message", message}, {"ports", ports},
                                    {"switch_ports", result.switchPorts},
                                    {"converter_result", result.converterResult}});
        table << QStringLiteral("%1\t%2\t%3").arg(port, QLatin1String(resultWord(result)), message);
        if (!json)
            printLine(QStringLiteral("%1: %2").arg(port, message));
    }
    if (json)
        printJson(objects);
    else if (numbers.size() > 1)
        printLine(QStringLiteral("\nPORT\tRESULT\tMESSAGE\n") + table.join(QLatin1Char('\n')));
    return firstFailure;
}
