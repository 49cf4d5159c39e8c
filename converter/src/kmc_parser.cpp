#include "kmc_parser.h"

#include "scan_cursor.h"

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

bool isSide(char c)
{
    return c == 'T' || c == 'B' || c == 'L' || c == 'R';
}

// `port screen diagonal width:height letter "a,b" "x,y"`, as the scanf format
// "%d%d%d%d%1s%d%1s%1s%d%1s%d%1s%1s%d%1s%d%1s" reads it; a and b are read and not used.
bool parseGeometry(const char *line, geometry_line &g)
{
    ScanCursor c(line);
    char colon, quote1, comma1, quote2, quote3, comma2, quote4;
    int32_t a, b;
    const bool scanned = c.number(g.port) && c.number(g.screen) && c.number(g.diagonal)
        && c.number(g.width) && c.letter(colon) && c.number(g.height) && c.letter(g.shape)
        && c.letter(quote1) && c.number(a) && c.letter(comma1) && c.number(b) && c.letter(quote2)
        && c.letter(quote3) && c.number(g.x) && c.letter(comma2) && c.number(g.y)
        && c.letter(quote4);
    return scanned && colon == ':' && (g.shape == 'L' || g.shape == 'P') && quote1 == '"'
        && comma1 == ',' && quote2 == '"' && quote3 == '"' && comma2 == ',' && quote4 == '"';
}

// One `"port,screen" side "from,to"` group, as "%1s%d%1s%d%1s%1s%1s%d%1s%d%1s" reads it.
bool parseHalf(ScanCursor &c, passage_half &h)
{
    char open1, comma1, close1, open2, comma2, close2;
    const bool scanned = c.letter(open1) && c.number(h.port) && c.letter(comma1)
        && c.number(h.screen) && c.letter(close1) && c.letter(h.side) && c.letter(open2)
        && c.number(h.from) && c.letter(comma2) && c.number(h.to) && c.letter(close2);
    return scanned && open1 == '"' && comma1 == ',' && close1 == '"' && isSide(h.side)
        && open2 == '"' && comma2 == ',' && close2 == '"';
}

// A scan that stops early fails the line whatever it read, so both halves can be scanned and
// checked in turn.
bool parsePassage(const char *line, passage_line &p)
{
    ScanCursor c(line);
    return parseHalf(c, p.half[0]) && parseHalf(c, p.half[1]);
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

// "Version=%1s%d%1s%d%1s"; the three characters around the numbers are not checked.
bool isVersionLine(const char *line, int32_t &major, int32_t &minor)
{
    ScanCursor c(line);
    char c1, c2, c3;
    return c.literal("Version=") && c.letter(c1) && c.number(major) && c.letter(c2)
        && c.number(minor) && c.letter(c3);
}

// "<label>%d", for the port count and mouse speed lines.
bool isSettingLine(const char *line, const char *label, int32_t &value)
{
    ScanCursor c(line);
    return c.literal(label) && c.number(value);
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
            int32_t major, minor;
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
            int32_t ports;
            if (isSettingLine(line, "Number of Ports=", ports)) {
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
            int32_t speed;
            if (isSettingLine(line, "Mouse Speed=", speed)) {
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
