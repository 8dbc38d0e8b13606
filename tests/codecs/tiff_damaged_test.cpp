// TIFF files the reader must refuse: layouts it does not take and damaged
// files. Each fails with its text, leaves no image behind and no page file.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/tiff_files.h"
#include "environment/texts.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

// Reads `path` into a document that held an image; the read must fail with
// `expected` (any text when null) and leave the document as it was (a
// refusal before the image is made) or without an image.
void ExpectRefused(const std::string& path, const char* expected) {
    CNewDIB dib(3, 3, 8);
    EXPECT_EQ(dib.ReadFile(path.c_str(), -1), 0) << path;
    if (expected) EXPECT_EQ(dib.GetLastErrorText(), expected) << path;
    else EXPECT_FALSE(dib.GetLastErrorText().IsEmpty()) << path;
    EXPECT_TRUE(!dib.Ready() || (dib.GetWidth() == 3 && dib.GetHeight() == 3)) << path;
}

TEST(TiffDamaged, FilesFromFuzzersAndBrokenDirectoriesFailCleanly) {
    for (const char* name : {"pil_libtiff_segfault", "tiffcp_rgb_lzw__header_only",
                             "pil_oom-225817ca0f8c663be7ab4b9e717b02c661e66834",
                             "pil_crash-86214e58da443d2b80820cff9677a38a33dcbbca"})
        ExpectRefused(vtest::DataPath(std::string("damaged/tif/") + name + ".tif"), nullptr);
    ExpectRefused(vtest::DataPath("tif/missing.tif"), text::kOpenFailed);
    // A directory that names itself as the next one: the first is read.
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(vtest::DataPath("damaged/tif/test_ifd_loop_to_self.tif").c_str(), -1), 1);
}

// A fax whose every line is broken makes libtiff report each one (800
// messages); only the file's first few reach libtiff's handlers. It reads, as
// libtiff fills the lines.
TEST(TiffDamaged, AFileOfBrokenLinesReportsOnlyItsFirstMessages) {
    CNewDIB dib;
    testing::internal::CaptureStderr();
    dib.ReadFile(vtest::DataPath("damaged/tif/fax_every_line_broken.tif").c_str(), -1);
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_LE(std::count(messages.begin(), messages.end(), '\n'), 8);
}

// Edits of a two-strip RGB file (little-endian, PackBits).
TEST(TiffDamaged, EditedDimensionsAndStripsFailWithTheirTexts) {
    vtest::TempDir dir;
    const std::vector<unsigned char> good = vtest::ReadAll(vtest::DataPath("tif/32bpp-None-jpeg.tif"));
    struct Edit {
        uint16_t tag;
        uint32_t value;
        const char* expected;
    } edits[] = {{TIFFTAG_IMAGEWIDTH, 0, nullptr},
                 {TIFFTAG_IMAGELENGTH, 0, nullptr},
                 {TIFFTAG_IMAGEWIDTH, 0xFFFFFFFF, nullptr},
                 {TIFFTAG_STRIPOFFSETS, 0x7FFFFFF0, text::kReadImageFailed}};
    for (const Edit& e : edits) {
        std::vector<unsigned char> bytes = good;
        ASSERT_TRUE(vtest::PatchTag(bytes, e.tag, e.value)) << e.tag;
        const std::string path = dir.file("edit" + std::to_string(e.tag) + "_" + std::to_string(e.value) + ".tif");
        vtest::WriteAll(path, bytes);
        ExpectRefused(path, e.expected);
    }
}

// One row of data claiming 65535 rows of 65535 RGB pixels (12.9 GB).
TEST(TiffDamaged, APictureLargerThanItsDataIsRefusedBeforeTheImageIsMade) {
    vtest::TempDir dir;
    const std::string path = dir.file("claim.tif");
    ASSERT_TRUE(vtest::WriteTiff(path, 1, 3 * 65535, [](TIFF* tif) {
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 65535);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    }));
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    ASSERT_TRUE(vtest::PatchTag(bytes, TIFFTAG_IMAGELENGTH, 65535));
    vtest::WriteAll(path, bytes);
    vtest::RecordingWindow window;
    CNewDIB dib(3, 3, 8);
    EXPECT_EQ(dib.ReadFile(path.c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadImageFailed);
    EXPECT_TRUE(dib.Ready());
    EXPECT_TRUE(window.messages.empty());
}

// Layouts no DIB holds are refused before the caller's image is touched.
TEST(TiffRefused, LayoutsWithoutADibForm) {
    vtest::TempDir dir;
    auto write = [&](const char* name, uint16_t samples, uint16_t bits, uint16_t format, uint16_t photometric) {
        const std::string path = dir.file(name);
        TIFF* tif = TIFFOpen(path.c_str(), "w");
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 16);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, samples);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, bits);
        TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, format);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, photometric);
        std::vector<BYTE> data(16 * 16 * samples * bits / 8);
        TIFFWriteEncodedStrip(tif, 0, data.data(), static_cast<tmsize_t>(data.size()));
        TIFFClose(tif);
        return path;
    };
    vtest::RecordingWindow window;
    ExpectRefused(write("rgb4.tif", 3, 4, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB), text::kUnsupportedFormat);
    ExpectRefused(write("greyalpha2.tif", 2, 2, SAMPLEFORMAT_UINT, PHOTOMETRIC_MINISBLACK), text::kUnsupportedFormat);
    ExpectRefused(write("half.tif", 1, 16, SAMPLEFORMAT_IEEEFP, PHOTOMETRIC_MINISBLACK), text::kUnsupportedFormat);
    ExpectRefused(write("complex.tif", 1, 32, SAMPLEFORMAT_COMPLEXINT, PHOTOMETRIC_MINISBLACK),
                  text::kUnsupportedFormat);
    ExpectRefused(write("rgb1sample.tif", 1, 8, SAMPLEFORMAT_UINT, PHOTOMETRIC_RGB), text::kUnsupportedFormat);
    EXPECT_TRUE(window.messages.empty());
}

// Tiles claiming far more than the picture (a crafted directory) are refused
// before anything the size of a tile is reserved.
TEST(TiffRefused, HugeTilesOfASmallPicture) {
    vtest::TempDir dir;
    const std::string path = dir.file("tiles.tif");
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 16);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_TILEWIDTH, 16);
    TIFFSetField(tif, TIFFTAG_TILELENGTH, 16);
    std::vector<BYTE> data(16 * 16 * 3);
    TIFFWriteEncodedTile(tif, 0, data.data(), static_cast<tmsize_t>(data.size()));
    TIFFClose(tif);
    std::vector<unsigned char> bytes = vtest::ReadAll(path);
    ASSERT_TRUE(vtest::PatchTag(bytes, TIFFTAG_TILEWIDTH, 32768));
    ASSERT_TRUE(vtest::PatchTag(bytes, TIFFTAG_TILELENGTH, 32768));
    vtest::WriteAll(path, bytes);
    ExpectRefused(path, nullptr);
}

}  // namespace
