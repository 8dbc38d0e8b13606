// Reading and saving GIF files through the document: files from other
// encoders against their reference decodings, round trips in memory and in
// page files, damaged files, and what a save refuses.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/gif_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/gif.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;
using vtest::Bytes;

std::string GifPath(const std::string& stem) { return vtest::DataPath("gif/" + stem + ".gif"); }

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::DataPath("gif/" + stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::DataPath("gif/" + stem + ".ref.pgm"));
}

struct Reference {
    const char* stem;
    int bitCount;
};

class GifMatchesReference : public ::testing::TestWithParam<Reference> {};

TEST_P(GifMatchesReference, FirstImageReadsToItsPixels) {
    CNewDIB dib;
    vtest::RecordingWindow window;
    ASSERT_EQ(dib.ReadFile(GifPath(GetParam().stem).c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_EQ(dib.GetBitCount(), GetParam().bitCount);
    EXPECT_EQ(vtest::PixelsDifferingFromRef(dib, RefFor(GetParam().stem)), 0);
    ASSERT_EQ(window.messages.size(), 2u);
    EXPECT_EQ(window.messages[0].caption, text::kReadingImage);
    EXPECT_EQ(window.messages[1].msg, static_cast<UINT>(DIBM_ENDPROGRESS));
}

// giflib, ImageMagick, netpbm and Pillow files: interlaced, local tables,
// no table, graphic control, comment and application extensions, several
// frames, a code size of 11.
INSTANTIATE_TEST_SUITE_P(
    OtherEncoders, GifMatchesReference,
    ::testing::Values(Reference{"treescap-interlaced", 4}, Reference{"gifgrid", 4},
                      Reference{"gifbuild_global256_local16", 4}, Reference{"im_4c", 4}, Reference{"ppm_2c_w13", 1},
                      Reference{"no_palette", 1}, Reference{"issue_2811", 8}, Reference{"imagers_interlaced", 8},
                      Reference{"fire", 8}, Reference{"im_16c_w37", 4}, Reference{"no_palette_after_rgb", 4},
                      Reference{"missing_background", 4}, Reference{"im_comment", 8}));

TEST(GifRead, PlainTextExtensionsAndStrayBytesAreSkipped) {
    const Bytes data = vtest::LiteralStream(Bytes(6, 3), 8, 0);
    Bytes extensions = {0x21, 0x01, 12};
    extensions.insert(extensions.end(), 12, 0);
    extensions.insert(extensions.end(), {2, 'h', 'i', 0, 0x99, 0x21, 0xF9, 4, 0, 0, 0, 0, 0});
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("x.gif"), vtest::GifFile(3, 2, 8, data, false, extensions));
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("x.gif").c_str(), -1), 1);
    EXPECT_EQ(dib.GetPixelIndex(2, 0), 3);
}

struct Shape {
    int width, height;
    bool pageFile;
};

class GifRoundTrip : public ::testing::TestWithParam<Shape> {};

TEST_P(GifRoundTrip, EightBitImagesComeBackWithTheirColours) {
    const Shape& s = GetParam();
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const std::string path = dir.file("round.gif");
    {
        CNewDIB image(s.width, s.height, 8);
        ASSERT_EQ(image.IsMapped() != 0, s.pageFile);
        ASSERT_TRUE(vtest::FillPattern(image, 8));
        vtest::RecordingWindow window;
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);
        EXPECT_EQ(window.messages.front().caption, text::kReadingImage);
        EXPECT_EQ(window.Count(DIBM_STEPPROGRESS), 0);

        CNewDIB back;
        ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1) << back.GetLastErrorText().c_str();
        EXPECT_EQ(back.IsMapped() != 0, s.pageFile);
        EXPECT_EQ(vtest::RowsDifferingFromPattern(back, 8), 0);
        int entries = 0;
        EXPECT_EQ(std::memcmp(back.GetRGBQuad(&entries), image.GetRGBQuad(&entries), 1024), 0);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, GifRoundTrip,
                         ::testing::Values(Shape{1, 1, false}, Shape{61, 40, false}, Shape{3001, 1100, true}));

// An interlaced file far larger than a row window decodes pass by pass into
// the windows.
TEST(GifRead, InterlacedPageFileImage) {
    const int w = 2001, h = 1700;
    const size_t stride = (w + 3) / 4 * 4;
    Bytes dib(40 + 1024 + stride * h);
    BITMAPINFOHEADER header{40, w, h, 1, 8, 0, 0, 0, 0, 0, 0};
    std::memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) dib[40 + 1024 + (h - 1 - y) * stride + x] = static_cast<BYTE>(x / 7 + y * 3);
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    {
        CFile file(dir.file("i.gif").c_str(), CFile::modeCreate | CFile::modeWrite);
        DIBToGIF(reinterpret_cast<char*>(dib.data()), file, 1);
    }
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(dir.file("i.gif").c_str(), -1), 1);
    ASSERT_TRUE(back.IsMapped());
    int wrong = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; x += 97) wrong += back.GetPixelIndex(x, h - 1 - y) != static_cast<BYTE>(x / 7 + y * 3);
    EXPECT_EQ(wrong, 0);
}

