// Block copies between two images, clipped to both.
#include <algorithm>
#include <cstring>
#include <vector>

#include "velmora/newdib.h"

namespace {

struct Block {
    int srcX, srcRow, dstX, dstRow, width, rows;
};

bool InsideImage(CNewDIB& image, int x, int row) {
    return x >= 0 && x < image.GetWidth() && row >= 0 && row < image.GetHeight();
}

// Both images hold pixels of the same whole-byte depth and both corners lie
// inside their images; the block is clipped to what both images hold.
bool ClipBlock(CNewDIB& src, CNewDIB& dst, Block* b) {
    if (!src.Ready() || !dst.Ready()) return false;
    if (src.GetBitCount() != dst.GetBitCount() || dst.GetBitCount() < 8) return false;
    if (b->width < 0 || b->rows < 0) return false;
    if (!InsideImage(src, b->srcX, b->srcRow) || !InsideImage(dst, b->dstX, b->dstRow)) return false;
    b->width = std::min({b->width, src.GetWidth() - b->srcX, dst.GetWidth() - b->dstX});
    b->rows = std::min({b->rows, src.GetHeight() - b->srcRow, dst.GetHeight() - b->dstRow});
    return true;
}

// One image's rows share one row window, so a copy inside one image goes
// through a row buffer, and runs downwards when the block moves up so that no
// source row is overwritten before it is read.
int CopyWithinImage(CNewDIB& image, const Block& b, size_t srcOffset, size_t dstOffset, size_t bytes) {
    std::vector<BYTE> row(bytes);
    bool downwards = b.dstRow > b.srcRow;
    for (int k = 0; k < b.rows; ++k) {
        int i = downwards ? b.rows - 1 - k : k;
        BYTE* from = image.GetDIBRow(b.srcRow + i);
        if (!from) return 0;
        std::memcpy(row.data(), from + srcOffset, bytes);
        BYTE* to = image.GetDIBRow(b.dstRow + i);
        if (!to) return 0;
        std::memcpy(to + dstOffset, row.data(), bytes);
    }
    return 1;
}

int CopyBlock(CNewDIB& src, CNewDIB& dst, Block b) {
    if (!ClipBlock(src, dst, &b)) return 0;
    size_t pixelBytes = static_cast<size_t>(dst.GetBitCount() / 8);
    size_t bytes = static_cast<size_t>(b.width) * pixelBytes;
    size_t srcOffset = static_cast<size_t>(b.srcX) * pixelBytes;
    size_t dstOffset = static_cast<size_t>(b.dstX) * pixelBytes;
    if (&src == &dst) return CopyWithinImage(src, b, srcOffset, dstOffset, bytes);
    // Each image has its own row window, so both rows stay valid together.
    for (int i = 0; i < b.rows; ++i) {
        BYTE* from = src.GetDIBRow(b.srcRow + i);
        BYTE* to = dst.GetDIBRow(b.dstRow + i);
        if (!from || !to) return 0;
        std::memcpy(to + dstOffset, from + srcOffset, bytes);
    }
    return 1;
}

}  // namespace

int CNewDIB::GetDIBBlock(CNewDIB* src, int srcX, int srcRow, int x, int row, int width, int rows) {
    if (!src) return 0;
    return CopyBlock(*src, *this, Block{srcX, srcRow, x, row, width, rows});
}

int CNewDIB::PutDIBBlock(CNewDIB* dst, int dstX, int dstRow, int x, int row, int width, int rows) {
    if (!dst) return 0;
    return CopyBlock(*this, *dst, Block{x, row, dstX, dstRow, width, rows});
}
