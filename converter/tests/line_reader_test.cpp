// The line reader over memory, with every read cut short, so buffer refills fall on every
// position: inside a line, between a CR and its LF, at the 255-character limit.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ReadOutcome {
    std::vector<std::string> lines;
    bool atEnd = false;
    bool failed = false;
};

ReadOutcome readAll(const std::string &text, std::size_t chunk)
{
    zentrix::MemorySource memory{text.data(), text.size(), chunk};
    zentrix::LineReader reader(memory.source());
    ReadOutcome out;
    char line[zentrix::kLineCapacity];
    while (reader.next(line) == zentrix::LineReader::Result::Line)
        out.lines.emplace_back(line);
    out.atEnd = reader.atEnd();
    out.failed = reader.failed();
    return out;
}

struct Case {
    const char *name;
    std::string text;
    std::vector<std::string> lines;
};

class LineReaderChunks : public testing::TestWithParam<Case> {};

TEST_P(LineReaderChunks, SameLinesWhereverTheReadsEnd)
{
    const Case &c = GetParam();
    for (std::size_t chunk : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), std::size_t(4096)}) {
        const ReadOutcome got = readAll(c.text, chunk);
        EXPECT_EQ(got.lines, c.lines) << "reads of " << chunk << " bytes";
        EXPECT_TRUE(got.atEnd);
        EXPECT_FALSE(got.failed);
    }
}

const std::string k300(300, 'x');

INSTANTIATE_TEST_SUITE_P(
    Texts, LineReaderChunks,
    testing::Values(
        Case{"lf", "a\nbc\n", {"a\n", "bc\n"}},
        Case{"crlf", "a\r\nbc\r\n", {"a\n", "bc\n"}},
        Case{"lone_cr_stays", "a\rb\n\r", {"a\rb\n", "\r"}},
        Case{"cr_cr_lf", "a\r\r\nb", {"a\r\n", "b"}},
        Case{"no_last_newline", "a\nlast", {"a\n", "last"}},
        Case{"empty_lines", "\n\r\n\n", {"\n", "\n", "\n"}},
        Case{"long_line_in_pieces", k300 + "\r\n",
             {std::string(255, 'x'), std::string(45, 'x') + "\n"}},
        Case{"crlf_after_255", std::string(255, 'y') + "\r\nz",
             {std::string(255, 'y'), "\n", "z"}}),
    [](const testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

long failingRead(void *, char *, std::size_t)
{
    return -1;
}

TEST(LineReader, ReadErrorGivesNoLineAndIsNotTheEnd)
{
    zentrix::LineReader reader(zentrix::ByteSource{failingRead, nullptr});
    char line[zentrix::kLineCapacity];
    EXPECT_EQ(reader.next(line), zentrix::LineReader::Result::NoLine);
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.atEnd());
}

TEST(LineReader, EmptyInputIsTheEndAtTheFirstRead)
{
    const ReadOutcome got = readAll("", 4096);
    EXPECT_TRUE(got.lines.empty());
    EXPECT_TRUE(got.atEnd);
}

}  // namespace
