// The GIF image data stream on packed DIB memory: the exact bytes written,
// code widths and clears, interlaced row order, and decoding of streams from
// other encoders and of broken ones.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "codecs/gif_builder.h"
#include "codecs/gif/gif_lzw.h"
#include "support/test_support.h"
#include "velmora/gif.h"

namespace {

using vtest::Bytes;

// A packed bottom-up DIB with a 40-byte header; picture row y, column x
// holds pixel(x, y).
template <class Pixel>
Bytes PackedDib(int width, int height, int bitCount, Pixel pixel, uint32_t clrUsed = 0) {
    const size_t stride = (static_cast<size_t>(width) * bitCount + 31) / 32 * 4;
    const size_t table = bitCount <= 8 ? (clrUsed ? clrUsed : 1u << bitCount) : 0;
    Bytes dib(40 + 4 * table + stride * height, 0);
    BITMAPINFOHEADER h{40, width, height, 1, static_cast<WORD>(bitCount), 0, 0, 0, 0, clrUsed, 0};
    std::memcpy(dib.data(), &h, sizeof h);
    for (size_t i = 0; i < table; ++i) dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = static_cast<BYTE>(i);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width && bitCount == 8; ++x)
            dib[40 + 4 * table + (height - 1 - y) * stride + x] = static_cast<BYTE>(pixel(x, y));
    return dib;
}

Bytes WriteGif(Bytes dib, int interlace = 0) {
    vtest::TempDir dir;
    const std::string path = dir.file("t.gif");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(DIBToGIF(reinterpret_cast<char*>(dib.data()), file, interlace), 1);
    }
    return vtest::ReadAll(path);
}

// ReadGIF on the bytes; the block (free() it) or null.
unsigned char* ReadGifBytes(const Bytes& bytes) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("r.gif"), bytes);
    CFile file(dir.file("r.gif").c_str(), CFile::modeRead);
    return ReadGIF(file);
}

// Picture row y of an 8-bit block from ReadGIF.
const BYTE* Row8(unsigned char* block, int y) {
    char* dib = reinterpret_cast<char*>(block);
    const size_t stride = (DIBWidth(dib) + 3) / 4 * 4;
    return reinterpret_cast<BYTE*>(FindDIBBits(dib)) + (DIBHeight(dib) - 1 - y) * stride;
}

struct Freed {
    unsigned char* block;
    ~Freed() { std::free(block); }
};

int Noise(int x, int y) { return (x * 7919 + y * 104729 + (x * y) % 251) % 256; }

TEST(GifStream, OnePixelImageIsWrittenByteForByte) {
    const Bytes file = WriteGif(PackedDib(1, 1, 8, [](int, int) { return 0; }));
    Bytes expected = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0xF7, 0, 0};
    for (int i = 0; i < 256; ++i) expected.insert(expected.end(), 3, static_cast<unsigned char>(i));
    expected.insert(expected.end(), {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 8, 4, 0, 1, 4, 4, 0, 0x3B});
    EXPECT_EQ(file, expected);
}

TEST(GifStream, CodesWidenAt512_1024_2048AndAFullTableIsCleared) {
    const Bytes file = WriteGif(PackedDib(128, 128, 8, Noise));
    const std::vector<vtest::Code> codes = vtest::ReadCodes(file, 13 + 768 + 10);
    ASSERT_GT(codes.size(), 3841u);
    ASSERT_EQ(codes[0].value, 256);
    // Codes 258..4095 are assigned by data codes 1..3838, one more code
    // follows, then the clear code at 12 bits; widths change after codes
    // 255, 767 and 1791 (entries 512, 1024 and 2048).
    for (size_t i = 1; i <= 3839; ++i) ASSERT_NE(codes[i].value, 256) << i;
    EXPECT_EQ(codes[255].width, 9);
    EXPECT_EQ(codes[256].width, 10);
    EXPECT_EQ(codes[768].width, 11);
    EXPECT_EQ(codes[1792].width, 12);
    EXPECT_EQ(codes[3840].value, 256);
    EXPECT_EQ(codes[3840].width, 12);
    EXPECT_EQ(codes[3841].width, 9);
    EXPECT_EQ(codes.back().value, 257);

    Freed back{ReadGifBytes(file)};
    ASSERT_NE(back.block, nullptr);
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) ASSERT_EQ(Row8(back.block, y)[x], Noise(x, y)) << x << "," << y;
}