// The encoder's stream is part of what files written earlier hold: a photo
// whose table fills and clears is written byte for byte as before.
TEST(GifSave, APhotoIsWrittenByteForByteAsEarlierVersionsWroteIt) {
    CNewDIB image;
    ASSERT_EQ(image.ReadFile(vtest::DataPath("bmp/hopper_rle8.bmp").c_str(), -1), 1);
    vtest::TempDir dir;
    ASSERT_EQ(image.SaveFile(dir.file("out.gif").c_str(), DIBTYPE_GIF, 0), 1);
    EXPECT_TRUE(vtest::ReadAll(dir.file("out.gif")) == vtest::ReadAll(GifPath("hopper_rle8_velmora")));
}

TEST(GifSave, ImagesThatAreNot8BitFailWithTheBoxAndLeaveNoFile) {
    vtest::TempDir dir;
    vtest::RecordingMessageBoxes boxes;
    for (int bitCount : {1, 4, 24}) {
        CNewDIB image(5, 4, bitCount);
        const std::string path = dir.file("n" + std::to_string(bitCount) + ".gif");
        EXPECT_EQ(image.SaveFile(path.c_str(), -1, 0), 0);
        EXPECT_STREQ(image.GetLastErrorText(), text::kGifOnly256Colour);
        EXPECT_FALSE(vtest::FileExists(path));
    }
    EXPECT_EQ(boxes.boxes.size(), 3u);
    EXPECT_TRUE(dir.List().empty());
}

// Damage applied to a good ImageMagick file.
Bytes Damaged(Bytes f, const std::string& how) {
    const size_t descriptor = 13 + 768 + 8;  // after the graphic control extension
    if (how == "truncated half") f.resize(f.size() / 2);
    if (how == "version 90a") f[3] = '9', f[4] = '0';
    if (how == "no image") f.resize(descriptor), f.push_back(';');
    if (how == "huge image") f[descriptor + 5] = f[descriptor + 6] = f[descriptor + 7] = f[descriptor + 8] = 0xFF;
    if (how == "zero width") f[descriptor + 5] = f[descriptor + 6] = 0;
    if (how == "code size 12") f[descriptor + 10] = 12;
    return f;
}

TEST(GifRead, DamagedFilesFailCleanly) {
    vtest::PageFileMode mode;
    vtest::TempDir dir;
    const Bytes good = vtest::ReadAll(GifPath("im_256c"));
    ASSERT_EQ(good[13 + 768 + 8], ',');
    struct Case {
        std::string name;
        Bytes bytes;
        const char* failure;
    } cases[] = {
        {"truncated half", Damaged(good, "truncated half"), text::kReadDataFailed},
        {"version 90a", Damaged(good, "version 90a"), text::kNotGif},
        {"no image", Damaged(good, "no image"), text::kNotGif},
        {"huge image", Damaged(good, "huge image"), text::kReadDataFailed},
        {"zero width", Damaged(good, "zero width"), text::kCreateBufferFailed},
        {"code size 12", Damaged(good, "code size 12"), text::kReadDataFailed},
        {"header only", vtest::ReadAll(vtest::DataPath("damaged/gif/im_256c__header_only.gif")), text::kNotGif},
        {"ten bytes", vtest::ReadAll(vtest::DataPath("damaged/gif/im_256c__trunc10.gif")), text::kNotGif},
        {"bomb", vtest::ReadAll(vtest::DataPath("damaged/gif/decompression_bomb.gif")), text::kReadDataFailed},
        {"zero width bomb", vtest::ReadAll(vtest::DataPath("damaged/gif/zero_width.gif")), text::kCreateBufferFailed},
    };
    for (const Case& c : cases) {
        vtest::WriteAll(dir.file("d.gif"), c.bytes);
        CNewDIB dib(4, 4, 8);
        vtest::RecordingWindow window;
        EXPECT_EQ(dib.ReadFile(dir.file("d.gif").c_str(), -1), 0) << c.name;
        EXPECT_STREQ(dib.GetLastErrorText(), c.failure) << c.name;
        EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), window.Count(DIBM_ENDPROGRESS)) << c.name;
        EXPECT_EQ(mode.PageFiles(), 0u) << c.name;
    }
}

TEST(GifRead, SignatureLetterCaseIsIgnoredAndTheTrailerMayBeMissing) {
    vtest::TempDir dir;
    Bytes f = vtest::ReadAll(GifPath("im_256c"));
    f[0] = 'g', f[5] = 'A';
    f.pop_back();
    vtest::WriteAll(dir.file("c.gif"), f);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(dir.file("c.gif").c_str(), -1), 1);
    EXPECT_EQ(dib.GetWidth(), 227);
}

}  // namespace
