// Page-file images: the threshold, the file's lifetime, the load image
// number, and failures that must leave nothing behind.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <exception>
#include <memory>

#include "platform/file_mapping.h"
#include "tests/storage/storage_fixture.h"

namespace {

using vtest::PageFileTest;
using vtest::ProbeDIB;

// The number, as text, of this process's descriptor open on `name` in the
// test's page directory.
std::string OpenDescriptorOf(const std::string& name) {
    DIR* d = opendir("/proc/self/fd");
    std::string found;
    while (dirent* e = d ? readdir(d) : nullptr) {
        char target[4096];
        const ssize_t n = readlink((std::string("/proc/self/fd/") + e->d_name).c_str(), target, sizeof target - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)).find("/" + name) != std::string::npos) found = e->d_name;
    }
    if (d) closedir(d);
    return found;
}

// 1000 x 1000 x 24 bits: 3,000,000 bytes, above the 2 MiB threshold.
constexpr int kW = 1000, kH = 1000;

// An exactly equal size goes to a page file, one byte less to memory; the
// threshold never falls below 1/32 of total memory (2 MiB).
TEST_F(PageFileTest, ThresholdSendsEqualSizeToAPageFileAndOneByteLessToMemory) {
    struct Case {
        unsigned long useMem;
        int height, bits, mapped;
    } const cases[] = {{3000000, kH, 24, 1}, {3000001, kH, 24, 0}, {1000, 1023, 32, 0}, {1000, 1024, 32, 1}};
    for (const Case& c : cases) {
        SetImageUseMemSize(c.useMem);
        ProbeDIB dib;
        ASSERT_EQ(dib.CreateDIB(c.bits == 24 ? kW : 512, c.height, c.bits), 1);
        EXPECT_EQ(dib.Mapped(), c.mapped) << c.useMem << ", " << dib.GetDIBSize() << " bytes";
    }
}

// The page file is named by the naming rule but has no name on disk: it is
// held open exactly while the image holds it and never seen there.
TEST_F(PageFileTest, PageFileIsHeldExactlyWhileTheImageHoldsItAndNeverNamedOnDisk) {
    auto dib = std::make_unique<ProbeDIB>();
    ASSERT_EQ(dib->CreateDIB(kW, kH, 24), 1);
    std::vector<std::string> files = PageFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(std::string(dib->MapFileName()).rfind(m_dir.file("Page"), 0), 0u);  // the name the rule gives
    EXPECT_TRUE(m_dir.List().empty());
    struct stat held {};
    ASSERT_EQ(stat(("/proc/self/fd/" + OpenDescriptorOf(files[0])).c_str(), &held), 0);
    EXPECT_EQ(held.st_size, 3000000);  // reserved whole at creation

    dib->ReleaseDIB();
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(dib->Ready(), 0);
    EXPECT_EQ(dib->GetWidth(), kW);
    // Recreating releases the old page file first.
    ASSERT_EQ(dib->CreateDIB(kW, kH, 24), 1);
    ASSERT_EQ(dib->CreateDIB(kW, kH + 1, 24), 1);
    EXPECT_EQ(PageFiles().size(), 1u);
    ASSERT_EQ(dib->CreateDIB(10, 10, 8), 1);  // back to memory
    EXPECT_TRUE(PageFiles().empty());
    ASSERT_EQ(dib->CreateDIB(kW, kH, 24), 1);
    dib.reset();
    EXPECT_TRUE(PageFiles().empty());
}

TEST_F(PageFileTest, LoadImageNumberDriftsDownToOneAndUpOnRelease) {
    SetLoadImageNumber(3);
    ProbeDIB dibs[3];
    const int after[3] = {2, 1, 1};
    for (int i = 0; i < 3; i++) {
        ASSERT_EQ(dibs[i].CreateDIB(kW, kH, 24), 1);
        EXPECT_EQ(GetLoadImageNumber(), after[i]);
    }
    EXPECT_EQ(PageFiles().size(), 3u);
    for (ProbeDIB& dib : dibs) dib.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 4);
    // Memory images leave the number alone.
    ProbeDIB m;
    ASSERT_EQ(m.CreateDIB(10, 10, 8), 1);
    m.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 4);
}

