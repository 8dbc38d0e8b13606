// The Python module velmora._velmora: the facade of <velmora/image.hpp> with
// pixels as numpy arrays. Every call that reads, writes or transforms pixels
// lets go of the interpreter lock while it works.
#include <pybind11/functional.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstring>

#include "path_arg.h"
#include "module_support.h"
#include "velmora/image.hpp"

namespace py = pybind11;
using velmora_python::PathOf;

void RegisterRaster(py::module_& m);  // raster_module.cpp
void RegisterRasterWriter(py::module_& m);  // raster_writer_module.cpp

namespace {

using Array = py::array_t<std::uint8_t>;

PyObject* g_errorType = nullptr;

using velmora_python::PaletteFrom;
using velmora_python::ProgressOf;

// A getter called without the interpreter lock: the object's own lock may be
// held by a thread whose progress callback waits for the interpreter lock,
// or that writes a file.
template <class Result, class Object>
std::function<Result(const Object&)> Unlocked(Result (Object::*getter)() const) {
    return [getter](const Object& object) {
        py::gil_scoped_release unlocked;
        return (object.*getter)();
    };
}

velmora::Image Open(const py::object& pathLike, const py::object& progress) {
    const std::string path = PathOf(pathLike);
    velmora::OpenOptions options;
    options.progress = ProgressOf(progress);
    velmora::Image image;
    {
        py::gil_scoped_release unlocked;
        image = velmora::Image::open(path, options);
    }
    // The callable goes while the lock is held.
    options.progress = velmora::Progress();
    return image;
}

std::vector<py::ssize_t> ShapeOf(int rows, int width, int channels) {
    if (channels == 1) return {rows, width};
    return {rows, width, channels};
}

Array ReadRows(const velmora::Image& image, int top, int count) {
    int channels = 0, width = 0;
    {
        // A 32-bit image's alpha is looked for over all its pixels.
        py::gil_scoped_release unlocked;
        // The range is checked before the array is made: a count past the
        // image must not allocate its rows first.
        image.rows(top, count, [](const velmora::RowBlock&) { return false; }, 1);
        channels = image.channels();
        width = image.width();
    }
    Array out(ShapeOf(count, width, channels));
    std::uint8_t* data = out.mutable_data();
    {
        py::gil_scoped_release unlocked;
        image.copy_pixels(top, count, data, static_cast<size_t>(out.nbytes()));
    }
    return out;
}

Array ToNumpy(const velmora::Image& image) { return ReadRows(image, 0, Unlocked(&velmora::Image::height)(image)); }

py::object PaletteOf(const velmora::Image& image) {
    std::vector<velmora::Rgb> colors;
    {
        py::gil_scoped_release unlocked;
        colors = image.palette();
    }
    if (colors.empty()) return py::none();
    Array out({static_cast<py::ssize_t>(colors.size()), py::ssize_t{3}});
    for (size_t i = 0; i < colors.size(); ++i) std::memcpy(out.mutable_data(i, 0), colors[i].data(), 3);
    return std::move(out);
}

velmora::Image FromNumpy(const py::array& array, const py::object& palette) {
    if (array.dtype().kind() != 'u' || array.itemsize() != 1)
        throw py::type_error("from_numpy takes uint8 arrays");
    auto pixels = py::array_t<std::uint8_t, py::array::c_style>::ensure(array);
    const int channels = pixels.ndim() == 2 ? 1 : pixels.ndim() == 3 ? static_cast<int>(pixels.shape(2)) : 0;
    if (channels != 1 && channels != 3 && channels != 4)
        throw py::value_error("from_numpy takes (H, W) indices, (H, W, 3) RGB or (H, W, 4) RGBA");
    const int bits = channels == 1 ? 8 : channels * 8;
    const std::vector<velmora::Rgb> colors = PaletteFrom(palette);
    const int height = static_cast<int>(pixels.shape(0)), width = static_cast<int>(pixels.shape(1));
    const std::uint8_t* data = pixels.data();
    const size_t stride = static_cast<size_t>(pixels.strides(0));
    py::gil_scoped_release unlocked;
    return velmora::Image::from_pixels(width, height, bits, data, stride, colors);
}

void Save(const velmora::Image& image, const py::object& pathLike, const py::kwargs& kwargs) {
    const std::string path = PathOf(pathLike);
    velmora::SaveOptions options;
    for (auto item : kwargs) {
        const std::string name = py::str(item.first);
        if (item.second.is_none()) continue;
        if (name == "format") options.format = item.second.cast<std::string>();
        else if (name == "quality") options.quality = item.second.cast<int>();
        else if (name == "compression") options.compression = item.second.cast<std::string>();
        else if (name == "level") options.level = item.second.cast<int>();
        else if (name == "predictor") options.predictor = item.second.cast<bool>();
        else if (name == "bigtiff") options.bigtiff = item.second.cast<bool>();
        else if (name == "progress") options.progress = ProgressOf(py::reinterpret_borrow<py::object>(item.second));
        else throw py::type_error("save() got an unexpected option '" + name + "'");
    }
    {
        py::gil_scoped_release unlocked;
        image.save(path, options);
    }
    options.progress = velmora::Progress();
}

velmora::Turn TurnOf(const std::string& name) {
    if (name == "left") return velmora::Turn::left;
    if (name == "right") return velmora::Turn::right;
    throw py::value_error("rotate takes \"left\" or \"right\"");
}

velmora::Flip FlipOf(const std::string& name) {
    if (name == "vertical") return velmora::Flip::vertical;
    if (name == "horizontal") return velmora::Flip::horizontal;
    throw py::value_error("flip takes \"vertical\" or \"horizontal\"");
}

Array Thumbnail(const velmora::Image& image, int width, int height) {
    velmora::Image small;
    {
        py::gil_scoped_release unlocked;
        small = image.thumbnail(width, height);
    }
    return ToNumpy(small);
}

// The values as an array of `columns` columns (one dimension when 0).
py::object Doubles(const std::vector<double>& values, py::ssize_t columns) {
    if (values.empty()) return py::none();
    const py::ssize_t n = static_cast<py::ssize_t>(values.size());
    const py::ssize_t rows = columns ? n / columns : n;
    py::array_t<double> out = columns ? py::array_t<double>({rows, columns}) : py::array_t<double>({rows});
    std::memcpy(out.mutable_data(), values.data(), static_cast<size_t>(columns ? rows * columns : n) * sizeof(double));
    return std::move(out);
}

std::string ConvertFile(const py::object& input, const py::object& output, const std::string& format,
                        const std::vector<std::string>& transforms, int thumbnail, int colors, bool dither) {
    const std::string in = PathOf(input), out = PathOf(output);
    velmora::ConvertOptions options{format, transforms, thumbnail, colors, dither};
    py::gil_scoped_release unlocked;
    return velmora::convert_file(in, out, options);
}

std::vector<std::string> BatchOutputs(const std::vector<py::object>& inputs, const py::object& outDir,
                                      const std::string& format) {
    std::vector<std::string> paths;
    for (const py::object& input : inputs) paths.push_back(PathOf(input));
    return velmora::batch_outputs(paths, PathOf(outDir), format);
}

void TranslateError(const velmora::Error& e) {
    py::object error = py::reinterpret_borrow<py::object>(g_errorType)(e.what());
    error.attr("code") = velmora::to_string(e.code());
    error.attr("text") = e.text();
    error.attr("errno") = e.system_errno();
    PyErr_SetObject(g_errorType, error.ptr());
}

}  // namespace

