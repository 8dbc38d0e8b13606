#include "document/reduce_colors.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/dib_geometry.h"
#include "storage/pixel_unpack.h"
#include "storage/row_walker.h"
#include "velmora/newdib.h"

namespace velmora {

namespace {

constexpr int kSide = 33;  // 32 cells a channel and a zero plane below them
constexpr int kCells = kSide * kSide * kSide;

constexpr int Cell(int r, int g, int b) { return (r * kSide + g) * kSide + b; }

// A box of cells: lower bounds exclusive, upper inclusive.
struct Box {
    int r0 = 0, r1 = 32, g0 = 0, g1 = 32, b0 = 0, b1 = 32;
    int Cells() const { return (r1 - r0) * (g1 - g0) * (b1 - b0); }
};

enum Axis { kRed, kGreen, kBlue };

struct Sums {
    double r = 0, g = 0, b = 0, w = 0;
    double Spread() const { return w > 0 ? (r * r + g * g + b * b) / w : 0; }
};

}  // namespace

// Wu's variance-minimising cuts over cumulative moments (Graphics Gems II):
// the box whose cut lowers the summed squared error most is cut next.
class WuBoxes {
public:
    explicit WuBoxes(const ColourHistogram& h)
        : m_w(h.m_weight), m_r(h.m_red), m_g(h.m_green), m_b(h.m_blue), m_sq(h.m_squares) {
        Accumulate(m_w), Accumulate(m_r), Accumulate(m_g), Accumulate(m_b), Accumulate(m_sq);
    }

    std::vector<RGBQUAD> Palette(int colors) {
        std::vector<Box> boxes(static_cast<size_t>(colors));
        std::vector<double> gain(static_cast<size_t>(colors), 0.0);
        int made = 1, next = 0;
        while (made < colors) {
            if (Cut(boxes[next], boxes[made])) {
                gain[next] = boxes[next].Cells() > 1 ? Variance(boxes[next]) : 0;
                gain[made] = boxes[made].Cells() > 1 ? Variance(boxes[made]) : 0;
                ++made;
            } else {
                gain[next] = 0;
            }
            next = static_cast<int>(std::max_element(gain.begin(), gain.begin() + made) - gain.begin());
            if (gain[next] <= 0) break;
        }
        std::vector<RGBQUAD> palette;
        for (int i = 0; i < made; ++i) {
            const Sums s = Whole(boxes[i]);
            if (s.w <= 0) continue;
            auto mean = [&](double sum) { return static_cast<BYTE>(std::clamp(sum / s.w + 0.5, 0.0, 255.0)); };
            palette.push_back(RGBQUAD{mean(s.b), mean(s.g), mean(s.r), 0});
        }
        return palette;
    }

private:
    template <class T>
    static void Accumulate(std::vector<T>& m) {
        for (int r = 1; r < kSide; ++r) {
            T area[kSide] = {};
            for (int g = 1; g < kSide; ++g) {
                T line = 0;
                for (int b = 1; b < kSide; ++b) {
                    line += m[Cell(r, g, b)];
                    area[b] += line;
                    m[Cell(r, g, b)] = m[Cell(r - 1, g, b)] + area[b];
                }
            }
        }
    }

    template <class T>
    static double Volume(const Box& x, const std::vector<T>& m) {
        return static_cast<double>(m[Cell(x.r1, x.g1, x.b1)] - m[Cell(x.r1, x.g1, x.b0)] - m[Cell(x.r1, x.g0, x.b1)] +
                                   m[Cell(x.r1, x.g0, x.b0)] - m[Cell(x.r0, x.g1, x.b1)] + m[Cell(x.r0, x.g1, x.b0)] +
                                   m[Cell(x.r0, x.g0, x.b1)] - m[Cell(x.r0, x.g0, x.b0)]);
    }

