#include "link_claim_posix.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kmsim {

namespace {

// What an owner file says: the owner's pid and the link it made.
struct OwnerRecord
{
    long pid = 0;
    std::string target;
};

OwnerRecord readRecord(int fd)
{
    char buffer[4096];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
    OwnerRecord record;
    if (n <= 0)
        return record;
    const std::string text(buffer, size_t(n));
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            break; // a line still being written counts for nothing
        const std::string line = text.substr(at, end - at);
        if (line.rfind("pid ", 0) == 0)
            record.pid = std::strtol(line.c_str() + 4, nullptr, 10);
        else if (line.rfind("link ", 0) == 0)
            record.target = line.substr(5);
        at = end + 1;
    }
    return record;
}

bool writeRecord(int fd, const std::string& target)
{
    const std::string text = "pid " + std::to_string(::getpid()) + "\nlink " + target + "\n";
    // Over the old record from its start, then cut: a reader never finds the file empty.
    return ::pwrite(fd, text.data(), text.size(), 0) == ssize_t(text.size())
        && ::ftruncate(fd, off_t(text.size())) == 0;
}

std::string linkTarget(const std::string& path)
{
    char target[4096];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 && size_t(n) < sizeof target ? std::string(target, size_t(n)) : std::string();
}

std::string systemText(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

} // namespace

LinkClaim::~LinkClaim()
{
    release();
}

std::string LinkClaim::ownerPath(const std::string& folder, const std::string& entry)
{
    return folder + "/." + entry + ".owner";
}

bool LinkClaim::lockOwnerFile(std::string& error)
{
    // An owner that releases its claim removes the owner file while it still holds the lock;
    // a simulator that opened that file just before gets the lock on a file no longer in the
    // folder, and tries again with the one at the name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::open(m_ownerPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            error = systemText("cannot open " + m_ownerPath);
            return false;
        }
        struct stat held {};
        if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
            ::close(fd);
            error = m_ownerPath + " is not a regular file";
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int code = errno;
            const OwnerRecord owner = readRecord(fd);
            ::close(fd);
            if (code != EWOULDBLOCK) {
                errno = code;
                error = systemText("cannot lock " + m_ownerPath);
                return false;
            }
            error = m_linkPath + " belongs to a running kmswitch-sim ("
                + (owner.pid > 0 ? "pid " + std::to_string(owner.pid) : std::string("pid not yet known"))
                + (owner.target.empty() ? std::string() : ", on " + owner.target)
                + "); stop it or choose another --com";
            return false;
        }
        struct stat named {};
        if (::lstat(m_ownerPath.c_str(), &named) == 0 && named.st_dev == held.st_dev
            && named.st_ino == held.st_ino) {
            m_ownerFd = fd;
            return true;
        }
        ::close(fd);
    }
    error = "cannot lock " + m_ownerPath + ": it keeps changing";
    return false;
}

bool LinkClaim::claim(const std::string& folder, const std::string& entry, const std::string& target,
                      std::string& error)
{
    release();
    m_linkPath = folder + "/" + entry;
    m_ownerPath = ownerPath(folder, entry);
    if (!lockOwnerFile(error)) {
        m_linkPath.clear();
        return false;
    }

    // The lock is ours: whatever stands at the entry now is either a leftover of the owner
    // file's last writer, who died holding it, or none of a simulator's business.
    const OwnerRecord last = readRecord(m_ownerFd);
    struct stat st {};
    if (::lstat(m_linkPath.c_str(), &st) == 0) {
        const std::string current = S_ISLNK(st.st_mode) ? linkTarget(m_linkPath) : std::string();
        if (!S_ISLNK(st.st_mode))
            error = m_linkPath + " exists and is not a link";
        else if (last.target.empty() || current != last.target)
            error = m_linkPath + " links to " + current
                + ", which no kmswitch-sim made (a pinned device?); remove it or choose another --com";
        if (!error.empty()) {
            release();
            return false;
        }
    } else if (errno != ENOENT) {
        error = systemText("cannot look at " + m_linkPath);
        release();
        return false;
    }

    // Recorded before the link exists, so that a simulator killed from here on leaves a link
    // the next one recognises. The new link replaces a stale one in one step: a program that
    // reads the folder meanwhile sees the old link or the new, never none.
    const std::string fresh = folder + "/." + entry + ".new";
    ::unlink(fresh.c_str());
    if (!writeRecord(m_ownerFd, target) || ::symlink(target.c_str(), fresh.c_str()) != 0
        || ::rename(fresh.c_str(), m_linkPath.c_str()) != 0) {
        error = systemText("cannot link " + m_linkPath);
        ::unlink(fresh.c_str());
        release();
        return false;
    }
    m_target = target;
    return true;
}

void LinkClaim::release()
{
    if (m_ownerFd < 0) {
        m_linkPath.clear();
        return;
    }
    // A link someone else put at the name since is theirs to keep.
    if (!m_target.empty() && linkTarget(m_linkPath) == m_target)
        ::unlink(m_linkPath.c_str());
    // Removed while still locked: nobody else can hold this file now.
    ::unlink(m_ownerPath.c_str());
    ::close(m_ownerFd);
    m_ownerFd = -1;
    m_target.clear();
    m_linkPath.clear();
}

} // namespace kmsim
