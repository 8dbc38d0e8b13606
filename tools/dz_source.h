// An image's pixels as RGB rows for the pyramid, read a band of rows at a
// time through the library's row windows.
#pragma once

#include <cstdint>
#include <functional>

#include "velmora/image.hpp"

namespace velmora::cli {

// Calls `row` with picture rows [top, top + count) of `image` in order, as
// RGB bytes (indices through the palette, alpha dropped). The row is valid
// only during the call.
void StreamRgbRows(const Image& image, int top, int count, const std::function<void(const std::uint8_t* rgb)>& row);

}  // namespace velmora::cli
