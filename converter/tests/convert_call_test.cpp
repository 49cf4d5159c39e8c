// The contract of the two exported calls: port-count check before the file is touched, the
// open failure, the one static image address, and out-parameters left alone on failure.
#include "kmc_test_support.h"

#include <zentrix.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

namespace kmctest {
namespace {

class InvalidPortCount : public ::testing::TestWithParam<int> {};

TEST_P(InvalidPortCount, IsRefusedBeforeTheFileIsOpened)
{
    for (const std::string &path : {examplePath("two-desks.kmc"), std::string("/nonexistent/zentrix/test.kmc")}) {
        const Conversion c = convert(GetParam(), path);
        EXPECT_EQ(c.result, 1) << path;
        EXPECT_EQ(c.message, "Invalid number of ports") << path;
        EXPECT_FALSE(c.imageTouched) << path;
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, InvalidPortCount, ::testing::Values(0, 9, 16, -1, INT_MIN, INT_MAX));

TEST(ConvertCall, EveryPortCountFromOneToEightIsAccepted)
{
    ScratchDir dir;
    for (int ports = 1; ports <= 8; ++ports) {
        KmcFile f;
        f.ports = ports;
        f.geometry = {geometryLine(1, 1, 24, 1920, 1080, 0, 0), geometryLine(1, 2, 24, 1920, 1080, 1920, 0)};
        f.passages = {passageLine(1, 1, 'R', 0, 1079, 1, 2, 'L', 0, 1079)};
        const Conversion c = convert(ports, dir.write("ports-" + std::to_string(ports) + ".kmc", f.text()));
        EXPECT_EQ(c.result, 0) << "ports " << ports << ": " << c.message;
    }
}

TEST(ConvertCall, MissingFileCannotBeOpened)
{
    ScratchDir dir;
    const Conversion c = convert(4, dir.path() + "/absent.kmc");
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message, "Cannot open test.kmc");
    EXPECT_FALSE(c.imageTouched);
}

TEST(ConvertCall, DirectoryOpensButCannotBeRead)
{
    // On Linux a directory opens for reading and the first read fails (EISDIR).
    ScratchDir dir;
    const Conversion c = convert(4, dir.path());
    EXPECT_EQ(c.result, 1);
    EXPECT_EQ(c.message, "test.kmc read error");
    EXPECT_FALSE(c.imageTouched);
}

TEST(ConvertCall, SuccessfulCallsHandOutOneAddress)
{
    const Conversion first = convert(4, examplePath("two-desks.kmc"));
    const Conversion second = convert(8, examplePath("eight-ports.kmc"));
    const Conversion third = convert(4, examplePath("two-desks.kmc"));
    ASSERT_EQ(first.result, 0) << first.message;
    ASSERT_EQ(second.result, 0) << second.message;
    ASSERT_EQ(third.result, 0) << third.message;
    EXPECT_NE(first.image, nullptr);
    EXPECT_EQ(first.image, second.image);
    EXPECT_EQ(second.image, third.image);
    EXPECT_EQ(second.imageSize, 920);
    EXPECT_NE(first.bytes, second.bytes);
    EXPECT_EQ(first.bytes, third.bytes);
}

struct FailedCall {
    const char *name;
    int ports;
    const char *file;  // a fixture, or empty for a path that does not exist
    int result;
};

void PrintTo(const FailedCall &f, std::ostream *os) { *os << f.name; }

class FailedCallAfterSuccess : public ::testing::TestWithParam<FailedCall> {};

TEST_P(FailedCallAfterSuccess, LeavesTheCallersImagePointerAndSizeAlone)
{
    const FailedCall &p = GetParam();
    ASSERT_EQ(convert(4, examplePath("two-desks.kmc")).result, 0);
    const std::string path = *p.file ? fixturePath(p.file) : std::string("/nonexistent/zentrix/test.kmc");
    const Conversion c = convert(p.ports, path);
    EXPECT_EQ(c.result, p.result) << c.message;
    EXPECT_FALSE(c.imageTouched);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailedCallAfterSuccess,
    ::testing::Values(FailedCall{"ports", 0, "valid-adjacent-stretches.kmc", 1}, FailedCall{"open", 4, "", 1},
                      FailedCall{"parser", 4, "parser-geometry-line-bad-colon.kmc", 1},
                      FailedCall{"builder", 4, "builder-25-duplicate-screen.kmc", 25},
                      FailedCall{"imageFull", 4, "builder-63-twenty-five-passages.kmc", 63}),
    [](const ::testing::TestParamInfo<FailedCall> &info) { return std::string(info.param.name); });

TEST(ConvertCall, BuilderRefusalShowsTheCodeLessFifteen)
{
    const Conversion c = convert(4, fixturePath("builder-18-geometry-port-above-count.kmc"));
    EXPECT_EQ(c.result, 18);
    EXPECT_EQ(c.message, "Could not convert data: error #3");
}

int openDescriptors()
{
    const std::filesystem::path fds("/proc/self/fd");
    return int(std::distance(std::filesystem::directory_iterator(fds), std::filesystem::directory_iterator()));
}

TEST(ConvertCall, ClosesTheFileOnEveryPath)
{
    ScratchDir dir;
    const std::string paths[] = {examplePath("two-desks.kmc"), fixturePath("parser-empty-file.kmc"),
                                 fixturePath("parser-geometry-line-bad-colon.kmc"),
                                 fixturePath("parser-mouse-speed-0.kmc"), fixturePath("builder-25-duplicate-screen.kmc"),
                                 dir.path()};
    const int before = openDescriptors();
    for (int round = 0; round < 50; ++round) {
        for (const std::string &path : paths)
            convert(4, path);
    }
    EXPECT_EQ(openDescriptors(), before);
}

TEST(GetVersion, StoresTwoTwoAndOneHundredOne)
{
    int first = -1, second = -1, third = -1;
    get_version(&first, &second, &third);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(third, 101);
}

}  // namespace
}  // namespace kmctest
