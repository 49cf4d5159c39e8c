// kmcconv as a script uses it: the converter's message on stdout and its result as exit status,
// usage errors with status 2, and the image written only on success, to whatever the output
// name is, without changing its kind.
#include "kmc_test_support.h"
#include "output_target_cases.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <numeric>
#include <regex>
#include <vector>

namespace kmctest {
namespace {

const std::string kTwoDesks = KMC_EXAMPLES_DIR "/two-desks.kmc";

using ToolRun = outputtest::Run;
using outputtest::shellQuoted;

// `shell` runs first in the same shell, which then becomes kmcconv: its $$ is kmcconv's pid.
ToolRun kmcconv(const std::vector<std::string> &args, const std::string &shell = "")
{
    ScratchDir dir;
    std::string command = shell + "exec " + shellQuoted(KMCCONV_PATH);
    for (const std::string &a : args)
        command += " " + shellQuoted(a);
    command += " >" + shellQuoted(dir.path() + "/out") + " 2>" + shellQuoted(dir.path() + "/err") + " </dev/null";
    const int raw = std::system(command.c_str());
    return {raw != -1 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(dir.path() + "/out"), readFile(dir.path() + "/err")};
}

// In a folder that holds a copy of two-desks.kmc named -x.kmc.
TEST(Kmcconv, PrintsTheMessageAndExitsWithTheResultOrTwoForAUsageError)
{
    ScratchDir dir;
    std::filesystem::copy_file(kTwoDesks, dir.path() + "/-x.kmc");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string out;  // a pattern
    } cases[] = {
        {{"--ports", "4", kTwoDesks}, 0, "Converted\n"},
        {{"--ports", "8", kTwoDesks}, 1, "Different numbers of ports: in file \\(4\\), in device \\(8\\)\n"},
        {{"--ports", "4", KMC_FIXTURE_DIR "/builder-25-duplicate-screen.kmc"}, 25, "Could not convert data: error #10\n"},
        {{"--version"}, 0, "kmcconv [0-9]+(\\.[0-9]+)* \\(zentrix [0-9]+\\.[0-9]+\\.[0-9]+\\)\n"},
        {{"--ports", "4", "--", "-x.kmc"}, 0, "Converted\n"},  // a file after the end of the options
        {{}, 2, ""},
        {{kTwoDesks}, 2, ""},
        {{"--ports", "four", kTwoDesks}, 2, ""},
        {{"--ports", "4x", kTwoDesks}, 2, ""},
        {{kTwoDesks, "--ports"}, 2, ""},
        {{"--ports", "4"}, 2, ""},
        {{"--ports", "4", "-o"}, 2, ""},
        {{"--ports", "4", kTwoDesks, kTwoDesks}, 2, ""},
        {{"--bogus", "--ports", "4", kTwoDesks}, 2, ""},
        {{"--", "--ports", "4", "-x.kmc"}, 2, ""},
        {{"--ports", "4", "-x.kmc"}, 2, ""},
        {{"--ports", "4", "--dump", "-o", "-", kTwoDesks}, 2, ""},  // the tables and the image cannot share one stream
    };
    for (const auto &c : cases) {
        const ToolRun r = kmcconv(c.args, "cd " + shellQuoted(dir.path()) + " && ");
        SCOPED_TRACE(std::accumulate(c.args.begin(), c.args.end(), std::string("kmcconv"),
                                     [](const std::string &line, const std::string &arg) { return line + " " + arg; }));
        EXPECT_EQ(r.status, c.status);
        EXPECT_TRUE(std::regex_match(r.out, std::regex(c.out))) << r.out;
        if (c.status == 2)
            EXPECT_NE(r.err.find("usage: kmcconv"), std::string::npos) << r.err;
        else
            EXPECT_EQ(r.err, "");
    }
}

TEST(Kmcconv, WritesTheImageOnlyOnSuccess)
{
    ScratchDir dir;
    const std::string image = dir.path() + "/switch.bin", twoDesks = readHexImage(KMC_IMAGE_DIR "/two-desks.hex");
    ASSERT_EQ(kmcconv({"--ports", "4", "-o", image, kTwoDesks}).status, 0);
    EXPECT_TRUE(sameImage(twoDesks, readFile(image)));
    // Refusals leave the existing image as it was and create no file.
    EXPECT_EQ(kmcconv({"--ports", "4", "-o", image, KMC_FIXTURE_DIR "/builder-29-overlapping-screens.kmc"}).status, 29);
    EXPECT_EQ(kmcconv({"--ports", "4", "-o", dir.path() + "/new.bin", KMC_FIXTURE_DIR "/parser-mouse-speed-0.kmc"}).status, 1);
    EXPECT_TRUE(sameImage(twoDesks, readFile(image)));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Nothing at the name the image was once written through is followed or overwritten, and the
// image gets the mode that a plain create under the umask would give it.
TEST(Kmcconv, LeavesALinkOrFilePlantedAtATemporaryNameAlone)
{
    const struct {
        const char *plant;  // run with the target and the old temporary name
        const char *umask;
        unsigned mode;
    } cases[] = {{"true", "027", 0640}, {"ln -s", "022", 0644}, {"cp", "077", 0600}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.plant);
        ScratchDir dir;
        const std::string image = dir.path() + "/switch.bin";
        std::ofstream(dir.path() + "/victim") << "precious";
        const std::string plant = "cd " + shellQuoted(dir.path()) + " && umask " + c.umask + " && " + c.plant;
        const ToolRun r = kmcconv({"--ports", "4", "-o", image, kTwoDesks}, plant + " victim switch.bin.tmp.$$ && ");
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_TRUE(sameImage(readHexImage(KMC_IMAGE_DIR "/two-desks.hex"), readFile(image)));
        struct stat st {};
        ASSERT_EQ(lstat(image.c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(st.st_mode & 07777, c.mode);
        // Left: the target, the image and what was planted, as it was; no temporary file.
        int others = 0;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path() != image) {
                ++others;
                EXPECT_EQ(readFile(entry.path().string()), "precious") << entry.path();
            }
        }
        EXPECT_EQ(others, std::string(c.plant) == "true" ? 1 : 2);
    }
}

TEST(Kmcconv, DumpNamesTheScreenAndEdgeCounts)
{
    const ToolRun r = kmcconv({"--ports", "4", "--dump", kTwoDesks});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("screens?[^0-9\\n]*3\\b", std::regex::icase))) << r.out;
    EXPECT_TRUE(std::regex_search(r.out, std::regex("(edges?|entries)[^0-9\\n]*4\\b", std::regex::icase))) << r.out;
}

