#include "codecs/gif/gif_codec.h"

#include <vector>

#include "codecs/gif/gif_container.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"

namespace velmora::gif {

namespace {

constexpr int kLargestSide = 0xFFFF;  // the format's 16-bit fields

// Header, colour table and rows of the created image, rows decoded straight
// into its windows. Null on success.
Failure DecodeImage(CFile& file, CNewDIBObject& dib, const ImageHead& head) {
    BITMAPINFO* info = dib.GetBitmapInfo();
    info->bmiHeader = DibHeaderFor(head, dib.GetBytesPerLine());
    FillColorTable(head, ColorTableOf(info));
    ChunkSource source(file, head, head.BitCount());
    ImageRows rows(&dib);
    switch (DecodeRows(file, source.State(), rows)) {
        case DecodeEnd::kAllRows: return nullptr;
        case DecodeEnd::kRowMissing: return text::kMapFailed;
        default: return text::kReadDataFailed;
    }
}

int ReadOpenFile(CDIBFile& codec, CFile& file) {
    BYTE signature[kSignatureBytes];
    if (file.Read(signature, sizeof signature) != sizeof signature || !IsGifSignature(signature))
        return RecordFailure(codec, text::kNotGif);
    ImageHead head;
    if (Failure failure = ReadImageHead(file, &head)) return RecordFailure(codec, failure);
    CNewDIBObject& dib = *TargetImage(codec);
    if (head.width <= 0 || head.height <= 0) return RecordFailure(codec, text::kCreateBufferFailed);
    // A size no data in the file could fill fails before any storage is taken.
    if (!DataCanHoldImage(head, file.GetLength() - file.GetPosition()))
        return RecordFailure(codec, text::kReadDataFailed);
    if (Failure failure = CheckImageSize(head.width, head.height, head.BitCount()))
        return RecordFailure(codec, failure);
    if (!dib.CreateDIB(head.width, head.height, head.BitCount()) || !dib.Ready())
        return RecordFailure(codec, text::kCreateBufferFailed);
    CodecProgress(codec).Begin(text::kReadingImage);
    try {
        if (Failure failure = DecodeImage(file, dib, head)) return FailRead(codec, failure);
    } catch (...) {
        FailRead(codec, text::kReadDataFailed);
        throw;
    }
    CodecProgress(codec).End();
    return 1;
}

// The image's colours as red, green, blue triples.
std::vector<BYTE> RgbTable(CNewDIBObject& dib) {
    const int entries = ColorEntries(dib.GetBitCount());
    const RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    std::vector<BYTE> rgb(3 * static_cast<size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        rgb[3 * i] = table[i].rgbRed;
        rgb[3 * i + 1] = table[i].rgbGreen;
        rgb[3 * i + 2] = table[i].rgbBlue;
    }
    return rgb;
}

Failure WriteImage(CDIBFile& codec, CFile& file, CNewDIBObject& dib) {
    const int width = dib.GetWidth();
    const int bitCount = dib.GetBitCount();
    WriteHead(file, width, dib.GetHeight(), bitCount, RgbTable(dib).data(), 0);
    // Saving shows the reading caption, as it always has.
    CodecProgress(codec).Begin(text::kReadingImage);
    ImageRows rows(&dib);
    return EndSave(codec, WriteImageData(rows, file, width, bitCount, 0));
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB) return RecordFailure(codec, text::kNoData);
    // A file that cannot be opened fails as in every reader; exceptions of
    // the open file still reach the caller.
    CFile file;
    if (Failure failure = OpenForReading(codec, path, file)) return RecordFailure(codec, failure);
    int ok = ReadOpenFile(codec, file);
    file.Abort();
    return ok;
}

int Save(CDIBFile& codec, const char* path) {
    CNewDIBObject* dib = TargetImage(codec);
    if (!dib || !dib->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    // Wider or taller images do not fit the format's fields.
    if (dib->GetWidth() > kLargestSide || dib->GetHeight() > kLargestSide)
        return RecordFailure(codec, text::kWriteImageFailed);
    return SaveThroughFile(codec, path, [&](CFile& file) { return WriteImage(codec, file, *dib); });
}

}  // namespace velmora::gif

int CDIBFile::ReadGIFFile(const char* path) { return velmora::gif::Read(*this, path); }

int CDIBFile::SaveGIFFile(const char* path) { return velmora::gif::Save(*this, path); }
