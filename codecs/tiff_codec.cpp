#include "codecs/tiff_codec.h"

#include <tiffio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "codecs/tiff_tags.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"
#include "platform/open_file.h"
#include "storage/row_walker.h"

namespace velmora::tiff {

namespace {

struct CloseTiff {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
using TiffHandle = std::unique_ptr<TIFF, CloseTiff>;

// A damaged file can make libtiff report every one of its lines (tens of
// thousands of messages from a 2 KB fax): a file's first few messages go on
// to libtiff's handlers, the rest are dropped. The count lives in the TIFF's
// client data, as a number, so nothing needs freeing. The process's handlers
// themselves stay as the host set them.
constexpr intptr_t kMessagesPassedOn = 8;
const char kMessageCount[] = "velmora.messages";

int CountMessage(TIFF* tif, void*, const char*, const char*, va_list) {
    if (!tif) return 0;
    const intptr_t count = reinterpret_cast<intptr_t>(TIFFGetClientInfo(tif, kMessageCount));
    TIFFSetClientInfo(tif, reinterpret_cast<void*>(count + 1), kMessageCount);
    return count < kMessagesPassedOn ? 0 : 1;  // 0: libtiff's handler reports it
}

// libtiff's own open would wait for ever on a FIFO; the descriptor comes from
// an open that never waits and takes regular files only. "m": the file is
// read, not mapped, so a file cut short while it is read fails the read
// instead of raising SIGBUS.
TIFF* OpenTiffForReading(const char* path) {
    const int fd = velmora::OpenForReading(path);
    if (fd < 0) return nullptr;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options) {
        TIFFOpenOptionsSetErrorHandlerExtR(options, CountMessage, nullptr);
        TIFFOpenOptionsSetWarningHandlerExtR(options, CountMessage, nullptr);
    }
    TIFF* tif = TIFFFdOpenExt(fd, path, "rm", options);
    TIFFOpenOptionsFree(options);
    if (!tif) close(fd);  // TIFFClose closes it once libtiff took it
    return tif;
}

struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};
using Block = std::unique_ptr<BYTE, FreeBlock>;

// What the reader takes from the file's first directory.
struct Layout {
    uint32_t width = 0;
    uint32_t length = 0;
    uint16_t bitsPerSample = 0;
    uint32_t rowsPerStrip = 0;
    uint16_t photometric = 0;
    uint16_t samplesPerPixel = 0;
    float xResolution = 0;
    float yResolution = 0;
    uint16_t resolutionUnit = 0;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint64_t scanline = 0;  // bytes of one decoded row
    int bitCount = 0;
};

// JPEG-compressed YCbCr strips come out as RGB rows when libtiff converts
// them; without that they would be subsampled YCbCr.
void AskForRgbRows(TIFF* tif, const Layout& layout) {
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    if (compression == COMPRESSION_JPEG && layout.photometric == PHOTOMETRIC_YCBCR)
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
}

Layout ReadLayout(TIFF* tif) {
    Layout layout;
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGEWIDTH, &layout.width);
    TIFFGetFieldDefaulted(tif, TIFFTAG_IMAGELENGTH, &layout.length);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &layout.bitsPerSample);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &layout.rowsPerStrip);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PHOTOMETRIC, &layout.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &layout.samplesPerPixel);
    TIFFGetFieldDefaulted(tif, TIFFTAG_XRESOLUTION, &layout.xResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_YRESOLUTION, &layout.yResolution);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &layout.resolutionUnit);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &layout.planar);
    AskForRgbRows(tif, layout);
    tmsize_t scanline = TIFFScanlineSize(tif);
    layout.scanline = scanline > 0 ? static_cast<uint64_t>(scanline) : 0;
    layout.bitCount = layout.samplesPerPixel * layout.bitsPerSample;
    return layout;
}

