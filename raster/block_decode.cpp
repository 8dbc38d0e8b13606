#include "raster/block_decode.h"

#include <new>

#include "raster/sample_unpack.h"
#include "storage/memory_budget.h"
#include "velmora/system.h"

namespace velmora::raster {

namespace {

// The most one block may take: what the limit leaves, else half the
// machine's memory. A decompression bomb cannot claim more than this.
uint64_t BlockAllowance() {
    return GetProcessMemoryLimit() ? BudgetFree() : BlockCache::MachineMemory() / 2;
}

uint64_t RawBlockBytes(TIFF* tif, const TiffLevel& level) {
    return level.tiled ? TIFFTileSize64(tif) : TIFFStripSize64(tif);
}

// libtiff's decode of one block into `buffer` of `bytes`.
bool DecodeRaw(TIFF* tif, const TiffLevel& level, uint32_t index, void* buffer, uint64_t bytes) {
    const tmsize_t size = static_cast<tmsize_t>(bytes);
    const tmsize_t got = level.tiled ? TIFFReadEncodedTile(tif, index, buffer, size)
                                     : TIFFReadEncodedStrip(tif, index, buffer, size);
    return got > 0;
}

// Rows of packed or narrow samples to the level's type.
void Unpack(const uint8_t* raw, const TiffLevel& level, DecodedBlock* block) {
    const size_t perRow = size_t{level.blockWidth} * level.SamplesPerBlockPixel();
    const size_t rawRow = (perRow * level.bits + 7) / 8;  // rows start on a byte
    const size_t outRow = perRow * sample_bytes(level.type);
    for (uint32_t y = 0; y < level.blockHeight; ++y)
        UnpackSamples(raw + y * rawRow, level.bits, level.format, perRow, block->data.get() + y * outRow,
                      level.type);
}

uint64_t PackedBlockBytes(const TiffLevel& level) {
    return (uint64_t{level.blockWidth} * level.SamplesPerBlockPixel() * level.bits + 7) / 8 * level.blockHeight;
}

std::string BlockName(const TiffLevel& level) { return level.tiled ? "tile" : "strip"; }

}  // namespace

uint64_t DecodedBlockBytes(const TiffLevel& level) {
    return uint64_t{level.blockWidth} * level.blockHeight * level.SamplesPerBlockPixel() * sample_bytes(level.type);
}

std::shared_ptr<DecodedBlock> NewBlock(const TiffLevel& level, std::string* why) {
    const uint64_t outBytes = DecodedBlockBytes(level);
    const uint64_t packed = NeedsUnpacking(level.bits, level.format) ? PackedBlockBytes(level) : 0;
    if (outBytes + packed > BlockAllowance()) {
        *why = BlockName(level) + " needs " + std::to_string(outBytes + packed) +
               " bytes, more than the memory limit leaves";
        return nullptr;
    }
    try {
        return std::make_shared<DecodedBlock>(outBytes);
    } catch (const std::bad_alloc&) {
        *why = BlockName(level) + " needs " + std::to_string(outBytes) + " bytes, which cannot be had";
        return nullptr;
    }
}

bool DecodeBlock(const BlockSource& source, const TiffLevel& level, uint32_t index, DecodedBlock* block,
                 std::string* why) {
    const std::string name = BlockName(level) + " " + std::to_string(index);
    const bool unpack = NeedsUnpacking(level.bits, level.format);
    const uint64_t rawBytes = RawBlockBytes(source.tif, level);
    if (rawBytes == 0 || (!unpack && rawBytes > block->size) || (unpack && rawBytes < PackedBlockBytes(level))) {
        *why = name + " has a size its directory does not account for";
        return false;
    }
    int error = 0;
    const uint64_t offset = TIFFGetStrileOffsetWithErr(source.tif, index, &error);
    const uint64_t count = error ? 0 : TIFFGetStrileByteCountWithErr(source.tif, index, &error);
    if (error) {
        *why = name + " has no entry in the file's offsets";
        return false;
    }
    if (offset > source.fileSize || count > source.fileSize - offset) {
        *why = name + " lies past the end of the file";
        return false;
    }
    if (offset == 0 || count == 0) {
        FillSamples(block->data.get(), block->size / sample_bytes(level.type), level.type, source.fill);
        return true;
    }
    if (!unpack) {
        if (DecodeRaw(source.tif, level, index, block->data.get(), block->size)) return true;
    } else {
        try {
            DecodedBlock raw(rawBytes);
            if (DecodeRaw(source.tif, level, index, raw.data.get(), rawBytes)) {
                Unpack(raw.data.get(), level, block);
                return true;
            }
        } catch (const std::bad_alloc&) {
            *why = name + " needs " + std::to_string(rawBytes) + " bytes, which cannot be had";
            return false;
        }
    }
    *why = name + " is damaged: it cannot be decoded";
    return false;
}

}  // namespace velmora::raster
