// GIF coding on raw memory: the LZW coder and decoder of the GIF image data
// stream, a whole packed 8-bit DIB written as a GIF file, the first image of
// a GIF file read into a new packed DIB, and the geometry of packed DIBs.
//
// Packed DIB memory: a header, a colour table, then the pixel rows bottom row
// first, each padded to a multiple of 4 bytes. The header is the 40-byte
// BITMAPINFOHEADER (RGBQUAD table) when its first 32-bit word is 40, else the
// 12-byte BITMAPCOREHEADER (3-byte blue, green, red entries).
//
// File errors (CFileException) pass through every function here.
#pragma once

#include "velmora/cfile.h"
#include "velmora/wintypes.h"

// Encoder state. The caller sets outBuffer = outCursor = a zero-filled
// 32768-byte buffer it owns, bitBuffer 0, outBytes 0, blockFill 1,
// bitsHeld 0 and the four geometry fields; after EncodeGIF_LZW it writes the
// outBytes bytes left in the buffer.
struct gifc_var {
    char* outBuffer;
    char* outCursor;
    DWORD bitBuffer;      // codes not yet written, least significant bit first
    WORD width;           // pixels per row
    WORD height;          // rows
    short rowBytes;       // (width * bitCount + 7) / 8; not read by the encoder
    WORD bitCount;        // only 8-bit images are encoded
    WORD outBytes;        // bytes held in outBuffer (whole 256-byte sub-blocks)
    WORD blockFill;       // next free index of the sub-block staging area; 1 = empty
    BYTE bitsHeld;        // valid bits in bitBuffer
};

// Decoder state. The caller sets fileRemain to the bytes from the file's
// position to its end, chunkSize to min(fileRemain, 32768), srcBuffer to a
// buffer of chunkSize bytes, srcDone 0, calls ReadSrcData once, then sets
// srcCursor = srcBuffer and srcEnd = srcBuffer + chunkSize.
struct gifd_var {
    char* srcBuffer;
    char* srcCursor;           // next unread byte
    char* srcEnd;              // just past the valid bytes of the chunk
    unsigned long fileRemain;  // bytes of the file not yet read into the buffer
    WORD chunkSize;            // bytes per refill; the last chunk's size after it
    WORD width;                // pixels per row
    WORD height;               // rows
    short rowBytes;            // (width * bitCount + 7) / 8; not read by the decoder
    WORD bitCount;             // bits per pixel of the rows filled: 1, 2, 4 or 8
    int srcDone;               // 1 once the last chunk was read
    int interlaced;            // 1 when rows come in the four interlace passes
};

// Writes a whole GIF file (header, global colour table of 2^bitCount
// entries, one image, trailer) for the packed DIB at `dib` at the file's
// position. Colour-table entries the DIB does not hold are written black.
// Returns 1; an image that is not 8-bit gets a message box and an empty data
// stream (check the bit count first when that matters).
int DIBToGIF(char* dib, CFile& file, int interlace);

// Writes the LZW minimum code size byte to `file` and the compressed rows at
// `bits` (bottom-up, `stride` bytes apart) as sub-blocks into the state's
// output buffer, writing it to `file` whenever it fills. Interlaced output
// visits the rows in the four GIF passes. Only 8-bit pixels are encoded:
// other bit counts get a message box and no data.
void EncodeGIF_LZW(char* bits, CFile& file, gifc_var* state, unsigned short stride, int interlace);

// Reads the first image of the GIF file at the file's position into a new
// zero-filled block (40-byte header, 2^bitCount colours, bottom-up rows of
// 1, 4 or 8 bits). The caller owns the block and releases it with free().
// Null when the file holds no image, the image's size is 0 or more than the
// file's data can hold, or the block cannot be allocated. Rows the data does
// not reach (a damaged stream) are 0.
unsigned char* ReadGIF(CFile& file);

// Reads the next chunk of the file into `buffer` (see gifd_var).
void ReadSrcData(CFile& file, unsigned short* chunkSize, unsigned long* fileRemain, char* buffer, int* srcDone);

// Decodes one image data stream (minimum code size byte, sub-blocks) from
// the state's source into the bottom-up rows at `bits`, `stride` bytes
// apart, refilling the source from `file`. A damaged stream stops decoding;
// rows it did not reach are 0. Nothing is written outside height rows.
void DecodeGIF_LZW(CFile& file, char* bits, gifd_var* state, unsigned short stride);

// Packed-DIB geometry: the pixel rows, width, height and bit count.
char* FindDIBBits(char* dib);
unsigned long DIBWidth(char* dib);
unsigned long DIBHeight(char* dib);
unsigned short DIBBitCount(char* dib);
