#include "kmc_test_platform.h"

#include <windows.h>

#include <filesystem>
#include <stdexcept>

namespace kmctest {

long openFileCount()
{
    DWORD count = 0;
    if (!GetProcessHandleCount(GetCurrentProcess(), &count))
        throw std::runtime_error("GetProcessHandleCount failed");
    return static_cast<long>(count);
}

std::string makeScratchFolder()
{
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / ("zentrix-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount() + attempt));
        // CreateDirectory fails on any existing name, so the folder is new and ours.
        if (CreateDirectoryW(candidate.wstring().c_str(), nullptr))
            return candidate.string();
    }
    throw std::runtime_error("no scratch folder could be created");
}

const char *const kFolderPathMessage = "Cannot open test.kmc";

}  // namespace kmctest
