// velmora._RasterWriter: numpy windows into a RasterWriter, encoding without
// the interpreter lock. The Python side (velmora/raster_writer.py) gives it
// rasterio's names and the context manager.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <mutex>

#include "path_arg.h"
#include "velmora/raster.hpp"

namespace py = pybind11;

namespace {

using velmora::RasterProfile;
using velmora::RasterWindow;
using velmora::RasterWriter;

[[noreturn]] void Refuse(const std::string& why) { throw velmora::Error(velmora::ErrorCode::invalid_argument, why); }

velmora::SampleType TypeOf(const std::string& dtype) {
    for (int t = 0; t <= int(velmora::SampleType::float64); ++t)
        if (dtype == velmora::to_string(velmora::SampleType(t))) return velmora::SampleType(t);
    Refuse("a raster holds no " + dtype + " samples");
}

// One writer; Python threads take turns (the writer is reached only under
// the turn, so a close() on another thread cannot pull it away), and
// close() or abandon() end it.
struct PyRasterWriter {
    RasterProfile profile;
    std::unique_ptr<RasterWriter> writer;
    std::mutex turn;

    // Runs `f` on the writer, without the interpreter lock, in its turn.
    template <class F>
    void InTurn(F f) {
        py::gil_scoped_release unlocked;
        std::lock_guard<std::mutex> lock(turn);
        if (!writer) Refuse("the raster writer is closed");
        f(writer);
    }
};

RasterWindow WindowOf(const py::object& window, const RasterProfile& profile) {
    if (window.is_none()) return {0, 0, profile.width, profile.height};
    const auto v = window.cast<std::vector<std::int64_t>>();
    if (v.size() != 4) Refuse("a window is (col_off, row_off, width, height)");
    return {v[0], v[1], v[2], v[3]};
}

// indexes None: every band (a 2-D array for one band); an int: a 2-D array;
// a list: a 3-D array of that many bands.
std::vector<int> BandsOf(const py::object& indexes, int count, const py::array& array) {
    if (py::isinstance<py::int_>(indexes)) return {indexes.cast<int>()};
    if (!indexes.is_none()) return indexes.cast<std::vector<int>>();
    std::vector<int> all;
    for (int b = 1; b <= (array.ndim() == 2 ? 1 : count); ++b) all.push_back(b);
    return all;
}

void CheckArray(const py::array& array, const std::vector<int>& bands, const RasterWindow& w, const RasterProfile& profile) {
    const std::string dtype = py::str(array.dtype().attr("name"));
    if (dtype != velmora::to_string(profile.type) || !array.dtype().attr("isnative").cast<bool>())
        Refuse("the array is " + dtype + ", the raster holds " + velmora::to_string(profile.type) + " (no cast is made)");
    const bool flat = array.ndim() == 2;
    if ((!flat && array.ndim() != 3) || (flat && bands.size() != 1) ||
        (!flat && array.shape(0) != py::ssize_t(bands.size())) || array.shape(array.ndim() - 2) != w.height ||
        array.shape(array.ndim() - 1) != w.width)
        Refuse("the array's shape does not match " + std::to_string(bands.size()) + " band(s) of the " +
               std::to_string(w.width) + "x" + std::to_string(w.height) + " window");
}

void Write(PyRasterWriter& self, const py::array& given, const py::object& indexes, const py::object& window) {
    const RasterProfile& profile = self.profile;
    const std::vector<int> bands = BandsOf(indexes, profile.count, given);
    const RasterWindow w = WindowOf(window, profile);
    CheckArray(given, bands, w, profile);
    const py::array array = py::module_::import("numpy").attr("ascontiguousarray")(given);
    self.InTurn([&](std::unique_ptr<RasterWriter>& writer) {
        writer->write(w, bands, array.data(), std::size_t(array.nbytes()), profile.type);
    });
}

std::unique_ptr<PyRasterWriter> Create(const py::object& pathLike, const py::dict& o) {
    const std::string path = velmora_python::PathOf(pathLike);
    RasterProfile s;
    s.width = o["width"].cast<std::int64_t>();
    s.height = o["height"].cast<std::int64_t>();
    s.count = o["count"].cast<int>();
    s.type = TypeOf(o["dtype"].cast<std::string>());
    s.tiled = o["tiled"].cast<bool>();
    s.block_width = o["blockxsize"].cast<int>();
    s.block_height = o["blockysize"].cast<int>();
    s.compression = o["compress"].cast<std::string>();
    s.predictor = o["predictor"].cast<int>();
    s.quality = o["quality"].cast<int>();
    const std::string big = o["bigtiff"].cast<std::string>();
    s.big_tiff = big == "yes" ? velmora::BigTiff::yes : big == "no" ? velmora::BigTiff::no : velmora::BigTiff::automatic;
    if (!o["geotransform"].is_none()) s.geotransform = o["geotransform"].cast<std::array<double, 6>>();
    if (!o["crs_epsg"].is_none()) s.epsg = o["crs_epsg"].cast<int>();
    if (!o["nodata"].is_none()) s.nodata = o["nodata"].cast<double>();
    s.metadata = o["metadata"].cast<std::vector<std::pair<std::string, std::string>>>();
    s.scales = o["scales"].cast<std::vector<double>>();
    s.offsets = o["offsets"].cast<std::vector<double>>();
    s.descriptions = o["descriptions"].cast<std::vector<std::string>>();
    s.cog = o["cog"].cast<bool>();
    auto self = std::make_unique<PyRasterWriter>();
    self->profile = s;
    py::gil_scoped_release unlocked;
    self->writer = std::make_unique<RasterWriter>(RasterWriter::create(path, s));
    return self;
}

velmora::Resampling ResamplingOf(const std::string& name) {
    if (name == "average") return velmora::Resampling::average;
    if (name == "nearest") return velmora::Resampling::nearest;
    Refuse("resampling is 'average' or 'nearest', not '" + name + "'");
}

}  // namespace

void RegisterRasterWriter(py::module_& m) {
    py::class_<PyRasterWriter>(m, "_RasterWriter")
        .def(py::init(&Create), py::arg("path"), py::arg("options"))
        .def("write", &Write, py::arg("array"), py::arg("indexes") = py::none(), py::arg("window") = py::none())
        .def("build_overviews", [](PyRasterWriter& self, const py::object& factors, const std::string& resampling) {
            const std::vector<int> f = factors.is_none() ? std::vector<int>() : factors.cast<std::vector<int>>();
            const velmora::Resampling r = ResamplingOf(resampling);
            self.InTurn([&](std::unique_ptr<RasterWriter>& writer) { writer->build_overviews(f, r); });
        }, py::arg("factors") = py::none(), py::arg("resampling") = "average")
        .def("close", [](PyRasterWriter& self) {
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> lock(self.turn);
            if (std::unique_ptr<RasterWriter> writer = std::move(self.writer)) writer->close();
        })
        .def("abandon", [](PyRasterWriter& self) {
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> lock(self.turn);
            self.writer.reset();
        })
        .def_property_readonly("closed", [](PyRasterWriter& self) {
            // In its turn: a close() on another thread moves the writer out.
            py::gil_scoped_release unlocked;
            std::lock_guard<std::mutex> lock(self.turn);
            return !self.writer;
        });
    m.def("compression_available", &velmora::compression_available, py::arg("compression"),
          "Whether this machine's libtiff can write `compression` (\"none\", \"deflate\", \"lzw\",\n"
          "\"zstd\", \"jpeg\", ...); create_raster refuses one it cannot.");
}
