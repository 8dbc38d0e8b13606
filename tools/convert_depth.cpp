#include "tools/convert_depth.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/convert_request.h"
#include "velmora/environment.h"

namespace velmora::cli {

namespace {

struct DepthOptions {
    int colors = 256;
    bool dither = true;
};

DepthOptions& Options() {
    static DepthOptions options;
    return options;
}

// Bit counts each format's save takes, by format code.
const std::vector<int>& Holds(int format) {
    static const std::vector<int> kHolds[] = {
        {1, 2, 4, 8, 16, 24, 32},  // BMP
        {1, 2, 4, 8, 24, 32},      // TIFF
        {1, 4, 8, 24},             // PCX
        {8},                       // GIF
        {1, 4, 8, 24},             // JPEG
        {1, 2, 4, 8, 24, 32},      // PNG
    };
    return kHolds[format];
}

bool ParseCount(const std::string& text, int low, int high, int* value) {
    if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
    *value = std::atoi(text.c_str());
    return *value >= low && *value <= high;
}

// The format code of `output`: `format` when given, else by the extension
// (the library's three letters, and "tiff", "jpeg", "jpe").
int TargetFormat(int format, const std::string& output) {
    if (format >= 0) return format;
    const size_t dot = output.find_last_of("./");
    if (dot == std::string::npos || output[dot] != '.') return -1;
    std::string ext = output.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    if (ext == "tiff") return DIBTYPE_TIF;
    if (ext == "jpeg" || ext == "jpe") return DIBTYPE_JPG;
    return ParseFormat(ext);
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

void Say(const std::string& input, const std::string& what, int format) {
    if (IsQuiet()) return;
    std::string name = FormatExtension(format);
    std::transform(name.begin(), name.end(), name.begin(), ::toupper);
    std::fprintf(stderr, "velmora: %s: %s for %s\n", input.c_str(), what.c_str(), name.c_str());
}

}  // namespace

bool ExtractDepthOptions(Args* args, std::string* error) {
    Args rest;
    for (size_t i = 0; i < args->size(); ++i) {
        const std::string& arg = (*args)[i];
        if (arg == "--no-dither") {
            Options().dither = false;
            continue;
        }
        if (arg != "--level" && arg != "--colors") {
            rest.push_back(arg);
            continue;
        }
        int value = 0;
        const bool level = arg == "--level";
        if (i + 1 >= args->size() || !ParseCount((*args)[i + 1], level ? 0 : 2, level ? 9 : 256, &value)) {
            *error = arg + (level ? " needs a level from 0 to 9" : " needs a count from 2 to 256");
            return false;
        }
        ++i;
        if (level) SetPngCompressionLevel(value);
        else Options().colors = value;
    }
    *args = rest;
    return true;
}

bool FitDepthToFormat(CNewDIB* dib, int format, const std::string& input, const std::string& output,
                      std::string* error) {
    format = TargetFormat(format, output);
    const int bits = dib->GetBitCount();
    if (format < DIBTYPE_BMP || format >= DIBTYPE_NONE || bits <= 0) return true;
    const std::vector<int>& holds = Holds(format);
    if (std::find(holds.begin(), holds.end(), bits) != holds.end()) return true;
    // Indices to the next depth that holds them; 16 and 32 bits to 24.
    const auto wider = std::find_if(holds.begin(), holds.end(), [&](int b) { return bits <= 8 ? b > bits : b == 24; });
    if (wider != holds.end()) {
        const std::string what = std::to_string(bits) + "-bit image " + (bits <= 8 ? "widened" : "converted") + " to " +
                                 std::to_string(*wider) + " bits";
        if (!Widen(dib, *wider)) {
            *error = "cannot convert the " + std::to_string(bits) + "-bit image to " + std::to_string(*wider) + " bits";
            return false;
        }
        Say(input, what, format);
        return true;
    }
    if (!dib->ReduceColors(Options().colors, Options().dither ? 1 : 0)) {
        *error = "cannot reduce the " + std::to_string(bits) + "-bit image to 8 bits";
        return false;
    }
    Say(input, std::to_string(bits) + "-bit image reduced to " + std::to_string(Options().colors) + " colours", format);
    return true;
}

}  // namespace velmora::cli
