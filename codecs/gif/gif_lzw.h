// The GIF image data stream, coded and decoded on picture rows: the same
// coder serves a host's memory block (BlockRows) and an image whose rows
// live in a page file (ImageRows), window by window.
#pragma once

#include <cstddef>

#include "frame/codec_frame.h"
#include "frame/picture_rows.h"
#include "velmora/gif.h"

namespace velmora::gif {

// The encoder's output buffer and the decoder's source chunks.
constexpr size_t kOutBufferBytes = 32768;
constexpr unsigned long kChunkBytes = 32768;
// Codes are at most 12 bits, so a minimum code size above 11 leaves no room.
constexpr int kLargestCodeSize = 11;
constexpr int kTableSize = 4096;

// Picture rows in the order the format stores them: top to bottom, or the
// four interlace passes (rows 0, 8, 16.. then 4, 12.. then 2, 6.. then 1, 3..).
class RowSequence {
public:
    RowSequence(int height, bool interlaced);
    bool Done() const { return m_nRow < 0; }
    int Row() const { return m_nRow; }
    void Advance();

private:
    void StartPass();

    int m_nHeight;
    bool m_bInterlaced;
    int m_nPass = 0;
    int m_nRow;
};

// How a decode ended.
enum class DecodeEnd {
    kAllRows,    // every row was decoded
    kCutShort,   // the data ended, or a code made no sense, before the last row
    kRowMissing  // a row could not be had from the image
};

// Decodes one image data stream from the state's source, refilled from
// `file`, into `rows` (state->width pixels of state->bitCount bits each, a
// row of rows.Stride() bytes). Stops after the last row; rows not decoded
// are written as 0.
DecodeEnd DecodeRows(CFile& file, gifd_var* state, PictureRows& rows);

// Encodes the 8-bit rows into the state's output buffer (see
// EncodeGIF_LZW). Null on success; kGifOnly256Colour after its message box
// when the image is not 8-bit; kMapFailed when a row cannot be had.
Failure EncodeRows(PictureRows& rows, CFile& file, gifc_var* state, int interlace);

// Appends one code of `width` bits; full sub-blocks move from `staging`
// (256 bytes, [0] = length) to the output buffer, which goes to `file` when
// it cannot take another.
void WriteGIFCode(CFile& file, int code, char* staging, int width, gifc_var* state);

}  // namespace velmora::gif
