// Damaged and hostile JPEG files: the library's fatal errors come back as a
// failed read (never the end of the process), warnings leave a readable
// image, and nothing is left behind. Images of 64 KiB or more live in page
// files here, with windows of 64 KiB, so the 227 x 149 samples do.
#include <gtest/gtest.h>

#include <algorithm>

#include "codecs/jpeg_support.h"
#include "environment/texts.h"
#include "velmora/dibfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

constexpr uint64_t kSmallMemory = 2 * vtest::kMiB;

struct Damaged {
    const char* name;
    const char* failure;  // null: the file reads; "": refused without a text
};

class DamagedJpeg : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedJpeg, FailsWithItsTextOrReadsAndLeavesNoPageFile) {
    vtest::PageFileMode mode(kSmallMemory);
    vtest::RecordingWindow window;
    const Damaged& d = GetParam();
    {
        CNewDIB dib;
        CDIBFile codec(&dib, window.Handle());
        const int ok = codec.ReadJPGFile(vtest::DataPath(std::string("damaged/jpg/") + d.name).c_str());
        EXPECT_EQ(ok, d.failure ? 0 : 1);
        EXPECT_EQ(codec.GetErrorText(), d.failure ? d.failure : "");
        EXPECT_EQ(dib.Ready() != 0, ok == 1);
        EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

const Damaged kFatal[] = {
    {"testorig__bad_soi.jpg", text::kReadImageFailed},         {"testorig__trunc10.jpg", text::kReadImageFailed},
    {"testorig__trunc_after_sof.jpg", text::kReadImageFailed}, {"testorig__huge_dims.jpg", text::kReadImageFailed},
    {"testorig__zero_height.jpg", text::kReadImageFailed},     {"testorig__ncomp5.jpg", text::kReadImageFailed}};
// The library warns, fills what is missing and goes on.
const Damaged kWarnings[] = {{"testorig__trunc_half.jpg", nullptr},
                             {"testorig__trunc_minus1.jpg", nullptr},
                             {"testorig__no_eoi.jpg", nullptr},
                             {"testorig__garbled_scan.jpg", nullptr},
                             {"truncated_jpeg.jpg", nullptr}};
INSTANTIATE_TEST_SUITE_P(Fatal, DamagedJpeg, ::testing::ValuesIn(kFatal));
INSTANTIATE_TEST_SUITE_P(Warnings, DamagedJpeg, ::testing::ValuesIn(kWarnings));

// testorig.jpg with its frame header's height and width replaced.
std::vector<unsigned char> WithSize(int width, int height) {
    std::vector<unsigned char> bytes = vtest::ReadAll(vtest::JpegSample("testorig.jpg"));
    const unsigned char sof[] = {0xFF, 0xC0};
    auto at = std::search(bytes.begin(), bytes.end(), sof, sof + 2);
    if (at == bytes.end()) return {};
    const size_t i = static_cast<size_t>(at - bytes.begin()) + 5;
    bytes[i] = BYTE(height >> 8), bytes[i + 1] = BYTE(height);
    bytes[i + 2] = BYTE(width >> 8), bytes[i + 3] = BYTE(width);
    return bytes;
}

// 3.6 billion pixels from 5770 bytes: refused before storage is created.
TEST(DamagedJpegSize, AHeaderClaimingMoreThanTheFileCanHoldIsRefusedBeforeAnyPageFile) {
    vtest::PageFileMode mode(kSmallMemory);
    vtest::TempDir dir;
    const std::vector<unsigned char> bytes = WithSize(60000, 60000);
    ASSERT_FALSE(bytes.empty());
    vtest::WriteAll(dir.file("big.jpg"), bytes);
    CNewDIB dib(3, 3, 8);
    EXPECT_EQ(dib.ReadFile(dir.file("big.jpg").c_str(), -1), 0);
    EXPECT_EQ(dib.GetLastErrorText(), text::kReadImageFailed);
    EXPECT_TRUE(dib.Ready()) << "the document keeps its image";
    EXPECT_EQ(dib.GetWidth(), 3);
    EXPECT_EQ(mode.PageFiles(), 0u);
}

// A second frame header after the scan is fatal once the image exists: the
// image is released with its page file.
TEST(DamagedJpegStream, AFatalErrorAfterTheImageExistsReleasesIt) {
    vtest::PageFileMode mode(kSmallMemory);
    vtest::TempDir dir;
    std::vector<unsigned char> bytes = vtest::ReadAll(vtest::JpegSample("testorig.jpg"));
    const unsigned char sof[] = {0xFF, 0xC0};
    auto at = std::search(bytes.begin(), bytes.end(), sof, sof + 2);
    ASSERT_NE(at, bytes.end());
    const size_t length = static_cast<size_t>(at[2] << 8 | at[3]) + 2;
    std::vector<unsigned char> frame(at, at + static_cast<std::ptrdiff_t>(length));
    bytes.insert(bytes.end() - 2, frame.begin(), frame.end());  // before the end marker
    vtest::WriteAll(dir.file("twice.jpg"), bytes);
    vtest::RecordingWindow window;
    {
        CNewDIB dib(3, 3, 8);
        EXPECT_EQ(dib.ReadFile(dir.file("twice.jpg").c_str(), -1), 0);
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadImageFailed);
        EXPECT_FALSE(dib.Ready());
        EXPECT_EQ(mode.PageFiles(), 0u);
    }
    EXPECT_EQ(window.Count(DIBM_ENDPROGRESS), 1);
}

}  // namespace
