// Moving pixels for a quarter turn, one block of source rows into one band
// of destination rows at a time. The destination has the source's height as
// its width and the source's width as its height.
#pragma once

#include <cstddef>

#include "storage/row_walker.h"

namespace velmora {

enum class Turn { kClockwise, kCounterClockwise };

struct TurnGeometry {
    int width;     // source width: the destination's row count
    int height;    // source height: the destination's width
    int bitCount;  // 1, 2, 4, 8, 16, 24 or 32
    size_t srcStride;
    size_t dstStride;
    Turn turn;
};

// Bit counts whose pixels a turn can move (whole bytes or packed bits).
bool CanTurn(int bitCount);

// Zeroes each band row from the byte holding its last pixel bits to the
// stride, so the turned image carries no stale bytes after its pixels.
void ClearRowTails(const RowPiece& band, const TurnGeometry& g);

// Destination row i, column j takes, clockwise, source storage row j,
// column width - 1 - i; counter-clockwise, source storage row
// height - 1 - j, column i. This fills the part of the band that the
// source rows of `run` supply.
void TurnBlock(const RowPiece& run, const RowPiece& band, const TurnGeometry& g);

}  // namespace velmora
