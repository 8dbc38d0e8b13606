// Fuzzes the BMP reader. Each input is written to a file and read twice, once
// with every image in memory and once with page files and small row windows;
// the two reads must agree. A file that reads must then save, read back to
// the same rows (a 2-bit image, written as 4-bit, to the same pixels), turn
// right and left back to the same pixels, and answer pixel queries at its
// corners; and nothing may be left in the directory once the images are gone.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "codecs/bmp/bmp_format.h"
#include "platform/dib_geometry.h"
#include "tests/fuzz/fuzz_support.h"
#include "velmora/newdib.h"

namespace {

// Turning an image may make a much larger one (a one-row 1-bit image turns
// into rows of four bytes per pixel); above this the turn is skipped.
constexpr uint64_t kMaxTurnBytes = uint64_t{32} << 20;
// Pixel-by-pixel comparisons above this many pixels are skipped for speed.
constexpr uint64_t kMaxComparedPixels = uint64_t{1} << 20;

uint64_t TurnedBytes(CNewDIB& dib) {
    return velmora::RowStride(dib.GetHeight(), dib.GetBitCount()) * static_cast<uint64_t>(dib.GetWidth());
}

bool SameShape(CNewDIB& a, CNewDIB& b) {
    return a.GetWidth() == b.GetWidth() && a.GetHeight() == b.GetHeight() && a.GetBitCount() == b.GetBitCount();
}

// Whole rows, padding included: a saved file carries the padding it was read with.
bool SameRows(CNewDIB& a, CNewDIB& b) {
    if (!SameShape(a, b)) return false;
    const size_t stride = a.GetBytesPerLine();
    for (int row = 0; row < a.GetHeight(); ++row) {
        const BYTE* p = a.GetDIBRow(row);
        const BYTE* q = b.GetDIBRow(row);
        if (!p || !q || std::memcmp(p, q, stride) != 0) return false;
    }
    return true;
}

void CheckCorners(CNewDIB& dib) {
    const int w = dib.GetWidth(), h = dib.GetHeight();
    const int xs[] = {0, w - 1}, ys[] = {0, h - 1};
    for (int x : xs)
        for (int y : ys) {
            dib.GetPixelIndex(x, y);
            dib.GetPixelRGB(x, y);
        }
    FUZZ_CHECK(dib.GetPixelIndex(w, 0) == -1 && dib.GetPixelIndex(0, h) == -1 && dib.GetPixelIndex(-1, -1) == -1);
}

// Every pixel's index and colour, for a copy held at another depth.
bool SamePixels(CNewDIB& a, CNewDIB& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelIndex(x, y) != b.GetPixelIndex(x, y) || a.GetPixelRGB(x, y) != b.GetPixelRGB(x, y))
                return false;
    return true;
}

// 2-bit images are written as 4-bit files: the same indices and colours.
void SaveAndReadBack(CNewDIB& dib, const std::string& path) {
    FUZZ_CHECK(dib.SaveFile(CString(path.c_str()), DIBTYPE_BMP, 0) == 1);
    CNewDIB back;
    FUZZ_CHECK(back.ReadFile(CString(path.c_str()), DIBTYPE_BMP) == 1);
    if (dib.GetBitCount() != 2) {
        FUZZ_CHECK(SameRows(dib, back));
    } else {
        const uint64_t pixels = static_cast<uint64_t>(dib.GetWidth()) * static_cast<uint64_t>(dib.GetHeight());
        FUZZ_CHECK(back.GetBitCount() == 4);
        FUZZ_CHECK(pixels > kMaxComparedPixels || SamePixels(dib, back));
    }
    std::remove(path.c_str());
}

void TurnAndBack(CNewDIB& dib) {
    const uint64_t pixels = static_cast<uint64_t>(dib.GetWidth()) * static_cast<uint64_t>(dib.GetHeight());
    if (TurnedBytes(dib) > kMaxTurnBytes || pixels > kMaxComparedPixels) return;
    CNewDIB original(&dib);
    FUZZ_CHECK(SameRows(dib, original));
    FUZZ_CHECK(dib.RightRotate() == 1);
    FUZZ_CHECK(dib.GetWidth() == original.GetHeight() && dib.GetHeight() == original.GetWidth());
    FUZZ_CHECK(dib.LeftRotate() == 1);
    FUZZ_CHECK(vfuzz::Describe(dib, 1).SameImage(vfuzz::Describe(original, 1)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vfuzz::ReadBothWays(DIBTYPE_BMP, "bmp", data, size, [](CNewDIB& dib) {
        CheckCorners(dib);
        SaveAndReadBack(dib, vfuzz::TheSession().Dir().file("out.bmp"));
        TurnAndBack(dib);
    });
    return 0;
}
