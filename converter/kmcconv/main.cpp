// kmcconv: converts a KMC file without the GUI, for operators and scripts.
#include "cli_options.h"
#include "image_dump.h"
#include "zentrix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

enum { kExitUsage = 2, kExitWrite = 3 };

// Writes through a temporary file in the same folder and renames it into place, so an existing
// image is never left half-written.
static bool writeImageFile(const std::string &path, const unsigned char *image, int size,
                           std::string &error)
{
    std::string temporary = path + ".tmp." + std::to_string(getpid());
    std::FILE *f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(image, 1, size_t(size), f) == size_t(size);
    int savedErrno = errno;
    ok = (std::fclose(f) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ok = false;
    }
    if (!ok) {
        error = std::strerror(savedErrno ? savedErrno : errno);
        std::remove(temporary.c_str());
    }
    return ok;
}

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
