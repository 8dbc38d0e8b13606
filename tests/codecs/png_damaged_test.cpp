// Damaged and hostile PNG files: every one fails cleanly and leaves nothing
// behind; claims a file cannot hold reserve no storage.
#include <dirent.h>
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;

// Damaged only in the zlib stream's checksum, which the reader does not
// check (the chunk CRCs cover the same bytes).
const char kOnlyAdlerDamaged[] = "libpng_crashers_badadler.png";

std::vector<std::string> DamagedFiles() {
    std::vector<std::string> names;
    if (DIR* d = opendir(vtest::DataPath("damaged/png").c_str())) {
        while (dirent* e = readdir(d))
            if (std::string(e->d_name).size() > 4 && std::string(e->d_name) != kOnlyAdlerDamaged)
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

class DamagedPng : public ::testing::TestWithParam<std::string> {};

// libpng's errors leave the document's generic text.
TEST_P(DamagedPng, FailsCleanlyAndLeavesNoPageFile) {
    vtest::PageFileMode mode;
    vtest::RecordingMessageBoxes boxes;
    {
        CNewDIB dib(3, 3, 24);
        EXPECT_EQ(dib.ReadFile(vtest::DataPath("damaged/png/" + GetParam()).c_str(), -1), 0);
        EXPECT_TRUE(dib.GetLastErrorText() == text::kReadDataFailed || dib.GetLastErrorText() == text::kNoGrayPng);
    }
    EXPECT_EQ(mode.PageFiles(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Every, DamagedPng, ::testing::ValuesIn(DamagedFiles()));

TEST(DamagedPng, AWrongAdlerChecksumAloneReads) {
    CNewDIB dib;
    EXPECT_EQ(dib.ReadFile(vtest::DataPath(std::string("damaged/png/") + kOnlyAdlerDamaged).c_str(), -1), 1);
    EXPECT_EQ(dib.GetBitCount(), 1);
}

TEST(DamagedPng, SizesTheFileCannotHoldAreRefusedBeforeStorage) {
    // 2^31-1 x 32 and 100000 x 100000 in files of 1286 bytes.
    for (const char* name : {"basn3p08__huge_width_crc_ok.png", "basn3p08__huge_both_crc_ok.png"}) {
        vtest::RecordingMessageBoxes boxes;
        CNewDIB dib(3, 3, 24);
        EXPECT_EQ(dib.ReadFile(vtest::DataPath(std::string("damaged/png/") + name).c_str(), -1), 0);
        EXPECT_EQ(dib.GetLastErrorText(), text::kReadDataFailed);
        EXPECT_EQ(dib.GetWidth(), 3) << "the document keeps its image";
        EXPECT_TRUE(boxes.boxes.empty()) << "no memory warning for a damaged file";
    }
}

}  // namespace
