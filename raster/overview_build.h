// A reduced level made from the level above it as it was written, one
// output block at a time: only the source blocks an output block covers are
// decoded, each once, so no level is held whole.
#pragma once

#include <tiffio.h>

#include <string>
#include <vector>

#include "raster/block_io.h"
#include "raster/writer_layout.h"

namespace velmora::raster {

struct ReductionJob {
    TIFF* source = nullptr;  // at the source level's directory
    LevelGeometry from, to;
    int step = 2;            // source pixels per output pixel, each way
    Resampling resampling = Resampling::average;
    std::vector<uint8_t> fill;  // one sample: no-data or 0
};

// Writes every block of `job.to` into `out`'s current directory. Average:
// the mean of the valid source samples (not no-data, not NaN) rounded to
// the nearest integer for integer types, the fill when none is valid.
// Nearest: the source sample at step / 2 into the covered square, clamped
// to the source's last row and column.
void BuildReducedLevel(const ReductionJob& job, const RasterProfile& profile, TIFF* out, const std::string& path,
                       const TiffMessages& messages);

}  // namespace velmora::raster
