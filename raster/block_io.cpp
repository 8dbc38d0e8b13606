#include "raster/block_io.h"

#include <cstdio>
#include <cstring>

#include "codecs/tiff/tiff_tag_extender.h"
#include "velmora/image.hpp"

namespace velmora::raster {

namespace {

int KeepMessage(TIFF*, void* user, const char* module, const char* fmt, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, fmt, args);
    static_cast<TiffMessages*>(user)->last = std::string(module ? module : "libtiff") + ": " + text;
    return 1;
}

int DropMessage(TIFF*, void*, const char*, const char*, va_list) { return 1; }

uint64_t RowsIn(const LevelGeometry& level, uint32_t index) { return uint64_t(level.BlockWindow(index).height); }

}  // namespace

TIFF* OpenTiffForWriting(const char* path, bool bigTiff, TiffMessages* messages) {
    tiff::RegisterGeoTiffTags();
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options) {
        TIFFOpenOptionsSetErrorHandlerExtR(options, KeepMessage, messages);
        TIFFOpenOptionsSetWarningHandlerExtR(options, DropMessage, nullptr);
    }
    TIFF* tif = TIFFOpenExt(path, bigTiff ? "w8" : "w", options);
    TIFFOpenOptionsFree(options);
    return tif;
}

void WriteBlock(TIFF* tif, const LevelGeometry& level, uint64_t rowBytes, uint32_t index, uint8_t* data,
                const std::string& path, const TiffMessages& messages) {
    const tmsize_t written = level.tiled ? TIFFWriteEncodedTile(tif, index, data, tmsize_t(rowBytes * level.blockHeight))
                                         : TIFFWriteEncodedStrip(tif, index, data, tmsize_t(rowBytes * RowsIn(level, index)));
    if (written < 0)
        throw Error(ErrorCode::write_failed, "cannot write " + path + ": " + messages.last, std::string(), errno);
}

void ReadBlock(TIFF* tif, const LevelGeometry& level, uint64_t rowBytes, uint32_t index, uint8_t* data,
               const std::vector<uint8_t>& fill) {
    const uint64_t bytes = rowBytes * level.blockHeight;
    if (TIFFGetStrileByteCount(tif, index) == 0) {
        for (uint64_t at = 0; at + fill.size() <= bytes; at += fill.size()) std::memcpy(data + at, fill.data(), fill.size());
        return;
    }
    const tmsize_t got = level.tiled ? TIFFReadEncodedTile(tif, index, data, tmsize_t(bytes))
                                     : TIFFReadEncodedStrip(tif, index, data, tmsize_t(rowBytes * RowsIn(level, index)));
    if (got < 0) throw Error(ErrorCode::bad_data, "cannot read back block " + std::to_string(index) + " of the raster");
}

}  // namespace velmora::raster
