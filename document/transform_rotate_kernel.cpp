#include "document/transform_rotate_kernel.h"

#include <algorithm>
#include <cstring>

namespace velmora {
namespace {

// Source rows moved together: their cache lines stay resident while every
// destination row of the band takes its piece of them.
constexpr int kTileRows = 64;

int SourceColumn(int destinationRow, const TurnGeometry& g) {
    return g.turn == Turn::kClockwise ? g.width - 1 - destinationRow : destinationRow;
}

int DestinationColumn(int sourceRow, const TurnGeometry& g) {
    return g.turn == Turn::kClockwise ? sourceRow : g.height - 1 - sourceRow;
}

template <int kBytes>
void TurnWholeBytePixels(const RowRun& run, const RowRun& band, const TurnGeometry& g) {
    const ptrdiff_t dstStep = g.turn == Turn::kClockwise ? kBytes : -kBytes;
    for (int r0 = 0; r0 < run.count; r0 += kTileRows) {
        const int rows = std::min(kTileRows, run.count - r0);
        const BYTE* srcTile = run.Row(r0, g.srcStride);
        const ptrdiff_t dstFirst = static_cast<ptrdiff_t>(DestinationColumn(run.first + r0, g)) * kBytes;
        for (int k = 0; k < band.count; ++k) {
            const BYTE* src = srcTile + static_cast<size_t>(SourceColumn(band.first + k, g)) * kBytes;
            BYTE* dst = band.Row(k, g.dstStride) + dstFirst;
            for (int n = 0; n < rows; ++n)
                std::memcpy(dst + n * dstStep, src + static_cast<size_t>(n) * g.srcStride, kBytes);
        }
    }
}

// 1, 2 and 4 bits: pixels packed from the most significant bit; the other
// pixels of a destination byte keep their bits.
void TurnPackedPixels(const RowRun& run, const RowRun& band, const TurnGeometry& g) {
    const int bits = g.bitCount;
    const unsigned mask = (1u << bits) - 1;
    for (int r0 = 0; r0 < run.count; r0 += kTileRows) {
        const int rows = std::min(kTileRows, run.count - r0);
        const BYTE* srcTile = run.Row(r0, g.srcStride);
        for (int k = 0; k < band.count; ++k) {
            const size_t srcBit = static_cast<size_t>(SourceColumn(band.first + k, g)) * bits;
            const BYTE* src = srcTile + srcBit / 8;
            const int srcShift = 8 - bits - static_cast<int>(srcBit % 8);
            BYTE* dst = band.Row(k, g.dstStride);
            for (int n = 0; n < rows; ++n) {
                const unsigned value = (src[static_cast<size_t>(n) * g.srcStride] >> srcShift) & mask;
                const size_t dstBit = static_cast<size_t>(DestinationColumn(run.first + r0 + n, g)) * bits;
                const int dstShift = 8 - bits - static_cast<int>(dstBit % 8);
                BYTE& out = dst[dstBit / 8];
                out = static_cast<BYTE>((out & ~(mask << dstShift)) | (value << dstShift));
            }
        }
    }
}

}  // namespace

bool CanTurn(int bitCount) {
    switch (bitCount) {
        case 1: case 2: case 4: case 8: case 16: case 24: case 32:
            return true;
        default:
            return false;
    }
}

void ClearRowTails(const RowRun& band, const TurnGeometry& g) {
    const size_t from = static_cast<size_t>(g.height) * static_cast<size_t>(g.bitCount) / 8;
    if (from >= g.dstStride) return;
    for (int k = 0; k < band.count; ++k) std::memset(band.Row(k, g.dstStride) + from, 0, g.dstStride - from);
}

void TurnBlock(const RowRun& run, const RowRun& band, const TurnGeometry& g) {
    switch (g.bitCount) {
        case 8: return TurnWholeBytePixels<1>(run, band, g);
        case 16: return TurnWholeBytePixels<2>(run, band, g);
        case 24: return TurnWholeBytePixels<3>(run, band, g);
        case 32: return TurnWholeBytePixels<4>(run, band, g);
        default: return TurnPackedPixels(run, band, g);
    }
}

}  // namespace velmora
