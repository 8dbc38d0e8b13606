// Copying one image into another, and exchanging two images' storage.
#include <algorithm>
#include <cstring>
#include <utility>

#include "storage/dib_map_file.h"
#include "velmora/newdibobject.h"

namespace {

// Page files are copied through short-lived views of this many bytes, so a
// copy neither maps whole files nor disturbs either image's row window or
// whole view. A multiple of any allocation granularity up to 1 MiB.
constexpr uint64_t kCopyChunk = 8u * 1024u * 1024u;

// The pixel bytes of an image: a block in memory, or its page file.
struct PixelBytes {
    BYTE* block;
    CDIBMapFile* file;

    BYTE* Map(uint64_t offset, uint64_t length) const { return block ? block + offset : file->MapRange(offset, length); }
    void Unmap(BYTE* view, uint64_t length) const {
        if (!block) CDIBMapFile::UnmapRange(view, length);
    }
};

bool CopyBytes(const PixelBytes& from, const PixelBytes& to, uint64_t size) {
    for (uint64_t offset = 0; offset < size; offset += kCopyChunk) {
        const uint64_t length = std::min(kCopyChunk, size - offset);
        BYTE* src = from.Map(offset, length);
        if (!src) return false;
        BYTE* dst = to.Map(offset, length);
        if (!dst) {
            from.Unmap(src, length);
            return false;
        }
        std::memcpy(dst, src, static_cast<size_t>(length));
        to.Unmap(dst, length);
        from.Unmap(src, length);
    }
    return true;
}

}  // namespace

int CNewDIBObject::CopyDIBObject(CNewDIBObject* src) {
    if (!src || !src->Ready() || !src->m_pBitmapInfo) return 0;
    if (src == this) return 1;
    if (!CreateDIB(src->m_nWidth, src->m_nHeight, src->m_nBitCount)) return 0;
    // The source's whole header comes along: compression, resolution,
    // colour counts and colour table.
    std::memcpy(m_pBitmapInfo, src->GetBitmapInfo(), sizeof(BITMAPINFOHEADER) + static_cast<size_t>(GetPaletteSize()));
    const PixelBytes from{src->m_bMapped ? nullptr : src->m_pBits, src->m_pMapFile};
    const PixelBytes to{m_bMapped ? nullptr : m_pBits, m_pMapFile};
    if (!CopyBytes(from, to, GetDIBSize())) {
        ReleaseDIB();
        return 0;
    }
    m_bTransed = src->m_bTransed;
    m_TransClrs.Copy(src->m_TransClrs);
    return 1;
}

void CNewDIBObject::SwapStorage(CNewDIBObject& other) {
    std::swap(m_nWidth, other.m_nWidth);
    std::swap(m_nHeight, other.m_nHeight);
    std::swap(m_nBitCount, other.m_nBitCount);
    std::swap(m_nBytesPerLine, other.m_nBytesPerLine);
    std::swap(m_pBitmapInfo, other.m_pBitmapInfo);
    std::swap(m_bMapped, other.m_bMapped);
    std::swap(m_pMapFile, other.m_pMapFile);
    std::swap(m_pBits, other.m_pBits);
    std::swap(m_nWinRows, other.m_nWinRows);
    std::swap(m_nWinFirst, other.m_nWinFirst);
    std::swap(m_nWinEnd, other.m_nWinEnd);
    std::swap(m_strMapFile, other.m_strMapFile);
    std::swap(m_nShareCount, other.m_nShareCount);
    std::swap(m_pWholeView, other.m_pWholeView);
    ++m_nPlacements;
    ++other.m_nPlacements;
}
