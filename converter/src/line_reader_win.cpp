// The file end of the line reader on Windows: the C runtime's narrow-character _open, which
// takes the path in the ANSI code page exactly as the caller handed it. Binary mode, because
// the LineReader does the text-mode reading itself (the same on every platform); not inherited
// by child processes, like O_CLOEXEC elsewhere.
#include "line_reader.h"

#include <climits>
#include <fcntl.h>
#include <io.h>

namespace zentrix {

bool FileSource::open(const char *path)
{
    close();
    if (!path)
        return false;
    fd_ = ::_open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    return fd_ >= 0;
}

void FileSource::close()
{
    if (fd_ >= 0)
        ::_close(fd_);
    fd_ = -1;
}

static long readFile(void *context, char *buffer, std::size_t capacity)
{
    int fd = *static_cast<int *>(context);
    const unsigned count = capacity > INT_MAX ? INT_MAX : static_cast<unsigned>(capacity);
    return ::_read(fd, buffer, count);
}

ByteSource FileSource::source()
{
    return ByteSource{readFile, &fd_};
}

}  // namespace zentrix
