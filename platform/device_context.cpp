// Memory device contexts: their surfaces, read-back, call counts and the
// framework's CDC wrapper.
#include <new>

#include "platform/device_context_internal.h"

namespace {

// A surface is at most 1 GiB of pixels.
constexpr int64_t kMaxSurfacePixels = int64_t{1} << 28;

// Host order (red low) to the surface's 0x00RRGGBB and back.
DWORD SurfaceValue(COLORREF c) {
    return (static_cast<DWORD>(GetRValue(c)) << 16) | (static_cast<DWORD>(GetGValue(c)) << 8) | GetBValue(c);
}

COLORREF HostColor(DWORD v) { return RGB(static_cast<BYTE>(v >> 16), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v)); }

}  // namespace

HDC CreateMemoryDC(int width, int height, COLORREF fill) {
    if (width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide) return nullptr;
    int64_t count = static_cast<int64_t>(width) * height;
    if (count > kMaxSurfacePixels) return nullptr;
    HDC dc = new (std::nothrow) HDC__;
    if (!dc) return nullptr;
    try {
        dc->pixels.assign(static_cast<size_t>(count), SurfaceValue(fill));
    } catch (const std::bad_alloc&) {
        delete dc;
        return nullptr;
    }
    dc->width = width;
    dc->height = height;
    return dc;
}

void DeleteMemoryDC(HDC dc) { delete dc; }

int GetDCWidth(HDC dc) { return dc ? dc->width : 0; }

int GetDCHeight(HDC dc) { return dc ? dc->height : 0; }

COLORREF GetDCPixel(HDC dc, int x, int y) {
    if (!dc || x < 0 || y < 0 || x >= dc->width || y >= dc->height) return CLR_INVALID;
    return HostColor(dc->pixels[static_cast<size_t>(y) * static_cast<size_t>(dc->width) + static_cast<size_t>(x)]);
}

const DWORD* GetDCSurface(HDC dc) { return dc ? dc->pixels.data() : nullptr; }

DeviceCallCounts GetDeviceCallCounts(HDC dc) { return dc ? dc->counts : DeviceCallCounts{}; }

void ResetDeviceCallCounts(HDC dc) {
    if (dc) dc->counts = DeviceCallCounts{};
}

int SetStretchBltMode(HDC dc, int mode) {
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    int previous = dc->stretchMode;
    dc->stretchMode = mode;
    return previous;
}

int GetStretchBltMode(HDC dc) { return dc ? dc->stretchMode : 0; }

CDC::~CDC() { DeleteDC(); }

BOOL CDC::CreateMemoryDC(int width, int height, COLORREF fill) {
    HDC dc = ::CreateMemoryDC(width, height, fill);
    if (!dc) return FALSE;
    DeleteDC();
    m_hDC = dc;
    m_bOwnsDC = true;
    return TRUE;
}

void CDC::DeleteDC() {
    if (!m_bOwnsDC) return;
    DeleteMemoryDC(m_hDC);
    m_hDC = nullptr;
    m_bOwnsDC = false;
}

BOOL CDC::Attach(HDC dc) {
    if (!dc) return FALSE;
    DeleteDC();
    m_hDC = dc;
    return TRUE;
}

HDC CDC::Detach() {
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_bOwnsDC = false;
    return dc;
}
