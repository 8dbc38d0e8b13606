#include "tools/dz_source.h"

#include <algorithm>
#include <vector>

namespace velmora::cli {

namespace {

// Bytes of natural pixels read at once: a band, never the whole image.
constexpr std::size_t kBandBytes = 4u << 20;

void ToRgb(const std::uint8_t* in, int width, int channels, const std::vector<Rgb>& palette, std::uint8_t* out) {
    for (int x = 0; x < width; ++x, in += channels, out += 3) {
        if (channels == 1) {
            const Rgb c = in[0] < palette.size() ? palette[in[0]] : Rgb{in[0], in[0], in[0]};
            std::copy(c.begin(), c.end(), out);
        } else {
            std::copy(in, in + 3, out);
        }
    }
}

}  // namespace

void StreamRgbRows(const Image& image, int first, int count, const std::function<void(const std::uint8_t* rgb)>& row) {
    const int width = image.width(), height = std::min(image.height(), first + count), channels = image.channels();
    const std::vector<Rgb> palette = image.palette();
    const std::size_t natural = static_cast<std::size_t>(width) * static_cast<std::size_t>(channels);
    const int band = static_cast<int>(std::clamp<std::size_t>(kBandBytes / std::max<std::size_t>(natural, 1), 1,
                                                              static_cast<std::size_t>(std::max(1, height - first))));
    std::vector<std::uint8_t> pixels(natural * static_cast<std::size_t>(band));
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * 3);
    for (int top = first; top < height; top += band) {
        const int rows = std::min(band, height - top);
        image.copy_pixels(top, rows, pixels.data(), pixels.size());
        for (int k = 0; k < rows; ++k) {
            ToRgb(pixels.data() + natural * static_cast<std::size_t>(k), width, channels, palette, rgb.data());
            row(rgb.data());
        }
    }
}

}  // namespace velmora::cli
