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

// Page files go to a fresh directory; 64 MiB of total and 1 MiB of available
// memory make the threshold and the row window both 2 MiB.
class PageFileTest : public ::testing::Test {
protected:
    PageFileTest() : m_memory(64 * kMiB, 1 * kMiB) {
        SetVirtualDirectory(m_dir.dir().c_str());
        SetLoadImageNumber(1);
        SetImageUseMemSize(0);
    }

    std::vector<std::string> PageFiles() const {
        std::vector<std::string> out;
        for (const std::string& name : m_dir.List())
            if (name.rfind("Page", 0) == 0) out.push_back(name);
        return out;
    }

    TempDir m_dir;
    ScopedSettings m_settings;
    ScopedMemoryFigures m_memory;
};

// The byte at `column` of storage row `row` in the test pattern.
inline BYTE PatternByte(int row, uint64_t column) { return static_cast<BYTE>(row * 7 + column * 13 + (row >> 8)); }

inline void FillRow(BYTE* p, uint64_t stride, int row) {
    for (uint64_t c = 0; c < stride; c++) p[c] = PatternByte(row, c);
}

inline bool RowMatches(const BYTE* p, uint64_t stride, int row) {
    for (uint64_t c = 0; c < stride; c++)
        if (p[c] != PatternByte(row, c)) return false;
    return true;
}

// Fills every storage row with its pattern through runs from storage row 0
// upwards.
inline void FillImage(CNewDIBObject& dib) {
    const uint64_t stride = dib.GetBytesPerLine();
    for (int row = 0; row < dib.GetHeight();) {
        int count = 0;
        BYTE* run = dib.GetDIBBuffer(row, &count, 1);
        ASSERT_NE(run, nullptr) << "row " << row;
        ASSERT_GT(count, 0);
        for (int k = 0; k < count; k++) FillRow(run + k * stride, stride, row + k);
        row += count;
    }
}

}  // namespace vtest
