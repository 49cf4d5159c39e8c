// The sample set-ups shipped for operators must all convert for the port count they name.
#include "kmc_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace kmctest {
namespace {

int portsNamedIn(const std::string &path)
{
    std::ifstream in(path);
    const std::string key = "Number of Ports=";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) == 0)
            return std::stoi(line.substr(key.size()));
    }
    return 0;
}

TEST(Examples, EveryExampleConverts)
{
    std::set<std::string> seen;
    for (const auto &entry : std::filesystem::directory_iterator(KMC_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".kmc")
            continue;
        const std::string path = entry.path().string();
        const int ports = portsNamedIn(path);
        const Conversion c = convert(ports, path);
        EXPECT_EQ(c.result, 0) << entry.path().filename() << " (ports " << ports << "): " << c.message;
        seen.insert(entry.path().filename().string());
    }
    for (const char *name : {"two-desks.kmc", "eight-ports.kmc", "mixed-resolutions.kmc", "negative-positions.kmc",
                             "largest-16-screens-24-passages.kmc"})
        EXPECT_TRUE(seen.count(name)) << name << " is missing";
}

TEST(Examples, LargestFillsTheImage)
{
    const Conversion c = convert(4, examplePath("largest-16-screens-24-passages.kmc"));
    ASSERT_EQ(c.result, 0) << c.message;
    EXPECT_EQ(c.bytes[6], 16);
    EXPECT_EQ(c.bytes[7], 48);
}

TEST(Examples, EightPortsNeedsAnEightPortSwitch)
{
    const Conversion c = convert(4, examplePath("eight-ports.kmc"));
    EXPECT_EQ(c.message, "Different numbers of ports: in file (8), in device (4)");
}

}  // namespace
}  // namespace kmctest
