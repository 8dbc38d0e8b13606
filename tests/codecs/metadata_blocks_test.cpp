// EXIF blocks: Orientation found and rewritten in either byte order, and
// every malformed block refused without reading past its end.
#include <gtest/gtest.h>

#include "codecs/metadata/exif_ifd.h"
#include "codecs/metadata/metadata_blocks.h"

namespace {

using velmora::Bytes;

// A block with one IFD0 entry: tag, type, count and a short value.
Bytes Block(bool little, unsigned tag, unsigned type, unsigned value) {
    auto u16 = [&](unsigned v) { return little ? Bytes{Bytes::value_type(v), Bytes::value_type(v >> 8)} : Bytes{Bytes::value_type(v >> 8), Bytes::value_type(v)}; };
    Bytes b = little ? Bytes{'I', 'I'} : Bytes{'M', 'M'};
    for (const Bytes& part : {u16(42), little ? Bytes{8, 0, 0, 0} : Bytes{0, 0, 0, 8}, u16(1), u16(tag), u16(type),
                              little ? Bytes{1, 0, 0, 0} : Bytes{0, 0, 0, 1}, u16(value), Bytes{0, 0}, Bytes{0, 0, 0, 0}})
        b.insert(b.end(), part.begin(), part.end());
    return b;
}

Bytes Cut(Bytes block, size_t size) {
    block.resize(size);
    return block;
}

TEST(ExifBlock, OrientationReadAndRewritten) {
    const struct {
        const char* name;
        Bytes block;
        bool wellFormed;
        int orientation;
    } cases[] = {
        {"little-endian 6", Block(true, 0x112, 3, 6), true, 6},
        {"big-endian 3", Block(false, 0x112, 3, 3), true, 3},
        {"another tag", Block(true, 0x10F, 3, 6), true, 1},
        {"not a short", Block(true, 0x112, 4, 6), true, 1},
        {"value past 8", Block(true, 0x112, 3, 9), true, 1},
        {"cut inside the header", Bytes{'I', 'I', 42, 0, 8, 0}, false, 1},
        {"cut inside the entries", Cut(Block(true, 0x112, 3, 6), 16), false, 1},
        {"directory past the end", Bytes{'M', 'M', 0, 42, 0xFF, 0xFF, 0xFF, 0xF0, 0, 0}, false, 1},
        {"no byte order", Bytes{'X', 'X', 42, 0, 8, 0, 0, 0, 0, 0}, false, 1},
        {"empty", Bytes(), false, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(velmora::ExifWellFormed(c.block), c.wellFormed) << c.name;
        EXPECT_EQ(velmora::ExifOrientation(c.block), c.orientation) << c.name;
        Bytes changed = c.block;
        const bool had = c.orientation != 1 || c.name == std::string("value past 8");
        EXPECT_EQ(velmora::SetExifOrientation(&changed, 1), had) << c.name;
        EXPECT_EQ(velmora::ExifOrientation(changed), 1) << c.name;
        EXPECT_EQ(changed.size(), c.block.size()) << c.name;
    }
}

// A big-endian block with an Exif directory: a rational, a signed rational,
// a short and a text, their values outside the entries where they are long.
Bytes BigEndianBlockWithExifDirectory() {
    return Bytes{'M', 'M', 0, 42, 0, 0, 0, 8,
                 0, 1, 0x87, 0x69, 0, 4, 0, 0, 0, 1, 0, 0, 0, 26, 0, 0, 0, 0,  // IFD0: Exif pointer
                 0, 4,                                                          // Exif directory at 26
                 0x82, 0x9A, 0, 5, 0, 0, 0, 1, 0, 0, 0, 80,                     // ExposureTime 1/125
                 0x88, 0x27, 0, 3, 0, 0, 0, 1, 0, 200, 0, 0,                    // ISO 200
                 0x92, 0x04, 0, 10, 0, 0, 0, 1, 0, 0, 0, 88,                    // ExposureBias -1/3
                 0xA4, 0x34, 0, 2, 0, 0, 0, 6, 0, 0, 0, 96,                     // LensModel "Lens1"
                 0, 0, 0, 0,
                 0, 0, 0, 1, 0, 0, 0, 125, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 3, 'L', 'e', 'n', 's', '1', 0};
}

TEST(ExifBlock, DirectoriesReadInEitherOrderAndMadeAgain) {
    velmora::ExifEntries ifd0, exif;
    ASSERT_TRUE(velmora::ReadExifBlock(BigEndianBlockWithExifDirectory(), &ifd0, &exif));
    EXPECT_TRUE(ifd0.empty());  // the pointer is the block's own business
    const Bytes little = velmora::MakeExifBlock(ifd0, exif);
    velmora::ExifEntries again0, again;
    ASSERT_TRUE(velmora::ReadExifBlock(little, &again0, &again));
    for (const velmora::ExifEntries& entries : {exif, again}) {
        ASSERT_EQ(entries.size(), 4u);
        EXPECT_DOUBLE_EQ(velmora::ExifNumber(entries[0], 0), 1.0 / 125);
        EXPECT_DOUBLE_EQ(velmora::ExifNumber(entries[1], 0), 200);
        EXPECT_DOUBLE_EQ(velmora::ExifNumber(entries[2], 0), -1.0 / 3);
        EXPECT_EQ(velmora::ExifText(entries[3]), "Lens1");
    }
    Bytes cut = BigEndianBlockWithExifDirectory();
    cut.resize(90);  // the rationals' values and the text cut off
    ASSERT_TRUE(velmora::ReadExifBlock(cut, &ifd0, &exif));
    EXPECT_TRUE(exif.empty());
}

}  // namespace
