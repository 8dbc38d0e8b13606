// Fuzzes drawing. An input describes a small image (size, bit count, palette,
// a byte pattern for its rows), a memory device context and a script of
// drawing calls with any rectangles (negative, huge, empty), raster
// operations and transparency settings. The script runs on the image in
// memory and again on the same image in a page file with small row windows.
// Beyond the sanitizers' checks: the colour table is the same after every
// call, and where the page-file drawing must match the memory one exactly
// (unscaled calls, and stretches by a whole factor), the surfaces agree.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "velmora/devicecontext.h"
#include "velmora/newdib.h"

namespace {

struct ImageRecipe {
    int width = 1, height = 1, bits = 8;
    std::vector<BYTE> pattern;
    RGBQUAD palette[256] = {};
};

enum class Op { kDrawHdc, kDrawRect, kBlt, kStretch, kTransparent, kAddColor, kClearColors, kShowColor, kCount };

struct Step {
    Op op = Op::kBlt;
    int v[8] = {};  // xDest, yDest, wDest, hDest, xSrc, ySrc, wSrc, hSrc (rectangles: left, top, right, bottom)
    DWORD rop = SRCCOPY;
    unsigned long color = 0;
    int flag = 0;
};

struct Script {
    ImageRecipe image;
    int dcWidth = 1, dcHeight = 1;
    COLORREF fill = 0;
    std::vector<Step> steps;
};

int Coordinate(FuzzedDataProvider& in, int scale) {
    switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1: return in.ConsumeIntegralInRange(-scale, 2 * scale);
    case 2:
        return in.PickValueInArray(
            {INT_MIN, INT_MIN + 1, -(1 << 30), -65536, -1, 0, 1, 65536, 1 << 30, INT_MAX - 1, INT_MAX});
    default: return in.ConsumeIntegral<int>();
    }
}

Step ReadStep(FuzzedDataProvider& in, const Script& s) {
    Step step;
    step.op = static_cast<Op>(in.ConsumeIntegralInRange(0, static_cast<int>(Op::kCount) - 1));
    const int scale = std::max({s.image.width, s.image.height, s.dcWidth, s.dcHeight});
    for (int& v : step.v) v = Coordinate(in, scale);
    step.rop = in.ConsumeBool() ? SRCCOPY : in.PickValueInArray({SRCAND, SRCAND, 0u, in.ConsumeIntegral<DWORD>()});
    // Colours mostly from the palette, so transparency has something to hit.
    step.color = in.ConsumeBool() ? RGB(s.image.palette[in.ConsumeIntegral<BYTE>()].rgbRed,
                                        s.image.palette[in.ConsumeIntegral<BYTE>()].rgbGreen,
                                        s.image.palette[in.ConsumeIntegral<BYTE>()].rgbBlue)
                                  : in.ConsumeIntegral<uint32_t>();
    step.flag = in.ConsumeIntegralInRange(0, 1);
    return step;
}

Script ReadScript(FuzzedDataProvider& in) {
    Script s;
    s.image.width = in.ConsumeIntegralInRange(1, 512);
    s.image.height = in.ConsumeIntegralInRange(1, 1024);
    s.image.bits = in.PickValueInArray({1, 4, 8, 24, 1, 2, 4, 8, 16, 24, 32});
    s.dcWidth = in.ConsumeIntegralInRange(1, 300);
    s.dcHeight = in.ConsumeIntegralInRange(1, 300);
    s.fill = in.ConsumeIntegral<uint32_t>() & 0xFFFFFF;
    for (RGBQUAD& q : s.image.palette) {
        if (in.remaining_bytes() == 0) break;
        q = RGBQUAD{in.ConsumeIntegral<BYTE>(), in.ConsumeIntegral<BYTE>(), in.ConsumeIntegral<BYTE>(), 0};
        if (in.ConsumeIntegralInRange(0, 7) == 0) break;  // the rest stays black
    }
    s.image.pattern = in.ConsumeBytes<BYTE>(in.ConsumeIntegralInRange(1, 64));
    if (s.image.pattern.empty()) s.image.pattern.push_back(0x5A);
    while (in.remaining_bytes() > 0 && s.steps.size() < 12) s.steps.push_back(ReadStep(in, s));
    return s;
}

bool MakeImage(const ImageRecipe& recipe, CNewDIB& dib) {
    if (!dib.CreateDIB(recipe.width, recipe.height, recipe.bits)) return false;
    if (recipe.bits <= 8) std::memcpy(dib.GetBitmapInfo()->bmiColors, recipe.palette, sizeof(RGBQUAD) << recipe.bits);
    const size_t stride = dib.GetBytesPerLine();
    const size_t n = recipe.pattern.size();
    for (int row = 0; row < recipe.height;) {
        int count = 0;
        BYTE* run = dib.GetDIBBuffer(row, &count, 1);
        FUZZ_CHECK(run && count > 0);
        for (int k = 0; k < count && row + k < recipe.height; ++k) {
            BYTE* p = run + static_cast<size_t>(k) * stride;
            for (size_t c = 0; c < stride; ++c) p[c] = recipe.pattern[(c + static_cast<size_t>(row + k) * 7) % n] ^ static_cast<BYTE>(row + k);
        }
        row += count;
    }
    return true;
}

