#include "codecs/bmp/bmp_codec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/bmp/bmp_bitfields.h"
#include "codecs/bmp/bmp_format.h"
#include "codecs/bmp/bmp_rle.h"
#include "environment/texts.h"
#include "frame/byte_reader.h"
#include "frame/codec_frame.h"
#include "frame/endian.h"
#include "frame/row_loop.h"
#include "platform/dib_geometry.h"
#include "velmora/application.h"

namespace velmora::bmp {

namespace {

struct Headers {
    BITMAPFILEHEADER file;
    InfoHeader info;
};

// The file header, the information header in whatever form it comes, and
// the masks stored after a 40-byte one.
const char* ReadHeaders(CFile& file, Headers* headers) {
    BYTE raw[kFileHeaderBytes] = {};
    size_t got = ReadUpTo(file, raw, sizeof raw);
    WORD type = got >= 2 ? static_cast<WORD>(raw[0] | raw[1] << 8) : 0;
    if (type != kSignature) return text::kNotBmp;
    if (got < sizeof raw) return text::kReadDataFailed;
    std::memcpy(&headers->file, raw, sizeof raw);
    BYTE info[kLongestHeaderBytes] = {};
    if (!ReadExactly(file, info, 4)) return text::kReadDataFailed;
    const size_t want = std::min<size_t>(std::max<DWORD>(ReadLE32(info), 4), kLongestHeaderBytes);
    if (!ReadExactly(file, info + 4, want - 4)) return text::kReadDataFailed;
    if (const char* failure = ParseInfoHeader(info, want, &headers->info)) return failure;
    BYTE masks[16];
    const size_t maskBytes = headers->info.masksAfter;
    if (maskBytes && (!SeekTo(file, kFileHeaderBytes + headers->info.headerBytes) || !ReadExactly(file, masks, maskBytes)))
        return text::kReadDataFailed;
    TakeMasks(masks, maskBytes / 4, &headers->info);
    return nullptr;
}

// The file's header fields, as the plain 40-byte bottom-up header the image
// holds; converted pixels are described as the image holds them.
void StoreHeader(CNewDIBObject& dib, const BITMAPINFOHEADER& info, const Layout& layout) {
    BITMAPINFOHEADER* header = HeaderOf(dib);
    *header = info;
    header->biSize = kInfoHeaderBytes;
    header->biHeight = layout.rows;
    if (layout.compression == BI_RGB || layout.route == Route::kRunLength) return;
    header->biBitCount = static_cast<WORD>(layout.imageBits);
    header->biCompression = BI_RGB;
    header->biSizeImage = static_cast<DWORD>(ImageBytes(dib.GetBytesPerLine(), static_cast<uint64_t>(layout.rows)));
}

// A table of 2^bitCount entries: a Windows file's whole table, whatever
// biClrUsed says; an OS/2 file's entries up to the pixel data (three bytes
// each in 1.x files), the rest black.
bool ReadColorTable(CFile& file, CNewDIBObject& dib, const Layout& layout) {
    if (layout.colorEntries == 0) return true;
    RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    std::memset(table, 0, sizeof(RGBQUAD) * static_cast<size_t>(layout.colorEntries));
    const size_t entries = static_cast<size_t>(layout.entriesInFile);
    if (!SeekTo(file, layout.colorTableAt)) return false;
    if (layout.entryBytes == 4) return ReadExactly(file, table, 4 * entries);
    BYTE triplets[3 * 256];
    if (!ReadExactly(file, triplets, 3 * entries)) return false;
    for (size_t i = 0; i < entries; ++i) table[i] = RGBQUAD{triplets[3 * i], triplets[3 * i + 1], triplets[3 * i + 2], 0};
    return true;
}

// A top-down piece read in file order lies upside down in memory.
void ReverseRows(const RowPiece& piece, BYTE* spare) {
    for (int i = 0, j = piece.count - 1; i < j; ++i, --j) {
        BYTE* a = piece.lowest + static_cast<size_t>(i) * piece.stride;
        BYTE* b = piece.lowest + static_cast<size_t>(j) * piece.stride;
        std::memcpy(spare, a, piece.stride);
        std::memcpy(a, b, piece.stride);
        std::memcpy(b, spare, piece.stride);
    }
}

RowOrder FileOrder(const Layout& layout) { return layout.topDown ? RowOrder::TopDown : RowOrder::BottomUp; }

// Rows go straight from the file into the image, one read per piece.
int ReadUncompressed(CDIBFile& codec, CFile& file, const Layout& layout) {
    StepProgress progress(CodecProgress(codec), layout.rows);
    RowLoop loop(TargetImage(codec), FileOrder(layout), &progress);
    std::vector<BYTE> spare(layout.topDown ? layout.stride : 0);
    Failure failure = loop.Run([&](const RowPiece& piece) -> Failure {
        if (!ReadExactly(file, piece.lowest, piece.Bytes())) return text::kReadDataFailed;
        if (layout.topDown) ReverseRows(piece, spare.data());
        return nullptr;
    });
    if (failure) return FailRead(codec, failure);
    // The first of the reader's two end messages; hosts count on both.
    CodecProgress(codec).End();
    return 1;
}

// Bit-field pixels go through a small buffer of file rows, one read per
// run, and are converted into the image's rows.
int ReadBitFields(CDIBFile& codec, CFile& file, const Layout& layout) {
    StepProgress progress(CodecProgress(codec), layout.rows);
    RowLoop loop(TargetImage(codec), FileOrder(layout), &progress);
    const BitFields fields(layout.masks, layout.bitCount);
    const int chunk = BufferRows(layout.stride, progress.Step());
    std::vector<BYTE> rows(layout.stride * static_cast<size_t>(chunk));
    Failure failure = loop.Run([&](const RowPiece& piece) -> Failure {
        return ForEachRun(piece.count, chunk, [&](int first, int count) -> Failure {
            if (!ReadExactly(file, rows.data(), layout.stride * static_cast<size_t>(count))) return text::kReadDataFailed;
            for (int k = 0; k < count; ++k) {
                BYTE* row = piece.Row(first + k);
                std::memset(row, 0, piece.stride);
                fields.ConvertRow(rows.data() + layout.stride * static_cast<size_t>(k), layout.width, row);
            }
            return nullptr;
        });
    });
    if (failure) return FailRead(codec, failure);
    CodecProgress(codec).End();
    return 1;
}

// Rows are decoded in file order; a row starts cleared, so pixels the data
// skips (a short row, rows after the end of the bitmap) read as index 0.
int ReadRunLength(CDIBFile& codec, CFile& file, const Layout& layout) {
    ByteReader in(file);
    RunLengthDecoder decoder(in, layout.width, layout.bitCount);
    // Run-length reads send no steps, as the format's reader always did.
    RowLoop loop(TargetImage(codec), FileOrder(layout), nullptr);
    bool bitmapDone = false;
    Failure failure = loop.Run([&](const RowPiece& piece) -> Failure {
        for (int k = 0; k < piece.count; ++k) {
            BYTE* row = piece.Row(k);
            std::memset(row, 0, piece.stride);
            if (bitmapDone) continue;
            RunLengthDecoder::Status status = decoder.DecodeRow(row);
            if (status == RunLengthDecoder::kBitmapDone) bitmapDone = true;
            if (status == RunLengthDecoder::kTruncated) return text::kReadDataFailed;
        }
        return nullptr;
    });
    if (failure) return FailRead(codec, failure);
    // The image now holds uncompressed rows.
    HeaderOf(*TargetImage(codec))->biCompression = BI_RGB;
    return 1;
}

// Header, colour table and rows of the image, rows one write per piece.
Failure WriteImage(CDIBFile& codec, CFile& file, CNewDIBObject& dib) {
    const BITMAPINFO* info = dib.GetBitmapInfo();
    int entries = ColorEntries(info->bmiHeader.biBitCount);
    uint64_t dataBytes = ImageBytes(dib.GetBytesPerLine(), static_cast<uint64_t>(dib.GetHeight()));
    BITMAPFILEHEADER fileHeader = FileHeaderFor(dataBytes, entries);
    file.Write(&fileHeader, kFileHeaderBytes);
    file.Write(info, kInfoHeaderBytes + 4 * static_cast<size_t>(entries));

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    StepProgress progress(reporter, dib.GetHeight());
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    return EndSave(codec, loop.Run([&](const RowPiece& piece) -> Failure {
        file.Write(piece.lowest, piece.Bytes());
        return nullptr;
    }));
}

// Each 2-bit pixel as a nibble: a 4-bit row of `width` pixels.
void WidenRow(const BYTE* in, int width, BYTE* out) {
    for (int x = 0; x < width; x += 2) {
        const int a = in[x / 4] >> (6 - 2 * (x % 4)) & 3;
        const int b = x + 1 < width ? in[(x + 1) / 4] >> (6 - 2 * ((x + 1) % 4)) & 3 : 0;
        out[x / 2] = static_cast<BYTE>(a << 4 | b);
    }
}

// A 2-bit image as a 4-bit file, which every reader takes (few read 2-bit
// bitmaps): the same indices, a 16-entry table whose last 12 entries are
// black, the image's other header fields as stored.
Failure WriteTwoBitAsFour(CDIBFile& codec, CFile& file, CNewDIBObject& dib) {
    const int width = dib.GetWidth(), height = dib.GetHeight();
    const size_t stride = static_cast<size_t>(RowStride(width, 4));
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD table[16];
    } info{};
    info.header = *HeaderOf(dib);
    info.header.biBitCount = 4;
    info.header.biSizeImage = static_cast<DWORD>(ImageBytes(stride, static_cast<uint64_t>(height)));
    std::copy(ColorTableOf(dib.GetBitmapInfo()), ColorTableOf(dib.GetBitmapInfo()) + 4, info.table);
    BITMAPFILEHEADER fileHeader = FileHeaderFor(ImageBytes(stride, static_cast<uint64_t>(height)), 16);
    file.Write(&fileHeader, kFileHeaderBytes);
    file.Write(&info, sizeof info);

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    StepProgress progress(reporter, height);
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    std::vector<BYTE> rows;
    return EndSave(codec, loop.Run([&](const RowPiece& piece) -> Failure {
        rows.assign(stride * static_cast<size_t>(piece.count), 0);
        for (int k = 0; k < piece.count; ++k) WidenRow(piece.Row(k), width, rows.data() + stride * static_cast<size_t>(k));
        file.Write(rows.data(), rows.size());
        return nullptr;
    }));
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    CFile file;
    if (Failure failure = OpenForReading(codec, path, file)) return RecordFailure(codec, failure);
    Headers headers;
    if (const char* failure = ReadHeaders(file, &headers)) return RecordFailure(codec, failure);
    Layout layout;
    if (const char* failure = CheckLayout(headers.info, headers.file.bfOffBits, LengthOf(file), &layout))
        return RecordFailure(codec, failure);