// Compressed data a large picture needs at the least, so that a small crafted
// file cannot reserve a huge page file: every pixel once for uncompressed
// data, one byte per 64 KiB of decoded rows for any compression (blank fax
// pages come near that).
constexpr uint64_t kUncheckedBytes = uint64_t{256} << 20;
constexpr uint64_t kMaxExpansion = uint64_t{1} << 16;

bool DataCanHold(TIFF* tif, const Layout& layout) {
    const uint64_t decoded = layout.scanline * layout.length;
    if (decoded <= kUncheckedBytes) return true;
    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &compression);
    const uint64_t fileBytes = TIFFGetSizeProc(tif)(TIFFClientdata(tif));
    return compression == COMPRESSION_NONE ? fileBytes >= decoded : fileBytes >= decoded / kMaxExpansion;
}

// Refusals before the image is touched. Null when the file can be read.
Failure CheckLayout(TIFF* tif, const Layout& layout) {
    if (!ReadableSamples(layout.samplesPerPixel, layout.bitsPerSample)) return text::kUnsupportedFormat;
    // Colour rows are taken three interleaved bytes a pixel; separate planes
    // or subsampled rows do not hold that.
    if (layout.samplesPerPixel == 3 &&
        (layout.planar != PLANARCONFIG_CONTIG || layout.scanline < 3 * static_cast<uint64_t>(layout.width)))
        return text::kUnsupportedFormat;
    // Sizes the storage would refuse fail as its refusal would, before the
    // document gives up its image.
    if (layout.width == 0 || layout.length == 0 || layout.width > INT32_MAX || layout.length > INT32_MAX ||
        RowStride(layout.width, layout.bitCount, INT32_MAX) == 0)
        return text::kCreateBufferFailed;
    if (layout.scanline == 0 || !DataCanHold(tif, layout)) return text::kReadImageFailed;
    // A file that can hold its picture may still claim more than the
    // library's limits allow.
    return CheckImageSize(layout.width, layout.length, layout.bitCount);
}

BITMAPINFOHEADER HeaderFor(const Layout& layout) {
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(layout.width);
    header.biHeight = static_cast<LONG>(layout.length);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(layout.bitCount);
    header.biCompression = BI_RGB;
    header.biXPelsPerMeter = PelsPerMeter(layout.resolutionUnit, layout.xResolution);
    header.biYPelsPerMeter = PelsPerMeter(layout.resolutionUnit, layout.yResolution);
    return header;
}

// Grey ramps and colour maps; the gray flag is set for grey images only.
Failure FillColorTable(TIFF* tif, const Layout& layout, CNewDIBObject& image, int* gray) {
    if (layout.bitCount > 8) return nullptr;
    *gray = 0;
    RGBQUAD* table = ColorTableOf(image.GetBitmapInfo());
    switch (layout.photometric) {
        case PHOTOMETRIC_MINISWHITE:
        case PHOTOMETRIC_MINISBLACK:
            FillGreyRamp(table, layout.bitsPerSample, layout.photometric == PHOTOMETRIC_MINISWHITE);
            *gray = 1;
            return nullptr;
        case PHOTOMETRIC_PALETTE: {
            uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
                return text::kReadPaletteFailed;
            FillFromColorMap(table, 1 << layout.bitsPerSample, red, green, blue);
            return nullptr;
        }
        default:
            return text::kReadPaletteFailed;
    }
}

// One decoded row into one image row: rows with a colour table as they
// stand, colour rows with red and blue exchanged. Never reads past the
// decoded row nor writes past the image row; padding is cleared.
void CopyRow(const Layout& layout, const BYTE* source, BYTE* target, size_t stride) {
    size_t written = 3 * static_cast<size_t>(layout.width);
    if (layout.samplesPerPixel == 1) {
        written = static_cast<size_t>(std::min<uint64_t>(layout.scanline, stride));
        std::memcpy(target, source, written);
    } else {
        for (size_t p = 0; p < written; p += 3) {
            target[p] = source[p + 2];
            target[p + 1] = source[p + 1];
            target[p + 2] = source[p];
        }
    }
    std::memset(target + written, 0, stride - written);
}

