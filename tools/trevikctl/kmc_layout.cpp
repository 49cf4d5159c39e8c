#include "kmc_layout.h"

#include <QFile>

#include "kmc_parser.h"
#include "line_reader.h"
#include "message_buffer.h"

bool readKmcLayout(const QByteArray& path, int ports, KmcLayout& layout)
{
    // The parser's tables are large: one static copy, as in the library.
    static zentrix::KmcData data;
    data.ports = ports;
    char text[256] = {};
    zentrix::MessageBuffer out(text, int(sizeof text));
    zentrix::FileSource file;
    if (!file.open(path.constData()))
        return false;
    zentrix::LineReader reader(file.source());
    if (zentrix::parseKmc(reader, data, out) != zentrix::ParseResult::Complete)
        return false;
    layout = KmcLayout {};
    layout.ports = ports;
    for (int i = 0; i < data.geometryCount; ++i) {
        const zentrix::geometry_line& g = data.geometry[i];
        layout.screens.append({g.port, g.screen, g.x, g.y, g.width, g.height});
    }
    for (int i = 0; i < data.passageCount; ++i) {
        LayoutPassage p {i + 1, {}};
        for (int h = 0; h < 2; ++h) {
            const zentrix::passage_half& half = data.passages[i].half[h];
            p.ends[h] = {half.port, half.screen, half.side, half.from, half.to};
        }
        layout.passages.append(p);
    }
    return true;
}
