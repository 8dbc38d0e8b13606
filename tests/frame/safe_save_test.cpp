// Saving through a temporary beside the target.
#include "frame/safe_save.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <stdexcept>

#include "platform/file_mapping.h"
#include "support/test_support.h"

namespace {

using velmora::SafeSave;

std::string Text(const std::string& path) {
    const std::vector<unsigned char> bytes = vtest::ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteText(const std::string& path, const std::string& text) {
    vtest::WriteAll(path, std::vector<unsigned char>(text.begin(), text.end()));
}

bool SameFileSystem(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev;
}

// The names made in `dir` while `run` runs.
std::vector<std::string> NamesMadeDuring(const std::string& dir, const std::function<void()>& run) {
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(inotify_add_watch(watch, dir.c_str(), IN_CREATE | IN_MOVED_TO), 0);
    run();
    std::vector<std::string> names;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = read(watch, buffer, sizeof buffer)) > 0;)
        for (const char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len) names.push_back(event->name);
            p += sizeof(inotify_event) + event->len;
        }
    close(watch);
    return names;
}

// A directory holding one earlier file, image.bmp, with "old" in it.
class SafeSaveOverOldFile : public ::testing::Test {
protected:
    void SetUp() override { WriteText(target, "old"); }
    vtest::TempDir dir;
    std::string target = dir.file("image.bmp");
};

TEST_F(SafeSaveOverOldFile, CommitReplacesTheTargetAndLeavesNothingElse) {
    {
        SafeSave save(target.c_str()), second(target.c_str());
        ASSERT_TRUE(save.Create() && second.Create());
        const std::string temp = save.TempPath();
        EXPECT_NE(temp, second.TempPath());                                   // each save its own
        EXPECT_TRUE(SameFileSystem(temp, dir.path()));                        // beside the target
        EXPECT_EQ(Text(target), "old");                                       // untouched while the save runs
        WriteText(temp, "new");
        ASSERT_TRUE(save.Commit());
    }
    EXPECT_EQ(Text(target), "new");
    EXPECT_EQ(dir.List(), std::vector<std::string>{"image.bmp"});
}

TEST_F(SafeSaveOverOldFile, AnUnfinishedOrThrownSaveLeavesTheTargetAndNoTemporary) {
    for (bool thrown : {false, true}) {
        try {
            SafeSave save(target.c_str());
            ASSERT_TRUE(save.Create());
            WriteText(save.TempPath(), "partial");
            if (thrown) throw std::runtime_error("write failed");
        } catch (const std::runtime_error&) {
        }
        EXPECT_EQ(Text(target), "old");
        EXPECT_EQ(dir.List().size(), 1u);
    }
}

TEST_F(SafeSaveOverOldFile, AReplacedFileKeepsItsPermissionsAndALinkKeepsPointing) {
    const std::string link = dir.file("link.bmp");
    chmod(target.c_str(), 0640);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    {
        SafeSave save(link.c_str());
        ASSERT_TRUE(save.Create());
        WriteText(save.TempPath(), "new");
        ASSERT_TRUE(save.Commit());
    }
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Text(target), "new");
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

// A save's temporary and a page file have no name while they are written, so
// a process killed then leaves nothing behind.
TEST(NamelessFiles, NothingIsNamedWhileASaveOrAPageFileIsWritten) {
    vtest::TempDir dir;
    const std::string target = dir.file("image.bmp"), page = dir.file("Page1.dat");
    const struct {
        const char* name;
        std::function<void()> run;
    } cases[] = {{"save temporary",
                  [&] {
                      SafeSave save(target.c_str());
                      ASSERT_TRUE(save.Create());
                      WriteText(save.TempPath(), "partial");
                  }},
                 {"page file", [&] {
                      velmora::FileMapping mapping;
                      ASSERT_TRUE(velmora::CreatePageFileMapping(page.c_str(), 1 << 16, &mapping));
                      velmora::CloseFileMapping(&mapping);
                  }}};
    for (const auto& c : cases) {
        EXPECT_EQ(NamesMadeDuring(dir.path(), c.run), std::vector<std::string>()) << c.name;
        EXPECT_TRUE(dir.List().empty()) << c.name;
    }
}

TEST(SafeSave, FailsWhenTheDirectoryIsMissingOrTheTargetIsEmpty) {
    vtest::TempDir dir;
    SafeSave missing(dir.file("no/such/dir/a.bmp").c_str()), empty("");
    EXPECT_FALSE(missing.Create());
    EXPECT_FALSE(empty.Create());
    EXPECT_FALSE(empty.Commit());
}

}  // namespace
