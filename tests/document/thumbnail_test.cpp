// Thumbnails: the box fitting, the filtered result against an exact area
// average computed here, flat colours through every bit count, and a
// page-file source read through its windows, and a JPEG decoded at a reduced
// scale for its thumbnail.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "codecs/image_fixture.h"
#include "support/test_support.h"
#include "document/resample_kernel.h"
#include "velmora/newdib.h"
#include "velmora/thumbnail.h"

namespace {

// A picture with smooth ramps, a sine pattern and hard-edged blocks.
double Channel(int x, int y, int c) {
    const double ramp = 255.0 * (x + 2 * y) / (3.0 * 640);
    const double wave = 60.0 * std::sin(x * 0.21 + c) * std::cos(y * 0.17);
    const double block = ((x / 37 + y / 29 + c) % 2) ? 50.0 : -50.0;
    return std::fmin(255.0, std::fmax(0.0, 0.6 * ramp + wave + block + 60.0));
}

void Paint(CNewDIB& image) {
    const int w = image.GetWidth(), h = image.GetHeight();
    for (int y = 0; y < h; ++y) {
        BYTE* row = image.GetDIBRow(h - 1 - y);  // storage rows are bottom-up
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<BYTE>(std::lround(Channel(x, y, c)));
    }
}

// Weights of the source pixels under each of `to` equal spans of `from`.
std::vector<std::vector<double>> AreaWeights(int from, int to) {
    std::vector<std::vector<double>> w(static_cast<size_t>(to), std::vector<double>(static_cast<size_t>(from), 0.0));
    const double span = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i)
        for (int s = 0; s < from; ++s) {
            const double overlap = std::fmin(s + 1.0, (i + 1) * span) - std::fmax(s + 0.0, i * span);
            if (overlap > 0) w[static_cast<size_t>(i)][static_cast<size_t>(s)] = overlap / span;
        }
    return w;
}

// PSNR of `thumb` against the exact area average of `source` at its size.
double PsnrAgainstAreaAverage(CNewDIB& source, CNewDIB& thumb) {
    const int w = source.GetWidth(), h = source.GetHeight(), tw = thumb.GetWidth(), th = thumb.GetHeight();
    const auto across = AreaWeights(w, tw), down = AreaWeights(h, th);
    double squared = 0;
    for (int ty = 0; ty < th; ++ty) {
        const BYTE* out = thumb.GetDIBRow(th - 1 - ty);
        for (int tx = 0; tx < tw; ++tx)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int y = 0; y < h; ++y) {
                    const double wy = down[static_cast<size_t>(ty)][static_cast<size_t>(y)];
                    if (wy == 0) continue;
                    for (int x = 0; x < w; ++x) {
                        const double wx = across[static_cast<size_t>(tx)][static_cast<size_t>(x)];
                        if (wx != 0) sum += wx * wy * Channel(x, y, c);
                    }
                }
                const double d = out[3 * tx + c] - sum;
                squared += d * d;
            }
    }
    const double mse = squared / (3.0 * tw * th);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

TEST(Thumbnail, FitsTheBoxKeepingTheAspectRatio) {
    struct Case {
        int w, h, boxW, boxH, outW, outH;
    } const cases[] = {
        {640, 480, 160, 160, 160, 120}, {480, 640, 160, 160, 120, 160}, {640, 480, 100, 50, 67, 50},
        {1000, 1, 100, 100, 100, 1},    {1, 1000, 10, 10, 1, 10},        {30, 20, 300, 300, 300, 200},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        FitThumbnailSize(c.w, c.h, c.boxW, c.boxH, &w, &h);
        EXPECT_EQ(w, c.outW) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
        EXPECT_EQ(h, c.outH) << c.w << "x" << c.h << " in " << c.boxW << "x" << c.boxH;
    }
}

TEST(Thumbnail, IsCloseToTheExactAreaAverage) {
    CNewDIB source(640, 480, 24);
    ASSERT_EQ(source.Ready(), 1);
    Paint(source);
    for (int box : {160, 64, 37}) {
        CNewDIB thumb;
        ASSERT_EQ(MakeThumbnail(&source, box, box, &thumb), 1);
        EXPECT_EQ(thumb.GetBitCount(), 24);
        EXPECT_EQ(thumb.GetWidth(), box);
        // 36, 31 and 27.6 dB here: the kernel is sharper than a box, and a
        // wrong tap or offset falls far below.
        EXPECT_GE(PsnrAgainstAreaAverage(source, thumb), 26.0) << box;
    }
}

