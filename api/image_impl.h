// What an Image and a GeoTIFF hold behind their pointers, and the helpers the
// facade's files share.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "velmora/image.hpp"
#include "velmora/newdib.h"

struct velmora::Image::Impl {
    CNewDIB dib;
    // Whether a 32-bit image's fourth bytes carry anything, found once.
    mutable std::optional<bool> alpha;
};

namespace velmora::api {

// The document behind an image, or an Error (empty_image) when it has no pixels.
CNewDIB& DocumentOf(const Image::Impl* impl, const char* operation);

// What the facade's files may do with an Image's insides.
struct ImageAccess {
    static Image Wrap(std::unique_ptr<Image::Impl> impl) { return Image(std::move(impl)); }
    static Image::Impl* Of(const Image& image) { return image.m_impl.get(); }
};

}  // namespace velmora::api
