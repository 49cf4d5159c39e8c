#include "kmc_test_platform.h"

#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <stdexcept>

namespace kmctest {

long openFileCount()
{
    return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

std::string makeScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "zentrix-test-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    return pattern;
}

const char *const kFolderPathMessage = "test.kmc read error";

}  // namespace kmctest
