#include "document/transform_rotate_kernel.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/helper_thread.h"

namespace velmora {
namespace {

// Words hold bytes in memory order only on little-endian machines.
constexpr bool kLittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// Source rows moved together: their cache lines stay resident while every
// destination row of the band takes its piece of them.
constexpr int kTileRows = 64;
// Bytes of each source row that one sub-band of destination rows reads:
// small enough that the destination rows being written stay in cache.
constexpr size_t kSourceSpanBytes = 256;

// A part of a block: source rows [rowBegin, rowEnd) of the run (counted
// from the run's first row) into band rows [bandBegin, bandEnd).
struct Tile {
    int rowBegin, rowEnd;
    int bandBegin, bandEnd;
};

// A tile's addresses and column arithmetic, by value, so that the compiler
// keeps them in registers across the pixel stores (which might otherwise
// alias the run, band and geometry they came from).
struct TileWalk {
    const BYTE* src;  // source row tile.rowBegin
    size_t srcStride;
    BYTE* dst;  // band row 0
    size_t dstStride;
    int rows;  // source rows of the tile
    int bandBegin, bandEnd;
    int srcColumnBase, srcColumnStep;  // source column of band row k: base + step * k
    int dstColumnBase, dstColumnStep;  // destination column of tile row n: base + step * n
};

TileWalk Walk(const RowPiece& run, const RowPiece& band, const TurnGeometry& g, const Tile& tile) {
    const bool clockwise = g.turn == Turn::kClockwise;
    const int firstSourceRow = run.first + tile.rowBegin;
    return TileWalk{run.Row(tile.rowBegin),
                    g.srcStride,
                    band.lowest,
                    g.dstStride,
                    tile.rowEnd - tile.rowBegin,
                    tile.bandBegin,
                    tile.bandEnd,
                    clockwise ? g.width - 1 - band.first : band.first,
                    clockwise ? -1 : 1,
                    clockwise ? firstSourceRow : g.height - 1 - firstSourceRow,
                    clockwise ? 1 : -1};
}

template <int kBytes>
void TurnWholeBytePixels(const TileWalk w) {
    const ptrdiff_t dstStep = w.dstColumnStep * kBytes;
    const ptrdiff_t dstFirst = static_cast<ptrdiff_t>(w.dstColumnBase) * kBytes;
    for (int k = w.bandBegin; k < w.bandEnd; ++k) {
        const BYTE* src = w.src + static_cast<size_t>(w.srcColumnBase + w.srcColumnStep * k) * kBytes;
        BYTE* dst = w.dst + static_cast<size_t>(k) * w.dstStride + dstFirst;
        for (int n = 0; n < w.rows; ++n)
            std::memcpy(dst + n * dstStep, src + static_cast<size_t>(n) * w.srcStride, kBytes);
    }
}

// 24-bit pixels as four-byte words, one load and one store a pixel. The
// pixels go in ascending destination order, so the byte each store spills
// into the next pixel is written again by the next store; the last pixel
// is stored as three bytes. A source pixel at the very end of its row is
// read as three bytes too.
template <bool kWide>
void TurnTripleRow(const BYTE* src, ptrdiff_t srcStep, BYTE* dst, int count) {
    auto load = [](const BYTE* p) {
        uint32_t v = 0;
        std::memcpy(&v, p, kWide ? 4 : 3);
        return v;
    };
    for (int i = 0; i + 1 < count; ++i) {
        const uint32_t v = load(src + i * srcStep);
        std::memcpy(dst + static_cast<size_t>(i) * 3, &v, 4);
    }
    const uint32_t v = load(src + (count - 1) * srcStep);
    std::memcpy(dst + static_cast<size_t>(count - 1) * 3, &v, 3);
}

void TurnTriples(const TileWalk w) {
    const bool ascending = w.dstColumnStep > 0;
    const int lowest = ascending ? 0 : w.rows - 1;  // tile row with the lowest destination column
    const size_t lowColumn = static_cast<size_t>(w.dstColumnBase + w.dstColumnStep * lowest);
    for (int k = w.bandBegin; k < w.bandEnd; ++k) {
        const size_t srcOffset = static_cast<size_t>(w.srcColumnBase + w.srcColumnStep * k) * 3;
        const BYTE* src = w.src + static_cast<size_t>(lowest) * w.srcStride + srcOffset;
        BYTE* dst = w.dst + static_cast<size_t>(k) * w.dstStride + lowColumn * 3;
        const ptrdiff_t srcStep = static_cast<ptrdiff_t>(w.srcStride) * (ascending ? 1 : -1);
        if (srcOffset + 4 <= w.srcStride)
            TurnTripleRow<true>(src, srcStep, dst, w.rows);
        else
            TurnTripleRow<false>(src, srcStep, dst, w.rows);
    }
}

// 1, 2 and 4 bits: pixels packed from the most significant bit; the other
// pixels of a destination byte keep their bits.
void TurnPackedPixels(const TileWalk w, int bits) {
    const unsigned mask = (1u << bits) - 1;
    for (int k = w.bandBegin; k < w.bandEnd; ++k) {
        const size_t srcBit = static_cast<size_t>(w.srcColumnBase + w.srcColumnStep * k) * bits;
        const BYTE* src = w.src + srcBit / 8;
        const int srcShift = 8 - bits - static_cast<int>(srcBit % 8);
        BYTE* dst = w.dst + static_cast<size_t>(k) * w.dstStride;
        for (int n = 0; n < w.rows; ++n) {
            const unsigned value = (src[static_cast<size_t>(n) * w.srcStride] >> srcShift) & mask;
            const size_t dstBit = static_cast<size_t>(w.dstColumnBase + w.dstColumnStep * n) * bits;
            const int dstShift = 8 - bits - static_cast<int>(dstBit % 8);
            BYTE& out = dst[dstBit / 8];
            out = static_cast<BYTE>((out & ~(mask << dstShift)) | (value << dstShift));
        }
    }
}

void TurnTile(const RowPiece& run, const RowPiece& band, const TurnGeometry& g, const Tile& tile) {
    if (tile.rowBegin >= tile.rowEnd || tile.bandBegin >= tile.bandEnd) return;
    const TileWalk w = Walk(run, band, g, tile);
    switch (g.bitCount) {
        case 8:
            return TurnWholeBytePixels<1>(w);
        case 16:
            return TurnWholeBytePixels<2>(w);
        case 24:
            return kLittleEndian ? TurnTriples(w) : TurnWholeBytePixels<3>(w);
        case 32:
            return TurnWholeBytePixels<4>(w);
        default:
            return TurnPackedPixels(w, g.bitCount);
    }
}

// Eight words of eight bytes, as an 8 x 8 matrix (word n, byte t in memory
// order) transposed in place: swap the off-diagonal 4 x 4 blocks, then the
// 2 x 2 blocks inside them, then single bytes. Written out so that the
// matrix stays in registers.
inline void SwapBlocks(uint64_t& a, uint64_t& b, int shift, uint64_t mask) {
    const uint64_t t = ((a >> shift) ^ b) & mask;
    a ^= t << shift;
    b ^= t;
}

inline void Transpose8x8(uint64_t& m0, uint64_t& m1, uint64_t& m2, uint64_t& m3, uint64_t& m4, uint64_t& m5,
                         uint64_t& m6, uint64_t& m7) {
    constexpr uint64_t kHalves = 0x00000000FFFFFFFFull, kQuarters = 0x0000FFFF0000FFFFull,
                       kBytes = 0x00FF00FF00FF00FFull;
    SwapBlocks(m0, m4, 32, kHalves);
    SwapBlocks(m1, m5, 32, kHalves);
    SwapBlocks(m2, m6, 32, kHalves);
    SwapBlocks(m3, m7, 32, kHalves);
    SwapBlocks(m0, m2, 16, kQuarters);
    SwapBlocks(m1, m3, 16, kQuarters);
    SwapBlocks(m4, m6, 16, kQuarters);
    SwapBlocks(m5, m7, 16, kQuarters);
    SwapBlocks(m0, m1, 8, kBytes);
    SwapBlocks(m2, m3, 8, kBytes);
    SwapBlocks(m4, m5, 8, kBytes);
    SwapBlocks(m6, m7, 8, kBytes);
}

inline uint64_t Load8(const BYTE* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

inline void Store8(BYTE* p, uint64_t v) { std::memcpy(p, &v, 8); }

// 8-bit pixels eight by eight: eight source rows of eight bytes become,
// transposed, eight destination rows of eight bytes. Byte order within a
// word is memory order only on little-endian machines. Tile rows and band
// rows come in whole eights.
void TurnBytesByBlocks(const TileWalk w) {
    const bool clockwise = w.srcColumnStep < 0;
    for (int n0 = 0; n0 < w.rows; n0 += 8) {
        const BYTE* srcRows = w.src + static_cast<size_t>(n0) * w.srcStride;
        // Destination columns of tile rows n0 … n0 + 7, lowest first.
        const size_t dstColumn = static_cast<size_t>(w.dstColumnBase + w.dstColumnStep * (clockwise ? n0 : n0 + 7));
        for (int k0 = w.bandBegin; k0 < w.bandEnd; k0 += 8) {
            // Band rows k0 … k0 + 7 take source columns c … c + 7, in
            // reverse order when turning clockwise.
            const int c = w.srcColumnBase + w.srcColumnStep * (clockwise ? k0 + 7 : k0);
            const BYTE* src = srcRows + c;
            const size_t ss = w.srcStride;
            uint64_t m0 = Load8(src), m1 = Load8(src + ss), m2 = Load8(src + 2 * ss), m3 = Load8(src + 3 * ss),
                     m4 = Load8(src + 4 * ss), m5 = Load8(src + 5 * ss), m6 = Load8(src + 6 * ss),
                     m7 = Load8(src + 7 * ss);
            Transpose8x8(m0, m1, m2, m3, m4, m5, m6, m7);
            // Word t is source column c + t: band row k0 + 7 - t clockwise
            // (bytes in order), k0 + t counter-clockwise (bytes reversed).
            BYTE* dst = w.dst + dstColumn;
            const uint64_t words[8] = {m0, m1, m2, m3, m4, m5, m6, m7};
            for (int t = 0; t < 8; ++t) {
                const size_t k = static_cast<size_t>(clockwise ? k0 + 7 - t : k0 + t);
                Store8(dst + k * w.dstStride, clockwise ? words[t] : __builtin_bswap64(words[t]));
            }
        }
    }
}

void TurnTileByBlocks(const RowPiece& run, const RowPiece& band, const TurnGeometry& g, const Tile& tile) {
    if (!kLittleEndian || g.bitCount != 8) return TurnTile(run, band, g, tile);
    // Whole 8 x 8 blocks, then the rows and band rows left over.
    const int rowsInBlocks = tile.rowBegin + (tile.rowEnd - tile.rowBegin) / 8 * 8;
    const int bandInBlocks = tile.bandBegin + (tile.bandEnd - tile.bandBegin) / 8 * 8;
    if (rowsInBlocks > tile.rowBegin && bandInBlocks > tile.bandBegin)
        TurnBytesByBlocks(Walk(run, band, g, Tile{tile.rowBegin, rowsInBlocks, tile.bandBegin, bandInBlocks}));
    TurnTile(run, band, g, Tile{rowsInBlocks, tile.rowEnd, tile.bandBegin, bandInBlocks});
    TurnTile(run, band, g, Tile{tile.rowBegin, tile.rowEnd, bandInBlocks, tile.bandEnd});
}

}  // namespace

bool CanTurn(int bitCount) {
    switch (bitCount) {
        case 1:
        case 2:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            return true;
        default:
            return false;
    }
}

void ClearRowTails(const RowPiece& band, const TurnGeometry& g) {
    const size_t from = static_cast<size_t>(g.height) * static_cast<size_t>(g.bitCount) / 8;
    if (from >= g.dstStride) return;
    for (int k = 0; k < band.count; ++k) std::memset(band.Row(k) + from, 0, g.dstStride - from);
}

namespace {

void TurnBlockOnThisThread(const RowPiece& run, const RowPiece& band, const TurnGeometry& g) {
    const int bandTile = std::max(8, static_cast<int>(kSourceSpanBytes * 8 / static_cast<size_t>(g.bitCount)) / 8 * 8);
    for (int b0 = 0; b0 < band.count; b0 += bandTile) {
        const int b1 = std::min(band.count, b0 + bandTile);
        for (int r0 = 0; r0 < run.count; r0 += kTileRows) {
            const int r1 = std::min(run.count, r0 + kTileRows);
            TurnTileByBlocks(run, band, g, Tile{r0, r1, b0, b1});
        }
    }
}

// Below this many destination bytes a second thread costs more than it saves.
constexpr size_t kBytesWorthAThread = size_t{256} << 10;

// Band rows [from, from + count) as a band of their own.
RowPiece PartOfBand(const RowPiece& band, int from, int count) {
    return RowPiece{band.first + from, count, band.stride, band.order, band.Row(from)};
}

}  // namespace

// Large blocks are split between this thread and one more: the halves write
// disjoint destination rows and only read the source. Moving pixels is most
// of a turn in memory, and a machine without a spare thread just does both
// halves here.
void TurnBlock(const RowPiece& run, const RowPiece& band, const TurnGeometry& g) {
    const size_t bytes = static_cast<size_t>(run.count) * static_cast<size_t>(band.count) * static_cast<size_t>(g.bitCount) / 8;
    const int half = band.count / 16 * 8;
    if (bytes < kBytesWorthAThread || half == 0 || band.order != RowOrder::BottomUp || !SpareCoreLikely())
        return TurnBlockOnThisThread(run, band, g);
    const RowPiece upper = PartOfBand(band, half, band.count - half);
    HelperThread helper;
    if (!helper.Start([&] { TurnBlockOnThisThread(run, upper, g); })) TurnBlockOnThisThread(run, upper, g);
    TurnBlockOnThisThread(run, PartOfBand(band, 0, half), g);
    helper.Join();
}

}  // namespace velmora