TEST(Kmcconv, WritesTheImageToStandardOutputWithDashAndTheMessageBeside)
{
    const ToolRun r = kmcconv({"--ports", "4", "-o", "-", kTwoDesks});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(sameImage(readHexImage(KMC_IMAGE_DIR "/two-desks.hex"), r.out));
    EXPECT_EQ(r.err, "Converted\n");
}

const outputtest::CommandFor kWritingTwoDesks = [](const std::string &out) {
    return std::vector<std::string>{KMCCONV_PATH, "--ports", "4", "-o", out, kTwoDesks};
};
constexpr int kCannotWrite = 3;

TEST(KmcconvOutput, EachKindOfNameGetsTheImageOrARefusalAndNothingElseChanges)
{
    for (const outputtest::TargetCase &c : outputtest::plainTargets())
        outputtest::expectTargetHandled(c, readHexImage(KMC_IMAGE_DIR "/two-desks.hex"), kWritingTwoDesks, kCannotWrite);
}

TEST(KmcconvOutput, DevicesAreWrittenIntoAndStayDevices)
{
    if (!outputtest::mayMakeDevices())
        GTEST_SKIP() << "making device nodes is not permitted here";
    for (const outputtest::TargetCase &c : outputtest::deviceTargets())
        outputtest::expectTargetHandled(c, readHexImage(KMC_IMAGE_DIR "/two-desks.hex"), kWritingTwoDesks, kCannotWrite);
    outputtest::expectDevStdoutWrittenInto(kWritingTwoDesks, readHexImage(KMC_IMAGE_DIR "/two-desks.hex"));
}

TEST(KmcconvOutput, AFullFileSystemKeepsTheOldImage)
{
    if (!outputtest::mayMountPrivateTmpfs())
        GTEST_SKIP() << "mounting a private tmpfs is not permitted here";
    outputtest::expectFullFolderHandled(kWritingTwoDesks, kCannotWrite);
}

}  // namespace
}  // namespace kmctest
