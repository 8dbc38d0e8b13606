// Bringing an image to a depth its output format holds.
#include <algorithm>
#include <vector>

#include "velmora/convert.h"
#include "velmora/formats.h"

namespace velmora {

namespace {

// The depth an image of `bits` is widened to: indices to the next depth the
// format takes, 16 and 32 bits to 24; 0 when it takes none of those.
int WiderDepth(DepthSet fits, int bits) {
    if (bits > 8) return HoldsDepth(fits, 24) ? 24 : 0;
    for (int b = bits + 1; b <= 32; ++b)
        if (HoldsDepth(fits, b)) return b;
    return 0;
}

// Pixel x of a row of 1, 2, 4 or 8 bits.
int IndexAt(const BYTE* row, int x, int bits) {
    const int bit = x * bits;
    return row[bit / 8] >> (8 - bits - bit % 8) & ((1 << bits) - 1);
}

// The same picture in a new image of `bits`: indices repacked with the same
// colour table, or 16 (5-5-5) and 32-bit pixels as blue, green, red.
bool Widen(CNewDIB* dib, int bits) {
    const int width = dib->GetWidth(), height = dib->GetHeight(), from = dib->GetBitCount();
    CNewDIB wide(width, height, bits);
    if (!wide.Ready()) return false;
    BITMAPINFOHEADER* header = wide.GetBitmapInfoHeader();
    header->biXPelsPerMeter = dib->GetBitmapInfoHeader()->biXPelsPerMeter;
    header->biYPelsPerMeter = dib->GetBitmapInfoHeader()->biYPelsPerMeter;
    int entries = 0, wideEntries = 0;
    if (const RGBQUAD* table = dib->GetRGBQuad(&entries)) {
        RGBQUAD* wideTable = wide.GetRGBQuad(&wideEntries);
        std::fill(wideTable, wideTable + wideEntries, RGBQUAD{0, 0, 0, 0});
        std::copy(table, table + entries, wideTable);
    }
    std::vector<BYTE> row(static_cast<size_t>(dib->GetBytesPerLine()));
    for (int y = 0; y < height; ++y) {
        // Rows of two images may share no window: copy the source row out first.
        const BYTE* source = dib->GetDIBRow(y);
        if (!source) return false;
        std::copy(source, source + row.size(), row.begin());
        BYTE* target = wide.GetDIBRow(y);
        if (!target) return false;
        std::fill(target, target + wide.GetBytesPerLine(), 0);
        for (int x = 0; x < width; ++x) {
            if (from <= 8) {
                target[x * bits / 8] |= static_cast<BYTE>(IndexAt(row.data(), x, from) << (8 - bits - x * bits % 8));
            } else if (from == 16) {
                const int v = row[2 * x] | row[2 * x + 1] << 8;
                for (int c = 0; c < 3; ++c) target[3 * x + c] = static_cast<BYTE>((v >> 5 * c & 31) << 3 | (v >> 5 * c & 31) >> 2);
            } else {
                std::copy(&row[4 * static_cast<size_t>(x)], &row[4 * static_cast<size_t>(x) + 3], &target[3 * x]);
            }
        }
    }
    dib->CopyDIB(&wide);
    return dib->Ready() && dib->GetBitCount() == bits;
}

void Note(const ConvertSteps& steps, const std::string& what, const FileFormat& row) {
    if (steps.note) steps.note(what, row.extension);
}

}  // namespace

bool FitDIBToFormat(CNewDIB* dib, int format, const ConvertSteps& steps, std::string* error) {
    const int bits = dib->GetBitCount();
    const FileFormat* row = FileFormatOf(format);
    if (!row || bits <= 0 || HoldsDepth(row->fitsTo, bits)) return true;
    if (const int wider = WiderDepth(row->fitsTo, bits)) {
        if (!Widen(dib, wider)) {
            *error = "cannot convert the " + std::to_string(bits) + "-bit image to " + std::to_string(wider) + " bits";
            return false;
        }
        Note(steps, std::to_string(bits) + "-bit image " + (bits <= 8 ? "widened" : "converted") + " to " +
                        std::to_string(wider) + " bits", *row);
        return true;
    }
    if (!dib->ReduceColors(steps.colors, steps.dither ? 1 : 0)) {
        *error = "cannot reduce the " + std::to_string(bits) + "-bit image to 8 bits";
        return false;
    }
    Note(steps, std::to_string(bits) + "-bit image reduced to " + std::to_string(steps.colors) + " colours", *row);
    return true;
}

}  // namespace velmora
