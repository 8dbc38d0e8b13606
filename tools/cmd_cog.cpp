// velmora cog IN OUT: a Cloud-Optimized GeoTIFF of any image the library
// reads. A TIFF keeps its samples as stored (type, bands, georeferencing,
// no-data, scales); other formats give their picture as 8-bit bands.
// Rows go through in strips of one block's height, so memory stays bounded.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "tools/commands.h"
#include "velmora/raster.hpp"

namespace velmora::cli {

namespace {

const char kUsage[] =
    "usage: velmora cog IN OUT [--compress deflate|lzw|zstd|jpeg|none] [--blocksize N]\n"
    "                          [--overviews auto|none] [--resampling average|nearest]\n"
    "Writes OUT as a Cloud-Optimized GeoTIFF: tiles of N x N (default 512, a multiple of 16),\n"
    "compressed (default deflate), overviews halving until one tile holds the smallest (auto).\n"
    "A TIFF or GeoTIFF keeps its values as stored, its georeferencing, no-data and scales; BMP,\n"
    "JPEG, PNG and the other pictures give 8-bit grey, RGB or RGBA bands. JPEG takes 8-bit\n"
    "data of 1 or 3 bands.\n";

struct CogRequest {
    std::string input, output;
    RasterProfile profile;
    bool overviews = true;
    Resampling resampling = Resampling::average;
};

bool TakeOption(const std::string& name, const std::string& value, CogRequest* r, std::string* error) {
    if (name == "--compress") {
        if (value != "deflate" && value != "lzw" && value != "zstd" && value != "jpeg" && value != "none")
            return *error = "bad value '" + value + "' for --compress", false;
        r->profile.compression = value;
    } else if (name == "--blocksize") {
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (value.empty() || *end || n < 16 || n > 4096 || n % 16)
            return *error = "bad value '" + value + "' for --blocksize (16 to 4096, a multiple of 16)", false;
        r->profile.block_width = r->profile.block_height = int(n);
    } else if (name == "--overviews") {
        if (value != "auto" && value != "none") return *error = "bad value '" + value + "' for --overviews", false;
        r->overviews = value == "auto";
    } else if (name == "--resampling") {
        if (value != "average" && value != "nearest") return *error = "bad value '" + value + "' for --resampling", false;
        r->resampling = value == "average" ? Resampling::average : Resampling::nearest;
    } else {
        return *error = "unknown option '" + name + "'", false;
    }
    return true;
}

bool ParseRequest(const Args& args, CogRequest* r, std::string* error) {
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-') {
            if (i + 1 >= args.size()) return *error = args[i] + " needs a value", false;
            if (!TakeOption(args[i], args[i + 1], r, error)) return false;
            ++i;
        } else {
            files.push_back(args[i]);
        }
    }
    if (files.size() != 2) return *error = "cog takes one input and one output file", false;
    r->input = files[0];
    r->output = files[1];
    return true;
}

// The raster's values, a strip of rows at a time.
void CopyRaster(const Raster& in, RasterWriter& out) {
    std::vector<int> bands;
    for (int b = 1; b <= in.count(); ++b) bands.push_back(b);
    const std::int64_t rows = out.profile().block_height;
    std::vector<std::uint8_t> strip;
    for (std::int64_t top = 0; top < in.height(); top += rows) {
        const RasterWindow w{0, top, in.width(), std::min(rows, in.height() - top)};
        strip.resize(std::size_t(w.width * w.height) * bands.size() * sample_bytes(in.info().type));
        in.read(w, bands, {w.width, w.height}, strip.data(), strip.size(), in.info().type);
        out.write(w, bands, strip.data(), strip.size(), in.info().type);
    }
}

void DescribeRaster(const RasterInfo& info, RasterProfile* profile) {
    profile->width = info.width, profile->height = info.height, profile->count = info.count, profile->type = info.type;
    profile->geotransform = info.geotransform, profile->epsg = info.epsg, profile->nodata = info.nodata;
    profile->scales = info.scales, profile->offsets = info.offsets, profile->descriptions = info.descriptions;
}

// A picture's pixels as bands: indices through the palette to grey or RGB.
struct PictureBands {
    const Image& image;
    int count;

    static int CountOf(const Image& image) { return image.bit_count() <= 8 ? (image.gray() ? 1 : 3) : image.channels(); }

    // Rows [top, top + rows) as band planes.
    std::vector<std::uint8_t> Planes(int top, int rows) const {
        const int channels = image.channels(), width = image.width();
        std::vector<std::uint8_t> pixels(std::size_t(width) * rows * channels);
        image.copy_pixels(top, rows, pixels.data(), pixels.size());
        const std::vector<Rgb> palette = image.palette();
        std::vector<std::uint8_t> planes(std::size_t(width) * rows * count);
        const std::size_t plane = std::size_t(width) * rows;
        for (std::size_t p = 0; p < plane; ++p) {
            if (channels == 1 && count == 3) {
                const Rgb c = palette.empty() ? Rgb{{pixels[p], pixels[p], pixels[p]}} : palette[pixels[p] % palette.size()];
                planes[p] = c[0], planes[plane + p] = c[1], planes[2 * plane + p] = c[2];
                continue;
            }
            for (int b = 0; b < count; ++b) planes[b * plane + p] = pixels[p * channels + b];
        }
        return planes;
    }
};

void CopyPicture(const Image& image, RasterWriter& out) {
    const PictureBands picture{image, out.profile().count};
    std::vector<int> bands;
    for (int b = 1; b <= picture.count; ++b) bands.push_back(b);
    for (int top = 0; top < image.height(); top += out.profile().block_height) {
        const int rows = std::min(out.profile().block_height, image.height() - top);
        const std::vector<std::uint8_t> planes = picture.Planes(top, rows);
        out.write({0, top, image.width(), rows}, bands, planes.data(), planes.size(), SampleType::uint8);
    }
}

void MakeCog(CogRequest& r) {
    r.profile.cog = true;
    r.profile.auto_overviews = r.overviews;
    std::optional<Raster> raster;
    try {
        raster = Raster::open(r.input);
    } catch (const Error& e) {
        if (e.code() != ErrorCode::unknown_format) throw;  // else a picture: the reader below takes it
    }
    if (raster) {
        DescribeRaster(raster->info(), &r.profile);
        RasterWriter out = RasterWriter::create(r.output, r.profile);
        CopyRaster(*raster, out);
        if (r.overviews) out.build_overviews({}, r.resampling);
        out.close();
        return;
    }
    const Image image = Image::open(r.input);
    r.profile.width = image.width(), r.profile.height = image.height();
    r.profile.count = PictureBands::CountOf(image);
    RasterWriter out = RasterWriter::create(r.output, r.profile);
    CopyPicture(image, out);
    if (r.overviews) out.build_overviews({}, r.resampling);
    out.close();
}

}  // namespace

int RunCog(const Args& args) {
    CogRequest request;
    std::string error;
    if (!ParseRequest(args, &request, &error)) {
        std::fprintf(stderr, "velmora: %s\n%s", error.c_str(), kUsage);
        return kExitUsage;
    }
    try {
        MakeCog(request);
    } catch (const Error& e) {
        std::fprintf(stderr, "velmora: %s\n", e.what());
        return kExitFailure;
    }
    if (!IsQuiet()) std::printf("wrote %s\n", request.output.c_str());
    return kExitOk;
}

}  // namespace velmora::cli
