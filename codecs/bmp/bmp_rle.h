// Decoding BMP run-length data (BI_RLE8 and BI_RLE4) one row at a time.
//
// A row is a sequence of pairs: a count c > 0 and a value repeat the value
// (RLE8) or its two nibbles in turn (RLE4) c times; a 0 introduces an escape:
// 0 ends the row, 1 ends the bitmap, 2 is a delta (the next two bytes move
// right and up: the pixels passed over keep what the row held, which the
// reader clears to index 0), and 3..255 is a literal run of that many
// pixels, padded to an even number of bytes. Whatever a file says, nothing
// is written past the row's `width` pixels.
#pragma once

#include "frame/byte_reader.h"
#include "velmora/wintypes.h"

namespace velmora::bmp {

class RunLengthDecoder {
public:
    enum Status {
        kRowDone,     // the row ended (end of line, or a delta moved past it)
        kBitmapDone,  // end of bitmap: this and every later row end here
        kTruncated    // the data ended inside the row
    };

    // bitCount is 8 (RLE8) or 4 (RLE4).
    RunLengthDecoder(ByteReader& in, int width, int bitCount);

    // Decodes the next row into `row`, whose first width pixels it may set;
    // pixels the data does not reach are left alone (a row a delta passes
    // over entirely is not touched).
    Status DecodeRow(BYTE* row);

private:
    void Put(BYTE* row, int x, BYTE index) const;
    void Repeat(BYTE* row, int* x, int count, BYTE value) const;
    bool Literal(BYTE* row, int* x, int count);
    bool Delta(int* x, bool* rowEnded);

    ByteReader& m_in;
    int m_nWidth;
    int m_nBitCount;
    int m_nRowsToSkip = 0;  // whole rows a delta passed over, still to come
    int m_nStartX = 0;      // where the row after a delta's rows begins
};

}  // namespace velmora::bmp