// Bytes of strips read in one run: the file is read front to back within a
// run, so its readahead keeps up even though the runs go from the last to
// the first (libtiff cuts a single uncompressed strip into strips of a row
// or two, and read one by one from the end, a large file was read backwards
// a row at a time).
constexpr uint64_t kRunBytes = uint64_t{8} << 20;

// Runs of strips from the last to the first and each run's rows from its
// last, so that storage rows fill in ascending order through the row
// windows. Strips are whole multiples of rows, so a run's rows lie one after
// another in its buffer.
Failure ReadStrips(TIFF* tif, const Layout& layout, uint32_t rowsPerStrip, uint64_t stripBytes, CNewDIBObject& image,
                   const ProgressReporter& reporter) {
    const uint32_t length = layout.length;
    const uint32_t strips = (length - 1) / rowsPerStrip + 1;
    const uint32_t perRun = static_cast<uint32_t>(std::clamp<uint64_t>(kRunBytes / stripBytes, 1, strips));
    Block run(static_cast<BYTE*>(std::calloc(static_cast<size_t>(stripBytes) * perRun, 1)));
    if (!run) return text::kOutOfMemory;
    RowWalker rows(&image, RowOrder::BottomUp);
    const uint32_t step = length / 20 + 1;
    for (int64_t firstStrip = static_cast<int64_t>((strips - 1) / perRun) * perRun; firstStrip >= 0;
         firstStrip -= perRun) {
        const uint32_t runFirstRow = static_cast<uint32_t>(firstStrip) * rowsPerStrip;
        const uint32_t runStrips = std::min<uint32_t>(perRun, strips - static_cast<uint32_t>(firstStrip));
        for (uint32_t k = 0; k < runStrips; ++k) {
            const uint32_t first = runFirstRow + k * rowsPerStrip;
            const uint32_t count = std::min<uint32_t>(rowsPerStrip, length - first);
            const tmsize_t want = static_cast<tmsize_t>(count * layout.scanline);
            BYTE* at = run.get() + static_cast<size_t>(k) * static_cast<size_t>(stripBytes);
            const tmsize_t got = TIFFReadEncodedStrip(tif, TIFFComputeStrip(tif, first, 0), at, want);
            if (got < 0) return text::kReadImageFailed;
            // A short strip leaves zeros, not the previous run's rows.
            if (got < want) std::memset(at + got, 0, static_cast<size_t>(want - got));
        }
        const uint32_t runRows = std::min<uint32_t>(runStrips * rowsPerStrip, length - runFirstRow);
        for (int64_t m = runRows - 1; m >= 0; --m) {
            const int row = static_cast<int>(length - 1 - (runFirstRow + m));
            BYTE* target = rows.Row(row);
            if (!target) return text::kMapFailed;
            CopyRow(layout, run.get() + static_cast<size_t>(m) * layout.scanline, target, rows.Stride());
            if (static_cast<uint32_t>(row) % step == 0)
                reporter.Step(static_cast<unsigned long>(static_cast<double>(row) / length * 100));
        }
    }
    return nullptr;
}

// Rows one at a time from the top, for strips too large to hold: libtiff
// decodes a strip's rows in order, so only one decoded row is held.
Failure ReadScanlines(TIFF* tif, const Layout& layout, CNewDIBObject& image, const ProgressReporter& reporter) {
    Block line(static_cast<BYTE*>(std::calloc(static_cast<size_t>(layout.scanline), 1)));
    if (!line) return text::kOutOfMemory;
    RowWalker rows(&image, RowOrder::TopDown);
    const uint32_t step = layout.length / 20 + 1;
    for (uint32_t t = 0; t < layout.length; ++t) {
        if (TIFFReadScanline(tif, line.get(), t, 0) < 0) return text::kReadImageFailed;
        BYTE* target = rows.Row(static_cast<int>(t));
        if (!target) return text::kMapFailed;
        CopyRow(layout, line.get(), target, rows.Stride());
        if (t % step == 0) reporter.Step(static_cast<unsigned long>(static_cast<double>(t) / layout.length * 100));
    }
    return nullptr;
}

