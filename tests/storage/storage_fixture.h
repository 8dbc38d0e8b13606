// Shared set-up of the storage tests: a page-file environment with small
// windows, a probe into an image's window fields, and row patterns.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "velmora/environment.h"
#include "velmora/newdibobject.h"

namespace vtest {

constexpr uint64_t kMiB = 1024 * 1024;

// An image whose window bookkeeping a test can read.
class ProbeDIB : public CNewDIBObject {
public:
    int WinFirst() const { return m_nWinFirst; }
    int WinEnd() const { return m_nWinEnd; }
    int WinRows() const { return m_nWinRows; }
    int Mapped() const { return m_bMapped; }
    BYTE* Bits() const { return m_pBits; }
    const CString& MapFileName() const { return m_strMapFile; }
    int Map(int pictureRow) { return MapDIBBuffer(pictureRow); }
    void Swap(ProbeDIB& other) { SwapStorage(other); }
};

// The byte at `column` of storage row `row` in the test pattern.
inline BYTE PatternByte(int row, uint64_t column) { return static_cast<BYTE>(row * 7 + column * 13 + (row >> 8)); }

inline bool RowMatches(const BYTE* p, uint64_t stride, int row) {
    for (uint64_t c = 0; c < stride; c++)
        if (p[c] != PatternByte(row, c)) return false;
    return true;
}

// Fills every storage row with its pattern through runs from storage row 0 up.
inline void FillImage(CNewDIBObject& dib) {
    const uint64_t stride = dib.GetBytesPerLine();
    for (int row = 0; row < dib.GetHeight();) {
        int count = 0;
        BYTE* run = dib.GetDIBBuffer(row, &count, 1);
        ASSERT_TRUE(run && count > 0) << "row " << row;
        for (int k = 0; k < count; k++)
            for (uint64_t c = 0; c < stride; c++) run[k * stride + c] = PatternByte(row + k, c);
        row += count;
    }
}

// Page files go to a fresh directory; 64 MiB of total and 1 MiB of available
// memory make the threshold and the row window both 2 MiB.
class PageFileTest : public ::testing::Test {
protected:
    PageFileTest() : m_memory(64 * kMiB, 1 * kMiB) {
        SetVirtualDirectory(m_dir.dir().c_str());
        SetLoadImageNumber(1);
        SetImageUseMemSize(0);
    }

    // Page files held open (nameless: "#inode"; or their names gone at once)
    // or left on disk.
    std::vector<std::string> PageFiles() const {
        std::vector<std::string> out;
        for (const std::string& name : m_dir.Held())
            if (name.rfind("Page", 0) == 0 || name.rfind("#", 0) == 0) out.push_back(name);
        return out;
    }

    // Creates an image in a page file or in memory, as asked.
    static void Create(ProbeDIB& dib, int width, int height, int bits, bool paged) {
        SetImageUseMemSize(paged ? 0 : ~0ul);
        ASSERT_EQ(dib.CreateDIB(width, height, bits), 1);
        ASSERT_EQ(dib.Mapped(), paged ? 1 : 0);
    }

    TempDir m_dir;
    ScopedSettings m_settings;
    ScopedMemoryFigures m_memory;
};

}  // namespace vtest
