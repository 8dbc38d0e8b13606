// Saving a JPEG: 24-bit rows go to the library as they are (blue, green,
// red); palette rows are expanded through the colour table into one row of
// blue, green, red, 0xFF pixels. Grey palette images too become colour
// files, as the format always wrote them.
#include <cstdio>
#include <cstring>
#include <vector>

#include "codecs/jpeg/jpeg_codec.h"
#include "codecs/jpeg/jpeg_metadata.h"
#include "codecs/jpeg/jpeg_trap.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/row_loop.h"
#include "platform/dib_geometry.h"
#include "storage/pixel_unpack.h"
#include "velmora/environment.h"

namespace velmora::jpeg {

namespace {

// What a save keeps across its trapped steps: plain data only (see Decoder).
struct Encoder {
    ErrorTrap trap;
    jpeg_compress_struct info;
    JSAMPARRAY expanded;  // one row of four-byte pixels, for palette images
};

bool SavedBitCount(int bitCount) { return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24; }

// Four bytes a pixel for palette images (the fourth ignored), three for
// 24-bit ones, in the DIB's blue, green, red order either way.
Failure StartCompress(Encoder& e, const BITMAPINFOHEADER& header, int quality, const ImageMetadata& metadata) {
    return Trapped(e.trap, [&] {
        const bool expand = header.biBitCount <= 8;
        e.info.image_width = static_cast<JDIMENSION>(header.biWidth);
        e.info.image_height = static_cast<JDIMENSION>(header.biHeight);
        e.info.input_components = expand ? 4 : 3;
        e.info.in_color_space = expand ? JCS_EXT_BGRX : JCS_EXT_BGR;
        jpeg_set_defaults(&e.info);
        e.info.dct_method = JDCT_FLOAT;
        jpeg_set_quality(&e.info, quality, TRUE);
        jpeg_start_compress(&e.info, TRUE);
        WriteMetadata(&e.info, metadata);
        if (expand)
            e.expanded = (*e.info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&e.info), JPOOL_IMAGE,
                                                     e.info.image_width * 4, 1);
    });
}

Failure WriteScanlines(Encoder& e, JSAMPARRAY rows, JDIMENSION count) {
    return TrappedScanlines(e.trap, rows, count,
                            [&](JSAMPARRAY at, JDIMENSION n) { return jpeg_write_scanlines(&e.info, at, n); });
}

// The colour table with every fourth byte 0xFF: each entry is then the
// scanline pixel of its index.
std::vector<RGBQUAD> ScanlinePalette(const BITMAPINFO* info) {
    const RGBQUAD* table = ColorTableOf(info);
    std::vector<RGBQUAD> palette(table, table + ColorEntries(info->bmiHeader.biBitCount));
    for (RGBQUAD& entry : palette) entry.rgbReserved = 0xFF;
    return palette;
}

// Pixels of `bitCount` bits, the leftmost in the most significant bits.
void ExpandRow(const BYTE* source, int width, int bitCount, const RGBQUAD* palette, BYTE* out) {
    for (int x = 0; x < width; ++x) {
        const int index = bitCount == 8 ? source[x] : pixels::IndexAt(source, x, bitCount);
        std::memcpy(out + 4 * static_cast<size_t>(x), &palette[index], 4);
    }
}

// Picture rows in file order, 24-bit pieces in one library call.
Failure EncodeRows(CDIBFile& codec, Encoder& e, CNewDIBObject& dib) {
    const BITMAPINFO* info = dib.GetBitmapInfo();
    const int bitCount = info->bmiHeader.biBitCount;
    const std::vector<RGBQUAD> palette = bitCount <= 8 ? ScanlinePalette(info) : std::vector<RGBQUAD>();
    // As in reading: a step once a multiple of height / 10 + 1 rows is written.
    RowMarkProgress progress(CodecProgress(codec), dib.GetHeight(), 10, RowMarkProgress::kRowsDone,
                             RowMarkProgress::Percent);
    RowLoop loop(&dib, RowOrder::TopDown, &progress);
    std::vector<JSAMPROW> rows(static_cast<size_t>(progress.Step()));
    return loop.Run([&](const RowPiece& piece) -> Failure {
        if (bitCount <= 8) {
            for (int k = 0; k < piece.count; ++k) {
                ExpandRow(piece.Row(k), dib.GetWidth(), bitCount, palette.data(), e.expanded[0]);
                if (Failure failure = WriteScanlines(e, e.expanded, 1)) return failure;
            }
            return nullptr;
        }
        for (int k = 0; k < piece.count; ++k) rows[static_cast<size_t>(k)] = piece.Row(k);
        return WriteScanlines(e, rows.data(), static_cast<JDIMENSION>(piece.count));
    });
}

// The whole file through an open stream; progress runs from the parameters
// to the last row, and a failure ends it.
Failure Encode(CDIBFile& codec, Encoder& e, FILE* stream, CNewDIBObject& dib) {
    e.info.err = ArmTrap(&e.trap, text::kWriteImageFailed);
    if (Failure failure = Trapped(e.trap, [&] {
            jpeg_create_compress(&e.info);
            jpeg_stdio_dest(&e.info, stream);
        }))
        return failure;
    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    Failure failure = StartCompress(e, *HeaderOf(dib), SaveOptionsOf(codec).jpegQuality, codec.m_metadata);
    if (!failure) failure = EncodeRows(codec, e, dib);
    if (failure) {
        FailSave(codec, failure);
        return failure;
    }
    reporter.End();
    return Trapped(e.trap, [&] { jpeg_finish_compress(&e.info); });
}

// Writes the temporary the safe save made; closing it is part of the write.
Failure WriteFile(CDIBFile& codec, const char* temp, CNewDIBObject& dib) {
    FILE* stream = std::fopen(temp, "wb");
    if (!stream) return kSilentFailure;
    Encoder e{};
    Failure failure = Encode(codec, e, stream, dib);
    jpeg_destroy_compress(&e.info);
    if (std::fclose(stream) != 0 && !failure) failure = text::kWriteImageFailed;
    return failure;
}

}  // namespace

int Save(CDIBFile& codec, const char* path) {
    CNewDIBObject* dib = TargetImage(codec);
    if (!dib || !dib->GetBitmapInfo() || !dib->Ready()) return RecordFailure(codec, text::kNoData);
    // Other depths are refused before anything is written or reported.
    if (!SavedBitCount(dib->GetBitCount())) return RecordFailure(codec, kSilentFailure);
    return SaveThroughTemporary(codec, path, [&](const char* temp) { return WriteFile(codec, temp, *dib); });
}

}  // namespace velmora::jpeg
