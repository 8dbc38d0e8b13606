// Decoding the GIF image data stream into picture rows. The stream is
// untrusted: every code is checked against the table before it is used, the
// source is never read past its chunk, and decoding stops at the first code
// that makes no sense, at the end of the data, or after the last row.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "codecs/gif/gif_lzw.h"
#include "platform/dib_geometry.h"

namespace velmora::gif {

namespace {

constexpr int kPassStart[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};
constexpr int kLargestWidth = 12;
constexpr uint16_t kNoPrefix = 0xFFFF;

// The data bytes of the sub-blocks, read from the state's chunk buffer and
// refilled from the file. The state's cursor is kept up to date on exit.
class SubBlockFeed {
public:
    SubBlockFeed(CFile& file, gifd_var* state)
        : m_file(file), m_state(state), m_pCur(reinterpret_cast<const BYTE*>(state->srcCursor)),
          m_pEnd(reinterpret_cast<const BYTE*>(state->srcEnd)) {
        if (!m_pCur || m_pEnd < m_pCur) m_pCur = m_pEnd = nullptr;
    }
    ~SubBlockFeed() {
        if (!m_pCur) return;
        m_state->srcCursor = const_cast<char*>(reinterpret_cast<const char*>(m_pCur));
        m_state->srcEnd = const_cast<char*>(reinterpret_cast<const char*>(m_pEnd));
    }

    // The next byte of the stream itself (the code size byte).
    bool Raw(BYTE* out) {
        if (m_pCur == m_pEnd && !Refill()) return false;
        *out = *m_pCur++;
        return true;
    }
    // The next data byte; false at a zero-length sub-block or the file's end.
    bool Data(BYTE* out) {
        if (m_nLeft == 0 && !NextBlock()) return false;
        --m_nLeft;
        return Raw(out);
    }

private:
    bool NextBlock() {
        BYTE length = 0;
        if (m_bEnded || !Raw(&length) || length == 0) {
            m_bEnded = true;
            return false;
        }
        m_nLeft = length;
        return true;
    }
    bool Refill() {
        if (m_state->srcDone || !m_state->srcBuffer) return false;
        ::ReadSrcData(m_file, &m_state->chunkSize, &m_state->fileRemain, m_state->srcBuffer, &m_state->srcDone);
        m_pCur = reinterpret_cast<const BYTE*>(m_state->srcBuffer);
        m_pEnd = m_pCur + m_state->chunkSize;
        return m_pCur != m_pEnd;
    }

    CFile& m_file;
    gifd_var* m_state;
    const BYTE* m_pCur;
    const BYTE* m_pEnd;
    int m_nLeft = 0;
    bool m_bEnded = false;
};

// Finished rows of pixel indices (one byte each) go to the picture rows,
// packed to the image's bit count.
class RowSink {
public:
    RowSink(PictureRows& rows, int width, int bitCount, bool interlaced)
        : m_rows(rows), m_order(rows.Height(), interlaced), m_nBitCount(bitCount), m_pixels(width),
          m_packed(std::max(rows.Stride(), PixelBytes(width, bitCount))) {}

    bool Done() const { return m_order.Done() || m_bMissing; }
    bool Missing() const { return m_bMissing; }
    int Width() const { return static_cast<int>(m_pixels.size()); }
    int Column() const { return m_nColumn; }
    BYTE* At(int column) { return m_pixels.data() + column; }

