// Hand-made BMP variants: bit-field masks in every place a file keeps them,
// the OS/2 headers, headers refused before the document changes, and 2-bit
// images saved as 4-bit files.
#include <gtest/gtest.h>

#include <cstring>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "environment/texts.h"

namespace {

namespace text = velmora::text;
using Bytes = std::vector<uint8_t>;

void Put(Bytes& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// File header, then `header` (biSize first), `extra` (masks or a colour
// table) and the pixel data.
Bytes File(const Bytes& header, const Bytes& extra, const Bytes& pixels) {
    Bytes out{'B', 'M'};
    const uint32_t offBits = static_cast<uint32_t>(14 + header.size() + extra.size());
    Put(out, static_cast<uint32_t>(offBits + pixels.size()), 4);
    Put(out, 0, 4);
    Put(out, offBits, 4);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

// An information header of `size` bytes (40 and longer).
Bytes Info(uint32_t size, int width, int height, int bitCount, uint32_t compression, std::vector<uint32_t> masks = {}) {
    Bytes h;
    Put(h, size, 4), Put(h, static_cast<uint32_t>(width), 4), Put(h, static_cast<uint32_t>(height), 4);
    Put(h, 1, 2), Put(h, static_cast<uint32_t>(bitCount), 2), Put(h, compression, 4);
    h.resize(40);
    for (uint32_t m : masks) Put(h, m, 4);
    h.resize(size);
    return h;
}

Bytes Masks(std::vector<uint32_t> masks) {
    Bytes out;
    for (uint32_t m : masks) Put(out, m, 4);
    return out;
}

int ReadBytes(CNewDIB& dib, const Bytes& file) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("v.bmp"), file);
    return dib.ReadFile(dir.file("v.bmp").c_str(), -1);
}

struct Variant {
    const char* what;
    Bytes file;
    int bitCount;     // of the image
    Bytes bottomRow;  // its first bytes
};

// Two pixels a row, one row.
TEST(BmpBitFields, MasksFromTheHeaderOrAfterItAndWhatTheImageHolds) {
    const Bytes pixels16{0x1F, 0x7C, 0xE0, 0x83};  // 0x7C1F, 0x83E0
    const Bytes pixels32{0x11, 0x22, 0x33, 0x80, 0xFF, 0xFF, 0xFF, 0x00};
    const Variant variants[] = {
        {"5-5-5 masks after a 40-byte header: kept as 16 bits",
         File(Info(40, 2, 1, 16, BI_BITFIELDS), Masks({0x7C00, 0x3E0, 0x1F}), pixels16), 16, pixels16},
        // 0x7C1F: red 31, green 0, blue 31; 0x83E0 with the top bit as alpha: green 31.
        {"5-5-5 with an alpha mask: 24 bits",
         File(Info(56, 2, 1, 16, BI_BITFIELDS, {0x7C00, 0x3E0, 0x1F, 0x8000}), {}, pixels16), 24,
         {255, 0, 255, 0, 255, 0}},
        {"5-6-5 masks in a 52-byte header: 24 bits",
         File(Info(52, 2, 1, 16, BI_BITFIELDS, {0xF800, 0x7E0, 0x1F}), {}, pixels16), 24,
         {255, 0x82, 0x7B, 0, 0x7D, 0x84}},
        {"four masks after a 40-byte header (BI_ALPHABITFIELDS): 32 bits with alpha",
         File(Info(40, 2, 1, 32, 6), Masks({0xFF0000, 0xFF00, 0xFF, 0xFF000000}), pixels32), 32, pixels32},
        {"32 bits without an alpha mask: the fourth byte 0",
         File(Info(40, 2, 1, 32, BI_BITFIELDS), Masks({0xFF, 0xFF00, 0xFF0000}), pixels32), 32,
         {0x33, 0x22, 0x11, 0, 0xFF, 0xFF, 0xFF, 0}},
        // OS/2 1.x: 16-bit sizes, three-byte colour entries (blue, green, red).
        {"core header, 1 bit",
         File({12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0}, {10, 20, 30, 40, 50, 60}, {0x40, 0, 0, 0}), 1, {0x40}},
        {"core header, 24 bits in a 30-byte file", File({12, 0, 0, 0, 1, 0, 1, 0, 1, 0, 24, 0}, {}, {1, 2, 3, 0}),
         24, {1, 2, 3}},
        {"OS/2 2.x 16-byte header", File(Info(16, 1, 1, 24, 0), {}, {4, 5, 6, 0}), 24, {4, 5, 6}},
    };
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.what);
        CNewDIB dib;
        ASSERT_EQ(ReadBytes(dib, v.file), 1) << dib.GetLastErrorText().c_str();
        EXPECT_EQ(dib.GetBitCount(), v.bitCount);
        EXPECT_EQ(dib.GetBitmapInfoHeader()->biBitCount, v.bitCount);
        EXPECT_EQ(dib.GetBitmapInfoHeader()->biCompression, BI_RGB);
        const BYTE* row = dib.GetDIBRow(0);
        EXPECT_EQ(Bytes(row, row + v.bottomRow.size()), v.bottomRow);
    }
}

