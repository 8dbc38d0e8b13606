// velmora::Image: the colour profile, EXIF block and Orientation a read kept.
#include "api/image_impl.h"

namespace velmora {

namespace {

using Bytes = std::vector<std::uint8_t>;

// An empty image has no metadata to give; setting some on it is refused.
const ImageMetadata* MetadataOf(const Image::Impl* impl) {
    return impl && const_cast<CNewDIB&>(impl->dib).Ready() ? &impl->dib.GetMetadata() : nullptr;
}

void Change(Image::Impl* impl, const Bytes& bytes, Bytes ImageMetadata::*field) {
    const auto hold = api::Hold(impl, api::Use::change);
    CNewDIB& dib = api::DocumentOf(impl, "set metadata on");
    ImageMetadata metadata = dib.GetMetadata();
    metadata.*field = bytes;
    dib.SetMetadata(metadata);
}

}  // namespace

std::vector<std::uint8_t> Image::icc_profile() const {
    const auto hold = api::Hold(m_impl.get());
    const ImageMetadata* metadata = MetadataOf(m_impl.get());
    return metadata ? metadata->icc : Bytes();
}

std::vector<std::uint8_t> Image::exif() const {
    const auto hold = api::Hold(m_impl.get());
    const ImageMetadata* metadata = MetadataOf(m_impl.get());
    return metadata ? metadata->exif : Bytes();
}

void Image::set_icc_profile(const std::vector<std::uint8_t>& profile) {
    Change(m_impl.get(), profile, &ImageMetadata::icc);
}

void Image::set_exif(const std::vector<std::uint8_t>& exif) { Change(m_impl.get(), exif, &ImageMetadata::exif); }

int Image::orientation() const {
    const auto hold = api::Hold(m_impl.get());
    return MetadataOf(m_impl.get()) ? m_impl->dib.GetOrientation() : 1;
}

std::string Image::warning() const {
    const auto hold = api::Hold(m_impl.get());
    return m_impl ? m_impl->warning : std::string();
}

}  // namespace velmora
