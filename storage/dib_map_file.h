// CDIBMapFile: the page file of one image and the views mapped over it.
//
// The page file holds the pixel rows exactly as in memory, storage row 0 at
// offset 0. A row window maps a granularity-aligned range of it around a
// requested row; the whole view maps all of it for whole-image copies. The
// two are independent and may be mapped at the same time.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/file_mapping.h"
#include "storage/release_behind.h"
#include "velmora/cstring.h"
#include "velmora/wintypes.h"

namespace velmora {

// What a placement needs to know of the page file (bytes and rows).
struct WindowGeometry {
    uint64_t rows = 0;         // R, the image height
    uint64_t stride = 0;       // s, bytes per row
    uint64_t totalBytes = 0;   // B = R * s
    uint64_t windowBytes = 0;  // W, the most one window maps
    uint64_t granularity = 0;  // g, every view starts at a multiple of it
};

// One placement: map [base, base + length); the first whole row starts
// `skip` bytes into the view and is storage row `firstRow`; `rows` whole
// rows follow from there.
struct WindowPlan {
    uint64_t base = 0;
    uint64_t length = 0;
    uint64_t skip = 0;
    uint64_t firstRow = 0;
    uint64_t rows = 0;
};

// The three placements. Each fails (false) for a row outside 0 .. R - 1 and
// otherwise yields at least one row, given W >= s + g (WindowBytesRule
// guarantees it).
// Up from storage row r: the window starts at row r.
bool PlanUpFromStorageRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan);
// Down from picture row t: the window ends with picture row t at its top.
bool PlanDownFromPictureRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan);
// Near picture row t: the window holds picture row t and as many of the
// picture rows after it (towards the bottom) as fit, for drawing downwards.
bool PlanNearPictureRow(const WindowGeometry& geo, int64_t row, WindowPlan* plan);

// The window size rule. F = total / 32. An explicit size X, cut down to a
// multiple of g, is raised to F. Otherwise D = (avail cut to g) / divisor:
// below F gives F, above F + 2 MiB gives D - 2 MiB, and in between the
// previous value is kept (F when there is none). The result is never below
// one row plus one granularity step, so every placement yields a row.
uint64_t WindowBytesRule(uint64_t totalPhys, uint64_t availPhys, uint64_t granularity, uint64_t divisor,
                         uint64_t explicitBytes, uint64_t previous, uint64_t stride);

}  // namespace velmora

class CDIBMapFile {
public:
    CDIBMapFile();
    // Unmaps and closes the page file, which the system then frees.
    ~CDIBMapFile();

    CDIBMapFile(const CDIBMapFile&) = delete;
    CDIBMapFile& operator=(const CDIBMapFile&) = delete;

    // Creates the page file `path` for `rows` rows of `stride` bytes and
    // reserves its whole size. On failure nothing is left open or on disk.
    bool Open(const char* path, uint64_t stride, uint64_t rows);
    // Unmaps both views and closes the file (its name went at Open).
    void Close();
    bool IsOpen() const { return m_file.IsOpen(); }

    // Recomputes the window bytes by the window size rule from the current
    // physical-memory figures.
    void SetWindowBytes(uint64_t divisor, uint64_t explicitBytes);
    uint64_t GetWindowBytes() const { return m_nWindowBytes; }

    // Each placement unmaps the previous row window and maps a new one; the
    // result is the row pointer (address of storage row WindowFirstRow()),
    // null with no window when the row is outside the image or the view
    // cannot be mapped.
    BYTE* PlaceUp(int storageRow);
    BYTE* PlaceDown(int pictureRow);
    BYTE* PlaceNear(int pictureRow);
    void UnmapWindow();
    uint64_t WindowFirstRow() const { return m_nWindowFirstRow; }
    uint64_t WindowRows() const { return m_nWindowRows; }

    // The whole file as one view, mapped on first use and kept until
    // UnmapWholeView or Close.
    BYTE* MapWholeView();
    void UnmapWholeView();

    // A view of [offset, offset + length) independent of both others, for
    // bulk copies; `offset` is a multiple of the granularity. Release it
    // with UnmapRange.
    BYTE* MapRange(uint64_t offset, uint64_t length);
    static void UnmapRange(BYTE* view, uint64_t length);

    uint64_t GetTotalBytes() const { return m_nTotalBytes; }
    uint64_t GetGranularity() const { return m_nGranularity; }
    const CString& GetPath() const { return m_strPath; }

private:
    velmora::WindowGeometry Geometry() const;
    // Places a window planned by `planner` over the geometry with the window
    // bytes the memory budget grants.
    using Planner = std::function<bool(const velmora::WindowGeometry&, velmora::WindowPlan*)>;
    BYTE* Place(const Planner& planner);

    // The open file; on this platform the descriptor is also what views are
    // mapped from, so it stands for both the file and the mapping handle.
    velmora::FileMapping m_file;
    BYTE* m_pWholeView = nullptr;
    uint64_t m_nRows = 0;
    uint64_t m_nStride = 0;
    uint64_t m_nTotalBytes = 0;
    BYTE* m_pWindowView = nullptr;
    uint64_t m_nWindowBytes = 0;
    uint64_t m_nGranularity = 0;
    BYTE* m_pRowPointer = nullptr;
    uint64_t m_nWindowFirstRow = 0;
    uint64_t m_nWindowRows = 0;
    uint64_t m_nWindowLength = 0;  // bytes mapped at m_pWindowView
    uint64_t m_nWindowBase = 0;    // file offset of m_pWindowView
    // An image larger than the memory it may use: windows already passed are
    // written back at once and dropped from the cache when the walk has moved
    // on (release_behind.h), so dirty pages never pile up against a memory
    // limit.
    bool m_bReleaseBehind = false;
    velmora::ReleaseBehind m_passed;
    void LeaveWindow();
    CString m_strPath;
};
