// How lines reach the parser: CR LF read as LF, a last line without newline, and lines longer
// than 255 characters delivered in pieces that are handled as lines of their own.
#include "kmc_test_support.h"

#include <gtest/gtest.h>

namespace kmctest {
namespace {

TEST(LineReading, CrLfFailsAtTheSameLineAsLf)
{
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.geometry[2] = "2 1 22 1680,1050 L \"0,0\" \"0,0\"";
    const Conversion lf = convert(4, dir.write("lf.kmc", f.text()));
    f.newline = "\r\n";
    const Conversion crlf = convert(4, dir.write("crlf.kmc", f.text()));
    EXPECT_EQ(lf.message, "Geometry line #3 error");
    EXPECT_EQ(crlf.message, lf.message);
    EXPECT_EQ(crlf.result, 1);
}

TEST(LineReading, CrLfHeadersAndEmptyLinesEndSections)
{
    // "#pass\r\n" must become "#pass\n" and "\r\n" an empty line, or nothing would be found.
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.newline = "\r\n";
    f.newlineAfterLastPassage = false;
    const Conversion c = convert(4, dir.write("crlf-no-final-newline.kmc", f.text()));
    EXPECT_EQ(c.result, 0) << c.message;
}

TEST(LineReading, LastPassageLineWithoutNewlineConverts)
{
    ScratchDir dir;
    KmcFile f = twoDesks();
    const Conversion with = convert(4, dir.write("with.kmc", f.text()));
    f.newlineAfterLastPassage = false;
    const Conversion without = convert(4, dir.write("without.kmc", f.text()));
    ASSERT_EQ(without.result, 0) << without.message;
    EXPECT_EQ(without.bytes, with.bytes);
}

struct LongLine {
    const char *name;
    size_t length;  // characters of the second geometry line before its newline
    int result;
    const char *message;
};

void PrintTo(const LongLine &l, std::ostream *os) { *os << l.length << " characters"; }

class LongGeometryLine : public ::testing::TestWithParam<LongLine> {};

TEST_P(LongGeometryLine, IsCutIntoPiecesOf255Characters)
{
    // Blanks after the last quote are never examined, so only the piece boundaries matter:
    // 254 characters and the newline fit one read; at 255 the newline arrives alone and ends
    // the geometry section, so port 2's screen is never defined; at 256 the second piece is a
    // blank and the newline, a line of its own that is no geometry line.
    const LongLine &p = GetParam();
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.geometry[1].resize(p.length, ' ');
    const Conversion c = convert(4, dir.write("long.kmc", f.text()));
    EXPECT_EQ(c.result, p.result);
    EXPECT_EQ(c.message, p.message);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, LongGeometryLine,
    ::testing::Values(LongLine{"fits", 254, 0, "Converted"},
                      LongLine{"newlineAlone", 255, 20, "Could not convert data: error #5"},
                      LongLine{"blankAndNewline", 256, 1, "Geometry line #3 error"}),
    [](const ::testing::TestParamInfo<LongLine> &info) { return std::string(info.param.name); });

TEST(LineReading, LongPassageLineTailIsAPassageLineOfItsOwn)
{
    ScratchDir dir;
    KmcFile f = twoDesks();
    f.passages[1].resize(300, ' ');
    const Conversion c = convert(4, dir.write("long-passage.kmc", f.text()));
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message, "Passage line #3 error");
}

TEST(LineReading, VersionLineHiddenInALongCommentIsFound)
{
    // The only version line of the file starts at character 256 of a long header line.
    ScratchDir dir;
    std::string text = twoDesks().text();
    const std::string versionLine = "Version=\"2.0\"\n";
    ASSERT_EQ(text.compare(0, versionLine.size(), versionLine), 0);
    std::string comment = "Description=\"";
    comment.resize(255, 'x');
    text = comment + text;
    const Conversion c = convert(4, dir.write("hidden-version.kmc", text));
    EXPECT_EQ(c.result, 0) << c.message;
    comment.resize(254);  // now the version text is part of the first piece and is ignored
    const Conversion missed = convert(4, dir.write("missed-version.kmc", comment + text.substr(255)));
    EXPECT_EQ(missed.message, "A file format is corrupted");
}

}  // namespace
}  // namespace kmctest
