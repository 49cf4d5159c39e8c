#include "message_buffer.h"

#include <cstdarg>
#include <cstdio>

namespace zentrix {

void MessageBuffer::write(const char *format, ...)
{
    if (!data_ || size_ <= 0)
        return;
    va_list args;
    va_start(args, format);
    std::vsnprintf(data_, static_cast<std::size_t>(size_), format, args);
    va_end(args);
}

}  // namespace zentrix