    // The part of the volume on the plane `pos` of `axis` (the box's lower
    // plane gives Bottom, with the sign that makes Bottom + Top(pos) the
    // volume below pos).
    template <class T>
    static double Plane(const Box& x, Axis axis, int pos, const std::vector<T>& m) {
        switch (axis) {
        case kRed:
            return static_cast<double>(m[Cell(pos, x.g1, x.b1)] - m[Cell(pos, x.g1, x.b0)] - m[Cell(pos, x.g0, x.b1)] +
                                       m[Cell(pos, x.g0, x.b0)]);
        case kGreen:
            return static_cast<double>(m[Cell(x.r1, pos, x.b1)] - m[Cell(x.r1, pos, x.b0)] - m[Cell(x.r0, pos, x.b1)] +
                                       m[Cell(x.r0, pos, x.b0)]);
        default:
            return static_cast<double>(m[Cell(x.r1, x.g1, pos)] - m[Cell(x.r1, x.g0, pos)] - m[Cell(x.r0, x.g1, pos)] +
                                       m[Cell(x.r0, x.g0, pos)]);
        }
    }

    Sums Whole(const Box& x) const { return Sums{Volume(x, m_r), Volume(x, m_g), Volume(x, m_b), Volume(x, m_w)}; }

    // Moments of the part of the box at or below plane `pos`.
    Sums Below(const Box& x, Axis axis, int pos) const {
        const int low = axis == kRed ? x.r0 : axis == kGreen ? x.g0 : x.b0;
        auto part = [&](const auto& m) { return Plane(x, axis, pos, m) - Plane(x, axis, low, m); };
        return Sums{part(m_r), part(m_g), part(m_b), part(m_w)};
    }

    double Variance(const Box& x) const { return Volume(x, m_sq) - Whole(x).Spread(); }

    // The best cut of `axis` (the plane the lower half ends at) and its
    // figure of merit; -1 when no cut leaves both halves with pixels.
    double Maximize(const Box& x, Axis axis, const Sums& whole, int* cut) const {
        const int first = (axis == kRed ? x.r0 : axis == kGreen ? x.g0 : x.b0) + 1;
        const int last = axis == kRed ? x.r1 : axis == kGreen ? x.g1 : x.b1;
        double best = 0;
        *cut = -1;
        for (int pos = first; pos < last; ++pos) {
            const Sums lower = Below(x, axis, pos);
            const Sums upper{whole.r - lower.r, whole.g - lower.g, whole.b - lower.b, whole.w - lower.w};
            if (lower.w <= 0 || upper.w <= 0) continue;
            const double merit = lower.Spread() + upper.Spread();
            if (merit > best) best = merit, *cut = pos;
        }
        return best;
    }

    bool Cut(Box& a, Box& b) const {
        const Sums whole = Whole(a);
        int cuts[3];
        double merits[3];
        for (int axis = kRed; axis <= kBlue; ++axis) merits[axis] = Maximize(a, static_cast<Axis>(axis), whole, &cuts[axis]);
        const int axis = static_cast<int>(std::max_element(merits, merits + 3) - merits);
        if (cuts[axis] < 0) return false;
        b = a;
        switch (axis) {
        case kRed: b.r0 = a.r1 = cuts[axis]; break;
        case kGreen: b.g0 = a.g1 = cuts[axis]; break;
        default: b.b0 = a.b1 = cuts[axis]; break;
        }
        return true;
    }