// A missing directory makes the creation fail; a file-size limit below the
// image makes the reservation fail after the file was created, which must be
// deleted again. Neither changes the load image number.
TEST_F(PageFileTest, FailedPageFilesLeaveNoFileAndTheLoadNumberAlone) {
    SetLoadImageNumber(2);
    ProbeDIB dib;
    SetVirtualDirectory((m_dir.dir() + "absent/").c_str());
    EXPECT_EQ(dib.CreateDIB(kW, kH, 24), 0);
    dib.ReleaseDIB();
    EXPECT_EQ(GetLoadImageNumber(), 2);

    SetVirtualDirectory(m_dir.dir().c_str());
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct sigaction ignore {
    }, previous{};
    ignore.sa_handler = SIG_IGN;
    ASSERT_EQ(sigaction(SIGXFSZ, &ignore, &previous), 0);
    struct rlimit small = old;
    small.rlim_cur = 1 * vtest::kMiB;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const int created = dib.CreateDIB(kW, kH, 24);
    setrlimit(RLIMIT_FSIZE, &old);
    sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(created, 0);
    EXPECT_EQ(dib.Ready(), 0);
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 2);
}

// Neither an existing file at the page file's name nor a file the map name
// was changed to is taken over or deleted.
TEST_F(PageFileTest, OtherFilesAreNeverTakenOverOrDeleted) {
    const std::string renamed = m_dir.file("keep.dat"), existing = m_dir.file("Page1.dat");
    vtest::WriteAll(renamed, {9});
    ProbeDIB dib;
    ASSERT_EQ(dib.CreateDIB(kW, kH, 24), 1);
    dib.SetMapParameter(renamed.c_str(), 2);
    EXPECT_EQ(std::string(dib.MapFileName()), renamed);
    dib.ReleaseDIB();
    EXPECT_TRUE(vtest::FileExists(renamed));
    EXPECT_TRUE(PageFiles().empty());

    vtest::WriteAll(existing, {1, 2, 3});
    velmora::FileMapping mapping;
    EXPECT_FALSE(velmora::CreatePageFileMapping(existing.c_str(), 4096, &mapping));
    EXPECT_EQ(vtest::ReadAll(existing), (std::vector<unsigned char>{1, 2, 3}));
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
    ProbeDIB paged, memory;
    ASSERT_EQ(paged.CreateDIB(kW, kH, 24), 1);
    ASSERT_EQ(memory.CreateDIB(8, 4, 8), 1);
    paged.Swap(memory);
    EXPECT_EQ(std::make_pair(memory.Mapped(), memory.GetHeight()), std::make_pair(1, kH));
    EXPECT_EQ(std::make_pair(paged.Mapped(), paged.GetWidth()), std::make_pair(0, 8));
    memory.ReleaseDIB();
    EXPECT_TRUE(PageFiles().empty());
    EXPECT_EQ(GetLoadImageNumber(), 2);
    EXPECT_EQ(paged.Ready(), 1);
}

// However the process ends, its page files go with it: the child makes a
// page-file image, says so, and is then ended (or ends itself) without
// releasing the image.
TEST_F(PageFileTest, NoPageFileOutlivesItsProcessHoweverItEnds) {
    enum class End { kKill, kInterrupt, kExit, kUncaughtException };
    const End ends[] = {End::kKill, End::kInterrupt, End::kExit, End::kUncaughtException};
    for (End end : ends) {
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(ready[0]);
            static ProbeDIB* dib = new ProbeDIB;  // never released
            if (dib->CreateDIB(kW, kH, 24) != 1 || dib->Mapped() != 1) _exit(3);
            dib->GetDIBRow(kH - 1)[0] = 1;
            const char byte = 1;
            if (write(ready[1], &byte, 1) != 1) _exit(4);
            if (end == End::kExit) std::exit(0);
            if (end == End::kUncaughtException) std::terminate();  // what an uncaught exception does
            for (;;) pause();
        }
        close(ready[1]);
        char byte = 0;
        ASSERT_EQ(read(ready[0], &byte, 1), 1) << "the child made no page-file image";
        close(ready[0]);
        if (end == End::kKill) kill(child, SIGKILL);
        if (end == End::kInterrupt) kill(child, SIGINT);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(m_dir.List().empty()) << "end " << static_cast<int>(end);
    }
}

}  // namespace
