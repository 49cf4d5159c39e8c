#include "kmc_test_platform.h"

#include <windows.h>

#include <stdexcept>

namespace kmctest {

long openFileCount()
{
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count))
        throw std::runtime_error("GetProcessHandleCount failed");
    return static_cast<long>(count);
}

const char *const kFolderPathMessage = "Cannot open test.kmc";

}  // namespace kmctest
