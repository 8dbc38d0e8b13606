// The recorded model values as a pixel-to-model map (GDAL's geotransform),
// and their recomputation when the image is turned or flipped.
#include <algorithm>
#include <climits>
#include <vector>

#include "codecs/tiff/tiff_orientation.h"
#include "geotiff/geo_extras.h"

namespace {

namespace geo = velmora::geo;

// Where the pixel at (u', v') of the transformed image was before:
// u = a[0] + a[1] u' + a[2] v', v = b[0] + b[1] u' + b[2] v'. `w` and `h`
// are the extents of the old image in its raster coordinates.
struct PixelMap {
    double a[3], b[3];
};

bool MapFor(int operation, double w, double h, PixelMap* map) {
    switch (operation) {
        case GEO_HORIZON_FLIP: *map = {{w, -1, 0}, {0, 0, 1}}; return true;
        case GEO_VERTICAL_FLIP: *map = {{0, 1, 0}, {h, 0, -1}}; return true;
        case GEO_RIGHT_ROTATE: *map = {{0, 0, 1}, {h, -1, 0}}; return true;   // top-left ends top right
        case GEO_LEFT_ROTATE: *map = {{w, 0, -1}, {0, 1, 0}}; return true;    // top-left ends bottom left
        default: return false;
    }
}

// Where the old pixel position (u, v) lies in the transformed image.
void MovePixel(int operation, double w, double h, double* u, double* v) {
    const double oldU = *u, oldV = *v;
    switch (operation) {
        case GEO_HORIZON_FLIP: *u = w - oldU; break;
        case GEO_VERTICAL_FLIP: *v = h - oldV; break;
        case GEO_RIGHT_ROTATE: *u = h - oldV, *v = oldU; break;
        case GEO_LEFT_ROTATE: *u = oldV, *v = w - oldU; break;
        default: break;
    }
}

// One output coordinate, c + cu u + cv v, after the pixel map: the row of a
// geotransform (c at [0], cu at [1], cv at [2]) or of a transformation.
void ComposeRow(const PixelMap& map, double* c, double* cu, double* cv) {
    const double u = *cu, v = *cv;
    *c += u * map.a[0] + v * map.b[0];
    *cu = u * map.a[1] + v * map.b[1];
    *cv = u * map.a[2] + v * map.b[2];
}

// The map a tie point and a pixel scale give (the first tie point, as GDAL
// takes it); false when they give none.
bool FromTiepoint(const std::vector<double>& tiepoints, const double scale[3], double g[6]) {
    if (tiepoints.size() < 6 || scale[0] == 0 || scale[1] == 0) return false;
    const double* tie = tiepoints.data();
    const double values[6] = {tie[3] - tie[0] * scale[0], scale[0], 0, tie[4] + tie[1] * scale[1], 0, -scale[1]};
    std::copy(values, values + 6, g);
    return true;
}

int GeoOperation(velmora::tiff::OrientationStep step) {
    using Step = velmora::tiff::OrientationStep;
    switch (step) {
        case Step::kHorizontalFlip: return GEO_HORIZON_FLIP;
        case Step::kVerticalFlip: return GEO_VERTICAL_FLIP;
        case Step::kRightTurn: return GEO_RIGHT_ROTATE;
        case Step::kLeftTurn: return GEO_LEFT_ROTATE;
        case Step::kNone: break;
    }
    return 0;
}

}  // namespace

bool CGeoTIFF::HasModelScale() const { return m_extras->pixelScaleRecorded || m_dPixelScale[0] != -1.0; }

bool CGeoTIFF::HasModelTransformation() const {
    return m_extras->transformationRecorded || m_dTransformation[0] != -1.0;
}

// As GDAL reads them: a pixel scale with the first tie point before a
// transformation. In a raster of points, the tags name pixel centres.
int CGeoTIFF::GetGeoTransform(double transform[6]) const {
    const double* m = m_dTransformation;
    const bool fromTiepoint = HasModelScale() && FromTiepoint(m_recordedTiepoints, m_dPixelScale, transform);
    if (!fromTiepoint) {
        if (!HasModelTransformation()) return 0;
        const double values[6] = {m[3], m[0], m[1], m[7], m[4], m[5]};
        std::copy(values, values + 6, transform);
    }
    if (m_nGTRasterTypeGeoKey == geo::kRasterPixelIsPoint) {
        transform[0] -= 0.5 * transform[1] + 0.5 * transform[2];
        transform[3] -= 0.5 * transform[4] + 0.5 * transform[5];
    }
    return 1;
}

