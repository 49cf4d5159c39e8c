// convert_d on every fixture and example file, one row each: the port count, the result, and the
// message or, on success, the image the file must give byte for byte. Fixture files are named
// after their fault; a builder- file carries the result code it must get, and a valid- file gives
// the image of its own name or else the two-desks image. All rows run in one process in this
// order, so a conversion also shows anything that an earlier one left behind.
#include "kmc_test_support.h"

#include <zentrix.h>

#include <climits>
#include <cstdlib>
#include <set>

namespace kmctest {
namespace {

#define FIX KMC_FIXTURE_DIR "/"
#define EXA KMC_EXAMPLES_DIR "/"
#define MISSING "/nonexistent/zentrix/test.kmc"

struct Case {
    std::string path;
    int ports;
    int result;
    std::string expected;  // result 1: the message; result 0: the expected image in images/
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
};

// The port count a file's header names.
int portsNamedIn(const std::string &text)
{
    const std::string key = "\nNumber of Ports=";
    const std::size_t at = text.find(key);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + key.size());
}

// The rows above, then one for each builder- and valid- file, in name order, at the port count
// its header names.
std::vector<Case> allCases()
{
    std::vector<Case> cases(std::begin(kCases), std::end(kCases));
    const std::set<std::filesystem::path> files(std::filesystem::directory_iterator(KMC_FIXTURE_DIR), {});
    for (const std::string kind : {"builder-", "valid-"})
        for (const std::filesystem::path &file : files) {
            const std::string name = file.stem().string(), ownImage = name + ".hex";
            if (name.rfind(kind, 0) == 0)
                cases.push_back({file.string(), portsNamedIn(readFile(file.string())), kind == "valid-" ? 0 : std::stoi(name.substr(8)),
                                 std::filesystem::exists(KMC_IMAGE_DIR "/" + ownImage) ? ownImage : "two-desks.hex"});
        }
    return cases;
}

TEST(ConvertD, EveryFileGivesItsResultMessageAndImage)
{
    const long filesBefore = openFileCount();
    unsigned char *firstImage = nullptr;
    const std::vector<Case> cases = allCases();
    ASSERT_EQ(cases.size(), 105u) << "a fixture file was added or went missing";
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path + ", " + std::to_string(c.ports) + " ports");
        char message[256];
        unsigned char untouched, *image = &untouched;
        int size = -7;
        EXPECT_EQ(convert_d(c.ports, c.path.c_str(), message, sizeof message, &image, &size), c.result);
        if (c.result == 0) {
            EXPECT_STREQ(message, "Converted");
            firstImage = firstImage ? firstImage : image;
            EXPECT_EQ(image, firstImage);  // one image in static storage for every call
            const std::string got(reinterpret_cast<char *>(image), size == 920 ? 920 : 0);
            EXPECT_TRUE(sameImage(readHexImage(KMC_IMAGE_DIR "/" + c.expected), got));
        } else {
            EXPECT_EQ(message, c.result == 1 ? c.expected
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
    for (const Case &c : allCases()) {
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
