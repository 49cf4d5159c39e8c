// The two-desks set-up converted for a 4-port switch, checked against the image worked out
// by hand, every byte including the fillers.
#include "expected_image.h"
#include "kmc_test_support.h"

#include <gtest/gtest.h>

namespace kmctest {
namespace {

constexpr uint8_t kNone = 0xFF;

std::vector<unsigned char> twoDesksImage()
{
    // Port 1's desktop is 3840 x 1080, port 2's 1680 x 1050; mouse speed 5 is speed code 16.
    const std::vector<ScreenRecord> screens = {
        {0, 24, 43, 16, {0, 0, kNone}, {2047, 1, 0}, {0, 0, kNone}, {4095, 0, kNone}},
        {0, 24, 43, 16, {2048, 1, 1}, {4095, 1, 2}, {0, 0, kNone}, {4095, 0, kNone}},
        {1, 27, 43, 16, {0, 1, 3}, {4095, 0, kNone}, {0, 0, kNone}, {4095, 0, kNone}},
    };
    const std::vector<EdgeEntry> entries = {
        {0, 4095, 1, 0, 256},
        {0, 4095, 0, 0, 256},
        {2048, 4095, 2, -4097, 512},
        {0, 4095, 1, 2048, 127},
    };
    return layOutImage(screens, entries);
}

// Names the first differing byte, which says far more than two 920-byte dumps.
::testing::AssertionResult sameImage(const std::vector<unsigned char> &want, const std::vector<unsigned char> &got)
{
    if (want.size() != got.size())
        return ::testing::AssertionFailure() << "size " << got.size() << ", want " << want.size();
    for (size_t i = 0; i < want.size(); ++i) {
        if (want[i] != got[i])
            return ::testing::AssertionFailure() << "first difference at offset " << i << ": got 0x" << std::hex
                                                 << int(got[i]) << ", want 0x" << int(want[i]);
    }
    return ::testing::AssertionSuccess();
}

TEST(WorkedExample, LayoutOfTheExpectedImageIsTheDocumentedOne)
{
    const auto image = twoDesksImage();
    ASSERT_EQ(image.size(), size_t(kImageSize));
    EXPECT_EQ(u16At(image, 4), 0xFFBB);
    EXPECT_EQ(image[kScreenRecordsAt + 3 * kScreenRecordSize], 0x44);
    EXPECT_EQ(image[kEdgeEntriesAt - 1], 0x44);
    EXPECT_EQ(i32At(image, kEdgeEntriesAt + 2 * kEdgeEntrySize + 5), -4097);
    EXPECT_EQ(image[kEdgeEntriesAt + 4 * kEdgeEntrySize], 0x11);
    EXPECT_EQ(image[kImageSize - 1], 0x11);
}

TEST(WorkedExample, ConvertsToTheImageWorkedOutByHand)
{
    const Conversion c = convert(4, examplePath("two-desks.kmc"));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_EQ(c.message, "Converted");
    EXPECT_EQ(c.imageSize, kImageSize);
    EXPECT_TRUE(sameImage(twoDesksImage(), c.bytes));
}

TEST(WorkedExample, GeneratedTwinGivesTheSameImage)
{
    // The test's own rendering of the example, without the header lines the window shows.
    ScratchDir dir;
    const Conversion c = convert(4, dir.write("two-desks.kmc", twoDesks().text()));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_TRUE(sameImage(twoDesksImage(), c.bytes));
}

TEST(WorkedExample, CrLfLineEndsGiveTheSameImage)
{
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.newline = "\r\n";
    const Conversion c = convert(4, dir.write("two-desks-crlf.kmc", f.text()));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_TRUE(sameImage(twoDesksImage(), c.bytes));
}

TEST(WorkedExample, FreeSpacingAndTrailingTextGiveTheSameImage)
{
    // Blanks and tabs wherever the scan skips white space, signs on numbers, no blanks at all
    // between the quoted groups, and words after the last quote of a line.
    const Conversion c = convert(4, fixturePath("valid-free-spacing-and-trailing-text.kmc"));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_TRUE(sameImage(twoDesksImage(), c.bytes));
}

TEST(WorkedExample, NothingOfEarlierConversionsShowsInTheImage)
{
    // A full image, then a refusal that filled the edge lists, then the small example: every
    // filler record and entry must be written afresh.
    ASSERT_EQ(convert(4, examplePath("largest-16-screens-24-passages.kmc")).result, 0);
    ASSERT_EQ(convert(4, fixturePath("builder-63-twenty-five-passages.kmc")).result, 63);
    ASSERT_EQ(convert(4, fixturePath("builder-31-same-port-stretches-apart.kmc")).result, 31);
    const Conversion c = convert(4, examplePath("two-desks.kmc"));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_TRUE(sameImage(twoDesksImage(), c.bytes));
}

TEST(WorkedExample, EightPortSwitchIsRefusedAtThePortCount)
{
    const Conversion c = convert(8, examplePath("two-desks.kmc"));
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message, "Different numbers of ports: in file (4), in device (8)");
    EXPECT_FALSE(c.imageTouched);
}

}  // namespace
}  // namespace kmctest
