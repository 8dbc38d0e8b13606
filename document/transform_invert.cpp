// CNewDIB::InvertColor: a photographic negative. Palette images change only
// their colour table; 24-bit images complement their pixel bytes.
#include <cstdint>
#include <cstring>

#include "frame/progress.h"
#include "platform/dib_geometry.h"
#include "storage/row_walker.h"
#include "environment/texts.h"
#include "velmora/newdib.h"

namespace velmora {
namespace {

void ComplementBytes(BYTE* bytes, size_t count) {
    size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        word = ~word;
        std::memcpy(bytes + i, &word, 8);
    }
    for (; i < count; ++i) bytes[i] = static_cast<BYTE>(~bytes[i]);
}

// Blue, green and red of every entry; the reserved byte stays.
void InvertColorTable(RGBQUAD* colors, int bitCount, const ProgressReporter& progress) {
    const unsigned entries = 1u << bitCount;
    for (unsigned k = 0; k < entries; ++k) {
        colors[k].rgbBlue = static_cast<BYTE>(~colors[k].rgbBlue);
        colors[k].rgbGreen = static_cast<BYTE>(~colors[k].rgbGreen);
        colors[k].rgbRed = static_cast<BYTE>(~colors[k].rgbRed);
        progress.Step(StepPercent(k, entries - 1));
    }
}

// 16-bit pixels hold five bits each of red, green and blue; the top bit stays.
void ComplementColourBits16(BYTE* row, int width) {
    for (int x = 0; x < width; ++x) {
        row[2 * x] = static_cast<BYTE>(~row[2 * x]);
        row[2 * x + 1] = static_cast<BYTE>(row[2 * x + 1] ^ 0x7F);
    }
}

// 32-bit pixels: blue, green and red; the fourth byte stays.
void ComplementColourBytes32(BYTE* row, int width) {
    for (int x = 0; x < width; ++x)
        for (int c = 0; c < 3; ++c) row[4 * x + c] = static_cast<BYTE>(~row[4 * x + c]);
}

void InvertRow(BYTE* row, int width, int bitCount) {
    if (bitCount == 16) return ComplementColourBits16(row, width);
    if (bitCount == 32) return ComplementColourBytes32(row, width);
    ComplementBytes(row, PixelBytes(width, bitCount));
}

// The pixels of each row; the padding up to the stride stays.
bool InvertPixelRows(CNewDIBObject& image, const ProgressReporter& progress) {
    const int height = image.GetHeight();
    // The progress message may move the window: the row is asked for anew.
    RowWalker rows(&image, RowOrder::BottomUp);
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows.Row(y);
        if (!row) return false;
        InvertRow(row, image.GetWidth(), image.GetBitCount());
        progress.Step(StepPercent(static_cast<unsigned long long>(y), static_cast<unsigned long long>(height - 1)));
    }
    return true;
}

}  // namespace
}  // namespace velmora

int CNewDIB::InvertColor() {
    BYTE* dib = GetDIB();
    if (!dib) return 0;
    const velmora::ProgressReporter progress = velmora::MainWindowProgress();
    progress.Begin(velmora::text::kInverting);
    bool ok = true;
    if (m_nBitCount == 1 || m_nBitCount == 4 || m_nBitCount == 8) {
        velmora::InvertColorTable(reinterpret_cast<BITMAPINFO*>(dib)->bmiColors, m_nBitCount, progress);
    } else if (m_nBitCount == 16 || m_nBitCount == 24 || m_nBitCount == 32) {
        ok = velmora::InvertPixelRows(*this, progress);
    }
    progress.End();
    return ok ? 1 : 0;
}
