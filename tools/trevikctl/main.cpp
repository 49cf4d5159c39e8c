// trevikctl: the operator's command line for KM switches, on the window's own device link,
// preferences and conversion library: ports, info, check, preview, load.

#include <QCoreApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app_identity.h"
#include "cqt_config_mgr.h"
#include "ctl_common.h"

namespace {

const char* const kUsage =
    "Usage: trevikctl COMMAND [options]\n"
    "The operator's command line for KM switches.\n\n"
    "Commands:\n"
    "  ports     the serial ports the window lists\n"
    "  info      a switch's port count and information records\n"
    "  check     a KMC file's header and the converter's verdict\n"
    "  preview   a picture of a KMC configuration (SVG or PNG)\n"
    "  load      load a KMC file into one or more switches\n\n"
    "trevikctl COMMAND --help tells more; trevikctl --version names the version.\n\n";

// The framework's info lines go to Qt's debug output: not on an operator's terminal.
void quietDebug(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[])
{
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (command == QLatin1String("--version")) {
        std::printf("trevikctl (%s) %s, build %s\n", kAppName, kAppVersion, kAppBuild);
        return kExitOk;
    }
    qInstallMessageHandler(quietDebug);
    // A picture needs fonts and so a GUI application; it paints offscreen, without a display.
    std::unique_ptr<QCoreApplication> application;
    if (command == QLatin1String("preview")) {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The window's preferences: line settings, debug.ini and the user's settings file.
    g_configMgr.initialize();

    // The command line's own bytes: a file name need not be valid in any encoding.
    const QStringList arguments = commandLineArguments(argc, argv).mid(1);
    using Run = int (*)(const QStringList&);
    const struct { const char* name; Run run; } commands[] = {
        {"ports", portsCommand}, {"info", infoCommand}, {"check", checkCommand},
        {"preview", previewCommand}, {"load", loadCommand}};
    for (const auto& c : commands) {
        if (command == QLatin1String(c.name))
            return c.run(arguments);
    }
    const bool help = command == QLatin1String("--help") || command == QLatin1String("-h");
    std::fputs(kUsage, help ? stdout : stderr);
    std::fputs(qPrintable(exitCodeHelp(kAllExitCodes)), help ? stdout : stderr);
    if (!help && !command.isEmpty())
        printError(QStringLiteral("unknown command '%1'").arg(command));
    return help ? kExitOk : kExitUsage;
}
