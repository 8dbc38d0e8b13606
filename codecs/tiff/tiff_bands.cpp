#include "codecs/tiff/tiff_bands.h"

#include <algorithm>
#include <cstring>

#include "environment/texts.h"
#include "platform/dib_geometry.h"
#include "storage/pixel_unpack.h"

namespace velmora::tiff {

namespace {

Block Allocate(uint64_t bytes) {
    if (bytes == 0 || bytes > SIZE_MAX) return Block();
    return Block(static_cast<BYTE*>(std::calloc(static_cast<size_t>(bytes), 1)));
}

// libtiff's answer for a strip or tile: bytes decoded, or failure; a short
// one is padded with zeros, so it never shows the previous band's rows.
bool Decoded(tmsize_t got, BYTE* at, size_t want) {
    if (got < 0) return false;
    if (static_cast<size_t>(got) < want) std::memset(at + got, 0, want - static_cast<size_t>(got));
    return true;
}

}  // namespace

BandSource::BandSource(const char* path, TIFF* tif, const Layout& layout, int samples)
    : m_path(path), m_tif(tif), m_layout(layout),
      m_separate(layout.planar == PLANARCONFIG_SEPARATE && layout.samplesPerPixel > 1),
      m_samples(m_separate ? samples : layout.samplesPerPixel), m_sampleBytes(layout.bitsPerSample / 8) {}

Failure BandSource::Prepare(uint64_t windowBytes) {
    const uint64_t width = m_layout.width;
    m_rowBytes = static_cast<size_t>((width * m_samples * m_layout.bitsPerSample + 7) / 8);
    m_planeRowBytes = m_separate ? static_cast<size_t>(width * m_sampleBytes) : m_rowBytes;
    if (m_layout.tiled) {
        m_mode = Mode::Tiles;
        m_bandRows = std::min(m_layout.tileLength, m_layout.length);
        m_scratchBytes = static_cast<size_t>(TIFFTileSize64(m_tif));
    } else {
        m_bandRows = std::min(m_layout.rowsPerStrip ? m_layout.rowsPerStrip : m_layout.length, m_layout.length);
        uint64_t stripBytes = 0;
        if (!CheckedProduct(m_bandRows, m_rowBytes, &stripBytes)) return text::kOutOfMemory;
        // A strip larger than a window is decoded a row at a time instead.
        if (stripBytes > windowBytes) {
            m_mode = Mode::Scanlines;
            m_bandRows = 1;
            if (m_separate)
                if (Failure failure = OpenPlaneHandles()) return failure;
        }
        m_scratchBytes = m_separate ? m_bandRows * m_planeRowBytes : 0;
    }
    uint64_t bandBytes = 0;
    if (!CheckedProduct(m_bandRows, m_rowBytes, &bandBytes)) return text::kOutOfMemory;
    m_band = Allocate(bandBytes);
    if (m_scratchBytes) m_scratch = Allocate(m_scratchBytes);
    if (!m_band || (m_scratchBytes && !m_scratch)) return text::kOutOfMemory;
    return nullptr;
}

Failure BandSource::Read(uint32_t first, uint32_t* count) {
    *count = std::min(m_bandRows, m_layout.length - first);
    switch (m_mode) {
        case Mode::Tiles:
            return ReadTiles(first, *count);
        case Mode::Scanlines:
            return ReadScanline(first);
        default:
            return ReadStrips(first, *count);
    }
}

Failure BandSource::ReadStrips(uint32_t first, uint32_t count) {
    if (!m_separate) {
        const size_t want = count * m_rowBytes;
        // libtiff may fill only part of a damaged strip yet report it whole.
        std::memset(m_band.get(), 0, want);
        const tmsize_t got = TIFFReadEncodedStrip(m_tif, TIFFComputeStrip(m_tif, first, 0), m_band.get(),
                                                  static_cast<tmsize_t>(want));
        return Decoded(got, m_band.get(), want) ? nullptr : text::kReadImageFailed;
    }
    const size_t want = count * m_planeRowBytes;
    for (int s = 0; s < m_samples; ++s) {
        const tmsize_t got = TIFFReadEncodedStrip(m_tif, TIFFComputeStrip(m_tif, first, static_cast<uint16_t>(s)),
                                                  m_scratch.get(), static_cast<tmsize_t>(want));
        if (!Decoded(got, m_scratch.get(), want)) return text::kReadImageFailed;
        Interleave(m_scratch.get(), m_planeRowBytes, s, count, 0, m_layout.width);
    }
    return nullptr;
}

// libtiff decodes a strip only from its start, and compressed data cannot
// be skipped: one handle going from plane to plane would start a strip again
// for every row ("does not support random access"). So each plane after the
// first reads through a handle of its own, each handle in order.
Failure BandSource::OpenPlaneHandles() {
    for (int s = 1; s < m_samples; ++s) {
        TiffHandle tif(m_path ? OpenTiffForReading(m_path) : nullptr);
        if (!tif) return text::kReadImageFailed;
        const Layout again = ReadLayout(tif.get());  // sets the same decoding modes
        if (again.width != m_layout.width || again.length != m_layout.length || again.planar != m_layout.planar)
            return text::kReadImageFailed;
        m_planeTifs.push_back(std::move(tif));
    }
    return nullptr;
}

// libtiff decodes a strip's rows in order, so only one row is held; separate
// planes are read plane after plane into the one band row.
Failure BandSource::ReadScanline(uint32_t row) {
    if (!m_separate) {
        if (TIFFComputeStrip(m_tif, row, 0) != m_wholeStrip && TIFFReadScanline(m_tif, m_band.get(), row, 0) >= 0)
            return nullptr;
        return RowFromWholeStrip(row);
    }
    for (int s = 0; s < m_samples; ++s) {
        TIFF* tif = s == 0 ? m_tif : m_planeTifs[static_cast<size_t>(s - 1)].get();
        if (TIFFReadScanline(tif, m_scratch.get(), row, static_cast<uint16_t>(s)) < 0) return text::kReadImageFailed;
        Interleave(m_scratch.get(), m_planeRowBytes, s, 1, 0, m_layout.width);
    }
    return nullptr;
}

// libtiff decodes damaged data differently row by row than strip by strip
// (a JPEG strip holding fewer rows than it should, a PackBits run across
// rows); the strip decoded whole makes the outcome the same in either set-up.
Failure BandSource::RowFromWholeStrip(uint32_t row) {
    const uint32_t strip = TIFFComputeStrip(m_tif, row, 0);
    const uint32_t stripRows = std::min(m_layout.rowsPerStrip ? m_layout.rowsPerStrip : m_layout.length, m_layout.length);
    const uint32_t stripFirst = row - row % stripRows;
    const size_t want = std::min(stripRows, m_layout.length - stripFirst) * m_rowBytes;
    if (strip != m_wholeStrip) {
        m_whole = Allocate(uint64_t{stripRows} * m_rowBytes);
        if (!m_whole) return text::kOutOfMemory;
        const tmsize_t got = TIFFReadEncodedStrip(m_tif, strip, m_whole.get(), static_cast<tmsize_t>(want));
        if (!Decoded(got, m_whole.get(), want)) return text::kReadImageFailed;
        m_wholeStrip = strip;
    }
    std::memcpy(m_band.get(), m_whole.get() + size_t{row - stripFirst} * m_rowBytes, m_rowBytes);
    return nullptr;
}

// Every tile of the band's row of tiles, plane by plane; edge tiles give only
// the part that lies inside the picture.
Failure BandSource::ReadTiles(uint32_t first, uint32_t count) {
    const uint32_t tileWidth = m_layout.tileWidth;
    const size_t tileRowBytes = static_cast<size_t>(TIFFTileRowSize64(m_tif));
    const unsigned pixelBits = m_separate ? m_layout.bitsPerSample : PixelBits(m_layout);
    const int planes = m_separate ? m_samples : 1;
    for (int s = 0; s < planes; ++s) {
        for (uint32_t x0 = 0; x0 < m_layout.width; x0 += tileWidth) {
            const uint32_t tile = TIFFComputeTile(m_tif, x0, first, 0, static_cast<uint16_t>(s));
            const tmsize_t got = TIFFReadEncodedTile(m_tif, tile, m_scratch.get(), static_cast<tmsize_t>(m_scratchBytes));
            if (!Decoded(got, m_scratch.get(), m_scratchBytes)) return text::kReadImageFailed;
            const uint32_t pixels = std::min(tileWidth, m_layout.width - x0);
            if (m_separate) {
                Interleave(m_scratch.get(), tileRowBytes, s, count, x0, pixels);
                continue;
            }
            // A tile's rows start on a byte; its place in the band's rows need not.
            const uint64_t at = uint64_t{x0} * pixelBits, bits = uint64_t{pixels} * pixelBits;
            for (uint32_t k = 0; k < count; ++k)
                pixels::CopyBits(m_scratch.get() + k * tileRowBytes, bits, m_band.get() + k * m_rowBytes, at);
        }
    }
    return nullptr;
}

// Sample `sample` of pixels x0 .. x0 + pixels - 1 from a plane's rows into
// the band's interleaved rows.
void BandSource::Interleave(const BYTE* plane, size_t planeStride, int sample, uint32_t rows, uint32_t x0,
                            uint32_t pixels) {
    const size_t pixelBytes = m_sampleBytes * m_samples;
    for (uint32_t k = 0; k < rows; ++k) {
        const BYTE* from = plane + k * planeStride;
        BYTE* to = m_band.get() + k * m_rowBytes + x0 * pixelBytes + sample * m_sampleBytes;
        if (m_sampleBytes == 1) {
            for (uint32_t x = 0; x < pixels; ++x) to[x * pixelBytes] = from[x];
        } else {
            for (uint32_t x = 0; x < pixels; ++x)
                std::memcpy(to + x * pixelBytes, from + x * m_sampleBytes, m_sampleBytes);
        }
    }
}

}  // namespace velmora::tiff
