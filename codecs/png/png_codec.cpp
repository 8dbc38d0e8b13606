#include "codecs/png/png_codec.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "codecs/png/png_layout.h"
#include "codecs/png/png_metadata.h"
#include "codecs/png/png_session.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/picture_rows.h"
#include "platform/dib_geometry.h"
#include "storage/pixel_alpha.h"
#include "storage/storage_mode.h"
#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/system.h"

namespace velmora::png {

namespace {

// deflate codes at best 258 bytes in two bits: no file inflates to more than
// this many times its own length.
constexpr uint64_t kMaxDeflateRatio = 1032;
constexpr LONG kPixelsPerMeter = 11811;
constexpr UINT kHelpContext = 1;
constexpr int kSavedEntries = 256;
// zlib's fast matcher: files a few percent larger than at its default level
// (6) in about half the time. The library setting may name another.
constexpr int kSaveCompressionLevel = 3;

// The image the file becomes.
struct Shape {
    int bitCount = 0;
    uint64_t bytes = 0;  // header, colour table and rows, for the memory check
};

int Megabytes(uint64_t bytes) { return static_cast<int>(std::min<uint64_t>(bytes >> 20, INT_MAX)); }

// Progress as PNG sends it: the rows count down from the top one, and each
// `step`-th remaining count sends 100 - remaining / step (101 after the last
// row of an image with step 1).
void CountDown(const ProgressReporter& reporter, int remaining, int step) {
    if (remaining % step == 0) reporter.Step(static_cast<unsigned long>(100 - remaining / step));
}

// --- Reading ---------------------------------------------------------------

// Header, palette and transforms. Runs under the recovery point.
struct ReadInfo {
    png_structp png;
    png_infop info;
    FileFacts* facts;

    Failure operator()() const {
        // Claimed sizes are checked against the file before storage is
        // created, so libpng's width and height caps give way to the DIB's.
        png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
#ifdef PNG_IGNORE_ADLER32
        // Every chunk's CRC already covers the compressed bytes; the zlib
        // stream's own checksum would only catch an encoder that wrote a
        // wrong one, and costs some 7% of the inflate time.
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
        png_read_info(png, info);
        facts->width = static_cast<int>(png_get_image_width(png, info));
        facts->height = static_cast<int>(png_get_image_height(png, info));
        facts->bitDepth = png_get_bit_depth(png, info);
        facts->colorType = png_get_color_type(png, info);
        facts->pixelDepth = facts->bitDepth * png_get_channels(png, info);
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) && palette) {
            facts->paletteLength = std::clamp(count, 0, PNG_MAX_PALETTE_LENGTH);
            std::copy(palette, palette + facts->paletteLength, facts->palette);
        }
        RequestReadTransforms(png, *facts);
        if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) facts->passes = png_set_interlace_handling(png);
        return nullptr;
    }
};

// Whether `pass` is the first of an interlaced file's passes to reach row y.
bool FirstPassOfRow(int y, int pass) {
    for (int earlier = 0; earlier < pass; ++earlier)
        if (PNG_ROW_IN_INTERLACE_PASS(y, earlier)) return false;
    return true;
}

// Every row of every pass, top row first, straight into the image's rows
// through their windows. libpng merges each pass of an interlaced file into
// the row in place, so a row begun by earlier passes is simply read again;
// rows a pass does not touch are not even fetched. When a row is first
// reached, its bytes from the last whole pixel byte on are cleared, so its
// padding and the bits past its last pixel, which libpng leaves alone, hold
// zeros rather than what the storage held. Runs under the recovery point.
struct ReadRows {
    png_structp png;
    PictureRows* rows;
    ProgressReporter reporter;
    int passes;
    size_t wholeBytes;  // bytes of a row that libpng fills entirely

