// The command-line tool as a user runs it: help and dispatch, the shared
// settings options, and the formats, info, convert and draw commands.
#include "tools/tool_fixture.h"
#include "velmora/version.h"

namespace {

using namespace vtool;  // the tool fixture and its helpers

TEST_F(Tool, FormatsListsTheTypesFiltersAndDefaultTypeInTheTerminalsEncoding) {
    const Outcome o = Run("formats");
    EXPECT_EQ(o.status, 0);
    // Table order, not code order; each description with its gloss.
    EXPECT_TRUE(Has(o.out,
                    "     0  BMP  *.BMP    Bitmap图象文件 (bitmap image files)\n"
                    "     3  GIF  *.GIF    Gif图象文件 (GIF image files)\n"
                    "     4  JPG  *.JPG    Jpg图象文件 (JPEG image files)\n"
                    "     2  PCX  *.PCX    Pcx图象文件 (PCX image files)\n"
                    "     1  TIF  *.TIF    Tiff图象文件 (TIFF image files)\n"
                    "     5  PNG  *.PNG    Png图象文件 (PNG image files)\n"))
        << o.out;
    EXPECT_TRUE(Has(o.out,
                    "Bitmap图象文件(*.BMP)|*.BMP|Gif图象文件(*.GIF)|*.GIF|Jpg图象文件(*.JPG)|*.JPG|"
                    "Pcx图象文件(*.PCX)|*.PCX|Tiff图象文件(*.TIF)|*.TIF|Png图象文件(*.PNG)|*.PNG||\n"));
    EXPECT_TRUE(
        Has(o.out, "所有图像文件(*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG;)|*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG||\n"));
    EXPECT_TRUE(Has(o.out, "Default type: 0 (*.BMP)\n"));

    // A terminal without Chinese gets the English alone, never question marks.
    const Outcome ascii = Run("formats", "C");
    EXPECT_EQ(ascii.status, 0);
    EXPECT_TRUE(Has(ascii.out, "     0  BMP  *.BMP    bitmap image files\n")) << ascii.out;
    EXPECT_TRUE(Has(ascii.out, "all image files(*.BMP;*.GIF;*.JPG;*.PCX;*.TIF;*.PNG;)|")) << ascii.out;
    EXPECT_FALSE(Has(ascii.out, "?")) << ascii.out;
}

TEST_F(Tool, HelpListsCommandsAndOptionsAndVersionPrintsTheLibraryVersion) {
    const Outcome help = Run("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"usage: velmora", "formats", "info", "convert", "--out-dir", "draw", "contact-sheet",
                             "--virtual-dir", "--memory-limit", "--profile", "--quiet", "--version",
                             "Exit status: 0 done, 1 failed on a file (in a batch: on at least one), 2 usage."})
        EXPECT_TRUE(Has(help.out, part)) << part;
    const Outcome version = Run("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "velmora " VELMORA_VERSION "\n");
}

// Shared options go anywhere before a "--"; whatever follows it is the command's.
TEST_F(Tool, SharedOptionsGoAnywhereAndBadCommandLinesExitTwo) {
    const std::string d = Quote(dir.path()), in = Sample("rgb24.bmp") + " ", io = in + Out("out.bmp") + " ";
    // clang-format off
    const std::string accepted[] = {
        "formats --help", "info --help", "-- formats", "--memory-limit 64M formats", "formats --memory-limit=1024",
        "formats --virtual-dir " + d, "--virtual-dir=" + d + " --version"};
    const std::string refused[] = {
        "formats extra", "formats -- --memory-limit 1", "--memory-limit lots formats", "--memory-limit -5 formats",
        "--memory-limit 99999999999999999999G formats", "formats --memory-limit",
        "--virtual-dir " + Out("none") + " formats", "--profile " + Out("none.ini") + " formats", "info",
        "convert " + in, "convert " + io + "--rotate sideways", "convert " + io + "--flip",
        "convert " + io + "--format 9", "convert " + io + "--shout", "draw " + in, "draw " + io + "--size 0x5",
        "draw " + io + "--source 1,2,3", "draw " + io + "--transparent red", "draw " + io + "--show-color",
        "draw " + io + "--stretch"};
    // clang-format on
    for (const std::string& args : accepted) EXPECT_EQ(Run(args).status, 0) << args;
    for (const std::string& args : refused) EXPECT_EQ(Run(args).status, 2) << args;
    EXPECT_EQ(dir.List().size(), 2u);  // only the captured output files
}

// The reason is converted to the terminal's encoding; no output file is left.
TEST_F(Tool, FailuresSayWhy) {
    const std::string in = Sample("rgb24.bmp") + " ", out = Out("out.bmp");
    const struct {
        std::string args;
        int status;
        const char* says;
    } cases[] = {
        {"", 2, "usage: velmora"},
        {"frobnicate", 2, "unknown command 'frobnicate'"},
        {"info " + Out("none.bmp"), 1, "打开文件失败"},
        {"info " + Quote(vtest::DataPath("damaged/bmp/im_pal8_w61__bad_magic.bmp")), 1, "要打开的文件不是BMP文件"},
        {"convert " + Out("none.bmp") + " " + out, 1, "打开文件失败"},
        {"convert " + in + Out("x.xyz"), 1, "不支持的文件格式"},
        {"convert " + in + Out("out.dat"), 1, ""},
        {"convert " + in + Out("no/dir/x.bmp"), 1, ""},
        {"draw " + Out("absent.bmp") + " " + out, 1, "cannot read"},
        {"draw " + in + Out("out.xyz"), 1, ""},
        {"draw " + in + out + " --size 60000x60000", 1, ""},  // no such surface
    };
    for (const auto& c : cases) {
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.status, c.status) << c.args;
        EXPECT_TRUE(Has(o.out + o.err, c.says)) << c.args << ": " << o.err;
    }
    EXPECT_EQ(dir.List().size(), 2u);  // only the captured output files
}

