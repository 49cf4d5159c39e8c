// Every fixture file carries one fault, named in its file name; each is converted and must be
// refused with that fault's message and result, or, for the valid- files, convert.
#include "kmc_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <cctype>

namespace kmctest {
namespace {

struct ParserCase {
    const char *file;
    int ports;
    const char *message;
};

const ParserCase kParserCases[] = {
    {"parser-empty-file.kmc", 4, "A file format is corrupted"},
    {"parser-no-version-line.kmc", 4, "A file format is corrupted"},
    {"parser-version-without-quotes.kmc", 4, "A file format is corrupted"},
    {"parser-general-header-trailing-blank.kmc", 4, "A file format is corrupted"},
    {"parser-ends-inside-geometry.kmc", 4, "A file format is corrupted"},
    {"parser-pass-header-without-newline.kmc", 4, "A file format is corrupted"},
    {"parser-version-minor-100.kmc", 4, "Invalid KMC version"},
    {"parser-version-major-0.kmc", 4, "Invalid KMC version"},
    {"parser-version-3-unsupported.kmc", 4, "Unsupported KMC version"},
    {"parser-ports-2-in-file.kmc", 4, "Different numbers of ports: in file (2), in device (4)"},
    {"parser-mouse-speed-0.kmc", 4, "Mouse Speed (0) out of range (1-10)"},
    {"parser-mouse-speed-11.kmc", 4, "Mouse Speed (11) out of range (1-10)"},
    {"parser-geometry-line-missing-quote.kmc", 4, "Geometry line #1 error"},
    {"parser-geometry-line-bad-colon.kmc", 4, "Geometry line #2 error"},
    {"parser-geometry-line-blank-only.kmc", 4, "Geometry line #2 error"},
    {"parser-geometry-line-bad-letter.kmc", 4, "Geometry line #3 error"},
    {"parser-geometry-too-many-lines.kmc", 8, "The number of geometry lines has exceeded MAX_NUM_WIN"},
    {"parser-passage-line-bad-side.kmc", 4, "Passage line #1 error"},
    {"parser-passage-line-missing-comma.kmc", 4, "Passage line #2 error"},
    {"parser-passage-line-second-half-cut.kmc", 4, "Passage line #2 error"},
    {"parser-passage-too-many-lines.kmc", 4, "The number of passage lines has exceeded MAX_NUM_PAS"},
};

struct BuilderCase {
    const char *file;
    int ports;
    int code;  // 0: the file converts
};

const BuilderCase kBuilderCases[] = {
    {"builder-16-no-geometry-lines.kmc", 4, 16},
    {"builder-17-no-passage-lines.kmc", 4, 17},
    {"builder-18-geometry-port-above-count.kmc", 4, 18},
    {"builder-18-passage-port-0.kmc", 4, 18},
    {"builder-19-geometry-screen-0.kmc", 4, 19},
    {"builder-19-geometry-screen-33.kmc", 4, 19},
    {"builder-19-passage-screen-33.kmc", 4, 19},
    {"builder-20-passage-to-undefined-screen.kmc", 4, 20},
    {"builder-21-touching-stretches.kmc", 4, 21},
    {"builder-21-later-stretch-inside-earlier.kmc", 4, 21},
    {"builder-21-earlier-stretch-inside-later.kmc", 4, 21},
    {"builder-21-second-half-overlap.kmc", 4, 21},
    {"builder-22-stretch-beyond-edge.kmc", 4, 22},
    {"builder-22-stretch-from-equals-to.kmc", 4, 22},
    {"builder-22-stretch-negative-from.kmc", 4, 22},
    {"builder-22-top-stretch-beyond-width.kmc", 4, 22},
    {"builder-23-right-to-right.kmc", 4, 23},
    {"builder-23-top-to-left.kmc", 4, 23},
    {"builder-24-passage-to-same-screen.kmc", 4, 24},
    {"builder-25-duplicate-screen.kmc", 4, 25},
    {"builder-26-stretch-collapses.kmc", 4, 26},
    {"builder-27-zero-width.kmc", 4, 27},
    {"builder-27-negative-height.kmc", 4, 27},
    {"builder-28-diagonal-0.kmc", 4, 28},
    {"builder-28-diagonal-1.kmc", 4, 28},
    {"builder-28-factor-below-3.kmc", 4, 28},
    {"builder-29-overlapping-screens.kmc", 4, 29},
    {"builder-29-crossing-screens-wide-first.kmc", 4, 29},
    {"builder-29-crossing-screens-tall-first.kmc", 4, 29},
    {"builder-29-screen-inside-another-outer-first.kmc", 4, 29},
    {"builder-29-screen-inside-another-inner-first.kmc", 4, 29},
    {"builder-30-screen-collapses.kmc", 4, 30},
    {"builder-31-same-port-stretches-apart.kmc", 4, 31},
    {"builder-32-no-screen-at-origin.kmc", 4, 32},
    {"builder-33-scale-too-large.kmc", 4, 33},
    {"builder-33-reverse-scale-too-large.kmc", 4, 33},
    {"builder-63-seventeen-screens.kmc", 8, 63},
    {"builder-63-twenty-five-passages.kmc", 4, 63},
    {"valid-adjacent-stretches.kmc", 4, 0},
    {"valid-screens-edge-to-edge.kmc", 4, 0},
    {"valid-ends-after-last-passage-line.kmc", 4, 0},
    {"valid-ends-after-last-passage-without-newline.kmc", 4, 0},
    {"valid-ignored-lines.kmc", 4, 0},
    {"valid-free-spacing-and-trailing-text.kmc", 4, 0},
};

std::string testName(const char *file)
{
    std::string name;
    for (const char *c = file; *c && std::string(c) != ".kmc"; ++c)
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
    return name;
}

void PrintTo(const ParserCase &p, std::ostream *os) { *os << p.file; }
void PrintTo(const BuilderCase &b, std::ostream *os) { *os << b.file; }

class ParserFixture : public ::testing::TestWithParam<ParserCase> {};

TEST_P(ParserFixture, IsRefusedWithItsMessage)
{
    const ParserCase &p = GetParam();
    const Conversion c = convert(p.ports, fixturePath(p.file));
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message, p.message);
    EXPECT_FALSE(c.imageTouched);
}

INSTANTIATE_TEST_SUITE_P(Files, ParserFixture, ::testing::ValuesIn(kParserCases),
                         [](const ::testing::TestParamInfo<ParserCase> &i) { return testName(i.param.file); });

class BuilderFixture : public ::testing::TestWithParam<BuilderCase> {};

TEST_P(BuilderFixture, GivesItsResultCode)
{
    const BuilderCase &p = GetParam();
    const Conversion c = convert(p.ports, fixturePath(p.file));
    EXPECT_EQ(c.result, p.code);
    if (p.code == 0) {
        EXPECT_EQ(c.message, "Converted");
        EXPECT_EQ(c.imageSize, 920);
        EXPECT_NE(c.image, nullptr);
    } else {
        EXPECT_EQ(c.message, builderMessage(p.code));
        EXPECT_FALSE(c.imageTouched);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, BuilderFixture, ::testing::ValuesIn(kBuilderCases),
                         [](const ::testing::TestParamInfo<BuilderCase> &i) { return testName(i.param.file); });

TEST(Fixtures, EveryFileIsInATableAndEveryCodeIsReached)
{
    std::set<std::string> listed;
    std::set<int> codes;
    for (const ParserCase &p : kParserCases)
        listed.insert(p.file);
    for (const BuilderCase &b : kBuilderCases) {
        listed.insert(b.file);
        codes.insert(b.code);
    }
    std::set<std::string> present;
    for (const auto &entry : std::filesystem::directory_iterator(KMC_FIXTURE_DIR))
        present.insert(entry.path().filename().string());
    EXPECT_EQ(present, listed);
    for (int code = 16; code <= 33; ++code)
        EXPECT_TRUE(codes.count(code)) << "no fixture for builder code " << code;
    EXPECT_TRUE(codes.count(63));
}

}  // namespace
}  // namespace kmctest
