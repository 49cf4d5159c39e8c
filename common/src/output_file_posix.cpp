// The rules of output_file.h on POSIX: the name's kind from lstat and stat, files replaced
// through an exclusive temporary file, fsync and rename; devices and FIFOs written into.
#include "output_file.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kMostLinksFollowed = 40; // as the kernel's own limit: a loop ends with ELOOP

bool fail(int error, std::string &reason)
{
    reason = std::strerror(error);
    return false;
}

bool fail(const char *ownReason, std::string &reason)
{
    reason = ownReason;
    return false;
}

// Carries on after a signal, a partial write, or a descriptor left non-blocking by whoever
// handed it to us, until every byte is out or the system says why not (errno).
bool writeAll(int fd, const unsigned char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= std::size_t(n);
        } else if (n == 0) {
            errno = EIO;
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd ready {fd, POLLOUT, 0};
            if (poll(&ready, 1, -1) < 0 && errno != EINTR)
                return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string randomSuffix()
{
    thread_local std::mt19937_64 generator([] {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        try {
            std::random_device device;
            return std::uint64_t(device()) << 32 ^ device() ^ std::uint64_t(now);
        } catch (...) {
            return std::uint64_t(now) ^ std::uint64_t(getpid()) << 40;
        }
    }());
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string suffix(8, ' ');
    for (char &c : suffix)
        c = kLetters[generator() % (sizeof kLetters - 1)];
    return suffix;
}

// A new file beside `path` under a name nobody can plant anything at beforehand: O_EXCL with
// O_NOFOLLOW never opens what already exists. Created 0666 so that the kernel applies the umask
// and the folder's default permissions, as for a plain create; no thread-unsafe umask read.
int createTemporaryBeside(const std::string &path, std::string &temporary)
{
    const std::size_t slash = path.rfind('/');
    const std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1).substr(0, NAME_MAX - 16);
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = folder + name + ".tmp." + randomSuffix();
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// `existing` is the file at `path` now (kept mode, owner and group), or null for a new name.
bool replaceFile(const std::string &path, const struct stat *existing, const unsigned char *data,
                 std::size_t size, std::string &reason)
{
    if (existing && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return fail(errno, reason);
    std::string temporary;
    const int fd = createTemporaryBeside(path, temporary);
    if (fd < 0)
        return fail(errno, reason);
    int error = 0;
    if (existing) {
        // Only root may give a file away, and only a member keeps a group: EPERM is no failure.
        if (fchown(fd, uid_t(-1), existing->st_gid) != 0 && errno != EPERM)
            error = errno;
        if (error == 0 && fchown(fd, existing->st_uid, gid_t(-1)) != 0 && errno != EPERM)
            error = errno;
        if (error == 0 && fchmod(fd, existing->st_mode & 0777) != 0)
            error = errno;
    }
    if (error == 0 && !writeAll(fd, data, size))
        error = errno;
    // A file system without fsync (EINVAL) has nothing more to make durable.
    if (error == 0 && fsync(fd) != 0 && errno != EINVAL)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.c_str());
        return fail(error, reason);
    }
    // The rename itself made durable; a folder that cannot be synced loses nothing written.
    const int folder = open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

// A device or FIFO takes the bytes as they are. Opened non-blocking so that a FIFO nobody reads
// (ENXIO) or a serial line waiting for its carrier answers at once; blocking again to write.
bool writeInto(const std::string &path, const struct stat &seen, const unsigned char *data, std::size_t size,
               std::string &reason)
{
    int fd;
    do
        fd = open(path.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return errno == ENXIO && S_ISFIFO(seen.st_mode) ? fail("no process reads the FIFO", reason)
                                                        : fail(errno, reason);
    struct stat opened {};
    int error = 0;
    if (fstat(fd, &opened) != 0) {
        error = errno;
    } else if (!S_ISCHR(opened.st_mode) && !S_ISBLK(opened.st_mode) && !S_ISFIFO(opened.st_mode)) {
        close(fd);
        return fail("changed into another kind of file while being opened", reason);
    }
    const int flags = error == 0 ? fcntl(fd, F_GETFL) : -1;
    if (error == 0 && (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0))
        error = errno;
    if (error == 0 && !writeAll(fd, data, size))
        error = errno;
    if (error == 0 && S_ISBLK(opened.st_mode) && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0 && errno != EINTR)
        error = errno;
    return error == 0 || fail(error, reason);
}

// The name a chain of links ends at when nothing is there yet.
bool danglingEnd(const std::string &link, std::string &end, std::string &reason)
{
    std::string path = link;
    for (int hop = 0; hop <= kMostLinksFollowed; ++hop) {
        struct stat st {};
        if (lstat(path.c_str(), &st) != 0) {
            if (errno != ENOENT)
                return fail(errno, reason);
            end = path;
            return true;
        }
        if (!S_ISLNK(st.st_mode))
            return fail("changed while its links were followed", reason);
        std::string next(PATH_MAX, '\0');
        const ssize_t n = readlink(path.c_str(), next.data(), next.size());
        if (n < 0)
            return fail(errno, reason);
        if (std::size_t(n) == next.size())
            return fail(ENAMETOOLONG, reason);
        next.resize(std::size_t(n));
        path = next[0] == '/' ? next : folderOf(path) + "/" + next;
    }
    return fail(ELOOP, reason);
}

bool writeByKind(const std::string &path, const struct stat &seen, const unsigned char *data, std::size_t size,
                 std::string &reason)
{
    if (S_ISREG(seen.st_mode))
        return replaceFile(path, &seen, data, size, reason);
    if (S_ISCHR(seen.st_mode) || S_ISBLK(seen.st_mode) || S_ISFIFO(seen.st_mode))
        return writeInto(path, seen, data, size, reason);
    if (S_ISDIR(seen.st_mode))
        return fail("is a folder", reason);
    return fail("is a socket or another special file, not written", reason);
}

} // namespace

bool writeOutputFile(const std::string &target, const void *data, std::size_t size, std::string &reason)
{
    const auto *bytes = static_cast<const unsigned char *>(data);
    if (target == kStandardOutputName)
        return writeAll(STDOUT_FILENO, bytes, size) || fail(errno, reason);
    if (target.empty())
        return fail(ENOENT, reason);
    struct stat seen {};
    if (lstat(target.c_str(), &seen) != 0)
        return errno == ENOENT ? replaceFile(target, nullptr, bytes, size, reason) : fail(errno, reason);
    if (!S_ISLNK(seen.st_mode))
        return writeByKind(target, seen, bytes, size, reason);

    // A link: what it leads to decides. stat follows /proc's links to pipes and terminals too
    // (/dev/stdout), which have no path of their own, so a device is opened through the link.
    if (stat(target.c_str(), &seen) != 0) {
        if (errno != ENOENT)
            return fail(errno, reason);
        std::string end;
        return danglingEnd(target, end, reason) && replaceFile(end, nullptr, bytes, size, reason);
    }
    if (!S_ISREG(seen.st_mode))
        return writeByKind(target, seen, bytes, size, reason);
    char *resolved = realpath(target.c_str(), nullptr);
    if (!resolved)
        return fail(errno, reason);
    const std::string finalFile = resolved;
    std::free(resolved);
    return writeByKind(finalFile, seen, bytes, size, reason);
}