TEST_F(Tool, ProfileIsReadBeforeTheCommandRuns) {
    const std::string ini = dir.file("host.ini"), text = "[DIBSetting]\nVirtualPath=" + dir.dir() + "\nDIBType=4\n";
    vtest::WriteAll(ini, std::vector<unsigned char>(text.begin(), text.end()));
    const Outcome o = Run("--profile " + Quote(ini) + " formats");
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(Has(o.out, "Default type: 4 (*.JPG)\n")) << o.out;
}

TEST_F(Tool, InfoDescribesTheImage) {
    const Outcome o = Run("info " + Sample("pal8.bmp"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(o.out,
                    "format:    0 (BMP)\nsize:      127 x 64\nbit count: 8\ncolours:   256\n"
                    "row bytes: 128\nstorage:   memory\n"))
        << o.out;
}

// --memory-limit makes the process behave as on a machine of that size: an
// image larger than a thirty-second of it lives in a page file.
TEST_F(Tool, AMemoryLimitSendsLargerImagesToPageFiles) {
    const Outcome o = Run("--memory-limit 64K info " + Sample("pal8.bmp"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(Has(o.out, "storage:   page file")) << o.out;
}

// The tool's output against the same transforms applied here, in the same order.
TEST_F(Tool, ConvertAppliesTheTransformsInTheOrderGiven) {
    const Outcome o = Run("convert " + Sample("pal4.bmp") + " " + Out("out.bmp") +
                          " --rotate right --flip vertical --invert --flip horizontal");
    ASSERT_EQ(o.status, 0) << o.err;
    CNewDIB expected, actual;
    ASSERT_EQ(expected.ReadFile(vtest::DataPath("bmp/pal4.bmp").c_str(), -1), 1);
    ASSERT_EQ(expected.RightRotate(), 1);
    ASSERT_EQ(expected.VerticalFlip(), 1);
    ASSERT_EQ(expected.InvertColor(), 1);
    ASSERT_EQ(expected.HorizonFlip(), 1);
    ASSERT_EQ(actual.ReadFile(dir.file("out.bmp").c_str(), -1), 1);
    ASSERT_EQ(actual.GetWidth(), 64);
    ASSERT_EQ(actual.GetHeight(), 127);
    ASSERT_EQ(expected.SaveFile(dir.file("expected.bmp").c_str(), -1, 0), 1);
    EXPECT_EQ(vtest::ReadAll(dir.file("out.bmp")), vtest::ReadAll(dir.file("expected.bmp")));
}

TEST_F(Tool, ConvertTakesTheOutputFormatFromTheOption) {
    const std::string in = Sample("rgb24.bmp"), dat = Out("out.dat");
    EXPECT_EQ(Run("convert " + in + " " + dat + " --format bmp").status, 0);
    EXPECT_EQ(Run("convert " + in + " " + dat + " --format 0").status, 0);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("out.dat").c_str(), 0), 1);
    EXPECT_EQ(dib.GetWidth(), 127);
}

TEST_F(Tool, ConvertTurnsJpegIntoBmpAndBack) {
    ASSERT_EQ(Run("convert " + Quote(vtest::DataPath("jpg/testorig.jpg")) + " " + Out("out.bmp")).status, 0);
    ASSERT_EQ(Run("convert " + Out("out.bmp") + " " + Out("out.jpg") + " --rotate left").status, 0);
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("out.jpg").c_str(), -1), 1);
    EXPECT_EQ(back.GetWidth(), 149);
    EXPECT_EQ(back.GetBitCount(), 24);
}

