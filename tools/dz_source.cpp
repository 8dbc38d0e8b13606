#include "tools/dz_source.h"

#include <algorithm>

namespace velmora::cli {

namespace {

// Bytes of natural pixels read at once: a band, never the whole image.
constexpr std::size_t kBandBytes = 4u << 20;

void PixelRgb(const std::uint8_t* in, int channels, const std::vector<Rgb>& palette, std::uint8_t* out) {
    if (channels == 1) {
        const Rgb c = in[0] < palette.size() ? palette[in[0]] : Rgb{in[0], in[0], in[0]};
        std::copy(c.begin(), c.end(), out);
    } else {
        std::copy(in, in + 3, out);
    }
}

// Calls `row` with picture rows [first, first + count) in natural form.
void ReadBands(const Image& image, int first, int count, const std::function<void(const std::uint8_t*)>& row) {
    const int end = std::min(image.height(), first + count);
    const std::size_t natural = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.channels());
    const int band = static_cast<int>(std::clamp<std::size_t>(kBandBytes / std::max<std::size_t>(natural, 1), 1,
                                                              static_cast<std::size_t>(std::max(1, end - first))));
    std::vector<std::uint8_t> pixels(natural * static_cast<std::size_t>(band));
    for (int top = first; top < end; top += band) {
        const int rows = std::min(band, end - top);
        image.copy_pixels(top, rows, pixels.data(), pixels.size());
        for (int k = 0; k < rows; ++k) row(pixels.data() + natural * static_cast<std::size_t>(k));
    }
}

}  // namespace

void StreamRgbRows(const Image& image, int first, int count, const RgbRowSink& row) {
    const int width = image.width(), channels = image.channels();
    const std::vector<Rgb> palette = image.palette();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    ReadBands(image, first, count, [&](const std::uint8_t* in) {
        for (int x = 0; x < width; ++x) PixelRgb(in + x * channels, channels, palette, rgb.data() + 3 * x);
        row(rgb.data());
    });
}

void SampleRgbRows(const Image& image, const std::vector<int>& rows, const std::vector<int>& columns,
                   const RgbRowSink& row) {
    const int channels = image.channels();
    const std::vector<Rgb> palette = image.palette();
    std::vector<std::uint8_t> rgb(columns.size() * 3);
    const auto pick = [&](const std::uint8_t* in) {
        for (std::size_t k = 0; k < columns.size(); ++k)
            PixelRgb(in + static_cast<std::size_t>(columns[k]) * channels, channels, palette, rgb.data() + 3 * k);
        row(rgb.data());
    };
    // Runs of consecutive rows are read as bands.
    for (std::size_t k = 0; k < rows.size();) {
        std::size_t end = k + 1;
        while (end < rows.size() && rows[end] == rows[end - 1] + 1) ++end;
        ReadBands(image, rows[k], static_cast<int>(end - k), pick);
        k = end;
    }
}

}  // namespace velmora::cli
