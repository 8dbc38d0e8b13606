// Header-only reads against full reads: every test file of every format
// (damaged ones too) gives the figures ReadFile gives, or the same failure.
#include <dirent.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/image_fixture.h"
#include "velmora/cfile.h"
#include "velmora/image_info.h"
#include "velmora/system.h"
#include "velmora/newdib.h"

namespace {

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> out;
    if (DIR* d = opendir(vtest::DataPath(folder).c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name.size() > 4 && name.find(".ref.") == std::string::npos && name[0] != '.')
                out.push_back(vtest::DataPath(folder + "/" + name));
        }
        closedir(d);
    }
    return out;
}

// Each format's folder of readable files and of damaged ones.
const char* const kFolders[] = {"bmp", "tif", "pcx", "gif", "jpg", "png", "geotiff",
                                "damaged/bmp", "damaged/tif", "damaged/pcx", "damaged/gif", "damaged/jpg",
                                "damaged/png", "damaged/geotiff"};

TEST(ImageInfo, HeadersGiveWhatAFullReadGivesForEveryFile) {
    int compared[DIBTYPE_NONE] = {};
    for (const char* folder : kFolders) {
        for (const std::string& path : FilesIn(folder)) {
            CNewDIB full;
            int read = 0;
            try {
                read = full.ReadFile(path.c_str(), -1);
            } catch (const CFileException&) {
                continue;  // the file's operation lets file exceptions through
            }
            DIBFileInfo info;
            CString failure;
            const int headers = ReadDIBFileInfo(path.c_str(), -1, &info, &failure);
            if (!read && !headers) {
                EXPECT_EQ(failure, full.GetLastErrorText()) << path;
                continue;
            }
            if (!read) continue;  // damaged past the headers
            ASSERT_EQ(headers, 1) << path << ": " << failure.c_str();
            EXPECT_EQ(info.format, full.GetFileFormat()) << path;
            EXPECT_EQ(info.width, full.GetWidth()) << path;
            EXPECT_EQ(info.height, full.GetHeight()) << path;
            EXPECT_EQ(info.bitCount, full.GetBitCount()) << path;
            EXPECT_EQ(info.colors, full.GetColorNumber()) << path;
            EXPECT_EQ(info.bytesPerLine, full.GetBytesPerLine()) << path;
            EXPECT_EQ(info.pageFile, full.IsMapped()) << path;
            ++compared[info.format];
        }
    }
    for (int format = DIBTYPE_BMP; format < DIBTYPE_NONE; ++format) EXPECT_GT(compared[format], 0) << format;
}

// An image that would go to a page file is described without one being made.
TEST(ImageInfo, NothingTheImagesSizeIsMade) {
    vtest::PageFileMode pages(64 * vtest::kMiB);
    vtest::TempDir dir;
    const std::string path = dir.file("big.bmp");
    CNewDIB big(2000, 1000, 24);  // 6 MB, a page file here
    ASSERT_EQ(big.IsMapped(), 1);
    vtest::FillPattern(big);
    ASSERT_EQ(big.SaveFile(path.c_str(), -1, 0), 1);
    big.ReleaseDIB();
    DIBFileInfo info;
    ASSERT_EQ(ReadDIBFileInfo(path.c_str(), -1, &info, nullptr), 1);
    EXPECT_EQ(info.pageFile, 1);
    EXPECT_EQ(pages.PageFiles(), 0u);
    EXPECT_EQ(info.width, 2000);

    ASSERT_EQ(ReadDIBFileInfo(vtest::DataPath("geotiff/gdal_utm33n_grey.tif").c_str(), -1, &info, nullptr), 1);
    EXPECT_GT(info.geoKeys, 0);
    EXPECT_EQ(info.geoModel, 1);
    CString failure;
    EXPECT_EQ(ReadDIBFileInfo(dir.file("none.bmp").c_str(), -1, &info, &failure), 0);
    EXPECT_FALSE(failure.IsEmpty());
    EXPECT_NE(GetLastSystemError(), 0);
}

}  // namespace
