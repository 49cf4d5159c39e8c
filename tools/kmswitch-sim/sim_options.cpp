#include "sim_options.h"

#include <cerrno>
#include <cstdlib>

namespace kmsim {

namespace {

struct FaultName
{
    const char* name;
    Fault fault;
};

const FaultName kFaults[] = {
    {"none", Fault::None},           {"silence", Fault::Silence},
    {"wrong-magic", Fault::WrongMagic}, {"wrong-length", Fault::WrongLength},
    {"cut", Fault::Cut},             {"hangup", Fault::HangUp},
};

// Decimal or 0x-hex, within [low, high].
bool number(const std::string& text, long low, long high, long& value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < low || v > high)
        return false;
    value = v;
    return true;
}

} // namespace

const char* faultName(Fault fault)
{
    for (const FaultName& f : kFaults) {
        if (f.fault == fault)
            return f.name;
    }
    return "?";
}

std::string defaultPortDir()
{
    if (const char* own = std::getenv("TREVIK_PORT_DIR"); own && *own)
        return own;
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return std::string(config) + "/Velmora/ports";
    const char* home = std::getenv("HOME");
    return std::string(home ? home : "") + "/.config/Velmora/ports";
}

std::string simUsage()
{
    return "Usage: kmswitch-sim [options]\n"
           "Stands a simulated KM switch on a pseudo-terminal. It answers GET_INFO and\n"
           "PROD_SET_DATA frames and logs every frame it receives and sends.\n"
           "\n"
           "Line and port:\n"
           "  --com N            link the pseudo-terminal as COM<N> in the pinned-ports folder\n"
           "  --port-dir DIR     the pinned-ports folder (default: $TREVIK_PORT_DIR, else\n"
           "                     $XDG_CONFIG_HOME/Velmora/ports, else ~/.config/Velmora/ports)\n"
           "  --link-name NAME   name the link NAME instead of COM<N> (e.g. com7)\n"
           "  --baud N           pace both directions like a line at N baud, 10 bits per byte\n"
           "                     (default 0: no pacing)\n"
           "  --busy MS          hold the port locked for MS milliseconds after start\n"
           "  --stall            take nothing from the line: it holds the program's output\n"
           "                     back (as CTS held low does), so its writes back up\n"
           "\n"
           "Answers:\n"
           "  --ports N          number of ports reported in GET_INFO record 0, 0..15 (default 4)\n"
           "  --short-info       answer GET_INFO with the 2-byte reply 55 <status> instead of\n"
           "                     the 60-byte record\n"
           "  --info-status N    status byte of the short GET_INFO reply (default 0)\n"
           "  --status N         status byte of the PROD_SET_DATA answer 55 <status> (default 0)\n"
           "  --reply-delay MS   the switch's own time after a whole frame has arrived, before\n"
           "                     its answer starts (default 0)\n"
           "\n"
           "Faults (one, on one frame):\n"
           "  --fault KIND       silence       send no answer\n"
           "                     wrong-magic   answer starting with the --magic byte\n"
           "                     wrong-length  60-byte GET_INFO reply with --info-length\n"
           "                     cut           send only --cut-after bytes of the answer\n"
           "                     hangup        send --cut-after bytes, then close the line\n"
           "  --fault-at N       the frame the fault hits, counted from 0 over all frames\n"
           "                     received (default 0)\n"
           "  --magic N          first byte of a wrong-magic answer (default 0x00)\n"
           "  --info-length N    length field of a wrong-length reply (default 17)\n"
           "  --cut-after N      bytes sent before a cut or hang-up (default 1)\n"
           "\n"
           "Output:\n"
           "  --save DIR         save each PROD_SET_DATA payload as DIR/image-NNN.bin\n"
           "  --log FILE         write the frame log to FILE ('-': standard error, the default)\n"
           "  --quiet            no frame log\n"
           "  --help             this text\n"
           "\n"
           "Numbers may be decimal or 0x-hexadecimal. The simulator runs until SIGINT or\n"
           "SIGTERM, or until a hang-up fault closed the line. It prints the pseudo-terminal's\n"
           "path (and the link) on standard output once it is ready.\n";
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, bool& help,
                     std::string& error)
{
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto takeValue = [&](std::string& out) {
            if (hasValue) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        auto takeNumber = [&](long low, long high, long& out) {
            std::string text;
            if (!takeValue(text))
                return false;
            if (!number(text, low, high, out)) {
                error = "option " + name + " wants a number from " + std::to_string(low)
                    + " to " + std::to_string(high) + ", got '" + text + "'";
                return false;
            }
            return true;
        };
        auto noValue = [&]() {
            if (hasValue) {
                error = "option " + name + " takes no value";
                return false;
            }
            return true;
        };

        long n = 0;
        if (name == "--help" || name == "-h") {
            help = true;
            return true;
        } else if (name == "--ports") {
            if (!takeNumber(0, 15, n))
                return false;
            options.portCount = int(n);
        } else if (name == "--short-info") {
            if (!noValue())
                return false;
            options.shortInfo = true;
        } else if (name == "--info-status") {
            if (!takeNumber(0, 255, n))
                return false;
            options.infoStatus = uint8_t(n);
        } else if (name == "--status") {
            if (!takeNumber(0, 255, n))
                return false;
            options.prodStatus = uint8_t(n);
        } else if (name == "--baud") {
            if (!takeNumber(0, 4000000, n))
                return false;
            options.baud = unsigned(n);
        } else if (name == "--reply-delay") {
            if (!takeNumber(0, 3600000, n))
                return false;
            options.replyDelayMs = int(n);
        } else if (name == "--stall") {
            if (!noValue())
                return false;
            options.stall = true;
        } else if (name == "--fault") {
            std::string kind;
            if (!takeValue(kind))
                return false;
            bool known = false;
            for (const FaultName& f : kFaults) {
                if (kind == f.name) {
                    options.fault = f.fault;
                    known = true;
                }
            }
            if (!known) {
                error = "unknown fault '" + kind
                    + "' (silence, wrong-magic, wrong-length, cut, hangup)";
                return false;
            }
        } else if (name == "--fault-at") {
            if (!takeNumber(0, 1000000, n))
                return false;
            options.faultAt = int(n);
        } else if (name == "--magic") {
            if (!takeNumber(0, 255, n))
                return false;
            options.wrongMagic = uint8_t(n);
        } else if (name == "--info-length") {
            if (!takeNumber(0, 65535, n))
                return false;
            options.infoLength = uint16_t(n);
        } else if (name == "--cut-after") {
            if (!takeNumber(0, 4104, n))
                return false;
            options.cutAfter = int(n);
        } else if (name == "--busy") {
            if (!takeNumber(0, 3600000, n))
                return false;
            options.busyMs = int(n);
        } else if (name == "--save") {
            if (!takeValue(options.saveDir))
                return false;
        } else if (name == "--com") {
            if (!takeNumber(1, 255, n))
                return false;
            options.comNumber = int(n);
        } else if (name == "--port-dir") {
            if (!takeValue(options.portDir))
                return false;
        } else if (name == "--link-name") {
            if (!takeValue(options.linkName))
                return false;
        } else if (name == "--log") {
            if (!takeValue(options.logPath))
                return false;
        } else if (name == "--quiet") {
            if (!noValue())
                return false;
            options.logPath.clear();
        } else {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        }
    }
    if ((!options.linkName.empty() || !options.portDir.empty()) && options.comNumber == 0
        && options.linkName.empty()) {
        error = "--port-dir needs --com or --link-name";
        return false;
    }
    return true;
}

} // namespace kmsim