TEST(GifStream, InterlacedRowsFollowTheFourPasses) {
    auto order = [](int height) {
        std::vector<int> rows;
        for (velmora::gif::RowSequence s(height, true); !s.Done(); s.Advance()) rows.push_back(s.Row());
        return rows;
    };
    EXPECT_EQ(order(3), (std::vector<int>{0, 2, 1}));
    EXPECT_EQ(order(1), (std::vector<int>{0}));
    EXPECT_EQ(order(10), (std::vector<int>{0, 8, 4, 2, 6, 1, 3, 5, 7, 9}));

    // Written interlaced, a 3-row image's data holds rows 0, 2, 1; read back
    // it is the same image.
    const Bytes file = WriteGif(PackedDib(4, 3, 8, [](int, int y) { return 10 + y; }), 1);
    EXPECT_EQ(file[13 + 768 + 9], 0x40);
    Bytes flat = file;
    flat[13 + 768 + 9] = 0;
    Freed asStored{ReadGifBytes(flat)};
    Freed asImage{ReadGifBytes(file)};
    const int stored[3] = {0, 2, 1};
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(Row8(asStored.block, y)[0], 10 + stored[y]);
        EXPECT_EQ(Row8(asImage.block, y)[3], 10 + y);
    }
}

TEST(GifStream, MissingColourEntriesAreWrittenBlack) {
    Bytes dib = PackedDib(2, 2, 8, [](int x, int) { return x; }, 3);
    const Bytes file = WriteGif(dib);
    EXPECT_EQ(Bytes(file.begin() + 13, file.begin() + 13 + 9), (Bytes{0, 0, 0, 1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(Bytes(file.begin() + 13 + 9, file.begin() + 13 + 768), Bytes(768 - 9, 0));
}

TEST(GifStream, OtherBitCountsGetTheMessageBoxAndNoData) {
    vtest::RecordingMessageBoxes boxes;
    const Bytes file = WriteGif(PackedDib(3, 2, 4, [](int, int) { return 0; }));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "ERROR");
    // Screen, 16 colours, descriptor, code size 4, terminator, trailer.
    ASSERT_EQ(file.size(), 13 + 48 + 10 + 3u);
    EXPECT_EQ(file[10], 0xB3);
    EXPECT_EQ(Bytes(file.end() - 3, file.end()), (Bytes{4, 0, 0x3B}));
}

Bytes Ramp(size_t n) {
    Bytes pixels(n);
    for (size_t i = 0; i < n; ++i) pixels[i] = static_cast<BYTE>(i * 37 % 256);
    return pixels;
}

// Streams other encoders write: literal codes with a clear code every few
// pixels, literal codes that go on at 12 bits after the table filled
// without a clear code, and a stream that does not begin with a clear code.
TEST(GifStream, StreamsFromOtherEncodersDecode) {
    const int w = 100, h = 80;
    const Bytes pixels = Ramp(w * h);
    struct Case {
        const char* name;
        Bytes data;
    } cases[] = {{"many clears", vtest::LiteralStream(pixels, 8, 126)},
                 {"deferred clear", vtest::LiteralStream(pixels, 8, 0)},
                 {"no leading clear", vtest::LiteralStream(pixels, 8, 0, true, false)},
                 {"no end code", vtest::LiteralStream(pixels, 8, 254, false)}};
    for (const Case& c : cases) {
        Freed back{ReadGifBytes(vtest::GifFile(w, h, 8, c.data))};
        ASSERT_NE(back.block, nullptr) << c.name;
        int wrong = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) wrong += Row8(back.block, y)[x] != pixels[y * w + x];
        EXPECT_EQ(wrong, 0) << c.name;
    }
}

// Damaged streams stop decoding without touching anything outside the
// rows; the rows not reached are 0.
TEST(GifStream, DamagedStreamsStopAndLeaveTheRestZero) {
    const Bytes pixels(40, 7);
    vtest::CodePacker aboveNext;
    for (int code : {256, 7, 7, 300}) aboveNext.Put(code, 9);
    Bytes cut = vtest::LiteralStream(pixels, 8, 0);
    cut.resize(12);
    cut.push_back(0);
    struct Case {
        const char* name;
        Bytes data;
        int decoded;  // leading pixels of row 0 that were decoded
    } cases[] = {{"code above next", aboveNext.Stream(8), 2},
                 {"code size 12", vtest::LiteralStream(pixels, 12, 0), 0},
                 {"cut short", cut, 8},
                 {"no data at all", {8, 0}, 0}};
    for (const Case& c : cases) {
        Freed back{ReadGifBytes(vtest::GifFile(10, 4, 8, c.data))};
        ASSERT_NE(back.block, nullptr) << c.name;
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 10; ++x)
                EXPECT_EQ(Row8(back.block, y)[x], y == 0 && x < c.decoded ? 7 : 0) << c.name << " " << x << "," << y;
    }
}

TEST(GifStream, PixelsBeyondTheLastRowAreDropped) {
    Freed back{ReadGifBytes(vtest::GifFile(3, 2, 8, vtest::LiteralStream(Ramp(50), 8, 0)))};
    ASSERT_NE(back.block, nullptr);
    EXPECT_EQ(Row8(back.block, 1)[2], Ramp(6)[5]);
}

}  // namespace
