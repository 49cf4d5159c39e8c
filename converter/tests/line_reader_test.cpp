// The line reader fed from memory, with reads cut short at every length, so buffer refills fall
// on every position: inside a line, between a CR and its LF, at the 255-character limit, at a
// Ctrl-Z.
#include "line_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zentrix {
namespace {

TEST(LineReader, SameLinesWhereverTheReadsEnd)
{
    const std::string x255(255, 'x');
    const struct {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\nbc\n", {"a\n", "bc\n"}},
        {"a\r\nbc\r\n", {"a\n", "bc\n"}},  // CR LF arrives as LF
        {"a\rb\n\r", {"a\rb\n", "\r"}},    // any other CR stays
        {"a\r\r\nb", {"a\r\n", "b"}},
        {"a\nlast", {"a\n", "last"}},      // a last line without newline
        {"\n\r\n\n", {"\n", "\n", "\n"}},
        {x255 + "x\r\n", {x255, "x\n"}},   // longer lines arrive in pieces of 255
        {x255 + "\r\nz", {x255, "\n", "z"}},
        {"", {}},
        {"a\nb\x1a" "c\n", {"a\n", "b"}},  // a Ctrl-Z ends the file, as Windows text mode reads it
        {"\x1a" "a\n", {}},
        {"a\r\x1a\n", {"a\r"}},            // a CR before it has no LF to join
        {"a\r\n\x1a\x1a", {"a\n"}},
    };
    for (const auto &c : cases) {
        for (std::size_t chunk = 1; chunk <= c.text.size() + 1; ++chunk) {
            MemorySource memory{c.text.data(), c.text.size(), chunk};
            LineReader reader(memory.source());
            std::vector<std::string> lines;
            char line[kLineCapacity];
            while (reader.next(line) == LineReader::Result::Line)
                lines.emplace_back(line);
            EXPECT_EQ(lines, c.lines) << "reads of " << chunk << " bytes";
            EXPECT_TRUE(reader.atEnd());
            EXPECT_FALSE(reader.failed());
        }
    }
}

TEST(LineReader, NothingAfterACtrlZIsRead)
{
    // The first read ends in the mark; any further read would fail.
    int reads = 0;
    LineReader reader(ByteSource{[](void *context, char *buffer, std::size_t) -> long {
                                     if ((*static_cast<int *>(context))++ > 0)
                                         return -1;
                                     buffer[0] = 'a', buffer[1] = '\x1a', buffer[2] = 'b';
                                     return 3;
                                 },
                                 &reads});
    char line[kLineCapacity];
    EXPECT_EQ(reader.next(line), LineReader::Result::Line);
    EXPECT_STREQ(line, "a");
    EXPECT_EQ(reader.next(line), LineReader::Result::NoLine);
    EXPECT_TRUE(reader.atEnd() && !reader.failed());
    EXPECT_EQ(reads, 1);
}

TEST(LineReader, ReadErrorGivesNoLineAndIsNotTheEnd)
{
    LineReader reader(ByteSource{[](void *, char *, std::size_t) -> long { return -1; }, nullptr});
    char line[kLineCapacity];
    EXPECT_EQ(reader.next(line), LineReader::Result::NoLine);
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.atEnd());
}

}  // namespace
}  // namespace zentrix
