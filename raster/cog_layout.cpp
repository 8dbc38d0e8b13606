#include "raster/cog_layout.h"

#include "codecs/tiff/tiff_open.h"
#include "raster/block_io.h"

namespace velmora::raster {

namespace {

[[noreturn]] void Fail(const std::string& path, const TiffMessages& messages) {
    throw Error(ErrorCode::write_failed, "cannot write " + path + ": " + messages.last, std::string(), errno);
}

// Each block refers to its directory's JPEG tables; the copy keeps them.
void CopyJpegTables(TIFF* in, TIFF* out) {
    uint32_t count = 0;
    void* tables = nullptr;
    if (TIFFGetField(in, TIFFTAG_JPEGTABLES, &count, &tables) && tables) TIFFSetField(out, TIFFTAG_JPEGTABLES, count, tables);
}

// The directories, their block arrays left for later so that they do not
// sit between the directories.
void WriteDirectories(TIFF* in, TIFF* out, const RasterProfile& profile, const Coding& coding,
                      const std::vector<LevelGeometry>& levels, const std::string& path, const TiffMessages& messages) {
    for (size_t i = 0; i < levels.size(); ++i) {
        if (!TIFFSetDirectory(in, tdir_t(i))) Fail(path, messages);
        if (!SetLevelTags(out, profile, coding, levels[i], i > 0)) Fail(path, messages);
        CopyJpegTables(in, out);
        if (!TIFFDeferStrileArrayWriting(out) || !TIFFWriteCheck(out, levels[i].tiled, "cog") ||
            !TIFFWriteDirectory(out))
            Fail(path, messages);
    }
}

void CopyBlocks(TIFF* in, TIFF* out, const LevelGeometry& level, const std::string& path, const TiffMessages& messages) {
    std::vector<uint8_t> raw;
    for (uint32_t index = 0; index < level.Blocks(); ++index) {
        const uint64_t bytes = TIFFGetStrileByteCount(in, index);
        if (bytes == 0) continue;
        raw.resize(bytes);
        const tmsize_t got = level.tiled ? TIFFReadRawTile(in, index, raw.data(), tmsize_t(bytes))
                                         : TIFFReadRawStrip(in, index, raw.data(), tmsize_t(bytes));
        if (got != tmsize_t(bytes)) throw Error(ErrorCode::bad_data, "cannot read back block " + std::to_string(index));
        const tmsize_t put = level.tiled ? TIFFWriteRawTile(out, index, raw.data(), got)
                                         : TIFFWriteRawStrip(out, index, raw.data(), got);
        if (put != got) Fail(path, messages);
    }
}

}  // namespace

void WriteCog(const std::string& workPath, const std::string& outPath, const RasterProfile& profile, const Coding& coding,
              const std::vector<LevelGeometry>& levels) {
    TiffMessages messages;
    tiff::TiffHandle in(tiff::OpenTiffForReading(workPath.c_str()));
    if (!in) throw Error(ErrorCode::bad_data, "cannot read back " + workPath);
    tiff::TiffHandle out(OpenTiffForWriting(outPath.c_str(), coding.bigTiff, &messages));
    if (!out) Fail(outPath, messages);
    WriteDirectories(in.get(), out.get(), profile, coding, levels, outPath, messages);
    for (size_t i = levels.size(); i-- > 0;) {
        if (!TIFFSetDirectory(in.get(), tdir_t(i)) || !TIFFSetDirectory(out.get(), tdir_t(i))) Fail(outPath, messages);
        CopyBlocks(in.get(), out.get(), levels[i], outPath, messages);
        if (!TIFFForceStrileArrayWriting(out.get())) Fail(outPath, messages);
    }
    if (!TIFFFlush(out.get())) Fail(outPath, messages);
}

}  // namespace velmora::raster
