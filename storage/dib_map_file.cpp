// The page-file mapping object: window size rule, the three window
// placements and the views over the page file.
#include "storage/dib_map_file.h"

#include <algorithm>

#include "storage/memory_budget.h"
#include "velmora/system.h"

namespace velmora {

namespace {

constexpr uint64_t kWindowSlack = 2u * 1024u * 1024u;  // 2 MiB

uint64_t RoundDown(uint64_t value, uint64_t step) { return value / step * step; }

uint64_t CeilDiv(uint64_t value, uint64_t divisor) { return (value + divisor - 1) / divisor; }

bool RowInside(const WindowGeometry& geo, int64_t row) {
    return row >= 0 && static_cast<uint64_t>(row) < geo.rows && geo.stride != 0 && geo.granularity != 0;
}

// First whole row at or after `base`, the skip to it and the whole rows that
// fit in the mapped length from there. False when not even one row fits.
bool FinishPlan(const WindowGeometry& geo, WindowPlan* plan) {
    plan->firstRow = CeilDiv(plan->base, geo.stride);
    plan->skip = plan->firstRow * geo.stride - plan->base;
    if (plan->length <= plan->skip) return false;
    plan->rows = (plan->length - plan->skip) / geo.stride;
    return plan->rows != 0;
}

// The granularity step just above (end - W): the lowest base whose window
// of W bytes still reaches `end`.
uint64_t BaseBelow(const WindowGeometry& geo, uint64_t end) {
    if (end < geo.windowBytes) return 0;
    return ((end - geo.windowBytes) / geo.granularity + 1) * geo.granularity;
}

}  // namespace

bool PlanUpFromStorageRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan) {
    if (!RowInside(geo, row)) return false;
    uint64_t offset = static_cast<uint64_t>(row) * geo.stride;
    plan->base = RoundDown(offset, geo.granularity);
    plan->length = std::min(geo.windowBytes, geo.totalBytes - plan->base);
    plan->skip = offset - plan->base;
    plan->firstRow = static_cast<uint64_t>(row);
    if (plan->length <= plan->skip) return false;
    plan->rows = (plan->length - plan->skip) / geo.stride;
    return plan->rows != 0;
}

bool PlanDownFromPictureRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan) {
    if (!RowInside(geo, row)) return false;
    uint64_t end = (geo.rows - static_cast<uint64_t>(row)) * geo.stride;
    plan->base = BaseBelow(geo, end);
    if (plan->base >= end) return false;
    plan->length = end - plan->base;
    return FinishPlan(geo, plan);
}

bool PlanNearPictureRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan) {
    if (!RowInside(geo, row)) return false;
    uint64_t end = (geo.rows - static_cast<uint64_t>(row)) * geo.stride;
    if (geo.windowBytes < end) {
        plan->base = BaseBelow(geo, end);
        if (plan->base >= geo.totalBytes) return false;
        plan->length = std::min(geo.totalBytes - plan->base, geo.windowBytes);
    } else {
        plan->base = 0;
        plan->length = std::min(geo.windowBytes, geo.totalBytes);
    }
    return FinishPlan(geo, plan);
}

uint64_t WindowBytesRule(uint64_t totalPhys, uint64_t availPhys, uint64_t granularity, uint64_t divisor,
                         uint64_t explicitBytes, uint64_t previous, uint64_t stride) {
    if (granularity == 0) granularity = 1;
    if (divisor == 0) divisor = 1;
    const uint64_t floor = totalPhys / 32;
    uint64_t window;
    if (explicitBytes != 0) {
        window = std::max(RoundDown(explicitBytes, granularity), floor);
    } else {
        uint64_t share = RoundDown(availPhys, granularity) / divisor;
        if (share < floor)
            window = floor;
        else if (share > floor + kWindowSlack)
            window = share - kWindowSlack;
        else
            window = previous != 0 ? previous : floor;
    }
    // Less than one row plus one step could leave a placement without a
    // whole row, and row loops would never advance.
    return std::max(window, stride + granularity);
}

}  // namespace velmora

using velmora::WindowGeometry;
using velmora::WindowPlan;

CDIBMapFile::CDIBMapFile() = default;

CDIBMapFile::~CDIBMapFile() { Close(); }

bool CDIBMapFile::Open(const char* path, uint64_t stride, uint64_t rows) {
    Close();
    if (rows == 0 || stride == 0 || stride > UINT64_MAX / rows) return false;
    m_nGranularity = GetAllocationGranularity();
    m_nRows = rows;
    m_nStride = stride;
    m_nTotalBytes = rows * stride;
    if (!velmora::CreatePageFileMapping(path, m_nTotalBytes, &m_file)) return false;
    m_strPath = path;
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    m_bReleaseBehind = m_nTotalBytes > status.dwAvailPhys / 2;
    return true;
}

