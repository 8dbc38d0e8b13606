// Readers that convert file rows through a buffer of their own (bit-field
// BMP, CMYK JPEG) hold a short run of rows, not a tenth of the picture, in
// memory and in page files, and put every row in its place.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "codecs/bmp_builder.h"
#include "codecs/image_fixture.h"
#include "support/counted_new.h"

namespace {

constexpr int kWidth = 3000, kHeight = 2000;  // a tenth of the rows: 2.4 MB either way

// The colour of picture row y, the same across it (blue, green, red); JPEG
// keeps flat 8 x 8 blocks within a level or two.
void RowColour(int y, BYTE* bgr) {
    for (int c = 0; c < 3; ++c) bgr[c] = static_cast<BYTE>(y / 8 * (c + 3) + 40 * c);
}

bool WriteBitFieldBmp(const std::string& path) {
    vtest::BmpLayout layout;
    layout.width = kWidth, layout.height = kHeight, layout.bitCount = 32, layout.compression = BI_BITFIELDS;
    layout.colorEntries = 3;  // where the masks go
    layout.data.resize(static_cast<size_t>(kWidth) * kHeight * 4);
    for (int y = 0; y < kHeight; ++y) {  // bottom-up: file row 0 is picture row kHeight - 1
        BYTE bgr[3];
        RowColour(kHeight - 1 - y, bgr);
        for (int x = 0; x < kWidth; ++x) std::memcpy(&layout.data[(static_cast<size_t>(y) * kWidth + x) * 4], bgr, 3);
    }
    std::vector<uint8_t> file = vtest::BuildBmp(layout);
    vtest::PutLe(file, 54, 0xFF0000, 4), vtest::PutLe(file, 58, 0xFF00, 4), vtest::PutLe(file, 62, 0xFF, 4);
    std::ofstream out(path, std::ios::binary);
    return static_cast<bool>(out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size())));
}

// Inks stored inverted (as Adobe writes them), black none: cyan, magenta
// and yellow read back as red, green and blue.
bool WriteCmykJpeg(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr errors;
    c.err = jpeg_std_error(&errors);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, file);
    c.image_width = kWidth, c.image_height = kHeight, c.input_components = 4, c.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 95, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(kWidth) * 4);
    for (int y = 0; y < kHeight; ++y) {
        BYTE bgr[3];
        RowColour(y, bgr);
        for (int x = 0; x < kWidth; ++x) {
            JSAMPLE* p = &row[static_cast<size_t>(x) * 4];
            p[0] = bgr[2], p[1] = bgr[1], p[2] = bgr[0], p[3] = 255;
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&c, rows, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(file) == 0;
}

struct Reader {
    const char* name;
    bool (*write)(const std::string&);
    int tolerance;
};

class RowBufferMemory : public ::testing::TestWithParam<std::tuple<Reader, bool>> {};

TEST_P(RowBufferMemory, IsAShortRunOfRows) {
    const Reader& reader = std::get<0>(GetParam());
    std::unique_ptr<vtest::PageFileMode> pages(std::get<1>(GetParam()) ? new vtest::PageFileMode(64 * 1024) : nullptr);
    vtest::TempDir dir;
    const std::string path = dir.file(reader.name);
    ASSERT_TRUE(reader.write(path));
    CNewDIB dib;
    vtest::ResetPeak();
    ASSERT_EQ(dib.ReadFile(path.c_str(), -1), 1) << dib.GetLastErrorText().c_str();
    EXPECT_LT(vtest::PeakSinceReset(), size_t{3} << 19);
    int misplaced = 0;
    for (int y = 0; y < kHeight; ++y) {
        BYTE want[3];
        RowColour(y, want);
        const BYTE* row = dib.GetDIBRow(kHeight - 1 - y);
        const int bytes = dib.GetBitCount() / 8;
        for (int x = 0; x < kWidth; x += 997)
            for (int c = 0; c < 3; ++c) misplaced += std::abs(row[x * bytes + c] - want[c]) > reader.tolerance;
    }
    EXPECT_EQ(misplaced, 0);
}

INSTANTIATE_TEST_SUITE_P(Readers, RowBufferMemory,
                         ::testing::Combine(::testing::Values(Reader{"bitfields.bmp", WriteBitFieldBmp, 0},
                                                              Reader{"cmyk.jpg", WriteCmykJpeg, 3}),
                                            ::testing::Bool()));

}  // namespace
