#include "module_support.h"

#include <memory>

#include <pybind11/numpy.h>

namespace py = pybind11;

namespace velmora_python {

Progress ProgressOf(const py::object& callback) {
    if (callback.is_none()) return Progress();
    // The callable is held for the call only; the lock is taken to call it.
    auto held = std::make_shared<py::object>(callback);
    return [held](int percent) {
        py::gil_scoped_acquire lock;
        (*held)(percent);
    };
}

std::vector<Rgb> PaletteFrom(const py::object& palette) {
    std::vector<Rgb> colors;
    if (palette.is_none()) return colors;
    auto table = py::array_t<std::uint8_t, py::array::c_style | py::array::forcecast>::ensure(palette);
    if (!table || table.ndim() != 2 || table.shape(1) != 3)
        throw py::value_error("a palette is an (N, 3) array of RGB bytes");
    for (py::ssize_t i = 0; i < table.shape(0); ++i)
        colors.push_back({*table.data(i, 0), *table.data(i, 1), *table.data(i, 2)});
    return colors;
}

}  // namespace velmora_python
