#include "tools/overview_picture.h"

#include <cstring>
#include <vector>

#include "velmora/newdib.h"
#include "velmora/raster.hpp"
#include "velmora/thumbnail.h"

namespace velmora::cli {

namespace {

bool PlainPicture(const RasterInfo& info) {
    if (info.type != SampleType::uint8 || info.overviews.empty()) return false;
    if (info.count == 1) return info.photometric == "minisblack";
    return (info.count == 3 || info.count == 4) && (info.photometric == "rgb" || info.photometric == "ycbcr");
}

// The smallest overview at least twice the thumbnail each way; -1 for none.
int LevelForBox(const RasterInfo& info, int boxWidth, int boxHeight) {
    int width = 0, height = 0;
    FitThumbnailSize(static_cast<int>(info.width), static_cast<int>(info.height), boxWidth, boxHeight, &width,
                     &height);
    int best = -1;
    for (size_t i = 0; i < info.overviews.size(); ++i)
        if (info.overviews[i].width >= 2 * int64_t{width} && info.overviews[i].height >= 2 * int64_t{height})
            best = static_cast<int>(i);
    return best;
}

// Band planes (grey, or R, G, B) to the DIB's bottom-up BGR rows.
bool FillPicture(const std::vector<uint8_t>& planes, int bands, int width, int height, CNewDIB* image) {
    if (!image->CreateDIB(width, height, 24)) return false;
    const size_t plane = size_t(width) * height;
    for (int y = 0; y < height; ++y) {
        BYTE* row = image->GetDIBRow(height - 1 - y);
        if (!row) return false;
        const uint8_t* r = planes.data() + size_t(y) * width;
        const uint8_t* g = bands == 3 ? r + plane : r;
        const uint8_t* b = bands == 3 ? r + 2 * plane : r;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = b[x];
            row[3 * x + 1] = g[x];
            row[3 * x + 2] = r[x];
        }
    }
    return true;
}

}  // namespace

bool ReadOverviewForBox(const std::string& path, int boxWidth, int boxHeight, CNewDIB* image) {
    try {
        const Raster raster = Raster::open(path);
        const RasterInfo& info = raster.info();
        if (!PlainPicture(info) || info.width > INT32_MAX || info.height > INT32_MAX) return false;
        const int level = LevelForBox(info, boxWidth, boxHeight);
        if (level < 0) return false;
        const RasterSize size = info.overviews[level];
        const std::vector<int> bands = info.count == 1 ? std::vector<int>{1} : std::vector<int>{1, 2, 3};
        std::vector<uint8_t> planes(size_t(size.width * size.height) * bands.size());
        // Asking for exactly an overview's size reads its pixels as stored.
        raster.read({0, 0, info.width, info.height}, bands, size, planes.data(), planes.size(), SampleType::uint8);
        CNewDIB picture;
        if (!FillPicture(planes, int(bands.size()), int(size.width), int(size.height), &picture)) return false;
        return image->CopyDIBObject(&picture) != 0;
    } catch (const Error&) {
        return false;
    }
}

}  // namespace velmora::cli
