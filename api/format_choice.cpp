// The format a facade call reads or saves with.
#include "api/format_choice.h"

#include "api/failure.h"
#include "velmora/formats.h"

namespace velmora::api {

int FormatForOpen(const std::string& path) {
    int err = 0;
    int format = FormatOfContent(path.c_str(), &err);
    if (format == -2) ThrowOpenFailure(path, err);
    if (format == -1) format = FormatOfPathExtension(path.c_str());
    if (format == -1)
        throw Error(ErrorCode::unknown_format, "cannot read '" + path + "': not a format the library knows");
    return format;
}

int FormatForSave(const std::string& path, const std::string& name) {
    const int format = name.empty() ? FormatOfPathExtension(path.c_str()) : FormatOfName(name.c_str());
    if (format == -1)
        throw Error(ErrorCode::unknown_format,
                    "cannot save '" + path + "': no format named " + (name.empty() ? "by the extension" : "'" + name + "'"));
    return format;
}

}  // namespace velmora::api
