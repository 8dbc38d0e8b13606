// Every reader refuses a picture beyond the library's limits with the text
// of a refused buffer, before any storage is made: no page file, no
// descriptor or mapping left, the document as it was or released.
#include <gtest/gtest.h>

#include <cstdlib>

#include "environment/texts.h"
#include "tests/hygiene/format_table.h"
#include "velmora/cfile.h"
#include "velmora/gif.h"

namespace {

constexpr int kWidth = 40, kHeight = 30;
constexpr unsigned long kStride = 40;  // 8-bit rows of 40 pixels

struct Limits {
    const char* what;
    unsigned long pixels, pageFileBytes;
    uint64_t totalMemory;  // substituted; 32 KiB sends the sample to a page file
};

void ExpectRefusedEverywhere(const Limits& limits) {
    vtest::TempDir files, pages;
    vtest::ScopedSettings settings;
    vtest::ScopedMemoryFigures memory(limits.totalMemory, limits.totalMemory);
    SetVirtualDirectory(pages.dir().c_str());
    SetImageUseMemSize(1);
    const std::vector<vtest::BuiltFormat> built = vtest::BuiltFormats(files, kWidth, kHeight);
    ASSERT_FALSE(built.empty());
    SetMaxImagePixels(limits.pixels);
    SetMaxPageFileBytes(limits.pageFileBytes);
    for (const vtest::BuiltFormat& f : built) {
        SCOPED_TRACE(std::string(limits.what) + ": " + f.sample);
        vtest::HeldDocument held;
        const auto before = vtest::ProcessResources::Now();
        EXPECT_EQ(held.dib().ReadFile(f.sample.c_str(), -1), 0);
        EXPECT_EQ(held.dib().GetLastErrorText(), velmora::text::kCreateBufferFailed);
        EXPECT_TRUE(held.UnchangedOrReleased());
        EXPECT_TRUE(pages.Held().empty());
        EXPECT_TRUE(vtest::LeftNothing(before));
    }
}

TEST(ReadLimits, APictureOfMorePixelsThanTheLimitIsRefusedByEveryReader) {
    ExpectRefusedEverywhere({"pixels", kWidth * kHeight - 1, 0, 64ull << 20});
}

TEST(ReadLimits, APageFileLargerThanTheLimitIsRefusedByEveryReader) {
    ExpectRefusedEverywhere({"page-file bytes", 0, kStride * kHeight - 1, 32 << 10});
}

TEST(ReadLimits, PicturesAtTheLimitsAreRead) {
    vtest::TempDir files, pages;
    vtest::ScopedSettings settings;
    vtest::ScopedMemoryFigures memory(32 << 10, 32 << 10);
    SetVirtualDirectory(pages.dir().c_str());
    SetImageUseMemSize(1);
    SetMaxImagePixels(kWidth * kHeight);
    SetMaxPageFileBytes(kStride * kHeight);
    for (const vtest::BuiltFormat& f : vtest::BuiltFormats(files, kWidth, kHeight)) {
        CNewDIB dib;
        EXPECT_EQ(dib.ReadFile(f.sample.c_str(), -1), 1) << f.sample;
        EXPECT_EQ(pages.Held().size(), 1u) << f.sample;
    }
}

}  // namespace

namespace {

// The exported GIF reader makes its block under the same pixel limit.
unsigned char* ReadGifFile(const std::string& path) {
    CFile file(path.c_str(), CFile::modeRead);
    return ReadGIF(file);
}

TEST(ReadLimits, ReadGifMakesNoBlockOfMorePixelsThanTheLimit) {
    vtest::TempDir dir;
    vtest::ScopedSettings settings;
    const std::string path = dir.file("sample.gif");
    ASSERT_TRUE(vtest::WriteSample(path, kWidth, kHeight));
    SetMaxImagePixels(kWidth * kHeight - 1);
    EXPECT_EQ(ReadGifFile(path), nullptr);
    SetMaxImagePixels(kWidth * kHeight);
    unsigned char* block = ReadGifFile(path);
    EXPECT_NE(block, nullptr);
    std::free(block);
}

}  // namespace
