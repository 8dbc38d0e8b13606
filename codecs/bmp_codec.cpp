#include "codecs/bmp_codec.h"

#include <cstring>
#include <vector>

#include "codecs/bmp_format.h"
#include "codecs/bmp_rle.h"
#include "codecs/byte_reader.h"
#include "document/codec_frame.h"
#include "document/row_loop.h"
#include "document/safe_save.h"
#include "environment/texts.h"
#include "velmora/application.h"
#include "velmora/dibfile.h"
#include "velmora/newdib.h"

namespace velmora::bmp {

namespace {

struct Headers {
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
};

const char* ReadHeaders(CFile& file, Headers* headers) {
    BYTE raw[kFileHeaderBytes] = {};
    size_t got = ReadUpTo(file, raw, sizeof raw);
    WORD type = got >= 2 ? static_cast<WORD>(raw[0] | raw[1] << 8) : 0;
    if (type != kSignature) return text::kNotBmp;
    if (got < sizeof raw) return text::kReadDataFailed;
    std::memcpy(&headers->file, raw, sizeof raw);
    if (!ReadExactly(file, &headers->info, kInfoHeaderBytes)) return text::kReadDataFailed;
    return nullptr;
}

BYTE* ColorTableOf(CNewDIB& dib) { return reinterpret_cast<BYTE*>(dib.GetBitmapInfo()) + kInfoHeaderBytes; }

// The file's header fields, as the plain 40-byte bottom-up header the image holds.
void StoreHeader(CNewDIB& dib, const BITMAPINFOHEADER& info, const Layout& layout) {
    BITMAPINFOHEADER* header = dib.GetBitmapInfoHeader();
    *header = info;
    header->biSize = kInfoHeaderBytes;
    header->biHeight = layout.rows;
}

// The whole table of 2^bitCount entries, whatever biClrUsed says.
bool ReadColorTable(CFile& file, CNewDIB& dib, const Layout& layout) {
    if (layout.colorEntries == 0) return true;
    return SeekTo(file, layout.colorTableAt) &&
           ReadExactly(file, ColorTableOf(dib), 4 * static_cast<size_t>(layout.colorEntries));
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
    RowLoop loop(codec.m_pDIB, FileOrder(layout), &progress);
    std::vector<BYTE> spare(layout.topDown ? layout.stride : 0);
    RowLoop::Result result = loop.Run([&](const RowPiece& piece) {
        if (!ReadExactly(file, piece.lowest, piece.Bytes())) return false;
        if (layout.topDown) ReverseRows(piece, spare.data());
        return true;
    });
    if (result == RowLoop::kMapFailed) return FailRead(codec, text::kMapFailed);
    if (result == RowLoop::kStopped) return FailRead(codec, text::kReadDataFailed);
    CodecProgress(codec).End();
    return 1;
}

// Rows are decoded in file order; a row starts cleared, so pixels the data
// skips (a short row, rows after the end of the bitmap) read as index 0.
int ReadRunLength(CDIBFile& codec, CFile& file, const Layout& layout) {
    ByteReader in(file);
    RunLengthDecoder decoder(in, layout.width, layout.bitCount);
    RowLoop loop(codec.m_pDIB, FileOrder(layout), nullptr);
    bool bitmapDone = false;
    RunLengthDecoder::Status failure = RunLengthDecoder::kRowDone;
    RowLoop::Result result = loop.Run([&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k) {
            BYTE* row = piece.Row(k);
            std::memset(row, 0, piece.stride);
            if (bitmapDone) continue;
            RunLengthDecoder::Status status = decoder.DecodeRow(row);
            if (status == RunLengthDecoder::kBitmapDone) bitmapDone = true;
            if (status == RunLengthDecoder::kDelta || status == RunLengthDecoder::kTruncated) {
                failure = status;
                return false;
            }
        }
        return true;
    });
    if (result == RowLoop::kMapFailed) return FailRead(codec, text::kMapFailed);
    if (result == RowLoop::kStopped)
        return FailRead(codec, failure == RunLengthDecoder::kDelta ? text::kBadFileData : text::kReadDataFailed);
    // The image now holds uncompressed rows.
    codec.m_pDIB->GetBitmapInfoHeader()->biCompression = BI_RGB;
    return 1;
}

// Header, colour table and rows of the image, rows one write per piece.
// 0 (with the failure recorded) when a row window cannot be had.
int WriteImage(CDIBFile& codec, CFile& file, CNewDIB& dib) {
    const BITMAPINFO* info = dib.GetBitmapInfo();
    int bitCount = info->bmiHeader.biBitCount;
    int entries = bitCount <= 8 ? 1 << bitCount : 0;
    uint64_t dataBytes = static_cast<uint64_t>(dib.GetBytesPerLine()) * static_cast<uint64_t>(dib.GetHeight());
    BITMAPFILEHEADER fileHeader = FileHeaderFor(dataBytes, entries);
    file.Write(&fileHeader, kFileHeaderBytes);
    file.Write(info, kInfoHeaderBytes + 4 * static_cast<size_t>(entries));

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    StepProgress progress(reporter, dib.GetHeight());
    RowLoop loop(&dib, RowOrder::BottomUp, &progress);
    RowLoop::Result result = loop.Run([&](const RowPiece& piece) {
        file.Write(piece.lowest, piece.Bytes());
        return true;
    });
    if (result != RowLoop::kDone) return FailSave(codec, text::kMapFailed);
    reporter.End();
    return 1;
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB) return RecordFailure(codec, text::kNoData);
    CFile file;
    if (!path || !file.Open(path, CFile::modeRead | CFile::shareDenyWrite))
        return RecordFailure(codec, text::kOpenFailed);
    Headers headers;
    if (const char* failure = ReadHeaders(file, &headers)) return RecordFailure(codec, failure);
    Layout layout;
    if (const char* failure = CheckLayout(headers.info, headers.file.bfOffBits, LengthOf(file), &layout))
        return RecordFailure(codec, failure);

