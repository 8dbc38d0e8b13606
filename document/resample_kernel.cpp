#include "document/resample_kernel.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace velmora::resample {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kLobes = 3.0;

double Sinc(double x) { return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x); }

double Lanczos(double x) { return std::fabs(x) < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0; }

// For each of `to` outputs over a source of `from` pixels spanning `span`
// pixel widths: centres mapped into the source, the kernel widened by the
// reduction (never narrowed below one pixel), edges clamped into the image.
std::vector<Taps> TapsFor(int from, double span, int to) {
    const double scale = span / to;
    const double stretch = std::max(1.0, scale);
    const double support = kLobes * stretch;
    std::vector<Taps> all(static_cast<size_t>(to));
    for (int i = 0; i < to; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = std::max(0, static_cast<int>(std::floor(centre - support)) + 1);
        const int hi = std::min(from - 1, static_cast<int>(std::ceil(centre + support)) - 1);
        Taps& t = all[static_cast<size_t>(i)];
        double total = 0;
        std::vector<double> w;
        for (int s = lo; s <= hi; ++s) {
            w.push_back(Lanczos((s - centre) / stretch));
            total += w.back();
        }
        if (w.empty() || total == 0.0) {  // a centre beyond the edge: the nearest pixel
            t.first = std::clamp(static_cast<int>(std::lround(centre)), 0, from - 1);
            t.weights = {1.0f};
            continue;
        }
        t.first = lo;
        for (double v : w) t.weights.push_back(static_cast<float>(v / total));
    }
    return all;
}

}  // namespace

void FitInside(int width, int height, int boxWidth, int boxHeight, int* outWidth, int* outHeight) {
    const double scale = std::min(static_cast<double>(boxWidth) / width, static_cast<double>(boxHeight) / height);
    *outWidth = std::clamp(static_cast<int>(std::lround(width * scale)), 1, boxWidth);
    *outHeight = std::clamp(static_cast<int>(std::lround(height * scale)), 1, boxHeight);
}

int BoxFactor(int from, int to) {
    const int factor = to > 0 ? from / to : 1;
    return std::max(1, factor / 2);
}

BoxedSize Boxed(int width, int height, int kx, int ky) {
    return BoxedSize{(width + kx - 1) / kx, (height + ky - 1) / ky, static_cast<double>(width) / kx,
                     static_cast<double>(height) / ky};
}

BoxShrinker::BoxShrinker(int width, int height, int kx, int ky, EmitRow emit, int channels)
    : m_width(width), m_height(height), m_kx(kx), m_ky(ky), m_channels(channels), m_size(Boxed(width, height, kx, ky)),
      m_emit(std::move(emit)) {
    m_sums.assign(static_cast<size_t>(m_size.width) * channels, 0);
    m_row.assign(static_cast<size_t>(m_size.width) * channels, 0.0f);
}

size_t BoxShrinker::WorkingBytes() const { return m_sums.size() * sizeof(uint64_t) + m_row.size() * sizeof(float); }

namespace {

void AddColours(const uint8_t* p, int n, uint64_t* sum) {
    uint64_t b = 0, g = 0, r = 0;
    for (int k = 0; k < n; ++k, p += 3) {
        b += p[0];
        g += p[1];
        r += p[2];
    }
    sum[0] += b;
    sum[1] += g;
    sum[2] += r;
}

void AddPremultiplied(const uint8_t* p, int n, uint64_t* sum) {
    uint64_t b = 0, g = 0, r = 0, a = 0;
    for (int k = 0; k < n; ++k, p += 4) {
        const unsigned alpha = p[3];
        b += p[0] * alpha;
        g += p[1] * alpha;
        r += p[2] * alpha;
        a += alpha;
    }
    sum[0] += b;
    sum[1] += g;
    sum[2] += r;
    sum[3] += a;
}

// One row across: each output pixel the weighted sum of its taps.
template <int Channels>
void ResampleRow(const float* in, const std::vector<Taps>& across, float* out) {
    for (size_t x = 0; x < across.size(); ++x) {
        const Taps& t = across[x];
        float acc[Channels] = {};
        const float* p = in + static_cast<size_t>(t.first) * Channels;
        for (float w : t.weights) {
            for (int c = 0; c < Channels; ++c) acc[c] += w * p[c];
            p += Channels;
        }
        for (int c = 0; c < Channels; ++c) out[x * Channels + c] = acc[c];
    }
}

}  // namespace