    std::vector<int64_t> m_w, m_r, m_g, m_b;
    std::vector<double> m_sq;
};

ColourHistogram::ColourHistogram()
    : m_weight(kCells), m_red(kCells), m_green(kCells), m_blue(kCells), m_squares(kCells) {}

void ColourHistogram::Add(int r, int g, int b) {
    const int i = Cell((r >> 3) + 1, (g >> 3) + 1, (b >> 3) + 1);
    ++m_weight[i];
    m_red[i] += r, m_green[i] += g, m_blue[i] += b;
    m_squares[i] += static_cast<double>(r * r + g * g + b * b);
}

void ColourHistogram::AddBgr(const BYTE* pixels, int count, int pixelBytes) {
    for (int x = 0; x < count; ++x, pixels += pixelBytes) Add(pixels[2], pixels[1], pixels[0]);
}

// Wu's boxes, then a few rounds of k-means over the cells' mean colours:
// each entry moves to the mean of the colours nearest it, which lowers the
// error the boxes' straight cuts leave (some 0.5 dB on photographs).
std::vector<RGBQUAD> ColourHistogram::Palette(int colors) {
    std::vector<RGBQUAD> palette = WuBoxes(*this).Palette(std::clamp(colors, 1, 256));
    struct Point {
        float r, g, b;
        double weight;
    };
    std::vector<Point> points;
    for (int i = 0; i < kCells; ++i) {
        if (m_weight[i] == 0) continue;
        const double w = static_cast<double>(m_weight[i]);
        points.push_back(Point{static_cast<float>(m_red[i] / w), static_cast<float>(m_green[i] / w),
                               static_cast<float>(m_blue[i] / w), w});
    }
    constexpr int kRounds = 3;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<Sums> sums(palette.size());
        for (const Point& p : points) {
            size_t best = 0;
            float bestDistance = 1e30f;
            for (size_t k = 0; k < palette.size(); ++k) {
                const float dr = p.r - palette[k].rgbRed, dg = p.g - palette[k].rgbGreen, db = p.b - palette[k].rgbBlue;
                const float distance = dr * dr + dg * dg + db * db;
                if (distance < bestDistance) bestDistance = distance, best = k;
            }
            sums[best].r += p.r * p.weight, sums[best].g += p.g * p.weight, sums[best].b += p.b * p.weight;
            sums[best].w += p.weight;
        }
        for (size_t k = 0; k < palette.size(); ++k) {
            if (sums[k].w <= 0) continue;
            auto mean = [&](double sum) { return static_cast<BYTE>(std::clamp(sum / sums[k].w + 0.5, 0.0, 255.0)); };
            palette[k] = RGBQUAD{mean(sums[k].b), mean(sums[k].g), mean(sums[k].r), 0};
        }
    }
    return palette;
}

// --- Mapping ---------------------------------------------------------------

ColourMapper::ColourMapper(const std::vector<RGBQUAD>& palette)
    : m_palette(palette), m_cellFirst(kMapCells, -1), m_cellCount(kMapCells, 0), m_parentFirst(kParentCells, -1),
      m_parentCount(kParentCells, 0) {
    for (size_t k = 0; k < palette.size(); ++k)
        m_everyEntry.push_back(RGBQUAD{palette[k].rgbBlue, palette[k].rgbGreen, palette[k].rgbRed, static_cast<BYTE>(k)});
}

// Appends to `out` those of `entries` that can be nearest to some colour of
// the cube of `side` colours from `low`: the ones whose distance to the
// cube's nearest colour is within the smallest distance any of them has to
// the cube's farthest colour.
void ColourMapper::AppendCandidates(const RGBQUAD* entries, int count, const int low[3], int side,
                                    std::vector<RGBQUAD>& out) {
    m_nearest.resize(static_cast<size_t>(count)), m_farthest.resize(static_cast<size_t>(count));
    int bound = INT_MAX;
    for (int k = 0; k < count; ++k) {
        const int q[3] = {entries[k].rgbRed, entries[k].rgbGreen, entries[k].rgbBlue};
        int nearest = 0, farthest = 0;
        for (int c = 0; c < 3; ++c) {
            const int below = low[c] - q[c], above = q[c] - (low[c] + side - 1);
            const int in = std::max({below, above, 0});
            const int out = std::max(std::abs(below), std::abs(above));
            nearest += in * in, farthest += out * out;
        }
        m_nearest[k] = nearest, m_farthest[k] = farthest;
        bound = std::min(bound, farthest);
    }
    for (int k = 0; k < count; ++k)
        if (m_nearest[k] <= bound) out.push_back(entries[k]);
}

