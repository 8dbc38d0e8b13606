// RasterWriter: windows into blocks, complete blocks encoded at once, the
// rest pending; overviews and the COG layout at the end; the target
// replaced only by a finished file.
#include <algorithm>
#include <cmath>
#include <set>

#include "codecs/tiff/tiff_open.h"
#include "frame/safe_save.h"
#include "raster/block_io.h"
#include "raster/cog_layout.h"
#include "raster/overview_build.h"
#include "raster/pending_blocks.h"
#include "raster/sample_unpack.h"
#include "raster/window_scatter.h"
#include "raster/writer_layout.h"

namespace velmora {

using namespace raster;

namespace {

enum class Stage { writing, reduced, closed, failed };

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::vector<uint8_t> FillSample(const RasterProfile& profile) {
    std::vector<uint8_t> fill(sample_bytes(profile.type));
    FillSamples(fill.data(), 1, profile.type, profile.nodata ? *profile.nodata : 0.0);
    return fill;
}

[[noreturn]] void Refuse(const std::string& why) { throw Error(ErrorCode::invalid_argument, "cannot write the window: " + why); }

}  // namespace

struct RasterWriter::Impl {
    Impl(const std::string& path, const RasterProfile& s)
        : profile(s), coding(CheckProfile(s)), full(FullLevel(s)), target(path), output(path.c_str()),
          work(path.c_str()), fill(FillSample(s)),
          pending(coding.blockBytes, uint64_t(full.blockWidth) * full.blockHeight * s.count, fill, DirectoryOf(path)),
          done(full.Blocks(), false) {}

    RasterProfile profile;
    Coding coding;
    LevelGeometry full;
    std::string target;
    SafeSave output;  // the finished file, renamed over the target
    SafeSave work;    // a COG's first layout; never committed
    std::vector<uint8_t> fill;
    PendingBlocks pending;
    std::vector<bool> done;
    std::vector<LevelGeometry> levels;  // in the work file's order
    std::vector<int> factors;           // of levels (1 for the full image)
    tiff::TiffHandle tif;
    TiffMessages messages;
    Stage stage = Stage::writing;

    std::string WorkPath() const { return profile.cog ? work.TempPath() : output.TempPath(); }

    void Start() {
        if (!output.Create() || (profile.cog && !work.Create()))
            throw Error(ErrorCode::write_failed, "cannot create a file beside " + target, std::string(), errno);
        tif.reset(OpenTiffForWriting(WorkPath().c_str(), coding.bigTiff, &messages));
        if (!tif || !SetLevelTags(tif.get(), profile, coding, full, false))
            throw Error(ErrorCode::write_failed, "cannot write " + target + ": " + messages.last);
        levels.push_back(full);
        factors.push_back(1);
    }

    void CheckWindow(const RasterWindow& w, const std::vector<int>& bands, size_t bufferBytes, SampleType type) const {
        if (stage != Stage::writing) Refuse("the writer takes no more windows (overviews built, closed or failed)");
        if (type != profile.type)
            Refuse(std::string("samples are ") + to_string(type) + ", the raster holds " + to_string(profile.type));
        if (w.width <= 0 || w.height <= 0 || w.col < 0 || w.row < 0 || w.col > profile.width - w.width ||
            w.row > profile.height - w.height)
            Refuse("window outside the " + std::to_string(profile.width) + "x" + std::to_string(profile.height) + " raster");
        if (bands.empty()) Refuse("no band given");
        std::set<int> seen;
        for (int b : bands)
            if (b < 1 || b > profile.count || !seen.insert(b).second)
                Refuse("band " + std::to_string(b) + " is out of range 1.." + std::to_string(profile.count) + " or repeated");
        const uint64_t need = uint64_t(w.width) * uint64_t(w.height) * bands.size() * sample_bytes(type);
        if (bufferBytes < need)
            Refuse("the buffer holds " + std::to_string(bufferBytes) + " bytes, the window needs " + std::to_string(need));
        ForEachBlock(w, [&](uint32_t index) {
            if (done[index]) Refuse("block " + std::to_string(index) + " was complete and is already encoded");
        });
    }

    template <class F>
    void ForEachBlock(const RasterWindow& w, F f) const {
        for (int64_t by = w.row / full.blockHeight; by * full.blockHeight < w.row + w.height; ++by)
            for (int64_t bx = w.col / full.blockWidth; bx * full.blockWidth < w.col + w.width; ++bx)
                f(uint32_t(by * full.across + bx));
    }

    uint64_t SamplesInside(uint32_t index) const {
        const RasterWindow b = full.BlockWindow(index);
        return uint64_t(b.width) * uint64_t(b.height) * uint64_t(profile.count);
    }

    // Marks the samples of `source` inside block `index` given; true when
    // every sample of the block has been.
    bool Give(const PlanarWindow& source, uint32_t index) {
        const RasterWindow block = full.BlockWindow(index);
        const RasterWindow part = Intersection(source.window, block);
        const uint64_t plane = uint64_t(full.blockWidth) * full.blockHeight;
        uint64_t given = 0;
        for (int b : source.bands)
            for (int64_t y = part.row; y < part.row + part.height; ++y)
                given = pending.Give(index, uint64_t(b - 1) * plane + uint64_t(y - block.row) * full.blockWidth +
                                                uint64_t(part.col - block.col),
                                     uint64_t(part.width));
        return given == SamplesInside(index);
    }

    void Encode(uint32_t index) {
        WriteBlock(tif.get(), full, BlockRowBytes(full, profile), index, pending.Samples(index), target, messages);
        pending.Forget(index);
        done[index] = true;
    }

