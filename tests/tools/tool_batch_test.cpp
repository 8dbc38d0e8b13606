// The tool for real work: batch conversion with one progress bar and a
// failure summary, info for scripts, --quiet, readable failure texts in any
// locale, and no file silently named "-".
#include <sys/stat.h>

#include "tools/batch_progress.h"
#include "tools/tool_fixture.h"

namespace {

using namespace vtool;  // the tool fixture and its helpers

void CopyFile(const std::string& from, const std::string& to) { vtest::WriteAll(to, vtest::ReadAll(from)); }

TEST_F(Tool, FailureTextsCarryAnEnglishGlossAndUnderCTheGlossAlone) {
    const std::string args = "info " + Out("none.bmp");
    const Outcome utf8 = Run(args);
    EXPECT_EQ(utf8.status, 1);
    // The library's text, then the system's reason.
    EXPECT_TRUE(Has(utf8.err, ": 打开文件失败 (cannot open the file): No such file or directory\n")) << utf8.err;
    const Outcome ascii = Run(args, "C");
    EXPECT_EQ(ascii.status, 1);
    EXPECT_TRUE(Has(ascii.err, ": cannot open the file: No such file or directory\n")) << ascii.err;
    EXPECT_FALSE(Has(ascii.err, "?")) << ascii.err;
}

// Where a command does not take the standard streams, '-' is refused.
TEST_F(Tool, ALoneDashIsRefusedWhereNoStreamIsTakenAndNoFileOfThatNameIsMade) {
    const std::string in = Sample("rgb24.bmp");
    for (const std::string& args :
         {"convert --to bmp --out-dir " + Quote(dir.path()) + " - " + in, "draw " + in + " -",
          "contact-sheet - " + Out("s.bmp"), std::string("-- geotiff -"), "convert " + in + " -"}) {
        const Outcome o = Run("cd " + Quote(dir.path()) + " && " + Quote(VELMORA_TOOL_PATH) + " " + args, "C", false);
        EXPECT_EQ(o.status, 2) << args;
        EXPECT_TRUE(Has(o.err, "'-'")) << args << ": " << o.err;
    }
    EXPECT_EQ(dir.List().size(), 2u);  // only the captured output files
    // A file of that name is reached as ./- (and read by its content).
    CopyFile(vtest::DataPath("bmp/rgb24.bmp"), dir.file("-"));
    EXPECT_EQ(Run("cd " + Quote(dir.path()) + " && " + Quote(VELMORA_TOOL_PATH) + " info ./-", "C", false).status, 0);
}

TEST_F(Tool, BatchConvertsEveryFileIntoTheFolderAndListsFailuresWithReasons) {
    const std::string outDir = dir.file("converted");  // made by the batch
    const Outcome o = Run("convert --to BMP --out-dir " + Quote(outDir) + " --rotate left " + Sample("pal8.bmp") + " " +
                          Sample("rgb24.bmp") + " " + Out("missing.bmp"));
    EXPECT_EQ(o.status, 1);
    EXPECT_EQ(o.out, "converted 2 of 3 files into " + outDir + "\n");
    EXPECT_TRUE(Has(o.err, "1 of 3 files failed:\n  " + dir.file("missing.bmp") +
                               ": cannot read: 打开文件失败 (cannot open the file): No such file or directory\n"))
        << o.err;
    // Each output is what the one-file form makes of its input.
    for (const char* name : {"pal8", "rgb24"}) {
        const std::string single = dir.file(std::string(name) + "_single.bmp");
        ASSERT_EQ(Run("convert " + Sample(std::string(name) + ".bmp") + " " + Quote(single) + " --rotate left").status, 0);
        EXPECT_EQ(vtest::ReadAll(outDir + "/" + name + ".bmp"), vtest::ReadAll(single)) << name;
    }
}

// A JPEG cut short is a failed file, not a picture with grey rows.
TEST_F(Tool, ACutJpegFailsTheBatch) {
    const std::string cut = vtest::DataPath("damaged/jpg/testorig__trunc_half.jpg");
    const Outcome o = Run("convert --to bmp --out-dir " + Out("out") + " " + Quote(cut) + " " + Sample("rgb24.bmp"), "C");
    EXPECT_EQ(o.status, 1);
    EXPECT_TRUE(Has(o.err, "1 of 2 files failed:\n  " + cut + ": cannot read: ")) << o.err;
    EXPECT_FALSE(vtest::FileExists(dir.file("out/testorig__trunc_half.bmp")));
}

TEST_F(Tool, BatchRefusesClashingOutputsAndIncompleteRequestsBeforeWritingAnything) {
    const std::string d = Quote(dir.file("out")), in = Sample("pal8.bmp");
    CopyFile(vtest::DataPath("bmp/rgb24.bmp"), dir.file("pal8.BMP"));
    for (const std::string& args :
         {"convert --to bmp --out-dir " + d + " " + in + " " + Out("pal8.BMP"), "convert --to bmp " + in,
          "convert --out-dir " + d + " " + in, "convert --to bmp --out-dir " + d,
          "convert --to xyz --out-dir " + d + " " + in, "convert --to bmp --format png --out-dir " + d + " " + in}) {
        const Outcome o = Run(args);
        EXPECT_EQ(o.status, 2) << args;
    }
    EXPECT_TRUE(Has(Run("convert --to bmp --out-dir " + d + " " + in + " " + Out("pal8.BMP")).err,
                    "would both be saved as '" + dir.file("out") + "/pal8.bmp'"));
    struct stat st;
    EXPECT_NE(stat(dir.file("out").c_str(), &st), 0);
    // An output folder that is a file fails the run.
    EXPECT_EQ(Run("convert --to bmp --out-dir " + Out("pal8.BMP") + " " + in).status, 1);
}

TEST_F(Tool, QuietLeavesNothingButFailures) {
    const std::string d = Quote(dir.file("out"));
    const Outcome ok = Run("-q convert --to bmp --out-dir " + d + " " + Sample("pal8.bmp"));
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out + ok.err, "");
    const Outcome failed = Run("convert --quiet --to bmp --out-dir " + d + " " + Out("none.bmp"));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.out, "");
    EXPECT_TRUE(Has(failed.err, "cannot open the file"));
}

