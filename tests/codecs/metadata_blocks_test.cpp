// EXIF blocks: Orientation found and rewritten in either byte order, and
// every malformed block refused without reading past its end.
#include <gtest/gtest.h>

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

}  // namespace
