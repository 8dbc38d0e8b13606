#include "codecs/bmp/bmp_rle.h"

#include <algorithm>

namespace velmora::bmp {

namespace {

constexpr BYTE kEscape = 0;
constexpr BYTE kEndOfLine = 0;
constexpr BYTE kEndOfBitmap = 1;
// Named apart from the Status value kDelta, which would hide it in the decoder.
constexpr BYTE kDeltaEscape = 2;

// The pixel index at position i of a run's value: RLE4 alternates its two
// nibbles, high first.
BYTE RunPixel(BYTE value, int i, int bitCount) {
    if (bitCount == 8) return value;
    return i % 2 == 0 ? static_cast<BYTE>(value >> 4) : static_cast<BYTE>(value & 0x0F);
}

}  // namespace

RunLengthDecoder::RunLengthDecoder(ByteReader& in, int width, int bitCount)
    : m_in(in), m_nWidth(width), m_nBitCount(bitCount) {}

void RunLengthDecoder::Put(BYTE* row, int x, BYTE index) const {
    if (m_nBitCount == 8) {
        row[x] = index;
        return;
    }
    BYTE& b = row[x / 2];
    b = x % 2 == 0 ? static_cast<BYTE>((b & 0x0F) | (index << 4)) : static_cast<BYTE>((b & 0xF0) | (index & 0x0F));
}

void RunLengthDecoder::Repeat(BYTE* row, int* x, int count, BYTE value) const {
    int n = std::min(count, m_nWidth - *x);
    for (int i = 0; i < n; ++i) Put(row, *x + i, RunPixel(value, i, m_nBitCount));
    *x += std::max(n, 0);
}

bool RunLengthDecoder::Literal(BYTE* row, int* x, int count) {
    // RLE8 carries a pixel per byte, RLE4 two; the run is padded to a word.
    int bytes = m_nBitCount == 8 ? count : (count + 1) / 2;
    int padded = bytes + (bytes & 1);
    BYTE data[256];
    if (!m_in.Take(data, static_cast<size_t>(padded))) return false;
    int n = std::min(count, m_nWidth - *x);
    for (int i = 0; i < n; ++i) {
        BYTE index = m_nBitCount == 8 ? data[i] : RunPixel(data[i / 2], i, 4);
        Put(row, *x + i, index);
    }
    *x += std::max(n, 0);
    return true;
}

// Right by dx within the row (never past its end); up by dy rows ends this
// row and passes over dy - 1 more, the row after them starting at x + dx.
// False when the data ends first.
bool RunLengthDecoder::Delta(int* x, bool* rowEnded) {
    BYTE dx = 0, dy = 0;
    if (!m_in.Next(&dx) || !m_in.Next(&dy)) return false;
    *x = std::min(*x + dx, m_nWidth);
    *rowEnded = dy > 0;
    if (dy > 0) {
        m_nRowsToSkip = dy - 1;
        m_nStartX = *x;
    }
    return true;
}

RunLengthDecoder::Status RunLengthDecoder::DecodeRow(BYTE* row) {
    if (m_nRowsToSkip > 0) {
        --m_nRowsToSkip;
        return kRowDone;
    }
    int x = m_nStartX;
    m_nStartX = 0;
    for (;;) {
        BYTE count = 0, value = 0;
        if (!m_in.Next(&count) || !m_in.Next(&value)) return kTruncated;
        if (count != kEscape) {
            Repeat(row, &x, count, value);
            continue;
        }
        switch (value) {
        case kEndOfLine: return kRowDone;
        case kEndOfBitmap: return kBitmapDone;
        case kDeltaEscape: {
            bool rowEnded = false;
            if (!Delta(&x, &rowEnded)) return kTruncated;
            if (rowEnded) return kRowDone;
            break;
        }
        default:
            if (!Literal(row, &x, value)) return kTruncated;
        }
    }
}

}  // namespace velmora::bmp
