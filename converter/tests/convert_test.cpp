// convert_d on every fixture and example file, one row each: the port count, the result, and the
// message or, on success, the image the file must give byte for byte. Fixture files are named
// after their fault; a builder- file carries the result code it must get. All rows run in one
// process in this order, so a conversion also shows anything that an earlier one left behind.
#include "kmc_test_support.h"

#include <zentrix.h>

#include <climits>
#include <set>

namespace kmctest {
namespace {

#define FIX KMC_FIXTURE_DIR "/"
#define EXA KMC_EXAMPLES_DIR "/"
#define MISSING "/nonexistent/zentrix/test.kmc"

struct Case {
    const char *path;
    int ports;
    int result;
    const char *expected;  // result 1: the message; result 0: the expected image in images/
};

const Case kCases[] = {
    {EXA "two-desks.kmc", 0, 1, "Invalid number of ports"},
    {MISSING, 9, 1, "Invalid number of ports"},  // checked before the file is opened
    {MISSING, 4, 1, "Cannot open test.kmc"},
    {KMC_FIXTURE_DIR, 4, 1, kFolderPathMessage},
    // The largest image first: every smaller one after it must write all its fillers afresh.
    {EXA "largest-16-screens-24-passages.kmc", 4, 0, "largest-16-screens-24-passages.hex"},
    {EXA "eight-ports.kmc", 8, 0, "eight-ports.hex"},
    {EXA "eight-ports.kmc", 4, 1, "Different numbers of ports: in file (8), in device (4)"},
    {EXA "mixed-resolutions.kmc", 2, 0, "mixed-resolutions.hex"},
    {EXA "negative-positions.kmc", 3, 0, "negative-positions.hex"},
    {EXA "two-desks.kmc", 4, 0, "two-desks.hex"},
    {EXA "two-desks.kmc", 8, 1, "Different numbers of ports: in file (4), in device (8)"},
    {FIX "parser-empty-file.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-no-version-line.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-version-without-quotes.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-version-line-inside-first-piece.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-general-header-trailing-blank.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-ends-inside-geometry.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-ctrl-z-inside-geometry.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-pass-header-without-newline.kmc", 4, 1, "A file format is corrupted"},
    {FIX "parser-version-minor-100.kmc", 4, 1, "Invalid KMC version"},
    {FIX "parser-version-minor-negative.kmc", 4, 1, "Invalid KMC version"},
    {FIX "parser-version-major-0.kmc", 4, 1, "Invalid KMC version"},
    {FIX "parser-version-1-100-invalid.kmc", 4, 1, "Invalid KMC version"},
    {FIX "parser-version-1-unsupported.kmc", 4, 1, "Unsupported KMC version"},
    {FIX "parser-version-3-unsupported.kmc", 4, 1, "Unsupported KMC version"},
    {FIX "parser-ports-2-in-file.kmc", 4, 1, "Different numbers of ports: in file (2), in device (4)"},
    {FIX "parser-ports-beyond-32-bits.kmc", 4, 1, "Different numbers of ports: in file (2147483647), in device (4)"},
    {FIX "parser-mouse-speed-0.kmc", 4, 1, "Mouse Speed (0) out of range (1-10)"},
    {FIX "parser-mouse-speed-11.kmc", 4, 1, "Mouse Speed (11) out of range (1-10)"},
    {FIX "parser-mouse-speed-int32-min.kmc", 4, 1, "Mouse Speed (-2147483648) out of range (1-10)"},
    {FIX "parser-mouse-speed-below-32-bits.kmc", 4, 1, "Mouse Speed (-2147483648) out of range (1-10)"},
    {FIX "parser-geometry-line-missing-quote.kmc", 4, 1, "Geometry line #1 error"},
    {FIX "parser-geometry-line-bad-colon.kmc", 4, 1, "Geometry line #2 error"},
    {FIX "parser-geometry-line-blank-only.kmc", 4, 1, "Geometry line #2 error"},
    {FIX "parser-geometry-line-bad-letter.kmc", 4, 1, "Geometry line #3 error"},
    {FIX "parser-geometry-line-of-256-characters.kmc", 4, 1, "Geometry line #3 error"},
    {FIX "parser-geometry-line-33-bad.kmc", 8, 1, "Geometry line #33 error"},
    {FIX "parser-geometry-too-many-lines.kmc", 8, 1, "The number of geometry lines has exceeded MAX_NUM_WIN"},
    {FIX "parser-passage-line-bad-side.kmc", 4, 1, "Passage line #1 error"},
    {FIX "parser-passage-line-missing-comma.kmc", 4, 1, "Passage line #2 error"},
    {FIX "parser-passage-line-second-half-cut.kmc", 4, 1, "Passage line #2 error"},
    {FIX "parser-passage-line-of-300-characters.kmc", 4, 1, "Passage line #3 error"},
    {FIX "parser-passage-line-129-bad.kmc", 4, 1, "Passage line #129 error"},
    {FIX "parser-passage-too-many-lines.kmc", 4, 1, "The number of passage lines has exceeded MAX_NUM_PAS"},
    {FIX "builder-16-no-geometry-lines.kmc", 4, 16, nullptr},
    {FIX "builder-17-no-passage-lines.kmc", 4, 17, nullptr},
    {FIX "builder-18-geometry-port-above-count.kmc", 4, 18, nullptr},
    {FIX "builder-18-passage-port-0.kmc", 4, 18, nullptr},
    {FIX "builder-19-geometry-screen-0.kmc", 4, 19, nullptr},
    {FIX "builder-19-geometry-screen-33.kmc", 4, 19, nullptr},
    {FIX "builder-19-passage-screen-33.kmc", 4, 19, nullptr},
    {FIX "builder-20-passage-to-undefined-screen.kmc", 4, 20, nullptr},
    {FIX "builder-20-geometry-line-of-255-characters.kmc", 4, 20, nullptr},  // the newline alone ends the section
    {FIX "builder-21-touching-stretches.kmc", 4, 21, nullptr},
    {FIX "builder-21-later-stretch-inside-earlier.kmc", 4, 21, nullptr},
    {FIX "builder-21-earlier-stretch-inside-later.kmc", 4, 21, nullptr},
    {FIX "builder-21-second-half-overlap.kmc", 4, 21, nullptr},
    {FIX "builder-22-stretch-beyond-edge.kmc", 4, 22, nullptr},
    {FIX "builder-22-stretch-from-equals-to.kmc", 4, 22, nullptr},
    {FIX "builder-22-stretch-negative-from.kmc", 4, 22, nullptr},
    {FIX "builder-22-top-stretch-beyond-width.kmc", 4, 22, nullptr},
    {FIX "builder-23-right-to-right.kmc", 4, 23, nullptr},
    {FIX "builder-23-top-to-left.kmc", 4, 23, nullptr},
    {FIX "builder-24-passage-to-same-screen.kmc", 4, 24, nullptr},
    {FIX "builder-25-duplicate-screen.kmc", 4, 25, nullptr},
    {FIX "builder-26-stretch-collapses.kmc", 4, 26, nullptr},
    {FIX "builder-27-zero-width.kmc", 4, 27, nullptr},
    {FIX "builder-27-negative-height.kmc", 4, 27, nullptr},
    {FIX "builder-28-diagonal-0.kmc", 4, 28, nullptr},
    {FIX "builder-28-horizontal-factor-2.kmc", 4, 28, nullptr},
    {FIX "builder-28-vertical-factor-2.kmc", 4, 28, nullptr},
    {FIX "builder-28-horizontal-factor-256.kmc", 4, 28, nullptr},
    {FIX "builder-28-vertical-factor-256.kmc", 4, 28, nullptr},
    {FIX "builder-28-width-2147483647.kmc", 4, 28, nullptr},
    {FIX "builder-29-overlapping-screens.kmc", 4, 29, nullptr},
    {FIX "builder-29-crossing-screens-wide-first.kmc", 4, 29, nullptr},
    {FIX "builder-29-crossing-screens-tall-first.kmc", 4, 29, nullptr},
    {FIX "builder-29-screen-inside-another-outer-first.kmc", 4, 29, nullptr},
    {FIX "builder-29-screen-inside-another-inner-first.kmc", 4, 29, nullptr},
    {FIX "builder-30-screen-collapses.kmc", 4, 30, nullptr},
    {FIX "builder-31-same-port-stretches-apart.kmc", 4, 31, nullptr},
    {FIX "builder-32-no-screen-at-origin.kmc", 4, 32, nullptr},
    {FIX "builder-33-scale-of-65536.kmc", 2, 33, nullptr},
    {FIX "builder-33-reverse-scale-of-65536.kmc", 2, 33, nullptr},
    {FIX "builder-63-seventeen-screens.kmc", 8, 63, nullptr},
    {FIX "builder-63-thirty-two-screens.kmc", 8, 63, nullptr},
    {FIX "builder-63-twenty-five-passages.kmc", 4, 63, nullptr},
    {FIX "builder-63-hundred-twenty-eight-passages.kmc", 4, 63, nullptr},
    // The two-desks set-up in other dresses gives the two-desks image.
    {FIX "valid-crlf-line-ends.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-ctrl-z-ends-the-file.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-ends-after-last-passage-line.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-ends-after-last-passage-without-newline.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-free-spacing-and-trailing-text.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-ignored-lines.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-version-2-99.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-version-marks-not-checked.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-version-line-in-second-piece.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-geometry-line-of-254-characters.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-two-desks-thousandfold.kmc", 4, 0, "two-desks.hex"},
    {FIX "valid-adjacent-stretches.kmc", 4, 0, "valid-adjacent-stretches.hex"},
    {FIX "valid-screens-edge-to-edge.kmc", 4, 0, "valid-screens-edge-to-edge.hex"},
    {FIX "valid-desktop-left-of-and-above-origin.kmc", 2, 0, "valid-desktop-left-of-and-above-origin.hex"},
    {FIX "valid-factors-3-and-255.kmc", 4, 0, "valid-factors-3-and-255.hex"},
    {FIX "valid-largest-scale.kmc", 2, 0, "valid-largest-scale.hex"},
    {FIX "valid-screen-32.kmc", 1, 0, "valid-screen-32.hex"},
};

TEST(ConvertD, EveryFileGivesItsResultMessageAndImage)
{
    const long filesBefore = openFileCount();
    unsigned char *firstImage = nullptr;
    for (const Case &c : kCases) {
        SCOPED_TRACE(std::string(c.path) + ", " + std::to_string(c.ports) + " ports");
        char message[256];
        unsigned char untouched, *image = &untouched;
        int size = -7;
        EXPECT_EQ(convert_d(c.ports, c.path, message, sizeof message, &image, &size), c.result);
        if (c.result == 0) {
            EXPECT_STREQ(message, "Converted");
            firstImage = firstImage ? firstImage : image;
            EXPECT_EQ(image, firstImage);  // one image in static storage for every call
            const std::string got(reinterpret_cast<char *>(image), size == 920 ? 920 : 0);
            EXPECT_TRUE(sameImage(readHexImage(KMC_IMAGE_DIR "/" + std::string(c.expected)), got));
        } else {
            EXPECT_EQ(message, c.result == 1 ? std::string(c.expected)
                                             : "Could not convert data: error #" + std::to_string(c.result - 15));
            EXPECT_EQ(image, &untouched);  // the caller's pointer and size are left as they were
            EXPECT_EQ(size, -7);
        }
    }
    EXPECT_EQ(openFileCount(), filesBefore);  // the file is closed on every path
}

TEST(ConvertD, EveryFixtureExampleAndImageFileHasARow)
{
    std::set<std::string> used, unused;
    for (const Case &c : kCases) {
        used.insert(std::filesystem::path(c.path).filename().string());
        if (c.result == 0)
            used.insert(c.expected);
    }
    for (const char *dir : {KMC_FIXTURE_DIR, KMC_EXAMPLES_DIR, KMC_IMAGE_DIR})
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            if (!used.count(entry.path().filename().string()))
                unused.insert(entry.path().string());
    EXPECT_EQ(unused, std::set<std::string>());
}

// Cut to the caller's size and always terminated, never written beyond it, and the size never
// changes the result: the shortest and the longest message at every size around their lengths.
TEST(ConvertD, MessageStaysWithinTheCallersSize)
{
    for (const int ports : {4, 8}) {
        const std::string full = ports == 4 ? "Converted" : "Different numbers of ports: in file (4), in device (8)";
        for (const int size : {INT_MIN, -1, 0, 1, 2, 9, 10, 54, 55, 56, 80}) {
            std::string buffer(std::max(size, 0) + 16, '\x5a');
            unsigned char *image = nullptr;
            int imageSize = 0;
            EXPECT_EQ(convert_d(ports, EXA "two-desks.kmc", buffer.data(), size, &image, &imageSize), ports == 4 ? 0 : 1);
            const std::string written = size > 0 ? full.substr(0, size - 1) + '\0' : "";
            EXPECT_EQ(buffer, written + std::string(buffer.size() - written.size(), '\x5a')) << "size " << size;
        }
    }
}

TEST(GetVersion, StoresTwoTwoAndOneHundredOne)
{
    int first = -1, second = -1, third = -1;
    get_version(&first, &second, &third);
    EXPECT_EQ(std::vector<int>({first, second, third}), std::vector<int>({2, 2, 101}));
}

}  // namespace
}  // namespace kmctest