    Failure operator()() const {
        const int height = rows->Height();
        const int step = height / 100 + 1;
        for (int pass = 0; pass < passes; ++pass)
            for (int y = 0; y < height; ++y) {
                BYTE* row = nullptr;
                if (passes == 1 || PNG_ROW_IN_INTERLACE_PASS(y, pass)) {
                    row = rows->Row(y);
                    if (!row) return text::kMapFailed;
                    if (passes == 1 || FirstPassOfRow(y, pass))
                        std::memset(row + wholeBytes, 0, rows->Stride() - wholeBytes);
                }
                png_read_row(png, row, nullptr);
                CountDown(reporter, height - 2 - y, step);
            }
        return nullptr;
    }
};

struct ReadEnd {
    png_structp png;
    png_infop info;

    Failure operator()() const {
        png_read_end(png, info);
        return nullptr;
    }
};

// Sizes checked before any storage is made: the file must be long enough to
// inflate to the rows it claims, and sizes the storage would refuse fail as
// its refusal would, before the document gives up its image.
Failure CheckShape(const FileFacts& facts, uint64_t fileBytes, Shape* shape) {
    const uint64_t rowBytes = static_cast<uint64_t>(facts.width) * static_cast<uint64_t>(facts.pixelDepth) / 8;
    uint64_t claimed = 0, possible = 0;
    if (!CheckedProduct(rowBytes, static_cast<uint64_t>(facts.height), &claimed)) return text::kReadDataFailed;
    if (CheckedProduct(fileBytes, kMaxDeflateRatio, &possible) && claimed > possible) return text::kReadDataFailed;
    shape->bitCount = ImageBitCount(facts);
    const uint64_t stride = RowStride(facts.width, shape->bitCount, INT_MAX);
    const uint64_t pixels = ImageBytes(stride, static_cast<uint64_t>(facts.height));
    if (!stride || !pixels) return text::kCreateBufferFailed;
    shape->bytes = pixels + HeaderAndTableBytes(shape->bitCount);
    // A file that can hold its picture may still claim more than the
    // library's limits allow.
    return CheckImageSize(facts.width, facts.height, shape->bitCount);
}

// The warning the reader gives instead of reading an image larger than the
// available memory; empty when it fits.
CString ReadMemoryWarning(const MEMORYSTATUS& memory, uint64_t imageBytes) {
    CString warning;
    if (memory.dwAvailPhys < imageBytes)
        warning.Format(text::kPngReadTooLarge, Megabytes(memory.dwAvailPhys), Megabytes(imageBytes));
    return warning;
}

void StoreHeader(CNewDIBObject& dib, const FileFacts& facts, int bitCount) {
    BITMAPINFOHEADER* header = HeaderOf(dib);
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = facts.width;
    header->biHeight = facts.height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bitCount);
    header->biCompression = BI_RGB;
    header->biXPelsPerMeter = kPixelsPerMeter;
    header->biYPelsPerMeter = kPixelsPerMeter;
}

int ReadRowsAndEnd(CDIBFile& codec, PngSession& session, const FileFacts& facts, int bitCount) {
    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kReadingImage);
    ImageRows rows(TargetImage(codec));
    const size_t wholeBytes = static_cast<size_t>(facts.width) * static_cast<size_t>(bitCount) / 8;
    ReadRows readRows{session.Png(), &rows, reporter, facts.passes, wholeBytes};
    if (Failure failure = Guarded(session.Png(), readRows)) return FailRead(codec, failure);
    ReadEnd readEnd{session.Png(), session.Info()};
    if (Failure failure = Guarded(session.Png(), readEnd)) return FailRead(codec, failure);
    session.CloseStream();
    reporter.End();
    return 1;
}

// --- Saving ----------------------------------------------------------------

// The estimate the writer compares with the available memory; 0 (no check)
// for bit counts it has none for.
uint64_t SaveEstimate(CNewDIBObject& dib) {
    const uint64_t pixels = static_cast<uint64_t>(dib.GetWidth()) * static_cast<uint64_t>(dib.GetHeight());
    return SavedColorType(dib.GetBitCount()) < 0 ? 0 : pixels / 8 * static_cast<uint64_t>(dib.GetBitCount()) +
                                                           pixels % 8 * static_cast<uint64_t>(dib.GetBitCount()) / 8;
}

