// velmora.open_raster: a TIFF's samples as numpy arrays in their own dtype,
// with rasterio's names where they mean the same. Blocks decode without the
// interpreter lock.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>

#include "path_arg.h"
#include "velmora/raster.hpp"

namespace py = pybind11;
using velmora_python::PathOf;

namespace {

using velmora::Raster;
using velmora::RasterSize;
using velmora::RasterWindow;

// A Raster as Python holds it: close() lets go of it while reads that took
// their own reference finish.
struct PyRaster {
    std::shared_ptr<const Raster> raster;

    std::shared_ptr<const Raster> Get() const {
        if (!raster) throw velmora::Error(velmora::ErrorCode::invalid_argument, "the raster is closed");
        return raster;
    }
};

py::object NoData(const velmora::RasterInfo& info) {
    return info.nodata ? py::object(py::float_(*info.nodata)) : py::object(py::none());
}

py::object GeoTransform(const velmora::RasterInfo& info) {
    if (!info.geotransform) return py::none();
    const auto& g = *info.geotransform;
    return py::make_tuple(g[0], g[1], g[2], g[3], g[4], g[5]);
}

py::object Epsg(const velmora::RasterInfo& info) {
    return info.epsg ? py::object(py::int_(*info.epsg)) : py::object(py::none());
}

RasterWindow WindowOf(const Raster& raster, const py::object& window) {
    if (window.is_none()) return {0, 0, raster.width(), raster.height()};
    if (py::len(window) == 2 && py::isinstance<py::sequence>(window[py::int_(0)])) {
        // rasterio's ((row_start, row_stop), (col_start, col_stop))
        const auto rows = window[py::int_(0)].cast<std::pair<std::int64_t, std::int64_t>>();
        const auto cols = window[py::int_(1)].cast<std::pair<std::int64_t, std::int64_t>>();
        return {cols.first, rows.first, cols.second - cols.first, rows.second - rows.first};
    }
    const auto values = window.cast<std::vector<std::int64_t>>();
    if (values.size() != 4)
        throw velmora::Error(velmora::ErrorCode::invalid_argument,
                             "a window is (col_off, row_off, width, height) or ((row_start, row_stop), (col_start, col_stop))");
    return {values[0], values[1], values[2], values[3]};
}

// indexes: None (every band), an int (a 2-D result) or a list.
std::vector<int> BandsOf(const Raster& raster, const py::object& indexes, bool* flat) {
    *flat = py::isinstance<py::int_>(indexes);
    if (*flat) return {indexes.cast<int>()};
    if (!indexes.is_none()) return indexes.cast<std::vector<int>>();
    std::vector<int> all;
    for (int b = 1; b <= raster.count(); ++b) all.push_back(b);
    return all;
}

// out_shape: (rows, cols) or (bands, rows, cols), as rasterio takes it.
RasterSize OutSizeOf(const RasterWindow& window, const py::object& outShape) {
    if (outShape.is_none()) return {window.width, window.height};
    const auto shape = outShape.cast<std::vector<std::int64_t>>();
    if (shape.size() < 2 || shape.size() > 3)
        throw velmora::Error(velmora::ErrorCode::invalid_argument, "out_shape is (rows, cols) or (bands, rows, cols)");
    return {shape[shape.size() - 1], shape[shape.size() - 2]};
}

py::object Read(const PyRaster& self, const py::object& indexes, const py::object& window, const py::object& outShape,
                bool masked) {
    const auto raster = self.Get();
    bool flat = false;
    const std::vector<int> bands = BandsOf(*raster, indexes, &flat);
    const RasterWindow w = WindowOf(*raster, window);
    const RasterSize out = OutSizeOf(w, outShape);
    const velmora::SampleType type = raster->info().type;
    // numpy has no dtype for complex integers: the read says why it refuses
    // complex samples before it looks at a buffer.
    if (type >= velmora::SampleType::complex_int16) raster->read(w, bands, out, nullptr, 0, type);
    std::vector<py::ssize_t> shape{py::ssize_t(bands.size()), py::ssize_t(std::max<std::int64_t>(out.height, 0)),
                                   py::ssize_t(std::max<std::int64_t>(out.width, 0))};
    py::array data(py::dtype(velmora::to_string(type)), shape);
    py::array_t<std::uint8_t> mask;
    if (masked) mask = py::array_t<std::uint8_t>(shape);
    {
        py::gil_scoped_release unlocked;
        raster->read(w, bands, out, data.mutable_data(), std::size_t(data.nbytes()), type);
        if (masked) raster->read_mask(w, bands, out, mask.mutable_data(), std::size_t(mask.nbytes()));
    }
    if (flat) {
        data = data.attr("reshape")(py::make_tuple(shape[1], shape[2]));
        if (masked) mask = mask.attr("reshape")(py::make_tuple(shape[1], shape[2]));
    }
    if (!masked) return std::move(data);
    py::object ma = py::module_::import("numpy").attr("ma");
    return ma.attr("masked_array")(data, py::arg("mask") = mask.attr("__eq__")(0));
}

py::list BlockWindows(const PyRaster& self, int index) {
    const auto raster = self.Get();
    const int across = int((raster->width() + raster->info().block_width - 1) / raster->info().block_width);
    py::list out;
    int k = 0;
    for (const RasterWindow& w : raster->block_windows(index)) {
        out.append(py::make_tuple(py::make_tuple(k / across, k % across),
                                  py::make_tuple(w.col, w.row, w.width, w.height)));
        ++k;
    }
    return out;
}

py::dict Profile(const PyRaster& self) {
    const velmora::RasterInfo& info = self.Get()->info();
    py::dict p;
    p["driver"] = "GTiff";
    p["width"] = info.width;
    p["height"] = info.height;
    p["count"] = info.count;
    p["dtype"] = velmora::to_string(info.type);
    p["tiled"] = info.tiled;
    p["blockxsize"] = info.block_width;
    p["blockysize"] = info.block_height;
    p["compress"] = info.compression;
    p["predictor"] = info.predictor;
    p["interleave"] = info.planar ? "band" : "pixel";
    p["photometric"] = info.photometric;
    p["geotransform"] = GeoTransform(info);
    p["crs_epsg"] = Epsg(info);
    p["nodata"] = NoData(info);
    return p;
}

PyRaster OpenRaster(const py::object& pathLike) {
    const std::string path = PathOf(pathLike);
    py::gil_scoped_release unlocked;
    return PyRaster{std::make_shared<const Raster>(Raster::open(path))};
}

// The georeferencing of a GeoTIFF object as the raster layer reads it.
template <class Getter>
void AddGeoTiffProperty(py::module_& m, const char* name, Getter getter) {
    py::object property = py::module_::import("builtins").attr("property");
    m.attr("GeoTIFF").attr(name) = property(py::cpp_function([getter](const py::object& geotiff) {
        const std::string path = geotiff.attr("path").cast<std::string>();
        std::unique_ptr<Raster> raster;
        {
            py::gil_scoped_release unlocked;
            raster = std::make_unique<Raster>(Raster::open(path));
        }
        return getter(raster->info());
    }));
}

}  // namespace

