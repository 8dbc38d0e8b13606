#include "codecs/tiff/tiff_range.h"

#include <algorithm>

#include "platform/helper_thread.h"

namespace velmora::tiff {

namespace {

// Below this many decoded bytes a second thread and handle cost more than they save.
constexpr uint64_t kBytesWorthAThread = uint64_t{16} << 20;

Failure MeasureRows(BandSource& bands, const SampleConverter& converter, uint32_t from, uint32_t to,
                    SampleRange* range, KeptRun& run, std::atomic<uint64_t>* budget) {
    return ForEachBand(bands, from, to, [&](uint32_t first, uint32_t count) -> Failure {
        for (uint32_t k = 0; k < count; ++k) converter.Measure(bands.Row(k), range);
        run.Keep(first, count, bands, budget);
        return nullptr;
    });
}

SampleRange Merged(const SampleRange& a, const SampleRange& b) {
    if (a.empty) return b;
    if (b.empty) return a;
    return SampleRange{std::min(a.low, b.low), std::max(a.high, b.high), false};
}

// The rows [from, length) measured through a handle of their own; false when
// the file cannot be opened again as it was (the caller then measures them).
bool MeasureOnOwnHandle(const char* path, const Layout& layout, uint64_t windowBytes,
                        const SampleConverter& converter, uint32_t from, SampleRange* range, KeptRows& kept,
                        Failure* failure) {
    TiffHandle tif(OpenTiffForReading(path));
    if (!tif) return false;
    const Layout again = ReadLayout(tif.get());
    if (again.width != layout.width || again.length != layout.length || again.rule != layout.rule) return false;
    BandSource bands(path, tif.get(), again, again.channels);
    if (bands.Prepare(windowBytes) || from % bands.BandRows() != 0) return false;
    *failure = MeasureRows(bands, converter, from, layout.length, range, kept.Run(1), kept.Budget());
    return true;
}

}  // namespace

Failure MeasureRange(const char* path, const Layout& layout, uint64_t windowBytes, BandSource& bands,
                     SampleConverter& converter, KeptRows& kept) {
    const uint32_t bandCount = (layout.length + bands.BandRows() - 1) / bands.BandRows();
    const uint32_t half = bandCount / 2 * bands.BandRows();
    const uint64_t decoded = uint64_t{layout.length} * bands.RowBytes();
    SampleRange upper, lower;
    Failure failure = nullptr;
    if (half == 0 || !bands.AnyOrder() || decoded < kBytesWorthAThread || !SpareCoreLikely()) {
        failure = MeasureRows(bands, converter, 0, layout.length, &upper, kept.Run(0), kept.Budget());
        converter.SetRange(upper);
        return failure;
    }
    Failure helperFailure = nullptr;
    bool helped = false;
    HelperThread helper;
    helper.Start([&] {
        helped = MeasureOnOwnHandle(path, layout, windowBytes, converter, half, &lower, kept, &helperFailure);
    });
    failure = MeasureRows(bands, converter, 0, half, &upper, kept.Run(0), kept.Budget());
    // Not started, or stopped by an exception: the lower half is measured here.
    if (!helper.Join()) helped = false;
    if (!failure && !helped)
        failure = MeasureRows(bands, converter, half, layout.length, &lower, kept.Run(0), kept.Budget());
    if (!failure) failure = helperFailure;
    converter.SetRange(Merged(upper, lower));
    return failure;
}

}  // namespace velmora::tiff
