#include "cli_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

const char *usageText()
{
    return "usage: kmcconv --ports N [-o IMAGE|-] [--dump] [--] FILE\n"
           "Converts the KMC configuration FILE for a switch with N ports (1..8) into its\n"
           "920-byte configuration image, prints the converter's message and exits with its\n"
           "result code (0 converted, 1 refused, 16..116 refused by the image builder).\n"
           "  --ports N   number of ports of the switch\n"
           "  -o IMAGE    write the image to IMAGE (only when the conversion succeeds): a file is\n"
           "              replaced whole or left as it was, a link's final file likewise, and a\n"
           "              device or FIFO is written into; a folder is refused\n"
           "  -o -        write the image to standard output (the message goes to standard error)\n"
           "  --dump      print the image as tables: header, screen records, edge entries\n"
           "  --          end of options: what follows is FILE, even if it starts with '-'\n"
           "  --help      show this text\n"
           "  --version   name the versions of kmcconv and of the conversion library\n"
           "Exit codes of kmcconv itself: 2 usage error, 3 the image could not be written.\n";
}

static bool parseInt(const char *text, int &value)
{
    char *end = nullptr;
    errno = 0;
    long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno == ERANGE || n < INT_MIN || n > INT_MAX)
        return false;
    value = static_cast<int>(n);
    return true;
}

bool parseCliOptions(int argc, const char *const *argv, CliOptions &options, std::string &error)
{
    bool havePorts = false, optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        const bool option = !optionsEnded && arg[0] == '-' && arg[1] != '\0';
        if (option && (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0)) {
            options.help = true;
            return true;
        }
        if (option && std::strcmp(arg, "--version") == 0) {
            options.version = true;
            return true;
        }
        if (!option) {
            if (!options.file.empty()) {
                error = "only one FILE may be given";
                return false;
            }
            options.file = arg;
        } else if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
        } else if (std::strcmp(arg, "--dump") == 0) {
            options.dump = true;
        } else if (std::strcmp(arg, "--ports") == 0 || std::strcmp(arg, "-o") == 0) {
            if (i + 1 >= argc) {
                error = std::string(arg) + " needs a value";
                return false;
            }
            const char *value = argv[++i];
            if (arg[1] == 'o') {
                options.imagePath = value;
            } else if (!parseInt(value, options.ports)) {
                error = std::string("--ports needs a whole number, not '") + value + "'";
                return false;
            } else {
                havePorts = true;
            }
        } else {
            error = std::string("unknown option ") + arg;
            return false;
        }
    }
    if (!havePorts) {
        error = "--ports is required";
        return false;
    }
    if (options.file.empty()) {
        error = "FILE is required";
        return false;
    }
    if (options.dump && options.imagePath == "-") {
        error = "--dump and -o - both want standard output";
        return false;
    }
    return true;
}
