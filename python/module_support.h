// What the module's files share: progress callbacks and palettes from Python
// (paths: path_arg.h).
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "velmora/image.hpp"

namespace velmora_python {

using velmora::Progress;
using velmora::Rgb;

// A Python callable (or None) as a progress callback called from the
// working thread; the interpreter lock is taken to call it.
Progress ProgressOf(const pybind11::object& callback);

// An (N, 3) array-like of RGB bytes (or None: empty) as a palette.
std::vector<Rgb> PaletteFrom(const pybind11::object& palette);

// The image extras: crop, resize, copy, metadata, files in memory, new
// images filled by rows (image_extras.cpp).
void RegisterImageExtras(pybind11::module_& m);

}  // namespace velmora_python
