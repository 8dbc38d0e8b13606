// Colour reduction: Wu's quantizer chooses up to 256 colours for a
// histogram of an image's colours; a mapper finds each colour's nearest
// entry, with or without Floyd-Steinberg dithering. CNewDIB::ReduceColors
// runs them over an image's rows, window by window.
#pragma once

#include <cstdint>
#include <vector>

#include "velmora/wintypes.h"

namespace velmora {

// Colour moments over a 32 x 32 x 32 grid (5 bits a channel); each cell
// keeps the count and the sums of its colours' exact values, so a box's
// mean is the mean of the colours in it, not of the grid.
class ColourHistogram {
public:
    ColourHistogram();
    // `count` pixels, blue, green, red, `pixelBytes` apart.
    void AddBgr(const BYTE* pixels, int count, int pixelBytes);
    void Add(int r, int g, int b);
    // Up to `colors` entries (fewer when the image has fewer distinct cells),
    // as blue, green, red, 0.
    std::vector<RGBQUAD> Palette(int colors);

private:
    friend class WuBoxes;
    std::vector<int64_t> m_weight, m_red, m_green, m_blue;
    std::vector<double> m_squares;
};

// Nearest palette entry for any colour, remembered for each colour met.
class ColourMapper {
public:
    explicit ColourMapper(const std::vector<RGBQUAD>& palette);
    int Nearest(int r, int g, int b);
    // Starts an image `width` pixels wide, its rows then mapped one after
    // the other in picture order.
    void Begin(int width, bool dither);
    // Indices of the next row (blue, green, red, `pixelBytes` apart) into `out`.
    void MapRow(const BYTE* pixels, int pixelBytes, BYTE* out);

private:
    static constexpr int kMapCells = 64 * 64 * 64;
    static constexpr int kParentCells = 32 * 32 * 32;

    void AppendCandidates(const RGBQUAD* entries, int count, const int low[3], int side, std::vector<RGBQUAD>& out);
    void FillCell(int cell);
    void DitherRow(const BYTE* pixels, int pixelBytes, BYTE* out);

    std::vector<RGBQUAD> m_palette;
    // For each cell of 4 x 4 x 4 colours, once first met: its candidates,
    // m_cellCount entries of m_candidates from m_cellFirst, each an entry's
    // colour with its index in place of the reserved byte.
    std::vector<int> m_cellFirst, m_cellCount;
    std::vector<RGBQUAD> m_candidates;
    // The same for cells of 8 x 8 x 8, from which the small cells' come.
    std::vector<int> m_parentFirst, m_parentCount;
    std::vector<RGBQUAD> m_parentCandidates, m_everyEntry;
    std::vector<int> m_nearest, m_farthest;  // AppendCandidates' distances, kept to spare allocations
    // Floyd-Steinberg: errors of this row and the next, three per pixel with
    // a pixel of margin each side, in sixteenths.
    std::vector<int> m_errors, m_nextErrors;
    int m_nWidth = 0;
    bool m_bDither = false;
    bool m_bRightToLeft = false;
};

}  // namespace velmora
