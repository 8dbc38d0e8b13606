// MakeThumbnail: the source's rows, as blue-green-red bytes, through area
// averaging and then the Lanczos-3 kernel while they stream past, each
// finished row stored in the thumbnail at once. The working rows are entered
// in the process memory budget like any image's memory.
#include "velmora/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "document/resample_kernel.h"
#include "platform/dib_geometry.h"
#include "storage/memory_budget.h"
#include "storage/pixel_unpack.h"
#include "storage/row_walker.h"
#include "velmora/newdib.h"

namespace {

using velmora::resample::BoxShrinker;
using velmora::resample::Lanczos3Rows;

// Calls `use` with each source row, top first, until it returns false;
// false when a window cannot be placed.
template <class Use>
bool ForEachRow(CNewDIB& source, const Use& use) {
    const int height = source.GetHeight();
    velmora::RowWalker walker(&source, velmora::RowOrder::TopDown);
    for (int row = 0; row < height;) {
        const velmora::RowPiece piece = walker.Piece(row, height - row);
        if (piece.count <= 0) return false;
        for (int k = 0; k < piece.count; ++k)
            if (!use(piece.Row(k))) return true;
        row += piece.count;
    }
    return true;
}

// A 32-bit image whose fourth bytes are not all zero carries alpha; one
// whose are all zero leaves them unused.
bool CarriesAlpha(CNewDIB& source) {
    if (source.GetBitCount() != 32) return false;
    const size_t bytes = static_cast<size_t>(source.GetWidth()) * 4;
    bool found = false;
    ForEachRow(source, [&](const BYTE* row) {
        for (size_t i = 3; i < bytes && !found; i += 4) found = row[i] != 0;
        return !found;
    });
    return found;
}

// Every source row, top first, into the shrinker (32-bit rows with alpha as
// they lie); false when a window cannot be placed.
bool StreamRows(CNewDIB& source, BoxShrinker& shrinker, bool alpha) {
    const int width = source.GetWidth(), bits = source.GetBitCount();
    int entries = 0;
    const RGBQUAD* table = bits <= 8 ? source.GetRGBQuad(&entries) : nullptr;
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    if (table) std::copy(table, table + std::min(entries, 256), palette.begin());
    std::vector<BYTE> bgr(alpha ? 0 : static_cast<size_t>(width) * 3);
    const bool walked = ForEachRow(source, [&](const BYTE* row) {
        shrinker.AddRow(alpha ? row : velmora::pixels::RowAsBgr(row, width, bits, palette.data(), bgr.data()));
        return true;
    });
    shrinker.Finish();
    return walked;
}

BYTE ToByte(float v) { return static_cast<BYTE>(std::clamp(std::lround(v), 0L, 255L)); }

// Premultiplied blue, green, red and alpha back to plain values.
void StoreUnpremultiplied(const float* in, int width, BYTE* row) {
    for (int x = 0; x < width; ++x, in += 4, row += 4) {
        const float alpha = std::clamp(in[3], 0.0f, 255.0f);
        const float inverse = alpha > 0.0f ? 1.0f / alpha : 0.0f;
        for (int c = 0; c < 3; ++c) row[c] = ToByte(in[c] * inverse);
        row[3] = ToByte(alpha);
    }
}

// The thumbnail's rows as they come out of the kernel, top first.
class RowStore {
public:
    explicit RowStore(CNewDIB& out) : m_walker(&out, velmora::RowOrder::TopDown), m_out(out) {}
    void Put(const float* in) {
        BYTE* row = m_failed ? nullptr : m_walker.Row(m_next++);
        if (!row) {
            m_failed = true;
            return;
        }
        const bool alpha = m_out.GetBitCount() == 32;
        const size_t stride = m_out.GetBytesPerLine(), used = static_cast<size_t>(m_out.GetWidth()) * (alpha ? 4 : 3);
        if (alpha) StoreUnpremultiplied(in, m_out.GetWidth(), row);
        else
            for (size_t i = 0; i < used; ++i) row[i] = ToByte(in[i]);
        std::memset(row + used, 0, stride - used);
    }
    bool Failed() const { return m_failed; }

private:
    velmora::RowWalker m_walker;
    CNewDIB& m_out;
    int m_next = 0;
    bool m_failed = false;
};

// The working rows' bytes, entered in the budget while the thumbnail is made.
class WorkingBudget {
public:
    explicit WorkingBudget(uint64_t bytes) : m_granted(velmora::GrantWindowBudget(this, bytes, bytes) != 0) {}
    ~WorkingBudget() { velmora::ReleaseBudget(this); }
    bool Granted() const { return m_granted; }

private:
    bool m_granted;
};

bool Make(CNewDIB& source, int width, int height, bool keepAlpha, CNewDIB& made) {
    const bool alpha = keepAlpha && CarriesAlpha(source);
    const int channels = alpha ? 4 : 3;
    if (!made.CreateDIB(width, height, alpha ? 32 : 24) || !made.Ready()) return false;
    RowStore store(made);
    const int kx = velmora::resample::BoxFactor(source.GetWidth(), width);
    const int ky = velmora::resample::BoxFactor(source.GetHeight(), height);
    Lanczos3Rows kernel(velmora::resample::Boxed(source.GetWidth(), source.GetHeight(), kx, ky), width, height,
                        [&](const float* row) { store.Put(row); }, channels);
    BoxShrinker shrinker(source.GetWidth(), source.GetHeight(), kx, ky, [&](const float* row) { kernel.AddRow(row); },
                         channels);
    const uint64_t working = shrinker.WorkingBytes() + kernel.WorkingBytes() + static_cast<uint64_t>(source.GetWidth()) * 3;
    const WorkingBudget budget(working);
    return budget.Granted() && StreamRows(source, shrinker, alpha) && kernel.Done() && !store.Failed();
}

// `source` resampled to width x height into `resized` (which may be the source).
int Resample(CNewDIB* source, int width, int height, bool keepAlpha, CNewDIB* resized) {
    if (!resized) return 0;
    bool made = false;
    if (source && source->Ready() && width >= 1 && height >= 1 && velmora::pixels::Unpacks(source->GetBitCount())) {
        CNewDIB result;  // apart from `resized`, which may be the source itself
        try {
            made = Make(*source, width, height, keepAlpha, result) && resized->CopyDIB(&result);
        } catch (const std::bad_alloc&) {
            made = false;
        }
    }
    if (!made) resized->ReleaseDIB();
    return made ? 1 : 0;
}

}  // namespace

void FitThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    velmora::resample::FitInside(width, height, boxWidth, boxHeight, outWidth, outHeight);
}

int MakeResized(CNewDIB* source, int width, int height, CNewDIB* resized) {
    return Resample(source, width, height, true, resized);
}

int MakeThumbnail(CNewDIB* source, int boxWidth, int boxHeight, CNewDIB* thumbnail) {
    if (!thumbnail) return 0;
    if (!source || !source->Ready() || boxWidth < 1 || boxHeight < 1) {
        thumbnail->ReleaseDIB();
        return 0;
    }
    int width = 0, height = 0;
    FitThumbnailSize(source->GetWidth(), source->GetHeight(), boxWidth, boxHeight, &width, &height);
    return Resample(source, width, height, false, thumbnail);
}