void RegisterRaster(py::module_& m) {
    py::class_<PyRaster>(m, "Raster", "A TIFF's samples as stored, read a window at a time.")
        .def_property_readonly("width", [](const PyRaster& r) { return r.Get()->width(); },
                               "Columns of the raster (velmora.Error when closed).")
        .def_property_readonly("height", [](const PyRaster& r) { return r.Get()->height(); },
                               "Rows of the raster (velmora.Error when closed).")
        .def_property_readonly("count", [](const PyRaster& r) { return r.Get()->count(); },
                               "Bands (samples per pixel), numbered from 1 as rasterio numbers them.")
        .def_property_readonly("dtypes", [](const PyRaster& r) {
            const auto raster = r.Get();
            return py::tuple(py::cast(std::vector<std::string>(raster->count(), velmora::to_string(raster->info().type))));
        }, "numpy's name of each band's sample type, e.g. ('uint16', 'uint16').")
        .def_property_readonly("block_shapes", [](const PyRaster& r) {
            const velmora::RasterInfo& info = r.Get()->info();
            return std::vector<std::pair<int, int>>(info.count, {info.block_height, info.block_width});
        }, "(rows, cols) of each band's tiles or strips: read whole blocks for speed.")
        .def_property_readonly("geotransform", [](const PyRaster& r) { return GeoTransform(r.Get()->info()); },
                               "GDAL's affine six-tuple (x0, dx, rx, y0, ry, dy) from the GeoTIFF tags; None without them.")
        .def_property_readonly("crs_epsg", [](const PyRaster& r) { return Epsg(r.Get()->info()); },
                               "The EPSG code of the coordinate system its GeoKeys name; None when they name none.")
        .def_property_readonly("nodata", [](const PyRaster& r) { return NoData(r.Get()->info()); },
                               "The no-data value (GDAL_NODATA tag) as a float; None when the file has none.")
        .def_property_readonly("descriptions", [](const PyRaster& r) {
            return py::tuple(py::cast(r.Get()->info().descriptions));
        }, "Each band's description from GDAL's metadata ('' where none).")
        .def_property_readonly("scales", [](const PyRaster& r) { return py::tuple(py::cast(r.Get()->info().scales)); },
                               "Each band's scale from GDAL's metadata (1.0 where none): value = stored * scale + offset.")
        .def_property_readonly("offsets", [](const PyRaster& r) { return py::tuple(py::cast(r.Get()->info().offsets)); },
                               "Each band's offset from GDAL's metadata (0.0 where none).")
        .def_property_readonly("profile", &Profile,
                               "rasterio's profile dict (driver, width, height, count, dtype, tiled, block sizes,\n"
                               "compress, predictor, interleave, photometric, geotransform, crs_epsg, nodata);\n"
                               "create_raster(path, **profile) takes it back.")
        .def_property_readonly("closed", [](const PyRaster& r) { return !r.raster; },
                               "Whether close() was called (reads then raise velmora.Error).")
        .def("overviews", [](const PyRaster& r, int band) {
            const auto raster = r.Get();
            raster->block_windows(band);  // checks the band
            return raster->overview_factors();
        }, py::arg("band") = 1,
             "The reduction factors of the file's overviews (e.g. [2, 4, 8]), as rasterio gives them.\n"
             "velmora.Error (invalid_argument) for a band outside 1..count.")
        .def("read", &Read, py::arg("indexes") = py::none(), py::arg("window") = py::none(),
             py::arg("out_shape") = py::none(), py::arg("masked") = false,
             "Samples as stored, as a numpy array of the raster's dtype.\n\n"
             "indexes: None (every band: shape (bands, rows, cols)), an int (one band: (rows, cols))\n"
             "or a list of band numbers from 1. window: None (everything), (col_off, row_off, width,\n"
             "height) or rasterio's ((row_start, row_stop), (col_start, col_stop)); parts outside the\n"
             "raster read as 0. out_shape: (rows, cols) or (bands, rows, cols) to read reduced\n"
             "(from overviews where they fit, nearest sample). masked: a numpy masked array whose mask\n"
             "is the no-data value or the file's mask. Decodes only the blocks the window touches,\n"
             "without the interpreter lock. velmora.Error for a closed raster, a bad band or window.")
        .def("block_windows", &BlockWindows, py::arg("index") = 1,
             "[((block_row, block_col), (col_off, row_off, width, height)), ...] for every tile or\n"
             "strip of band `index`, in file order: read these windows to touch each block once.")
        .def("close", [](PyRaster& r) { r.raster.reset(); },
             "Lets go of the file; reads under way finish first. `with open_raster(p) as r:` closes it.")
        .def("__enter__", [](PyRaster& r) -> PyRaster& { return r; }, py::return_value_policy::reference)
        .def("__exit__", [](PyRaster& r, const py::args&) { r.raster.reset(); })
        .def("__repr__", [](const PyRaster& r) {
            if (!r.raster) return std::string("<velmora.Raster closed>");
            const velmora::RasterInfo& info = r.raster->info();
            return "<velmora.Raster " + r.raster->path() + " " + std::to_string(info.width) + "x" +
                   std::to_string(info.height) + "x" + std::to_string(info.count) + " " +
                   velmora::to_string(info.type) + ">";
        });
    m.def("open_raster", &OpenRaster, py::arg("path"),
          "Opens a TIFF (classic or BigTIFF, GeoTIFF or not) for reading its samples as stored:\n"
          "any bit depth and sample format, every band, a window at a time. path: str, bytes or\n"
          "os.PathLike. velmora.Error (open_failed, unsupported) when it is no readable TIFF.");

    AddGeoTiffProperty(m, "geotransform", GeoTransform);
    AddGeoTiffProperty(m, "crs_epsg", Epsg);
    AddGeoTiffProperty(m, "nodata", NoData);
}
