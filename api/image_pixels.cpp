// velmora::Image: pixels in blocks of rows, in natural form, and from a host's pixels.
#include <climits>
#include <cstring>
#include <new>

#include "api/failure.h"
#include "api/image_impl.h"
#include "api/pixel_rows.h"
#include "storage/pixel_alpha.h"
#include "storage/row_walker.h"

namespace velmora {

using api::DocumentOf;

namespace {

// The document, when blocks of at most `maxRows` of its rows [top, top + count) can be had.
CNewDIB& RowsOf(const Image::Impl* impl, int top, int count, int maxRows) {
    CNewDIB& dib = DocumentOf(impl, "read rows");
    if (top < 0 || count < 0 || top > dib.GetHeight() || count > dib.GetHeight() - top || maxRows < 1)
        api::ThrowUsage(ErrorCode::invalid_argument, "rows " + std::to_string(top) + " + " + std::to_string(count) +
                                                         " are outside the image's " +
                                                         std::to_string(dib.GetHeight()) + " rows");
    return dib;
}

RowBlock BlockOf(const RowPiece& piece, size_t rowBytes) {
    return RowBlock{piece.first, piece.count, rowBytes, piece.Row(0), -static_cast<std::ptrdiff_t>(piece.stride)};
}

// Calls `visit` with blocks of picture rows [top, top + count). With `lent`
// (the host's `visit`), each block's rows get a view of their own, which
// other threads' calls cannot move, and `visit` runs with the lock lent out.
template <class Visit>
void VisitBlocks(CNewDIB& dib, int top, int count, int maxRows, api::CallLock* lent, Visit&& visit) {
    const size_t rowBytes = (static_cast<size_t>(dib.GetWidth()) * static_cast<size_t>(dib.GetBitCount()) + 7) / 8;
    bool stopped = false;
    const bool walked = WalkRows(dib, RowOrder::TopDown, top, top + count, maxRows, [&](const RowPiece& piece) {
        if (lent) {
            const PieceApart apart(dib, piece);
            if (!apart.Piece().lowest) return false;
            const api::LentOut out(lent);
            stopped = !visit(BlockOf(apart.Piece(), rowBytes));
        } else {
            stopped = !visit(BlockOf(piece, rowBytes));
        }
        return !stopped;
    });
    // A stop asked for by `visit` is no failure; a window that cannot be had is.
    if (!walked && !stopped) api::ThrowFailure(api::Operation::read, "cannot map the image's rows", "", nullptr);
}

}  // namespace

void Image::rows(int top, int count, const std::function<bool(const RowBlock&)>& visit, int maxRows) const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = RowsOf(m_impl.get(), top, count, maxRows);
    VisitBlocks(dib, top, count, maxRows, api::LockOf(m_impl.get()), visit);
}

bool Image::has_alpha() const {
    const auto hold = api::Hold(m_impl.get());
    if (bit_count() != 32) return false;
    if (!m_impl->alpha) m_impl->alpha = ImageHasAlpha(m_impl->dib);
    return *m_impl->alpha;
}

int Image::channels() const {
    const auto hold = api::Hold(m_impl.get());
    return empty() ? 0 : api::NaturalChannels(bit_count(), has_alpha());
}

void Image::copy_pixels(int top, int count, std::uint8_t* out, std::size_t outBytes) const {
    const auto hold = api::Hold(m_impl.get());
    const int width = this->width(), bits = bit_count();
    const bool alpha = has_alpha();
    const size_t outRow = static_cast<size_t>(width) * static_cast<size_t>(api::NaturalChannels(bits, alpha));
    // The buffer was sized by the caller, perhaps before another thread turned the image.
    if (count < 0 || outRow * static_cast<size_t>(count) > outBytes)
        api::ThrowUsage(ErrorCode::invalid_argument, "the pixels do not fit the buffer given (" +
                                                         std::to_string(outBytes) + " bytes)");
    VisitBlocks(RowsOf(m_impl.get(), top, count, INT_MAX), top, count, INT_MAX, nullptr, [&](const RowBlock& block) {
        for (int k = 0; k < block.count; ++k)
            api::RowToNatural(block.row(k), width, bits, alpha, out + static_cast<size_t>(block.top - top + k) * outRow);
        return true;
    });
}

