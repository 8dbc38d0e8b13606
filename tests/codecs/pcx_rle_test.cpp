// The PCX run-length coder: the row encoding's segments and run limits, and
// the decoder's handling of runs at line ends and of data that ends early.
#include <gtest/gtest.h>

#include "codecs/image_fixture.h"
#include "codecs/pcx_builder.h"
#include "codecs/pcx/pcx_planes.h"
#include "codecs/pcx/pcx_rle.h"
#include "environment/texts.h"

namespace {

namespace pcx = velmora::pcx;
using Bytes = std::vector<uint8_t>;

Bytes Encode(const Bytes& line, int planes = 1) {
    Bytes out(pcx::EncodedBound(line.size()));
    out.resize(pcx::EncodeLine(line.data(), line.size() / static_cast<size_t>(planes), planes, out.data()));
    return out;
}

TEST(PcxRowEncoding, UnequalNeighboursAboveC0AreRunsOfOne) {
    // An 8-bit row of 8 bytes: segments of two.
    EXPECT_EQ(Encode({0xC5, 0x01, 0x02, 0x02, 0xFF, 0xFF, 0x07, 0xC0}),
              (Bytes{0xC1, 0xC5, 0x01, 0xC2, 0x02, 0xC2, 0xFF, 0x07, 0xC1, 0xC0}));
}

TEST(PcxRowEncoding, RunsStopAtSixtyThreeAndAtSegmentEnds) {
    // 400 bytes of 7: four segments of 100, each 63 + 37.
    Bytes expected;
    for (int s = 0; s < 4; ++s) expected.insert(expected.end(), {0xFF, 0x07, 0xE5, 0x07});
    EXPECT_EQ(Encode(Bytes(400, 0x07)), expected);
}

TEST(PcxRowEncoding, FourBitRowOfEightPixelsIsFourOneBytePlanes) {
    // Pixels 0..7 = 1, 2, 4, 8, 15, 0, 3, 12.
    const Bytes row{0x12, 0x48, 0xF0, 0x3C};
    Bytes planes(4);
    pcx::SplitFourPlanes(row.data(), row.size(), 1, planes.data());
    EXPECT_EQ(planes, (Bytes{0x8A, 0x4A, 0x29, 0x19}));
    EXPECT_EQ(Encode(planes, 4), (Bytes{0x8A, 0x4A, 0x29, 0x19}));
    Bytes back(4);
    pcx::MergeBitPlanes(planes.data(), 1, 4, 8, back.data(), back.size());
    EXPECT_EQ(back, row);
}

TEST(PcxRowEncoding, LinesOfEvenBplNotMultiplesOfFour) {
    // A 1-bit plane of 6 bytes is cut at 1, 3, 4, 6; planes are cut apart.
    EXPECT_EQ(Encode(Bytes(6, 0x07)), (Bytes{0x07, 0xC2, 0x07, 0x07, 0xC2, 0x07}));
    EXPECT_EQ(Encode(Bytes(6, 0x07), 3), (Bytes{0xC2, 0x07, 0xC2, 0x07, 0xC2, 0x07}));
    // Nibbles past the row's stride split as 0: eight pixels of 15 in a
    // 4-byte row, split into planes of two bytes.
    const Bytes row{0xFF, 0xFF, 0xFF, 0xFF};
    Bytes planes(8);
    pcx::SplitFourPlanes(row.data(), row.size(), 2, planes.data());
    EXPECT_EQ(planes, (Bytes{0xFF, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0}));
    // Two and three planes merge with the missing planes' bits 0.
    Bytes back(4, 0xEE);
    pcx::MergeBitPlanes(planes.data(), 2, 3, 5, back.data(), back.size());
    EXPECT_EQ(back, (Bytes{0x77, 0x77, 0x70, 0x00}));
    // Three 8-bit planes from a blue-green-red row, padding 0.
    const Bytes bgr{1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE};
    Bytes rgbPlanes(12, 0xEE);
    pcx::SplitThreePlanes(bgr.data(), 3, 4, rgbPlanes.data());
    EXPECT_EQ(rgbPlanes, (Bytes{3, 6, 9, 0, 2, 5, 8, 0, 1, 4, 7, 0}));
}

// Decodes `data` as lines of `lineBytes`, dropping runs at line ends when
// asked; the lines decoded before the data ran out.
std::vector<Bytes> DecodeLines(const Bytes& data, size_t lineBytes, int lines, bool dropRuns) {
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("d"), data);
    CFile file;
    EXPECT_TRUE(file.Open(dir.file("d").c_str(), CFile::modeRead));
    pcx::ScanLineDecoder decoder(file, data.size());
    std::vector<Bytes> out;
    for (int i = 0; i < lines; ++i) {
        Bytes line(lineBytes, 0xEE);
        if (!decoder.Decode(line.data(), line.size())) break;
        if (dropRuns) decoder.DropRun();
        out.push_back(line);
    }
    return out;
}

TEST(PcxRunLengthDecoding, ACountOfZeroYieldsNothing) {
    EXPECT_EQ(DecodeLines({0xC0, 0x55, 1, 2, 3}, 3, 1, false), (std::vector<Bytes>{{1, 2, 3}}));
}

TEST(PcxRunLengthDecoding, ARunPastTheLineGoesOnOrIsDropped) {
    const Bytes data{0xC5, 9, 1, 2};
    EXPECT_EQ(DecodeLines(data, 3, 2, false), (std::vector<Bytes>{{9, 9, 9}, {9, 9, 1}}));
    EXPECT_EQ(DecodeLines(data, 3, 2, true), (std::vector<Bytes>{{9, 9, 9}}));  // then 1, 2 are too few
}

TEST(PcxRunLengthDecoding, DataEndingInsideALineOrARunFails) {
    EXPECT_TRUE(DecodeLines({1, 2}, 3, 1, false).empty());
    EXPECT_TRUE(DecodeLines({1, 2, 0xC3}, 3, 1, false).empty());
    EXPECT_EQ(DecodeLines({0xC2, 4, 5}, 3, 1, false), (std::vector<Bytes>{{4, 4, 5}}));
}

TEST(PcxRunLengthDecoding, NothingIsReadPastTheCodedData) {
    // The decoder is told of four bytes; the fifth (a trailer, say) is not data.
    vtest::TempDir dir;
    vtest::WriteAll(dir.file("d"), {1, 2, 3, 4, 5});
    CFile file;
    ASSERT_TRUE(file.Open(dir.file("d").c_str(), CFile::modeRead));
    pcx::ScanLineDecoder decoder(file, 4);
    Bytes line(5);
    EXPECT_FALSE(decoder.Decode(line.data(), line.size()));
}

}  // namespace
