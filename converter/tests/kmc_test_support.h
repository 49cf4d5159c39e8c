// Shared by the converter tests: file reading, scratch folders, and the expected images, kept as
// annotated hex text so that each record can be read and checked by eye.
#ifndef KMC_TEST_SUPPORT_H
#define KMC_TEST_SUPPORT_H

#include "kmc_test_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>

namespace kmctest {

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Hex bytes; "xx*n" stands for n bytes of xx; "#" starts a comment that runs to the line's end.
inline std::string readHexImage(const std::string &path)
{
    std::istringstream text(readFile(path));
    std::string bytes;
    for (std::string line; std::getline(text, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        for (std::string w; words >> w;) {
            const std::size_t star = w.find('*');
            bytes.append(star == std::string::npos ? 1 : std::stoul(w.substr(star + 1)),
                         static_cast<char>(std::stoul(w.substr(0, star), nullptr, 16)));
        }
    }
    return bytes;
}

// Names the first differing byte, which says far more than two 920-byte dumps.
inline ::testing::AssertionResult sameImage(const std::string &want, const std::string &got)
{
    const auto at = std::mismatch(want.begin(), want.end(), got.begin(), got.end());
    if (at.first == want.end() && at.second == got.end())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.size() << " bytes, want " << want.size()
                                         << "; first difference at offset " << (at.first - want.begin());
}

// A fresh folder under the system's temporary directory, removed with everything in it.
// create_directory makes only a name that was free, so the folder is new and ours.
class ScratchDir {
public:
    ScratchDir()
    {
        std::random_device pick;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() / ("zentrix-test-" + std::to_string(pick()));
            if (std::filesystem::create_directory(candidate))
                path_ = candidate.string();
        }
        if (path_.empty())
            throw std::runtime_error("no scratch folder could be created");
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;
    std::string path() const { return path_; }

private:
    std::string path_;
};

}  // namespace kmctest

#endif