// A cell of 4 x 4 x 4 takes its candidates from those of its cell of
// 8 x 8 x 8 (an entry that can be nearest in the small cell can be in the
// large one), which takes them from every entry.
void ColourMapper::FillCell(int cell) {
    const int r = cell >> 12, g = cell >> 6 & 63, b = cell & 63;
    const int parent = (r >> 1) << 10 | (g >> 1) << 5 | (b >> 1);
    if (m_parentFirst[parent] < 0) {
        const int low[3] = {(r >> 1) << 3, (g >> 1) << 3, (b >> 1) << 3};
        m_parentFirst[parent] = static_cast<int>(m_parentCandidates.size());
        AppendCandidates(m_everyEntry.data(), static_cast<int>(m_everyEntry.size()), low, 8, m_parentCandidates);
        m_parentCount[parent] = static_cast<int>(m_parentCandidates.size()) - m_parentFirst[parent];
    }
    const int low[3] = {r << 2, g << 2, b << 2};
    m_cellFirst[cell] = static_cast<int>(m_candidates.size());
    AppendCandidates(m_parentCandidates.data() + m_parentFirst[parent], m_parentCount[parent], low, 4, m_candidates);
    m_cellCount[cell] = static_cast<int>(m_candidates.size()) - m_cellFirst[cell];
}

// Exact: the nearest entry (the lowest index among equals) of the cell's
// candidates, which hold every entry that can be nearest there.
int ColourMapper::Nearest(int r, int g, int b) {
    const int cell = (r >> 2) << 12 | (g >> 2) << 6 | (b >> 2);
    if (m_cellFirst[cell] < 0) FillCell(cell);
    const RGBQUAD* candidate = m_candidates.data() + m_cellFirst[cell];
    int best = 0, bestDistance = INT_MAX;
    for (int i = 0; i < m_cellCount[cell]; ++i) {
        const RGBQUAD& q = candidate[i];
        const int dr = r - q.rgbRed, dg = g - q.rgbGreen, db = b - q.rgbBlue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) bestDistance = distance, best = q.rgbReserved;
    }
    return best;
}

void ColourMapper::Begin(int width, bool dither) {
    m_nWidth = width;
    m_bDither = dither;
    m_bRightToLeft = false;
    if (dither) m_errors.assign(static_cast<size_t>(width + 2) * 3, 0), m_nextErrors = m_errors;
}

void ColourMapper::MapRow(const BYTE* pixels, int pixelBytes, BYTE* out) {
    if (m_bDither) return DitherRow(pixels, pixelBytes, out);
    for (int x = 0; x < m_nWidth; ++x, pixels += pixelBytes)
        out[x] = static_cast<BYTE>(Nearest(pixels[2], pixels[1], pixels[0]));
}

// Floyd-Steinberg, serpentine: 7/16 of a pixel's error to the next pixel,
// 3/16, 5/16 and 1/16 to the three below it.
void ColourMapper::DitherRow(const BYTE* pixels, int pixelBytes, BYTE* out) {
    const int step = m_bRightToLeft ? -1 : 1;
    std::fill(m_nextErrors.begin(), m_nextErrors.end(), 0);
    for (int i = 0, x = m_bRightToLeft ? m_nWidth - 1 : 0; i < m_nWidth; ++i, x += step) {
        const BYTE* p = pixels + static_cast<size_t>(x) * static_cast<size_t>(pixelBytes);
        int* here = &m_errors[static_cast<size_t>(x + 1) * 3];
        int* below = &m_nextErrors[static_cast<size_t>(x + 1) * 3];
        int colour[3];
        for (int c = 0; c < 3; ++c) {
            const int e = here[c];
            colour[c] = std::clamp(p[2 - c] + (e >= 0 ? e + 8 : e - 7) / 16, 0, 255);
        }
        const int index = Nearest(colour[0], colour[1], colour[2]);
        out[x] = static_cast<BYTE>(index);
        const RGBQUAD& q = m_palette[static_cast<size_t>(index)];
        const int chosen[3] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
        for (int c = 0; c < 3; ++c) {
            const int error = colour[c] - chosen[c];
            here[step * 3 + c] += error * 7;
            below[-step * 3 + c] += error * 3;
            below[c] += error * 5;
            below[step * 3 + c] += error;
        }
    }
    std::swap(m_errors, m_nextErrors);
    m_bRightToLeft = !m_bRightToLeft;
}

}  // namespace velmora

