// Every damaged file of the test data through every reader (its own, and
// the other five under a misnamed copy), with images in memory and in page
// files: each read fails with a text or succeeds, and afterwards the
// process holds no more descriptors or mappings than before, the virtual
// directory is as it was, and the document is as it was or released.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "environment/texts.h"
#include "tests/hygiene/format_table.h"

namespace {

std::vector<std::string> DamagedFiles() {
    std::vector<std::string> files;
    const std::string root = vtest::DataPath("damaged");
    if (DIR* formats = opendir(root.c_str())) {
        while (dirent* f = readdir(formats)) {
            if (f->d_name[0] == '.') continue;
            const std::string folder = root + "/" + f->d_name;
            if (DIR* d = opendir(folder.c_str())) {
                while (dirent* e = readdir(d))
                    if (e->d_name[0] != '.') files.push_back(folder + "/" + e->d_name);
                closedir(d);
            }
        }
        closedir(formats);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Stem(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return name.substr(0, name.rfind('.'));
}

// Reads `path` into a document holding an image of its own and checks what
// the read left. `check` false: only the read (a first pass, so lazily made
// library state does not count as a leak).
void ReadAndCheck(const std::string& path, const std::string& pages, bool check) {
    SCOPED_TRACE(path);
    vtest::RecordingMessageBoxes boxes;
    vtest::HeldDocument held;
    const std::vector<std::string> listing = vtest::TempDirListing(pages);
    const auto before = vtest::ProcessResources::Now();
    const int ok = held.dib().ReadFile(path.c_str(), -1);
    if (ok) held.dib().ReleaseDIB();
    if (!check) return;
    if (!ok) {
        EXPECT_FALSE(held.dib().GetLastErrorText().IsEmpty());
        // The boxes of the BMP reader (a cut colour table) and of the PNG
        // reader (no palette) leave the image they made.
        const bool keepsNewImage =
            !boxes.boxes.empty() &&
            (boxes.boxes[0].text == velmora::text::kWrongData || boxes.boxes[0].text == velmora::text::kNoGrayPng);
        EXPECT_TRUE(keepsNewImage || held.UnchangedOrReleased());
    }
    EXPECT_EQ(vtest::TempDirListing(pages), listing);
    EXPECT_TRUE(vtest::LeftNothing(before));
}

void WalkDamagedFiles(uint64_t totalMemory) {
    vtest::TempDir copies, pages;
    vtest::ScopedSettings settings;
    vtest::ScopedMemoryFigures memory(totalMemory, totalMemory);
    SetVirtualDirectory(pages.dir().c_str());
    SetImageUseMemSize(1);
    const std::vector<std::string> damaged = DamagedFiles();
    ASSERT_GE(damaged.size(), 100u);
    std::vector<std::string> named;
    for (const std::string& file : damaged)
        for (const vtest::Format& f : vtest::AllFormats()) {
            named.push_back(copies.file(Stem(file) + "." + f.ext));
            vtest::WriteAll(named.back(), vtest::ReadAll(file));
        }
    for (bool check : {false, true})
        for (const std::string& path : named) ReadAndCheck(path, pages.path(), check);
}

TEST(DamagedFiles, EveryReaderLeavesNothingBehindWithImagesInMemory) { WalkDamagedFiles(64ull << 30); }

// 32 KiB of memory: every image above 1 KiB goes to a page file.
TEST(DamagedFiles, EveryReaderLeavesNothingBehindWithImagesInPageFiles) { WalkDamagedFiles(32 << 10); }

}  // namespace
