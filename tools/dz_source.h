// An image's pixels as RGB rows for the pyramid, read a band of rows at a
// time through the library's row windows.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "velmora/image.hpp"

namespace velmora::cli {

using RgbRowSink = std::function<void(const std::uint8_t* rgb)>;

// Calls `row` with picture rows [top, top + count) of `image` in order, as
// RGB bytes (indices through the palette, alpha dropped). The row is valid
// only during the call.
void StreamRgbRows(const Image& image, int top, int count, const RgbRowSink& row);

// Calls `row` for each of picture rows `rows` (ascending, repeats allowed)
// with the RGB of its pixels at `columns`, in that order; reads no other
// rows. The row is valid only during the call.
void SampleRgbRows(const Image& image, const std::vector<int>& rows, const std::vector<int>& columns,
                   const RgbRowSink& row);

}  // namespace velmora::cli
