// CNewDIB::VerticalFlip and HorizonFlip, in place, window by window.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#include "document/transform_mirror.h"
#include "frame/progress.h"
#include "platform/dib_geometry.h"
#include "storage/row_walker.h"
#include "environment/texts.h"
#include "velmora/newdib.h"

namespace velmora {
namespace {

// Rows swapped per band: enough that a page-file image places few windows,
// small enough to stay a bounded temporary.
constexpr size_t kBandBytes = size_t{4} << 20;

std::unique_ptr<BYTE[]> AllocateRows(size_t stride, int rows) {
    return std::unique_ptr<BYTE[]>(new (std::nothrow) BYTE[std::max<size_t>(stride, 1) * static_cast<size_t>(rows)]());
}

// A band of up to kBandBytes of rows, at least one; a single row when the
// larger one cannot be had. Null when not even one row can.
std::unique_ptr<BYTE[]> AllocateBand(size_t stride, int pairs, int* rows) {
    const size_t fitting = stride ? kBandBytes / stride : kBandBytes;
    *rows = static_cast<int>(std::max<size_t>(1, std::min<size_t>(fitting, static_cast<size_t>(pairs))));
    std::unique_ptr<BYTE[]> band = AllocateRows(stride, *rows);
    if (!band && *rows > 1) band = AllocateRows(stride, *rows = 1);
    return band;
}

void SwapBytes(BYTE* a, BYTE* b, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t x, y;
        std::memcpy(&x, a + i, 8);
        std::memcpy(&y, b + i, 8);
        std::memcpy(a + i, &y, 8);
        std::memcpy(b + i, &x, 8);
    }
    for (; i < count; ++i) std::swap(a[i], b[i]);
}

// Exchanges storage rows first … first + count - 1 with their partners
// height - 1 - row. The lower rows wait in `band` while the upper ones, in
// whatever windows hold them, are swapped against it; then the band goes back.
bool SwapBand(CNewDIBObject& image, int first, int count, BYTE* band) {
    const int height = image.GetHeight();
    const size_t stride = image.GetBytesPerLine();
    if (!CopyRowsOut(image, first, count, band)) return false;
    const bool swapped = WalkRows(image, RowOrder::BottomUp, height - first - count, height - first, INT_MAX,
                                  [&](const RowPiece& run) {
                                      for (int k = 0; k < run.count; ++k) {
                                          const int partner = height - 1 - (run.first + k);
                                          SwapBytes(run.Row(k), band + static_cast<size_t>(partner - first) * stride,
                                                    stride);
                                      }
                                      return true;
                                  });
    return swapped && CopyRowsIn(image, first, count, band);
}

bool SwapAllPairs(CNewDIBObject& image, BYTE* band, int bandRows, const ProgressReporter& progress) {
    const int pairs = image.GetHeight() / 2;
    for (int first = 0; first < pairs; first += bandRows) {
        const int count = std::min(bandRows, pairs - first);
        if (!SwapBand(image, first, count, band)) return false;
        for (int k = first; k < first + count; ++k)
            progress.Step(StepPercent(static_cast<unsigned long long>(k), static_cast<unsigned long long>(pairs - 1)));
    }
    return true;
}

bool MirrorAllRows(CNewDIBObject& image, BYTE* scratch, const ProgressReporter& progress) {
    const int width = image.GetWidth();
    const int height = image.GetHeight();
    const int bitCount = image.GetBitCount();
    const size_t pixelBytes = PixelBytes(width, bitCount);
    // The progress message may move the window: the row is asked for anew.
    RowWalker rows(&image, RowOrder::BottomUp);
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows.Row(y);
        if (!row) return false;
        MirrorRow(row, scratch, width, bitCount);
        std::memcpy(row, scratch, pixelBytes);
        progress.Step(StepPercent(static_cast<unsigned long long>(y), static_cast<unsigned long long>(height)));
    }
    return true;
}

}  // namespace
}  // namespace velmora

int CNewDIB::VerticalFlip() {
    if (!GetDIB()) return 0;
    int bandRows = 0;
    std::unique_ptr<BYTE[]> band = velmora::AllocateBand(GetBytesPerLine(), m_nHeight / 2, &bandRows);
    if (!band) return 0;
    const velmora::ProgressReporter progress = velmora::MainWindowProgress();
    progress.Begin(velmora::text::kFlippingVertical);
    const bool ok = velmora::SwapAllPairs(*this, band.get(), bandRows, progress);
    progress.End();
    return ok ? 1 : 0;
}

int CNewDIB::HorizonFlip() {
    if (!GetDIB()) return 0;
    std::unique_ptr<BYTE[]> scratch = velmora::AllocateRows(GetBytesPerLine(), 1);
    if (!scratch) return 0;
    const velmora::ProgressReporter progress = velmora::MainWindowProgress();
    progress.Begin(velmora::text::kFlippingHorizontal);
    const bool ok = !velmora::CanMirror(m_nBitCount) || velmora::MirrorAllRows(*this, scratch.get(), progress);
    progress.End();
    RefreshFactor();
    return ok ? 1 : 0;
}
