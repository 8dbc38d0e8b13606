// CNewDIB::RightRotate and LeftRotate: a quarter turn into a second image,
// which then takes the place of the document's storage.
//
// An image in one run turns in bands: a band of destination rows is filled
// by one sweep over the source. An image spread over several windows turns
// through strips of a scratch file instead (transform_rotate_strips.h), so
// that its disk traffic grows with the image, not with its square.
#include <algorithm>
#include <climits>
#include <cstring>

#include "frame/progress.h"
#include "platform/dib_geometry.h"
#include "document/transform_rotate_kernel.h"
#include "document/transform_rotate_strips.h"
#include "storage/row_walker.h"
#include "environment/texts.h"
#include "velmora/newdib.h"

namespace velmora {
namespace {

bool InOneRun(CNewDIBObject& src) {
    int count = 0;
    return src.GetDIBBuffer(0, &count, 1) && count >= src.GetHeight();
}

// Sweeping a source in one run again costs nothing; bands are kept to about
// a thirty-second of the rows so the progress messages come as the work goes
// rather than all at the end.
int BandLimit(int destinationRows) { return std::max(64, (destinationRows + 31) / 32); }

// Creates `dst` with width and height exchanged and the source's header and
// colour table. False leaves nothing to undo: `dst` releases what it holds.
bool CreateTurnedImage(CNewDIBObject& src, CNewDIBObject& dst) {
    const int width = src.GetWidth();
    const int height = src.GetHeight();
    const int bitCount = src.GetBitCount();
    if (!dst.CreateDIB(height, width, bitCount) || !dst.Ready()) return false;
    BITMAPINFO* header = dst.GetBitmapInfo();
    if (!header) return false;
    std::memcpy(header, src.GetBitmapInfo(), velmora::HeaderAndTableBytes(bitCount));
    header->bmiHeader.biWidth = height;
    header->bmiHeader.biHeight = width;
    return true;
}

bool FillTurnedImageByBands(CNewDIBObject& src, CNewDIBObject& dst, const TurnGeometry& g, const ProgressReporter& progress) {
    const int bandLimit = BandLimit(g.width);
    for (int first = 0; first < g.width;) {
        int count = 0;
        BYTE* bits = dst.GetDIBBuffer(first, &count, 1);
        if (!bits || count <= 0) return false;
        // The band stays valid while the source moves its own window.
        const RowPiece band{first, std::min({count, bandLimit, g.width - first}), g.dstStride, RowOrder::BottomUp, bits};
        ClearRowTails(band, g);
        const bool swept = WalkRows(src, RowOrder::BottomUp, 0, g.height, INT_MAX, [&](const RowPiece& run) {
            TurnBlock(run, band, g);
            return true;
        });
        if (!swept) return false;
        for (int i = band.first; i < band.first + band.count; ++i)
            progress.Step(StepPercent(static_cast<unsigned long long>(i), static_cast<unsigned long long>(g.width)));
        first += band.count;
    }
    return true;
}

// Turns `src` into a new image and hands it to `replace`, which takes it
// over as the document's storage. The document is untouched on failure.
template <class Replace>
int TurnImage(CNewDIBObject& src, Turn turn, Replace&& replace) {
    const int bitCount = src.GetBitCount();
    if (!CanTurn(bitCount)) return 0;
    CNewDIBObject turned;
    if (!CreateTurnedImage(src, turned)) return 0;
    const TurnGeometry g{src.GetWidth(),        src.GetHeight(),          bitCount,
                         src.GetBytesPerLine(), turned.GetBytesPerLine(), turn};
    const ProgressReporter progress = MainWindowProgress();
    progress.Begin(text::kRotating);
    const bool filled = InOneRun(src) ? FillTurnedImageByBands(src, turned, g, progress)
                                      : FillTurnedImageByStrips(src, turned, g, progress);
    if (filled) {
        replace(turned);
        turned.ReleaseDIB();  // the old storage, with its page file if it had one
    }
    progress.End();
    return filled ? 1 : 0;
}

}  // namespace
}  // namespace velmora

int CNewDIB::RightRotate() {
    if (!GetDIB()) return 0;
    return velmora::TurnImage(*this, velmora::Turn::kClockwise, [this](CNewDIBObject& t) { SwapStorage(t); });
}

int CNewDIB::LeftRotate() {
    if (!GetDIB()) return 0;
    return velmora::TurnImage(*this, velmora::Turn::kCounterClockwise, [this](CNewDIBObject& t) { SwapStorage(t); });
}