void BoxShrinker::AddRow(const uint8_t* pixels) {
    uint64_t* sum = m_sums.data();
    const size_t channels = static_cast<size_t>(m_channels);
    for (int x = 0; x < m_width; x += m_kx, sum += channels) {
        const uint8_t* p = pixels + static_cast<size_t>(x) * channels;
        const int n = std::min(m_kx, m_width - x);
        if (channels == 4) AddPremultiplied(p, n, sum);
        else AddColours(p, n, sum);
    }
    if (++m_rowsInBand == m_ky) FlushBand();
}

void BoxShrinker::FlushBand() {
    if (m_rowsInBand == 0 || m_outRow >= m_size.height) return;
    float* out = m_row.data();
    const size_t channels = static_cast<size_t>(m_channels);
    for (int j = 0; j < m_size.width; ++j) {
        const int columns = std::min(m_kx, m_width - j * m_kx);
        const float inverse = 1.0f / static_cast<float>(columns * m_rowsInBand);
        for (size_t c = 0; c < channels; ++c)
            out[j * channels + c] = static_cast<float>(m_sums[static_cast<size_t>(j) * channels + c]) * inverse;
    }
    std::fill(m_sums.begin(), m_sums.end(), 0);
    m_rowsInBand = 0;
    ++m_outRow;
    m_emit(out);
}

Lanczos3Rows::Lanczos3Rows(const BoxedSize& source, int width, int height, EmitRow emit, int channels)
    : m_width(width), m_height(height), m_channels(channels), m_across(TapsFor(source.width, source.spanX, width)),
      m_down(TapsFor(source.height, source.spanY, height)), m_emit(std::move(emit)) {
    // Output row y is made when its last row comes in (or when an earlier
    // output row's last does, if later): the ring holds from its first row.
    int latest = 0;
    for (int y = 0; y < height; ++y) {
        latest = std::max(latest, LastRow(y));
        m_ringRows = std::max(m_ringRows, latest - m_down[static_cast<size_t>(y)].first + 1);
    }
    m_ring.assign(static_cast<size_t>(m_ringRows) * width * channels, 0.0f);
    m_out.assign(static_cast<size_t>(width) * channels, 0.0f);
}

int Lanczos3Rows::LastRow(int y) const {
    const Taps& t = m_down[static_cast<size_t>(y)];
    return t.first + static_cast<int>(t.weights.size()) - 1;
}

size_t Lanczos3Rows::WorkingBytes() const {
    size_t taps = (m_across.size() + m_down.size()) * sizeof(Taps);
    for (const auto* all : {&m_across, &m_down})
        for (const Taps& t : *all) taps += t.weights.size() * sizeof(float);
    return taps + (m_ring.size() + m_out.size()) * sizeof(float);
}

void Lanczos3Rows::AddRow(const float* in) {
    float* out = m_ring.data() + static_cast<size_t>(m_received % m_ringRows) * m_width * m_channels;
    if (m_channels == 4) ResampleRow<4>(in, m_across, out);
    else ResampleRow<3>(in, m_across, out);
    ++m_received;
    EmitReady();
}

void Lanczos3Rows::EmitReady() {
    for (; m_next < m_height && LastRow(m_next) < m_received; ++m_next) {
        const Taps& t = m_down[static_cast<size_t>(m_next)];
        std::fill(m_out.begin(), m_out.end(), 0.0f);
        for (size_t k = 0; k < t.weights.size(); ++k) {
            const float w = t.weights[k];
            const int row = t.first + static_cast<int>(k);
            const float* in = m_ring.data() + static_cast<size_t>(row % m_ringRows) * m_width * m_channels;
            for (int i = 0; i < m_width * m_channels; ++i) m_out[static_cast<size_t>(i)] += w * in[i];
        }
        m_emit(m_out.data());
    }
}

}  // namespace velmora::resample