// A flat image stays exactly its colour, read through any colour table.
TEST(Thumbnail, FlatColoursStayExactInEveryBitCount) {
    const RGBQUAD colour{40, 120, 200, 0};
    for (int bits : {1, 2, 4, 8, 24, 32}) {
        CNewDIB source(301, 157, bits);
        ASSERT_EQ(source.Ready(), 1) << bits;
        if (bits <= 8) {
            int entries = 0;
            source.GetRGBQuad(&entries)[0] = colour;
        }
        for (int y = 0; y < 157; ++y) {
            BYTE* row = source.GetDIBRow(y);
            std::memset(row, 0, source.GetBytesPerLine());
            for (int x = 0; bits > 8 && x < 301; ++x) std::memcpy(row + x * (bits / 8), &colour, 3);
        }
        CNewDIB thumb;
        ASSERT_EQ(MakeThumbnail(&source, 40, 40, &thumb), 1) << bits;
        for (int y = 0; y < thumb.GetHeight(); ++y)
            for (int x = 0; x < thumb.GetWidth(); ++x) {
                const BYTE* p = thumb.GetDIBRow(y) + 3 * x;
                ASSERT_TRUE(p[0] == 40 && p[1] == 120 && p[2] == 200) << bits << " at " << x << "," << y;
            }
    }
}

// A page-file source, read through small windows, gives the same bytes.
TEST(Thumbnail, APageFileSourceGivesTheSameThumbnail) {
    CNewDIB memory(900, 700, 24);
    ASSERT_EQ(memory.Ready(), 1);
    ASSERT_EQ(memory.IsMapped(), 0);
    vtest::FillPattern(memory, 3);
    CNewDIB fromMemory;
    ASSERT_EQ(MakeThumbnail(&memory, 90, 90, &fromMemory), 1);
    vtest::PageFileMode pages(16 * vtest::kMiB);  // windows of 512 KiB
    CNewDIB paged(&memory);
    ASSERT_EQ(paged.IsMapped(), 1);
    CNewDIB fromPages;
    ASSERT_EQ(MakeThumbnail(&paged, 90, 90, &fromPages), 1);
    ASSERT_EQ(fromPages.GetWidth(), fromMemory.GetWidth());
    for (int y = 0; y < fromMemory.GetHeight(); ++y)
        ASSERT_EQ(std::memcmp(fromMemory.GetDIBRow(y), fromPages.GetDIBRow(y), fromMemory.GetBytesPerLine()), 0) << y;
    EXPECT_EQ(MakeThumbnail(nullptr, 10, 10, &fromPages), 0);
    EXPECT_EQ(MakeThumbnail(&paged, 0, 10, &fromPages), 0);
    EXPECT_EQ(fromPages.Ready(), 0);
}

// A JPEG read for a box is decoded at the smallest of 1/8, 1/4, 1/2 that
// keeps twice the thumbnail's size each way, and its thumbnail stays within
// 1.5 dB of the full read's against the exact area average (1.3 dB down at
// box 64, read at 1/4, on this small blocky picture; 0.4-0.7 dB on the
// 6000 x 4000 bench files, still 2 dB above vipsthumbnail there).
TEST(Thumbnail, AJpegReadForABoxDecodesSmallerAndStaysClose) {
    CNewDIB source(640, 480, 24);
    ASSERT_EQ(source.Ready(), 1);
    Paint(source);
    vtest::TempDir dir;
    const std::string path = dir.file("picture.jpg");
    ASSERT_EQ(source.SaveFile(path.c_str(), -1, 0), 1);
    CNewDIB full;
    ASSERT_EQ(full.ReadFile(path.c_str(), -1), 1);
    struct Case {
        int box, readWidth, readHeight;
    } const cases[] = {{37, 80, 60}, {64, 160, 120}, {160, 320, 240}, {400, 640, 480}};
    for (const Case& c : cases) {
        CNewDIB reduced, fromFull, fromReduced;
        ASSERT_EQ(reduced.ReadFileForBox(path.c_str(), -1, c.box, c.box), 1) << c.box;
        EXPECT_EQ(reduced.GetWidth(), c.readWidth) << c.box;
        EXPECT_EQ(reduced.GetHeight(), c.readHeight) << c.box;
        ASSERT_EQ(MakeThumbnail(&full, c.box, c.box, &fromFull), 1);
        ASSERT_EQ(MakeThumbnail(&reduced, c.box, c.box, &fromReduced), 1);
        ASSERT_EQ(fromReduced.GetWidth(), fromFull.GetWidth());
        EXPECT_GE(PsnrAgainstAreaAverage(source, fromReduced), PsnrAgainstAreaAverage(source, fromFull) - 1.5) << c.box;
    }
}

}  // namespace
