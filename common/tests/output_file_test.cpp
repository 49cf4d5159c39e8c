// The shared writer called in-process, where the tools' tests cannot reach: a FIFO whose reader
// is slower than the writer, a signal arriving again and again in the middle of a write, and a
// reader that still holds the file being replaced.
#include "output_file.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

class Scratch {
public:
    Scratch()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "output-file-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? pattern : "";
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

// Bytes that show a lost, repeated or reordered stretch: no two 4-byte words alike.
std::string countingBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i / 4 >> (8 * (i % 4))) & 0xff);
    return bytes;
}

// Reads `fifo` on a thread of its own, a little at a time, until the writer closes it. Opened
// here, before the writer comes, so that the writer finds a reader; the thread leaves the
// signals to the writer.
class SlowReader {
public:
    explicit SlowReader(const std::string &fifo) : fd(open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC))
    {
        thread = std::thread([this] {
            sigset_t alarm;
            sigemptyset(&alarm);
            sigaddset(&alarm, SIGALRM);
            pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
            char chunk[4096];
            // poll waits for the first bytes; a FIFO no writer has opened yet reports nothing.
            for (pollfd ready {fd, POLLIN, 0}; fd >= 0;) {
                if (poll(&ready, 1, 10000) <= 0)
                    break;
                const ssize_t n = read(fd, chunk, sizeof chunk);
                if (n == 0 || (n < 0 && errno != EAGAIN))
                    break;
                if (n > 0)
                    got.append(chunk, std::size_t(n));
                usleep(50);
            }
        });
    }
    ~SlowReader()
    {
        if (thread.joinable())
            thread.join();
        if (fd >= 0)
            close(fd);
    }
    std::string finish()
    {
        thread.join();
        return got;
    }
    const int fd;

private:
    std::string got;
    std::thread thread;
};

void onAlarm(int) {}

// SIGALRM every 200 microseconds, without SA_RESTART, for as long as it lives.
class RepeatedInterruptions {
public:
    RepeatedInterruptions()
    {
        struct sigaction action {};
        action.sa_handler = onAlarm;
        sigemptyset(&action.sa_mask);
        sigaction(SIGALRM, &action, &previous);
        const itimerval every {{0, 200}, {0, 200}};
        setitimer(ITIMER_REAL, &every, nullptr);
    }
    ~RepeatedInterruptions()
    {
        const itimerval stop {};
        setitimer(ITIMER_REAL, &stop, nullptr);
        sigaction(SIGALRM, &previous, nullptr);
    }

private:
    struct sigaction previous {};
};

TEST(OutputFileFifo, ASlowReaderGetsEveryByteInOrder)
{
    Scratch folder;
    const std::string fifo = folder.path + "/out";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = countingBytes(1 << 20); // far more than a pipe holds
    SlowReader reader(fifo);
    ASSERT_GE(reader.fd, 0);
    std::string reason;
    EXPECT_TRUE(writeOutputFile(fifo, bytes.data(), bytes.size(), reason)) << reason;
    const std::string got = reader.finish();
    EXPECT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes) << "the bytes arrived changed";
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(OutputFileFifo, ASignalInTheMiddleOfAWriteLosesNothing)
{
    Scratch folder;
    const std::string fifo = folder.path + "/out";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string bytes = countingBytes(4 << 20);
    SlowReader reader(fifo);
    ASSERT_GE(reader.fd, 0);
    std::string reason;
    bool written;
    {
        RepeatedInterruptions alarms;
        written = writeOutputFile(fifo, bytes.data(), bytes.size(), reason);
    }
    EXPECT_TRUE(written) << reason;
    const std::string got = reader.finish();
    EXPECT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes) << "the bytes arrived changed";
}

TEST(OutputFileReplace, AReaderOfTheOldFileKeepsReadingTheOldBytes)
{
    Scratch folder;
    const std::string path = folder.path + "/out";
    std::ofstream(path) << "old";
    const int held = open(path.c_str(), O_RDONLY);
    ASSERT_GE(held, 0);
    const std::string bytes = countingBytes(4096);
    std::string reason;
    EXPECT_TRUE(writeOutputFile(path, bytes.data(), bytes.size(), reason)) << reason;
    char seen[8] = {};
    EXPECT_EQ(pread(held, seen, sizeof seen, 0), 3);
    EXPECT_STREQ(seen, "old") << "the file was overwritten in place, not replaced";
    close(held);
    std::ifstream in(path, std::ios::binary);
    const std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(now == bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1) << "a temporary file was left";
}

} // namespace
