// Rows by picture row (0 = top row), what the format coders are written
// against: the GIF LZW coder, the PCX run-length coder and PNG's interlace
// passes ask for "the row for picture row y" and never assume one pointer
// reaches every row. A page-file image hands its rows out window by window;
// a host's memory block (DecodeGIF_LZW, EncodeGIF_LZW) hands out rows of the
// one block.
#pragma once

#include <cstddef>

#include "storage/row_walker.h"
#include "velmora/wintypes.h"

namespace velmora {

class PictureRows {
public:
    virtual ~PictureRows() = default;
    // Address of picture row `y`, or null when it lies outside the image or
    // no window can be placed. Valid until the next call or the next row
    // request on the image (a progress message may make one).
    virtual BYTE* Row(int y) = 0;
    virtual int Height() const = 0;
    virtual size_t Stride() const = 0;
};

// The rows of an image's storage, through its row windows.
class ImageRows final : public PictureRows {
public:
    explicit ImageRows(CNewDIBObject* image) : m_walker(image, RowOrder::TopDown) {}
    BYTE* Row(int y) override { return m_walker.Row(y); }
    int Height() const override { return m_walker.Height(); }
    size_t Stride() const override { return m_walker.Stride(); }

private:
    RowWalker m_walker;
};

// The rows of a bottom-up DIB held in one block: picture row y lies at
// bits + (height - 1 - y) * stride.
class BlockRows final : public PictureRows {
public:
    BlockRows(BYTE* bits, int height, size_t stride) : m_pBits(bits), m_nHeight(height), m_nStride(stride) {}
    BYTE* Row(int y) override {
        if (!m_pBits || y < 0 || y >= m_nHeight) return nullptr;
        return m_pBits + static_cast<size_t>(m_nHeight - 1 - y) * m_nStride;
    }
    int Height() const override { return m_nHeight; }
    size_t Stride() const override { return m_nStride; }

private:
    BYTE* m_pBits;
    int m_nHeight;
    size_t m_nStride;
};

}  // namespace velmora