// --- The document's operation --------------------------------------------------

namespace {

// A row of 16 (5-5-5), 24 or 32 bits as blue, green, red bytes: the row
// itself when it already is, else `scratch` filled from it.
const BYTE* RowAsBgr(const BYTE* row, int width, int bitCount, std::vector<BYTE>& scratch, int* pixelBytes) {
    if (bitCount != 16) {
        *pixelBytes = bitCount / 8;
        return row;
    }
    *pixelBytes = 3;
    return velmora::pixels::RowAsBgr(row, width, bitCount, nullptr, scratch.data());
}

// visit(bgr, pixelBytes, y) for every picture row, top first.
template <class Visit>
bool ForEachRow(CNewDIBObject& image, Visit&& visit) {
    const int width = image.GetWidth();
    std::vector<BYTE> scratch(static_cast<size_t>(width) * 3);
    return velmora::WalkRows(image, velmora::RowOrder::TopDown, 0, image.GetHeight(), INT_MAX,
                             [&](const velmora::RowPiece& piece) {
                                 for (int k = 0; k < piece.count; ++k) {
                                     int pixelBytes = 0;
                                     const BYTE* bgr = RowAsBgr(piece.Row(k), width, image.GetBitCount(), scratch, &pixelBytes);
                                     if (!visit(bgr, pixelBytes, piece.first + k)) return false;
                                 }
                                 return true;
                             });
}

bool CreateReduced(CNewDIBObject& source, const std::vector<RGBQUAD>& palette, CNewDIBObject& reduced) {
    if (!reduced.CreateDIB(source.GetWidth(), source.GetHeight(), 8) || !reduced.Ready()) return false;
    BITMAPINFOHEADER& header = reduced.GetBitmapInfo()->bmiHeader;
    header.biXPelsPerMeter = source.GetBitmapInfo()->bmiHeader.biXPelsPerMeter;
    header.biYPelsPerMeter = source.GetBitmapInfo()->bmiHeader.biYPelsPerMeter;
    RGBQUAD* table = velmora::ColorTableOf(reduced.GetBitmapInfo());
    std::fill(table, table + 256, RGBQUAD{0, 0, 0, 0});
    std::copy(palette.begin(), palette.end(), table);
    return true;
}

}  // namespace

int CNewDIB::ReduceColors(int colors, int dither) {
    const int bitCount = GetBitCount();
    if (!GetDIB() || (bitCount != 16 && bitCount != 24 && bitCount != 32) || colors < 2 || colors > 256) return 0;
    velmora::ColourHistogram histogram;
    const bool counted = ForEachRow(*this, [&](const BYTE* bgr, int pixelBytes, int) {
        histogram.AddBgr(bgr, GetWidth(), pixelBytes);
        return true;
    });
    if (!counted) return 0;
    const std::vector<RGBQUAD> palette = histogram.Palette(colors);
    CNewDIBObject reduced;
    if (!CreateReduced(*this, palette, reduced)) return 0;
    velmora::ColourMapper mapper(palette);
    mapper.Begin(GetWidth(), dither != 0);
    velmora::RowWalker out(&reduced, velmora::RowOrder::TopDown);
    const size_t stride = static_cast<size_t>(reduced.GetBytesPerLine());
    const bool mapped = ForEachRow(*this, [&](const BYTE* bgr, int pixelBytes, int y) {
        BYTE* row = out.Row(y);
        if (!row) return false;
        mapper.MapRow(bgr, pixelBytes, row);
        std::memset(row + GetWidth(), 0, stride - static_cast<size_t>(GetWidth()));
        return true;
    });
    if (!mapped) return 0;
    SwapStorage(reduced);
    reduced.ReleaseDIB();  // the old storage, with its page file if it had one
    return 1;
}
