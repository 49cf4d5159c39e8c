// libFuzzer target for convert_d: the first byte picks the port count (also invalid ones),
// the rest is the KMC file. Besides the sanitizers, it checks the call's own contract.
#include "zentrix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

[[noreturn]] static void fail(const std::string &what)
{
    std::perror(what.c_str());
    std::abort();
}

// The scratch file the library reads each input from. mkstemps creates it exclusively under
// a name nobody can guess, since TMPDIR is usually a folder others can write to; it is then
// rewritten through the descriptor, never reopened by name, and removed at exit.
struct Scratch {
    std::string path;
    int fd = -1;
};

static const Scratch &scratch()
{
    // Never destroyed, so the exit handler can still read the path.
    static const Scratch &made = *[] {
        const char *dir = std::getenv("TMPDIR");
        Scratch *s = new Scratch;
        s->path = std::string(dir && *dir ? dir : "/tmp") + "/fuzz_convert_XXXXXX.kmc";
        s->fd = mkstemps(s->path.data(), 4);
        // Without the file every input would be skipped: a run that tests nothing.
        if (s->fd < 0)
            fail(s->path);
        std::atexit([] { unlink(scratch().path.c_str()); });
        return s;
    }();
    return made;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Scratch &file = scratch();
    if (size == 0)
        return 0;
    const int ports = int(data[0] % 11) - 1;  // -1..9
    if (ftruncate(file.fd, 0) != 0 || pwrite(file.fd, data + 1, size - 1, 0) != ssize_t(size - 1))
        fail(file.path);
    const std::string &path = file.path;

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