    // `count` pixels were written at Column(); finishes the row when full.
    void Advance(int count) {
        m_nColumn += count;
        if (m_nColumn == Width()) FinishRow();
    }
    // Rows not decoded are 0, the decoded start of a cut row included.
    void ClearRest() {
        while (!Done()) {
            std::fill(m_pixels.begin() + m_nColumn, m_pixels.end(), BYTE{0});
            FinishRow();
        }
    }

private:
    void FinishRow() {
        m_nColumn = 0;
        BYTE* row = m_rows.Row(m_order.Row());
        if (!row) {
            m_bMissing = true;
            return;
        }
        const BYTE* bytes = m_nBitCount == 8 ? m_pixels.data() : Pack();
        size_t stride = m_rows.Stride();
        size_t used = std::min(stride, PixelBytes(Width(), m_nBitCount));
        std::memcpy(row, bytes, used);
        std::memset(row + used, 0, stride - used);
        m_order.Advance();
    }
    // From the most significant bits; an index wider than the bit count is cut
    // so it cannot spill into its neighbours.
    const BYTE* Pack() {
        std::fill(m_packed.begin(), m_packed.end(), BYTE{0});
        const unsigned mask = (1u << m_nBitCount) - 1;
        size_t bit = 0;
        for (BYTE pixel : m_pixels) {
            m_packed[bit / 8] |= static_cast<BYTE>((pixel & mask) << (8 - m_nBitCount - bit % 8));
            bit += static_cast<size_t>(m_nBitCount);
        }
        return m_packed.data();
    }

    PictureRows& m_rows;
    RowSequence m_order;
    int m_nBitCount;
    std::vector<BYTE> m_pixels;
    std::vector<BYTE> m_packed;
    int m_nColumn = 0;
    bool m_bMissing = false;
};

class Decoder {
public:
    Decoder(SubBlockFeed& feed, RowSink& sink) : m_feed(feed), m_sink(sink) {}

    // Decodes until the end code, the last row, or data that ends or makes
    // no sense.
    void Run(int codeSize) {
        m_nClear = 1 << codeSize;
        m_nCodeSize = codeSize;
        // Roots in place, so a stream that does not begin with a clear code works.
        Reset();
        int previous = -1;
        BYTE previousFirst = 0;
        int code = 0;
        while (!m_sink.Done() && NextCode(&code)) {
            if (code == m_nClear) {
                Reset();
                previous = -1;
                continue;
            }
            if (code == m_nClear + 1) return;
            if (code > m_nNext || (code == m_nNext && previous < 0)) return;
            if (code == m_nNext) {
                // The previous string and its own first character.
                AddEntry(previous, previousFirst);
            } else {
                previousFirst = Emit(code);
                if (previous >= 0) AddEntry(previous, previousFirst);
                previous = code;
                continue;
            }
            Emit(code);
            previous = code;
        }
    }

private:
    void Reset() {
        for (int i = 0; i < m_nClear; ++i) {
            m_prefix[i] = kNoPrefix;
            m_suffix[i] = static_cast<BYTE>(i);
            m_length[i] = 1;
        }
        m_nNext = m_nClear + 2;
        m_nWidth = m_nCodeSize + 1;
        m_nLimit = 1 << m_nWidth;
    }

    bool NextCode(int* code) {
        while (m_nHeld < m_nWidth) {
            BYTE byte = 0;
            if (!m_feed.Data(&byte)) return false;
            m_nBits |= static_cast<uint32_t>(byte) << m_nHeld;
            m_nHeld += 8;
        }
        *code = static_cast<int>(m_nBits & ((1u << m_nWidth) - 1));
        m_nBits >>= m_nWidth;
        m_nHeld -= m_nWidth;
        return true;
    }

    // A full table takes no entries: codes go on at 12 bits until a clear code.
    void AddEntry(int prefix, BYTE suffix) {
        if (m_nNext >= kTableSize) return;
        m_prefix[m_nNext] = static_cast<uint16_t>(prefix);
        m_suffix[m_nNext] = suffix;
        m_length[m_nNext] = static_cast<uint16_t>(m_length[prefix] + 1);
        if (++m_nNext == m_nLimit && m_nWidth < kLargestWidth) {
            ++m_nWidth;
            m_nLimit <<= 1;
        }
    }

