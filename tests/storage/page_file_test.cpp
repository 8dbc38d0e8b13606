// Page-file images: the threshold, the file's lifetime, the load image
// number, and failures that must leave nothing behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <memory>

#include "platform/file_mapping.h"
#include "tests/storage/storage_fixture.h"

namespace {

using vtest::kMiB;
using vtest::PageFileTest;
using vtest::ProbeDIB;

// 1000 x 1000 x 24 bits: 3,000,000 bytes, above the 2 MiB threshold.
constexpr int kW = 1000, kH = 1000;

TEST_F(PageFileTest, ThresholdSendsEqualSizeToAPageFileAndOneByteLessToMemory) {
    SetImageUseMemSize(3000000);
    ProbeDIB equal;
    ASSERT_EQ(equal.CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(equal.Mapped(), 1);
    SetImageUseMemSize(3000001);
    ProbeDIB below;
    ASSERT_EQ(below.CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(below.Mapped(), 0);
}

TEST_F(PageFileTest, ThresholdNeverFallsBelowOneThirtySecondOfTotalMemory) {
    SetImageUseMemSize(1000);  // raised to 2 MiB
    ProbeDIB small;
    ASSERT_EQ(small.CreateDIB(512, 1023, 32), 1);  // 2 MiB - 2 KiB
    EXPECT_EQ(small.Mapped(), 0);
    ProbeDIB large;
    ASSERT_EQ(large.CreateDIB(512, 1024, 32), 1);  // exactly 2 MiB
    EXPECT_EQ(large.Mapped(), 1);
}

TEST_F(PageFileTest, PageFileExistsExactlyWhileTheImageHoldsIt) {
    auto dib = std::make_unique<ProbeDIB>();
    ASSERT_EQ(dib->CreateDIB(kW, kH, 24), 1);
    ASSERT_EQ(dib->Mapped(), 1);
    std::vector<std::string> files = PageFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::string(dib->MapFileName()), m_dir.file(files[0]));
    // Its whole size is reserved at creation.
    EXPECT_EQ(vtest::ReadAll(m_dir.file(files[0])).size(), 3000000u);

    dib->ReleaseDIB();
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(dib->Ready(), 0);
    EXPECT_EQ(dib->GetWidth(), kW);

    ASSERT_EQ(dib->CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(PageFiles().size(), 1u);
    dib.reset();
    EXPECT_TRUE(PageFiles().empty());
}

TEST_F(PageFileTest, RecreatingReleasesTheOldPageFileFirst) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(kW, kH, 24), 1);
    ASSERT_EQ(dib.CreateDIB(kW, kH + 1, 24), 1);
    EXPECT_EQ(PageFiles().size(), 1u);
    ASSERT_EQ(dib.CreateDIB(10, 10, 8), 1);  // back to memory
    EXPECT_TRUE(PageFiles().empty());
}

TEST_F(PageFileTest, LoadImageNumberDriftsDownToOneAndUpOnRelease) {
    SetLoadImageNumber(3);
    ProbeDIB a, b, c;
    ASSERT_EQ(a.CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(GetLoadImageNumber(), 2);
    ASSERT_EQ(b.CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(GetLoadImageNumber(), 1);
    ASSERT_EQ(c.CreateDIB(kW, kH, 24), 1);
    EXPECT_EQ(GetLoadImageNumber(), 1);
    EXPECT_EQ(PageFiles().size(), 3u);
    a.ReleaseDIB();
    b.ReleaseDIB();
    c.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 4);
    // Memory images leave the number alone.
    ProbeDIB m;
    ASSERT_EQ(m.CreateDIB(10, 10, 8), 1);
    m.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 4);
}

TEST_F(PageFileTest, MissingVirtualDirectoryFailsWithoutChangingTheLoadNumber) {
    SetVirtualDirectory((m_dir.dir() + "absent/").c_str());
    SetLoadImageNumber(3);
    ProbeDIB dib;
    EXPECT_EQ(dib.CreateDIB(kW, kH, 24), 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_EQ(GetLoadImageNumber(), 3);
    dib.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 3);
}

// A file-size limit below the image makes the reservation fail after the
// file was created: it must be deleted again.
TEST_F(PageFileTest, PageFileThatCannotBeReservedIsDeleted) {
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct sigaction ignore {}, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit small = old;
    small.rlim_cur = 1 * kMiB;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);

    SetLoadImageNumber(2);
    ProbeDIB dib;
    const int created = dib.CreateDIB(kW, kH, 24);

    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 2);
}

TEST_F(PageFileTest, AnExistingFileIsNeverTakenOverOrDeleted) {
    const std::string victim = m_dir.file("Page1.dat");
    vtest::WriteAll(victim, {1, 2, 3});
    velmora::FileMapping mapping;
    EXPECT_FALSE(velmora::CreatePageFileMapping(victim.c_str(), 4096, &mapping));
    EXPECT_EQ(vtest::ReadAll(victim), (std::vector<unsigned char>{1, 2, 3}));
}

TEST_F(PageFileTest, RenamingTheMapFileDoesNotMisdirectTheDeletion) {
    const std::string victim = m_dir.file("keep.dat");
    vtest::WriteAll(victim, {9});
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(kW, kH, 24), 1);
    dib.SetMapParameter(victim.c_str(), 2);
    EXPECT_EQ(std::string(dib.MapFileName()), victim);
    dib.ReleaseDIB();
    EXPECT_TRUE(vtest::FileExists(victim));
    EXPECT_TRUE(PageFiles().empty());
}

TEST_F(PageFileTest, WholeViewStaysMappedUntilReleased) {
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(kW, kH, 24), 1);
    BYTE* whole = dib.GetGlobalDIBits();
    ASSERT_NE(whole, nullptr);
    const uint64_t views = velmora::FileMappingViewCount();
    EXPECT_EQ(dib.GetDIBits(), whole);
    EXPECT_EQ(velmora::FileMappingViewCount(), views);
    // Row windows and the whole view see the same bytes.
    whole[999 * 3000 + 5] = 0xC3;
    EXPECT_EQ(dib.GetDIBRow(999)[5], 0xC3);
    dib.GetDIBRow(0)[1] = 0x3C;
    EXPECT_EQ(whole[1], 0x3C);
    dib.ReleaseGlobalDIBits();
    EXPECT_NE(dib.GetGlobalDIBits(), nullptr);
    EXPECT_EQ(velmora::FileMappingViewCount(), views + 3);
}

TEST_F(PageFileTest, SwappedStorageIsReleasedByItsNewOwner) {
    SetLoadImageNumber(1);
    ProbeDIB paged, memory;
    ASSERT_EQ(paged.CreateDIB(kW, kH, 24), 1);
    ASSERT_EQ(memory.CreateDIB(8, 4, 8), 1);
    paged.Swap(memory);
    EXPECT_EQ(memory.Mapped(), 1);
    EXPECT_EQ(memory.GetHeight(), kH);
    EXPECT_EQ(paged.Mapped(), 0);
    EXPECT_EQ(paged.GetWidth(), 8);
    memory.ReleaseDIB();
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 2);
    EXPECT_EQ(paged.Ready(), 1);
}

}  // namespace