    CNewDIB& dib = *codec.m_pDIB;
    if (!dib.CreateDIB(layout.width, layout.rows, layout.bitCount) || !dib.Ready())
        return RecordFailure(codec, text::kCreateBufferFailed);
    StoreHeader(dib, headers.info, layout);
    if (!ReadColorTable(file, dib, layout)) {
        MessageBoxA(codec.m_hWnd, text::kWrongData, text::kOk, MB_OKCANCEL);
        return RecordFailure(codec, text::kReadDataFailed);
    }
    if (!SeekTo(file, headers.file.bfOffBits)) return FailRead(codec, text::kReadDataFailed);

    CodecProgress(codec).Begin(text::kReadingImage);
    int ok = layout.compression == BI_RGB ? ReadUncompressed(codec, file, layout)
                                          : ReadRunLength(codec, file, layout);
    if (!ok) return 0;
    file.Abort();
    CodecProgress(codec).End();
    return 1;
}

int Save(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB || !codec.m_pDIB->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    SafeSave target(path);
    if (!target.Create()) return 0;
    CFile file;
    if (!file.Open(target.TempPath(), CFile::modeCreate | CFile::modeWrite | CFile::shareExclusive)) return 0;
    try {
        if (!WriteImage(codec, file, *codec.m_pDIB)) {
            file.Abort();
            return 0;
        }
        file.Close();
    } catch (...) {
        // The temporary goes with `target`; whatever was at the path stays.
        file.Abort();
        throw;
    }
    return target.Commit() ? 1 : 0;
}

}  // namespace velmora::bmp

int CDIBFile::ReadBMPFile(const char* path) { return velmora::bmp::Read(*this, path); }

int CDIBFile::SaveBMPFile(const char* path) { return velmora::bmp::Save(*this, path); }
