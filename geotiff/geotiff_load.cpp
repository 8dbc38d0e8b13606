// Loading the GeoTIFF tags of a TIFF file's first directory, classic or
// BigTIFF, in either byte order, through CFile and without libtiff. Every
// count taken from the file is bounded by the file's length before anything
// is allocated, and values are converted as they are read, so an array is
// held once; what a tag declares past the end of the file reads as zero.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/endian.h"
#include "geotiff/geo_extras.h"
#include "geotiff/tiff_layout.h"

using velmora::ByteOrder;
using velmora::geo::TiffLayout;

namespace {

constexpr size_t kReadChunk = 64 * 1024;  // bytes converted at a time

// How many of `count` values of `size` bytes at `offset` could start inside
// a file of `length` bytes (a value cut by the end counts; it reads as zero
// where the file ends). Also kept within an int, the type of the counts.
uint64_t ValuesInFile(uint64_t length, uint64_t offset, uint64_t count, uint64_t size) {
    if (offset >= length) return 0;
    uint64_t room = (length - offset + size - 1) / size;
    return std::min({count, room, static_cast<uint64_t>(INT_MAX)});
}

// `bytes` bytes from `offset`, zero where the file ends first.
void ReadAt(CFile& file, uint64_t offset, unsigned char* buffer, size_t bytes) {
    if (bytes == 0) return;  // the buffer of an empty array may be null
    std::memset(buffer, 0, bytes);
    file.Seek(static_cast<int64_t>(offset), CFile::begin);
    size_t done = 0;
    while (done < bytes) {
        size_t got = file.Read(buffer + done, bytes - done);
        if (got == 0) break;
        done += got;
    }
}

// `count` doubles from the entry's own bytes (`inlineValues`, when they fit
// there) or from `offset`, converted a chunk at a time.
std::unique_ptr<double[]> ReadDoubles(CFile& file, const ByteOrder& order, const unsigned char* inlineValues,
                                      uint64_t offset, size_t count) {
    std::unique_ptr<double[]> values(new double[count]);
    if (inlineValues) {
        for (size_t i = 0; i < count; ++i) values[i] = order.F64(inlineValues + i * 8);
        return values;
    }
    unsigned char raw[kReadChunk];
    for (size_t done = 0; done < count;) {
        const size_t n = std::min(count - done, kReadChunk / 8);
        ReadAt(file, offset + done * 8, raw, n * 8);
        for (size_t i = 0; i < n; ++i) values[done + i] = order.F64(raw + i * 8);
        done += n;
    }
    return values;
}

// The entry's value bytes when `bytes` of data fit there, else null.
const unsigned char* InlineData(const TiffLayout& layout, const unsigned char* entry, uint64_t bytes) {
    return bytes <= layout.InlineBytes() ? layout.Value(entry) : nullptr;
}

}  // namespace

int CGeoTIFF::LoadGeoTIFFFile(const char* path) {
    if (!m_file.Open(path, CFile::modeRead)) return velmora::RecordFailure(*this, velmora::text::kOpenFailed);
    // A file's counts may ask for more memory than there is: the load then
    // fails with a text, as a file that cannot be read does.
    const char* failure = nullptr;
    try {
        return LoadTags();
    } catch (const CFileException&) {
        failure = velmora::text::kReadDataFailed;
    } catch (const std::bad_alloc&) {
        failure = velmora::text::kOutOfMemory;
    } catch (const std::exception&) {
        failure = velmora::text::kReadDataFailed;
    }
    m_file.Abort();
    return velmora::RecordFailure(*this, failure);
}