// Whether the image's rows are spread over page-file windows (the save then
// moves them window by window and needs no memory for the image).
bool InPageFile(CNewDIBObject& dib) {
    int rows = 0;
    return dib.GetDIBBuffer(0, &rows, 1) && rows < dib.GetHeight();
}

// The save passes rows to libpng one at a time, so the image's size in
// memory is no concern of it. The check stays where the design made it, for
// images held in memory, except under a process memory limit: there what
// other threads hold at the moment says nothing of this save, which takes no
// more than a row.
bool SaveChecksMemory(CNewDIBObject& dib) { return !InPageFile(dib) && GetProcessMemoryLimit() == 0; }

CString SaveMemoryWarning(uint64_t estimate) {
    MEMORYSTATUS memory{};
    GlobalMemoryStatus(&memory);
    CString warning;
    if (memory.dwAvailPhys < estimate)
        warning.Format(text::kPngSaveTooLarge, Megabytes(estimate), Megabytes(memory.dwAvailPhys));
    return warning;
}

// zlib's level for saves: the save's option, or the codec's own for -1 (and
// anything else zlib has no level for).
int SaveCompressionLevel(int option) { return option >= 0 && option <= 9 ? option : kSaveCompressionLevel; }

// Header, palette (images of up to 8 bits) and the rows' channel order.
// Runs under the recovery point.
struct WriteInfo {
    png_structp png;
    png_infop info;
    int width;
    int height;
    int bitCount;
    const png_color* palette;
    bool opaque;  // a 32-bit image without alpha: written RGB, its fourth bytes left out
    int level;
    const ImageMetadata* metadata;

    Failure operator()() const {
        const int colorType = opaque ? PNG_COLOR_TYPE_RGB : SavedColorType(bitCount);
        const int bitDepth = colorType == PNG_COLOR_TYPE_PALETTE ? bitCount : 8;
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colorType,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, ColorEntries(bitCount));
        png_set_compression_level(png, level);
        SetMetadata(png, info, *metadata);
        png_write_info(png, info);
        // DIB pixels are blue, green, red (and alpha).
        if (colorType != PNG_COLOR_TYPE_PALETTE) png_set_bgr(png);
        if (opaque) png_set_filler(png, 0, PNG_FILLER_AFTER);
        return nullptr;
    }
};

// Every row, top row first, straight from the image's rows through their
// windows (libpng copies each row before filtering it). Runs under the
// recovery point.
struct WriteRows {
    png_structp png;
    png_infop info;
    PictureRows* rows;
    ProgressReporter reporter;

    Failure operator()() const {
        const int height = rows->Height();
        const int step = (height - 1) / 100 + 1;
        for (int y = 0; y < height; ++y) {
            const BYTE* row = rows->Row(y);
            if (!row) return text::kMapFailed;
            png_write_row(png, row);
            CountDown(reporter, height - 2 - y, step);
        }
        png_write_end(png, info);
        return nullptr;
    }
};

