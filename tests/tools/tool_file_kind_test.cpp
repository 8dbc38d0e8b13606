// The tool knows a file by its content where the library's extension table
// does not know its name, saves .tiff and .jpeg names, and takes --quality.
#include "tools/file_kind.h"
#include "tools/tool_fixture.h"

namespace {

using vtool::Has;
using vtool::Quote;

// Copies a sample under `name` in the test's folder.
class ToolFileKind : public vtool::Tool {
protected:
    std::string Copy(const std::string& sample, const std::string& name) {
        vtest::WriteAll(dir.file(name), vtest::ReadAll(vtest::DataPath(sample)));
        return dir.file(name);
    }
};

TEST_F(ToolFileKind, SignaturesNameEveryFormatAndNothingElse) {
    const std::pair<const char*, int> samples[] = {
        {"bmp/pal8.bmp", 0},          {"tif/minisblack-1c-8b.tif", 1}, {"pcx/ppm_8bit_w61.pcx", 2},
        {"gif/fire.gif", 3},          {"jpg/testorig.jpg", 4},          {"png/basn3p08.png", 5},
    };
    for (const auto& [sample, code] : samples) {
        EXPECT_EQ(velmora::cli::SniffFormat(Copy(sample, "x")), code) << sample;
    }
    // A name the library knows is left to the library; another is sniffed.
    Copy("jpg/testorig.jpg", "x.BMP");
    EXPECT_EQ(velmora::cli::InputFormat(dir.file("x.BMP")), -1);
    EXPECT_EQ(velmora::cli::InputFormat(dir.file("x")), 5);
    vtest::WriteAll(dir.file("text"), {'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(velmora::cli::SniffFormat(dir.file("text")), -1);
    EXPECT_EQ(velmora::cli::SniffFormat(dir.file("missing")), -1);
    EXPECT_EQ(velmora::cli::SniffFormat(dir.path()), -1);
    EXPECT_EQ(velmora::cli::SaveFormatFor("a.TIFF", -1), 1);
    EXPECT_EQ(velmora::cli::SaveFormatFor("a.jpeg", -1), 4);
    EXPECT_EQ(velmora::cli::SaveFormatFor("a.jpeg", 0), 0);
    EXPECT_EQ(velmora::cli::SaveFormatFor("a.bmp", -1), -1);
}

TEST_F(ToolFileKind, ConvertReadsJpegTiffAndNamelessFilesAndSavesTiffAndJpegNames) {
    const std::string jpeg = Copy("jpg/testorig.jpg", "photo.jpeg");
    Copy("jpg/testorig.jpg", "photo.jpe");
    Copy("bmp/pal8.bmp", "noextension");
    vtool::Outcome o = Run("convert " + Quote(jpeg) + " " + Out("a.tiff"));
    ASSERT_EQ(o.status, 0) << o.err;
    o = Run("convert " + Out("a.tiff") + " " + Out("b.jpeg"));
    ASSERT_EQ(o.status, 0) << o.err;
    o = Run("convert " + Out("photo.jpe") + " " + Out("c.bmp"));
    ASSERT_EQ(o.status, 0) << o.err;
    o = Run("convert " + Out("noextension") + " " + Out("d.png"));
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(velmora::cli::SniffFormat(dir.file("a.tiff")), 1);
    EXPECT_EQ(velmora::cli::SniffFormat(dir.file("b.jpeg")), 4);
    EXPECT_EQ(velmora::cli::SniffFormat(dir.file("d.png")), 5);
    o = Run("info " + Out("b.jpeg"));
    EXPECT_EQ(o.status, 0) << o.err;
    // A batch reads .jpeg inputs and takes the four-letter format names.
    o = Run("convert --to tiff --out-dir " + Out("batch") + " " + Quote(jpeg));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(vtest::FileExists(dir.file("batch/photo.tif")));
    // What the content does not name stays refused.
    vtest::WriteAll(dir.file("notes.txt"), {'h', 'i'});
    o = Run("convert " + Out("notes.txt") + " " + Out("e.bmp"));
    EXPECT_EQ(o.status, 1);
}

TEST_F(ToolFileKind, QualityChangesTheJpegAndBadValuesAreUsageErrors) {
    const std::string in = vtool::Sample("rgb24.bmp");
    ASSERT_EQ(Run("convert " + in + " " + Out("default.jpg")).status, 0);
    ASSERT_EQ(Run("convert " + in + " " + Out("q75.jpg") + " --quality 75").status, 0);
    ASSERT_EQ(Run("convert " + in + " " + Out("q95.jpg") + " --quality 95").status, 0);
    EXPECT_EQ(vtest::ReadAll(dir.file("default.jpg")), vtest::ReadAll(dir.file("q75.jpg")));
    EXPECT_GT(vtest::ReadAll(dir.file("q95.jpg")).size(), vtest::ReadAll(dir.file("q75.jpg")).size());
    for (const char* bad : {"0", "101", "x", "50x"}) {
        const vtool::Outcome o = Run("convert " + in + " " + Out("bad.jpg") + " --quality " + bad);
        EXPECT_EQ(o.status, 2) << bad;
        EXPECT_TRUE(Has(o.err, "--quality")) << o.err;
    }
    EXPECT_EQ(Run("convert " + in + " " + Out("bad.jpg") + " --quality").status, 2);
    EXPECT_FALSE(vtest::FileExists(dir.file("bad.jpg")));
}

}  // namespace
