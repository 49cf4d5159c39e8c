// Counts and ranges: the parser's table limits (32 geometry, 128 passage lines), the image's
// room (16 screens, 24 passages), mouse speeds and version numbers. Files are generated.
#include "expected_image.h"
#include "kmc_test_support.h"

#include <gtest/gtest.h>

namespace kmctest {
namespace {

// `count` screens of 1920 x 1080 spread over eight ports, screen numbers growing to the right,
// with one passage between the first two screens of port 1.
KmcFile screens(int count, int ports = 8)
{
    KmcFile f;
    f.ports = ports;
    for (int i = 0; i < count; ++i) {
        const int port = i % ports + 1, screen = i / ports + 1;
        f.geometry.push_back(geometryLine(port, screen, 24, 1920, 1080, 1920 * (screen - 1), 0));
    }
    f.passages = {passageLine(1, 1, 'R', 0, 1079, 1, 2, 'L', 0, 1079)};
    return f;
}

// `count` passages between the two screens of port 1, each through its own slice of 8 rows.
KmcFile passages(int count)
{
    KmcFile f = twoDesks();
    f.passages.clear();
    for (int k = 0; k < count; ++k)
        f.passages.push_back(passageLine(1, 1, 'R', 8 * k, 8 * k + 7, 1, 2, 'L', 8 * k, 8 * k + 7));
    return f;
}

struct Limit {
    const char *name;
    KmcFile file;
    int result;
    std::string message;
};

void PrintTo(const Limit &l, std::ostream *os) { *os << l.name; }

class SectionLimit : public ::testing::TestWithParam<Limit> {};

TEST_P(SectionLimit, GivesItsResult)
{
    const Limit &p = GetParam();
    ScratchDir dir;
    const Conversion c = convert(p.file.ports, dir.write("limit.kmc", p.file.text()));
    EXPECT_EQ(c.result, p.result);
    EXPECT_EQ(c.message, p.message);
}

KmcFile withBadLast(KmcFile f, bool geometry)
{
    if (geometry)
        f.geometry.back().replace(f.geometry.back().find(':'), 1, ",");
    else
        f.passages.back().replace(f.passages.back().find('R'), 1, "X");
    return f;
}

INSTANTIATE_TEST_SUITE_P(
    Counts, SectionLimit,
    ::testing::Values(
        // The parser keeps 32 geometry lines; the image holds only 16 screens.
        Limit{"geometry32", screens(32), 63, builderMessage(63)},
        Limit{"geometry33", screens(33), 1, "The number of geometry lines has exceeded MAX_NUM_WIN"},
        Limit{"geometry33Bad", withBadLast(screens(33), true), 1, "Geometry line #33 error"},
        Limit{"screens16", screens(16), 0, "Converted"},
        Limit{"screens17", screens(17), 63, builderMessage(63)},
        // The parser keeps 128 passage lines; the image holds only 24 passages.
        Limit{"passages128", passages(128), 63, builderMessage(63)},
        Limit{"passages129", passages(129), 1, "The number of passage lines has exceeded MAX_NUM_PAS"},
        Limit{"passages129Bad", withBadLast(passages(129), false), 1, "Passage line #129 error"},
        Limit{"passages24", passages(24), 0, "Converted"},
        Limit{"passages25", passages(25), 63, builderMessage(63)}),
    [](const ::testing::TestParamInfo<Limit> &info) { return std::string(info.param.name); });

TEST(SectionLimits, FullImageCountsSixteenScreensAndFortyEightEntries)
{
    ScratchDir dir;
    KmcFile f = screens(16);
    f.passages.clear();
    for (int k = 0; k < 24; ++k) {
        const int port = k % 8 + 1, slice = k / 8;
        f.passages.push_back(passageLine(port, 1, 'R', 360 * slice, 360 * slice + 359, port, 2, 'L', 360 * slice,
                                         360 * slice + 359));
    }
    const Conversion c = convert(8, dir.write("full.kmc", f.text()));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_EQ(c.bytes[6], 16);
    EXPECT_EQ(c.bytes[7], 48);
    // No filler anywhere: the last edge entry is port 8 screen 2's third left-edge stretch,
    // pointing back at screen record 14 (port 8 screen 1).
    EXPECT_EQ(c.bytes[kEdgeEntriesAt + 47 * kEdgeEntrySize + 4], 14);
    EXPECT_EQ(u16At(c.bytes, kEdgeEntriesAt + 47 * kEdgeEntrySize + 9), 256);
}

class MouseSpeed : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(MouseSpeed, SetsTheSpeedCodeOfEveryScreenRecord)
{
    const auto [speed, code] = GetParam();
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.mouseSpeed = speed;
    const Conversion c = convert(4, dir.write("speed.kmc", f.text()));
    ASSERT_EQ(c.result, 0) << c.message;
    for (int screen = 0; screen < 3; ++screen)
        EXPECT_EQ(c.bytes[kScreenRecordsAt + screen * kScreenRecordSize + 3], code) << "record " << screen;
}

INSTANTIATE_TEST_SUITE_P(Speeds, MouseSpeed,
                         ::testing::Values(std::pair{1, 1}, std::pair{2, 2}, std::pair{3, 4}, std::pair{4, 8},
                                           std::pair{5, 16}, std::pair{6, 28}, std::pair{7, 49}, std::pair{8, 84},
                                           std::pair{9, 147}, std::pair{10, 255}));

TEST(MouseSpeedRange, OutsideOneToTenIsRefused)
{
    ScratchDir dir;
    for (int speed : {0, 11, -1, 100}) {
        KmcFile f = twoDesks();
        f.mouseSpeed = speed;
        const Conversion c = convert(4, dir.write("speed.kmc", f.text()));
        EXPECT_EQ(c.result, 1);
        EXPECT_EQ(c.message, "Mouse Speed (" + std::to_string(speed) + ") out of range (1-10)");
    }
}

struct Version {
    const char *text;
    int result;
    const char *message;
};

void PrintTo(const Version &v, std::ostream *os) { *os << "Version=" << v.text; }

class VersionLine : public ::testing::TestWithParam<Version> {};

TEST_P(VersionLine, IsCheckedOrIgnored)
{
    const Version &p = GetParam();
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.version = p.text;
    const Conversion c = convert(4, dir.write("version.kmc", f.text()));
    EXPECT_EQ(c.result, p.result);
    EXPECT_EQ(c.message, p.message);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionLine,
    ::testing::Values(Version{"\"2.0\"", 0, "Converted"}, Version{"\"2.99\"", 0, "Converted"},
                      Version{"'2-7'", 0, "Converted"},  // the three marks around the numbers are not checked
                      Version{"\"2.100\"", 1, "Invalid KMC version"}, Version{"\"0.5\"", 1, "Invalid KMC version"},
                      Version{"\"2.-1\"", 1, "Invalid KMC version"}, Version{"\"-2.0\"", 1, "Invalid KMC version"},
                      Version{"\"3.0\"", 1, "Unsupported KMC version"},
                      Version{"\"1.0\"", 1, "Unsupported KMC version"},
                      Version{"\"1.100\"", 1, "Invalid KMC version"},  // range first, then the major
                      Version{"2.0", 1, "A file format is corrupted"}));

}  // namespace
}  // namespace kmctest
