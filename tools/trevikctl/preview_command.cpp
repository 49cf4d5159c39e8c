// trevikctl preview: a picture of a KMC configuration, SVG or PNG.

#include <QFile>

#include "ctl_common.h"
#include "kmc_layout.h"
#include "load_flow.h"
#include "preview_scene.h"

int previewCommand(const QStringList& arguments)
{
    Command command(QStringLiteral("trevikctl preview FILE -o OUT.svg|OUT.png [--ports N]"),
                    QStringLiteral("Draws the configuration: one panel per switch port with its screens to scale, and\n"
                                   "every passage as a marked stretch on each of its edges, joined by an arrow and\n"
                                   "numbered as in the file. A file the converter refuses gets its message instead\n"
                                   "(and exit 1)."));
    command.addFile();
    command.parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                              QStringLiteral("The picture to write: .svg or .png."), QStringLiteral("OUT")});
    command.addPorts();
    int exit = kExitOk;
    if (!command.parse(arguments, exit))
        return exit;
    const QString path = command.file();
    const QString out = command.value("output");
    const bool svg = out.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    if (!svg && !out.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        return command.usageError(QStringLiteral("-o wants a file ending in .svg or .png"));
    const int ports = command.portCount;

    // The verdict is the conversion library's, as for a load; the layout comes from the same
    // parser, which the library's image does not carry (screen numbers, resolutions, order).
    QString message;
    const int result = convertOnly(libraryFolder(), path, ports, message);
    KmcLayout layout;
    const Scene scene = result == 0 && readKmcLayout(path, ports, layout) ? layoutScene(layout)
                                                                           : messageScene(message);
    bool written = false;
    if (svg) {
        QFile file(out);
        written = file.open(QIODevice::WriteOnly) && file.write(sceneToSvg(scene)) >= 0 && file.flush();
    } else {
        written = writeScenePng(scene, out); // main made a GUI application for the fonts
    }
    if (!written) {
        printError(QStringLiteral("cannot write %1").arg(out));
        return kExitUsage;
    }
    if (result != 0)
        printError(message);
    return result == 0 ? kExitOk : kExitConverterRefused;
}
