// The library's limits on the images it creates: pixels, and bytes of a page
// file (by default what the virtual directory's file system has free).
// A refused image reserves nothing.
#include <gtest/gtest.h>

#include "storage/image_limits.h"
#include "support/scoped_faults.h"
#include "tests/storage/storage_fixture.h"

namespace {

using vtest::PageFileTest;
using vtest::ProbeDIB;

TEST(ImageLimits, PixelLimitDefaultsToTwoToTheThirtyFirstAndZeroRestoresIt) {
    vtest::ScopedSettings settings;
    EXPECT_EQ(GetMaxImagePixels(), 1ul << 31);
    SetMaxImagePixels(100);
    EXPECT_EQ(GetMaxImagePixels(), 100ul);
    SetMaxImagePixels(0);
    EXPECT_EQ(GetMaxImagePixels(), 1ul << 31);
    EXPECT_EQ(GetMaxPageFileBytes(), 0ul);
}

TEST(ImageLimits, AnImageOfMorePixelsThanTheLimitIsRefusedAndLeavesAnEmptyObject) {
    vtest::ScopedSettings settings;
    SetMaxImagePixels(100);
    CNewDIBObject dib;
    EXPECT_EQ(dib.CreateDIB(10, 10, 8), 1);
    EXPECT_EQ(dib.CreateDIB(10, 11, 8), 0);
    EXPECT_FALSE(dib.Ready());
    EXPECT_EQ(dib.GetWidth(), 0);
    EXPECT_EQ(dib.GetBitmapInfo(), nullptr);
    // 2^31 pixels is allowed by default, one row more is not.
    SetMaxImagePixels(0);
    EXPECT_TRUE(velmora::ImageWithinLimits(1 << 16, 1 << 15, 1));
    EXPECT_FALSE(velmora::ImageWithinLimits(1 << 16, (1 << 15) + 1, 1));
}

TEST_F(PageFileTest, PageFileLimitRefusesALargerPageFileBeforeItIsMade) {
    // 1000 x 1000 x 24 bits: 3,000,000 bytes, in a page file here.
    SetMaxPageFileBytes(3000000);
    ProbeDIB fits;
    ASSERT_EQ(fits.CreateDIB(1000, 1000, 24), 1);
    EXPECT_EQ(fits.Mapped(), 1);
    fits.ReleaseDIB();
    SetMaxPageFileBytes(2999999);
    const int images = GetLoadImageNumber();
    ProbeDIB refused;
    EXPECT_EQ(refused.CreateDIB(1000, 1000, 24), 0);
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), images);
    // The limit is for page files: the same image in memory is made.
    SetImageUseMemSize(~0ul);
    EXPECT_EQ(refused.CreateDIB(1000, 1000, 24), 1);
    EXPECT_EQ(refused.Mapped(), 0);
}

TEST(ImageLimitsOnDisk, ByDefaultAPageFileMayTakeWhatItsFileSystemHasFree) {
    vtest::ScopedTmpfs disk(2 * vtest::kMiB);
    if (!disk.ok()) GTEST_SKIP() << "no right to mount a tmpfs";
    vtest::ScopedSettings settings;
    vtest::ScopedMemoryFigures memory(8 * vtest::kMiB, 1 * vtest::kMiB);  // page files from 256 KiB
    SetVirtualDirectory(disk.dir().c_str());
    SetImageUseMemSize(1);
    EXPECT_GT(velmora::PageFileByteLimit(), 1 * vtest::kMiB);
    EXPECT_LE(velmora::PageFileByteLimit(), 2 * vtest::kMiB);
    ProbeDIB dib;
    EXPECT_EQ(dib.CreateDIB(1000, 1000, 24), 0);  // 3,000,000 bytes
    EXPECT_TRUE(disk.Held().empty());
    ASSERT_EQ(dib.CreateDIB(1000, 500, 24), 1);  // 1,500,000 bytes
    EXPECT_EQ(dib.Mapped(), 1);
    EXPECT_EQ(disk.Held().size(), 1u);
}

}  // namespace