void CDIBMapFile::Close() {
    // The file goes (its name went when it was made): nothing of it needs
    // writing back.
    m_bReleaseBehind = false;
    m_passed.Forget();
    UnmapWindow();
    UnmapWholeView();
    if (!m_file.IsOpen()) return;
    velmora::CloseFileMapping(&m_file);
}

void CDIBMapFile::SetWindowBytes(uint64_t divisor, uint64_t explicitBytes) {
    MEMORYSTATUS status{};
    GlobalMemoryStatus(&status);
    m_nWindowBytes = velmora::WindowBytesRule(status.dwTotalPhys, status.dwAvailPhys, m_nGranularity, divisor,
                                              explicitBytes, m_nWindowBytes, m_nStride);
}

WindowGeometry CDIBMapFile::Geometry() const {
    WindowGeometry geo;
    geo.rows = m_nRows;
    geo.stride = m_nStride;
    geo.totalBytes = m_nTotalBytes;
    geo.windowBytes = m_nWindowBytes;
    geo.granularity = m_nGranularity;
    return geo;
}

BYTE* CDIBMapFile::Place(const Planner& planner) {
    UnmapWindow();
    WindowGeometry geo = Geometry();
    // Under a process limit the window takes its bytes from what other
    // threads have left: a smaller window when little is free, a brief wait
    // when not even the smallest fits.
    geo.windowBytes = velmora::GrantWindowBudget(this, geo.windowBytes, geo.stride + geo.granularity);
    WindowPlan plan;
    if (geo.windowBytes == 0 || !planner(geo, &plan)) {
        velmora::ReleaseBudget(this);
        return nullptr;
    }
    if (m_bReleaseBehind)
        m_passed.Placing({plan.base, plan.length},
                         [this](const velmora::ByteRange& r) { velmora::DropCachedRange(m_file, r.base, r.length); });
    m_pWindowView = velmora::MapFileView(m_file, plan.base, plan.length);
    if (!m_pWindowView) {
        velmora::ReleaseBudget(this);
        return nullptr;
    }
    m_nWindowLength = plan.length;
    m_nWindowBase = plan.base;
    velmora::PrefetchView(m_pWindowView, plan.length);
    m_pRowPointer = m_pWindowView + plan.skip;
    m_nWindowFirstRow = plan.firstRow;
    m_nWindowRows = plan.rows;
    return m_pRowPointer;
}

BYTE* CDIBMapFile::PlaceUp(int storageRow) {
    return Place([storageRow](const WindowGeometry& geo, WindowPlan* plan) {
        return velmora::PlanUpFromStorageRow(geo, storageRow, plan);
    });
}

BYTE* CDIBMapFile::PlaceDown(int pictureRow) {
    return Place([pictureRow](const WindowGeometry& geo, WindowPlan* plan) {
        return velmora::PlanDownFromPictureRow(geo, pictureRow, plan);
    });
}

BYTE* CDIBMapFile::PlaceNear(int pictureRow) {
    return Place([pictureRow](const WindowGeometry& geo, WindowPlan* plan) {
        return velmora::PlanNearPictureRow(geo, pictureRow, plan);
    });
}

void CDIBMapFile::LeaveWindow() {
    if (!m_bReleaseBehind || !m_pWindowView) return;
    velmora::StartWriteBack(m_file, m_nWindowBase, m_nWindowLength);
    const velmora::ByteRange pushedOut = m_passed.Left({m_nWindowBase, m_nWindowLength});
    velmora::DropCachedRange(m_file, pushedOut.base, pushedOut.length);
}

void CDIBMapFile::UnmapWindow() {
    velmora::UnmapFileView(m_pWindowView, m_nWindowLength);
    LeaveWindow();
    velmora::ReleaseBudget(this);
    m_pWindowView = nullptr;
    m_nWindowLength = 0;
    m_pRowPointer = nullptr;
    m_nWindowFirstRow = 0;
    m_nWindowRows = 0;
}

BYTE* CDIBMapFile::MapWholeView() {
    if (!m_pWholeView) m_pWholeView = velmora::MapFileView(m_file, 0, m_nTotalBytes);
    return m_pWholeView;
}

void CDIBMapFile::UnmapWholeView() {
    velmora::UnmapFileView(m_pWholeView, m_nTotalBytes);
    m_pWholeView = nullptr;
}

BYTE* CDIBMapFile::MapRange(uint64_t offset, uint64_t length) {
    return velmora::MapFileView(m_file, offset, length);
}

void CDIBMapFile::UnmapRange(BYTE* view, uint64_t length) { velmora::UnmapFileView(view, length); }
