// Photos through velmora::Image: EXIF Orientation brought upright, colour
// profiles and EXIF kept across formats, damaged blocks ignored, crop,
// resize with alpha, files in memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/metadata/metadata_blocks.h"
#include "support/test_support.h"
#include "velmora/image.hpp"
#include "velmora/image_info.h"

namespace {

using velmora::Error;
using velmora::ErrorCode;
using velmora::Image;
using Bytes = std::vector<unsigned char>;

std::string Photo(const std::string& name) { return vtest::DataPath("photo/" + name); }

std::vector<unsigned char> NaturalOf(const Image& image) {
    std::vector<unsigned char> natural(static_cast<size_t>(image.width()) * image.height() * image.channels());
    image.copy_pixels(0, image.height(), natural.data(), natural.size());
    return natural;
}

// The upright test picture: red, green over blue, white, in 16 x 8 blocks.
void ExpectUprightBlocks(const Image& image, const std::string& what) {
    ASSERT_EQ(image.width(), 32) << what;
    ASSERT_EQ(image.height(), 16) << what;
    const std::vector<unsigned char> rgb = NaturalOf(image);
    const struct {
        int x, y;
        unsigned char r, g, b;
    } blocks[] = {{8, 4, 255, 0, 0}, {24, 4, 0, 255, 0}, {8, 12, 0, 0, 255}, {24, 12, 255, 255, 255}};
    for (const auto& block : blocks) {
        const unsigned char* p = &rgb[(static_cast<size_t>(block.y) * 32 + block.x) * 3];
        EXPECT_NEAR(p[0], block.r, 8) << what << " at " << block.x << "," << block.y;
        EXPECT_NEAR(p[1], block.g, 8) << what << " at " << block.x << "," << block.y;
        EXPECT_NEAR(p[2], block.b, 8) << what << " at " << block.x << "," << block.y;
    }
}

TEST(PhotoOrientation, EveryExifOrientationReadsUprightAndSaysOne) {
    vtest::TempDir dir;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string path = Photo("orient_" + std::to_string(orientation) + ".jpg");
        const Image image = Image::open(path);
        EXPECT_EQ(image.orientation(), orientation);
        ExpectUprightBlocks(image, path);
        EXPECT_EQ(velmora::ExifOrientation(image.exif()), 1) << path;

        DIBFileInfo info;
        ASSERT_EQ(ReadDIBFileInfo(path.c_str(), -1, &info, nullptr), 1);
        EXPECT_EQ(info.orientation, orientation);
        EXPECT_EQ(info.width, 32) << path;

        velmora::OpenOptions asStored;
        asStored.auto_orient = false;
        const Image stored = Image::open(path, asStored);
        EXPECT_EQ(stored.width(), orientation >= 5 ? 16 : 32) << path;
        EXPECT_EQ(velmora::ExifOrientation(stored.exif()), orientation) << path;

        // Saved upright, a file says 1 and is not turned again.
        image.save(dir.file("upright.jpg"));
        const Image again = Image::open(dir.file("upright.jpg"));
        EXPECT_EQ(again.orientation(), 1) << path;
        ExpectUprightBlocks(again, path + " saved");
    }
}

TEST(PhotoMetadata, ProfileAndExifTravelIntoJpegPngAndTiff) {
    vtest::TempDir dir;
    const struct {
        const char* source;
        bool exif;
    } sources[] = {{"orient_6.jpg", true}, {"icc_exif.png", true}, {"icc.tif", false}};
    const struct {
        const char* extension;
        bool icc, exif;
    } outputs[] = {{"jpg", true, true}, {"png", true, true}, {"tif", true, false}, {"bmp", false, false}};
    for (const auto& source : sources) {
        const Image image = Image::open(Photo(source.source));
        ASSERT_FALSE(image.icc_profile().empty()) << source.source;
        ASSERT_EQ(image.exif().empty(), !source.exif) << source.source;
        for (const auto& output : outputs) {
            const std::string what = std::string(source.source) + " to " + output.extension;
            const std::string path = dir.file(std::string("out.") + output.extension);
            image.save(path);
            const Image back = Image::open(path);
            EXPECT_EQ(back.icc_profile(), output.icc ? image.icc_profile() : Bytes()) << what;
            EXPECT_EQ(back.exif(), output.exif && source.exif ? image.exif() : Bytes()) << what;

            Image stripped = image.copy();
            stripped.set_icc_profile({});
            stripped.set_exif({});
            stripped.save(path);
            EXPECT_TRUE(Image::open(path).icc_profile().empty()) << what;
            EXPECT_TRUE(Image::open(path).exif().empty()) << what;
        }
    }
}

// The JPEG file with `marker`'s block changed at `offset` past the marker's
// identifier.
Bytes Patched(const Bytes& file, const char* marker, size_t markerBytes, size_t offset, uint32_t value) {
    Bytes out = file;
    const auto at = std::search(out.begin(), out.end(), marker, marker + markerBytes);
    EXPECT_NE(at, out.end());
    std::memcpy(&*(at + static_cast<std::ptrdiff_t>(markerBytes + offset)), &value, sizeof value);
    return out;
}

