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

// Every source row, top first, into the shrinker; false when a window
// cannot be placed.
bool StreamRows(CNewDIB& source, BoxShrinker& shrinker) {
    const int width = source.GetWidth(), height = source.GetHeight(), bits = source.GetBitCount();
    int entries = 0;
    const RGBQUAD* table = bits <= 8 ? source.GetRGBQuad(&entries) : nullptr;
    std::vector<RGBQUAD> palette(256, RGBQUAD{0, 0, 0, 0});
    if (table) std::copy(table, table + std::min(entries, 256), palette.begin());
    std::vector<BYTE> bgr(static_cast<size_t>(width) * 3);
    velmora::RowWalker walker(&source, velmora::RowOrder::TopDown);
    for (int row = 0; row < height;) {
        const velmora::RowPiece piece = walker.Piece(row, height - row);
        if (piece.count <= 0) return false;
        for (int k = 0; k < piece.count; ++k)
            shrinker.AddRow(velmora::pixels::RowAsBgr(piece.Row(k), width, bits, palette.data(), bgr.data()));
        row += piece.count;
    }
    shrinker.Finish();
    return true;
}

BYTE ToByte(float v) { return static_cast<BYTE>(std::clamp(std::lround(v), 0L, 255L)); }

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
        const size_t stride = m_out.GetBytesPerLine(), used = static_cast<size_t>(m_out.GetWidth()) * 3;
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

bool Make(CNewDIB& source, int width, int height, CNewDIB& made) {
    if (!made.CreateDIB(width, height, 24) || !made.Ready()) return false;
    RowStore store(made);
    const int kx = velmora::resample::BoxFactor(source.GetWidth(), width);
    const int ky = velmora::resample::BoxFactor(source.GetHeight(), height);
    Lanczos3Rows kernel(velmora::resample::Boxed(source.GetWidth(), source.GetHeight(), kx, ky), width, height,
                        [&](const float* row) { store.Put(row); });
    BoxShrinker shrinker(source.GetWidth(), source.GetHeight(), kx, ky, [&](const float* row) { kernel.AddRow(row); });
    const uint64_t working = shrinker.WorkingBytes() + kernel.WorkingBytes() + static_cast<uint64_t>(source.GetWidth()) * 3;
    const WorkingBudget budget(working);
    return budget.Granted() && StreamRows(source, shrinker) && kernel.Done() && !store.Failed();
}

}  // namespace

void FitThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    velmora::resample::FitInside(width, height, boxWidth, boxHeight, outWidth, outHeight);
}

int MakeThumbnail(CNewDIB* source, int boxWidth, int boxHeight, CNewDIB* thumbnail) {
    if (!thumbnail) return 0;
    bool made = false;
    if (source && source->Ready() && boxWidth >= 1 && boxHeight >= 1 && velmora::pixels::Unpacks(source->GetBitCount())) {
        int width = 0, height = 0;
        FitThumbnailSize(source->GetWidth(), source->GetHeight(), boxWidth, boxHeight, &width, &height);
        CNewDIB result;  // apart from `thumbnail`, which may be the source itself
        try {
            made = Make(*source, width, height, result) && thumbnail->CopyDIB(&result);
        } catch (const std::bad_alloc&) {
            made = false;
        }
    }
    if (!made) thumbnail->ReleaseDIB();
    return made ? 1 : 0;
}
