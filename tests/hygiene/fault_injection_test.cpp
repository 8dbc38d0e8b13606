// Faults from outside, through every built reader and writer: a full or
// unwritable file system for page files, a virtual directory that vanished,
// views that cannot be mapped, a disk that fills halfway through a save and
// a file cut short while it is read. Each fails with its text (or, for a cut
// file, may read what was there), leaves the user's file as it was, and
// leaves no page file, temporary, descriptor or mapping behind.
#include <gtest/gtest.h>
#include <unistd.h>

#include "environment/texts.h"
#include "platform/file_mapping.h"
#include "tests/hygiene/format_table.h"
#include "velmora/application.h"
#include "velmora/cfile.h"
#include "velmora/messages.h"

namespace {

namespace text = velmora::text;

// 400 x 300 8-bit: 120,000 bytes, two row windows of a page file here.
constexpr int kWidth = 400, kHeight = 300;

// 1 MiB of substituted memory: every image from 32 KiB on goes to a page
// file (and the PNG reader, which reads into memory only, still finds room).
class FaultTest : public ::testing::Test {
protected:
    FaultTest() : m_memory(1 << 20, 1 << 20) {
        SetVirtualDirectory(m_pages.dir().c_str());
        SetImageUseMemSize(1);
        m_built = vtest::BuiltFormats(m_files, kWidth, kHeight);
    }

    // A read of `path` that must fail with `expected` and leave the page
    // directory `pages` and the process as they were.
    void ExpectReadFails(const std::string& path, const std::string& pages, const char* expected) {
        SCOPED_TRACE(path);
        vtest::HeldDocument held;
        const std::vector<std::string> listing = vtest::TempDirListing(pages);
        const auto before = vtest::ProcessResources::Now();
        EXPECT_EQ(held.dib().ReadFile(path.c_str(), -1), 0);
        EXPECT_EQ(held.dib().GetLastErrorText(), expected);
        EXPECT_TRUE(held.UnchangedOrReleased());
        EXPECT_EQ(vtest::TempDirListing(pages), listing);
        EXPECT_TRUE(vtest::LeftNothing(before));
    }

    void ExpectEveryReadFails(const std::string& pages, const char* expected) {
        ASSERT_FALSE(m_built.empty());
        for (const vtest::BuiltFormat& f : m_built) ExpectReadFails(f.sample, pages, expected);
    }

