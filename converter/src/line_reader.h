// Delivers a KMC file line by line with the semantics the format was defined by: C's fgets on
// a stream opened in text mode. Lines are at most 255 characters, the newline stays part of
// the line, longer lines arrive in pieces, and CR LF arrives as a single LF. A Ctrl-Z (0x1A)
// ends the file, as text mode reads it on Windows; the same on every platform, so one file
// converts the same everywhere. The bytes come from a ByteSource, so tests and the fuzzer can
// feed memory instead of a file.
#ifndef ZENTRIX_LINE_READER_H
#define ZENTRIX_LINE_READER_H

#include <cstddef>

namespace zentrix {

constexpr int kLineCapacity = 256;  // 255 characters and the terminating zero

struct ByteSource {
    // Fills up to `capacity` bytes; answers the count, 0 at end of input, -1 on a read error.
    long (*read)(void *context, char *buffer, std::size_t capacity);
    void *context;
};

class LineReader {
public:
    enum class Result { Line, NoLine };

    explicit LineReader(ByteSource source) : source_(source) {}

    // Reads the next line into `line` (zero-terminated). NoLine when nothing could be read:
    // then atEnd() or failed() says why.
    Result next(char (&line)[kLineCapacity]);

    // True once a read has met the end of input or a Ctrl-Z (like feof: not before a read tried).
    bool atEnd() const { return end_; }
    bool failed() const { return error_; }

private:
    static constexpr int kEnd = -1;
    int rawChar();
    int textChar();

    ByteSource source_;
    char buffer_[4096];
    std::size_t length_ = 0;
    std::size_t position_ = 0;
    bool end_ = false;
    bool error_ = false;
    bool ctrlZ_ = false;  // the buffer ends at a Ctrl-Z: nothing more is read from the source
};

// A source over memory, for tests. `chunk` bounds what one read delivers, so tests can put
// buffer refills anywhere in the text.
struct MemorySource {
    const char *data;
    std::size_t size;
    std::size_t chunk = static_cast<std::size_t>(-1);
    std::size_t position = 0;
    ByteSource source();
};

// A source over a file opened read-only by its narrow path, without change of encoding. The
// bytes come as they are stored (binary): the text-mode reading is the LineReader's.
class FileSource {
public:
    FileSource() = default;
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;
    ~FileSource() { close(); }

    bool open(const char *path);
    void close();
    ByteSource source();

private:
    int fd_ = -1;
};

}  // namespace zentrix

#endif
