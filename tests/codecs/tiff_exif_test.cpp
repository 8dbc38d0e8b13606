// A TIFF's Exif directory: kept by reads and written again by saves in
// every layout (BigTIFF, compressed, page files), and damaged directories
// dropped with a note, never a crash.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "codecs/metadata/exif_ifd.h"
#include "codecs/tiff_files.h"
#include "velmora/save_options.h"

namespace {

using velmora::Bytes;
using velmora::ExifEntries;

const std::string kSource = vtest::DataPath("photo/exif_6.tif");

// Same tags, texts and numbers; libtiff keeps some rationals as floats.
void ExpectSameEntries(const ExifEntries& got, const ExifEntries& want, const std::string& what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        ASSERT_EQ(got[i].tag, want[i].tag) << what;
        ASSERT_EQ(got[i].count, want[i].count) << what << " tag " << want[i].tag;
        if (want[i].type == TIFF_ASCII) {
            EXPECT_EQ(velmora::ExifText(got[i]), velmora::ExifText(want[i])) << what;
        }
        for (uint32_t k = 0; k < want[i].count && want[i].type != TIFF_ASCII; ++k) {
            const double w = velmora::ExifNumber(want[i], k);
            EXPECT_NEAR(velmora::ExifNumber(got[i], k), w, 1e-6 * std::max(1.0, std::fabs(w)))
                << what << " tag " << want[i].tag;
        }
    }
}

TEST(TiffExif, TravelsThroughEverySaveLayout) {
    const struct {
        const char* name;
        int compression, bigTiff;
        bool pageFile;
    } layouts[] = {
        {"one strip", TIFFSAVE_NONE, BIGTIFF_AUTO, false},
        {"BigTIFF", TIFFSAVE_NONE, BIGTIFF_FORCED, false},
        {"JPEG strips", TIFFSAVE_JPEG, BIGTIFF_AUTO, false},
        {"LZW BigTIFF in a page file", TIFFSAVE_LZW, BIGTIFF_FORCED, true},
    };
    CNewDIB source;
    ASSERT_EQ(source.ReadFile(kSource.c_str(), -1), 1);
    ExifEntries ifd0, exif;
    ASSERT_TRUE(velmora::ReadExifBlock(source.GetMetadata().exif, &ifd0, &exif));
    ASSERT_EQ(exif.size(), 15u);
    vtest::TempDir dir;
    for (const auto& layout : layouts) {
        std::unique_ptr<vtest::PageFileMode> pages(layout.pageFile ? new vtest::PageFileMode : nullptr);
        CNewDIB image(layout.pageFile ? 1001 : 32, layout.pageFile ? 1100 : 16, 24);
        ASSERT_EQ(image.IsMapped() != 0, layout.pageFile) << layout.name;
        ASSERT_TRUE(vtest::FillPattern(image, 24));
        image.SetMetadata(source.GetMetadata());
        DIBSaveOptions options;
        options.tiffCompression = layout.compression;
        options.bigTiff = layout.bigTiff;
        const std::string path = dir.file("out.tif");
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0, options), 1) << layout.name;

        CNewDIB back;
        ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1) << layout.name;
        EXPECT_TRUE(back.GetLastWarningText().IsEmpty()) << layout.name;
        ExifEntries backIfd0, backExif;
        ASSERT_TRUE(velmora::ReadExifBlock(back.GetMetadata().exif, &backIfd0, &backExif)) << layout.name;
        ExpectSameEntries(backIfd0, ifd0, layout.name);  // Make, Model, Orientation 1, DateTime
        ExpectSameEntries(backExif, exif, layout.name);
        TIFF* tif = TIFFOpen(path.c_str(), "r");
        ASSERT_TRUE(tif);
        EXPECT_EQ(TIFFIsBigTIFF(tif) != 0, layout.bigTiff == BIGTIFF_FORCED) << layout.name;
        TIFFClose(tif);
    }
}

// Where entry `index` of the Exif directory of the little-endian source stands.
size_t ExifEntryAt(const Bytes& file, size_t index) {
    auto u16 = [&](size_t at) { return static_cast<size_t>(file[at] | file[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    const size_t ifd0 = u32(4);
    for (size_t e = ifd0 + 2; e < ifd0 + 2 + 12 * u16(ifd0); e += 12)
        if (u16(e) == velmora::kExifIfdTag) return u32(e + 8) + 2 + 12 * index;
    ADD_FAILURE() << "no Exif directory";
    return 0;
}

Bytes With(Bytes file, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<unsigned char>(value >> (8 * i));
    return file;
}

Bytes PointedTo(Bytes file, uint32_t exifDirectory) {
    EXPECT_TRUE(vtest::PatchTag(file, velmora::kExifIfdTag, exifDirectory));
    return file;
}

TEST(TiffExif, DamagedDirectoriesAreDroppedWithANote) {
    const Bytes file = vtest::ReadAll(kSource);
    const size_t first = ExifEntryAt(file, 0);
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"directory past the end", PointedTo(file, 0x7FFFFFF0u)},
        {"entry count past the end", With(file, first - 2, 0xFFFF)},
        {"value count beyond any EXIF", With(file, first + 4, 0x7FFFFFFF)},
        {"value offset past the end", With(file, first + 8, 0xFFFFFFF0u)},
    };
    vtest::TempDir dir;
    for (const auto& c : cases) {
        const std::string path = dir.file("damaged.tif");
        vtest::WriteAll(path, c.bytes);
        CNewDIB image;
        ASSERT_EQ(image.ReadFile(path.c_str(), -1), 1) << c.name;
        EXPECT_FALSE(image.GetLastWarningText().IsEmpty()) << c.name;
        EXPECT_TRUE(image.GetMetadata().exif.empty()) << c.name;
        EXPECT_EQ(image.GetWidth(), 32) << c.name;  // still turned upright by the image's own tag
    }
}

// Cut anywhere, or with any byte of its Exif directory's table spoilt, a
// file reads or fails cleanly.
TEST(TiffExif, SpoiltFilesNeverCrash) {
    const Bytes file = vtest::ReadAll(kSource);
    std::vector<Bytes> variants;
    for (size_t size = 8; size < file.size(); size += 61)
        variants.emplace_back(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
    const size_t table = ExifEntryAt(file, 0) - 2, entries = file[table] | file[table + 1] << 8;
    for (size_t at = table; at < table + 2 + 12 * entries; ++at) {
        variants.push_back(file);
        variants.back()[at] ^= 0xFF;
    }
    vtest::TempDir dir;
    for (const Bytes& variant : variants) {
        const std::string path = dir.file("spoilt.tif");
        vtest::WriteAll(path, variant);
        CNewDIB image;
        if (image.ReadFile(path.c_str(), -1)) {
            EXPECT_EQ(image.GetWidth() * image.GetHeight(), 32 * 16);
        }
    }
}

}  // namespace