    void Write(const PlanarWindow& source) {
        ForEachBlock(source.window, [&](uint32_t index) {
            ScatterIntoBlock(source, full.BlockWindow(index), full.blockWidth, pending.Samples(index));
            if (Give(source, index)) Encode(index);
        });
    }

    // Every block encoded, those never given as fill, and the directory out.
    void FinishFullImage() {
        for (uint32_t index = 0; index < full.Blocks(); ++index)
            if (!done[index]) {
                pending.Samples(index);
                Encode(index);
            }
        if (!TIFFWriteDirectory(tif.get())) throw Error(ErrorCode::write_failed, "cannot write " + target + ": " + messages.last);
    }

    // The level the overview of `factor` is made from: the last one whose
    // factor divides it.
    size_t SourceOf(int factor) const {
        size_t source = 0;
        for (size_t i = 0; i < factors.size(); ++i)
            if (factor % factors[i] == 0) source = i;
        return source;
    }

    void AddOverview(int factor, Resampling resampling) {
        const size_t source = SourceOf(factor);
        tiff::TiffHandle reader(tiff::OpenTiffForReading(WorkPath().c_str()));
        if (!reader || !TIFFSetDirectory(reader.get(), tdir_t(source)))
            throw Error(ErrorCode::bad_data, "cannot read back the written levels of " + target);
        const LevelGeometry level = ReducedLevel(profile, factor);
        if (!SetLevelTags(tif.get(), profile, coding, level, true))
            throw Error(ErrorCode::write_failed, "cannot write " + target + ": " + messages.last);
        ReductionJob job{reader.get(), levels[source], level, factor / factors[source], resampling, fill};
        BuildReducedLevel(job, profile, tif.get(), target, messages);
        if (!TIFFWriteDirectory(tif.get())) throw Error(ErrorCode::write_failed, "cannot write " + target + ": " + messages.last);
        levels.push_back(level);
        factors.push_back(factor);
    }

    void Close() {
        if (stage == Stage::writing && profile.cog && profile.auto_overviews) BuildOverviews(OverviewFactors({}), Resampling::average);
        if (stage == Stage::writing) FinishFullImage();
        if (!TIFFFlush(tif.get())) throw Error(ErrorCode::write_failed, "cannot write " + target + ": " + messages.last);
        tif.reset();
        if (profile.cog) WriteCog(work.TempPath(), output.TempPath(), profile, coding, levels);
        if (!output.Commit())
            throw Error(ErrorCode::write_failed, "cannot put the file under " + target, std::string(), errno);
        work.Abandon();
        stage = Stage::closed;
    }

    std::vector<int> OverviewFactors(std::vector<int> wanted) const {
        if (stage != Stage::writing) Refuse("overviews are built once, before close");
        if (wanted.empty()) wanted = auto_overview_factors(profile.width, profile.height, int(full.blockWidth), int(full.blockHeight));
        std::sort(wanted.begin(), wanted.end());
        wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
        for (int f : wanted)
            if (f < 2 || f > profile.width || f > profile.height)
                throw Error(ErrorCode::invalid_argument, "an overview factor must be 2 up to the raster's smaller side");
        return wanted;
    }

    void BuildOverviews(const std::vector<int>& wanted, Resampling resampling) {
        FinishFullImage();
        stage = Stage::reduced;
        for (int f : wanted) AddOverview(f, resampling);
    }

    // Runs `f`; a failure part way marks the writer failed, dropping its
    // files (the caller's mistakes are refused before anything is done).
    template <class F>
    void Guarded(F f) {
        try {
            f();
        } catch (...) {
            Fail();
            throw;
        }
    }

    void Fail() {
        stage = Stage::failed;
        tif.reset();
        output.Abandon();
        work.Abandon();
    }
};

std::vector<int> auto_overview_factors(std::int64_t width, std::int64_t height, int blockWidth, int blockHeight) {
    std::vector<int> factors;
    for (int64_t f = 2; f < (int64_t{1} << 30); f *= 2) {
        const int64_t w = (width + f / 2 - 1) / (f / 2), h = (height + f / 2 - 1) / (f / 2);
        if (w <= blockWidth && h <= blockHeight) break;
        factors.push_back(int(f));
    }
    return factors;
}

RasterWriter RasterWriter::create(const std::string& path, const RasterProfile& profile) {
    auto impl = std::make_unique<Impl>(path, profile);
    impl->Start();
    return RasterWriter(std::move(impl));
}

RasterWriter::RasterWriter(std::unique_ptr<Impl> impl) : m_impl(std::move(impl)) {}
RasterWriter::~RasterWriter() = default;
RasterWriter::RasterWriter(RasterWriter&&) noexcept = default;
RasterWriter& RasterWriter::operator=(RasterWriter&&) noexcept = default;

const RasterProfile& RasterWriter::profile() const { return m_impl->profile; }

void RasterWriter::write(const RasterWindow& window, const std::vector<int>& bands, const void* buffer,
                         std::size_t bufferBytes, SampleType type) {
    m_impl->CheckWindow(window, bands, bufferBytes, type);
    const PlanarWindow source{static_cast<const uint8_t*>(buffer), window, bands, sample_bytes(type), m_impl->profile.count};
    m_impl->Guarded([&] { m_impl->Write(source); });
}

void RasterWriter::build_overviews(const std::vector<int>& factors, Resampling resampling) {
    const std::vector<int> wanted = m_impl->OverviewFactors(factors);
    m_impl->Guarded([&] { m_impl->BuildOverviews(wanted, resampling); });
}

void RasterWriter::close() {
    if (m_impl->stage == Stage::closed) return;
    if (m_impl->stage == Stage::failed) Refuse("the writer failed before; nothing was written");
    m_impl->Guarded([&] { m_impl->Close(); });
}

}  // namespace velmora