    // Writes the string of `code` to the rows and returns its first pixel.
    // Chains only lead to smaller codes, so a walk ends at a root within
    // m_length[code] steps.
    BYTE Emit(int code) {
        const int length = m_length[code];
        const int column = m_sink.Column();
        if (column + length <= m_sink.Width()) {
            BYTE* out = m_sink.At(column + length - 1);
            for (int i = 0; i < length; ++i, code = m_prefix[code]) *out-- = m_suffix[code];
            BYTE first = *m_sink.At(column);
            m_sink.Advance(length);
            return first;
        }
        // Across a row end: spell it out first, then hand it over row by row;
        // what lies past the last row is dropped.
        for (int i = length - 1; i >= 0; --i, code = m_prefix[code]) m_stack[i] = m_suffix[code];
        for (int done = 0; done < length && !m_sink.Done();) {
            int count = std::min(length - done, m_sink.Width() - m_sink.Column());
            std::memcpy(m_sink.At(m_sink.Column()), m_stack + done, static_cast<size_t>(count));
            m_sink.Advance(count);
            done += count;
        }
        return m_stack[0];
    }

    SubBlockFeed& m_feed;
    RowSink& m_sink;
    uint16_t m_prefix[kTableSize];
    BYTE m_suffix[kTableSize];
    uint16_t m_length[kTableSize];
    BYTE m_stack[kTableSize];
    int m_nClear = 0;
    int m_nCodeSize = 0;
    int m_nNext = 0;
    int m_nWidth = 0;
    int m_nLimit = 0;
    uint32_t m_nBits = 0;
    int m_nHeld = 0;
};

bool PackableBitCount(int bitCount) { return bitCount == 1 || bitCount == 2 || bitCount == 4 || bitCount == 8; }

}  // namespace

RowSequence::RowSequence(int height, bool interlaced)
    : m_nHeight(height), m_bInterlaced(interlaced), m_nRow(height > 0 ? 0 : -1) {}

void RowSequence::Advance() {
    if (m_nRow < 0) return;
    m_nRow += m_bInterlaced ? kPassStep[m_nPass] : 1;
    // The next pass whose start row lies inside the image.
    while (m_nRow >= m_nHeight) {
        if (!m_bInterlaced || ++m_nPass == 4) {
            m_nRow = -1;
            return;
        }
        m_nRow = kPassStart[m_nPass];
    }
}

DecodeEnd DecodeRows(CFile& file, gifd_var* state, PictureRows& rows) {
    if (!PackableBitCount(state->bitCount) || rows.Height() != state->height) return DecodeEnd::kCutShort;
    SubBlockFeed feed(file, state);
    RowSink sink(rows, state->width, state->bitCount, state->interlaced != 0);
    BYTE codeSize = 0;
    if (state->width > 0 && feed.Raw(&codeSize) && codeSize <= kLargestCodeSize) {
        auto decoder = std::make_unique<Decoder>(feed, sink);
        decoder->Run(codeSize);
    }
    if (sink.Done() && !sink.Missing()) return DecodeEnd::kAllRows;
    sink.ClearRest();
    return sink.Missing() ? DecodeEnd::kRowMissing : DecodeEnd::kCutShort;
}

}  // namespace velmora::gif

void ReadSrcData(CFile& file, unsigned short* chunkSize, unsigned long* fileRemain, char* buffer, int* srcDone) {
    if (*fileRemain > *chunkSize) {
        *fileRemain -= *chunkSize;
    } else {
        *chunkSize = static_cast<unsigned short>(*fileRemain);
        *srcDone = 1;
    }
    size_t got = file.Read(buffer, *chunkSize);
    // A file that shrank under us: the chunk is what arrived.
    if (got < *chunkSize) {
        *chunkSize = static_cast<unsigned short>(got);
        *srcDone = 1;
    }
}


void DecodeGIF_LZW(CFile& file, char* bits, gifd_var* state, unsigned short stride) {
    velmora::BlockRows rows(reinterpret_cast<BYTE*>(bits), state->height, stride);
    velmora::gif::DecodeRows(file, state, rows);
}
