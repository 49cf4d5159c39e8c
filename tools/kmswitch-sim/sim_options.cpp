#include "sim_options.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <functional>


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

// Sets a field from the option's value (empty for a flag); false with `error` set.
using Apply = std::function<bool(SimOptions&, const std::string&, std::string&)>;

// One option of the command line, or (name null) a heading of the help.
struct Option
{
    const char* name;
    const char* value; // the value's name in the help; null: a flag
    const char* help;  // continuation lines start with '\n'
    Apply apply;
};

// Decimal or 0x-hex, within [low, high], into a field of any integer type.
template <typename T>
Apply number(T SimOptions::*field, long low, long high)
{
    return [=](SimOptions& o, const std::string& text, std::string& error) {
        errno = 0;
        char* end = nullptr;
        const long v = std::strtol(text.c_str(), &end, 0);
        if (text.empty() || errno != 0 || *end != '\0' || v < low || v > high) {
            error = "wants a number from " + std::to_string(low) + " to " + std::to_string(high)
                + ", got '" + text + "'";
            return false;
        }
        o.*field = T(v);
        return true;
    };
}

Apply text(std::string SimOptions::*field)
{
    return [=](SimOptions& o, const std::string& value, std::string&) {
        o.*field = value;
        return true;
    };
}

Apply flag(bool SimOptions::*field)
{
    return [=](SimOptions& o, const std::string&, std::string&) {
        o.*field = true;
        return true;
    };
}

Apply fault()
{
    return [](SimOptions& o, const std::string& kind, std::string& error) {
        for (const FaultName& f : kFaults) {
            if (kind == f.name) {
                o.fault = f.fault;
                return true;
            }
        }
        error = "knows no fault '" + kind + "' (silence, wrong-magic, wrong-length, cut, hangup)";
        return false;
    };
}

// The command line and its help, from one table.
const Option kOptions[] = {
    {nullptr, nullptr, "Line and port:", {}},
    {"--com", "N", "link the pseudo-terminal as COM<N> in the pinned-ports\nfolder; refused while another simulator runs there,\nor when the name holds anything but a dead one's link",
     number(&SimOptions::comNumber, 1, 255)},
    {"--port-dir", "DIR", "the pinned-ports folder (default: $TREVIK_PORT_DIR, else"
                          "\n$XDG_CONFIG_HOME/Velmora/ports, else ~/.config/Velmora/ports)",
     text(&SimOptions::portDir)},
    {"--link-name", "NAME", "name the link NAME instead of COM<N> (e.g. com7)",
     text(&SimOptions::linkName)},
    {"--baud", "N", "pace both directions like a line at N baud (10 bits a"
                    "\nbyte); frames sent at another speed go unheard"
                    "\n(default 0: no pacing)",
     number(&SimOptions::baud, 0, 4000000)},
    {"--busy", "MS", "hold the port locked for MS milliseconds after start",
     number(&SimOptions::busyMs, 0, 3600000)},
    {"--stall", nullptr, "take nothing from the line: it holds the program's output back"
                         "\n(as CTS held low does), so its writes back up",
     flag(&SimOptions::stall)},
    {nullptr, nullptr, "Answers:", {}},
    {"--ports", "N", "number of ports reported in GET_INFO record 0, 0..15"
                    "\n(default 4)",
     number(&SimOptions::portCount, 0, 15)},
    {"--short-info", nullptr, "answer GET_INFO with the 2-byte reply 55 <status> instead of"
                              "\nthe 60-byte record",
     flag(&SimOptions::shortInfo)},
    {"--info-status", "N", "status byte of the short GET_INFO reply (default 0)",
     number(&SimOptions::infoStatus, 0, 255)},
    {"--status", "N", "status byte of the PROD_SET_DATA answer 55 <status>"
                     "\n(default 0)",
     number(&SimOptions::prodStatus, 0, 255)},
    {"--reply-delay", "MS", "the switch's own time after a whole frame has arrived, before"
                            "\nits answer starts (default 0)",
     number(&SimOptions::replyDelayMs, 0, 3600000)},
    {nullptr, nullptr, "Faults (one, on one frame):", {}},
    {"--fault", "KIND", "silence       send no answer"
                        "\nwrong-magic   answer starting with the --magic byte"
                        "\nwrong-length  60-byte GET_INFO reply with --info-length"
                        "\ncut           send only --cut-after bytes of the answer"
                        "\nhangup        send --cut-after bytes, then close the line",
     fault()},
    {"--fault-at", "N", "the frame the fault hits, counted from 0 over all frames"
                        "\nreceived (default 0)",
     number(&SimOptions::faultAt, 0, 1000000)},
    {"--magic", "N", "first byte of a wrong-magic answer (default 0x00)",
     number(&SimOptions::wrongMagic, 0, 255)},
    {"--info-length", "N", "length field of a wrong-length reply (default 17)",
     number(&SimOptions::infoLength, 0, 65535)},
    {"--cut-after", "N", "bytes sent before a cut or hang-up (default 1)",
     number(&SimOptions::cutAfter, 0, 4104)},
    {nullptr, nullptr, "Output:", {}},
    {"--save", "DIR", "save each PROD_SET_DATA payload as DIR/image-NNN.bin",
     text(&SimOptions::saveDir)},
    {"--log", "FILE", "write the frame log to FILE ('-': standard error,"
                      "\nthe default)",
     text(&SimOptions::logPath)},
    {"--quiet", nullptr, "no frame log",
     [](SimOptions& o, const std::string&, std::string&) {
         o.logPath.clear();
         return true;
     }},
    {"--help", nullptr, "this text", {}},
};

