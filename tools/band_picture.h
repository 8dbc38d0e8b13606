// velmora convert --bands and --scale: a picture made from chosen bands of a
// TIFF's samples as stored, each mapped to 0..255 as gdal_translate -scale
// maps it, instead of the picture path's own rules.
#pragma once

#include <string>
#include <vector>

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

// `dib` an 8-bit grey or 24-bit picture of `path`'s chosen bands, made a
// strip of rows at a time; false with `error` (English) when the file is no
// raster, a band or scale does not fit it, or a read fails.
bool RenderBands(const std::string& path, const BandChoice& choice, CNewDIB* dib, std::string* error);

// The note a 4-band RGB TIFF needs when it is rendered from its first three
// bands without a word from the user; empty otherwise.
std::string ExtraBandsNote(const std::string& path);

}  // namespace velmora::cli
