// velmora::Image: a copy at a depth the save's format holds, as the
// library's conversion fits one.
#include "api/failure.h"
#include "api/image_impl.h"
#include "velmora/convert.h"
#include "velmora/formats.h"

namespace velmora {

namespace {

int FormatNamed(const std::string& name, const char* operation) {
    const int code = FormatOfName(name.c_str());
    if (code < 0) throw Error(ErrorCode::unknown_format, std::string("cannot ") + operation + ": no format named '" + name + "'");
    return code;
}

}  // namespace

bool Image::fits(const std::string& format) const {
    const auto hold = api::Hold(m_impl.get());
    const int code = FormatOfName(format.c_str());
    const FileFormat* row = FileFormatOf(code);
    return !row || empty() || HoldsDepth(row->saves, bit_count());
}

Image Image::fitted_to(const std::string& format) const {
    const int code = FormatNamed(format, "fit the image");
    Image fitted = copy();
    std::string error;
    if (!FitDIBToFormat(&api::ImageAccess::Of(fitted)->dib, code, ConvertSteps(), &error))
        throw Error(ErrorCode::transform_failed, "cannot fit the image to " + format + ": " + error);
    return fitted;
}

}  // namespace velmora
