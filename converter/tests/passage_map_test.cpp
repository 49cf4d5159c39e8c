// The map between two ports' stretches at the largest scale the image can hold. Both ports
// have a single screen 4096 pixels high, so pixel rows are normalised rows and the stretches
// below have exactly the lengths written.
#include "expected_image.h"
#include "kmc_test_support.h"

#include <gtest/gtest.h>

namespace kmctest {
namespace {

struct Stretches {
    const char *name;
    int from0, to0, from1, to1;
    int result;
};

void PrintTo(const Stretches &s, std::ostream *os) { *os << s.name; }

std::string file(const Stretches &s)
{
    KmcFile f;
    f.ports = 2;
    f.geometry = {geometryLine(1, 1, 32, 7282, 4096, 0, 0), geometryLine(2, 1, 32, 7282, 4096, 0, 0)};
    f.passages = {passageLine(1, 1, 'R', s.from0, s.to0, 2, 1, 'L', s.from1, s.to1)};
    return f.text();
}

EdgeEntry entryAt(const std::vector<unsigned char> &image, int index)
{
    const int at = kEdgeEntriesAt + index * kEdgeEntrySize;
    return {u16At(image, at), u16At(image, at + 2), image.at(at + 4), i32At(image, at + 5), u16At(image, at + 9)};
}

class ScaleLimit : public ::testing::TestWithParam<Stretches> {};

TEST_P(ScaleLimit, StopsJustBelowARatioOf256)
{
    const Stretches &s = GetParam();
    ScratchDir dir;
    const Conversion c = convert(2, dir.write("scale.kmc", file(s)));
    EXPECT_EQ(c.result, s.result) << c.message;
}

// 4095 x 256 / 16 = 65520 fits the scale field; 4095 x 256 / 15 = 69888 does not.
INSTANTIATE_TEST_SUITE_P(Ratios, ScaleLimit,
                         ::testing::Values(Stretches{"firstOf16", 100, 116, 0, 4095, 0},
                                           Stretches{"firstOf15", 100, 115, 0, 4095, 33},
                                           Stretches{"secondOf16", 0, 4095, 100, 116, 0},
                                           Stretches{"secondOf15", 0, 4095, 100, 115, 33}),
                         [](const ::testing::TestParamInfo<Stretches> &info) { return std::string(info.param.name); });

TEST(PassageMap, LargestScaleAndItsInverse)
{
    ScratchDir dir;
    const Conversion c = convert(2, dir.write("scale.kmc", file({"firstOf16", 100, 116, 0, 4095, 0})));
    ASSERT_EQ(c.result, 0) << c.message;
    // 100 + 4095 x 1 / 256 stays 100; -409500 / 16 = -25593.75 truncates toward zero.
    const EdgeEntry narrow = entryAt(c.bytes, 0), wide = entryAt(c.bytes, 1);
    EXPECT_EQ(narrow.start, 100);
    EXPECT_EQ(narrow.end, 116);
    EXPECT_EQ(narrow.otherScreen, 1);
    EXPECT_EQ(narrow.offset, -25593);
    EXPECT_EQ(narrow.scale, 65520);
    EXPECT_EQ(wide.start, 0);
    EXPECT_EQ(wide.end, 4095);
    EXPECT_EQ(wide.otherScreen, 0);
    EXPECT_EQ(wide.offset, 100);
    EXPECT_EQ(wide.scale, 1);
}

}  // namespace
}  // namespace kmctest
