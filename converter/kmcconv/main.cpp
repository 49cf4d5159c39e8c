// kmcconv: converts a KMC file without the GUI, for operators and scripts.
#include "cli_options.h"
#include "image_dump.h"
#include "image_file.h"
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

    char message[256] = {};
    unsigned char *image = nullptr;
    int imageSize = 0;
    int result = convert_d(options.ports, options.file.c_str(), message, int(sizeof message) - 1,
                           &image, &imageSize);
    std::printf("%s\n", message);
    if (result != 0)
        return result;

    if (options.dump)
        dumpImage(image, stdout);
    if (!options.imagePath.empty() && !writeImageFile(options.imagePath, image, imageSize, error)) {
        std::fprintf(stderr, "kmcconv: cannot write %s: %s\n", options.imagePath.c_str(), error.c_str());
        return kExitWrite;
    }
    return 0;
}
