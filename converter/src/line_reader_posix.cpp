// The file end of the line reader on POSIX systems: plain open/read/close, so a conversion
// allocates nothing and costs no more system calls than reading the file does.
#include "line_reader.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace zentrix {

bool FileSource::open(const char *path)
{
    close();
    if (!path)
        return false;
    do {
        fd_ = ::open(path, O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    return fd_ >= 0;
}

void FileSource::close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

static long readFile(void *context, char *buffer, std::size_t capacity)
{
    int fd = *static_cast<int *>(context);
    for (;;) {
        ssize_t got = ::read(fd, buffer, capacity);
        if (got >= 0)
            return static_cast<long>(got);
        if (errno != EINTR)
            return -1;
    }
}

ByteSource FileSource::source()
{
    return ByteSource{readFile, &fd_};
}

}  // namespace zentrix
