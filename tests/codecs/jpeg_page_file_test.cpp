// Page-file images read and saved window by window give what images in
// memory give.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/jpeg_support.h"

namespace {

// 3.6 MB of 24-bit rows: a page file of two-MiB windows in PageFileMode.
constexpr int kWidth = 1200, kHeight = 1000;

uint32_t Scene(int x, int y) {
    return static_cast<uint32_t>((x * 255 / kWidth) << 16 | ((x ^ y) & 0xFF) << 8 | (y * 255 / kHeight));
}

bool SameRows(CNewDIB& a, CNewDIB& b) {
    if (a.GetHeight() != b.GetHeight() || a.GetBytesPerLine() != b.GetBytesPerLine()) return false;
    for (int r = 0; r < a.GetHeight(); ++r) {
        std::vector<BYTE> row(a.GetDIBRow(r), a.GetDIBRow(r) + a.GetBytesPerLine());
        if (std::memcmp(row.data(), b.GetDIBRow(r), row.size()) != 0) return false;
    }
    return true;
}

class JpegPageFile : public ::testing::Test {
protected:
    // The same picture saved from memory and from a page file.
    void SetUp() override {
        CNewDIB inMemory(kWidth, kHeight, 24);
        ASSERT_FALSE(inMemory.IsMapped());
        vtest::Paint(inMemory, Scene);
        ASSERT_EQ(inMemory.SaveFile(dir.file("memory.jpg").c_str(), -1, 0), 1);
        vtest::PageFileMode mode;
        CNewDIB paged(kWidth, kHeight, 24);
        ASSERT_TRUE(paged.IsMapped());
        vtest::Paint(paged, Scene);
        ASSERT_EQ(paged.SaveFile(dir.file("paged.jpg").c_str(), -1, 0), 1);
    }
    vtest::TempDir dir;
};

TEST_F(JpegPageFile, SavingFromWindowsWritesTheSameFile) {
    EXPECT_EQ(vtest::ReadAll(dir.file("memory.jpg")), vtest::ReadAll(dir.file("paged.jpg")));
}

TEST_F(JpegPageFile, ReadingIntoWindowsGivesTheSamePixels) {
    CNewDIB inMemory;
    ASSERT_EQ(inMemory.ReadFile(dir.file("memory.jpg").c_str(), -1), 1);
    vtest::PageFileMode mode;
    CNewDIB paged;
    ASSERT_EQ(paged.ReadFile(dir.file("memory.jpg").c_str(), -1), 1);
    EXPECT_TRUE(paged.IsMapped());
    EXPECT_TRUE(SameRows(inMemory, paged));
    paged.ReleaseDIB();
    EXPECT_EQ(mode.PageFiles(), 0u);
}

}  // namespace
