// Reading JPEG files written by other software, against their reference
// decodings (within +-4 per channel: decoders round differently).
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>

#include "codecs/jpeg_support.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

vtest::RefImage RefFor(const std::string& stem) {
    vtest::RefImage ref = vtest::ReadPnm(vtest::JpegSample(stem + ".ref.ppm"));
    return ref.ok() ? ref : vtest::ReadPnm(vtest::JpegSample(stem + ".ref.pgm"));
}

struct Sample {
    const char* stem;
    int bitCount;
};

class JpegMatchesReference : public ::testing::TestWithParam<Sample> {};

TEST_P(JpegMatchesReference, WithinFourPerChannelAtTheFilesDepth) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(vtest::JpegSample(std::string(GetParam().stem) + ".jpg").c_str(), -1), 1)
        << dib.GetLastErrorText().c_str();
    EXPECT_EQ(dib.GetBitCount(), GetParam().bitCount);
    const int difference = vtest::MaxChannelDifference(dib, RefFor(GetParam().stem));
    EXPECT_GE(difference, 0) << "size differs from the reference";
    EXPECT_LE(difference, 4);
}

// Colour: odd size with 2x2 sampling, progressive, arithmetic coding, Adobe
// marker with restarts; grey: one component.
INSTANTIATE_TEST_SUITE_P(Samples, JpegMatchesReference,
                         ::testing::Values(Sample{"cjpeg_17x9", 24}, Sample{"cjpeg_progressive", 24},
                                           Sample{"testimgari", 24}, Sample{"pil_photoshop-200dpi", 24},
                                           Sample{"cjpeg_grey", 8}, Sample{"pil_jfif_unit_cm", 8}),
                         [](const ::testing::TestParamInfo<Sample>& info) {
                             std::string name = info.param.stem;
                             for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return name;
                         });

TEST(JpegRead, GreyFilesGetTheIdentityGreyTable) {
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(vtest::JpegSample("cjpeg_grey.jpg").c_str(), -1), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 256);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(table[i].rgbRed, i);
        EXPECT_EQ(table[i].rgbGreen, i);
        EXPECT_EQ(table[i].rgbBlue, i);
    }
}

// 200 dpi in one file, dots per centimetre in the other: the image says 300 dpi.
TEST(JpegRead, TheHeaderIgnoresTheFilesDensity) {
    for (const char* name : {"pil_photoshop-200dpi.jpg", "pil_jfif_unit_cm.jpg"}) {
        CNewDIB dib;
        ASSERT_EQ(dib.ReadFile(vtest::JpegSample(name).c_str(), -1), 1);
        const BITMAPINFOHEADER* h = dib.GetBitmapInfoHeader();
        EXPECT_EQ(h->biXPelsPerMeter, 11811) << name;
        EXPECT_EQ(h->biYPelsPerMeter, 11811) << name;
        EXPECT_EQ(h->biSize, 40u);
        EXPECT_EQ(h->biCompression, BI_RGB);
        EXPECT_EQ(h->biClrUsed, 0u);
    }
}

// The document's previous pixels (likely in the same heap block) do not show
// through the bytes that pad each row to whole words.
TEST(JpegRead, RowPaddingIsCleared) {
    CNewDIB dib(17, 9, 24);
    for (int r = 0; r < 9; ++r) std::memset(dib.GetDIBRow(r), 0xFF, dib.GetBytesPerLine());
    ASSERT_EQ(dib.ReadFile(vtest::JpegSample("cjpeg_17x9.jpg").c_str(), -1), 1);
    ASSERT_EQ(dib.GetBytesPerLine(), 52u);
    for (int r = 0; r < 9; ++r) EXPECT_EQ(dib.GetDIBRow(r)[51], 0) << "row " << r;
}

// Refused before the image is created: the document keeps its image and the
// codec records no text of its own.
TEST(JpegRead, CmykIsRefusedWithoutATextAndTheDocumentKeepsItsImage) {
    vtest::RecordingWindow window;
    CNewDIB dib(5, 4, 24);
    CDIBFile codec(&dib, window.Handle());
    EXPECT_EQ(codec.ReadJPGFile(vtest::JpegSample("im_cmyk.jpg").c_str()), 0);
    EXPECT_EQ(codec.GetErrorText(), "");
    EXPECT_TRUE(dib.Ready());
    EXPECT_EQ(dib.GetWidth(), 5);
    EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

TEST(JpegRead, AFileThatDoesNotOpenFailsWithoutProgress) {
    vtest::RecordingWindow window;
    CNewDIB dib;
    CDIBFile codec(&dib, window.Handle());
    EXPECT_EQ(codec.ReadJPGFile("/nonexistent/x.jpg"), 0);
    EXPECT_EQ(codec.GetErrorText(), "");
    EXPECT_TRUE(window.messages.empty());
    CDIBFile empty(nullptr, nullptr);
    EXPECT_EQ(empty.ReadJPGFile(vtest::JpegSample("testorig.jpg").c_str()), 0);
    EXPECT_EQ(empty.GetErrorText(), text::kNoData);
}

// 25 rows: a step every 3 rows, the last at 96 per cent, then one end.
TEST(JpegRead, ProgressStepsEveryTenthAndEndsOnce) {
    vtest::TempDir dir;
    CNewDIB image(8, 25, 24);
    ASSERT_EQ(image.SaveFile(dir.file("p.jpg").c_str(), -1, 0), 1);
    vtest::RecordingWindow window(777);
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(dir.file("p.jpg").c_str(), -1), 1);
    ASSERT_FALSE(window.messages.empty());
    EXPECT_EQ(window.messages.front().msg, DIBM_BEGINPROGRESS);
    EXPECT_EQ(window.messages.front().caption, text::kReadingImageShort);
    EXPECT_EQ(window.Steps(), (std::vector<WPARAM>{12, 24, 36, 48, 60, 72, 84, 96}));
    EXPECT_EQ(window.messages.back().msg, DIBM_ENDPROGRESS);
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

}  // namespace
