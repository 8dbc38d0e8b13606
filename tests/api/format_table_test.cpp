// The facade reads the one format table: every row's names save and its
// signature opens whatever the file is called; paths that are no image file
// and images a format cannot hold fail with the code that says so.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <future>
#include <vector>

#include "support/test_support.h"
#include "velmora/formats.h"
#include "velmora/image.hpp"

namespace {

using velmora::ErrorCode;
using velmora::Image;

Image Sample(int bits) {
    const int channels = bits <= 8 ? 1 : bits / 8;
    std::vector<unsigned char> pixels(6 * 5 * channels, 0x60);
    return Image::from_pixels(6, 5, bits, pixels.data(), 6 * static_cast<size_t>(channels));
}

TEST(FormatTable, FacadeListsTheRowsAndEachNameSavesWhatItsSignatureOpens) {
    const std::vector<velmora::FormatInfo> listed = velmora::formats();
    ASSERT_EQ(static_cast<int>(listed.size()), velmora::FileFormatCount());
    vtest::TempDir dir;
    const Image image = Sample(8);
    for (int code = 0; code < velmora::FileFormatCount(); ++code) {
        const velmora::FileFormat& row = velmora::FileFormats()[code];
        EXPECT_EQ(listed[code].name, row.name);
        for (int bits = 1; bits <= 32; ++bits)
            EXPECT_EQ(std::count(listed[code].save_depths.begin(), listed[code].save_depths.end(), bits) == 1,
                      velmora::HoldsDepth(row.saves, bits)) << row.name << " " << bits;
        for (const std::string& extension : listed[code].extensions) {
            EXPECT_EQ(velmora::FormatOfName(extension.c_str()), code) << extension;
            const std::string saved = dir.file("x." + extension), renamed = dir.file(extension + ".data");
            image.save(saved);
            ASSERT_EQ(std::rename(saved.c_str(), renamed.c_str()), 0);
            int err = 0;
            EXPECT_EQ(velmora::FormatOfContent(renamed.c_str(), &err), code) << extension;
            EXPECT_EQ(Image::open(renamed).width(), 6) << extension;
        }
    }
}

// What to open, and the code it must fail with (or none: it opens).
struct OpenCase {
    const char* what;
    std::string (*make)(const vtest::TempDir& dir);
    bool opens;
    ErrorCode code;
};

TEST(FormatTable, OpenKnowsBigTiffByContentAndRefusesWhatIsNoFileWithoutWaiting) {
    const OpenCase cases[] = {
        {"BigTIFF named .btf",
         [](const vtest::TempDir& d) {
             vtest::WriteAll(d.file("a.btf"), vtest::ReadAll(vtest::DataPath("tif/pil_hopper_bigtiff.tif")));
             return d.file("a.btf");
         },
         true, ErrorCode::bad_data},
        {"folder", [](const vtest::TempDir& d) { return d.path(); }, false, ErrorCode::open_failed},
        {"FIFO",
         [](const vtest::TempDir& d) {
             mkfifo(d.file("pipe.png").c_str(), 0600);
             return d.file("pipe.png");
         },
         false, ErrorCode::open_failed},
        {"missing", [](const vtest::TempDir& d) { return d.file("none.png"); }, false, ErrorCode::file_not_found},
    };
    for (const OpenCase& c : cases) {
        vtest::TempDir dir;
        const std::string path = c.make(dir);
        auto opened = std::async(std::launch::async, [&] {
            try {
                return Image::open(path).width() > 0 ? -1 : -2;
            } catch (const velmora::Error& e) {
                return static_cast<int>(e.code());
            }
        });
        if (opened.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            close(open(path.c_str(), O_WRONLY | O_NONBLOCK));  // lets a waiting open go
            FAIL() << c.what << ": open waited";
        }
        EXPECT_EQ(opened.get(), c.opens ? -1 : static_cast<int>(c.code)) << c.what;
    }
}

TEST(FormatTable, AnImageTheFormatCannotHoldIsUnsupportedNamingTheFormat) {
    vtest::TempDir dir;
    const std::pair<const char*, const char*> cases[] = {{"x.jpg", "JPEG"}, {"x.pcx", "PCX"}, {"x.gif", "GIF"}};
    for (const auto& [name, format] : cases) {
        try {
            Sample(32).save(dir.file(name));
            ADD_FAILURE() << name << " saved";
        } catch (const velmora::Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::unsupported) << name;
            EXPECT_NE(std::string(e.what()).find(std::string(format) + " cannot hold a 32-bit image"),
                      std::string::npos) << e.what();
        }
        EXPECT_FALSE(vtest::FileExists(dir.file(name))) << name;
    }
}

}  // namespace
