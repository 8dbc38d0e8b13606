// velmora convert and tiles --bands and --scale: a picture made from chosen bands of a
// TIFF's samples as stored, each mapped to 0..255 as gdal_translate -scale
// maps it, instead of the picture path's own rules.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "velmora/image.hpp"

class CNewDIB;

namespace velmora::cli {

struct BandScale {
    double min = 0.0, max = 255.0;
};

struct BandChoice {
    std::vector<int> bands;         // 1-based; 1 (grey) or 3 (RGB); empty: 1..3 or 1
    std::vector<BandScale> scales;  // one for all bands or one per band; empty: each band's min..max
                                    // (8-bit samples as they are)
    bool Chosen() const { return !bands.empty() || !scales.empty(); }
};

// Takes --bands LIST or --scale MIN MAX at args[*i] into `choice` (moving
// *i past its values): 1 when taken, 0 when args[*i] is another option, -1
// with `error` set when its values are wrong.
int TakeBandOption(const std::vector<std::string>& args, size_t* i, BandChoice* choice, std::string* error);

// Where a rendering of chosen bands goes: `start` is told the size and the
// channels (1 grey, 3 RGB) once, false with `error` set refusing them; then
// `rows` gets the picture's rows a strip at a time, top first, natural
// order (grey bytes or RGB triples), `width * channels` bytes a row.
struct BandRowSink {
    std::function<bool(int64_t width, int64_t height, int channels, std::string* error)> start;
    std::function<void(int64_t top, int64_t rows, const uint8_t* natural)> rows;
};
bool RenderBandRows(const std::string& path, const BandChoice& choice, const BandRowSink& sink, std::string* error);

// `dib` an 8-bit grey or 24-bit picture of `path`'s chosen bands, made a
// strip of rows at a time; false with `error` (English) when the file is no
// raster, a band or scale does not fit it, or a read fails.
bool RenderBands(const std::string& path, const BandChoice& choice, CNewDIB* dib, std::string* error);

// The same as a velmora::Image (in a page file when it does not fit the
// memory limit); an Error (invalid_argument) with the reason otherwise.
Image RenderBandImage(const std::string& path, const BandChoice& choice);

// Takes every --bands and --scale of `args` into `choice`; the other
// arguments go to `rest` in order. False with `error` set on a bad value.
bool TakeBandOptions(const std::vector<std::string>& args, BandChoice* choice, std::vector<std::string>* rest,
                     std::string* error);

// The note a 4-band RGB TIFF needs when it is rendered from its first three
// bands without a word from the user; empty otherwise.
std::string ExtraBandsNote(const std::string& path);

}  // namespace velmora::cli
