#include "document/transform_rotate_strips.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <new>

#include "platform/dib_geometry.h"
#include "platform/scratch_file.h"
#include "storage/memory_budget.h"
#include "storage/row_walker.h"
#include "velmora/environment.h"
#include "velmora/system.h"

namespace velmora {
namespace {

// Bytes gathered for one scratch write in the first pass.
constexpr uint64_t kChunkBytes = uint64_t{8} << 20;

struct StripPlan {
    int columns = 0;        // source columns per strip, a multiple of 8
    size_t sliceBytes = 0;  // bytes of one source row's slice
    int strips = 0;
    uint64_t stripBytes = 0;  // slice bytes of every source row
    uint64_t chunkBytes = kChunkBytes;  // bytes gathered per scratch write
};

// A strip is as wide as an eighth of the memory allows: one strip is held
// whole in the second pass, and few wide strips keep the scratch file's
// writes long. (The total, not what is available: the source's own window
// may hold most of that, and its pages are clean and go when asked.)
// Columns come in eights, so packed pixels are cut on byte boundaries.
uint64_t StripBudget() {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    return std::clamp<uint64_t>(status.dwTotalPhys / 8, uint64_t{1} << 20, uint64_t{128} << 20);
}

bool PlanStrips(const TurnGeometry& g, uint64_t budget, StripPlan* plan) {
    const uint64_t columnBytes = static_cast<uint64_t>(g.height) * static_cast<uint64_t>(g.bitCount) / 8 + 1;
    const uint64_t widthInEights = (static_cast<uint64_t>(g.width) + 7) / 8 * 8;
    uint64_t columns = std::clamp<uint64_t>(budget / columnBytes / 8 * 8, 8, widthInEights);
    plan->columns = static_cast<int>(columns);
    plan->sliceBytes = static_cast<size_t>(columns * static_cast<uint64_t>(g.bitCount) / 8);
    plan->strips = static_cast<int>((static_cast<uint64_t>(g.width) + columns - 1) / columns);
    plan->stripBytes = ImageBytes(plan->sliceBytes, static_cast<uint64_t>(g.height));
    return plan->stripBytes != 0 && ImageBytes(plan->stripBytes, static_cast<uint64_t>(plan->strips)) != 0;
}

// Bytes of strip j that a source row really holds (the last strip may reach
// past the row's pixels; the row's padding ends it).
size_t SliceBytesOf(const StripPlan& plan, const TurnGeometry& g, int j) {
    const size_t start = static_cast<size_t>(j) * plan.sliceBytes;
    return start >= g.srcStride ? 0 : std::min(plan.sliceBytes, g.srcStride - start);
}

// First pass: every source row once, in order. A chunk of rows is sorted
// into its strips in memory (row by row, so the source is read front to
// back), then each strip's part goes to the scratch file in one write.
bool CutStrips(CNewDIBObject& src, const TurnGeometry& g, const StripPlan& plan, ScratchFile& scratch) {
    const int chunkRows = static_cast<int>(std::max<uint64_t>(1, plan.chunkBytes / g.srcStride));
    const size_t stripPart = static_cast<size_t>(chunkRows) * plan.sliceBytes;
    std::unique_ptr<BYTE[]> chunk(new (std::nothrow) BYTE[stripPart * static_cast<size_t>(plan.strips)]());
    if (!chunk) return false;
    return WalkRows(src, RowOrder::BottomUp, 0, g.height, chunkRows, [&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k) {
            const BYTE* row = piece.Row(k);
            for (int j = 0; j < plan.strips; ++j)
                std::memcpy(chunk.get() + static_cast<size_t>(j) * stripPart + static_cast<size_t>(k) * plan.sliceBytes,
                            row + static_cast<size_t>(j) * plan.sliceBytes, SliceBytesOf(plan, g, j));
        }
        for (int j = 0; j < plan.strips; ++j) {
            const uint64_t at = static_cast<uint64_t>(j) * plan.stripBytes +
                                static_cast<uint64_t>(piece.first) * plan.sliceBytes;
            if (!scratch.Write(at, chunk.get() + static_cast<size_t>(j) * stripPart,
                               static_cast<size_t>(piece.count) * plan.sliceBytes))
                return false;
        }
        return true;
    });
}

// Second pass: strip j, a source of plan.columns (or fewer) columns, turns
// into the destination rows its columns become.
bool TurnStrip(CNewDIBObject& dst, const TurnGeometry& g, const StripPlan& plan, int j, const BYTE* strip,
               const ProgressReporter& progress, unsigned long long* done) {
    const int firstColumn = j * plan.columns;
    const int columns = std::min(plan.columns, g.width - firstColumn);
    const TurnGeometry local{columns, g.height, g.bitCount, plan.sliceBytes, g.dstStride, g.turn};
    const int bandFirst = g.turn == Turn::kClockwise ? g.width - firstColumn - columns : firstColumn;
    const RowPiece run{0, g.height, plan.sliceBytes, RowOrder::BottomUp, const_cast<BYTE*>(strip)};
    return WalkRows(dst, RowOrder::BottomUp, bandFirst, bandFirst + columns, INT_MAX, [&](const RowPiece& piece) {
        const RowPiece band{piece.first - bandFirst, piece.count, piece.stride, RowOrder::BottomUp, piece.lowest};
        ClearRowTails(band, local);
        TurnBlock(run, band, local);
        // The turned image is ours alone: a host's handler cannot move its window.
        for (int k = 0; k < piece.count; ++k)
            progress.Step(StepPercent((*done)++, static_cast<unsigned long long>(g.width)));
        return true;
    });
}

}  // namespace

bool FillTurnedImageByStrips(CNewDIBObject& src, CNewDIBObject& dst, const TurnGeometry& g,
                             const ProgressReporter& progress) {
    StripPlan plan;
    // Under a process limit the two buffers (the chunk, then the strip) take
    // their bytes from the memory budget other threads share, and shrink to
    // what it grants: 8 columns and one source row at the least.
    const uint64_t narrowest = (static_cast<uint64_t>(g.height) * static_cast<uint64_t>(g.bitCount) / 8 + 1) * 8;
    const uint64_t granted = GrantWindowBudget(&plan, StripBudget(), std::max<uint64_t>(narrowest, g.srcStride));
    struct Grant {
        const void* owner;
        ~Grant() { ReleaseBudget(owner); }
    } grant{&plan};
    if (!granted || !PlanStrips(g, granted, &plan)) return false;
    plan.chunkBytes = std::min(kChunkBytes, granted);
    ScratchFile scratch;
    if (!scratch.Create(GetVirtualDirectory(), plan.stripBytes * static_cast<uint64_t>(plan.strips))) return false;
    scratch.AdviseSequential();
    if (!CutStrips(src, g, plan, scratch)) return false;
    std::unique_ptr<BYTE[]> strip(new (std::nothrow) BYTE[static_cast<size_t>(plan.stripBytes)]);
    if (!strip) return false;
    unsigned long long done = 0;
    for (int j = 0; j < plan.strips; ++j) {
        if (!scratch.Read(static_cast<uint64_t>(j) * plan.stripBytes, strip.get(), static_cast<size_t>(plan.stripBytes)))
            return false;
        if (j + 1 < plan.strips) scratch.Prefetch(static_cast<uint64_t>(j + 1) * plan.stripBytes, plan.stripBytes);
        if (!TurnStrip(dst, g, plan, j, strip.get(), progress, &done)) return false;
    }
    return true;
}

}  // namespace velmora
