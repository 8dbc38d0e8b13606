// Reading JPEG files: samples against their reference decodings (within +-4
// per channel: decoders round differently), refusals, and damaged files whose
// fatal library errors come back as failed reads. Images of 64 KiB or more
// live in page files here, with windows of 64 KiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "codecs/image_fixture.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

std::string Jpeg(const std::string& name) { return vtest::DataPath("jpg/" + name); }

int MaxChannelDifference(CNewDIB& dib, const vtest::RefImage& ref) {
    if (!ref.ok() || ref.width != dib.GetWidth() || ref.height != dib.GetHeight()) return -1;
    int most = 0, got[3], want[3];
    for (int y = 0; y < ref.height; ++y)
        for (int x = 0; x < ref.width; ++x) {
            vtest::PixelColor(dib, x, y, &got[0], &got[1], &got[2]);
            ref.rgb(x, y, &want[0], &want[1], &want[2]);
            for (int c = 0; c < 3; ++c) most = std::max(most, std::abs(got[c] - want[c]));
        }
    return most;
}

class JpegSample : public ::testing::TestWithParam<std::pair<const char*, int>> {};

// 200 dpi and dots-per-centimetre files among them: the image says 300 dpi.
TEST_P(JpegSample, MatchesItsReferenceAtItsDepthWithAGreyRampAndTheLibrarysDensity) {
    const std::string stem = GetParam().first;
    CNewDIB dib;
    ASSERT_EQ(dib.ReadFile(Jpeg(stem + ".jpg").c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    ASSERT_EQ(dib.GetBitCount(), GetParam().second);
    vtest::RefImage ref = vtest::ReadPnm(Jpeg(stem + ".ref.ppm"));
    const int difference = MaxChannelDifference(dib, ref.ok() ? ref : vtest::ReadPnm(Jpeg(stem + ".ref.pgm")));
    EXPECT_TRUE(difference >= 0 && difference <= 4) << difference;
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biXPelsPerMeter, 11811);
    EXPECT_EQ(dib.GetBitmapInfoHeader()->biYPelsPerMeter, 11811);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    for (int i = 0; i < entries; ++i) EXPECT_TRUE(table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i);
}

// Odd size with 2x2 sampling, progressive, arithmetic, Adobe marker with
// restarts and 200 dpi; grey, and 1 x 1 grey in dots per centimetre.
INSTANTIATE_TEST_SUITE_P(Samples, JpegSample,
                         ::testing::Values(std::make_pair("cjpeg_17x9", 24), std::make_pair("cjpeg_progressive", 24),
                                           std::make_pair("testimgari", 24), std::make_pair("pil_photoshop-200dpi", 24),
                                           std::make_pair("cjpeg_grey", 8), std::make_pair("pil_jfif_unit_cm", 8),
                                           std::make_pair("im_cmyk", 24), std::make_pair("pil_sample_cmyk", 24)));

// The document's previous pixels (likely the same heap block) do not show
// through the bytes that pad each row to whole words.
TEST(JpegRead, RowPaddingIsCleared) {
    CNewDIB dib(17, 9, 24);
    for (int r = 0; r < 9; ++r) std::memset(dib.GetDIBRow(r), 0xFF, dib.GetBytesPerLine());
    ASSERT_EQ(dib.ReadFile(Jpeg("cjpeg_17x9.jpg").c_str(), -1), 1);
    for (int r = 0; r < 9; ++r) EXPECT_EQ(dib.GetDIBRow(r)[51], 0) << "row " << r;
}

// A progressive file's coefficients (48 KiB here) must fit the available memory.
TEST(JpegRead, AProgressiveFileLargerThanTheAvailableMemoryFailsCleanly) {
    vtest::PageFileMode mode(2 * vtest::kMiB);
    vtest::ScopedMemoryFigures memory(2 * vtest::kMiB, 32 * 1024);
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(Jpeg("cjpeg_progressive.jpg").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadImageFailed);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

struct Damaged {
    std::string path;
    const char* failure;  // null: the file reads; "": refused without a text of the codec's
};

class DamagedJpeg : public ::testing::TestWithParam<Damaged> {};

// Refusals before the image exists leave the document's image; later
// failures release it with its page file. Progress always ends once.
TEST_P(DamagedJpeg, FailsWithItsTextOrReadsAndLeavesNoPageFile) {
    vtest::PageFileMode mode(2 * vtest::kMiB);
    vtest::RecordingWindow window;
    const Damaged& d = GetParam();
    {
        CNewDIB dib(3, 3, 8);
        CDIBFile codec(&dib, window.Handle());
        const int ok = codec.ReadJPGFile(vtest::DataPath(d.path).c_str());
        EXPECT_EQ(ok, d.failure ? 0 : 1);
        EXPECT_EQ(codec.GetErrorText(), d.failure ? d.failure : "");
        EXPECT_EQ(dib.Ready() != 0, ok == 1 || dib.GetWidth() == 3);
        EXPECT_EQ(window.Count(DIBM_BEGINPROGRESS), 1);
        EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

const Damaged kFatal[] = {{"damaged/jpg/testorig__bad_soi.jpg", text::kReadImageFailed},
                          {"damaged/jpg/testorig__trunc10.jpg", text::kReadImageFailed},
                          {"damaged/jpg/testorig__trunc_after_sof.jpg", text::kReadImageFailed},
                          {"damaged/jpg/testorig__huge_dims.jpg", text::kReadImageFailed},
                          {"damaged/jpg/testorig__zero_height.jpg", text::kReadImageFailed},
                          {"damaged/jpg/testorig__ncomp5.jpg", text::kReadImageFailed}};
// Cut or garbled data fails rather than show what the library filled in; a
// file missing only (part of) its end marker lost no pixel and reads.
const Damaged kWarnings[] = {{"damaged/jpg/testorig__trunc_half.jpg", text::kReadDataFailed},
                             {"damaged/jpg/testorig__trunc_minus1.jpg", nullptr},
                             {"damaged/jpg/testorig__no_eoi.jpg", nullptr},
                             {"damaged/jpg/testorig__garbled_scan.jpg", text::kReadDataFailed},
                             {"damaged/jpg/truncated_jpeg.jpg", text::kReadDataFailed}};
INSTANTIATE_TEST_SUITE_P(Fatal, DamagedJpeg, ::testing::ValuesIn(kFatal));
INSTANTIATE_TEST_SUITE_P(Warnings, DamagedJpeg, ::testing::ValuesIn(kWarnings));

// A host may take what the library decoded of a damaged file instead.
TEST(DamagedJpeg, TheTruncatedImagesSettingKeepsWhatWasDecoded) {
    for (const char* file : {"damaged/jpg/testorig__trunc_half.jpg", "damaged/jpg/testorig__garbled_scan.jpg",
                             "damaged/jpg/truncated_jpeg.jpg"}) {
        SetLoadTruncatedImages(1);
        CNewDIB dib;
        EXPECT_EQ(dib.ReadFile(vtest::DataPath(file).c_str(), -1), 1) << file;
        SetLoadTruncatedImages(0);
        EXPECT_EQ(dib.ReadFile(vtest::DataPath(file).c_str(), -1), 0) << file;
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
    }
}

// Edits of testorig.jpg's frame header. Only the late failure costs the
// document its image.
TEST(DamagedJpeg, AnImpossibleSizeIsRefusedBeforeStorageAndALateFatalErrorReleasesTheImage) {
    vtest::PageFileMode mode(2 * vtest::kMiB);
    vtest::TempDir dir;
    const std::vector<unsigned char> original = vtest::ReadAll(Jpeg("testorig.jpg"));
    const unsigned char marker[] = {0xFF, 0xC0};
    const auto sof = std::search(original.begin(), original.end(), marker, marker + 2);
    ASSERT_NE(sof, original.end());
    // 60000 x 60000 pixels claimed by 5770 bytes.
    std::vector<unsigned char> big = original;
    const size_t at = static_cast<size_t>(sof - original.begin());
    big[at + 5] = big[at + 7] = 0xEA, big[at + 6] = big[at + 8] = 0x60;
    // A second frame header after the scan.
    std::vector<unsigned char> twice = original;
    twice.insert(twice.end() - 2, sof, sof + 2 + (sof[2] << 8 | sof[3]));
    for (const auto& [bytes, keepsImage] : {std::make_pair(big, true), std::make_pair(twice, false)}) {
        vtest::WriteAll(dir.file("x.jpg"), bytes);
        CNewDIB dib(3, 3, 8);
        EXPECT_EQ(dib.ReadFile(dir.file("x.jpg").c_str(), -1), 0);
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadImageFailed);
        EXPECT_EQ(dib.Ready() != 0, keepsImage);
        EXPECT_EQ(mode.PageFiles(), 0u);
    }
}

}  // namespace
