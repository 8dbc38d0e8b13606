// Files Velmora writes, decoded by other software: Pillow, netpbm and
// ImageMagick must see the image's own colours in every PCX layout the
// writer makes (at widths whose lines need padding of every kind) and in a
// 2-bit image saved as BMP. A peer that is not installed is skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "codecs/image_fixture.h"

namespace {

struct Peer {
    const char* name;
    const char* probe;  // a command that succeeds when the peer is there
    // Decodes file $1 to a binary PPM at $2.
    const char* pcx;
    const char* bmp;
};

const Peer kPeers[] = {
    {"Pillow", "/usr/bin/python3 -c 'import PIL' 2>/dev/null",
     "/usr/bin/python3 -c 'import sys; from PIL import Image; "
     "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"PPM\")' \"$1\" \"$2\"",
     "/usr/bin/python3 -c 'import sys; from PIL import Image; "
     "Image.open(sys.argv[1]).convert(\"RGB\").save(sys.argv[2], \"PPM\")' \"$1\" \"$2\""},
    {"netpbm", "command -v pcxtoppm >/dev/null && command -v bmptopnm >/dev/null && command -v ppmtoppm >/dev/null",
     "pcxtoppm \"$1\" | ppmtoppm > \"$2\"", "bmptopnm \"$1\" | ppmtoppm > \"$2\""},
    {"ImageMagick", "command -v convert >/dev/null && convert -version | grep -q ImageMagick",
     "convert \"$1\" -depth 8 PPM:\"$2\"", "convert \"$1\" -depth 8 PPM:\"$2\""},
};

// Runs `script` with the two paths as $1 and $2; true when it succeeded.
bool RunPeer(const std::string& script, const std::string& in, const std::string& out) {
    std::string quoted;
    for (char c : script) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return std::system(("sh -c '" + quoted + "' _ '" + in + "' '" + out + "' 2>/dev/null").c_str()) == 0;
}

struct Case {
    const char* extension;
    int bitCount;
    int width;
    int height;
};

std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    const Case& c = info.param;
    return std::string(c.extension) + "_" + std::to_string(c.bitCount) + "bit_w" + std::to_string(c.width);
}

// A patterned image; 1-bit images black and white (Pillow reads 1-bit PCX
// files as black and white whatever their table).
void MakeImage(CNewDIB& image, const Case& c) {
    ASSERT_TRUE(vtest::FillPattern(image, 3));
    int entries = 0;
    RGBQUAD* table = image.GetRGBQuad(&entries);
    if (c.bitCount == 1) {
        table[0] = RGBQUAD{0, 0, 0, 0};
        table[1] = RGBQUAD{255, 255, 255, 0};
    }
}

class PeersDecode : public ::testing::TestWithParam<Case> {};

TEST_P(PeersDecode, TheSavedFileToTheImagesColours) {
    const Case& c = GetParam();
    vtest::TempDir dir;
    const std::string path = dir.file(std::string("saved.") + c.extension);
    CNewDIB image(c.width, c.height, c.bitCount);
    MakeImage(image, c);
    ASSERT_EQ(image.SaveFile(path.c_str(), -1, 0), 1) << image.GetLastErrorText().c_str();
    int checked = 0;
    for (const Peer& peer : kPeers) {
        // ImageMagick 6 reads every 1-bit PCX file inverted, ppmtopcx's too.
        if (c.bitCount == 1 && std::string(peer.name) == "ImageMagick") continue;
        if (std::system(peer.probe) != 0) continue;
        SCOPED_TRACE(peer.name);
        const std::string out = dir.file(std::string(peer.name) + ".ppm");
        ASSERT_TRUE(RunPeer(std::string(c.extension) == "pcx" ? peer.pcx : peer.bmp, path, out)) << "decode failed";
        EXPECT_EQ(vtest::PixelsDifferingFromRef(image, vtest::ReadPnm(out)), 0);
        ++checked;
    }
    if (checked == 0) GTEST_SKIP() << "no peer decoder is installed";
}

// Widths 4k + 1, 4k + 2, 4k + 3 and 4k for each layout: lines whose even
// BPL is and is not the DIB stride.
INSTANTIATE_TEST_SUITE_P(Pcx, PeersDecode,
                         ::testing::Values(Case{"pcx", 1, 10, 3}, Case{"pcx", 1, 13, 4}, Case{"pcx", 1, 17, 2},
                                           Case{"pcx", 1, 32, 2}, Case{"pcx", 4, 8, 3}, Case{"pcx", 4, 17, 3},
                                           Case{"pcx", 4, 37, 5}, Case{"pcx", 8, 5, 3}, Case{"pcx", 8, 61, 4},
                                           Case{"pcx", 8, 62, 4}, Case{"pcx", 8, 63, 2}, Case{"pcx", 8, 64, 2},
                                           Case{"pcx", 24, 1, 1}, Case{"pcx", 24, 71, 5}, Case{"pcx", 24, 74, 3}),
                         CaseName);
INSTANTIATE_TEST_SUITE_P(Bmp, PeersDecode,
                         ::testing::Values(Case{"bmp", 2, 1, 1}, Case{"bmp", 2, 5, 3}, Case{"bmp", 2, 13, 7}),
                         CaseName);

}  // namespace