// The colour table as the file's palette, red, green, blue.
void PaletteOf(CNewDIBObject& dib, png_color* palette) {
    const RGBQUAD* table = ColorTableOf(dib.GetBitmapInfo());
    for (int i = 0; i < ColorEntries(dib.GetBitCount()); ++i)
        palette[i] = png_color{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
}

Failure WriteFile(CDIBFile& codec, CNewDIBObject& dib, const char* temp) {
    PngSession session(PngSession::kWrite);
    if (!session.Open(temp)) return kSilentFailure;
    png_color palette[kSavedEntries] = {};
    PaletteOf(dib, palette);
    const bool opaque = dib.GetBitCount() == 32 && !ImageHasAlpha(dib);
    WriteInfo writeInfo{session.Png(),     session.Info(),    dib.GetWidth(),
                        dib.GetHeight(),   dib.GetBitCount(), palette,
                        opaque,            SaveCompressionLevel(SaveOptionsOf(codec).pngLevel), &codec.m_metadata};
    if (Failure failure = Guarded(session.Png(), writeInfo)) return failure;

    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingImage);
    ImageRows rows(&dib);
    WriteRows writeRows{session.Png(), session.Info(), &rows, reporter};
    Failure failure = Guarded(session.Png(), writeRows);
    if (!failure && !session.CloseStream()) failure = kSilentFailure;
    if (failure) FailSave(codec, failure);
    else reporter.End();
    return failure;
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB) return RecordFailure(codec, text::kNoData);
    MEMORYSTATUS memory{};
    GlobalMemoryStatus(&memory);
    PngSession session(PngSession::kRead);
    if (!path || !session.Open(path)) return RecordFailure(codec, text::kOpenFailed);
    FileFacts facts;
    ReadInfo readInfo{session.Png(), session.Info(), &facts};
    if (Failure failure = Guarded(session.Png(), readInfo)) return RecordFailure(codec, failure);
    TakeMetadata(codec, session.Png(), session.Info());
    Shape shape;
    if (Failure failure = CheckShape(facts, session.FileBytes(), &shape)) return RecordFailure(codec, failure);
    // Rows of up to 64 bits a pixel, and libpng's few bytes around them.
    session.LimitAllocations(std::max(PngSession::kHeaderAllocation, static_cast<uint64_t>(facts.width) * 8 + 4096));
    // The check guards memory: an image the storage puts in a page file
    // passes through windows, however large.
    CString warning = ShouldUsePageFile(shape.bytes) ? CString() : ReadMemoryWarning(memory, shape.bytes);
    if (!warning.IsEmpty()) {
        AfxMessageBox(warning, MB_OK);
        return RecordFailure(codec, warning);
    }

    CNewDIBObject& dib = *TargetImage(codec);
    if (!dib.CreateDIB(facts.width, facts.height, shape.bitCount) || !dib.Ready())
        return RecordFailure(codec, text::kCreateBufferFailed);
    StoreHeader(dib, facts, shape.bitCount);
    // libpng refuses an indexed file without its palette before this point;
    // should one pass, it is refused as files without a palette once were.
    if (LayoutOf(facts) == ReadLayout::kPalette && facts.paletteLength == 0) {
        AfxMessageBox(text::kNoGrayPng, MB_OK, kHelpContext);
        return FailKeepingImage(codec, text::kNoGrayPng);
    }
    StoreColorTable(dib, facts);
    codec.m_bGray = LayoutOf(facts) == ReadLayout::kGrey ? 1 : 0;
    return ReadRowsAndEnd(codec, session, facts, shape.bitCount);
}

int Save(CDIBFile& codec, const char* path) {
    if (!codec.m_pDIB || !codec.m_pDIB->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    CNewDIBObject& dib = *TargetImage(codec);
    CString warning = SaveChecksMemory(dib) ? SaveMemoryWarning(SaveEstimate(dib)) : CString();
    if (!warning.IsEmpty()) {
        AfxMessageBox(warning, MB_OK);
        return RecordFailure(codec, warning);
    }
    if (SavedColorType(dib.GetBitCount()) < 0) {
        AfxMessageBox(text::kOnly256Colour, MB_OK, kHelpContext);
        return RecordFailure(codec, text::kOnly256Colour);
    }
    return SaveThroughTemporary(codec, path, [&](const char* temp) { return WriteFile(codec, dib, temp); });
}

}  // namespace velmora::png

int CDIBFile::ReadPNGFile(const char* path) { return velmora::png::Read(*this, path); }

int CDIBFile::SavePNGFile(const char* path) { return velmora::png::Save(*this, path); }
