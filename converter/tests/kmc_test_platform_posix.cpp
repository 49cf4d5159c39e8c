#include "kmc_test_platform.h"

#include <filesystem>
#include <iterator>

namespace kmctest {

long openFileCount()
{
    return static_cast<long>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

const char *const kFolderPathMessage = "test.kmc read error";

}  // namespace kmctest