TEST(PhotoMetadata, DamagedBlocksAreIgnoredWithANote) {
    const Bytes file = vtest::ReadAll(Photo("orient_6.jpg"));
    const struct {
        const char* name;
        Bytes bytes;
        bool exifKept, iccKept;
    } cases[] = {
        {"first directory past the block", Patched(file, "Exif\0\0", 6, 4, 0x7FFFFFF0u), false, true},
        {"no TIFF header", Patched(file, "Exif\0\0", 6, 0, 0x12345678u), false, true},
        {"profile without its signature", Patched(file, "ICC_PROFILE\0", 12, 2 + 36, 0x78787878u), true, false},
        {"profile claiming more than it holds", Patched(file, "ICC_PROFILE\0", 12, 2, 0x00FFFFFFu), true, false},
    };
    for (const auto& c : cases) {
        const Image image = Image::open_memory(c.bytes.data(), c.bytes.size());
        EXPECT_FALSE(image.warning().empty()) << c.name;
        EXPECT_EQ(!image.exif().empty(), c.exifKept) << c.name;
        EXPECT_EQ(!image.icc_profile().empty(), c.iccKept) << c.name;
        // A damaged EXIF block turns nothing.
        EXPECT_EQ(image.width(), c.exifKept ? 32 : 16) << c.name;
    }
    EXPECT_TRUE(Image::open_memory(file.data(), file.size()).warning().empty());
}

TEST(PhotoEdit, CropTakesTheBlockAtEveryDepth) {
    for (int bits : {1, 4, 8, 24, 32}) {
        const int channels = bits <= 8 ? 1 : bits / 8, width = 21, height = 9;
        std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * channels);
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>((i * 7 + 1) % (bits < 8 ? 1 << bits : 256));
        const Image image = Image::from_pixels(width, height, bits, pixels.data(), static_cast<size_t>(width) * channels);
        const Image block = image.crop(3, 2, 13, 5);
        ASSERT_EQ(block.bit_count(), bits);
        ASSERT_EQ(block.width(), 13);
        const std::vector<unsigned char> whole = NaturalOf(image), got = NaturalOf(block);
        const int c = image.channels();
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13 * c; ++x)
                ASSERT_EQ(got[static_cast<size_t>(y) * 13 * c + x], whole[static_cast<size_t>(y + 2) * width * c + 3 * c + x])
                    << bits << "-bit at " << x << "," << y;
    }
}

TEST(PhotoEdit, BlocksAndSizesOutsideTheImageAreRefused) {
    const std::vector<unsigned char> pixels(10 * 10 * 3, 128);
    const Image image = Image::from_pixels(10, 10, 24, pixels.data(), 30);
    const struct {
        int x, y, width, height;
    } crops[] = {{-1, 0, 5, 5}, {0, -1, 5, 5}, {6, 0, 5, 5}, {0, 6, 5, 5}, {0, 0, 0, 5}, {0, 0, 5, -2}, {0, 0, 11, 1}};
    for (const auto& c : crops) {
        try {
            image.crop(c.x, c.y, c.width, c.height);
            ADD_FAILURE() << c.x << "," << c.y << " " << c.width << "x" << c.height;
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::invalid_argument);
        }
    }
    for (const auto& size : {std::pair{0, 5}, std::pair{5, 0}, std::pair{-3, 4}}) {
        try {
            image.resize(size.first, size.second);
            ADD_FAILURE() << size.first << "x" << size.second;
        } catch (const Error& e) {
            EXPECT_EQ(e.code(), ErrorCode::invalid_argument);
        }
    }
}

// Opaque red on the left, fully transparent green on the right: reduced,
// the alpha stays and no green bleeds into the visible colours.
TEST(PhotoEdit, ResizeKeepsAlphaAndWeighsColoursByIt) {
    const int width = 64, height = 32;
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &rgba[(static_cast<size_t>(y) * width + x) * 4];
            const bool left = x < width / 2;
            p[0] = left ? 255 : 0, p[1] = left ? 0 : 255, p[2] = 0, p[3] = left ? 255 : 0;
        }
    const Image image = Image::from_pixels(width, height, 32, rgba.data(), static_cast<size_t>(width) * 4);
    for (const Image& small : {image.resize(16, 8), image.thumbnail(16, 16)}) {
        ASSERT_EQ(small.bit_count(), 32);
        ASSERT_EQ(small.width(), 16);
        const std::vector<unsigned char> out = NaturalOf(small);
        for (int x = 0; x < 16; ++x) {
            const unsigned char* p = &out[(4 * 16 + x) * 4];
            if (p[3] > 0) {
                EXPECT_TRUE(p[0] >= 250 && p[1] <= 5) << "x " << x << " " << int(p[0]) << "," << int(p[1]);
            }
            EXPECT_TRUE(x > 5 || p[3] >= 250) << x;
            EXPECT_TRUE(x < 10 || p[3] <= 5) << x;
        }
    }
}

TEST(PhotoMemory, FilesRoundTripThroughMemory) {
    const Image image = Image::open(Photo("icc_exif.png"));
    velmora::SaveOptions png;
    png.format = "png";
    const std::vector<std::uint8_t> bytes = image.save_memory(png);
    const Image back = Image::open_memory(bytes.data(), bytes.size());
    EXPECT_EQ(NaturalOf(back), NaturalOf(image));
    EXPECT_EQ(back.icc_profile(), image.icc_profile());
    try {
        image.save_memory(velmora::SaveOptions());
        ADD_FAILURE() << "saved to memory without a format";
    } catch (const Error& e) {
        EXPECT_EQ(e.code(), ErrorCode::invalid_argument);
    }
    const char junk[] = "not an image at all";
    EXPECT_THROW(Image::open_memory(junk, sizeof junk), Error);
}

}  // namespace
