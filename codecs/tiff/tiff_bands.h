// Decoded TIFF rows a band at a time, top to bottom, whatever the file
// stores: strips or tiles, samples contiguous or in separate planes. A band's
// rows lie one after another, each a contiguous row of pixels (samples
// interleaved) of RowBytes() bytes; of separate planes only the first
// SamplesPerPixel() are decoded (a colour image's alpha plane is skipped).
//
// Memory: one strip when it is no larger than the image's row window (else
// one row, decoded in order, separate planes each through a handle of its
// own), or one row of tiles and one tile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "codecs/tiff/tiff_layout.h"
#include "codecs/tiff/tiff_open.h"

namespace velmora::tiff {

class BandSource {
public:
    // `samples`: the samples of each pixel the caller needs from separate
    // planes (contiguous rows keep all of theirs). `path` is the file `tif`
    // reads, opened again for planes read a row at a time.
    BandSource(const char* path, TIFF* tif, const Layout& layout, int samples);

    // Sizes the band and takes its buffers; `windowBytes` is the image's row
    // window. Null on success.
    Failure Prepare(uint64_t windowBytes);
    // Decodes the band that starts at picture row `first` (a multiple of
    // BandRows()); *count is its rows. A short strip or tile leaves zeros.
    Failure Read(uint32_t first, uint32_t* count);

    // Whether bands can be read in any order (not one row after another of
    // a strip larger than a window, which libtiff decodes from its start).
    bool AnyOrder() const { return m_mode != Mode::Scanlines; }

    const BYTE* Row(uint32_t k) const { return m_band.get() + k * m_rowBytes; }
    uint32_t BandRows() const { return m_bandRows; }
    size_t RowBytes() const { return m_rowBytes; }
    int SamplesPerPixel() const { return m_samples; }

private:
    enum class Mode { Strips, Scanlines, Tiles };

    Failure ReadStrips(uint32_t first, uint32_t count);
    Failure OpenPlaneHandles();
    Failure ReadScanline(uint32_t row);
    Failure RowFromWholeStrip(uint32_t row);
    Failure ReadTiles(uint32_t first, uint32_t count);
    void Interleave(const BYTE* plane, size_t planeStride, int sample, uint32_t rows, uint32_t x0, uint32_t pixels);

    const char* m_path;
    TIFF* m_tif;
    const Layout& m_layout;
    std::vector<TiffHandle> m_planeTifs;  // planes 1, 2, ... read a row at a time
    bool m_separate;
    int m_samples;
    size_t m_sampleBytes;  // of separate planes
    size_t m_rowBytes = 0;
    size_t m_planeRowBytes = 0;
    uint32_t m_bandRows = 0;
    Mode m_mode = Mode::Strips;
    Block m_band;
    Block m_scratch;  // one plane's strip, or one tile
    size_t m_scratchBytes = 0;
    // A strip whose rows broke off when decoded one at a time, decoded whole
    // as the strip-by-strip read would (only damaged files come here).
    Block m_whole;
    uint32_t m_wholeStrip = UINT32_MAX;
};

// Calls visit(first, count) for each band of decoded rows that starts in
// [from, to), top to bottom; `from` is a multiple of the band's rows.
template <class Visit>
Failure ForEachBand(BandSource& bands, uint32_t from, uint32_t to, Visit&& visit) {
    for (uint32_t first = from; first < to; first += bands.BandRows()) {
        uint32_t count = 0;
        if (Failure failure = bands.Read(first, &count)) return failure;
        if (Failure failure = visit(first, count)) return failure;
    }
    return nullptr;
}

}  // namespace velmora::tiff
