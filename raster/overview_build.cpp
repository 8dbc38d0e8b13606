#include "raster/overview_build.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <type_traits>

#include "raster/sample_dispatch.h"

namespace velmora::raster {

namespace {

template <class T>
T Rounded(double v) {
    if constexpr (std::is_floating_point_v<T>) {
        return static_cast<T>(v);
    } else {
        const double r = std::floor(v + 0.5);
        const double lo = double(std::numeric_limits<T>::lowest()), hi = double(std::numeric_limits<T>::max());
        return r <= lo ? std::numeric_limits<T>::lowest() : r >= hi ? std::numeric_limits<T>::max() : static_cast<T>(r);
    }
}

// The source pixels one output block covers, and the buffers it is made in.
template <class T>
class BlockReducer {
public:
    BlockReducer(const ReductionJob& job, const RasterProfile& profile)
        : m_job(job), m_bands(uint32_t(profile.count)), m_nodata(profile.nodata),
          m_srcRow(BlockRowBytes(job.from, profile)), m_dstRow(BlockRowBytes(job.to, profile)),
          m_source(m_srcRow * job.from.blockHeight / sizeof(T)), m_out(m_dstRow * job.to.blockHeight / sizeof(T)) {}

    uint8_t* Reduce(uint32_t index) {
        m_window = m_job.to.BlockWindow(index);
        const int64_t s = m_job.step;
        const int64_t col0 = m_window.col * s, row0 = m_window.row * s;
        const int64_t col1 = std::min<int64_t>((m_window.col + m_window.width) * s, m_job.from.width);
        const int64_t row1 = std::min<int64_t>((m_window.row + m_window.height) * s, m_job.from.height);
        const size_t samples = size_t(m_job.to.blockWidth) * m_job.to.blockHeight * m_bands;
        m_sum.assign(samples, 0.0);
        m_count.assign(samples, 0);
        for (int64_t by = row0 / m_job.from.blockHeight; by * m_job.from.blockHeight < row1; ++by)
            for (int64_t bx = col0 / m_job.from.blockWidth; bx * m_job.from.blockWidth < col1; ++bx)
                Take(uint32_t(by * m_job.from.across + bx));
        Finish();
        return reinterpret_cast<uint8_t*>(m_out.data());
    }

private:
    // The output sample of pixel (x, y) of the block, band b.
    size_t At(int64_t x, int64_t y, uint32_t b) const { return (size_t(y) * m_job.to.blockWidth + size_t(x)) * m_bands + b; }

    void Take(uint32_t block) {
        ReadBlock(m_job.source, m_job.from, m_srcRow, block, reinterpret_cast<uint8_t*>(m_source.data()), m_job.fill);
        const RasterWindow w = m_job.from.BlockWindow(block);
        if (m_job.resampling == Resampling::nearest) return TakeNearest(w);
        const int64_t s = m_job.step;
        for (int64_t y = w.row; y < w.row + w.height; ++y) {
            const int64_t dy = y / s - m_window.row;
            if (dy < 0 || dy >= m_window.height) continue;
            const T* row = m_source.data() + size_t(y - w.row) * m_job.from.blockWidth * m_bands;
            for (int64_t x = w.col; x < w.col + w.width; ++x) {
                const int64_t dx = x / s - m_window.col;
                if (dx < 0 || dx >= m_window.width) continue;
                for (uint32_t b = 0; b < m_bands; ++b) {
                    const double v = double(row[size_t(x - w.col) * m_bands + b]);
                    if (std::isnan(v) || (m_nodata && v == *m_nodata)) continue;
                    m_sum[At(dx, dy, b)] += v;
                    ++m_count[At(dx, dy, b)];
                }
            }
        }
    }

    int64_t Pick(int64_t d, int64_t limit) const { return std::min<int64_t>(d * m_job.step + m_job.step / 2, limit - 1); }

    void TakeNearest(const RasterWindow& w) {
        for (int64_t dy = 0; dy < m_window.height; ++dy) {
            const int64_t y = Pick(m_window.row + dy, m_job.from.height);
            if (y < w.row || y >= w.row + w.height) continue;
            for (int64_t dx = 0; dx < m_window.width; ++dx) {
                const int64_t x = Pick(m_window.col + dx, m_job.from.width);
                if (x < w.col || x >= w.col + w.width) continue;
                const T* in = m_source.data() + (size_t(y - w.row) * m_job.from.blockWidth + size_t(x - w.col)) * m_bands;
                for (uint32_t b = 0; b < m_bands; ++b) {
                    m_out[At(dx, dy, b)] = in[b];
                    m_count[At(dx, dy, b)] = 1;
                }
            }
        }
    }

    void Finish() {
        T fill;
        std::memcpy(&fill, m_job.fill.data(), sizeof fill);
        for (size_t i = 0; i < m_sum.size(); ++i)
            if (m_count[i] == 0) m_out[i] = fill;
            else if (m_job.resampling == Resampling::average) m_out[i] = Rounded<T>(m_sum[i] / m_count[i]);
    }

    const ReductionJob& m_job;
    uint32_t m_bands;
    std::optional<double> m_nodata;
    uint64_t m_srcRow, m_dstRow;
    std::vector<T> m_source, m_out;
    std::vector<double> m_sum;
    std::vector<uint32_t> m_count;
    RasterWindow m_window;
};

}  // namespace

void BuildReducedLevel(const ReductionJob& job, const RasterProfile& profile, TIFF* out, const std::string& path,
                       const TiffMessages& messages) {
    WithSampleType(profile.type, [&](auto sample) {
        BlockReducer<decltype(sample)> reducer(job, profile);
        const uint64_t rowBytes = BlockRowBytes(job.to, profile);
        for (uint32_t index = 0; index < job.to.Blocks(); ++index)
            WriteBlock(out, job.to, rowBytes, index, reducer.Reduce(index), path, messages);
    });
}

}  // namespace velmora::raster