// The header: byte order, then 42 and a 32-bit offset, or 43 (BigTIFF), the
// offset size 8 and a 64-bit offset. The classic version number is not
// examined: any other value reads as classic TIFF.
int CGeoTIFF::LoadTags() {
    unsigned char header[16];
    ReadAt(m_file, 0, header, sizeof header);
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M')) {
        m_file.Close();
        return velmora::RecordFailure(*this, velmora::text::kUnsupportedFormat);
    }
    TiffLayout layout;
    layout.order.bigEndian = !little;
    layout.big = layout.order.U16(header + 2) == velmora::geo::kBigTiffVersion;
    m_extras->bigTiff = layout.big;
    if (layout.big) {
        if (layout.order.U16(header + 4) != 8) {
            m_file.Close();
            return velmora::RecordFailure(*this, velmora::text::kUnsupportedFormat);
        }
        ReadDirectory(layout.Field(header + 8), layout);
        m_file.Close();
        return 1;
    }
    if (little) return ReadIIGeoTIFFTag(velmora::ReadLE32(header + 4));
    return LoadMMGeoTIFF(ReadMMFourBytes(header + 4));
}

int CGeoTIFF::ReadIIGeoTIFFTag(long offset) {
    TiffLayout layout;
    ReadDirectory(static_cast<uint64_t>(offset), layout);
    m_file.Close();
    return 1;
}

int CGeoTIFF::LoadMMGeoTIFF(long offset) {
    TiffLayout layout;
    layout.order.bigEndian = true;
    ReadDirectory(static_cast<uint64_t>(offset), layout);
    m_file.Close();
    return 1;
}

void CGeoTIFF::ReadMMGeoTIFFTag(long offset) {
    ReadKeyDirectory(static_cast<uint64_t>(offset), nullptr, UINT32_MAX, true);
}

WORD CGeoTIFF::ReadMMTwoBytes(unsigned char* const p) { return velmora::ReadBE16(p); }

DWORD CGeoTIFF::ReadMMFourBytes(unsigned char* const p) { return velmora::ReadBE32(p); }

double CGeoTIFF::ReadMMDouble() {
    unsigned char raw[8] = {};
    m_file.Read(raw, sizeof raw);
    return ByteOrder{true}.F64(raw);
}

// The entries are walked in file order: tags up to 33549 are skipped; past
// the GeoTIFF range only GDAL's two tags are taken, and the walk stops after
// them.
void CGeoTIFF::ReadDirectory(uint64_t offset, const TiffLayout& layout) {
    namespace geo = velmora::geo;
    unsigned char countBytes[8];
    ReadAt(m_file, offset, countBytes, layout.CountBytes());
    const uint64_t start = offset + layout.CountBytes();
    const size_t entries =
        ValuesInFile(m_file.GetLength(), start, std::min<uint64_t>(layout.EntryCount(countBytes), 0xFFFF),
                     layout.EntryBytes());
    std::vector<unsigned char> raw(entries * layout.EntryBytes());
    ReadAt(m_file, start, raw.data(), raw.size());
    bool pastGeoTags = false;
    for (size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = raw.data() + i * layout.EntryBytes();
        const WORD tag = layout.order.U16(entry);
        if (tag < geo::kModelPixelScaleTag) continue;
        pastGeoTags = pastGeoTags || tag > geo::kGeoAsciiParamsTag;
        if (tag > geo::kGdalNoDataTag) break;
        if (!pastGeoTags || tag >= geo::kGdalMetadataTag) ReadTag(entry, layout);
    }
}

namespace {

// An ASCII tag's bytes: inline when they fit the entry, else bounded by the
// file. A NUL follows them in memory.
std::unique_ptr<char[]> ReadText(CFile& file, const TiffLayout& layout, const unsigned char* entry,
                                 size_t* length) {
    const uint64_t count = layout.Count(entry);
    const unsigned char* inlineBytes = InlineData(layout, entry, count);
    const size_t n = inlineBytes ? count : ValuesInFile(file.GetLength(), layout.Offset(entry), count, 1);
    std::unique_ptr<char[]> text(new char[n + 1]());
    if (inlineBytes) std::memcpy(text.get(), inlineBytes, n);
    else ReadAt(file, layout.Offset(entry), reinterpret_cast<unsigned char*>(text.get()), n);
    *length = n;
    return text;
}

// GDAL's texts end with a NUL; what follows the first one is not text.
std::unique_ptr<std::string> ReadGdalText(CFile& file, const TiffLayout& layout,
                                          const unsigned char* entry) {
    size_t length = 0;
    std::unique_ptr<char[]> text = ReadText(file, layout, entry, &length);
    return std::make_unique<std::string>(text.get());
}

}  // namespace

