// Coding 8-bit picture rows as a GIF image data stream. Codes grow from
// minimum code size + 1 bits to 12, and a full table is cleared. Files
// written by earlier versions carry exactly this stream, so the growth
// points and the sub-block staging stay as they are. The string table is
// only a lookup and does not change the stream: an open-addressed hash of
// 16384 slots, linearly probed from a multiplicative hash of the string's
// prefix and pixel, at most a quarter full (4096 codes), so a lookup rarely
// probes twice.
#include <cstdint>
#include <cstring>
#include <memory>

#include "codecs/gif/gif_lzw.h"
#include "environment/texts.h"
#include "velmora/application.h"

namespace velmora::gif {

namespace {

constexpr int kHashBits = 14;
constexpr int kHashSlots = 1 << kHashBits;

// Fibonacci hashing: the top bits of (prefix, pixel) times 2^32 / phi.
// Prefixes are consecutive codes, which a plain shift-and-xor would pack
// into long runs of neighbouring slots.
int FirstSlot(int prefix, int pixel) {
    const uint32_t key = static_cast<uint32_t>(prefix) << 8 | static_cast<uint32_t>(pixel);
    return static_cast<int>((key * 2654435769u) >> (32 - kHashBits));
}
constexpr uint16_t kEmptySlot = 0xFFFF;
constexpr int kLargestWidth = 12;
constexpr int kStagingBytes = 256;
constexpr int kSubBlockData = 255;

// Moves the staged sub-block (`bytes` bytes, length byte first) to the
// output buffer, writing the buffer out first when it could not take a
// full sub-block.
void MoveSubBlock(CFile& file, char* staging, int bytes, gifc_var* state) {
    if (state->outBytes + kStagingBytes >= static_cast<int>(kOutBufferBytes)) {
        file.Write(state->outBuffer, state->outBytes);
        state->outBytes = 0;
        state->outCursor = state->outBuffer;
    }
    staging[0] = static_cast<char>(bytes - 1);
    std::memcpy(state->outCursor, staging, static_cast<size_t>(bytes));
    state->outCursor += bytes;
    state->outBytes = static_cast<WORD>(state->outBytes + bytes);
    state->blockFill = 1;
}

void StageByte(CFile& file, char* staging, gifc_var* state) {
    staging[state->blockFill] = static_cast<char>(state->bitBuffer & 0xFF);
    if (++state->blockFill == kStagingBytes) MoveSubBlock(file, staging, kStagingBytes, state);
}

struct StringTable {
    uint16_t code[kHashSlots];
    uint16_t prefix[kHashSlots];
    BYTE suffix[kHashSlots];

    void Clear() { std::fill(code, code + kHashSlots, kEmptySlot); }
};

class Encoder {
public:
    Encoder(CFile& file, gifc_var* state, int codeSize)
        : m_file(file), m_state(state), m_nCodeSize(codeSize), m_nClear(1 << codeSize) {
        Reset();
        Put(m_nClear);
    }

    // Visits the rows in file order; a string runs on across row ends.
    Failure Run(PictureRows& rows, int interlace) {
        const int width = m_state->width;
        bool started = false;
        int prefix = 0;
        for (RowSequence order(m_state->height, interlace != 0); !order.Done(); order.Advance()) {
            const BYTE* row = rows.Row(order.Row());
            if (!row) return text::kMapFailed;
            int x = 0;
            if (!started && width > 0) {
                prefix = row[0];
                x = 1;
                started = true;
            }
            for (; x < width; ++x) prefix = Extend(prefix, row[x]);
        }
        if (started) Put(prefix);
        Put(m_nClear + 1);
        Flush();
        return nullptr;
    }

private:
    void Reset() {
        m_table.Clear();
        m_nNext = m_nClear + 2;
        m_nWidth = m_nCodeSize + 1;
        m_nLimit = 1 << m_nWidth;
    }

    void Put(int code) { WriteGIFCode(m_file, code, m_staging, m_nWidth, m_state); }

    // The string `prefix` followed by `pixel`: its code when the table holds
    // it, else `prefix` goes out, the string is entered, and `pixel` starts
    // the next one.
    int Extend(int prefix, int pixel) {
        int h = FirstSlot(prefix, pixel);
        while (m_table.code[h] != kEmptySlot) {
            if (m_table.prefix[h] == prefix && m_table.suffix[h] == pixel) return m_table.code[h];
            h = (h + 1) & (kHashSlots - 1);
        }
        Put(prefix);
        const int assigned = m_nNext;
        if (m_nNext < kTableSize) {
            m_table.code[h] = static_cast<uint16_t>(m_nNext++);
            m_table.prefix[h] = static_cast<uint16_t>(prefix);
            m_table.suffix[h] = static_cast<BYTE>(pixel);
        }
        if (assigned == m_nLimit) Grow();
        return pixel;
    }

    void Grow() {
        if (m_nWidth < kLargestWidth) {
            ++m_nWidth;
            m_nLimit <<= 1;
            return;
        }
        // Full table: a clear code at 12 bits, then the table starts again.
        Put(m_nClear);
        Reset();
    }

    // The last bits as a byte, and the staged sub-block to the buffer.
    void Flush() {
        if (m_state->bitsHeld > 0) {
            StageByte(m_file, m_staging, m_state);
            m_state->bitBuffer = 0;
            m_state->bitsHeld = 0;
        }
        if (m_state->blockFill > 1) MoveSubBlock(m_file, m_staging, m_state->blockFill, m_state);
    }

    CFile& m_file;
    gifc_var* m_state;
    int m_nCodeSize;
    int m_nClear;
    int m_nNext = 0;
    int m_nWidth = 0;
    int m_nLimit = 0;
    char m_staging[kStagingBytes] = {};
    StringTable m_table;
};

}  // namespace

void WriteGIFCode(CFile& file, int code, char* staging, int width, gifc_var* state) {
    state->bitBuffer |= static_cast<DWORD>(code) << state->bitsHeld;
    state->bitsHeld = static_cast<BYTE>(state->bitsHeld + width);
    while (state->bitsHeld >= 8) {
        StageByte(file, staging, state);
        state->bitBuffer >>= 8;
        state->bitsHeld = static_cast<BYTE>(state->bitsHeld - 8);
    }
}

Failure EncodeRows(PictureRows& rows, CFile& file, gifc_var* state, int interlace) {
    const int codeSize = state->bitCount < 2 ? 2 : state->bitCount;
    const BYTE codeSizeByte = static_cast<BYTE>(codeSize);
    file.Write(&codeSizeByte, 1);
    if (state->bitCount != 8) {
        if (state->height != 0) MessageBoxA(nullptr, text::kGifOnly256Colour, text::kGifErrorCaption, MB_OKCANCEL);
        return text::kGifOnly256Colour;
    }
    auto encoder = std::make_unique<Encoder>(file, state, codeSize);
    return encoder->Run(rows, interlace);
}

}  // namespace velmora::gif

void EncodeGIF_LZW(char* bits, CFile& file, gifc_var* state, unsigned short stride, int interlace) {
    velmora::BlockRows rows(reinterpret_cast<BYTE*>(bits), state->height, stride);
    velmora::gif::EncodeRows(rows, file, state, interlace);
}
