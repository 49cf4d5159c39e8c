#include "platform_codes.h"

#include <cerrno>

namespace platform_codes {

const int kNoSuchPort = ENOENT;
const int kPortBusy = EBUSY;
const int kDeviceFailed = EIO;
const int kTimedOut = ETIMEDOUT;
const int kBadHandle = EBADF;

} // namespace platform_codes
