// kmcconv: converts a KMC file without the GUI, for operators and scripts.
#include "cli_options.h"
#include "image_dump.h"
#include "output_file.h"
#include "zentrix.h"

#include <cstdio>
#include <string>

enum { kExitUsage = 2, kExitWrite = 3 };

int main(int argc, char **argv)
{
    CliOptions options;
    std::string error;
    if (!parseCliOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "kmcconv: %s\n%s", error.c_str(), usageText());
        return kExitUsage;
    }
    if (options.help) {
        std::fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) {
        int first = 0, second = 0, third = 0;
        get_version(&first, &second, &third);
        std::printf("kmcconv %s (zentrix %d.%d.%d)\n", KMCCONV_VERSION, first, second, third);
        return 0;
    }

    char message[256] = {};
    unsigned char *image = nullptr;
    int imageSize = 0;
    int result = convert_d(options.ports, options.file.c_str(), message, int(sizeof message) - 1,
                           &image, &imageSize);
    // An image on standard output stays clean: the message goes beside it.
    std::FILE *messages = options.imagePath == kStandardOutputName ? stderr : stdout;
    std::fprintf(messages, "%s\n", message);
    if (result != 0)
        return result;

    if (options.dump)
        dumpImage(image, stdout);
    // What is printed comes first where the image follows on the same stream (-o /dev/stdout).
    std::fflush(stdout);
    if (!options.imagePath.empty() && !writeOutputFile(options.imagePath, image, size_t(imageSize), error)) {
        std::fprintf(stderr, "kmcconv: cannot write %s: %s\n", options.imagePath.c_str(), error.c_str());
        return kExitWrite;
    }
    return 0;
}
