// CNewDIBObject: creating and releasing an image's storage, its getters and
// the whole-image view.
#include "velmora/newdibobject.h"

#include <sys/mman.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

#include "platform/dib_geometry.h"
#include "storage/dib_map_file.h"
#include "storage/header_probe.h"
#include "storage/image_limits.h"
#include "storage/memory_budget.h"
#include "storage/page_file_claim.h"
#include "storage/storage_mode.h"
#include "velmora/environment.h"

namespace {

constexpr LONG kPelsPerMeter = 11811;  // 300 dots per inch

// A large pixel block is filled row by row right after it is made; in huge
// pages that costs a few hundred page faults instead of one per 4 KiB.
void AdviseHugePages(void* block, size_t bytes) {
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + kHuge - 1) & ~(kHuge - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

// A fresh header; the colour table is left for the codecs to fill (zeroed
// here, so an unfilled table reads black rather than garbage).
BITMAPINFO* NewBitmapInfo(int width, int height, int bitCount) {
    auto* info = static_cast<BITMAPINFO*>(std::calloc(1, velmora::HeaderAndTableBytes(bitCount)));
    if (!info) return nullptr;
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biSizeImage = 0;
    h.biXPelsPerMeter = kPelsPerMeter;
    h.biYPelsPerMeter = kPelsPerMeter;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return info;
}

}  // namespace

CNewDIBObject::CNewDIBObject()
    : m_nWidth(0), m_nHeight(0), m_nBitCount(0), m_nBytesPerLine(0), m_pBitmapInfo(nullptr), m_bTransed(0),
      m_bMapped(0), m_pMapFile(nullptr), m_pBits(nullptr), m_nWinRows(0), m_nWinFirst(0), m_nWinEnd(0),
      m_strMapFile("C:\\DIBPage.dat"), m_nShareCount(0), m_pWholeView(nullptr), m_clrTransShow(0),
      m_bShowColorValid(1) {}

CNewDIBObject::~CNewDIBObject() { ReleaseDIB(); }

int CNewDIBObject::CreateDIB(int width, int height, int bitCount) {
    ReleaseDIB();
    // Sizes and limits are checked before anything is allocated or reserved.
    uint64_t bytes = 0;
    if (!velmora::DimensionsWithinLimits(width, height, bitCount, &bytes)) {
        // Nothing of the released image may still be read as if it were there.
        m_nWidth = m_nHeight = m_nBitCount = m_nBytesPerLine = 0;
        return 0;
    }
    // A header-only read: the reader stops here, nothing made.
    if (velmora::TakenByHeaderProbe(width, height, bitCount, bytes)) {
        m_nWidth = m_nHeight = m_nBitCount = m_nBytesPerLine = 0;
        return 0;
    }
    m_nWidth = width;
    m_nHeight = height;
    m_nBitCount = bitCount;
    m_nBytesPerLine = static_cast<int>(velmora::RowStride(width, bitCount, INT_MAX));
    m_pBitmapInfo = NewBitmapInfo(width, height, bitCount);
    if (!m_pBitmapInfo) return 0;
    if (!velmora::ShouldUsePageFile(bytes)) {
        const int made = CreatePixelBlock();
        if (made >= 0) return made;
    }
    return CreatePageFile();
}

int CNewDIBObject::CreatePixelBlock() {
    m_bMapped = 0;
    // A block that cannot be had is a failure, not an image without pixels.
    m_pBits = static_cast<BYTE*>(std::malloc(static_cast<size_t>(GetDIBSize())));
    if (!m_pBits) return 0;
    // Under a process limit the block counts against it at once; when other
    // threads have taken the room meanwhile, the image goes to a page file (-1).
    if (!velmora::ReserveBudget(m_pBits, GetDIBSize())) {
        std::free(m_pBits);
        m_pBits = nullptr;
        return -1;
    }
    AdviseHugePages(m_pBits, static_cast<size_t>(GetDIBSize()));
    return 1;
}

int CNewDIBObject::CreatePageFile() {
    // A page file beyond the limit is one that cannot be had: the header
    // stays, as when the file cannot be made, and nothing is reserved.
    if (!velmora::PageFileWithinLimit(GetDIBSize())) return 0;
    std::unique_ptr<CDIBMapFile> mapFile(new (std::nothrow) CDIBMapFile);
    if (!mapFile) return 0;
    if (!velmora::OpenFreshPageFile(mapFile.get(), GetBytesPerLine(), static_cast<uint64_t>(m_nHeight), &m_strMapFile))
        return 0;
    mapFile->SetWindowBytes(velmora::WindowDivisor(GetLoadImageNumber()), GetImageUseMemSize());
    m_pMapFile = mapFile.release();
    m_bMapped = 1;
    ForgetWindow();
    velmora::AdjustLoadImageNumber(-1);
    return 1;
}

void CNewDIBObject::ReleaseDIB() {
    ++m_nPlacements;
    if (m_bMapped) {
        // Deleting the mapping object unmaps its views and closes the page
        // file, whose name went when it was made (a name SetMapParameter
        // gave since is never touched).
        delete m_pMapFile;
        m_pMapFile = nullptr;
        m_bMapped = 0;
        m_pWholeView = nullptr;
        ForgetWindow();
        velmora::AdjustLoadImageNumber(+1);
    } else if (m_pBits) {
        velmora::ReleaseBudget(m_pBits);
        std::free(m_pBits);
        m_pBits = nullptr;
    }
    std::free(m_pBitmapInfo);
    m_pBitmapInfo = nullptr;
}

int CNewDIBObject::Ready() { return m_bMapped ? m_pMapFile != nullptr : m_pBits != nullptr; }

unsigned long CNewDIBObject::GetBytesPerLine() { return static_cast<unsigned long>(m_nBytesPerLine); }

unsigned long CNewDIBObject::GetDIBSize() {
    return static_cast<unsigned long>(m_nBytesPerLine) * static_cast<unsigned long>(m_nHeight);
}

BITMAPINFO* CNewDIBObject::GetBitmapInfo() {
    // Drawing leaves a window's row count in biHeight.
    if (m_pBitmapInfo) m_pBitmapInfo->bmiHeader.biHeight = m_nHeight;
    return m_pBitmapInfo;
}

void CNewDIBObject::SetMapParameter(const char* name, unsigned long count) {
    m_strMapFile = name;
    m_nShareCount = static_cast<DWORD>(count);
    if (m_pMapFile) m_pMapFile->SetWindowBytes(count, 0);
}

BYTE* CNewDIBObject::GetGlobalDIBits() {
    if (!m_bMapped) return m_pBits;
    m_pWholeView = m_pMapFile ? m_pMapFile->MapWholeView() : nullptr;
    return m_pWholeView;
}

void CNewDIBObject::ReleaseGlobalDIBits() {
    if (!m_bMapped || !m_pMapFile) return;
    m_pMapFile->UnmapWholeView();
    m_pWholeView = nullptr;
}

BYTE* CNewDIBObject::GetDIBits() { return GetGlobalDIBits(); }
