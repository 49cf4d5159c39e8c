// The command-line tool as a script would use it: message on stdout, the library's result
// as exit status, the image file written only on success, usage errors with status 2.
#include "kmc_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace kmctest {
namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quoted(const std::string &arg)
{
    std::string q = "'";
    for (char c : arg)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// `shell` runs first in the same shell, which then becomes kmcconv: its $$ is kmcconv's pid.
ToolRun kmcconv(const std::vector<std::string> &args, const std::string &shell = "")
{
    ScratchDir dir;
    std::string command = shell + "exec " + quoted(KMCCONV_PATH);
    for (const std::string &a : args)
        command += " " + quoted(a);
    command += " >" + quoted(dir.path() + "/out") + " 2>" + quoted(dir.path() + "/err") + " </dev/null";
    ToolRun r;
    const int raw = std::system(command.c_str());
    if (raw != -1 && WIFEXITED(raw))
        r.status = WEXITSTATUS(raw);
    r.out = slurp(dir.path() + "/out");
    r.err = slurp(dir.path() + "/err");
    return r;
}

std::string firstLine(const std::string &text) { return text.substr(0, text.find('\n')); }

struct Outcome {
    const char *name;
    const char *ports;
    std::string path;
    int status;
    const char *message;
};

void PrintTo(const Outcome &o, std::ostream *os) { *os << o.name; }

class KmcconvOutcome : public ::testing::TestWithParam<Outcome> {};

TEST_P(KmcconvOutcome, PrintsTheMessageAndExitsWithTheResult)
{
    const Outcome &p = GetParam();
    const ToolRun r = kmcconv({"--ports", p.ports, p.path});
    EXPECT_EQ(r.status, p.status) << r.err;
    EXPECT_EQ(firstLine(r.out), p.message);
}

INSTANTIATE_TEST_SUITE_P(
    Results, KmcconvOutcome,
    ::testing::Values(
        Outcome{"converted", "4", examplePath("two-desks.kmc"), 0, "Converted"},
        Outcome{"portsDiffer", "8", examplePath("two-desks.kmc"), 1,
                "Different numbers of ports: in file (4), in device (8)"},
        Outcome{"invalidPorts", "9", examplePath("two-desks.kmc"), 1, "Invalid number of ports"},
        Outcome{"missing", "4", "/nonexistent/zentrix/test.kmc", 1, "Cannot open test.kmc"},
        Outcome{"parser", "4", fixturePath("parser-geometry-line-bad-colon.kmc"), 1, "Geometry line #2 error"},
        Outcome{"builder25", "4", fixturePath("builder-25-duplicate-screen.kmc"), 25,
                "Could not convert data: error #10"},
        Outcome{"builder63", "8", fixturePath("builder-63-seventeen-screens.kmc"), 63,
                "Could not convert data: error #48"}),
    [](const ::testing::TestParamInfo<Outcome> &info) { return std::string(info.param.name); });

TEST(Kmcconv, WritesTheImageThatConvertDHandsOut)
{
    ScratchDir dir;
    const std::string imagePath = dir.path() + "/two-desks.bin";
    const ToolRun r = kmcconv({"--ports", "4", "-o", imagePath, examplePath("two-desks.kmc")});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    const Conversion c = convert(4, examplePath("two-desks.kmc"));
    ASSERT_EQ(c.result, 0);
    const std::vector<unsigned char> written = readBytes(imagePath);
    EXPECT_EQ(written.size(), 920u);
    EXPECT_EQ(written, c.bytes);
}

TEST(Kmcconv, FailedConversionLeavesAnExistingImageFileAlone)
{
    ScratchDir dir;
    std::string previous(920, '\0');
    for (size_t i = 0; i < previous.size(); ++i)
        previous[i] = static_cast<char>(i * 7);
    const std::string imagePath = dir.write("switch.bin", previous);
    const ToolRun r = kmcconv({"--ports", "4", "-o", imagePath, fixturePath("builder-29-overlapping-screens.kmc")});
    EXPECT_EQ(r.status, 29);
    const std::vector<unsigned char> after = readBytes(imagePath);
    EXPECT_EQ(std::string(after.begin(), after.end()), previous);
}

TEST(Kmcconv, FailedConversionCreatesNoImageFile)
{
    ScratchDir dir;
    const std::string imagePath = dir.path() + "/new.bin";
    const ToolRun r = kmcconv({"--ports", "4", "-o", imagePath, fixturePath("parser-mouse-speed-0.kmc")});
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(std::filesystem::exists(imagePath));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()),
              0);
}