    CNewDIBObject& dib = *TargetImage(codec);
    if (!dib.CreateDIB(layout.width, layout.rows, layout.imageBits) || !dib.Ready())
        return RecordFailure(codec, text::kCreateBufferFailed);
    StoreHeader(dib, headers.info.info, layout);
    if (!ReadColorTable(file, dib, layout)) {
        // The box, and the image left created, are what hosts of this reader know.
        MessageBoxA(codec.m_hWnd, text::kWrongData, text::kOk, MB_OKCANCEL);
        return FailKeepingImage(codec, text::kReadDataFailed);
    }
    if (!SeekTo(file, headers.file.bfOffBits)) return FailRead(codec, text::kReadDataFailed);

    CodecProgress(codec).Begin(text::kReadingImage);
    int ok = layout.route == Route::kRows        ? ReadUncompressed(codec, file, layout)
             : layout.route == Route::kBitFields ? ReadBitFields(codec, file, layout)
                                                 : ReadRunLength(codec, file, layout);
    if (!ok) return 0;
    // Abort, not Close, on success too: the file was only read.
    file.Abort();
    CodecProgress(codec).End();
    return 1;
}

int Save(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB || !codec.m_pDIB->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    CNewDIBObject& dib = *TargetImage(codec);
    if (dib.GetBitCount() == 2)
        return SaveThroughFile(codec, path, [&](CFile& file) { return WriteTwoBitAsFour(codec, file, dib); });
    return SaveThroughFile(codec, path, [&](CFile& file) { return WriteImage(codec, file, dib); });
}

}  // namespace velmora::bmp

int CDIBFile::ReadBMPFile(const char* path) { return velmora::bmp::Read(*this, path); }

int CDIBFile::SaveBMPFile(const char* path) { return velmora::bmp::Save(*this, path); }
