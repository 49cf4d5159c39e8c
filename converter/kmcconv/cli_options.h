// Command line of kmcconv:  kmcconv --ports N [-o IMAGE|-] [--dump] [--] FILE
#ifndef KMCCONV_CLI_OPTIONS_H
#define KMCCONV_CLI_OPTIONS_H

#include <string>

struct CliOptions {
    int ports = 0;
    std::string file;
    std::string imagePath;  // empty: no image is written; "-": standard output
    bool dump = false;
    bool help = false;
    bool version = false;
};

// Parses argv. Answers false with a one-line reason in `error` for a usage error.
bool parseCliOptions(int argc, const char *const *argv, CliOptions &options, std::string &error);

const char *usageText();

#endif
