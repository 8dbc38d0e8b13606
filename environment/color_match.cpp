// Nearest colour in a table, by Euclidean distance over the three low bytes.
#include <cmath>
#include <cstdlib>

#include "velmora/environment.h"

namespace {

int ByteDifference(DWORD a, DWORD b, int shift) {
    return std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
}

double ColourDistance(DWORD a, DWORD b) {
    int d0 = ByteDifference(a, b, 0), d1 = ByteDifference(a, b, 8), d2 = ByteDifference(a, b, 16);
    return std::sqrt(static_cast<double>(d0 * d0 + d1 * d1 + d2 * d2));
}

}  // namespace

// The first of equally near entries wins; an empty table gives 0.
int MatchColorIndex(int count, const DWORD* colors, DWORD color) {
    double best = 1000000.0;
    int bestIndex = 0;
    if (!colors) return 0;
    for (int i = 0; i < count; i++) {
        double distance = ColourDistance(colors[i], color);
        if (distance < best) {
            best = distance;
            bestIndex = i;
        }
    }
    return bestIndex;
}
