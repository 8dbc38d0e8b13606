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
// held by a thread that saves or writes a file, which other Python threads
// need not wait for.
template <class Result, class Object>
std::function<Result(const Object&)> Unlocked(Result (Object::*getter)() const) {
    return [getter](const Object& object) {
        py::gil_scoped_release unlocked;
        return (object.*getter)();
    };
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

    py::class_<velmora::Image>(m, "Image",
        "An image of 1 to 32 bits in memory or, when larger than the memory limit, in a page file read a window\n"
        "of rows at a time. Made by velmora.open(), velmora.new(), velmora.from_numpy() and the calls that\n"
        "return new images (crop, resize, thumbnail, copy). numpy.asarray(image) gives its pixels; `with`\n"
        "closes it at the end of the block.")
        .def_property_readonly("width", Unlocked(&velmora::Image::width), "Width in pixels (0 once closed).")
        .def_property_readonly("height", Unlocked(&velmora::Image::height), "Height in pixels (0 once closed).")
        .def_property_readonly("bit_count", Unlocked(&velmora::Image::bit_count),
                               "Bits a pixel: 1, 2, 4 or 8 (palette indices), 16, 24 or 32.")
        .def_property_readonly("gray", Unlocked(&velmora::Image::gray), "Whether the reader found a grey picture.")
        .def_property_readonly("in_page_file", Unlocked(&velmora::Image::in_page_file),
                               "Whether the pixels live in a page file rather than in memory.")
        .def_property_readonly("has_alpha", [](const velmora::Image& image) {
            py::gil_scoped_release unlocked;
            return image.has_alpha();
        }, "Whether a 32-bit image's fourth bytes are not all zero (looked for over every pixel once).")
        .def_property_readonly("palette", &PaletteOf, "The colour table as an (N, 3) uint8 RGB array up to 8 bits, else None.")
        .def("to_numpy", &ToNumpy,
             "to_numpy() -> numpy.ndarray\n\n"
             "Every pixel, top row first, uint8: (h, w) palette indices up to 8 bits, (h, w, 3) RGB for 16 and 24\n"
             "bits and 32 without alpha, (h, w, 4) RGBA for 32 with alpha. numpy.asarray(image) differs only for\n"
             "grey images (grey levels, as Pillow gives). The whole image is read: see blocks() for large ones.")
        .def("read_rows", &ReadRows, py::arg("top"), py::arg("count"),
             "read_rows(top, count) -> numpy.ndarray\n\n"
             "Picture rows top .. top + count - 1 (0: the top row), shaped as to_numpy() shapes them.\n"
             "Raises velmora.Error (code \"invalid_argument\") for rows outside the image.")
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
        }, py::arg("direction"),
        "flip(direction)\n\n"
        "Flips the image in place: \"vertical\" (top to bottom) or \"horizontal\" (left to right).\n"
        "Raises ValueError for another direction, velmora.Error (code \"transform_failed\") on failure.")
        .def("invert", [](velmora::Image& image) {
            py::gil_scoped_release unlocked;
            image.invert();
        }, "invert()\n\nInverts the colours in place (each sample v becomes 255 - v).")
        .def("__repr__", [](const velmora::Image& image) {
            py::gil_scoped_release unlocked;
            return "<velmora.Image " + std::to_string(image.width()) + "x" + std::to_string(image.height()) + ", " +
                   std::to_string(image.bit_count()) + "-bit" + (image.in_page_file() ? ", page file>" : ">");
        });

    py::class_<velmora::FormatInfo>(m, "Format", "A file format the library reads and writes.")
        .def_readonly("name", &velmora::FormatInfo::name, "The format's name (\"TIFF\").")
        .def_readonly("extensions", &velmora::FormatInfo::extensions,
                      "The names open() and save() know it by (\"tif\", \"tiff\").")
        .def_readonly("save_depths", &velmora::FormatInfo::save_depths, "The bit counts its save takes.")
        .def("__repr__", [](const velmora::FormatInfo& f) { return "<velmora.Format " + f.name + ">"; });
    m.def("formats", &velmora::formats, "formats() -> list[Format]\n\nEvery format the library knows, in its order.");
    m.def("convert_file", &ConvertFile, py::arg("input"), py::arg("output"), py::kw_only(), py::arg("format") = "",
          py::arg("transforms") = std::vector<std::string>(), py::arg("thumbnail") = 0, py::arg("colors") = 256,
          py::arg("dither") = true,
          "convert_file(input, output, *, format=\"\", transforms=[], thumbnail=0, colors=256, dither=True) -> str\n\n"
          "Converts a file as `velmora convert` does: read, the transforms in order (\"left\", \"right\",\n"
          "\"vertical\", \"horizontal\", \"invert\"), a thumbnail within N x N when thumbnail > 0, the depth fitted\n"
          "to the output format (reduced to `colors` colours, with dithering unless dither=False), saved. Returns\n"
          "what fitting the depth did (\"\" when nothing). Raises velmora.Error when a step fails.");
    m.def("batch_outputs", &BatchOutputs, py::arg("inputs"), py::arg("out_dir"), py::arg("format"),
          "batch_outputs(inputs, out_dir, format) -> list[str]\n\n"
          "Where a batch into out_dir saves each input (its name less the extension, then the format's).\n"
          "Raises velmora.Error: \"invalid_argument\" when two inputs would be saved as one file,\n"
          "\"unknown_format\" for a format not known.");
    m.def("from_numpy", &FromNumpy, py::arg("array"), py::arg("palette") = py::none(),
          "from_numpy(array, palette=None) -> Image\n\n"
          "An image of a uint8 array: (h, w) indices as 8 bits (palette: an (N, 3) RGB array; none: grey levels),\n"
          "(h, w, 3) RGB as 24 bits, (h, w, 4) RGBA as 32. Raises TypeError or ValueError for other arrays.");
    m.def("set_memory_limit", &velmora::set_memory_limit, py::arg("bytes"),
          "set_memory_limit(bytes)\n\n"
          "The memory (in bytes) the library sizes its images and row windows by, for the whole process;\n"
          "0: the machine's (or the control group's). Images that do not fit go to page files.");
    m.def("memory_limit", &velmora::memory_limit, "memory_limit() -> int\n\nThe limit set_memory_limit set (0: none set).");
    m.def("set_virtual_dir", [](const py::object& path) { velmora::set_virtual_dir(PathOf(path)); }, py::arg("path"),
          "set_virtual_dir(path)\n\nThe folder page files (and the temporaries of files in memory) go to, for the\n"
          "whole process.");
    m.def("virtual_dir", &velmora::virtual_dir, "virtual_dir() -> str\n\nThe folder page files go to.");

    velmora_python::RegisterImageExtras(m);

    py::class_<velmora::GeoTIFF>(m, "GeoTIFF",
        "The georeferencing of a GeoTIFF file: GeoTIFF(path) reads the tags of its first image directory.\n"
        "Raises velmora.Error (code \"geotiff_failed\", or a read failure's) when they cannot be read.")
        .def(py::init([](const py::object& pathLike) {
            const std::string path = PathOf(pathLike);
            py::gil_scoped_release unlocked;
            return velmora::GeoTIFF(path);
        }), py::arg("path"))
        .def_property_readonly("path", &velmora::GeoTIFF::path, "The path of the file read.")
        .def("report", &velmora::GeoTIFF::report, "report() -> str\n\nThe library's key report.")
        .def_property_readonly("keys", Unlocked(&velmora::GeoTIFF::keys),
                               "The GeoKeys the file holds, by name: {\"GTModelTypeGeoKey\": 1, ...}.")
        .def_property_readonly("tie_points", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::tie_points)(g), 6);
        }, "(N, 6) float64: I, J, K, X, Y, Z; None when the file has none.")
        .def_property_readonly("pixel_scale", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::pixel_scale)(g), 0);
        }, "The pixel scale (float64), or None.")
        .def_property_readonly("transformation", [](const velmora::GeoTIFF& g) {
            return Doubles(Unlocked(&velmora::GeoTIFF::transformation)(g), 4);
        }, "The (4, 4) model transformation (float64), or None.")
        .def("write", [](const velmora::GeoTIFF& g, const py::object& outLike, const velmora::Image* image) {
            const std::string out = PathOf(outLike);
            py::gil_scoped_release unlocked;
            g.write(out, image);
        }, py::arg("out"), py::arg("image") = py::none(),
        "write(out, image=None)\n\nWrites `image` (this file's own image when None) as a TIFF file carrying this\n"
        "georeferencing. Raises velmora.Error when it cannot be written.");
    RegisterRaster(m);
    RegisterRasterWriter(m);
}
