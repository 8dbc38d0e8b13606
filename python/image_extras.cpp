// velmora.Image's photo and editing calls: crop, resize, copy, thumbnails as
// images, colour profile and EXIF, files in memory, and new images filled
// block by block. Pixel work runs without the interpreter lock.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <utility>

#include "module_support.h"
#include "path_arg.h"

namespace py = pybind11;

namespace velmora_python {

using namespace velmora;

namespace {

using velmora_python::PathOf;

py::object BytesOrNone(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return py::none();
    return py::bytes(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::vector<std::uint8_t> BytesFrom(const py::object& value) {
    if (value.is_none()) return {};
    const std::string bytes = value.cast<py::bytes>();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

OpenOptions OpenOptionsOf(const py::object& progress, bool autoOrient) {
    OpenOptions options;
    options.progress = ProgressOf(progress);
    options.auto_orient = autoOrient;
    return options;
}

Image OpenPath(const py::object& pathLike, const py::object& progress, bool autoOrient) {
    const std::string path = PathOf(pathLike);
    OpenOptions options = OpenOptionsOf(progress, autoOrient);
    Image image;
    {
        py::gil_scoped_release unlocked;
        image = Image::open(path, options);
    }
    options.progress = Progress();  // the callable goes while the lock is held
    return image;
}

Image OpenMemory(const py::buffer& data, const py::object& progress, bool autoOrient) {
    const py::buffer_info info = data.request();
    if (info.itemsize != 1 || info.ndim != 1 || (info.size > 1 && info.strides[0] != 1))
        throw py::type_error("the file's contents must be contiguous bytes");
    OpenOptions options = OpenOptionsOf(progress, autoOrient);
    Image image;
    {
        py::gil_scoped_release unlocked;
        image = Image::open_memory(info.ptr, static_cast<std::size_t>(info.size), options);
    }
    options.progress = Progress();
    return image;
}

// A call on the image that makes another (or a value), without the
// interpreter lock: the image's own lock may be held by a thread at work,
// which other Python threads need not wait for.
template <class Make>
auto Made(const Make& make) {
    py::gil_scoped_release unlocked;
    return make();
}

// The natural form's shape check: (rows, width) up to 8 bits, (rows, width,
// 3) for 24 bits, (rows, width, 4) for 32.
void CheckRows(const Image& image, const py::array& rows) {
    const auto [bits, width] = Made([&] { return std::make_pair(image.bit_count(), image.width()); });
    const int channels = bits <= 8 ? 1 : bits / 8;
    const bool shaped = rows.ndim() == (channels == 1 ? 2 : 3) && rows.shape(1) == width &&
                        (channels == 1 || rows.shape(2) == channels);
    if (!shaped)
        throw py::value_error("write_rows of a " + std::to_string(bits) + "-bit image takes (rows, " +
                              std::to_string(width) + (channels == 1 ? ")" : ", " + std::to_string(channels) + ")") +
                              " uint8 arrays");
}

void WriteRows(Image& image, int top, const py::array& array) {
    if (array.dtype().kind() != 'u' || array.itemsize() != 1) throw py::type_error("write_rows takes uint8 arrays");
    auto rows = py::array_t<std::uint8_t, py::array::c_style>::ensure(array);
    CheckRows(image, rows);
    const std::uint8_t* data = rows.data();
    const int count = static_cast<int>(rows.shape(0));
    const std::size_t stride = static_cast<std::size_t>(rows.strides(0));
    py::gil_scoped_release unlocked;
    image.write_pixels(top, count, data, stride);
}

}  // namespace

void RegisterImageExtras(py::module_& m) {
    auto image = py::reinterpret_borrow<py::class_<Image>>(m.attr("Image"));
    image
        .def("crop", [](const Image& im, int x, int y, int width, int height) {
            return Made([&] { return im.crop(x, y, width, height); });
        }, py::arg("x"), py::arg("y"), py::arg("width"), py::arg("height"),
        "crop(x, y, width, height) -> Image\n\n"
        "A new image of the width x height block whose top-left pixel is (x, y) (0, 0: the top-left\n"
        "of the image), at this image's depth, with its palette, colour profile and EXIF.\n"
        "Raises velmora.Error (code \"invalid_argument\") for a block not wholly inside the image or a\n"
        "size below 1.")
        .def("resize", [](const Image& im, int width, int height) {
            return Made([&] { return im.resize(width, height); });
        }, py::arg("width"), py::arg("height"),
        "resize(width, height) -> Image\n\n"
        "A new image of exactly width x height by the library's filtered resampling (areas averaged,\n"
        "then Lanczos-3): RGB, grey (8 bits) when this image is grey, or RGBA when it has alpha\n"
        "(colours weighted by it).\n"
        "Raises velmora.Error (code \"invalid_argument\") for a size below 1.")
        .def("copy", [](const Image& im) { return Made([&] { return im.copy(); }); },
             "copy() -> Image\n\nA new image with the same pixels, palette, colour profile and EXIF.")
        .def("_fit_depth", [](const Image& im, const std::string& format) -> py::object {
            if (Made([&] { return im.fits(format); })) return py::none();
            return py::cast(Made([&] { return im.fitted_to(format); }));
        }, py::arg("format"))
        .def("_thumbnail_image", [](const Image& im, int width, int height) {
            return Made([&] { return im.thumbnail(width, height); });
        }, py::arg("width"), py::arg("height"))
        .def_property("icc_profile", [](const Image& im) { return BytesOrNone(Made([&] { return im.icc_profile(); })); },
                      [](Image& im, const py::object& value) {
                          const std::vector<std::uint8_t> bytes = BytesFrom(value);
                          Made([&] { im.set_icc_profile(bytes); });
                      },
                      "The ICC colour profile the file held (bytes), or None. Saves to JPEG, PNG and TIFF write\n"
                      "it; set None to leave it out.")
        .def_property("exif", [](const Image& im) { return BytesOrNone(Made([&] { return im.exif(); })); },
                      [](Image& im, const py::object& value) {
                          const std::vector<std::uint8_t> bytes = BytesFrom(value);
                          Made([&] { im.set_exif(bytes); });
                      },
                      "The EXIF block the file held (TIFF-structured bytes, as Pillow's Image.info[\"exif\"]\n"
                      "less its \"Exif\\0\\0\"), or None. After an upright read its Orientation says 1. Saves to\n"
                      "JPEG and PNG write it; set None to leave it out.")
        .def_property_readonly("orientation", [](const Image& im) { return Made([&] { return im.orientation(); }); },
                               "The Orientation (1 to 8) the file's EXIF or TIFF tag gave; 1 when none. Unless\n"
                               "opened with auto_orient=False the pixels are already upright.")
        .def_property_readonly("warning", [](const Image& im) -> py::object {
            const std::string text = Made([&] { return im.warning(); });
            return text.empty() ? py::none() : py::object(py::str(text));
        }, "What the read ignored (a damaged colour profile or EXIF block), or None.")
        .def("close", [](Image& im) { Made([&] { im.close(); }); },
             "close()\n\nLets go of the pixels (and the page file, if any); the image is empty after. Waits for\n"
             "other threads' calls on the image (a save under way) to end; velmora.Error (code\n"
             "\"invalid_argument\") from inside a call on it (its progress callback).\n"
             "`with velmora.open(p) as image:` calls it at the end of the block.")
        .def("write_rows", &WriteRows, py::arg("top"), py::arg("array"),
             "write_rows(top, array)\n\n"
             "Writes picture rows top .. top + len(array) - 1 (0: the top row) from a uint8 array shaped as\n"
             "to_numpy() shapes rows: (rows, width) indices up to 8 bits, (rows, width, 3) RGB for 24 bits,\n"
             "(rows, width, 4) RGBA for 32. The rows go through the image's row windows, so an image in a\n"
             "page file is filled block by block at bounded memory.\n"
             "Raises ValueError or TypeError for an array of another shape or type, velmora.Error (code\n"
             "\"invalid_argument\") for rows outside the image.");

    m.def("_open_path", &OpenPath, py::arg("path"), py::arg("progress") = py::none(), py::arg("auto_orient") = true);
    m.def("_open_memory", &OpenMemory, py::arg("data"), py::arg("progress") = py::none(),
          py::arg("auto_orient") = true);
    m.def("new", [](int width, int height, int bits, const py::object& palette) {
        const std::vector<Rgb> colors = PaletteFrom(palette);
        return Made([&] { return Image::create(width, height, bits, colors); });
    }, py::arg("width"), py::arg("height"), py::arg("bits") = 24, py::arg("palette") = py::none(),
    "new(width, height, bits=24, palette=None) -> Image\n\n"
    "A black image (index 0) of 1, 4, 8, 24 or 32 bits to fill with Image.write_rows. It lives in a page\n"
    "file when it does not fit the memory limit (set_memory_limit), so images larger than memory can\n"
    "be written block by block. palette: an (N, 3) array of RGB bytes for 1 to 8 bits (default: a grey\n"
    "ramp). Raises velmora.Error (code \"invalid_argument\") for another bit count, a size below 1 or a\n"
    "palette too long; (\"out_of_memory\") when neither memory nor a page file can hold it.");
}

}  // namespace velmora_python
