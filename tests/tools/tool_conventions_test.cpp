// The tool as its neighbours behave: '-' for the standard streams, rotations
// in degrees, usage errors that name the fault, quiet saves, failures once
// and with the system's reason; and the thumbnail command.
#include <string>

#include "tools/tool_fixture.h"

namespace {

using namespace vtool;

std::string ToolPath() { return Quote(VELMORA_TOOL_PATH); }

TEST_F(Tool, ADashIsStandardInputOrOutput) {
    const std::string in = Sample("pal8.bmp");
    const Outcome info = Run("cat " + in + " | " + ToolPath() + " info -", "C", false);
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(Has(info.out, "size:      127 x 64\n")) << info.out;
    // Through a pipe both ways: the output's format from --format.
    const Outcome piped = Run("cat " + in + " | " + ToolPath() + " convert - - --format png --rotate 90 > " + Out("p.png"),
                              "C", false);
    EXPECT_EQ(piped.status, 0) << piped.err;
    CNewDIB back, turned;
    ASSERT_EQ(back.ReadFile(dir.file("p.png").c_str(), -1), 1);
    ASSERT_EQ(turned.ReadFile(vtest::DataPath("bmp/pal8.bmp").c_str(), -1), 1);
    ASSERT_EQ(turned.RightRotate(), 1);
    EXPECT_EQ(back.GetWidth(), turned.GetWidth());
    EXPECT_EQ(back.GetPixelIndex(3, 100), turned.GetPixelIndex(3, 100));
    // Without --format standard output has no format; not an image on input.
    EXPECT_EQ(Run("convert " + in + " -").status, 2);
    EXPECT_EQ(Run("echo hello | " + ToolPath() + " info -", "C", false).status, 1);
}

TEST_F(Tool, RotationsInDegreesAndFormatNames) {
    const std::string in = Sample("rgb24.bmp");
    ASSERT_EQ(Run("convert " + in + " " + Out("a.tiff") + " --rotate 180").status, 0);
    ASSERT_EQ(Run("convert " + in + " " + Out("b.bmp") + " --rotate right --rotate right --format tiff").status, 0);
    ASSERT_EQ(Run("convert " + in + " " + Out("c.jpg") + " --rotate 270 --format jpeg").status, 0);
    CNewDIB a, b;
    ASSERT_EQ(a.ReadFile(dir.file("a.tiff").c_str(), DIBTYPE_TIF), 1);
    ASSERT_EQ(b.ReadFile(dir.file("b.bmp").c_str(), DIBTYPE_TIF), 1);
    EXPECT_EQ(a.GetWidth(), 127);
    for (int y : {0, 31, 63}) EXPECT_EQ(a.GetPixelRGB(10, y), b.GetPixelRGB(10, y));
    const Outcome extra = Run("convert " + in + " " + Out("x.bmp") + " " + Out("y.bmp"));
    EXPECT_EQ(extra.status, 2);
    EXPECT_TRUE(Has(extra.err, "y.bmp' is one too many")) << extra.err;
    EXPECT_EQ(Run("convert " + in + " " + Out("x.bmp") + " --rotate 45").status, 2);
}

TEST_F(Tool, SaveFailuresSayWhyOnceAndQuietSavesSayNothing) {
    const std::string geo = Quote(vtest::DataPath("geotiff/gdal_utm33n_grey.tif"));
    const Outcome failed = Run("geotiff " + geo + " --write " + Out("none/o.tif") + " --image " + Sample("rgb24.bmp"), "C");
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(Has(failed.err, ": No such file or directory\n")) << failed.err;
    const Outcome quiet = Run("-q geotiff " + geo + " --write " + Out("o.tif") + " --image " + Sample("rgb24.bmp"));
    EXPECT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out, "");
}

TEST_F(Tool, ThumbnailKeepsTheAspectRatio) {
    ASSERT_EQ(Run("thumbnail " + Sample("rgb24.bmp") + " " + Out("t.bmp") + " --size 40").status, 0);
    ASSERT_EQ(Run("thumbnail " + Sample("rgb24.bmp") + " " + Out("u.png") + " --size 100x10").status, 0);
    CNewDIB t, u;
    ASSERT_EQ(t.ReadFile(dir.file("t.bmp").c_str(), -1), 1);
    ASSERT_EQ(u.ReadFile(dir.file("u.png").c_str(), -1), 1);
    EXPECT_EQ(t.GetWidth(), 40);
    EXPECT_EQ(t.GetHeight(), 20);
    EXPECT_EQ(u.GetWidth(), 20);
    EXPECT_EQ(u.GetHeight(), 10);
    EXPECT_EQ(Run("thumbnail " + Sample("rgb24.bmp") + " " + Out("v.bmp")).status, 2);  // no --size
}

}  // namespace
