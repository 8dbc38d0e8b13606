// velmora::Image: crop and resize, each making a new image that keeps the
// source's depth details (colour table, resolution, grey flag) and metadata.
#include <algorithm>
#include <cstring>
#include <new>

#include "api/failure.h"
#include "api/image_impl.h"
#include "storage/row_walker.h"
#include "velmora/thumbnail.h"

namespace velmora {

namespace {

using api::Operation;

int BitAt(const BYTE* row, int x, int bits) {
    const int bit = x * bits;
    return row[bit / 8] >> (8 - bits - bit % 8) & ((1 << bits) - 1);
}

// `width` pixels from column `from` of `source` to the start of `target`
// (cleared first, so its padding holds zeros).
void CopyPixels(const BYTE* source, int from, int width, int bits, BYTE* target, size_t targetBytes) {
    std::memset(target, 0, targetBytes);
    if (bits >= 8) {
        const size_t bytes = static_cast<size_t>(bits / 8);
        std::memcpy(target, source + bytes * static_cast<size_t>(from), bytes * static_cast<size_t>(width));
        return;
    }
    for (int x = 0; x < width; ++x) {
        const int bit = x * bits;
        target[bit / 8] |= static_cast<BYTE>(BitAt(source, from + x, bits) << (8 - bits - bit % 8));
    }
}

// The header fields and colour table a new image of the same depth takes over.
void TakeDetails(CNewDIB& source, CNewDIB& target) {
    const BITMAPINFOHEADER* from = source.GetBitmapInfoHeader();
    BITMAPINFOHEADER* to = target.GetBitmapInfoHeader();
    to->biXPelsPerMeter = from->biXPelsPerMeter;
    to->biYPelsPerMeter = from->biYPelsPerMeter;
    int entries = 0, targetEntries = 0;
    if (const RGBQUAD* table = source.GetRGBQuad(&entries))
        std::copy(table, table + std::min(entries, 256), target.GetRGBQuad(&targetEntries));
    target.SetGrayProp(source.GetGrayProp());
    target.SetMetadata(source.GetMetadata());
}

void CheckBlock(const Image& image, int x, int y, int width, int height) {
    if (width < 1 || height < 1)
        api::ThrowUsage(ErrorCode::invalid_argument, "a crop needs a width and height of at least 1");
    if (x < 0 || y < 0 || x > image.width() - width || y > image.height() - height)
        api::ThrowUsage(ErrorCode::invalid_argument,
                        "the crop " + std::to_string(width) + "x" + std::to_string(height) + " at (" +
                            std::to_string(x) + ", " + std::to_string(y) + ") lies outside the image of " +
                            std::to_string(image.width()) + "x" + std::to_string(image.height()));
}

bool CopyBlock(CNewDIB& source, int x, int y, CNewDIB& target) {
    const int bits = source.GetBitCount(), width = target.GetWidth();
    // Rows of two images may share no window: each source row is copied out first.
    std::vector<BYTE> row(source.GetBytesPerLine());
    RowWalker from(&source, RowOrder::TopDown), to(&target, RowOrder::TopDown);
    for (int k = 0; k < target.GetHeight(); ++k) {
        const BYTE* in = from.Row(y + k);
        if (!in) return false;
        std::copy(in, in + row.size(), row.begin());
        BYTE* out = to.Row(k);
        if (!out) return false;
        CopyPixels(row.data(), x, width, bits, out, target.GetBytesPerLine());
    }
    return true;
}

// Whether every entry of an indexed image's colour table is a grey.
bool HasGreyTable(CNewDIB& dib) {
    int entries = 0;
    const RGBQUAD* table = dib.GetBitCount() <= 8 ? dib.GetRGBQuad(&entries) : nullptr;
    if (!table || entries < 2) return false;
    return std::all_of(table, table + std::min(entries, 256), [](const RGBQUAD& c) {
        return c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue;
    });
}

// The filters treat the three channels alike, so a resampled grey picture is
// grey: it goes back to 8 bits with a grey ramp, as numpy and Pillow users
// expect a grey image's resize to stay grey.
bool NarrowToGrey(CNewDIB& rgb, CNewDIB& grey) {
    if (!grey.CreateDIB(rgb.GetWidth(), rgb.GetHeight(), 8) || !grey.Ready()) return false;
    int entries = 0;
    RGBQUAD* table = grey.GetRGBQuad(&entries);
    for (int i = 0; i < entries; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    grey.SetGrayProp(1);
    grey.GetBitmapInfoHeader()->biXPelsPerMeter = rgb.GetBitmapInfoHeader()->biXPelsPerMeter;
    grey.GetBitmapInfoHeader()->biYPelsPerMeter = rgb.GetBitmapInfoHeader()->biYPelsPerMeter;
    std::vector<BYTE> row(rgb.GetBytesPerLine());
    RowWalker from(&rgb, RowOrder::TopDown), to(&grey, RowOrder::TopDown);
    for (int k = 0; k < rgb.GetHeight(); ++k) {
        const BYTE* in = from.Row(k);
        if (!in) return false;
        std::copy(in, in + row.size(), row.begin());
        BYTE* out = to.Row(k);
        if (!out) return false;
        for (int x = 0; x < rgb.GetWidth(); ++x) out[x] = row[static_cast<size_t>(x) * 3 + 1];
    }
    return true;
}

}  // namespace

namespace api {

int Resample(CNewDIB& source, int width, int height, Image::Impl& result) {
    if (!HasGreyTable(source)) return MakeResized(&source, width, height, &result.dib);
    CNewDIB rgb;
    return MakeResized(&source, width, height, &rgb) && NarrowToGrey(rgb, result.dib);
}

}  // namespace api

Image Image::crop(int x, int y, int width, int height) const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = api::DocumentOf(m_impl.get(), "crop");
    CheckBlock(*this, x, y, width, height);
    auto impl = std::make_unique<Impl>();
    bool ok = false;
    try {
        ok = impl->dib.CreateDIB(width, height, dib.GetBitCount()) && impl->dib.Ready();
        if (ok) TakeDetails(dib, impl->dib);
        ok = ok && CopyBlock(dib, x, y, impl->dib);
    } catch (const std::bad_alloc&) {
        ok = false;
    }
    if (!ok) api::ThrowFailure(Operation::transform, "cannot crop the image", "", nullptr);
    return api::ImageAccess::Wrap(std::move(impl));
}

Image Image::resize(int width, int height) const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = api::DocumentOf(m_impl.get(), "resize");
    if (width < 1 || height < 1)
        api::ThrowUsage(ErrorCode::invalid_argument, "a resize needs a width and height of at least 1");
    auto impl = std::make_unique<Impl>();
    int ok = 0;
    try {
        ok = api::Resample(dib, width, height, *impl);
    } catch (const std::bad_alloc&) {
        ok = 0;
    }
    if (!ok) api::ThrowFailure(Operation::transform, "cannot resize the image", "", nullptr);
    impl->dib.SetMetadata(dib.GetMetadata());
    return api::ImageAccess::Wrap(std::move(impl));
}

}  // namespace velmora
