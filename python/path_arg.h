// A path argument as the library takes it.
#pragma once

#include <pybind11/pybind11.h>

#include <string>

namespace velmora_python {

// A str, bytes or any os.PathLike: the file system's own bytes
// (os.fsencode), so a bytes path is the path it names.
inline std::string PathOf(const pybind11::object& path) {
    return pybind11::module_::import("os").attr("fsencode")(path).cast<std::string>();
}

}  // namespace velmora_python
