// trevikctl preview's picture reaches whatever kind of thing its -o names without changing it,
// and a picture it cannot write (a full disk, a folder at the name) exits 6 with the system's
// reason and leaves the old file whole.
#include "output_target_cases.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr int kPictureNotWritten = 6;
const std::string kTwoDesks = EXAMPLES_DIR "/two-desks.kmc";

// The names in the table carry no ending, so the kind of picture is given.
outputtest::CommandFor previewAs(const std::string &format)
{
    return [format](const std::string &out) {
        return std::vector<std::string> {"env", "QT_QPA_PLATFORM=offscreen", TREVIKCTL_PATH, "preview", kTwoDesks,
                                         "--format", format, "-o", out};
    };
}

// The picture as the tool writes it to standard output: what every file it writes must hold.
std::string pictureOnStandardOutput(const std::string &format)
{
    const outputtest::Run r = outputtest::run(previewAs(format)("-"));
    EXPECT_EQ(r.status, 0) << r.err;
    return r.out;
}

TEST(PreviewOutput, StandardOutputGetsThePictureOfTheAskedKind)
{
    const std::string svg = pictureOnStandardOutput("svg");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_TRUE(svg.size() > 7 && svg.compare(svg.size() - 7, 7, "</svg>\n") == 0) << "the output ends with the document";
    EXPECT_EQ(pictureOnStandardOutput("png").substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
}

TEST(PreviewOutput, EachKindOfNameGetsThePictureOrARefusalAndNothingElseChanges)
{
    for (const char *format : {"svg", "png"}) {
        SCOPED_TRACE(format);
        const std::string picture = pictureOnStandardOutput(format);
        for (const outputtest::TargetCase &c : outputtest::plainTargets())
            outputtest::expectTargetHandled(c, picture, previewAs(format), kPictureNotWritten);
    }
}

TEST(PreviewOutput, DevicesAreWrittenIntoAndStayDevices)
{
    if (!outputtest::mayMakeDevices())
        GTEST_SKIP() << "making device nodes is not permitted here";
    const std::string picture = pictureOnStandardOutput("svg");
    for (const outputtest::TargetCase &c : outputtest::deviceTargets())
        outputtest::expectTargetHandled(c, picture, previewAs("svg"), kPictureNotWritten);
    outputtest::expectDevStdoutWrittenInto(previewAs("svg"), picture);
}

TEST(PreviewOutput, AFullFileSystemKeepsTheOldPictureAndSaysWhy)
{
    if (!outputtest::mayMountPrivateTmpfs())
        GTEST_SKIP() << "mounting a private tmpfs is not permitted here";
    for (const char *format : {"svg", "png"}) {
        SCOPED_TRACE(format);
        outputtest::expectFullFolderHandled(previewAs(format), kPictureNotWritten);
    }
}

} // namespace
