#include "codecs/pcx/pcx_codec.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "codecs/pcx/pcx_format.h"
#include "codecs/pcx/pcx_planes.h"
#include "codecs/pcx/pcx_rle.h"
#include "environment/texts.h"
#include "frame/byte_reader.h"
#include "frame/codec_frame.h"
#include "frame/row_loop.h"
#include "platform/dib_geometry.h"

namespace velmora::pcx {

namespace {

// Bytes gathered before one write while saving.
constexpr size_t kWriteChunkBytes = 256 * 1024;

// Planes merged: the share of rows done. One plane: the second half of the
// bar (the first half was the decoding of the whole file, when it came first).
unsigned long MergedFigure(long long row, long long height) {
    return static_cast<unsigned long>(static_cast<double>(row) / static_cast<double>(height) * 100);
}
unsigned long PackedFigure(long long row, long long height) {
    return static_cast<unsigned long>(50 + row * 50 / height);
}
unsigned long SavedFigure(long long row, long long height) { return static_cast<unsigned long>(row * 100 / height); }

const char* ReadHeader(CFile& file, BYTE (&header)[kHeaderBytes]) {
    const size_t got = ReadUpTo(file, header, kHeaderBytes);
    if (got == 0 || header[0] != kManufacturer) return text::kNotValidPcx;
    return got < kHeaderBytes ? text::kReadDataFailed : nullptr;
}

// The 256-colour trailer at the end of the file.
const char* ReadTrailer(CFile& file, RGBQUAD* table) {
    const uint64_t length = LengthOf(file);
    BYTE trailer[kTrailerBytes];
    if (length < kHeaderBytes + kTrailerBytes || !SeekTo(file, length - kTrailerBytes) ||
        !ReadExactly(file, trailer, kTrailerBytes))
        return text::kReadDataFailed;
    if (trailer[0] != kTrailerMarker) return text::kReadPaletteFailed;
    TrailerColorTable(trailer + 1, table);
    return nullptr;
}

void StoreHeader(CNewDIBObject& dib, const Layout& layout) {
    BITMAPINFOHEADER* header = HeaderOf(dib);
    header->biSizeImage = static_cast<DWORD>(ImageBytes(dib.GetBytesPerLine(), static_cast<uint64_t>(layout.height)));
    header->biXPelsPerMeter = layout.xPelsPerMeter;
    header->biYPelsPerMeter = layout.yPelsPerMeter;
}

// One decoded scan line into its row.
void StoreLine(const Layout& layout, const BYTE* line, BYTE* row, size_t stride) {
    switch (layout.route) {
    case Route::kBitPlanes:
        MergeBitPlanes(line, layout.planeBytes, layout.planes, layout.width, row, stride);
        break;
    case Route::kThreePlanes:
        MergeThreePlanes(line, layout.planeBytes, layout.width, row, stride);
        break;
    case Route::kPacked: {
        const size_t bytes = std::min(layout.lineBytes, stride);
        std::memcpy(row, line, bytes);
        std::memset(row + bytes, 0, stride - bytes);
        break;
    }
    }
}

// Decodes the scan lines, top row first, into the image's rows window by
// window. Bit planes are decoded a line at a time; the other layouts were
// once decoded as one stream, so a run may go on into the next line.
Failure DecodeRows(CDIBFile& codec, CFile& file, const Layout& layout) {
    CNewDIBObject& dib = *TargetImage(codec);
    ScanLineDecoder decoder(file, layout.dataBytes);
    std::vector<BYTE> line(layout.lineBytes);
    const bool direct = layout.route == Route::kPacked && layout.lineBytes <= dib.GetBytesPerLine();
    // The format's progress: a step after each row whose number is a
    // multiple of height / 10 + 1.
    RowMarkProgress progress(CodecProgress(codec), layout.height, 10, RowMarkProgress::kRowNumbers,
                             layout.route == Route::kPacked ? PackedFigure : MergedFigure);
    RowLoop loop(&dib, RowOrder::TopDown, &progress);
    return loop.Run([&](const RowPiece& piece) -> Failure {
        for (int k = 0; k < piece.count; ++k) {
            BYTE* row = piece.Row(k);
            if (direct) {
                // The line is the row: decode in place, clear the padding.
                if (!decoder.Decode(row, layout.lineBytes)) return text::kReadDataFailed;
                std::memset(row + layout.lineBytes, 0, piece.stride - layout.lineBytes);
                continue;
            }
            if (!decoder.Decode(line.data(), layout.lineBytes)) return text::kReadDataFailed;
            if (layout.route == Route::kBitPlanes) decoder.DropRun();
            StoreLine(layout, line.data(), row, piece.stride);
        }
        return nullptr;
    });
}

// Writes rows coded in `out` once they fill a chunk (or `flush` is set).
class ChunkWriter {
public:
    ChunkWriter(CFile& file, size_t rowBound) : m_file(file), m_buffer(std::max(kWriteChunkBytes, 2 * rowBound)) {}
    BYTE* Room(size_t bytes) {
        if (m_nUsed + bytes > m_buffer.size()) Flush();
        return m_buffer.data() + m_nUsed;
    }
    void Used(size_t bytes) { m_nUsed += bytes; }
    void Flush() {
        if (m_nUsed) m_file.Write(m_buffer.data(), m_nUsed);
        m_nUsed = 0;
    }

private:
    CFile& m_file;
    std::vector<BYTE> m_buffer;
    size_t m_nUsed = 0;
};

// One stored row as the file's scan line of planes * BPL bytes. One plane
// takes the row's first BPL bytes as they are (BPL never exceeds the stride).
const BYTE* LineOf(const BYTE* row, size_t stride, int width, int bitCount, const WrittenLayout& layout,
                   BYTE* planes) {
    if (bitCount == 4) SplitFourPlanes(row, stride, layout.planeBytes, planes);
    else if (bitCount == 24) SplitThreePlanes(row, width, layout.planeBytes, planes);
    else return row;
    return planes;
}

Failure WriteImage(CDIBFile& codec, CFile& file, CNewDIBObject& dib) {
    const int bitCount = dib.GetBitCount();
    const int width = dib.GetWidth();
    const size_t stride = dib.GetBytesPerLine();
    const WrittenLayout layout = LayoutWritten(width, bitCount);
    const size_t lineBytes = layout.LineBytes();
    BITMAPINFOHEADER info = *HeaderOf(dib);
    info.biWidth = width;
    info.biHeight = dib.GetHeight();
    info.biBitCount = static_cast<WORD>(bitCount);
    const RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    BYTE header[kHeaderBytes];
    BuildHeader(info, table, layout, header);
    file.Write(header, kHeaderBytes);

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    RowMarkProgress progress(reporter, dib.GetHeight(), 100, RowMarkProgress::kRowNumbers, SavedFigure);
    RowLoop loop(&dib, RowOrder::TopDown, &progress);
    ChunkWriter out(file, EncodedBound(lineBytes));
    std::vector<BYTE> planes(layout.planes > 1 ? lineBytes : 0);
    Failure failure = loop.Run([&](const RowPiece& piece) -> Failure {
        for (int k = 0; k < piece.count; ++k) {
            const BYTE* line = LineOf(piece.Row(k), stride, width, bitCount, layout, planes.data());
            out.Used(EncodeLine(line, layout.planeBytes, layout.planes, out.Room(EncodedBound(lineBytes))));
        }
        return nullptr;
    });
    if (failure) {
        FailSave(codec, failure);
        return failure;
    }
    out.Flush();
    if (bitCount == 8) {
        BYTE trailer[kTrailerBytes];
        BuildTrailer(table, trailer);
        file.Write(trailer, kTrailerBytes);
    }
    reporter.End();
    return nullptr;
}

bool Saved(int bitCount) { return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24; }

// Xmax, Ymax and BPL are 16-bit fields.
bool FitsFields(CNewDIBObject& dib) {
    const size_t planeBytes = LayoutWritten(dib.GetWidth(), dib.GetBitCount()).planeBytes;
    return dib.GetWidth() <= kMaxDimension && dib.GetHeight() <= kMaxDimension && planeBytes <= kMaxDimension;
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    CFile file;
    if (Failure failure = OpenForReading(codec, path, file)) return RecordFailure(codec, failure);
    BYTE header[kHeaderBytes];
    if (const char* failure = ReadHeader(file, header)) return RecordFailure(codec, failure);
    Layout layout;
    if (const char* failure = CheckHeader(header, LengthOf(file), &layout)) return RecordFailure(codec, failure);
    if (Failure failure = CheckImageSize(layout.width, layout.height, layout.bitCount))
        return RecordFailure(codec, failure);

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kReadingImage);
    // The trailer is read before the image is made, so a file without one
    // leaves the document's image as it was.
    RGBQUAD trailerTable[256];
    if (layout.bitCount == 8) {
        if (const char* failure = ReadTrailer(file, trailerTable)) {
            reporter.End();
            return RecordFailure(codec, failure);
        }
    }
    CNewDIBObject& dib = *TargetImage(codec);
    if (!dib.CreateDIB(layout.width, layout.height, layout.bitCount) || !dib.Ready()) {
        dib.ReleaseDIB();
        reporter.End();
        return RecordFailure(codec, text::kCreateBufferFailed);
    }
    StoreHeader(dib, layout);
    RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    if (layout.bitCount == 8) std::copy(trailerTable, trailerTable + 256, table);
    else if (layout.bitCount < 8) HeaderColorTable(header, layout.bitCount, table);

    if (!SeekTo(file, kHeaderBytes)) return FailRead(codec, text::kReadDataFailed);
    if (Failure failure = DecodeRows(codec, file, layout)) return FailRead(codec, failure);
    file.Abort();
    reporter.End();
    return 1;
}

int Save(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB || !HeaderOf(*TargetImage(codec))) return RecordFailure(codec, text::kNoData);
    CNewDIBObject& dib = *TargetImage(codec);
    // Checked before the file is touched: what was at the path stays.
    const int bitCount = dib.GetBitCount();
    if (!Saved(bitCount)) return 0;
    if (!FitsFields(dib)) return RecordFailure(codec, text::kPcxTooLarge);
    return SaveThroughFile(codec, path, [&](CFile& file) { return WriteImage(codec, file, dib); });
}

}  // namespace velmora::pcx

int CDIBFile::ReadPCXFile(const char* path) { return velmora::pcx::Read(*this, path); }

int CDIBFile::SavePCXFile(const char* path) { return velmora::pcx::Save(*this, path); }
