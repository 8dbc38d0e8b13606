// CNewDIB::WidenDepth: rows unpacked and packed again at the wider depth,
// window by window.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/dib_geometry.h"
#include "storage/pixel_unpack.h"
#include "storage/row_walker.h"
#include "velmora/newdib.h"

namespace {

bool Widens(int from, int to) {
    if (from >= 1 && from < to && to <= 8) return true;
    return (from == 16 || from == 32) && to == 24;
}

bool CreateWide(CNewDIBObject& source, int bitCount, CNewDIBObject& wide) {
    if (!wide.CreateDIB(source.GetWidth(), source.GetHeight(), bitCount) || !wide.Ready()) return false;
    const BITMAPINFOHEADER& from = source.GetBitmapInfo()->bmiHeader;
    BITMAPINFOHEADER& header = wide.GetBitmapInfo()->bmiHeader;
    header.biXPelsPerMeter = from.biXPelsPerMeter;
    header.biYPelsPerMeter = from.biYPelsPerMeter;
    if (bitCount > 8) return true;
    RGBQUAD* table = velmora::ColorTableOf(wide.GetBitmapInfo());
    const RGBQUAD* old = velmora::ColorTableOf(source.GetBitmapInfo());
    std::fill(table, table + velmora::ColorEntries(bitCount), RGBQUAD{0, 0, 0, 0});
    std::copy(old, old + velmora::ColorEntries(source.GetBitCount()), table);
    return true;
}

// One row of `source` (a copy, since two images' windows may not both be
// placed) into `target`, its padding zero.
void WidenRow(const BYTE* source, int width, int from, int to, std::vector<BYTE>& unpacked, BYTE* target,
              size_t stride) {
    std::memset(target, 0, stride);
    if (to <= 8) {
        velmora::pixels::RowToIndices(source, width, from, unpacked.data());
        velmora::pixels::RowFromIndices(unpacked.data(), width, to, target);
    } else {
        std::memcpy(target, velmora::pixels::RowAsBgr(source, width, from, nullptr, unpacked.data()),
                    static_cast<size_t>(width) * 3);
    }
}

}  // namespace

int CNewDIB::WidenDepth(int bitCount) {
    const int from = GetBitCount(), width = GetWidth(), height = GetHeight();
    if (!GetDIB() || !Widens(from, bitCount)) return 0;
    CNewDIBObject wide;
    if (!CreateWide(*this, bitCount, wide)) return 0;
    std::vector<BYTE> row(static_cast<size_t>(GetBytesPerLine())), unpacked(static_cast<size_t>(width) * 3);
    velmora::RowWalker in(this, velmora::RowOrder::TopDown), out(&wide, velmora::RowOrder::TopDown);
    const size_t stride = static_cast<size_t>(wide.GetBytesPerLine());
    for (int y = 0; y < height; ++y) {
        const BYTE* source = in.Row(y);
        if (!source) return 0;
        std::copy(source, source + row.size(), row.begin());
        BYTE* target = out.Row(y);
        if (!target) return 0;
        WidenRow(row.data(), width, from, bitCount, unpacked, target, stride);
    }
    SwapStorage(wide);
    wide.ReleaseDIB();  // the old storage, with its page file if it had one
    m_nGrayProp = 0;
    return 1;
}
