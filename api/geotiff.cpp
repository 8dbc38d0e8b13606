// velmora::GeoTIFF over CGeoTIFF: the report, the keys by name, the model
// tags, and writing an image with them.
#include <mutex>
#include <sstream>

#include "api/failure.h"
#include "api/image_impl.h"
#include "geotiff/geokey_table.h"
#include "velmora/encoding.h"
#include "velmora/geotiff.h"
#include "velmora/system.h"

namespace velmora {

namespace {

// Reaches the key table, which the library keeps to its own classes.
class GeoTiffReader : public CGeoTIFF {
public:
    using CGeoTIFF::GeoKeyField;
    using CGeoTIFF::GeoKeyFields;
};

std::vector<double> Values(const double* values, int count) {
    return values ? std::vector<double>(values, values + count) : std::vector<double>();
}

}  // namespace

// `geo` is changed by a write (the target image, the file it writes), so
// every use of it holds `lock`; no host code runs while it is held (a write
// reports no progress).
struct GeoTIFF::Impl {
    std::string path;
    std::string report;
    std::mutex lock;
    GeoTiffReader geo;
};

GeoTIFF::GeoTIFF(const std::string& path) : m_impl(std::make_unique<Impl>()) {
    m_impl->path = path;
    if (!m_impl->geo.LoadGeoTIFFFile(path.c_str()))
        api::ThrowFailure(api::Operation::geotiff, "cannot read the GeoTIFF tags of", path, m_impl->geo.GetErrorText());
    // The report decodes the keys and prepares the object for writing.
    std::ostringstream text;
    m_impl->geo.OutputResult(text);
    m_impl->report = GbkToUtf8(text.str().c_str());
}

GeoTIFF::~GeoTIFF() = default;
GeoTIFF::GeoTIFF(GeoTIFF&&) noexcept = default;
GeoTIFF& GeoTIFF::operator=(GeoTIFF&&) noexcept = default;

const std::string& GeoTIFF::path() const { return m_impl->path; }
const std::string& GeoTIFF::report() const { return m_impl->report; }

std::map<std::string, GeoTIFF::KeyValue> GeoTIFF::keys() const {
    const std::lock_guard<std::mutex> tags(m_impl->lock);
    std::map<std::string, KeyValue> result;
    WORD* directory = nullptr;
    WORD count = 0;
    m_impl->geo.GetGeoKeyDirectoryTag(&directory, &count);
    int fieldCount = 0;
    const GeoTiffReader::GeoKeyField* fields = GeoTiffReader::GeoKeyFields(&fieldCount);
    for (int i = 4; directory && i + 3 < count; i += 4) {
        for (int f = 0; f < fieldCount; ++f) {
            if (fields[f].key != directory[i]) continue;
            const int key = fields[f].key;
            if (fields[f].kind == GeoTiffReader::GeoKeyField::kShort)
                result[fields[f].name] = static_cast<int>(static_cast<WORD>(m_impl->geo.GetShortGeoKey(key)));
            else if (fields[f].kind == GeoTiffReader::GeoKeyField::kDouble)
                result[fields[f].name] = m_impl->geo.GetDoubleGeoKey(key);
            else if (const char* text = m_impl->geo.GetTextGeoKey(key))
                result[fields[f].name] = GbkToUtf8(text);
        }
    }
    return result;
}

std::vector<double> GeoTIFF::tie_points() const {
    const std::lock_guard<std::mutex> tags(m_impl->lock);
    double* values = nullptr;
    int count = 0;
    m_impl->geo.GetModelTiepointTag(&values, &count);
    return Values(values, count);
}

std::vector<double> GeoTIFF::pixel_scale() const {
    const std::lock_guard<std::mutex> tags(m_impl->lock);
    double* values = nullptr;
    int count = 0;
    m_impl->geo.GetModelPixelScaleTag(&values, &count);
    return Values(values, count);
}

std::vector<double> GeoTIFF::transformation() const {
    const std::lock_guard<std::mutex> tags(m_impl->lock);
    double* values = nullptr;
    int count = 0;
    m_impl->geo.GetModelTransformationTag(&values, &count);
    return Values(values, count);
}

void GeoTIFF::write(const std::string& out, const Image* image) const {
    const std::lock_guard<std::mutex> tags(m_impl->lock);
    Image own;
    if (!image) {
        own = Image::open(m_impl->path);
        image = &own;
    }
    const auto hold = api::Hold(api::ImageAccess::Of(*image));
    CNewDIB& dib = api::DocumentOf(api::ImageAccess::Of(*image), "write a GeoTIFF file of");
    m_impl->geo.SetTargetDIB(&dib);
    int ok = 0;
    try {
        ok = m_impl->geo.SaveGeoTIFFFile(out.c_str());
    } catch (const CFileException& e) {
        m_impl->geo.SetTargetDIB(nullptr);
        api::ThrowFileException(api::Operation::geotiff, "cannot write", out, e, m_impl->geo.GetErrorText());
    }
    m_impl->geo.SetTargetDIB(nullptr);
    if (!ok) api::ThrowFailure(api::Operation::save, "cannot write", out, m_impl->geo.GetErrorText(), GetLastSystemError());
}

}  // namespace velmora