// PCX in and out: a peer's 8-bit file to BMP and back to PCX keeps its
// pixels; a 24-bit image is saved as three planes.
TEST_F(Tool, ConvertTakesPcxBothWays) {
    const std::string pcx = vtest::DataPath("pcx/ppm_8bit_w61.pcx");
    ASSERT_EQ(Run("convert " + Quote(pcx) + " " + Out("w61.bmp")).status, 0);
    const Outcome back = Run("convert " + Out("w61.bmp") + " " + Out("w61.pcx") + " --flip vertical");
    ASSERT_EQ(back.status, 0) << back.err;
    CNewDIB expected, converted;
    ASSERT_EQ(expected.ReadFile(pcx.c_str(), -1), 1);
    ASSERT_EQ(expected.VerticalFlip(), 1);
    ASSERT_EQ(converted.ReadFile(dir.file("w61.pcx").c_str(), -1), 1);
    ASSERT_EQ(converted.GetWidth(), 61);
    ASSERT_EQ(converted.GetHeight(), expected.GetHeight());
    for (int y = 0; y < expected.GetHeight(); ++y)
        for (int x = 0; x < 61; ++x) ASSERT_EQ(converted.GetPixelRGB(x, y), expected.GetPixelRGB(x, y)) << x << "," << y;
    // 24-bit images are saved as three planes.
    ASSERT_EQ(Run("convert " + Sample("rgb24.bmp") + " " + Out("rgb.pcx")).status, 0);
    CNewDIB rgb, rgbBack;
    ASSERT_EQ(rgb.ReadFile(vtest::DataPath("bmp/rgb24.bmp").c_str(), -1), 1);
    ASSERT_EQ(rgbBack.ReadFile(dir.file("rgb.pcx").c_str(), -1), 1);
    ASSERT_EQ(rgbBack.GetBitCount(), 24);
    for (int y = 0; y < rgb.GetHeight(); ++y)
        for (int x = 0; x < rgb.GetWidth(); ++x) ASSERT_EQ(rgbBack.GetPixelRGB(x, y), rgb.GetPixelRGB(x, y)) << x << "," << y;
}

// GIF both ways: an 8-bit image keeps its colours.
TEST_F(Tool, ConvertTakesGifBothWays) {
    ASSERT_EQ(Run("convert " + Sample("pal8.bmp") + " " + Out("p.gif")).status, 0);
    ASSERT_EQ(Run("convert " + Out("p.gif") + " " + Out("p.bmp")).status, 0);
    CNewDIB original, back;
    ASSERT_EQ(original.ReadFile(vtest::DataPath("bmp/pal8.bmp").c_str(), -1), 1);
    ASSERT_EQ(back.ReadFile(dir.file("p.bmp").c_str(), -1), 1);
    ASSERT_EQ(back.GetWidth(), original.GetWidth());
    int differing = 0;
    for (int y = 0; y < original.GetHeight(); ++y)
        for (int x = 0; x < original.GetWidth(); ++x) differing += back.GetPixelRGB(x, y) != original.GetPixelRGB(x, y);
    EXPECT_EQ(differing, 0);
    // Other depths are converted first (convert_depth_test.cpp).
    const Outcome reduced = Run("convert " + Sample("rgb24.bmp") + " " + Out("rgb.gif"));
    EXPECT_EQ(reduced.status, 0);
    EXPECT_TRUE(Has(reduced.err, "24-bit image reduced to 256 colours for GIF")) << reduced.err;
}