// |to| is a whole multiple (1 to 4) of a nonzero |from|.
bool WholeFactor(int64_t to, int64_t from) {
    to = to < 0 ? -to : to;
    from = from < 0 ? -from : from;
    return from != 0 && to % from == 0 && to / from >= 1 && to / from <= 4;
}

// Whether the page-file drawing of a step must give the memory drawing's pixels.
bool MustMatch(const Step& step, int wDest, int hDest, int wSrc, int hSrc, bool transparent) {
    const bool unscaled = !transparent && step.rop == SRCCOPY && wDest == wSrc && hDest == hSrc;
    return unscaled || WholeFactor(hDest, hSrc);
}

int Extent(int from, int to) { return static_cast<int>(std::min<int64_t>(INT_MAX, std::max<int64_t>(INT_MIN, int64_t{to} - from))); }

// Runs one step; false when it drew in a way page files may legitimately draw differently.
bool RunStep(CNewDIB& dib, HDC dc, const Step& step) {
    const int* v = step.v;
    const bool transparent = dib.IsTransed() && !dib.GetTransClrs()->IsEmpty();
    switch (step.op) {
    case Op::kDrawHdc:
        dib.CNewDIBObject::DrawDIB(dc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], step.rop);
        return MustMatch(step, v[2], v[3], v[6], v[7], transparent);
    case Op::kDrawRect: {
        RECT dst{v[0], v[1], v[2], v[3]}, src{v[4], v[5], v[6], v[7]};
        CDC cdc(dc);
        dib.DrawDIB(&cdc, &dst, &src, step.rop);
        cdc.Detach();
        return MustMatch(step, Extent(v[0], v[2]), Extent(v[1], v[3]), Extent(v[4], v[6]), Extent(v[5], v[7]),
                         transparent);
    }
    case Op::kBlt: dib.BltDIB(dc, v[0], v[1], v[2], v[3], v[4], v[5]); return true;
    case Op::kStretch:
        dib.StretchDIB(dc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], step.rop);
        return WholeFactor(v[3], v[7]);
    case Op::kTransparent: dib.Transparent(step.flag); return true;
    case Op::kAddColor: dib.AddTransClr(step.color); return true;
    case Op::kClearColors: dib.ClearTransClr(); return true;
    case Op::kShowColor:
        dib.SetTransShowColor(step.color);
        dib.ShowColorValid(step.flag);
        dib.ScrollDIB(dc, v[0], v[1]);
        dib.RefreshFactor();
        return true;
    case Op::kCount: break;
    }
    return true;
}

// Images above 8 bits have no table (their header is 40 bytes long).
std::vector<DWORD> ColorTableOf(CNewDIB& dib) {
    if (dib.GetBitCount() > 8) return {};
    std::vector<DWORD> out(size_t{1} << dib.GetBitCount());
    std::memcpy(out.data(), dib.GetBitmapInfo()->bmiColors, out.size() * sizeof(DWORD));
    return out;
}

struct DcDeleter {
    void operator()(HDC__* dc) const { DeleteMemoryDC(dc); }
};
using Dc = std::unique_ptr<HDC__, DcDeleter>;

// The surface as a 24-bit image (a page file in page-file mode) holds the
// surface's colours: storage row 0 is the bottom surface row.
void CheckSurfaceCopy(HDC dc) {
    CNewDIB copy;
    FUZZ_CHECK(CopySurfaceToDIB(dc, &copy) == 1);
    const int w = GetDCWidth(dc), h = GetDCHeight(dc);
    const int xs[] = {0, w / 2, w - 1}, ys[] = {0, h / 2, h - 1};
    for (int x : xs)
        for (int y : ys) FUZZ_CHECK(static_cast<COLORREF>(copy.GetPixelIndex(x, h - 1 - y)) == GetDCPixel(dc, x, y));
}

// Draws the script; the surface, and whether every step must match between the two storages.
bool Draw(const Script& s, Dc& dc) {
    CNewDIB dib;
    if (!MakeImage(s.image, dib)) return false;
    dc.reset(CreateMemoryDC(s.dcWidth, s.dcHeight, s.fill));
    FUZZ_CHECK(dc);
    const std::vector<DWORD> table = ColorTableOf(dib);
    bool comparable = true;
    for (const Step& step : s.steps) {
        comparable = RunStep(dib, dc.get(), step) && comparable;
        FUZZ_CHECK(ColorTableOf(dib) == table);
        FUZZ_CHECK(dib.GetBitmapInfo()->bmiHeader.biHeight == s.image.height);
    }
    CheckSurfaceCopy(dc.get());
    return comparable;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vfuzz::Session session;
    FuzzedDataProvider in(data, size);
    const Script script = ReadScript(in);
    Dc inMemory, inPageFile;
    bool comparable;
    {
        vfuzz::ScopedStorage storage(vfuzz::Storage::kMemory, session.Dir());
        comparable = Draw(script, inMemory);
    }
    {
        vfuzz::ScopedStorage storage(vfuzz::Storage::kPageFile, session.Dir());
        comparable = Draw(script, inPageFile) && comparable;
    }
    vfuzz::CheckNoLeftovers(session.Dir(), "");
    if (comparable && inMemory && inPageFile) {
        const size_t n = static_cast<size_t>(script.dcWidth) * static_cast<size_t>(script.dcHeight);
        FUZZ_CHECK(std::memcmp(GetDCSurface(inMemory.get()), GetDCSurface(inPageFile.get()), n * sizeof(DWORD)) == 0);
    }
    return 0;
}
