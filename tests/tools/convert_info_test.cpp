// `velmora info` and `velmora convert` as a user runs them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "codecs/image_fixture.h"
#include "velmora/newdib.h"

namespace {

struct Outcome {
    int exitCode = -1;
    std::string out, err;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// Runs the tool in a UTF-8 locale with its output and errors kept in files.
class Tool : public ::testing::Test {
protected:
    Outcome Run(const std::string& args) {
        std::string out = dir.file("stdout.txt"), err = dir.file("stderr.txt");
        std::string command = "LC_ALL=C.UTF-8 " + Quote(VELMORA_TOOL_PATH) + " " + args + " >" + Quote(out) +
                              " 2>" + Quote(err);
        int status = std::system(command.c_str());
        Outcome o;
        if (WIFEXITED(status)) o.exitCode = WEXITSTATUS(status);
        std::vector<unsigned char> a = vtest::ReadAll(out), b = vtest::ReadAll(err);
        o.out.assign(a.begin(), a.end());
        o.err.assign(b.begin(), b.end());
        return o;
    }
    std::string Sample(const std::string& name) { return vtest::DataPath("bmp/" + name); }

    vtest::TempDir dir;
};

TEST_F(Tool, InfoDescribesTheImage) {
    Outcome o = Run("info " + Quote(Sample("pal8.bmp")));
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_TRUE(Has(o.out, "format:    0 (BMP)\n")) << o.out;
    EXPECT_TRUE(Has(o.out, "size:      127 x 64\n"));
    EXPECT_TRUE(Has(o.out, "bit count: 8\n"));
    EXPECT_TRUE(Has(o.out, "colours:   256\n"));
    EXPECT_TRUE(Has(o.out, "gray:      no\n"));
    EXPECT_TRUE(Has(o.out, "storage:   memory\n"));
}

TEST_F(Tool, InfoPrintsTheLibrarysFailureInTheTerminalsEncoding) {
    Outcome missing = Run("info " + Quote(dir.file("none.bmp")));
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing.err, "打开文件失败")) << missing.err;
    Outcome bad = Run("info " + Quote(vtest::DataPath("damaged/bmp/im_pal8_w61__bad_magic.bmp")));
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(Has(bad.err, "要打开的文件不是BMP文件")) << bad.err;
    EXPECT_EQ(Run("info").exitCode, 2);
    EXPECT_EQ(Run("info --help").exitCode, 0);
}

// The tool's output against the same transforms applied here, in the same order.
TEST_F(Tool, ConvertAppliesTheTransformsInTheOrderGiven) {
    std::string out = dir.file("out.bmp");
    Outcome o = Run("convert " + Quote(Sample("pal4.bmp")) + " " + Quote(out) +
                    " --rotate right --flip vertical --invert --flip horizontal");
    ASSERT_EQ(o.exitCode, 0) << o.err;
    CNewDIB expected, actual;
    ASSERT_EQ(expected.ReadFile(Sample("pal4.bmp").c_str(), -1), 1);
    ASSERT_EQ(expected.RightRotate(), 1);
    ASSERT_EQ(expected.VerticalFlip(), 1);
    ASSERT_EQ(expected.InvertColor(), 1);
    ASSERT_EQ(expected.HorizonFlip(), 1);
    ASSERT_EQ(actual.ReadFile(out.c_str(), -1), 1);
    ASSERT_EQ(actual.GetWidth(), 64);
    ASSERT_EQ(actual.GetHeight(), 127);
    std::string again = dir.file("expected.bmp");
    ASSERT_EQ(expected.SaveFile(again.c_str(), -1, 0), 1);
    EXPECT_EQ(vtest::ReadAll(out), vtest::ReadAll(again));
}

TEST_F(Tool, ConvertTakesTheOutputFormatFromTheOptionOrTheExtension) {
    std::string dat = dir.file("out.dat");
    EXPECT_EQ(Run("convert " + Quote(Sample("rgb24.bmp")) + " " + Quote(dat)).exitCode, 1);
    EXPECT_FALSE(vtest::FileExists(dat));
    EXPECT_EQ(Run("convert " + Quote(Sample("rgb24.bmp")) + " " + Quote(dat) + " --format bmp").exitCode, 0);
    EXPECT_EQ(Run("convert " + Quote(Sample("rgb24.bmp")) + " " + Quote(dat) + " --format 0").exitCode, 0);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dat.c_str(), 0), 1);
    EXPECT_EQ(dib.GetWidth(), 127);
}

TEST_F(Tool, ConvertFailuresExitNonZeroAndLeaveNoOutput) {
    std::string out = dir.file("x.bmp");
    std::string in = Quote(Sample("pal1.bmp"));
    EXPECT_EQ(Run("convert " + in).exitCode, 2);
    EXPECT_EQ(Run("convert " + in + " " + Quote(out) + " --rotate sideways").exitCode, 2);
    EXPECT_EQ(Run("convert " + in + " " + Quote(out) + " --flip").exitCode, 2);
    EXPECT_EQ(Run("convert " + in + " " + Quote(out) + " --format 9").exitCode, 2);
    EXPECT_EQ(Run("convert " + in + " " + Quote(out) + " --shout").exitCode, 2);
    Outcome unreadable = Run("convert " + Quote(dir.file("none.bmp")) + " " + Quote(out));
    EXPECT_EQ(unreadable.exitCode, 1);
    EXPECT_TRUE(Has(unreadable.err, "打开文件失败")) << unreadable.err;
    Outcome unknown = Run("convert " + in + " " + Quote(dir.file("x.xyz")));
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(Has(unknown.err, "不支持的文件格式")) << unknown.err;
    EXPECT_EQ(Run("convert " + in + " " + Quote(dir.file("no/dir/x.bmp"))).exitCode, 1);
    EXPECT_EQ(dir.List().size(), 2u);  // only the captured output files
}

}  // namespace
