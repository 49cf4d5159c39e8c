#include "platform_codes.h"

#include <windows.h>

namespace platform_codes {

const int kNoSuchPort = ERROR_FILE_NOT_FOUND;
// CreateFileW on a port opened by somebody else (share mode 0).
const int kPortBusy = ERROR_ACCESS_DENIED;
const int kDeviceFailed = ERROR_GEN_FAILURE;
const int kTimedOut = ERROR_TIMEOUT;
const int kBadHandle = ERROR_INVALID_HANDLE;

} // namespace platform_codes
