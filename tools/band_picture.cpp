#include "tools/band_picture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "tools/file_kind.h"
#include "velmora/environment.h"
#include "velmora/image.hpp"
#include "velmora/newdib.h"
#include "velmora/raster.hpp"

namespace velmora::cli {

namespace {

// Rows read and mapped at a time.
constexpr int64_t kStripRows = 256;

// A value as gdal_translate -scale maps it to a byte: scaled, clamped,
// rounded; NaN as 0.
uint8_t ToByte(double v, const BandScale& s) {
    const double scale = s.max == s.min ? 0.0 : 255.0 / (s.max - s.min);
    const double out = v * scale - s.min * scale;
    if (!(out > 0.0)) return 0;
    return out >= 255.0 ? 255 : static_cast<uint8_t>(out + 0.5);
}

template <class T>
double At(const void* samples, size_t k) {
    return static_cast<double>(static_cast<const T*>(samples)[k]);
}

double SampleAt(const std::vector<uint8_t>& samples, SampleType type, size_t k) {
    const void* p = samples.data();
    switch (type) {
    case SampleType::uint8: return At<uint8_t>(p, k);
    case SampleType::int8: return At<int8_t>(p, k);
    case SampleType::uint16: return At<uint16_t>(p, k);
    case SampleType::int16: return At<int16_t>(p, k);
    case SampleType::uint32: return At<uint32_t>(p, k);
    case SampleType::int32: return At<int32_t>(p, k);
    case SampleType::uint64: return At<uint64_t>(p, k);
    case SampleType::int64: return At<int64_t>(p, k);
    case SampleType::float32: return At<float>(p, k);
    default: return At<double>(p, k);
    }
}

// Calls `visit(top, rows, samples)` for strips of rows, each band's plane
// after the other's.
template <class Visit>
void ForEachStrip(const Raster& raster, const std::vector<int>& bands, Visit visit) {
    const RasterInfo& info = raster.info();
    const size_t bytes = sample_bytes(info.type);
    std::vector<uint8_t> samples;
    for (int64_t top = 0; top < info.height; top += kStripRows) {
        const int64_t rows = std::min(kStripRows, info.height - top);
        samples.resize(size_t(rows * info.width) * bands.size() * bytes);
        raster.read({0, top, info.width, rows}, bands, {info.width, rows}, samples.data(), samples.size(), info.type);
        visit(top, rows, samples);
    }
}

// Each band's least and greatest value, no-data and NaN left out.
std::vector<BandScale> RangesOf(const Raster& raster, const std::vector<int>& bands) {
    const RasterInfo& info = raster.info();
    std::vector<BandScale> ranges(bands.size(), {std::numeric_limits<double>::max(),
                                                 std::numeric_limits<double>::lowest()});
    ForEachStrip(raster, bands, [&](int64_t, int64_t rows, const std::vector<uint8_t>& samples) {
        const size_t plane = size_t(rows * info.width);
        for (size_t b = 0; b < bands.size(); ++b)
            for (size_t k = 0; k < plane; ++k) {
                const double v = SampleAt(samples, info.type, b * plane + k);
                if (std::isnan(v) || (info.nodata && v == *info.nodata)) continue;
                ranges[b].min = std::min(ranges[b].min, v);
                ranges[b].max = std::max(ranges[b].max, v);
            }
    });
    return ranges;
}

bool MakePicture(int64_t width, int64_t height, int channels, CNewDIB* dib, std::string* error) {
    if (width > INT32_MAX || height > INT32_MAX || !dib->CreateDIB(int(width), int(height), channels == 1 ? 8 : 24)) {
        *error = "no storage for a " + std::to_string(width) + " x " + std::to_string(height) + " picture";
        return false;
    }
    if (channels == 1) {
        RGBQUAD* table = dib->GetBitmapInfo()->bmiColors;
        for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    }
    return true;
}

// "3,2,1": one or three band numbers.
bool ParseBands(const std::string& text, std::vector<int>* bands) {
    bands->clear();
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string part = text.substr(at, comma - at);
        char* end = nullptr;
        const long band = std::strtol(part.c_str(), &end, 10);
        if (part.empty() || *end != '\0' || band < 1 || band > 65535) return false;
        bands->push_back(int(band));
        at = comma + 1;
    }
    return bands->size() == 1 || bands->size() == 3;
}

bool ParseNumber(const std::string& text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(*value);
}

}  // namespace

int TakeBandOption(const std::vector<std::string>& args, size_t* i, BandChoice* choice, std::string* error) {
    const std::string& option = args[*i];
    const size_t values = option == "--bands" ? 1 : option == "--scale" ? 2 : 0;
    if (values == 0) return 0;
    if (*i + values >= args.size()) {
        *error = option + (values == 1 ? " needs a value" : " needs MIN and MAX");
        return -1;
    }
    if (values == 1) {
        if (ParseBands(args[++*i], &choice->bands)) return 1;
        *error = "bad value '" + args[*i] + "' for --bands (one or three band numbers, as 3,2,1)";
        return -1;
    }
    BandScale scale;
    if (!ParseNumber(args[*i + 1], &scale.min) || !ParseNumber(args[*i + 2], &scale.max) || scale.min == scale.max) {
        *error = "bad values '" + args[*i + 1] + " " + args[*i + 2] + "' for --scale (two different numbers)";
        return -1;
    }
    *i += 2;
    choice->scales.push_back(scale);
    return 1;
}

