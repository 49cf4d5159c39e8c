// The shared writer called in-process, where the tools' tests cannot reach: a FIFO whose reader
// is slower than the writer, a signal arriving again and again in the middle of a write, and a
// reader that still holds the file being replaced.
#include "output_file.h"
#include "output_target_cases.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/time.h>

#include <thread>

namespace {

using outputtest::Scratch;
using outputtest::slurp;

// Bytes that show a lost, repeated or reordered stretch: no two 4-byte words alike.
std::string countingBytes(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = char((i / 4 >> (8 * (i % 4))) & 0xff);
    return bytes;
}

// Writes `bytes` into a FIFO that a thread drains a little at a time, when `interrupted` with
// SIGALRM every 200 microseconds and no SA_RESTART; the FIFO must stay one and its reader get
// every byte in order.
void expectSlowReaderGetsAll(const std::string &bytes, bool interrupted)
{
    Scratch folder;
    const std::string fifo = folder.path + "/out";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // Opened before the writer comes, so that the writer finds a reader.
    const int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    std::string got;
    std::thread reader([&] {
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        pthread_sigmask(SIG_BLOCK, &alarm, nullptr); // the signals are the writer's
        char chunk[4096];
        // poll waits for the first bytes; a FIFO no writer has opened yet reports nothing.
        for (pollfd ready {fd, POLLIN, 0}; poll(&ready, 1, 10000) > 0; usleep(50)) {
            const ssize_t n = read(fd, chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EAGAIN))
                break;
            if (n > 0)
                got.append(chunk, std::size_t(n));
        }
    });
    struct sigaction quiet {}, previous {};
    quiet.sa_handler = [](int) {};
    sigaction(SIGALRM, &quiet, &previous);
    const suseconds_t every = interrupted ? 200 : 0; // 0 sets no timer
    const itimerval alarms {{0, every}, {0, every}}, stop {};
    setitimer(ITIMER_REAL, &alarms, nullptr);
    std::string reason;
    const bool written = writeOutputFile(fifo, bytes.data(), bytes.size(), reason);
    setitimer(ITIMER_REAL, &stop, nullptr);
    sigaction(SIGALRM, &previous, nullptr);
    reader.join();
    close(fd);
    EXPECT_TRUE(written) << reason;
    EXPECT_TRUE(got == bytes) << got.size() << " bytes arrived, want these " << bytes.size();
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST(OutputFileFifo, ASlowReaderGetsEveryByteInOrder)
{
    expectSlowReaderGetsAll(countingBytes(1 << 20), false); // far more than a pipe holds
}

TEST(OutputFileFifo, ASignalInTheMiddleOfAWriteLosesNothing)
{
    expectSlowReaderGetsAll(countingBytes(4 << 20), true);
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
    EXPECT_TRUE(slurp(path) == bytes);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path), {}), 1) << "a temporary file was left";
}

} // namespace
