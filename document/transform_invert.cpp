// CNewDIB::InvertColor: a photographic negative. Palette images change only
// their colour table; 24-bit images complement their pixel bytes.
#include <cstdint>
#include <cstring>

#include "document/progress.h"
#include "document/transform_rows.h"
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

// The pixel bytes of each row; the padding up to the stride stays.
bool InvertPixelRows(CNewDIBObject& image, const ProgressReporter& progress) {
    const int height = image.GetHeight();
    const size_t stride = image.GetBytesPerLine();
    const size_t pixelBytes = PixelBytes(image.GetWidth(), image.GetBitCount());
    return ForEachRowRun(image, 0, height, [&](const RowRun& run) {
        for (int k = 0; k < run.count; ++k) {
            ComplementBytes(run.Row(k, stride), pixelBytes);
            progress.Step(StepPercent(static_cast<unsigned long long>(run.first + k),
                                      static_cast<unsigned long long>(height - 1)));
        }
    });
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
    } else if (m_nBitCount == 24) {
        ok = velmora::InvertPixelRows(*this, progress);
    }
    progress.End();
    return ok ? 1 : 0;
}
