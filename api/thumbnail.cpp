// Thumbnails by area averaging: each target pixel the mean of the source
// pixels it covers, the source read once from top to bottom.
#include "api/thumbnail.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "api/pixel_rows.h"
#include "storage/row_walker.h"

namespace velmora::api {

namespace {

// The sums of the source pixels falling into one target row.
class RowAccumulator {
public:
    RowAccumulator(int srcWidth, int dstWidth) : m_sums(static_cast<size_t>(dstWidth) * 3), m_first(dstWidth + 1) {
        for (int x = 0; x <= dstWidth; ++x)
            m_first[x] = static_cast<int>(static_cast<int64_t>(x) * srcWidth / dstWidth);
    }
    void Add(const uint8_t* rgb) {
        for (size_t x = 0; x + 1 < m_first.size(); ++x)
            for (int s = m_first[x]; s < m_first[x + 1]; ++s)
                for (int c = 0; c < 3; ++c) m_sums[3 * x + c] += rgb[3 * s + c];
        ++m_rows;
    }
    // Writes the means as a DIB row (blue first) and starts again.
    void Flush(BYTE* row) {
        for (size_t x = 0; x + 1 < m_first.size(); ++x) {
            const uint64_t n = static_cast<uint64_t>(m_first[x + 1] - m_first[x]) * static_cast<uint64_t>(m_rows);
            for (int c = 0; c < 3; ++c) row[3 * x + 2 - c] = static_cast<BYTE>((m_sums[3 * x + c] + n / 2) / std::max<uint64_t>(n, 1));
        }
        std::fill(m_sums.begin(), m_sums.end(), 0);
        m_rows = 0;
    }

private:
    std::vector<uint64_t> m_sums;
    std::vector<int> m_first;  // first source column of each target column
    int m_rows = 0;
};

}  // namespace

void ThumbnailSize(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    const double scale = std::min({1.0, static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height});
    *outWidth = std::clamp(static_cast<int>(std::lround(width * scale)), 1, std::min(width, boxWidth));
    *outHeight = std::clamp(static_cast<int>(std::lround(height * scale)), 1, std::min(height, boxHeight));
}

bool MakeThumbnail(CNewDIB& src, int boxWidth, int boxHeight, CNewDIB* out) {
    const int width = src.GetWidth(), height = src.GetHeight(), bits = src.GetBitCount();
    int tw = 0, th = 0;
    ThumbnailSize(width, height, boxWidth, boxHeight, &tw, &th);
    if (!out->CreateDIB(tw, th, 24)) return false;
    int entries = 0;
    const RGBQUAD* palette = bits <= 8 ? src.GetRGBQuad(&entries) : nullptr;
    if (bits <= 8 && !palette) return false;
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * 3);
    std::vector<BYTE> target(static_cast<size_t>(tw) * 3);
    RowAccumulator sums(width, tw);
    int ty = 0;
    int nextFlush = static_cast<int>(static_cast<int64_t>(1) * height / th);
    RowWalker dst(out, RowOrder::TopDown);
    return WalkRows(src, RowOrder::TopDown, 0, height, height, [&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k) {
            RowToRgb(piece.Row(k), width, bits, palette, rgb.data());
            sums.Add(rgb.data());
            while (piece.first + k + 1 >= nextFlush && ty < th) {
                sums.Flush(target.data());
                BYTE* row = dst.Row(ty);
                if (!row) return false;
                std::copy(target.begin(), target.end(), row);
                ++ty;
                nextFlush = static_cast<int>(static_cast<int64_t>(ty + 1) * height / th);
            }
        }
        return true;
    });
}

}  // namespace velmora::api
