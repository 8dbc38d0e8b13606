// Formats by content and by name, for the facade.
#pragma once

#include <string>

namespace velmora::api {

// The format code (DIBTYPE_*) the file's first bytes announce, -1 when they
// announce none; -2 with *err set when the file cannot be opened.
int FormatFromContent(const std::string& path, int* err);

// The format code of a name or extension in any case, with or without its
// dot ("png", ".TIF", "jpeg", "tiff"); -1 for anything else.
int FormatFromName(const std::string& name);

// The format code of a path's extension; -1 when it has none the library knows.
int FormatFromPath(const std::string& path);

}  // namespace velmora::api
