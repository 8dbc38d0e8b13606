#include "codecs/tiff/tiff_metadata.h"
#include "codecs/tiff/tiff_codec.h"

#include <tiffio.h>

#include "codecs/tiff/tiff_bands.h"
#include "codecs/tiff/tiff_layout.h"
#include "codecs/tiff/tiff_open.h"
#include "codecs/tiff/tiff_range.h"
#include "codecs/tiff/tiff_rgba.h"
#include "codecs/tiff/tiff_samples.h"
#include "codecs/tiff/tiff_store.h"
#include "codecs/tiff/tiff_tags.h"
#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "platform/dib_geometry.h"

namespace velmora::tiff {

namespace {

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
            FillGreyRamp(table, static_cast<unsigned>(layout.bitCount), layout.photometric == PHOTOMETRIC_MINISWHITE);
            *gray = 1;
            return nullptr;
        case PHOTOMETRIC_PALETTE: {
            uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
            if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) || !red || !green || !blue)
                return text::kReadPaletteFailed;
            FillFromColorMap(table, 1 << layout.bitCount, red, green, blue);
            return nullptr;
        }
        default:
            return text::kReadPaletteFailed;
    }
}

Failure ReadSamples(const char* path, TIFF* tif, const Layout& layout, CNewDIBObject& image,
                    const ProgressReporter& reporter) {
    const uint64_t window = WindowBytes(image);
    if (window == 0) return text::kMapFailed;
    BandSource bands(path, tif, layout, layout.channels);
    if (Failure failure = bands.Prepare(window)) return failure;
    SampleConverter converter(layout, bands.SamplesPerPixel());
    KeptRows kept(bands.RowBytes(), converter.NeedsRange() ? KeptRowsBudget(layout) : 0, !bands.AnyOrder());
    if (converter.NeedsRange())
        if (Failure failure = MeasureRange(path, layout, window, bands, converter, kept)) return failure;
    RowWalker rows(&image, RowOrder::TopDown);
    return ForEachKeptOrDecodedBand(bands, kept, layout.length, [&](uint32_t first, uint32_t count, auto&& row) {
        return StoreBand(rows, layout.length, first, count, reporter, [&](uint32_t k, BYTE* target, size_t stride) {
            converter.Convert(row(k), target, stride);
        });
    });
}

}  // namespace

int Read(CDIBFile& codec, const char* path) {
    CNewDIBObject* image = TargetImage(codec);
    if (!image) return RecordFailure(codec, text::kNoData);
    TiffHandle tif(OpenTiffForReading(path));
    if (!tif) return RecordFailure(codec, OpenRefusal(path, text::kOpenTiffFailed));
    const Layout layout = ReadLayout(tif.get());
    if (Failure failure = CheckLayout(tif.get(), layout)) return RecordFailure(codec, failure);
    // Known before the image is made, so a header-only read can report the
    // upright size; the document applies it only after a successful read.
    codec.m_nOrientation = layout.orientation;
    TakeMetadata(codec, tif.get());
    if (!image->CreateDIB(static_cast<int>(layout.width), static_cast<int>(layout.length), layout.bitCount) ||
        !image->Ready()) {
        image->ReleaseDIB();
        return RecordFailure(codec, text::kCreateBufferFailed);
    }
    ProgressReporter reporter = CodecProgress(codec);
    reporter.Begin(text::kReadingTiff);
    *HeaderOf(*image) = HeaderFor(layout);
    Failure failure = FillColorTable(tif.get(), layout, *image, &codec.m_bGray);
    if (!failure)
        failure = layout.rule == SampleRule::Rgba ? ReadThroughRgba(tif.get(), layout, *image, reporter)
                                                  : ReadSamples(path, tif.get(), layout, *image, reporter);
    tif.reset();
    if (failure) return FailRead(codec, failure);
    reporter.End();
    return 1;
}

}  // namespace velmora::tiff

int CDIBFile::ReadTIFFFile(const char* path) { return velmora::tiff::Read(*this, path); }

int CDIBFile::SaveTIFFFile(const char* path) { return velmora::tiff::Save(*this, path); }