const Option* find(const std::string& name)
{
    for (const Option& option : kOptions) {
        if (option.name && name == option.name)
            return &option;
    }
    return nullptr;
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

std::string simUsage()
{
    std::string text = "Usage: kmswitch-sim [options]\n"
                       "Stands a simulated KM switch on a pseudo-terminal. It answers GET_INFO and\n"
                       "PROD_SET_DATA frames and logs every frame it receives and sends.\n";
    constexpr size_t kHelpColumn = 21;
    for (const Option& option : kOptions) {
        if (!option.name) {
            text += std::string("\n") + option.help + "\n";
            continue;
        }
        std::string left = std::string("  ") + option.name;
        if (option.value)
            left += std::string(" ") + option.value;
        left.resize(std::max(left.size() + 1, kHelpColumn), ' ');
        text += left;
        for (const char* c = option.help; *c; ++c)
            text += *c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, *c);
        text += "\n";
    }
    return text + "\nNumbers may be decimal or 0x-hexadecimal. The simulator runs until SIGINT or\n"
                  "SIGTERM, or until a hang-up fault closed the line. It prints the pseudo-terminal's\n"
                  "path (and the link) on standard output once it is ready.\n";
}

bool parseSimOptions(const std::vector<std::string>& args, SimOptions& options, bool& help,
                     std::string& error)
{
    help = false;
    for (size_t i = 0; i < args.size(); ++i) {
        // --name=value and --name value alike.
        std::string name = args[i];
        std::string value;
        bool inlineValue = false;
        if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            inlineValue = true;
        }
        if (name == "--help" || name == "-h") {
            help = true;
            return true;
        }
        const Option* option = find(name);
        if (!option) {
            error = "unknown option '" + args[i] + "' (see --help)";
            return false;
        }
        if (!option->value && inlineValue) {
            error = "option " + name + " takes no value";
            return false;
        }
        if (option->value && !inlineValue) {
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        std::string why;
        if (!option->apply(options, value, why)) {
            error = "option " + name + " " + why;
            return false;
        }
    }
    if (!options.portDir.empty() && options.comNumber == 0 && options.linkName.empty()) {
        error = "--port-dir needs --com or --link-name";
        return false;
    }
    return true;
}

} // namespace kmsim
