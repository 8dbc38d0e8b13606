// The one way to walk an image's rows. A page-file image maps only a window
// of its rows at a time, so nothing addresses the whole image from one
// pointer: it asks for a row or a piece of rows, uses it, and asks again.
//
// Two numberings (see CNewDIBObject::GetDIBBuffer):
//   RowOrder::BottomUp  storage rows, 0 = bottom row of the picture (BMP,
//                       TIFF walked from its last strip, the transforms).
//   RowOrder::TopDown   picture rows, 0 = top row (JPEG, PCX, PNG, GIF).
//
// Anything that may request rows of the same image in between (a progress
// message runs the host's code, which may draw the image or read pixels)
// moves the image's window. The walker notices: every image counts its window
// placements, and a walker whose placement is no longer the image's current
// one asks again instead of using a stale address.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "velmora/newdibobject.h"
#include "velmora/wintypes.h"

namespace velmora {

enum class RowOrder { BottomUp, TopDown };

// Rows first .. first + count - 1 (in the walk's numbering) of one window.
// Valid until the next row request on the image.
struct RowPiece {
    int first;
    int count;
    size_t stride;
    RowOrder order;
    // The piece's lowest address: row `first` when BottomUp, row
    // first + count - 1 when TopDown. The piece is count * stride bytes from
    // here, so rows stored in the piece's memory order move in one transfer.
    BYTE* lowest;

    // Address of row first + k.
    BYTE* Row(int k) const {
        size_t index = order == RowOrder::BottomUp ? static_cast<size_t>(k) : static_cast<size_t>(count - 1 - k);
        return lowest + index * stride;
    }
    size_t Bytes() const { return static_cast<size_t>(count) * stride; }
};

// Single rows or pieces in any order, remapping only when a row lies outside
// the current window or the window moved under it.
class RowWalker {
public:
    RowWalker(CNewDIBObject* image, RowOrder order);

    // Address of `row`, or null when no window can be placed (or the row lies
    // outside the image). Valid until the next row request on the image.
    BYTE* Row(int row);
    // The rows from `row` to the end of its window, at most `limit` of them;
    // count 0 and a null `lowest` when no window can be placed.
    RowPiece Piece(int row, int limit);

    int Height() const { return m_nHeight; }
    size_t Stride() const { return m_nStride; }
    RowOrder Order() const { return m_order; }

private:
    bool Covers(int row) const;
    bool Place(int row);

    CNewDIBObject* m_pImage;
    RowOrder m_order;
    int m_nHeight;
    size_t m_nStride;
    BYTE* m_pRun = nullptr;  // lowest address of the current run
    int m_nFirst = 0;
    int m_nCount = 0;
    uint64_t m_nPlacement = 0;  // the image's placement the run belongs to
};

// A piece's rows through a view of their own (CNewDIBObject::MapRowsApart),
// valid until this goes whatever other code requests of the image meanwhile
// short of changing its storage: for a piece handed to the host's code.
class PieceApart {
public:
    PieceApart(CNewDIBObject& image, const RowPiece& piece);
    ~PieceApart();
    PieceApart(const PieceApart&) = delete;
    PieceApart& operator=(const PieceApart&) = delete;

    // The piece with its rows in the view; `lowest` null when none could be mapped.
    const RowPiece& Piece() const { return m_piece; }

private:
    CNewDIBObject& m_image;
    RowPiece m_piece;
    int m_nLowestRow;  // the storage row at `lowest`
};

// Calls visit(piece) for successive pieces of at most `limit` rows that
// together cover rows [first, end) in the walk's numbering, in ascending
// order. A false from `visit` stops the walk. Returns false when a window
// could not be placed or `visit` stopped it.
template <class Visit>
bool WalkRows(CNewDIBObject& image, RowOrder order, int first, int end, int limit, Visit&& visit) {
    RowWalker walker(&image, order);
    for (int row = first; row < end;) {
        RowPiece piece = walker.Piece(row, std::min(limit, end - row));
        if (!piece.lowest) return false;
        if (!visit(piece)) return false;
        row += piece.count;
    }
    return true;
}

// Copies storage rows [first, first + count) of `image` to `out` (count
// strides) and back. False when a window could not be placed.
bool CopyRowsOut(CNewDIBObject& image, int first, int count, BYTE* out);
bool CopyRowsIn(CNewDIBObject& image, int first, int count, const BYTE* in);

}  // namespace velmora
