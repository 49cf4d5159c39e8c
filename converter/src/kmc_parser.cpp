#include "kmc_parser.h"

#include "scan_format.h"

#include <cstring>

namespace zentrix {

namespace {

enum class State {
    SeekVersion,
    SeekGeneral,
    SeekPorts,
    SeekMouseSpeed,
    SeekGeometry,
    GeometryLines,
    SeekPass,
    PassageLines,
};

constexpr auto kVersionFormat = compileScanFormat("Version=%1s%d%1s%d%1s");
constexpr auto kPortsFormat = compileScanFormat("Number of Ports=%d");
constexpr auto kSpeedFormat = compileScanFormat("Mouse Speed=%d");
constexpr auto kGeometryFormat = compileScanFormat("%d%d%d%d%1s%d%1s%1s%d%1s%d%1s%1s%d%1s%d%1s");
constexpr auto kPassageFormat =
    compileScanFormat("%1s%d%1s%d%1s%1s%1s%d%1s%d%1s%1s%d%1s%d%1s%1s%1s%d%1s%d%1s");

bool isSide(char c)
{
    return c == 'T' || c == 'B' || c == 'L' || c == 'R';
}

bool parseGeometry(const char *line, geometry_line &g)
{
    char colon, quote1, comma1, quote2, quote3, comma2, quote4;
    int a, b;
    ScanTarget t[17];
    t[0].number = &g.port;
    t[1].number = &g.screen;
    t[2].number = &g.diagonal;
    t[3].number = &g.width;
    t[4].letter = &colon;
    t[5].number = &g.height;
    t[6].letter = &g.shape;
    t[7].letter = &quote1;
    t[8].number = &a;  // the first quoted pair is read and not used
    t[9].letter = &comma1;
    t[10].number = &b;
    t[11].letter = &quote2;
    t[12].letter = &quote3;
    t[13].number = &g.x;
    t[14].letter = &comma2;
    t[15].number = &g.y;
    t[16].letter = &quote4;
    if (scanFormat(line, kGeometryFormat.steps, t) != 17)
        return false;
    return colon == ':' && (g.shape == 'L' || g.shape == 'P') && quote1 == '"' && comma1 == ','
        && quote2 == '"' && quote3 == '"' && comma2 == ',' && quote4 == '"';
}

// Reads one `"port,screen" side "from,to"` group; the characters are checked in order.
void bindHalf(ScanTarget *t, passage_half &h, char *punct)
{
    t[0].letter = &punct[0];  // "
    t[1].number = &h.port;
    t[2].letter = &punct[1];  // ,
    t[3].number = &h.screen;
    t[4].letter = &punct[2];  // "
    t[5].letter = &h.side;
    t[6].letter = &punct[3];  // "
    t[7].number = &h.from;
    t[8].letter = &punct[4];  // ,
    t[9].number = &h.to;
    t[10].letter = &punct[5];  // "
}

bool halfPunctuationOk(const passage_half &h, const char *punct)
{
    return punct[0] == '"' && punct[1] == ',' && punct[2] == '"' && isSide(h.side)
        && punct[3] == '"' && punct[4] == ',' && punct[5] == '"';
}

bool parsePassage(const char *line, passage_line &p)
{
    char punct[2][6];
    ScanTarget t[22];
    bindHalf(t, p.half[0], punct[0]);
    bindHalf(t + 11, p.half[1], punct[1]);
    if (scanFormat(line, kPassageFormat.steps, t) != 22)
        return false;
    return halfPunctuationOk(p.half[0], punct[0]) && halfPunctuationOk(p.half[1], punct[1]);
}

bool scanOne(const char *line, const ScanStep *format, int &value)
{
    ScanTarget t[1];
    t[0].number = &value;
    return scanFormat(line, format, t) == 1;
}

// Answers true when the version line was accepted; otherwise the message is written.
bool checkVersion(int major, int minor, MessageBuffer &message)
{
    if (major < 1 || minor < 0 || minor > 99) {
        message.write("Invalid KMC version");
        return false;
    }
    if (major != 2) {
        message.write("Unsupported KMC version");
        return false;
    }
    return true;
}

bool isVersionLine(const char *line, int &major, int &minor)
{
    char c1, c2, c3;
    ScanTarget t[5];
    t[0].letter = &c1;  // the three characters around the numbers are not checked
    t[1].number = &major;
    t[2].letter = &c2;
    t[3].number = &minor;
    t[4].letter = &c3;
    return scanFormat(line, kVersionFormat.steps, t) == 5;
}

}  // namespace

ParseResult parseKmc(LineReader &reader, KmcData &data, MessageBuffer &message)
{
    State state = State::SeekVersion;
    data.geometryCount = 0;
    data.passageCount = 0;
    char line[kLineCapacity];

    for (;;) {
        if (reader.atEnd()) {
            if (state == State::PassageLines)
                return ParseResult::Complete;
            message.write("A file format is corrupted");
            return ParseResult::Failed;
        }
        if (reader.next(line) == LineReader::Result::NoLine) {
            if (reader.atEnd() && !reader.failed())
                continue;  // the end-of-input test at the top decides
            message.write("test.kmc read error");
            return ParseResult::Failed;
        }

        // A section of lines ends at the first line shorter than 2 characters.
        const bool shortLine = std::strlen(line) < 2;
        switch (state) {
        case State::SeekVersion: {
            int major, minor;
            if (isVersionLine(line, major, minor)) {
                if (!checkVersion(major, minor, message))
                    return ParseResult::Failed;
                state = State::SeekGeneral;
            }
            break;
        }
        case State::SeekGeneral:
            if (std::strcmp(line, "#General\n") == 0)
                state = State::SeekPorts;
            break;
        case State::SeekPorts: {
            int ports;
            if (scanOne(line, kPortsFormat.steps, ports)) {
                if (ports != data.ports) {
                    message.write("Different numbers of ports: in file (%d), in device (%d)", ports,
                                  data.ports);
                    return ParseResult::Failed;
                }
                state = State::SeekMouseSpeed;
            }
            break;
        }
        case State::SeekMouseSpeed: {
            int speed;
            if (scanOne(line, kSpeedFormat.steps, speed)) {
                data.mouseSpeed = speed;
                if (speed < 1 || speed > 10) {
                    message.write("Mouse Speed (%d) out of range (1-10)", speed);
                    return ParseResult::Failed;
                }
                state = State::SeekGeometry;
            }
            break;
        }
        case State::SeekGeometry:
            if (std::strcmp(line, "#Geometry\n") == 0)
                state = State::GeometryLines;
            break;
        case State::GeometryLines: {
            if (shortLine) {
                state = State::SeekPass;
                break;
            }
            geometry_line g;
            if (!parseGeometry(line, g)) {
                message.write("Geometry line #%d error", data.geometryCount + 1);
                return ParseResult::Failed;
            }
            if (data.geometryCount == MAX_NUM_WIN) {
                message.write("The number of geometry lines has exceeded MAX_NUM_WIN");
                return ParseResult::Failed;
            }
            data.geometry[data.geometryCount++] = g;
            break;
        }
        case State::SeekPass:
            if (std::strcmp(line, "#pass\n") == 0)
                state = State::PassageLines;
            break;
        case State::PassageLines: {
            if (shortLine)
                return ParseResult::Complete;
            passage_line p;
            if (!parsePassage(line, p)) {
                message.write("Passage line #%d error", data.passageCount + 1);
                return ParseResult::Failed;
            }
            if (data.passageCount == MAX_NUM_PAS) {
                message.write("The number of passage lines has exceeded MAX_NUM_PAS");
                return ParseResult::Failed;
            }
            data.passages[data.passageCount++] = p;
            break;
        }
        default:
            message.write("impossible #1");
            return ParseResult::Failed;
        }
    }
}

}  // namespace zentrix
