#include "line_reader.h"

#include <algorithm>
#include <cstring>

namespace zentrix {

constexpr char kCtrlZ = '\x1a';

int LineReader::rawChar()
{
    if (position_ == length_) {
        if (end_ || error_)
            return kEnd;
        long got = ctrlZ_ ? 0 : source_.read(source_.context, buffer_, sizeof buffer_);
        if (got < 0) {
            error_ = true;
            return kEnd;
        }
        // The buffer is cut at a Ctrl-Z, so the line scan below never sees one.
        const char *mark = static_cast<const char *>(std::memchr(buffer_, kCtrlZ, static_cast<std::size_t>(got)));
        if (mark) {
            got = mark - buffer_;
            ctrlZ_ = true;
        }
        if (got == 0) {
            end_ = true;
            return kEnd;
        }
        length_ = static_cast<std::size_t>(got);
        position_ = 0;
    }
    return static_cast<unsigned char>(buffer_[position_++]);
}

// Text mode: a CR immediately followed by LF is read as the LF alone; any other CR stays.
int LineReader::textChar()
{
    int c = rawChar();
    if (c != '\r')
        return c;
    int next = rawChar();
    if (next == '\n')
        return '\n';
    if (next != kEnd)
        --position_;  // the byte just read is still in the buffer: give it back
    return c;
}

LineReader::Result LineReader::next(char (&line)[kLineCapacity])
{
    std::size_t count = 0;
    const std::size_t limit = kLineCapacity - 1;
    while (count < limit) {
        if (position_ == length_) {
            int c = rawChar();  // refills the buffer, or meets the end or an error
            if (c == kEnd)
                break;
            --position_;
        }
        // Copy the run up to the next LF or CR in one go; a CR needs the text-mode look-ahead.
        const char *run = buffer_ + position_;
        std::size_t n = std::min(length_ - position_, limit - count);
        const char *lf = static_cast<const char *>(std::memchr(run, '\n', n));
        std::size_t take = lf ? std::size_t(lf - run) + 1 : n;
        const char *cr = static_cast<const char *>(std::memchr(run, '\r', take));
        if (cr)
            take = std::size_t(cr - run);
        std::memcpy(line + count, run, take);
        count += take;
        position_ += take;
        if (cr) {
            int c = textChar();
            line[count++] = static_cast<char>(c);
            if (c == '\n')
                break;
        } else if (lf) {
            break;
        }
    }
    line[count] = '\0';
    // As with fgets, a read error spoils the whole line.
    if (error_ || count == 0)
        return Result::NoLine;
    return Result::Line;
}

static long readMemory(void *context, char *buffer, std::size_t capacity)
{
    auto *m = static_cast<MemorySource *>(context);
    std::size_t left = m->size - m->position;
    std::size_t n = std::min({left, capacity, m->chunk});
    if (n)
        std::memcpy(buffer, m->data + m->position, n);
    m->position += n;
    return static_cast<long>(n);
}

ByteSource MemorySource::source()
{
    return ByteSource{readMemory, this};
}

}  // namespace zentrix