void CGeoTIFF::SetGeoTransform(const double transform[6]) {
    double native[6];
    std::copy(transform, transform + 6, native);
    if (m_nGTRasterTypeGeoKey == geo::kRasterPixelIsPoint) {
        native[0] += 0.5 * native[1] + 0.5 * native[2];
        native[3] += 0.5 * native[4] + 0.5 * native[5];
    }
    SetModelTransform(native, nullptr, HasModelScale() ? m_dPixelScale[2] : 0.0);
}

// North up with x growing east (what GDAL writes as a tie point and pixel
// scale, and reads without a warning): a tie point at the first pixel and a
// pixel scale. Anything else: a transformation. `tiepoint` gives the raster
// and model z values to keep.
void CGeoTIFF::SetModelTransform(const double g[6], const double* tiepoint, double zScale) {
    Extras& extras = *m_extras;
    const double k = tiepoint ? tiepoint[2] : 0.0, z = tiepoint ? tiepoint[5] : 0.0;
    if (g[1] > 0 && g[5] < 0 && g[2] == 0 && g[4] == 0) {
        m_recordedTiepoints = {0, 0, k, g[0], g[3], z};
        extras.tiepointsRecorded = true;
        const double scale[3] = {g[1], -g[5], zScale};
        std::copy(scale, scale + 3, m_dPixelScale);
        extras.pixelScaleRecorded = true;
        std::fill(m_dTransformation, m_dTransformation + 16, -1.0);
        extras.transformationRecorded = false;
        return;
    }
    const double matrix[16] = {g[1], g[2], 0, g[0], g[4], g[5], 0, g[3], 0, 0, zScale, z - k * zScale, 0, 0, 0, 1};
    std::copy(matrix, matrix + 16, m_dTransformation);
    extras.transformationRecorded = true;
    m_recordedTiepoints.clear();
    extras.tiepointsRecorded = false;
    std::fill(m_dPixelScale, m_dPixelScale + 3, -1.0);
    extras.pixelScaleRecorded = false;
}

// Each kind of model value is moved with the pixels: a transformation is
// composed with the pixel map; a tie point with a pixel scale becomes the
// map of the turned image; tie points alone move with their pixels.
int CGeoTIFF::TransformGeoreferencing(int operation, int width, int height) {
    // In a raster of points, pixel positions run from the first centre to
    // the last; in one of areas, from the first corner to the last.
    const double edge = m_nGTRasterTypeGeoKey == geo::kRasterPixelIsPoint ? 1.0 : 0.0;
    const double w = width - edge, h = height - edge;
    PixelMap map;
    if (width <= 0 || height <= 0 || !MapFor(operation, w, h, &map)) return 0;
    int moved = 0;
    if (HasModelTransformation()) {
        double* m = m_dTransformation;
        for (int row = 0; row < 3; ++row) ComposeRow(map, &m[row * 4 + 3], &m[row * 4], &m[row * 4 + 1]);
        moved = 1;
    }
    double g[6];
    if (HasModelScale() && FromTiepoint(m_recordedTiepoints, m_dPixelScale, g)) {
        ComposeRow(map, &g[0], &g[1], &g[2]);
        ComposeRow(map, &g[3], &g[4], &g[5]);
        const double kept[6] = {m_recordedTiepoints[0], m_recordedTiepoints[1], m_recordedTiepoints[2],
                                m_recordedTiepoints[3], m_recordedTiepoints[4], m_recordedTiepoints[5]};
        SetModelTransform(g, kept, m_dPixelScale[2]);
        moved = 1;
    } else if (m_recordedTiepoints.size() >= 6) {
        for (size_t i = 0; i + 6 <= m_recordedTiepoints.size(); i += 6)
            MovePixel(operation, w, h, &m_recordedTiepoints[i], &m_recordedTiepoints[i + 1]);
        moved = 1;
    }
    return moved;
}

// The library reads a picture stored turned or mirrored upright; the model
// values are moved with the same steps, so they describe what it reads.
void CGeoTIFF::FollowOrientation() {
    const Extras& extras = *m_extras;
    if (extras.storedWidth > INT_MAX || extras.storedHeight > INT_MAX) return;
    int width = static_cast<int>(extras.storedWidth), height = static_cast<int>(extras.storedHeight);
    const velmora::tiff::OrientationSteps steps = velmora::tiff::StepsForOrientation(extras.orientation);
    for (const velmora::tiff::OrientationStep step : {steps.first, steps.second}) {
        const int operation = GeoOperation(step);
        if (!operation) continue;
        TransformGeoreferencing(operation, width, height);
        if (operation == GEO_LEFT_ROTATE || operation == GEO_RIGHT_ROTATE) std::swap(width, height);
    }
}