COLORREF RefPixel(const vtest::RefImage& ref, int x, int y) {
    int r, g, b;
    ref.rgb(x, y, &r, &g, &b);
    return RGB(static_cast<BYTE>(r), static_cast<BYTE>(g), static_cast<BYTE>(b));
}
// The source pixel under the centre of destination pixel i of n, for a source of s.
int Nearest(int i, int n, int s) { return static_cast<int>((2LL * i + 1) * s / (2LL * n)); }

TEST_F(Tool, DrawThumbnailTakesTheNearestPixelsAndASourceRectangleAtItsOwnSizeIsACrop) {
    const vtest::RefImage rgb = vtest::ReadPnm(vtest::DataPath("bmp/rgb24.ref.ppm"));
    const vtest::RefImage pal = vtest::ReadPnm(vtest::DataPath("bmp/pal8.ref.ppm"));
    ASSERT_TRUE(rgb.ok() && pal.ok());
    ASSERT_EQ(Run("draw " + Sample("rgb24.bmp") + " " + Out("thumb.bmp") + " --size 40x21").status, 0);
    ExpectDrawn("thumb.bmp", 40, 21,
                [&](int x, int y) { return RefPixel(rgb, Nearest(x, 40, rgb.width), Nearest(y, 21, rgb.height)); });
    ASSERT_EQ(Run("draw " + Sample("pal8.bmp") + " " + Out("crop.bmp") + " --source 20,10,30,25 --size 30x25").status,
              0);
    ExpectDrawn("crop.bmp", 30, 25, [&](int x, int y) { return RefPixel(pal, 20 + x, 10 + y); });
}

// The listed colour is that of the first pixel.
TEST_F(Tool, DrawTransparentColorsLetTheWhiteSurfaceThrough) {
    const vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("bmp/pal8.ref.ppm"));
    ASSERT_TRUE(ref.ok());
    const COLORREF listed = RefPixel(ref, 0, 0);
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X%02X%02X", GetRValue(listed), GetGValue(listed), GetBValue(listed));
    const Outcome o =
        Run("draw " + Sample("pal8.bmp") + " " + Out("mask.bmp") + " --transparent " + hex + " --show-color 3366CC");
    ASSERT_EQ(o.status, 0) << o.err;
    ExpectDrawn("mask.bmp", ref.width, ref.height, [&](int x, int y) {
        return RefPixel(ref, x, y) == listed ? RGB(255, 255, 255) : RGB(0x33, 0x66, 0xCC);
    });
}

}  // namespace

namespace {

std::string GeoSample(const std::string& name) { return Quote(vtest::DataPath("geotiff/" + name)); }

TEST_F(Tool, GeotiffPrintsTheKeyReportOrWritesItToAPath) {
    const Outcome printed = Run("geotiff " + GeoSample("gdal_utm33n_grey.tif"));
    ASSERT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out.compare(0, 6, "Keys\n\n"), 0);
    EXPECT_TRUE(Has(printed.out, "\nProjectedCSTypeGeoKey = 32633\n"));
    EXPECT_TRUE(Has(printed.out, "ModelPixelScaleTag: 1, 1, 0, "));
    const Outcome written = Run("geotiff " + GeoSample("gdal_utm33n_grey.tif") + " --report " + Out("keys.txt"));
    ASSERT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    const std::vector<unsigned char> report = vtest::ReadAll(dir.file("keys.txt"));
    EXPECT_EQ(std::string(report.begin(), report.end()), printed.out);
    EXPECT_EQ(Run("geotiff " + Sample("rgb24.bmp")).status, 1);
    EXPECT_EQ(Run("geotiff " + GeoSample("gdal_utm33n_grey.tif") + " --image x.bmp").status, 2);
}

TEST_F(Tool, GeotiffWritesAnImageWithTheFilesGeoreferencingAndInfoNamesIt) {
    const Outcome wrote = Run("geotiff " + GeoSample("gdal_utm33n_grey_be.tif") + " --write " + Out("geo.tif") +
                              " --image " + Sample("rgb24.bmp"));
    ASSERT_EQ(wrote.status, 0) << wrote.err;
    const Outcome info = Run("info " + Out("geo.tif"));
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_TRUE(Has(info.out, "size:      127 x 64\n"));
    EXPECT_TRUE(Has(info.out, "crs:       projected, EPSG:32633 (WGS 84 / UTM zone 33N)\n")) << info.out;
    EXPECT_EQ(Run("geotiff " + Out("geo.tif")).out, Run("geotiff " + GeoSample("gdal_utm33n_grey_be.tif")).out);
}

}  // namespace
