// velmora::Image: reading, saving, properties and transforms over CNewDIB.
#include <new>

#include "api/failure.h"
#include "api/format_choice.h"
#include "api/save_options.h"
#include "api/image_impl.h"
#include "api/progress_scope.h"
#include "velmora/cfile.h"
#include "velmora/environment.h"
#include "velmora/system.h"
#include "velmora/thumbnail.h"

namespace velmora {

namespace api {

CNewDIB& DocumentOf(const Image::Impl* impl, const char* operation) {
    if (!impl || !const_cast<CNewDIB&>(impl->dib).Ready())
        ThrowUsage(ErrorCode::empty_image, std::string("cannot ") + operation + ": the image holds no pixels");
    return const_cast<CNewDIB&>(impl->dib);
}

namespace {

// Runs a library file operation, turning what it throws into an Error.
template <class Run>
int RunFileOperation(Operation operation, const char* what, const std::string& path, CNewDIB& dib,
                     const Progress& progress, CallLock* lent, Run&& run) {
    ProgressScope scope(progress, lent);
    int ok = 0;
    try {
        ok = run();
    } catch (const CFileException& e) {
        ThrowFileException(operation, what, path, e, dib.GetLastErrorText());
    } catch (const std::bad_alloc&) {
        ThrowFailure(operation, what, path, nullptr);
    }
    scope.Finish();
    if (ok) scope.Complete();
    return ok;
}

}  // namespace

}  // namespace api

using api::DocumentOf;
using api::Operation;

Image::Image() : m_impl(std::make_unique<Impl>()) {}
Image::Image(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
Image::~Image() = default;
Image::Image(Image&&) noexcept = default;
Image& Image::operator=(Image&&) noexcept = default;

Image Image::open(const std::string& path, const OpenOptions& options) {
    const int format = api::FormatForOpen(path);
    auto impl = std::make_unique<Impl>();
    CNewDIB& dib = impl->dib;
    dib.SetAutoOrient(options.auto_orient ? 1 : 0);
    const int ok = api::RunFileOperation(Operation::read, "cannot read", path, dib, options.progress, nullptr,
                                         [&] { return dib.ReadFile(path.c_str(), format); });
    if (!ok) api::ThrowFailure(Operation::read, "cannot read", path, dib.GetLastErrorText(), GetLastSystemError());
    if (!dib.GetLastWarningText().IsEmpty()) impl->warning = "the colour profile or EXIF data are damaged and were ignored";
    return Image(std::move(impl));
}

bool Image::empty() const {
    const auto hold = api::Hold(m_impl.get());
    return !m_impl || !m_impl->dib.Ready();
}
int Image::width() const {
    const auto hold = api::Hold(m_impl.get());
    return empty() ? 0 : m_impl->dib.GetWidth();
}
int Image::height() const {
    const auto hold = api::Hold(m_impl.get());
    return empty() ? 0 : m_impl->dib.GetHeight();
}
int Image::bit_count() const {
    const auto hold = api::Hold(m_impl.get());
    return empty() ? 0 : m_impl->dib.GetBitCount();
}
bool Image::gray() const {
    const auto hold = api::Hold(m_impl.get());
    return !empty() && m_impl->dib.GetGrayProp() != 0;
}
bool Image::in_page_file() const {
    const auto hold = api::Hold(m_impl.get());
    return !empty() && m_impl->dib.IsMapped() != 0;
}

std::vector<Rgb> Image::palette() const {
    const auto hold = api::Hold(m_impl.get());
    std::vector<Rgb> colors;
    if (empty() || bit_count() > 8) return colors;
    int count = 0;
    const RGBQUAD* table = m_impl->dib.GetRGBQuad(&count);
    for (int i = 0; table && i < count; ++i) colors.push_back({table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue});
    return colors;
}

void Image::save(const std::string& path, const SaveOptions& options) const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = DocumentOf(m_impl.get(), "save");
    const int format = api::FormatForSave(path, options.format);
    const DIBSaveOptions choices = api::SaveOptionsFor(format, options);
    const int ok = api::RunFileOperation(Operation::save, "cannot save", path, dib, options.progress,
                                         api::LockOf(m_impl.get()), [&] { return dib.SaveFile(path.c_str(), format, 0, choices); });
    if (!ok) api::ThrowSaveFailure(path, format, dib.GetBitCount(), dib.GetLastErrorText(), GetLastSystemError());
}

namespace {

void Transform(Image::Impl* impl, const char* name, int (CNewDIB::*operation)()) {
    const auto hold = api::Hold(impl, api::Use::change);
    CNewDIB& dib = DocumentOf(impl, name);
    api::ProgressScope quiet{Progress()};
    int ok = 0;
    try {
        ok = (dib.*operation)();
    } catch (const std::bad_alloc&) {
        ok = 0;
    }
    if (!ok) api::ThrowFailure(Operation::transform, std::string("cannot ") + name + " the image", "", nullptr);
}

}  // namespace

void Image::rotate(Turn turn) {
    Transform(m_impl.get(), "turn", turn == Turn::left ? &CNewDIB::LeftRotate : &CNewDIB::RightRotate);
}

void Image::flip(Flip flip) {
    Transform(m_impl.get(), "flip", flip == Flip::vertical ? &CNewDIB::VerticalFlip : &CNewDIB::HorizonFlip);
}

void Image::invert() {
    const auto hold = api::Hold(m_impl.get(), api::Use::change);
    if (m_impl) m_impl->alpha.reset();
    Transform(m_impl.get(), "invert", &CNewDIB::InvertColor);
}

void Image::close() {
    if (!m_impl) return;
    if (m_impl->lock.InCallOnThisThread())
        api::ThrowUsage(ErrorCode::invalid_argument,
                        "an image cannot be closed inside a call on it (its progress handler or rows visit)");
    // The insides stay (their lock with them) until the Image itself goes:
    // another thread may be waiting on that lock.
    const auto hold = api::Hold(m_impl.get(), api::Use::change);
    m_impl->dib.ReleaseDIB();
    m_impl->dib.SetMetadata(ImageMetadata());
    m_impl->alpha.reset();
    m_impl->warning.clear();
}

Image Image::copy() const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = DocumentOf(m_impl.get(), "copy");
    auto impl = std::make_unique<Impl>();
    if (!impl->dib.CopyDIB(&dib))
        api::ThrowFailure(Operation::transform, "cannot copy the image", "", nullptr);
    return Image(std::move(impl));
}

Image Image::thumbnail(int width, int height) const {
    const auto hold = api::Hold(m_impl.get());
    CNewDIB& dib = DocumentOf(m_impl.get(), "make a thumbnail of");
    if (width < 1 || height < 1)
        api::ThrowUsage(ErrorCode::invalid_argument, "a thumbnail needs a width and height of at least 1");
    std::unique_ptr<Impl> impl;
    int made = 0;
    try {
        impl = std::make_unique<Impl>();
        int fitWidth = 0, fitHeight = 0;
        FitThumbnailSize(dib.GetWidth(), dib.GetHeight(), width, height, &fitWidth, &fitHeight);
        made = api::Resample(dib, fitWidth, fitHeight, *impl);
    } catch (const std::bad_alloc&) {
        made = 0;
    }
    if (!made) api::ThrowFailure(Operation::transform, "cannot make a thumbnail of the image", "", nullptr);
    impl->dib.SetMetadata(dib.GetMetadata());
    return Image(std::move(impl));
}

}  // namespace velmora
