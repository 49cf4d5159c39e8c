// The caller's message buffer: every message is written with the caller's bound.
#ifndef ZENTRIX_MESSAGE_BUFFER_H
#define ZENTRIX_MESSAGE_BUFFER_H

namespace zentrix {

class MessageBuffer {
public:
    MessageBuffer(char *data, int size) : data_(data), size_(size) {}

    // printf-style; truncates to the buffer, always zero-terminated; a size of 0 or less, or
    // no buffer at all, writes nothing.
    void write(const char *format, ...) __attribute__((format(printf, 2, 3)));

private:
    char *data_;
    int size_;
};

}  // namespace zentrix

#endif