struct Planted {
    const char *name;
    const char *plant;  // shell command given the target and the name the image used to be written through
    const char *umask;
    unsigned mode;      // expected mode of the image
};

void PrintTo(const Planted &p, std::ostream *os) { *os << p.name; }

class KmcconvPlanted : public ::testing::TestWithParam<Planted> {};

TEST_P(KmcconvPlanted, WritesTheImageWithoutTouchingWhatIsThere)
{
    const Planted &p = GetParam();
    ScratchDir dir;
    const std::string victim = dir.write("victim", "precious");
    const std::string imagePath = dir.path() + "/switch.bin";
    const ToolRun r = kmcconv({"--ports", "4", "-o", imagePath, examplePath("two-desks.kmc")},
                              "cd " + quoted(dir.path()) + " && umask " + p.umask + " && " + p.plant +
                                  " victim switch.bin.tmp.$$ && ");
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(slurp(victim), "precious");
    EXPECT_EQ(readBytes(imagePath), convert(4, examplePath("two-desks.kmc")).bytes);
    struct stat st {};
    ASSERT_EQ(lstat(imagePath.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, p.mode);
    // Left: the target, the image and what was planted, as it was; no temporary file.
    int others = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
        if (entry.path() != victim && entry.path() != imagePath) {
            ++others;
            EXPECT_EQ(slurp(entry.path().string()), "precious") << entry.path();
        }
    }
    EXPECT_EQ(others, std::string(p.plant) == "true" ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(
    AtTheTemporaryName, KmcconvPlanted,
    ::testing::Values(Planted{"nothing", "true", "027", 0640}, Planted{"link", "ln -s", "022", 0644},
                      Planted{"plainFile", "cp", "077", 0600}),
    [](const ::testing::TestParamInfo<Planted> &info) { return std::string(info.param.name); });

TEST(Kmcconv, DumpNamesTheScreenAndEdgeCounts)
{
    const ToolRun r = kmcconv({"--ports", "4", "--dump", examplePath("two-desks.kmc")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::regex screens("screens?[^0-9\\n]*3\\b", std::regex::icase);
    const std::regex edges("(edges?|entries)[^0-9\\n]*4\\b", std::regex::icase);
    EXPECT_TRUE(std::regex_search(r.out, screens)) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, edges)) << r.out;
}

struct Usage {
    const char *name;
    std::vector<std::string> args;
};

void PrintTo(const Usage &u, std::ostream *os) { *os << u.name; }

class KmcconvUsage : public ::testing::TestWithParam<Usage> {};

TEST_P(KmcconvUsage, ExitsTwoWithUsageOnStderr)
{
    const ToolRun r = kmcconv(GetParam().args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Converted"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    BadCommandLines, KmcconvUsage,
    ::testing::Values(Usage{"nothing", {}}, Usage{"noPorts", {examplePath("two-desks.kmc")}},
                      Usage{"portsNotANumber", {"--ports", "four", examplePath("two-desks.kmc")}},
                      Usage{"portsTrailingLetter", {"--ports", "4x", examplePath("two-desks.kmc")}},
                      Usage{"portsWithoutValue", {examplePath("two-desks.kmc"), "--ports"}},
                      Usage{"noFile", {"--ports", "4"}}, Usage{"imageWithoutPath", {"--ports", "4", "-o"}},
                      Usage{"twoFiles", {"--ports", "4", examplePath("two-desks.kmc"), examplePath("two-desks.kmc")}},
                      Usage{"unknownOption", {"--bogus", "--ports", "4", examplePath("two-desks.kmc")}}),
    [](const ::testing::TestParamInfo<Usage> &info) { return std::string(info.param.name); });

}  // namespace
}  // namespace kmctest