// Bytes of the rows one placement of the image's window holds (the whole
// image when it is in memory); 0 when no window can be placed.
uint64_t WindowBytes(CNewDIBObject& image) {
    int count = 0;
    if (!image.GetDIBBuffer(0, &count, 1) || count <= 0) return 0;
    return static_cast<uint64_t>(count) * image.GetBytesPerLine();
}

// A decoded strip is held when it is no larger than a row window, so an
// image in a page file never has more in memory than its window and a run of
// strips (8 MiB, or the one strip).
Failure ReadRows(TIFF* tif, const Layout& layout, CNewDIBObject& image, const ProgressReporter& reporter) {
    const uint32_t rowsPerStrip = std::min(layout.rowsPerStrip ? layout.rowsPerStrip : layout.length, layout.length);
    uint64_t stripBytes = 0;
    if (!CheckedProduct(rowsPerStrip, layout.scanline, &stripBytes) || stripBytes > static_cast<uint64_t>(INT64_MAX))
        return text::kOutOfMemory;
    const uint64_t window = WindowBytes(image);
    if (window == 0) return text::kMapFailed;
    if (stripBytes > window) return ReadScanlines(tif, layout, image, reporter);
    return ReadStrips(tif, layout, rowsPerStrip, stripBytes, image, reporter);
}

// Colour rows written red, green, blue from the image's blue, green, red
// bytes; `pixelBytes` is 3 for 24-bit images and 4 for 32-bit ones.
void ToRgb(const BYTE* source, BYTE* target, int width, int pixelBytes) {
    for (int u = 0; u < width; ++u, source += pixelBytes, target += 3) {
        target[0] = source[2];
        target[1] = source[1];
        target[2] = source[0];
    }
}

void SetTags(TIFF* tif, CNewDIBObject& image, int gray) {
    const BITMAPINFOHEADER& header = *HeaderOf(image);
    const int bitCount = image.GetBitCount();
    const bool colour = bitCount > 8;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.GetWidth()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.GetHeight()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, colour ? 8 : bitCount);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 SavedPhotometric(bitCount, gray != 0, colour ? nullptr : ColorTableOf(image.GetBitmapInfo())));
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(image.GetHeight()));
    TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_CENTIMETER);
    TIFFSetField(tif, TIFFTAG_XRESOLUTION, static_cast<double>(SavedResolution(header.biXPelsPerMeter)));
    TIFFSetField(tif, TIFFTAG_YRESOLUTION, static_cast<double>(SavedResolution(header.biYPelsPerMeter)));
}