TEST(BmpBitFields, CoreHeaderColoursAreThreeByteEntries) {
    CNewDIB dib;
    ASSERT_EQ(ReadBytes(dib, File({12, 0, 0, 0, 2, 0, 1, 0, 1, 0, 1, 0}, {10, 20, 30, 40, 50, 60}, {0x40, 0, 0, 0})), 1);
    int entries = 0;
    const RGBQUAD* table = dib.GetRGBQuad(&entries);
    ASSERT_EQ(entries, 2);
    EXPECT_EQ(Bytes({table[0].rgbBlue, table[0].rgbGreen, table[0].rgbRed, table[1].rgbBlue, table[1].rgbRed}),
              Bytes({10, 20, 30, 40, 60}));
}

TEST(BmpHeaders, FormsTheReaderCannotTakeAreRefusedBeforeTheDocumentChanges) {
    const std::pair<Bytes, const char*> refused[] = {
        // OS/2 2.x compression 3 is Huffman 1D, 4 is RLE24.
        {File(Info(64, 8, 1, 1, 3), Bytes(8, 0), {0, 0, 0, 0}), text::kUnknownCompression},
        {File(Info(64, 1, 1, 24, 4), {}, {0, 0, 0, 0}), text::kUnknownCompression},
        {File(Bytes{14, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}, {}, {0, 0, 0, 0}), text::kUnsupportedFormat},
        {File(Info(40, 1, 1, 24, BI_BITFIELDS), Masks({0xFF, 0xFF00, 0xFF0000}), {0, 0, 0, 0}),
         text::kUnknownCompression},  // bit fields for 24 bits
        {File(Info(40, 4, 4, 32, BI_BITFIELDS), Bytes(4, 0), {}), text::kReadDataFailed},  // masks cut short
    };
    for (const auto& [file, failure] : refused) {
        CNewDIB dib(3, 3, 8);
        EXPECT_EQ(ReadBytes(dib, file), 0);
        EXPECT_EQ(dib.GetLastErrorText(), failure);
        EXPECT_EQ(dib.GetWidth(), 3);
        EXPECT_TRUE(dib.Ready());
    }
}

// Few readers take 2-bit bitmaps; the 4-bit file holds the same indices.
TEST(BmpSave, TwoBitImagesBecomeFourBitFilesWithTheSamePixels) {
    struct Shape {
        int width, height;
        bool pageFile;
    };
    for (const Shape& s : {Shape{13, 7, false}, Shape{1, 1, false}, Shape{6001, 2000, true}}) {
        SCOPED_TRACE(testing::Message() << s.width << " x " << s.height);
        vtest::PageFileMode mode;
        vtest::TempDir dir;
        const std::string path = dir.file("two.bmp");
        CNewDIB image(s.width, s.height, 2);
        ASSERT_EQ(image.IsMapped() != 0, s.pageFile);
        ASSERT_TRUE(vtest::FillPattern(image, 5));
        ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1);

        const std::vector<unsigned char> file = vtest::ReadAll(path);
        EXPECT_EQ(file[28], 4);               // biBitCount
        EXPECT_EQ(file[10], 54 + 64);         // bfOffBits: 16 entries
        EXPECT_EQ(file[54 + 4 * 4], 0);       // entry 4 black
        CNewDIB back;
        ASSERT_EQ(back.ReadFile(path.c_str(), -1), 1);
        ASSERT_EQ(back.GetBitCount(), 4);
        int entries = 0, backEntries = 0;
        EXPECT_EQ(std::memcmp(image.GetRGBQuad(&entries), back.GetRGBQuad(&backEntries), 4 * sizeof(RGBQUAD)), 0);
        int differing = 0;
        for (int y = 0; y < s.height; ++y) {
            const BYTE* a = image.GetDIBRow(y);
            std::vector<BYTE> row(a, a + image.GetBytesPerLine());
            const BYTE* b = back.GetDIBRow(y);
            for (int x = 0; x < s.width; ++x)
                differing += vtest::PixelAt(row.data(), x, 2) != vtest::PixelAt(b, x, 4);
        }
        EXPECT_EQ(differing, 0);
    }
}

}  // namespace
