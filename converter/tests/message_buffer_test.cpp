// The message is written within the size the caller gives, whatever that size is, and the
// size never changes the outcome of the conversion.
#include "kmc_test_support.h"

#include <zentrix.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace kmctest {
namespace {

constexpr char kCanary = '\x5a';
constexpr int kSlack = 64;

struct Case {
    const char *file;
    int ports;
};

const Case kCases[] = {
    {"two-desks.kmc", 4},                               // success
    {"two-desks.kmc", 8},                               // the longest message
    {"parser-geometry-line-bad-colon.kmc", 4},          // parser
    {"builder-25-duplicate-screen.kmc", 4},             // builder
};

std::string pathOf(const Case &c)
{
    return std::string(c.file) == "two-desks.kmc" ? examplePath(c.file) : fixturePath(c.file);
}

class MessageSize : public ::testing::TestWithParam<int> {};

TEST_P(MessageSize, WritesAtMostSizeCharactersAndKeepsTheResult)
{
    const int size = GetParam();
    for (const Case &k : kCases) {
        SCOPED_TRACE(std::string(k.file) + " ports " + std::to_string(k.ports));
        const Conversion full = convert(k.ports, pathOf(k));

        std::vector<char> buffer(size_t(size > 0 ? size : 0) + kSlack, kCanary);
        unsigned char *image = nullptr;
        int imageSize = 0;
        const int result = convert_d(k.ports, pathOf(k).c_str(), buffer.data(), size, &image, &imageSize);

        EXPECT_EQ(result, full.result);
        if (result == 0) {
            EXPECT_EQ(image, full.image);
            EXPECT_EQ(imageSize, 920);
        }
        const size_t written = size > 0 ? std::min(full.message.size(), size_t(size - 1)) : 0;
        if (size > 0) {
            EXPECT_EQ(std::string(buffer.data(), written), full.message.substr(0, written));
            EXPECT_EQ(buffer[written], '\0');
        }
        const size_t untouchedFrom = size > 0 ? size_t(size) : 0;
        for (size_t i = untouchedFrom; i < buffer.size(); ++i)
            ASSERT_EQ(buffer[i], kCanary) << "byte " << i << " written beyond a size of " << size;
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, MessageSize, ::testing::Values(INT_MIN, -1, 0, 1, 2, 5, 9, 10, 11, 54, 55, 56, 80));

}  // namespace
}  // namespace kmctest
