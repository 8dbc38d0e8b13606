// The format a facade call reads or saves with, from the format table.
#pragma once

#include <string>

namespace velmora::api {

// The format of a file to read: by its first bytes, else its extension; an
// Error when it cannot be opened or neither names a format.
int FormatForOpen(const std::string& path);
// The format to save `path` in: the format named `name`, else by the path's
// extension; an Error (unknown_format) when there is none.
int FormatForSave(const std::string& path, const std::string& name);

}  // namespace velmora::api
