// velmora draw as a user runs it: thumbnails, source rectangles, transparent
// colours, and failures that say why.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"
#include "velmora/newdib.h"

namespace {

struct DrawRun {
    int status = -1;
    std::string err;  // standard error
};

DrawRun RunDraw(const vtest::TempDir& dir, const std::string& args) {
    const std::string errFile = dir.file("stderr.txt");
    const std::string command =
        std::string("LC_ALL=C.UTF-8 '") + VELMORA_TOOL_PATH + "' draw " + args + " 2>'" + errFile + "' >/dev/null";
    DrawRun run;
    const int status = std::system(command.c_str());
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    const std::vector<unsigned char> err = vtest::ReadAll(errFile);
    run.err.assign(err.begin(), err.end());
    return run;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Pixel (x, picture row y) of a 24-bit image, host order.
COLORREF PixelOf(CNewDIB& dib, int x, int y) {
    const BYTE* row = dib.GetDIBRow(dib.GetHeight() - 1 - y);
    return RGB(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
}

COLORREF RefPixel(const vtest::RefImage& ref, int x, int y) {
    int r, g, b;
    ref.rgb(x, y, &r, &g, &b);
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}

// The source pixel under the centre of destination pixel i of n, for a source of s.
int Nearest(int i, int n, int s) { return static_cast<int>((2LL * i + 1) * s / (2LL * n)); }

class DrawTool : public ::testing::Test {
protected:
    void ReadOutput(const std::string& name, CNewDIB* out) {
        ASSERT_EQ(out->ReadFile(m_dir.file(name).c_str(), -1), 1) << name;
        ASSERT_EQ(out->GetBitCount(), 24);
    }
    vtest::TempDir m_dir;
};

TEST_F(DrawTool, ThumbnailTakesTheNearestPixels) {
    const vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("bmp/rgb24.ref.ppm"));
    ASSERT_TRUE(ref.ok());
    const DrawRun run = RunDraw(
        m_dir, Quoted(vtest::DataPath("bmp/rgb24.bmp")) + " " + Quoted(m_dir.file("thumb.bmp")) + " --size 40x21");
    ASSERT_EQ(run.status, 0) << run.err;
    CNewDIB out;
    ReadOutput("thumb.bmp", &out);
    ASSERT_EQ(out.GetWidth(), 40);
    ASSERT_EQ(out.GetHeight(), 21);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(PixelOf(out, x, y), RefPixel(ref, Nearest(x, 40, ref.width), Nearest(y, 21, ref.height)))
                << x << "," << y;
}

TEST_F(DrawTool, SourceRectangleAtItsOwnSizeIsACrop) {
    const vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("bmp/pal8.ref.ppm"));
    ASSERT_TRUE(ref.ok());
    const DrawRun run = RunDraw(m_dir, Quoted(vtest::DataPath("bmp/pal8.bmp")) + " " + Quoted(m_dir.file("crop.bmp")) +
                                           " --source 20,10,30,25 --size 30x25");
    ASSERT_EQ(run.status, 0) << run.err;
    CNewDIB out;
    ReadOutput("crop.bmp", &out);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(PixelOf(out, x, y), RefPixel(ref, 20 + x, 10 + y)) << x << "," << y;
}

TEST_F(DrawTool, TransparentColorsLetTheWhiteSurfaceThrough) {
    const vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("bmp/pal8.ref.ppm"));
    ASSERT_TRUE(ref.ok());
    const COLORREF listed = RefPixel(ref, 0, 0);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", GetRValue(listed), GetGValue(listed), GetBValue(listed));
    const DrawRun run = RunDraw(m_dir, Quoted(vtest::DataPath("bmp/pal8.bmp")) + " " + Quoted(m_dir.file("mask.bmp")) +
                                           " --transparent " + hex + " --show-color 3366CC");
    ASSERT_EQ(run.status, 0) << run.err;
    CNewDIB out;
    ReadOutput("mask.bmp", &out);
    int through = 0;
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            const bool transparent = RefPixel(ref, x, y) == listed;
            through += transparent;
            ASSERT_EQ(PixelOf(out, x, y), transparent ? RGB(255, 255, 255) : RGB(0x33, 0x66, 0xCC)) << x << "," << y;
        }
    EXPECT_GT(through, 0);
}

TEST_F(DrawTool, FailuresSayWhyAndExitNonZero) {
    const std::string out = Quoted(m_dir.file("out.bmp"));
    DrawRun missing = RunDraw(m_dir, Quoted(m_dir.file("absent.bmp")) + " " + out);
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot read"), std::string::npos) << missing.err;
    EXPECT_FALSE(vtest::FileExists(m_dir.file("out.bmp")));

    const std::string in = Quoted(vtest::DataPath("bmp/rgb24.bmp"));
    EXPECT_EQ(RunDraw(m_dir, in + " " + Quoted(m_dir.file("out.xyz"))).status, 1);
    EXPECT_EQ(RunDraw(m_dir, in).status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --size 0x5").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --size 10").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --source 1,2,3").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --transparent red").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --show-color").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --stretch").status, 2);
    EXPECT_EQ(RunDraw(m_dir, in + " " + out + " --size 60000x60000").status, 1);  // no such surface
}

}  // namespace