    vtest::ScopedSettings m_settings;
    vtest::ScopedMemoryFigures m_memory;
    vtest::TempDir m_files, m_pages;
    std::vector<vtest::BuiltFormat> m_built;
};

// Fills the file system of `dir` to the last byte.
void FillUp(const std::string& path) {
    std::vector<char> block(4096, 'x');
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    while (std::fwrite(block.data(), 1, block.size(), f) == block.size() && std::fflush(f) == 0) {
    }
    std::fclose(f);
}

// A picture that compresses badly, so every format writes a file of some size.
void FillNoise(CNewDIB& dib) {
    vtest::FillSample(dib);
    uint32_t state = 12345;
    for (int r = 0; r < dib.GetHeight(); ++r) {
        BYTE* row = dib.GetDIBRow(r);
        for (unsigned long i = 0; i < dib.GetBytesPerLine(); ++i) {
            state = state * 1103515245u + 12345u;
            row[i] = static_cast<BYTE>(state >> 24);
        }
    }
}

TEST_F(FaultTest, APageFileOnAFullFileSystemFailsWithTheBufferText) {
    vtest::ScopedTmpfs disk(256 << 10);
    if (!disk.ok()) GTEST_SKIP() << "no right to mount a tmpfs";
    FillUp(disk.file("filler"));
    SetVirtualDirectory(disk.dir().c_str());
    // Refused by the default limit (nothing free), then, with a limit above
    // the free space, by the reservation itself.
    ExpectEveryReadFails(disk.dir(), text::kCreateBufferFailed);
    SetMaxPageFileBytes(1ul << 40);
    ExpectEveryReadFails(disk.dir(), text::kCreateBufferFailed);
}

// The page file's space is reserved when it is made: a file system that
// fills up afterwards cannot make a write through a view fail (SIGBUS).
TEST_F(FaultTest, APageFileKeepsItsSpaceWhenItsFileSystemFillsUp) {
    vtest::ScopedTmpfs disk(512 << 10);
    if (!disk.ok()) GTEST_SKIP() << "no right to mount a tmpfs";
    SetVirtualDirectory(disk.dir().c_str());
    CNewDIB dib(kWidth, kHeight, 8);
    ASSERT_TRUE(dib.Ready());
    FillUp(disk.file("filler"));
    FillNoise(dib);
    const std::string copy = m_files.file("copy.bmp");
    ASSERT_EQ(dib.SaveFile(copy.c_str(), -1, 0), 1);
    SetImageUseMemSize(~0ul);  // the full disk takes no second page file
    CNewDIB back;
    ASSERT_EQ(back.ReadFile(copy.c_str(), -1), 1);
    for (int r = 0; r < kHeight; r += 37) EXPECT_EQ(std::memcmp(back.GetDIBRow(r), dib.GetDIBRow(r), kWidth), 0);
}

TEST_F(FaultTest, APageFileBeyondTheFileSizeLimitFailsWithTheBufferText) {
    vtest::ScopedFileSizeLimit limit(4096);
    ASSERT_TRUE(limit.ok());
    ExpectEveryReadFails(m_pages.dir(), text::kCreateBufferFailed);
}

TEST_F(FaultTest, AnUnwritableOrVanishedVirtualDirectoryFailsWithTheBufferText) {
    {
        vtest::ScopedTmpfs readOnly(256 << 10, true);
        if (readOnly.ok()) {
            SetVirtualDirectory(readOnly.dir().c_str());
            ExpectEveryReadFails(readOnly.dir(), text::kCreateBufferFailed);
        }
    }
    std::string gone;
    {
        vtest::TempDir dir;
        gone = dir.dir();
    }
    SetVirtualDirectory(gone.c_str());
    ExpectEveryReadFails(m_pages.dir(), text::kCreateBufferFailed);
}

// Views that cannot be mapped, from the first and from the second on.
TEST_F(FaultTest, AViewThatCannotBeMappedFailsTheReadWithTheMapText) {
    for (uint64_t allowed : {0, 1}) {
        velmora::FailFileViewsAfter(allowed);
        ExpectEveryReadFails(m_pages.dir(), text::kMapFailed);
        velmora::ClearFileViewFailure();
    }
}

// A save that fails: 0 with a text, or a file exception passed to the host.
int SaveOrThrow(CNewDIB& dib, const std::string& path) {
    try {
        return dib.SaveFile(path.c_str(), -1, 0);
    } catch (const CFileException&) {
        return -1;
    }
}

// The user's file, and nothing beside it, must be there after a failed save.
void ExpectSaveFailsAndKeepsTheFile(CNewDIB& dib, const vtest::TempDir& dir, const std::string& target) {
    const std::vector<unsigned char> precious = {'k', 'e', 'e', 'p'};
    vtest::WriteAll(target, precious);
    const std::vector<std::string> listing = vtest::TempDirListing(dir.path());
    const auto before = vtest::ProcessResources::Now();
    EXPECT_LE(SaveOrThrow(dib, target), 0);
    EXPECT_FALSE(dib.GetLastErrorText().IsEmpty());
    EXPECT_EQ(vtest::ReadAll(target), precious);
    EXPECT_EQ(vtest::TempDirListing(dir.path()), listing);
    EXPECT_TRUE(vtest::LeftNothing(before));
}

TEST_F(FaultTest, ASaveWhoseViewsCannotBeMappedKeepsTheUsersFile) {
    CNewDIB dib(kWidth, kHeight, 8);
    vtest::FillSample(dib);
    for (const vtest::BuiltFormat& f : m_built) {
        SCOPED_TRACE(f.sample);
        vtest::TempDir out;
        velmora::FailFileViewsAfter(0);
        ExpectSaveFailsAndKeepsTheFile(dib, out, out.file(std::string("user.") + f.format.ext));
        velmora::ClearFileViewFailure();
        EXPECT_EQ(dib.GetLastErrorText(), text::kMapFailed);
    }
}

TEST_F(FaultTest, ASaveWhoseDiskFillsHalfwayKeepsTheUsersFile) {
    for (bool paged : {false, true}) {
        SetImageUseMemSize(paged ? 1 : ~0ul);
        CNewDIB dib(kWidth, kHeight, 8);
        FillNoise(dib);
        for (const vtest::BuiltFormat& f : m_built) {
            SCOPED_TRACE(f.sample + (paged ? " from a page file" : " from memory"));
            vtest::TempDir out;
            const std::string whole = out.file(std::string("whole.") + f.format.ext);
            ASSERT_EQ(dib.SaveFile(whole.c_str(), -1, 0), 1);
            vtest::ScopedFileSizeLimit halfway(vtest::ReadAll(whole).size() / 2);
            ASSERT_TRUE(halfway.ok());
            ExpectSaveFailsAndKeepsTheFile(dib, out, out.file(std::string("user.") + f.format.ext));
        }
    }
}

// Cuts the file to a third of its length at the reader's first progress step.
class TruncatingWindow {
public:
    explicit TruncatingWindow(const std::string& path) {
        m_hWnd = RegisterMainWindow([this, path](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
            if (msg == DIBM_STEPPROGRESS && !m_bCut) {
                m_bCut = true;
                EXPECT_EQ(truncate(path.c_str(), static_cast<off_t>(vtest::ReadAll(path).size() / 3)), 0);
            }
            return 0;
        });
    }
    ~TruncatingWindow() { UnregisterMainWindow(m_hWnd); }

private:
    HWND m_hWnd;
    bool m_bCut = false;
};

TEST_F(FaultTest, AFileCutShortWhileItIsReadFailsOrReadsWithoutACrash) {
    for (bool paged : {false, true}) {
        SetImageUseMemSize(paged ? 1 : ~0ul);
        for (const vtest::BuiltFormat& f : m_built) {
            SCOPED_TRACE(f.sample + (paged ? " into a page file" : " into memory"));
            const std::string victim = m_files.file(std::string("victim.") + f.format.ext);
            vtest::WriteAll(victim, vtest::ReadAll(f.sample));
            const auto before = vtest::ProcessResources::Now();
            {
                vtest::HeldDocument held;
                TruncatingWindow window(victim);
                if (!held.dib().ReadFile(victim.c_str(), -1)) {
                    EXPECT_FALSE(held.dib().GetLastErrorText().IsEmpty());
                    EXPECT_TRUE(held.UnchangedOrReleased());
                }
            }
            EXPECT_TRUE(m_pages.Held().empty());
            EXPECT_TRUE(vtest::LeftNothing(before));
        }
    }
}

}  // namespace