// One entry: tag, type (not consulted), count, value or offset.
void CGeoTIFF::ReadTag(const unsigned char* entry, const TiffLayout& layout) {
    namespace geo = velmora::geo;
    const ByteOrder& order = layout.order;
    const uint64_t length = m_file.GetLength();
    const uint64_t count = layout.Count(entry);
    const uint64_t offset = layout.Offset(entry);
    // The counts of the pixel scale and transformation are not consulted.
    auto doubles = [&](uint64_t wanted, int* loaded) {
        const size_t n = loaded ? ValuesInFile(length, offset, wanted, 8) : wanted;
        if (loaded) *loaded = static_cast<int>(n);
        return ReadDoubles(m_file, order, loaded ? InlineData(layout, entry, wanted * 8) : nullptr, offset, n);
    };
    switch (order.U16(entry)) {
        case geo::kModelPixelScaleTag: m_pModelPixelScale = doubles(3, nullptr); break;
        case geo::kModelTransformationTag: m_pModelTransformation = doubles(16, nullptr); break;
        case geo::kModelTiepointTag: m_pModelTiepoints = doubles(count, &m_nModelTiepoints); break;
        case geo::kGeoDoubleParamsTag: m_pGeoDoubleParams = doubles(count, &m_nGeoDoubleParams); break;
        case geo::kGeoAsciiParamsTag: {
            size_t n = 0;
            m_pGeoAsciiParams = ReadText(m_file, layout, entry, &n);
            m_nGeoAsciiParams = static_cast<int>(n);
            break;
        }
        case geo::kGeoKeyDirectoryTag:
            // Only a BigTIFF entry holds a whole header (four values).
            ReadKeyDirectory(offset, count >= 4 ? InlineData(layout, entry, count * 2) : nullptr, count,
                             order.bigEndian);
            break;
        case geo::kGdalMetadataTag: m_extras->metadata = ReadGdalText(m_file, layout, entry); break;
        case geo::kGdalNoDataTag: m_extras->noData = ReadGdalText(m_file, layout, entry); break;
        default: break;
    }
}

// The header's fourth value is NumberOfKeys; the directory holds the header
// and four values per key. Keys past the tag's own count of values, or past
// the end of the file, are not taken: what lies there is other data.
void CGeoTIFF::ReadKeyDirectory(uint64_t offset, const unsigned char* inlineValues, uint64_t valueCount,
                                bool bigEndian) {
    const ByteOrder order{bigEndian};
    const uint64_t keysInTag = std::max<uint64_t>(valueCount, 4) / 4 - 1;
    const uint64_t stored = inlineValues ? order.U16(inlineValues + 6) : [&] {
        unsigned char numberBytes[2];
        ReadAt(m_file, offset + 6, numberBytes, sizeof numberBytes);
        return order.U16(numberBytes);
    }();
    const uint64_t wanted = std::min<uint64_t>({stored, velmora::geo::kMaxGeoKeys, keysInTag});
    const uint64_t inFile = inlineValues ? 4 : ValuesInFile(m_file.GetLength(), offset, 4 * (wanted + 1), 2);
    const WORD keys = inFile == 0 ? 0 : static_cast<WORD>(std::min(wanted, (inFile + 3) / 4 - 1));
    const size_t values = 4 * (size_t{keys} + 1);
    std::vector<unsigned char> raw(values * 2);
    if (inlineValues) std::memcpy(raw.data(), inlineValues, raw.size());
    else ReadAt(m_file, offset, raw.data(), raw.size());
    m_pGeoKeyDirectory.reset(new WORD[values]);
    for (size_t i = 0; i < values; ++i) m_pGeoKeyDirectory[i] = order.U16(raw.data() + i * 2);
    m_nNumberOfKeys = keys;
}
