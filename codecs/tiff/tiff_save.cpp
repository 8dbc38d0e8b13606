// Saving TIFF files: the directory, the colour map, rows top to bottom, and
// the save's options (compression, predictor, and BigTIFF past the threshold
// or always).
#include <tiffio.h>

#include <algorithm>
#include <cstdint>
#include <new>

#include "codecs/tiff/tiff_metadata.h"
#include "codecs/tiff/tiff_codec.h"
#include "codecs/tiff/tiff_open.h"
#include "codecs/tiff/tiff_tag_extender.h"
#include "codecs/tiff/tiff_tags.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"
#include "storage/row_walker.h"
#include "velmora/environment.h"

namespace velmora::tiff {

namespace {

// How the rows are coded. Uncompressed files keep the whole image in one
// strip, as they always have; compressed ones take strips of about
// kStripBytes, whole multiples of 16 rows for JPEG (its YCbCr blocks).
struct Coding {
    uint16_t compression = COMPRESSION_NONE;
    bool predictor = false;
    uint32_t rowsPerStrip = 0;
    bool bigTiff = false;
};

constexpr uint64_t kStripBytes = 256 << 10;
// Directory, colour map and strip tables, generously.
constexpr uint64_t kDirectoryBytes = 64 << 10;

bool NeedsBigTiff(const DIBSaveOptions& options, uint64_t fileBytes) {
    return options.bigTiff == BIGTIFF_FORCED || fileBytes > options.bigTiffThreshold;
}

// What the options ask for, as far as the image allows: JPEG keeps no
// colour table, so images of up to 8 bits take Deflate instead.
Coding CodingFor(const DIBSaveOptions& options, int bitCount, uint32_t width, uint32_t height) {
    Coding coding;
    const bool colour = bitCount > 8;
    int setting = options.tiffCompression;
    if (setting == TIFFSAVE_JPEG && !colour) setting = TIFFSAVE_DEFLATE;
    switch (setting) {
        case TIFFSAVE_DEFLATE:
            coding.compression = COMPRESSION_ADOBE_DEFLATE;
            break;
        case TIFFSAVE_LZW:
            coding.compression = COMPRESSION_LZW;
            break;
        case TIFFSAVE_JPEG:
            coding.compression = COMPRESSION_JPEG;
            break;
        default:
            break;
    }
    // libtiff's predictor takes 8-bit samples and wider only.
    coding.predictor = options.tiffPredictor != 0 && coding.compression != COMPRESSION_NONE &&
                       coding.compression != COMPRESSION_JPEG && (colour || bitCount == 8);
    const uint64_t rowBytes = (uint64_t{width} * (colour ? 24 : bitCount) + 7) / 8;
    const uint64_t data = rowBytes * height;
    if (coding.compression == COMPRESSION_NONE) {
        coding.rowsPerStrip = height;
        coding.bigTiff = NeedsBigTiff(options, data + kDirectoryBytes);
        return coding;
    }
    uint64_t rows = std::clamp<uint64_t>(kStripBytes / std::max<uint64_t>(rowBytes, 1), 1, height);
    if (coding.compression == COMPRESSION_JPEG) rows = (rows + 15) / 16 * 16;
    coding.rowsPerStrip = static_cast<uint32_t>(rows);
    // LZW can grow noise by half; strip tables take 16 bytes a strip at most.
    const uint64_t strips = (height + rows - 1) / rows;
    coding.bigTiff = NeedsBigTiff(options, data + data / 2 + 16 * strips + kDirectoryBytes);
    return coding;
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

void SetCodingTags(TIFF* tif, const Coding& coding) {
    TIFFSetField(tif, TIFFTAG_COMPRESSION, coding.compression);
    if (coding.predictor) TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, coding.rowsPerStrip);
}

void SetTags(TIFF* tif, CNewDIBObject& image, int gray, const Coding& coding) {
    const BITMAPINFOHEADER& header = *HeaderOf(image);
    const int bitCount = image.GetBitCount();
    const bool colour = bitCount > 8;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(image.GetWidth()));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(image.GetHeight()));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, colour ? 8 : bitCount);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    SetCodingTags(tif, coding);
    const bool jpeg = coding.compression == COMPRESSION_JPEG;
    // JPEG stores colour as YCbCr; libtiff converts the RGB rows given to it.
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 jpeg ? PHOTOMETRIC_YCBCR
                      : SavedPhotometric(bitCount, gray != 0, colour ? nullptr : ColorTableOf(image.GetBitmapInfo())));
    if (jpeg) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, colour ? 3 : 1);
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
// unless told otherwise; an uncompressed image is one strip, so it is
// written out in pieces of this size instead.
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

Failure WriteFile(CDIBFile& codec, CNewDIBObject& image, const char* temp, const ExtraTags& extra) {
    const Coding coding = CodingFor(SaveOptionsOf(codec), image.GetBitCount(), static_cast<uint32_t>(image.GetWidth()),
                                    static_cast<uint32_t>(image.GetHeight()));
    RegisterGeoTiffTags();
    TiffHandle tif(TIFFOpen(temp, coding.bigTiff ? "w8" : "w"));
    if (!tif) return text::kCreateFileFailed;
    uint64_t exifOffset = 0;
    if (!WriteMetadataDirectories(tif.get(), codec.m_metadata, &exifOffset)) return text::kWriteImageFailed;
    SetTags(tif.get(), image, codec.m_bGray, coding);
    SetMetadataTags(tif.get(), codec.m_metadata, exifOffset);
    if (Failure failure = SetColorMap(tif.get(), image)) return failure;
    if (extra && !extra(tif.get())) return text::kWriteImageFailed;
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

int Save(CDIBFile& codec, const char* path, const ExtraTags& extra) {
    CNewDIBObject* image = TargetImage(codec);
    if (!image || !image->GetBitmapInfo()) return RecordFailure(codec, text::kNoData);
    // 16-bit pixels have no sample layout here; nothing is written for them.
    if (!SavableBitCount(image->GetBitCount())) return RecordFailure(codec, text::kUnsupportedFormat);
    int ok = SaveThroughTemporary(codec, path, [&](const char* temp) { return WriteFile(codec, *image, temp, extra); });
    // A temporary that could not be made or renamed is a file not created.
    if (!ok && codec.m_strError.IsEmpty()) RecordFailure(codec, text::kCreateFileFailed);
    return ok;
}

}  // namespace velmora::tiff
