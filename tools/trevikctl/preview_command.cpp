// trevikctl preview: a picture of a KMC configuration, SVG or PNG.

#include "ctl_common.h"
#include "kmc_layout.h"
#include "load_flow.h"
#include "output_file.h"
#include "preview_scene.h"

int previewCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl preview FILE -o OUT.svg|OUT.png|- [--format svg|png] [--ports N]"),
                    QStringLiteral("Draws the configuration: one panel per switch port with its screens to scale, and\n"
                                   "every passage as a marked stretch on each of its edges, joined by an arrow and\n"
                                   "numbered as in the file. A file the converter refuses gets its message instead\n"
                                   "(and exit 1). The picture replaces a file at OUT whole or leaves it as it was, goes\n"
                                   "to a link's final file likewise, and into a device or FIFO; - is standard output."),
                    {kExitOk, kExitConverterRefused, kExitUsage, kExitOutput});
    command.addFile();
    command.parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The picture to write: .svg or .png; - is standard output."), QStringLiteral("OUT")});
    command.parser.addOption({QStringLiteral("format"),
                              QStringLiteral("svg or png (default: OUT's ending; SVG for -)."), QStringLiteral("FORMAT")});
    command.addPorts();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const QByteArray path = command.file();
    const QString out = command.value("output");
    const auto ending = [&out](const char* suffix) { return out.endsWith(QLatin1String(suffix), Qt::CaseInsensitive); };
    QString format = command.value("format").toLower();
    if (!command.isSet("format"))
        format = out == QLatin1String(kStandardOutputName) || ending(".svg") ? QStringLiteral("svg")
                 : ending(".png")                                            ? QStringLiteral("png")
                                                                             : QString();
    if (out.isEmpty() || (format != QLatin1String("svg") && format != QLatin1String("png")))
        return command.usageError(command.isSet("format") ? QStringLiteral("--format wants svg or png")
                                                          : QStringLiteral("-o wants a file ending in .svg or .png"));
    const int ports = command.portCount.value_or(1);

    // The verdict is the conversion library's, as for a load; the layout comes from the same
    // parser, which the library's image does not carry (screen numbers, resolutions, order).
    QString message;
    const int result = convertOnly(libraryFolder(), path, ports, message);
    KmcLayout layout;
    const Scene scene = result == 0 && readKmcLayout(path, ports, layout) ? layoutScene(layout)
                                                                           : messageScene(message);
    // The whole picture is made in memory first, so that a failure leaves nothing half written.
    const QByteArray picture = format == QLatin1String("svg") ? sceneToSvg(scene) : sceneToPng(scene);
    std::string reason = "the picture could not be encoded";
    if (picture.isEmpty() ||
        !writeOutputFile(Command::bytesOf(out).toStdString(), picture.constData(), std::size_t(picture.size()), reason)) {
        printError(QStringLiteral("cannot write %1: %2").arg(shown(Command::bytesOf(out)), QString::fromStdString(reason)));
        return kExitOutput;
    }
    if (result != 0) {
        const QString problem = unreadable(path);
        printError(problem.isEmpty() ? message : problem + QStringLiteral(" (") + message + QLatin1Char(')'));
    }
    return result == 0 ? kExitOk : kExitConverterRefused;
}
