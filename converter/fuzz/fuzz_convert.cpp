// libFuzzer target for convert_d: the first byte picks the port count (also invalid ones),
// the rest is the KMC file. Besides the sanitizers, it checks the call's own contract.
#include "zentrix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static std::string scratchPath()
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/fuzz_convert_" + std::to_string(getpid()) + ".kmc";
}

static void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const std::string path = scratchPath();
    if (size == 0)
        return 0;
    const int ports = int(data[0] % 11) - 1;  // -1..9
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data + 1, 1, size - 1, f);
    std::fclose(f);

    char message[96];
    std::memset(message, 'X', sizeof message);
    unsigned char sentinel = 0;
    unsigned char *image = &sentinel;
    int imageSize = -7;
    // A deliberately small bound: messages must be cut, never overrun.
    const int bound = 40;
    const int result = convert_d(ports, path.c_str(), message, bound, &image, &imageSize);

    require(std::memchr(message, '\0', bound) != nullptr);
    for (size_t i = bound; i < sizeof message; ++i)
        require(message[i] == 'X');
    if (result == 0) {
        require(image != &sentinel && imageSize == 920);
        require(std::strcmp(message, "Converted") == 0);
        require(image[4] == 0xBB && image[5] == 0xFF);
        require(image[6] >= 1 && image[6] <= 16 && image[7] >= 2 && image[7] <= 48);
    } else {
        require(result == 1 || (result >= 16 && result <= 116));
        require(image == &sentinel && imageSize == -7);
    }
    return 0;
}