TEST_F(Tool, InfoJsonDescribesTheImageForScripts) {
    CopyFile(vtest::DataPath("bmp/pal8.bmp"), dir.file("a\"b.bmp"));
    const Outcome o = Run("info --json " + Out("a\"b.bmp"));
    EXPECT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "{\"file\": \"" + dir.file("a\\\"b.bmp") +
                         "\", \"format\": \"BMP\", \"format_code\": 0, \"width\": 127, \"height\": 64, "
                         "\"bit_count\": 8, \"colours\": 256, \"bytes_per_line\": 128, "
                         "\"storage\": \"memory\"}\n");
    EXPECT_EQ(Run("info --json").status, 2);
    // A GeoTIFF file adds its coordinate system and its keys by name.
    const Outcome geo = Run("info --json " + Quote(vtest::DataPath("geotiff/gdal_utm33n_grey.tif")));
    EXPECT_EQ(geo.status, 0) << geo.err;
    EXPECT_TRUE(Has(geo.out, "\"storage\": \"memory\", \"geotiff\": {\"crs\": \"projected, EPSG:32633 (WGS 84 / UTM "
                             "zone 33N)\", \"keys\": {\"GTModelTypeGeoKey\": 1, \"GTRasterTypeGeoKey\": 1, "
                             "\"GTCitationGeoKey\": \"WGS 84 / UTM zone 33N\", "))
        << geo.out;
    EXPECT_TRUE(Has(geo.out, "\"ProjectedCSTypeGeoKey\": 32633")) << geo.out;
    EXPECT_EQ(Run("info --jsn " + Sample("pal8.bmp")).status, 2);
}

// The bar climbs steadily through every file's reading, transforms and saving.
TEST(BatchProgress, OverallPercentClimbsAcrossTheRunAndEndsFull) {
    using velmora::cli::BatchProgress;
    unsigned last = 0;
    for (size_t file = 0; file < 3; ++file)
        for (int step = 0; step < 4; ++step)
            for (unsigned long percent : {0ul, 50ul, 100ul}) {
                const unsigned now = BatchProgress::Overall(file, 3, step, 4, percent);
                EXPECT_GE(now, last);
                last = now;
            }
    EXPECT_EQ(last, 100u);
    EXPECT_EQ(BatchProgress::Overall(1, 4, 1, 2, 50), 43u);  // (1 file + 1.5 of 2 steps) of 4 files
    EXPECT_EQ(BatchProgress::Overall(0, 1, 9, 2, 500), 100u);  // out-of-range figures are clamped
}

}  // namespace