bool RenderBandRows(const std::string& path, const BandChoice& choice, const BandRowSink& sink, std::string* error) {
    if (SniffFormat(path) != DIBTYPE_TIF) {
        *error = path + ": --bands and --scale read TIFF files only";
        return false;
    }
    try {
        const Raster raster = Raster::open(path);
        const RasterInfo& info = raster.info();
        std::vector<int> bands = choice.bands;
        if (bands.empty()) bands = info.count >= 3 ? std::vector<int>{1, 2, 3} : std::vector<int>{1};
        if (choice.scales.size() > 1 && choice.scales.size() != bands.size()) {
            *error = std::to_string(choice.scales.size()) + " --scale options for " + std::to_string(bands.size()) +
                     " bands (give one for all or one per band)";
            return false;
        }
        std::vector<BandScale> scales = choice.scales;
        if (scales.empty() && info.type != SampleType::uint8) scales = RangesOf(raster, bands);
        if (scales.empty()) scales.assign(1, BandScale{0.0, 255.0});
        const size_t channels = bands.size();
        if (!sink.start(info.width, info.height, int(channels), error)) return false;
        std::vector<uint8_t> natural;
        ForEachStrip(raster, bands, [&](int64_t top, int64_t rows, const std::vector<uint8_t>& samples) {
            const size_t plane = size_t(rows * info.width);
            natural.resize(plane * channels);
            for (size_t b = 0; b < channels; ++b) {
                const BandScale& s = scales[scales.size() == 1 ? 0 : b];
                for (size_t k = 0; k < plane; ++k)
                    natural[k * channels + b] = ToByte(SampleAt(samples, info.type, b * plane + k), s);
            }
            sink.rows(top, rows, natural.data());
        });
        return true;
    } catch (const Error& e) {
        const std::string what = e.what();
        *error = what.find(path) == std::string::npos ? path + ": " + what : what;
        return false;
    }
}

bool RenderBands(const std::string& path, const BandChoice& choice, CNewDIB* dib, std::string* error) {
    int channels = 0;
    BandRowSink sink;
    sink.start = [&](int64_t width, int64_t height, int count, std::string* why) {
        channels = count;
        return MakePicture(width, height, count, dib, why);
    };
    sink.rows = [&](int64_t top, int64_t rows, const uint8_t* natural) {
        const size_t width = size_t(dib->GetWidth()), pixel = size_t(channels);
        for (int64_t y = 0; y < rows; ++y, natural += width * pixel) {
            BYTE* row = dib->GetDIBRow(int(dib->GetHeight() - 1 - (top + y)));
            if (pixel == 1) {
                std::copy(natural, natural + width, row);
                continue;
            }
            for (size_t x = 0; x < width; ++x)  // DIB rows keep blue first
                for (size_t c = 0; c < 3; ++c) row[x * 3 + c] = natural[x * 3 + 2 - c];
        }
    };
    return RenderBandRows(path, choice, sink, error);
}

Image RenderBandImage(const std::string& path, const BandChoice& choice) {
    Image image;
    int channels = 0;
    BandRowSink sink;
    sink.start = [&](int64_t width, int64_t height, int count, std::string* why) {
        if (width > INT32_MAX || height > INT32_MAX) {
            *why = "no storage for a " + std::to_string(width) + " x " + std::to_string(height) + " picture";
            return false;
        }
        channels = count;
        image = Image::create(int(width), int(height), count == 1 ? 8 : 24);
        return true;
    };
    sink.rows = [&](int64_t top, int64_t rows, const uint8_t* natural) {
        image.write_pixels(int(top), int(rows), natural, size_t(image.width()) * size_t(channels));
    };
    std::string error;
    if (!RenderBandRows(path, choice, sink, &error)) throw Error(ErrorCode::invalid_argument, error);
    return image;
}

bool TakeBandOptions(const std::vector<std::string>& args, BandChoice* choice, std::vector<std::string>* rest,
                     std::string* error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const int taken = TakeBandOption(args, &i, choice, error);
        if (taken < 0) return false;
        if (taken == 0) rest->push_back(args[i]);
    }
    return true;
}

std::string ExtraBandsNote(const std::string& path) {
    try {
        const Raster raster = Raster::open(path);
        const RasterInfo& info = raster.info();
        if (info.count < 4 || info.photometric != "rgb") return std::string();
        return path + " has " + std::to_string(info.count) +
               " bands; the picture shows bands 1-3 (--bands chooses others)";
    } catch (const Error&) {
        return std::string();
    }
}

}  // namespace velmora::cli
