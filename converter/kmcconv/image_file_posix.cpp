// The image file on POSIX: a temporary file made by mkstemp beside the image, renamed into place.
#include "image_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

static bool writeAll(int fd, const unsigned char *data, size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

// Writes through a temporary file in the same folder and renames it into place, so an existing
// image is never left half-written. The folder may be one others can write to: mkstemp creates
// the temporary file under a name nobody can guess and never opens anything already there, so
// a planted link cannot redirect the write. The rename replaces a link at the final name rather
// than following it.
bool writeImageFile(const std::string &path, const unsigned char *image, int size,
                    std::string &error)
{
    std::string temporary = path + ".tmp.XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file owner-only; the image gets what a plain create would give it.
    // kmcconv has one thread, so reading the umask by setting it back at once is safe.
    const mode_t mask = umask(0);
    umask(mask);
    bool ok = fchmod(fd, 0666 & ~mask) == 0 && writeAll(fd, image, size_t(size));
    int savedErrno = ok ? 0 : errno;
    if (close(fd) != 0 && ok) {
        savedErrno = errno;
        ok = false;
    }
    if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
        savedErrno = errno;
        ok = false;
    }
    if (!ok) {
        error = std::strerror(savedErrno);
        unlink(temporary.c_str());
    }
    return ok;
}