namespace {

void SetPalette(CNewDIB& dib, int bitCount, const std::vector<Rgb>& palette) {
    const int entries = 1 << bitCount;
    if (static_cast<int>(palette.size()) > entries)
        api::ThrowUsage(ErrorCode::invalid_argument, "a palette of " + std::to_string(palette.size()) +
                                                         " colours for a " + std::to_string(bitCount) + "-bit image");
    int count = 0;
    RGBQUAD* table = dib.GetRGBQuad(&count);
    for (int i = 0; table && i < count; ++i) {
        // Without a palette the indices are grey levels.
        const int grey = i * 255 / (entries - 1);
        const bool given = i < static_cast<int>(palette.size());
        table[i].rgbRed = given ? palette[i][0] : static_cast<BYTE>(grey);
        table[i].rgbGreen = given ? palette[i][1] : static_cast<BYTE>(grey);
        table[i].rgbBlue = given ? palette[i][2] : static_cast<BYTE>(grey);
        table[i].rgbReserved = 0;
    }
    dib.SetGrayProp(palette.empty() ? 1 : 0);
}

}  // namespace

Image Image::create(int width, int height, int bitCount, const std::vector<Rgb>& palette) {
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
        api::ThrowUsage(ErrorCode::invalid_argument,
                        "images are made of 1, 4, 8, 24 or 32-bit pixels, not " + std::to_string(bitCount));
    if (width < 1 || height < 1)
        api::ThrowUsage(ErrorCode::invalid_argument, "an image needs a width and height of at least 1");
    auto impl = std::make_unique<Impl>();
    CNewDIB& dib = impl->dib;
    if (!dib.CreateDIB(width, height, bitCount)) api::ThrowFailure(api::Operation::read, "cannot create the image", "", nullptr);
    if (bitCount <= 8) SetPalette(dib, bitCount, palette);
    // A page file starts as zeros; memory is cleared so unwritten rows are black.
    const bool cleared = dib.IsMapped() || WalkRows(dib, RowOrder::TopDown, 0, height, height, [&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k) std::memset(piece.Row(k), 0, piece.stride);
        return true;
    });
    if (!cleared) api::ThrowFailure(api::Operation::read, "cannot map the image's rows", "", nullptr);
    return api::ImageAccess::Wrap(std::move(impl));
}

void Image::write_pixels(int top, int count, const std::uint8_t* pixels, std::size_t stride) {
    const auto hold = api::Hold(m_impl.get(), api::Use::change);
    CNewDIB& dib = DocumentOf(m_impl.get(), "write rows");
    const int width = dib.GetWidth(), bitCount = dib.GetBitCount();
    const size_t inRow = static_cast<size_t>(width) * static_cast<size_t>(api::NaturalChannels(bitCount, true));
    if (top < 0 || count < 1 || top > dib.GetHeight() - count)
        api::ThrowUsage(ErrorCode::invalid_argument, "rows " + std::to_string(top) + " + " + std::to_string(count) +
                                                         " are outside the image's " +
                                                         std::to_string(dib.GetHeight()) + " rows");
    if (!pixels || stride < inRow) api::ThrowUsage(ErrorCode::invalid_argument, "rows shorter than the image's width");
    m_impl->alpha.reset();
    const bool walked = WalkRows(dib, RowOrder::TopDown, top, top + count, count, [&](const RowPiece& piece) {
        for (int k = 0; k < piece.count; ++k)
            api::RowFromNatural(pixels + static_cast<size_t>(piece.first - top + k) * stride, width, bitCount,
                                piece.Row(k));
        return true;
    });
    if (!walked) api::ThrowFailure(api::Operation::transform, "cannot map the image's rows", "", nullptr);
}

Image Image::from_pixels(int width, int height, int bitCount, const std::uint8_t* pixels, std::size_t stride,
                         const std::vector<Rgb>& palette) {
    const size_t inRow = static_cast<size_t>(width < 0 ? 0 : width) * static_cast<size_t>(bitCount <= 8 ? 1 : bitCount / 8);
    if (width < 1 || height < 1 || !pixels || stride < inRow)
        api::ThrowUsage(ErrorCode::invalid_argument, "an image needs a width and height of at least 1 and its rows");
    Image image = create(width, height, bitCount, palette);
    image.write_pixels(0, height, pixels, stride);
    return image;
}

}  // namespace velmora