PYBIND11_MODULE(_velmora, m) {
    m.doc() = "Velmora images as numpy arrays (the compiled part of the velmora package).";
    g_errorType = PyErr_NewExceptionWithDoc(
        "velmora.Error",
        "A failure of the library. str(e) is English; e.code names the kind (\"bad_data\"), e.text is the\n"
        "library's own text, e.errno the system's error number (0 when none).",
        PyExc_RuntimeError, nullptr);
    m.add_object("Error", py::handle(g_errorType));
    py::register_exception_translator([](std::exception_ptr thrown) {
        try {
            if (thrown) std::rethrow_exception(thrown);
        } catch (const velmora::Error& e) {
            TranslateError(e);
        }
    });

    py::class_<velmora::Image>(m, "Image", "An image in memory or in a page file.")
        .def_property_readonly("width", Unlocked(&velmora::Image::width))
        .def_property_readonly("height", Unlocked(&velmora::Image::height))
        .def_property_readonly("bit_count", Unlocked(&velmora::Image::bit_count))
        .def_property_readonly("gray", Unlocked(&velmora::Image::gray))
        .def_property_readonly("in_page_file", Unlocked(&velmora::Image::in_page_file))
        .def_property_readonly("has_alpha", [](const velmora::Image& image) {
            py::gil_scoped_release unlocked;
            return image.has_alpha();
        })
        .def_property_readonly("palette", &PaletteOf)
        .def("to_numpy", &ToNumpy)
        .def("read_rows", &ReadRows, py::arg("top"), py::arg("count"))
        .def("save", &Save, py::arg("path"))
        .def("rotate", [](velmora::Image& image, const std::string& turn) {
            const velmora::Turn t = TurnOf(turn);
            py::gil_scoped_release unlocked;
            image.rotate(t);
        }, py::arg("turn"))
        .def("flip", [](velmora::Image& image, const std::string& flip) {
            const velmora::Flip f = FlipOf(flip);
            py::gil_scoped_release unlocked;
            image.flip(f);
        }, py::arg("direction"))
        .def("invert", [](velmora::Image& image) {
            py::gil_scoped_release unlocked;
            image.invert();
        })
        .def("thumbnail", &Thumbnail, py::arg("width"), py::arg("height"))
        .def("__repr__", [](const velmora::Image& image) {
            py::gil_scoped_release unlocked;
            return "<velmora.Image " + std::to_string(image.width()) + "x" + std::to_string(image.height()) + ", " +
                   std::to_string(image.bit_count()) + "-bit" + (image.in_page_file() ? ", page file>" : ">");
        });

    py::class_<velmora::FormatInfo>(m, "Format", "A file format the library reads and writes.")
        .def_readonly("name", &velmora::FormatInfo::name)
        .def_readonly("extensions", &velmora::FormatInfo::extensions)
        .def_readonly("save_depths", &velmora::FormatInfo::save_depths)
        .def("__repr__", [](const velmora::FormatInfo& f) { return "<velmora.Format " + f.name + ">"; });
    m.def("formats", &velmora::formats);
    m.def("convert_file", &ConvertFile, py::arg("input"), py::arg("output"), py::kw_only(), py::arg("format") = "",
          py::arg("transforms") = std::vector<std::string>(), py::arg("thumbnail") = 0, py::arg("colors") = 256,
          py::arg("dither") = true);
    m.def("batch_outputs", &BatchOutputs, py::arg("inputs"), py::arg("out_dir"), py::arg("format"));
    m.def("open", &Open, py::arg("path"), py::arg("progress") = py::none());
    m.def("from_numpy", &FromNumpy, py::arg("array"), py::arg("palette") = py::none());
    m.def("set_memory_limit", &velmora::set_memory_limit, py::arg("bytes"));
    m.def("memory_limit", &velmora::memory_limit);
    m.def("set_virtual_dir", [](const py::object& path) { velmora::set_virtual_dir(PathOf(path)); }, py::arg("path"));
    m.def("virtual_dir", &velmora::virtual_dir);

    velmora_python::RegisterImageExtras(m);

    py::class_<velmora::GeoTIFF>(m, "GeoTIFF", "The georeferencing of a GeoTIFF file.")
        .def(py::init([](const py::object& pathLike) {
            const std::string path = PathOf(pathLike);
            py::gil_scoped_release unlocked;
            return velmora::GeoTIFF(path);
        }), py::arg("path"))
        .def_property_readonly("path", &velmora::GeoTIFF::path)
        .def("report", &velmora::GeoTIFF::report)
        .def_property_readonly("keys", Unlocked(&velmora::GeoTIFF::keys))
        .def_property_readonly("tie_points", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::tie_points)(g), 6);
        })
        .def_property_readonly("pixel_scale", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::pixel_scale)(g), 0);
        })
        .def_property_readonly("transformation", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::transformation)(g), 4);
        })
        .def("write", [](const velmora::GeoTIFF& g, const py::object& outLike, const velmora::Image* image) {
            const std::string out = PathOf(outLike);
            py::gil_scoped_release unlocked;
            g.write(out, image);
        }, py::arg("out"), py::arg("image") = py::none());
    RegisterRaster(m);
    RegisterRasterWriter(m);
}
