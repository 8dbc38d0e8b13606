// What an Image and a GeoTIFF hold behind their pointers, and the helpers the
// facade's files share.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "api/call_lock.h"
#include "velmora/image.hpp"
#include "velmora/newdib.h"

struct velmora::Image::Impl {
    CNewDIB dib;
    // Whether a 32-bit image's fourth bytes carry anything, found once.
    mutable std::optional<bool> alpha;
    // One call at a time on one image, so a host (or Python) that uses an
    // image from two threads gets its calls one after the other, not a
    // window moved under another call; lent out while the host's code runs
    // (call_lock.h). Recursive: calls use one another.
    mutable api::CallLock lock;
    // What the read ignored, in English; empty when nothing.
    std::string warning;
};

namespace velmora::api {

// The image's lock (null for a moved-from image).
inline CallLock* LockOf(const Image::Impl* impl) { return impl ? &impl->lock : nullptr; }

// Holds the image's lock for a call; a call that changes the image says so.
inline CallHold Hold(const Image::Impl* impl, Use use = Use::read) { return CallHold(LockOf(impl), use); }

// The document behind an image, or an Error (empty_image) when it has no pixels.
CNewDIB& DocumentOf(const Image::Impl* impl, const char* operation);

// `source` resampled to width x height into `result` by the thumbnail filters;
// a grey picture stays 8-bit grey. 0 on failure.
int Resample(CNewDIB& source, int width, int height, Image::Impl& result);

// What the facade's files may do with an Image's insides.
struct ImageAccess {
    static Image Wrap(std::unique_ptr<Image::Impl> impl) { return Image(std::move(impl)); }
    static Image::Impl* Of(const Image& image) { return image.m_impl.get(); }
};

}  // namespace velmora::api