Failure SetColorMap(TIFF* tif, CNewDIBObject& image) {
    const int entries = ColorEntries(image.GetBitCount());
    if (entries == 0) return nullptr;
    try {
        std::vector<uint16_t> map = ColorMapFor(ColorTableOf(image.GetBitmapInfo()), entries);
        TIFFSetField(tif, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
    } catch (const std::bad_alloc&) {
        return text::kPaletteAllocFailed;
    }
    return nullptr;
}

// libtiff gathers encoded data for a strip in a buffer the size of the strip
// unless told otherwise; the whole image is one strip, so it is written out
// in pieces of this size instead.
constexpr tmsize_t kWriteChunk = 4 << 20;

// Rows top to bottom; rows with a colour table go straight from the image.
Failure WriteRows(TIFF* tif, CNewDIBObject& image, const ProgressReporter& reporter) {
    const int width = image.GetWidth(), height = image.GetHeight(), bitCount = image.GetBitCount();
    Block converted;
    if (bitCount > 8) {
        converted.reset(static_cast<BYTE*>(std::malloc(3 * static_cast<size_t>(width))));
        if (!converted) return text::kRowBufferFailed;
    }
    if (!TIFFWriteBufferSetup(tif, nullptr, kWriteChunk)) return text::kWriteImageFailed;
    RowWalker rows(&image, RowOrder::TopDown);
    unsigned long lastSent = 0;
    for (int r = 0; r < height; ++r) {
        BYTE* row = rows.Row(r);
        if (!row) return text::kMapFailed;
        if (converted) {
            ToRgb(row, converted.get(), width, bitCount / 8);
            row = converted.get();
        }
        if (TIFFWriteScanline(tif, row, static_cast<uint32_t>(r), 0) < 0) return text::kWriteImageFailed;
        const unsigned long percent = static_cast<unsigned long>(static_cast<uint64_t>(r) * 100 / height);
        if (percent > lastSent) {
            reporter.Step(percent);
            lastSent = percent;
        }
    }
    // The directory and the last data are written here; a full disk shows now.
    if (!TIFFFlush(tif)) return text::kWriteImageFailed;
    return nullptr;
}

Failure WriteFile(CDIBFile& codec, CNewDIBObject& image, const char* temp) {
    TiffHandle tif(TIFFOpen(temp, "w"));
    if (!tif) return text::kCreateFileFailed;
    SetTags(tif.get(), image, codec.m_bGray);
    if (Failure failure = SetColorMap(tif.get(), image)) return failure;
    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kSavingTiff);
    if (Failure failure = WriteRows(tif.get(), image, reporter)) {
        tif.reset();
        FailSave(codec, failure);
        return failure;
    }
    tif.reset();
    reporter.End();
    return nullptr;
}

bool SavableBitCount(int bitCount) { return (bitCount >= 1 && bitCount <= 8) || bitCount == 24 || bitCount == 32; }

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    CNewDIBObject* image = TargetImage(codec);
    if (!image) return RecordFailure(codec, text::kNoData);
    TiffHandle tif(OpenTiffForReading(path));
    if (!tif) return RecordFailure(codec, text::kOpenTiffFailed);
    const Layout layout = ReadLayout(tif.get());
    if (Failure failure = CheckLayout(tif.get(), layout)) return RecordFailure(codec, failure);
    if (!image->CreateDIB(static_cast<int>(layout.width), static_cast<int>(layout.length), layout.bitCount) ||
        !image->Ready()) {
        image->ReleaseDIB();
        return RecordFailure(codec, text::kCreateBufferFailed);
    }
    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kReadingTiff);
    *HeaderOf(*image) = HeaderFor(layout);
    Failure failure = FillColorTable(tif.get(), layout, *image, &codec.m_bGray);
    if (!failure) failure = ReadRows(tif.get(), layout, *image, reporter);
    tif.reset();
    if (failure) return FailRead(codec, failure);
    reporter.End();
    return 1;
}

int Save(CDIBFile& codec, const char* path) {
    CNewDIBObject* image = TargetImage(codec);
    if (!image || !image->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    // 16-bit pixels have no sample layout here; nothing is written for them.
    if (!SavableBitCount(image->GetBitCount())) return RecordFailure(codec, text::kUnsupportedFormat);
    int ok = SaveThroughTemporary(codec, path, [&](const char* temp) { return WriteFile(codec, *image, temp); });
    // A temporary that could not be made or renamed is a file not created.
    if (!ok && codec.m_strError.IsEmpty()) RecordFailure(codec, text::kCreateFileFailed);
    return ok;
}

}  // namespace velmora::tiff

int CDIBFile::ReadTIFFFile(const char* path) { return velmora::tiff::Read(*this, path); }

int CDIBFile::SaveTIFFFile(const char* path) { return velmora::tiff::Save(*this, path); }
