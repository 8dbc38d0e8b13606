// The GIF container around the image data stream: the signature, the screen
// descriptor, colour tables, extension blocks and the image descriptor on
// reading; header, table, descriptor, data stream and trailer on writing.
// Shared by the file operations of the codec object and the packed-DIB
// functions.
#pragma once

#include <cstdint>
#include <vector>

#include "codecs/gif/gif_lzw.h"
#include "frame/codec_frame.h"
#include "frame/picture_rows.h"
#include "velmora/cfile.h"
#include "velmora/gif.h"
#include "velmora/wintypes.h"

namespace velmora::gif {

constexpr size_t kSignatureBytes = 6;

// "GIF87a" or "GIF89a", letter case ignored.
bool IsGifSignature(const BYTE* bytes);

// What the container says about the first image.
struct ImageHead {
    int width = 0;
    int height = 0;
    int tableBits = 1;       // exponent of the colour table last announced
    bool hasTable = false;   // the screen or the image announced a table
    bool interlaced = false;
    BYTE colours[768] = {};  // red, green, blue; entries not read are black

    // 1 for 2 colours; 4 for 4 to 16; 8 for 32 to 256.
    int BitCount() const;
};

// From after the signature up to and including the first image's descriptor
// and local table; the file is then at the image data. Extensions are
// skipped, as is any stray byte between blocks. kNotGif when the file ends
// or its trailer comes before an image; kReadDataFailed when it ends inside
// the image descriptor.
Failure ReadImageHead(CFile& file, ImageHead* head);

// False when the image is empty or has more pixels than `dataBytes` of
// codes could ever produce (each code takes at least one bit and spells at
// most 4096 pixels).
bool DataCanHoldImage(const ImageHead& head, uint64_t dataBytes);

// The 40-byte header of the DIB the image is read into.
BITMAPINFOHEADER DibHeaderFor(const ImageHead& head, uint64_t stride);
// 2^BitCount() entries: the file's colours, or black and white, the default
// 16 colours, or a grey ramp when it has no table.
void FillColorTable(const ImageHead& head, RGBQUAD* table);

// The decoder's source: the rest of the file in chunks of 32 KiB.
class ChunkSource {
public:
    ChunkSource(CFile& file, const ImageHead& head, int bitCount);
    gifd_var* State() { return &m_state; }

private:
    std::vector<char> m_chunk;
    gifd_var m_state{};
};

// Writing: "GIF89a", the screen descriptor, 2^bitCount colours (held in 16
// bits) from `rgb` (entries red, green, blue), and the image descriptor.
void WriteHead(CFile& file, int width, int height, int bitCount, const BYTE* rgb, int interlace);
// The image data stream, its block terminator and the trailer. Null on
// success, else the encoder's failure.
Failure WriteImageData(PictureRows& rows, CFile& file, int width, int bitCount, int interlace);

}  // namespace velmora::gif
