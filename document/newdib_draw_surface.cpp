// A memory device context's surface as a 24-bit image, for saving.
#include "velmora/devicecontext.h"
#include "velmora/newdib.h"

namespace {

// One surface row (0x00RRGGBB pixels) into a 24-bit DIB row, blue first.
void PackRow(const DWORD* surface, int width, BYTE* out) {
    for (int x = 0; x < width; ++x) {
        const DWORD v = surface[x];
        out[3 * x] = static_cast<BYTE>(v);
        out[3 * x + 1] = static_cast<BYTE>(v >> 8);
        out[3 * x + 2] = static_cast<BYTE>(v >> 16);
    }
}

}  // namespace

int CopySurfaceToDIB(HDC dc, CNewDIB* dib) {
    const DWORD* surface = GetDCSurface(dc);
    if (!surface || !dib) return 0;
    const int width = GetDCWidth(dc);
    const int height = GetDCHeight(dc);
    if (!dib->CreateDIB(width, height, 24) || !dib->Ready()) return 0;
    const size_t stride = dib->GetBytesPerLine();
    const size_t pad = stride - 3 * static_cast<size_t>(width);
    // Storage rows go up from the bottom of the picture; fill them a run at a time.
    for (int row = 0; row < height;) {
        int count = 0;
        BYTE* run = dib->GetDIBBuffer(row, &count, 1);
        if (!run || count <= 0) return 0;
        if (count > height - row) count = height - row;
        for (int i = 0; i < count; ++i) {
            BYTE* out = run + static_cast<size_t>(i) * stride;
            const int top = height - 1 - (row + i);
            PackRow(surface + static_cast<size_t>(top) * static_cast<size_t>(width), width, out);
            for (size_t p = 0; p < pad; ++p) out[3 * static_cast<size_t>(width) + p] = 0;
        }
        row += count;
    }
    return 1;
}
