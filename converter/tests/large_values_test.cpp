// Pixel values far beyond real screens: the normalisation works on ratios, so a set-up scaled
// up a hundredfold must give the very same image, with no arithmetic overflow on the way
// (the sanitizer build turns any signed overflow into a failure).
#include "expected_image.h"
#include "kmc_test_support.h"

#include <gtest/gtest.h>

#include <climits>

namespace kmctest {
namespace {

// Port 1: three screens in a row; port 2: one screen. `k` scales every pixel value.
KmcFile threeInARow(int k)
{
    KmcFile f;
    f.geometry = {geometryLine(1, 1, 24, 1920 * k, 1080 * k, 0, 0),
                  geometryLine(1, 2, 24, 1920 * k, 1080 * k, 1920 * k, 0),
                  geometryLine(1, 3, 24, 1920 * k, 1080 * k, 3840 * k, 0),
                  geometryLine(2, 1, 22, 1680 * k, 1050 * k, 0, 0)};
    f.passages = {passageLine(1, 1, 'R', 0, 1080 * k - 1, 1, 2, 'L', 0, 1080 * k - 1),
                  passageLine(1, 2, 'R', 540 * k, 1080 * k - 1, 2, 1, 'L', 0, 1050 * k - 1),
                  passageLine(1, 3, 'T', 0, 1920 * k - 1, 2, 1, 'B', 0, 1680 * k - 1)};
    return f;
}

TEST(LargeValues, HundredfoldPixelsNormaliseLikeTheOriginal)
{
    // 5760 x 100 columns times 4096 no longer fits 32 bits, nor does 192000 squared.
    ScratchDir dir;
    const Conversion small = convert(4, dir.write("small.kmc", threeInARow(1).text()));
    const Conversion huge = convert(4, dir.write("huge.kmc", threeInARow(100).text()));
    ASSERT_EQ(small.result, 0) << small.message;
    ASSERT_EQ(huge.result, 0) << huge.message;
    EXPECT_EQ(huge.bytes, small.bytes);
    // Screen 1 covers the first third of 4096 columns: its right edge is column 1365.
    EXPECT_EQ(u16At(huge.bytes, kScreenRecordsAt + 8), 1365);
    EXPECT_EQ(u16At(huge.bytes, kScreenRecordsAt + kScreenRecordSize + 4), 1366);
    // The factors come from the physical size, the same at any resolution.
    EXPECT_EQ(huge.bytes[kScreenRecordsAt + 1], 24);
    EXPECT_EQ(huge.bytes[kScreenRecordsAt + 2], 43);
}

TEST(LargeValues, WidestPossibleScreenIsRefusedForItsFactorNotByOverflow)
{
    // Width INT_MAX normalises fine; its 1080 rows on a 24-unit diagonal make a vertical
    // factor in the tens of millions, which the range check refuses.
    ScratchDir dir;
    KmcFile f;
    f.geometry = {geometryLine(1, 1, 24, INT_MAX, 1080, 0, 0), geometryLine(2, 1, 22, 1680, 1050, 0, 0)};
    f.passages = {passageLine(1, 1, 'R', 0, 1079, 2, 1, 'L', 0, 1049)};
    const Conversion c = convert(4, dir.write("widest.kmc", f.text()));
    EXPECT_EQ(c.result, 28);
    EXPECT_EQ(c.message, builderMessage(28));
}

}  // namespace
}  // namespace kmctest
