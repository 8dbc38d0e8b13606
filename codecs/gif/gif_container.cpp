#include "codecs/gif/gif_container.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "environment/texts.h"
#include "frame/endian.h"
#include "platform/dib_geometry.h"

namespace velmora::gif {

namespace {

constexpr BYTE kImageSeparator = 0x2C;  // ','
constexpr BYTE kExtensionIntroducer = 0x21;  // '!'
constexpr BYTE kTrailer = 0x3B;  // ';'
constexpr BYTE kGraphicControl = 0xF9;
constexpr BYTE kPlainText = 0x01;
constexpr BYTE kApplication = 0xFF;
constexpr BYTE kTableFlag = 0x80;
constexpr BYTE kInterlaceFlag = 0x40;
constexpr size_t kScreenBytes = 7;
constexpr size_t kDescriptorBytes = 9;

// The colours of a file without a table of 16 entries.
constexpr BYTE kDefault16[16][3] = {
    {0, 0, 0},     {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0}, {128, 128, 128}, {192, 192, 192}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},   {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

bool ReadBytes(CFile& file, void* out, size_t count) { return file.Read(out, count) == count; }

bool ReadColours(CFile& file, ImageHead* head, BYTE flags) {
    head->hasTable = true;
    head->tableBits = (flags & 7) + 1;
    std::memset(head->colours, 0, sizeof head->colours);
    return ReadBytes(file, head->colours, 3 * (size_t{1} << head->tableBits));
}

// Sub-blocks up to and including the zero-length one.
bool SkipSubBlocks(CFile& file) {
    BYTE scratch[255];
    for (;;) {
        BYTE length = 0;
        if (!ReadBytes(file, &length, 1)) return false;
        if (length == 0) return true;
        if (!ReadBytes(file, scratch, length)) return false;
    }
}

bool SkipExtension(CFile& file) {
    BYTE label = 0;
    BYTE fixed[13];
    if (!ReadBytes(file, &label, 1)) return false;
    switch (label) {
        case kGraphicControl: return ReadBytes(file, fixed, 6);
        case kPlainText: return ReadBytes(file, fixed, 13) && SkipSubBlocks(file);
        case kApplication: return ReadBytes(file, fixed, 12) && SkipSubBlocks(file);
        default: return SkipSubBlocks(file);
    }
}

// Up to and including the image separator.
Failure FindImage(CFile& file) {
    for (;;) {
        BYTE byte = 0;
        if (!ReadBytes(file, &byte, 1) || byte == kTrailer) return text::kNotGif;
        if (byte == kImageSeparator) return nullptr;
        if (byte == kExtensionIntroducer && !SkipExtension(file)) return text::kNotGif;
    }
}

// Black and white, the 16 colours, or a grey ramp.
RGBQUAD DefaultColour(int index, int entries) {
    if (entries == 16) return RGBQUAD{kDefault16[index][2], kDefault16[index][1], kDefault16[index][0], 0};
    const BYTE grey = entries == 2 ? static_cast<BYTE>(index ? 255 : 0) : static_cast<BYTE>(index);
    return RGBQUAD{grey, grey, grey, 0};
}

int TableEntries(int bitCount) { return bitCount >= 0 && bitCount < 16 ? 1 << bitCount : 0; }

}  // namespace

bool IsGifSignature(const BYTE* bytes) {
    char text[kSignatureBytes + 1] = {};
    for (size_t i = 0; i < kSignatureBytes; ++i) text[i] = static_cast<char>(std::toupper(bytes[i]));
    return std::strcmp(text, "GIF87A") == 0 || std::strcmp(text, "GIF89A") == 0;
}

int ImageHead::BitCount() const {
    if (tableBits <= 1) return 1;
    return tableBits <= 4 ? 4 : 8;
}

Failure ReadImageHead(CFile& file, ImageHead* head) {
    BYTE screen[kScreenBytes];
    if (!ReadBytes(file, screen, sizeof screen)) return text::kNotGif;
    head->tableBits = (screen[4] & 7) + 1;
    if ((screen[4] & kTableFlag) && !ReadColours(file, head, screen[4])) return text::kNotGif;
    if (Failure failure = FindImage(file)) return failure;
    BYTE descriptor[kDescriptorBytes];
    if (!ReadBytes(file, descriptor, sizeof descriptor)) return text::kReadDataFailed;
    head->width = ReadLE16(descriptor + 4);
    head->height = ReadLE16(descriptor + 6);
    head->interlaced = (descriptor[8] & kInterlaceFlag) != 0;
    if ((descriptor[8] & kTableFlag) && !ReadColours(file, head, descriptor[8])) return text::kReadDataFailed;
    return nullptr;
}

bool DataCanHoldImage(const ImageHead& head, uint64_t dataBytes) {
    if (head.width <= 0 || head.height <= 0) return false;
    const uint64_t pixels = static_cast<uint64_t>(head.width) * static_cast<uint64_t>(head.height);
    return pixels / kTableSize / 8 <= dataBytes;
}

BITMAPINFOHEADER DibHeaderFor(const ImageHead& head, uint64_t stride) {
    BITMAPINFOHEADER header{};
    const uint64_t bytes = ImageBytes(stride, static_cast<uint64_t>(head.height));
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = head.width;
    header.biHeight = head.height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(head.BitCount());
    header.biCompression = BI_RGB;
    // 0 (allowed for uncompressed rows) when the size needs more than 32 bits.
    header.biSizeImage = bytes <= UINT32_MAX ? static_cast<DWORD>(bytes) : 0;
    header.biClrUsed = static_cast<DWORD>(TableEntries(head.BitCount()));
    return header;
}

void FillColorTable(const ImageHead& head, RGBQUAD* table) {
    const int entries = TableEntries(head.BitCount());
    for (int i = 0; i < entries; ++i) {
        const BYTE* rgb = head.colours + 3 * i;
        table[i] = head.hasTable ? RGBQUAD{rgb[2], rgb[1], rgb[0], 0} : DefaultColour(i, entries);
    }
}

ChunkSource::ChunkSource(CFile& file, const ImageHead& head, int bitCount) {
    const uint64_t length = file.GetLength();
    const uint64_t position = file.GetPosition();
    m_state.fileRemain = static_cast<unsigned long>(length > position ? length - position : 0);
    m_state.chunkSize = static_cast<WORD>(std::min(m_state.fileRemain, kChunkBytes));
    m_chunk.resize(std::max<size_t>(m_state.chunkSize, 1));
    m_state.srcBuffer = m_chunk.data();
    m_state.width = static_cast<WORD>(head.width);
    m_state.height = static_cast<WORD>(head.height);
    m_state.rowBytes = static_cast<short>(PixelBytes(head.width, bitCount));
    m_state.bitCount = static_cast<WORD>(bitCount);
    m_state.interlaced = head.interlaced ? 1 : 0;
    ReadSrcData(file, &m_state.chunkSize, &m_state.fileRemain, m_state.srcBuffer, &m_state.srcDone);
    m_state.srcCursor = m_state.srcBuffer;
    m_state.srcEnd = m_state.srcBuffer + m_state.chunkSize;
}

void WriteHead(CFile& file, int width, int height, int bitCount, const BYTE* rgb, int interlace) {
    const BYTE sizeBits = static_cast<BYTE>((bitCount - 1) & 7);
    BYTE screen[6 + kScreenBytes] = {'G', 'I', 'F', '8', '9', 'a'};
    WriteLE16(screen + 6, static_cast<uint16_t>(width));
    WriteLE16(screen + 8, static_cast<uint16_t>(height));
    screen[10] = static_cast<BYTE>(kTableFlag | sizeBits << 4 | sizeBits);
    file.Write(screen, sizeof screen);
    file.Write(rgb, 3 * static_cast<size_t>(TableEntries(bitCount)));
    BYTE descriptor[1 + kDescriptorBytes] = {kImageSeparator};
    WriteLE16(descriptor + 5, static_cast<uint16_t>(width));
    WriteLE16(descriptor + 7, static_cast<uint16_t>(height));
    descriptor[9] = interlace ? kInterlaceFlag : 0;
    file.Write(descriptor, sizeof descriptor);
}

Failure WriteImageData(PictureRows& rows, CFile& file, int width, int bitCount, int interlace) {
    std::vector<char> buffer(kOutBufferBytes, 0);
    gifc_var state{};
    state.outBuffer = state.outCursor = buffer.data();
    state.width = static_cast<WORD>(width);
    state.height = static_cast<WORD>(rows.Height());
    state.rowBytes = static_cast<short>(PixelBytes(width, bitCount));
    state.bitCount = static_cast<WORD>(bitCount);
    state.blockFill = 1;
    Failure failure = EncodeRows(rows, file, &state, interlace);
    file.Write(state.outBuffer, state.outBytes);
    const BYTE tail[2] = {0x00, kTrailer};
    file.Write(tail, sizeof tail);
    return failure;
}

}  // namespace velmora::gif
