// Bringing an image to a depth its output format holds.
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

void Note(const ConvertSteps& steps, const std::string& what, const FileFormat& row) {
    if (steps.note) steps.note(what, row.extension);
}

}  // namespace

bool FitDIBToFormat(CNewDIB* dib, int format, const ConvertSteps& steps, std::string* error) {
    const int bits = dib->GetBitCount();
    const FileFormat* row = FileFormatOf(format);
    if (!row || bits <= 0 || HoldsDepth(row->fitsTo, bits)) return true;
    if (const int wider = WiderDepth(row->fitsTo, bits)) {
        if (!dib->WidenDepth(wider)) {
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
