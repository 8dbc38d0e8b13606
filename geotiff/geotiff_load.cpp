// Loading the GeoTIFF tags of a TIFF file's first directory, in either byte
// order, through CFile and without libtiff. Every count taken from the file
// is bounded by the file's length before anything is allocated; what a tag
// declares past the end of the file reads as zero.
#include <algorithm>
#include <climits>
#include <cstring>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/endian.h"
#include "geotiff/geokey_table.h"

namespace {

using velmora::ByteOrder;

constexpr size_t kEntryBytes = 12;

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

std::unique_ptr<double[]> ReadDoubles(CFile& file, const ByteOrder& order, uint64_t offset, size_t count) {
    std::unique_ptr<unsigned char[]> raw(new unsigned char[count * 8]);
    ReadAt(file, offset, raw.get(), count * 8);
    std::unique_ptr<double[]> values(new double[count]);
    for (size_t i = 0; i < count; ++i) values[i] = order.F64(raw.get() + i * 8);
    return values;
}

}  // namespace

int CGeoTIFF::LoadGeoTIFFFile(const char* path) {
    if (!m_file.Open(path, CFile::modeRead)) return velmora::RecordFailure(*this, velmora::text::kOpenFailed);
    try {
        unsigned char header[8];
        ReadAt(m_file, 0, header, sizeof header);
        if (header[0] == 'I' && header[1] == 'I') return ReadIIGeoTIFFTag(velmora::ReadLE32(header + 4));
        if (header[0] == 'M' && header[1] == 'M') return LoadMMGeoTIFF(ReadMMFourBytes(header + 4));
        m_file.Close();
        return velmora::RecordFailure(*this, velmora::text::kUnsupportedFormat);
    } catch (const CFileException&) {
        m_file.Abort();
        return velmora::RecordFailure(*this, velmora::text::kReadDataFailed);
    }
}

int CGeoTIFF::ReadIIGeoTIFFTag(long offset) {
    ReadDirectory(offset, false);
    m_file.Close();
    return 1;
}

int CGeoTIFF::LoadMMGeoTIFF(long offset) {
    ReadDirectory(offset, true);
    m_file.Close();
    return 1;
}

void CGeoTIFF::ReadMMGeoTIFFTag(long offset) { ReadKeyDirectory(static_cast<uint64_t>(offset), UINT32_MAX, true); }

WORD CGeoTIFF::ReadMMTwoBytes(unsigned char* const p) { return velmora::ReadBE16(p); }

DWORD CGeoTIFF::ReadMMFourBytes(unsigned char* const p) { return velmora::ReadBE32(p); }

double CGeoTIFF::ReadMMDouble() {
    unsigned char raw[8] = {};
    m_file.Read(raw, sizeof raw);
    return ByteOrder{true}.F64(raw);
}

// The entries are walked in file order: tags up to 33549 are skipped, the
// walk stops at the first tag past the GeoTIFF range.
void CGeoTIFF::ReadDirectory(long offset, bool bigEndian) {
    const ByteOrder order{bigEndian};
    const uint64_t start = static_cast<uint64_t>(offset);
    unsigned char countBytes[2];
    ReadAt(m_file, start, countBytes, sizeof countBytes);
    const size_t entries = ValuesInFile(m_file.GetLength(), start + 2, order.U16(countBytes), kEntryBytes);
    std::vector<unsigned char> raw(entries * kEntryBytes);
    ReadAt(m_file, start + 2, raw.data(), raw.size());
    for (size_t i = 0; i < entries; ++i) {
        const unsigned char* entry = raw.data() + i * kEntryBytes;
        const WORD tag = order.U16(entry);
        if (tag < velmora::geo::kModelPixelScaleTag) continue;
        if (tag > velmora::geo::kGeoAsciiParamsTag) break;
        ReadTag(entry, bigEndian);
    }
}

// One entry: tag, type (not consulted), count, value or offset.
void CGeoTIFF::ReadTag(const unsigned char* entry, bool bigEndian) {
    namespace geo = velmora::geo;
    const ByteOrder order{bigEndian};
    const uint64_t length = m_file.GetLength();
    const uint32_t count = order.U32(entry + 4);
    const uint64_t offset = order.U32(entry + 8);
    switch (order.U16(entry)) {
        case geo::kModelPixelScaleTag: m_pModelPixelScale = ReadDoubles(m_file, order, offset, 3); break;
        case geo::kModelTransformationTag: m_pModelTransformation = ReadDoubles(m_file, order, offset, 16); break;
        case geo::kModelTiepointTag: {
            const size_t n = ValuesInFile(length, offset, count, 8);
            m_pModelTiepoints = ReadDoubles(m_file, order, offset, n);
            m_nModelTiepoints = static_cast<int>(n);
            break;
        }
        case geo::kGeoDoubleParamsTag: {
            const size_t n = ValuesInFile(length, offset, count, 8);
            m_pGeoDoubleParams = ReadDoubles(m_file, order, offset, n);
            m_nGeoDoubleParams = static_cast<int>(n);
            break;
        }
        case geo::kGeoAsciiParamsTag: {
            // Four bytes or fewer are stored in the entry itself.
            const size_t n = count <= 4 ? count : ValuesInFile(length, offset, count, 1);
            m_pGeoAsciiParams.reset(new char[n + 1]());
            if (count <= 4) std::memcpy(m_pGeoAsciiParams.get(), entry + 8, n);
            else ReadAt(m_file, offset, reinterpret_cast<unsigned char*>(m_pGeoAsciiParams.get()), n);
            m_nGeoAsciiParams = static_cast<int>(n);
            break;
        }
        case geo::kGeoKeyDirectoryTag: ReadKeyDirectory(offset, count, bigEndian); break;
        default: break;
    }
}

// The header's fourth value is NumberOfKeys; the directory holds the header
// and four values per key. Keys past the tag's own count of values, or past
// the end of the file, are not taken: what lies there is other data.
void CGeoTIFF::ReadKeyDirectory(uint64_t offset, uint32_t valueCount, bool bigEndian) {
    const ByteOrder order{bigEndian};
    unsigned char numberBytes[2];
    ReadAt(m_file, offset + 6, numberBytes, sizeof numberBytes);
    const uint64_t keysInTag = std::max<uint32_t>(valueCount, 4) / 4 - 1;
    const uint64_t wanted = std::min<uint64_t>({order.U16(numberBytes), velmora::geo::kMaxGeoKeys, keysInTag});
    const uint64_t inFile = ValuesInFile(m_file.GetLength(), offset, 4 * (wanted + 1), 2);
    const WORD keys = inFile == 0 ? 0 : static_cast<WORD>(std::min(wanted, (inFile + 3) / 4 - 1));
    const size_t values = 4 * (size_t{keys} + 1);
    std::vector<unsigned char> raw(values * 2);
    ReadAt(m_file, offset, raw.data(), raw.size());
    m_pGeoKeyDirectory.reset(new WORD[values]);
    for (size_t i = 0; i < values; ++i) m_pGeoKeyDirectory[i] = order.U16(raw.data() + i * 2);
    m_nNumberOfKeys = keys;
}
