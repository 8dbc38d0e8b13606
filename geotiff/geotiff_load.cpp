// Loading the GeoTIFF tags of a TIFF file's first directory, classic or
// BigTIFF, in either byte order. The entries are taken and bounded by the
// file (geotiff/geo_directory.h); libtiff reads their values
// (geotiff/geo_tag_reader.h), so no array is ever larger than the file and
// what a tag declares past the file's end reads as zero.
#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "environment/texts.h"
#include "frame/codec_frame.h"
#include "frame/endian.h"
#include "geotiff/geo_extras.h"
#include "geotiff/geo_tag_reader.h"

using velmora::ByteOrder;
using velmora::geo::TiffLayout;

namespace geo = velmora::geo;

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
    geo::ReadZeroFilled(m_file, 0, header, sizeof header);
    const bool little = header[0] == 'I' && header[1] == 'I';
    if (!little && !(header[0] == 'M' && header[1] == 'M')) {
        m_file.Close();
        return velmora::RecordFailure(*this, velmora::text::kUnsupportedFormat);
    }
    TiffLayout layout;
    layout.order.bigEndian = !little;
    layout.big = layout.order.U16(header + 2) == geo::kBigTiffVersion;
    m_extras->bigTiff = layout.big;
    m_extras->orientation = 1;
    m_extras->storedWidth = m_extras->storedHeight = m_extras->storedBits = 0;
    if (layout.big) {
        if (layout.order.U16(header + 4) != 8) {
            m_file.Close();
            return velmora::RecordFailure(*this, velmora::text::kUnsupportedFormat);
        }
        LoadDirectory(geo::TakeGeoEntries(m_file, m_file.GetLength(), layout, layout.Field(header + 8)));
        m_file.Close();
        return 1;
    }
    if (little) return ReadIIGeoTIFFTag(velmora::ReadLE32(header + 4));
    return LoadMMGeoTIFF(ReadMMFourBytes(header + 4));
}

int CGeoTIFF::ReadIIGeoTIFFTag(long offset) {
    LoadDirectory(geo::TakeGeoEntries(m_file, m_file.GetLength(), TiffLayout{}, static_cast<uint64_t>(offset)));
    m_file.Close();
    return 1;
}

int CGeoTIFF::LoadMMGeoTIFF(long offset) {
    TiffLayout layout;
    layout.order.bigEndian = true;
    LoadDirectory(geo::TakeGeoEntries(m_file, m_file.GetLength(), layout, static_cast<uint64_t>(offset)));
    m_file.Close();
    return 1;
}

void CGeoTIFF::ReadMMGeoTIFFTag(long offset) {
    TiffLayout layout;
    layout.order.bigEndian = true;
    LoadDirectory(geo::TakeKeyDirectoryAt(m_file, m_file.GetLength(), layout, static_cast<uint64_t>(offset)));
}

WORD CGeoTIFF::ReadMMTwoBytes(unsigned char* const p) { return velmora::ReadBE16(p); }

DWORD CGeoTIFF::ReadMMFourBytes(unsigned char* const p) { return velmora::ReadBE32(p); }

double CGeoTIFF::ReadMMDouble() {
    unsigned char raw[8] = {};
    m_file.Read(raw, sizeof raw);
    return ByteOrder{true}.F64(raw);
}

namespace {

// `values` as an array of at least `count` values (the pixel scale and the
// transformation always hold theirs; missing ones are zero).
template <class T>
std::unique_ptr<T[]> ArrayOf(const geo::TagValues& values, size_t count) {
    std::unique_ptr<T[]> out(new T[std::max<size_t>(count, values.count)]());
    if (values.count) std::memcpy(out.get(), values.data, values.count * sizeof(T));
    return out;
}

// The first SHORT or LONG value; 0 when there is none.
uint32_t NumberOf(const geo::TagValues& values) {
    if (values.count == 0) return 0;
    if (values.type == TIFF_SHORT) return *static_cast<const uint16_t*>(values.data);
    return *static_cast<const uint32_t*>(values.data);
}

// GDAL's texts end with a NUL; what follows the first one is not text.
std::unique_ptr<std::string> GdalText(const geo::TagValues& values) {
    const char* text = static_cast<const char*>(values.data);
    return std::make_unique<std::string>(text, text ? strnlen(text, values.count) : 0);
}

}  // namespace

// A tag found replaces the array held for it, even when it holds nothing.
void CGeoTIFF::LoadDirectory(const geo::TakenDirectory& directory) {
    geo::ReadTakenValues(m_file, m_file.GetLength(), directory, [&](const geo::TagValues& values) {
        const int count = static_cast<int>(values.count);
        switch (values.taken.tag) {
            case geo::kModelPixelScaleTag: m_pModelPixelScale = ArrayOf<double>(values, 3); break;
            case geo::kModelTransformationTag: m_pModelTransformation = ArrayOf<double>(values, 16); break;
            case geo::kModelTiepointTag:
                m_pModelTiepoints = ArrayOf<double>(values, 0);
                m_nModelTiepoints = count;
                break;
            case geo::kGeoDoubleParamsTag:
                m_pGeoDoubleParams = ArrayOf<double>(values, 0);
                m_nGeoDoubleParams = count;
                break;
            case geo::kGeoAsciiParamsTag:
                m_pGeoAsciiParams = ArrayOf<char>(values, values.count + size_t{1});  // a NUL follows
                m_nGeoAsciiParams = count;
                break;
            case geo::kGeoKeyDirectoryTag:
                SetKeyDirectory(static_cast<const WORD*>(values.data), values.count, values.taken.declared);
                break;
            case geo::kGdalMetadataTag: m_extras->metadata = GdalText(values); break;
            case geo::kGdalNoDataTag: m_extras->noData = GdalText(values); break;
            case geo::kImageWidthTag: m_extras->storedWidth = NumberOf(values); break;
            case geo::kImageLengthTag: m_extras->storedHeight = NumberOf(values); break;
            case geo::kBitsPerSampleTag: m_extras->storedBits = NumberOf(values); break;
            case geo::kOrientationTag: m_extras->orientation = static_cast<int>(NumberOf(values)); break;
            default: break;
        }
    });
}

// The header's fourth value is NumberOfKeys; the directory holds the header
// and four values per key. Keys past the tag's own count of values, or past
// the end of the file, are not taken: what lies there is other data. A key
// cut by the file's end is kept, its missing values zero.
void CGeoTIFF::SetKeyDirectory(const WORD* values, size_t inFile, uint64_t declared) {
    const uint64_t keysInTag = std::max<uint64_t>(declared, 4) / 4 - 1;
    const uint64_t stored = inFile > 3 ? values[3] : 0;
    const uint64_t wanted = std::min<uint64_t>({stored, geo::kMaxGeoKeys, keysInTag});
    const WORD keys = inFile == 0 ? 0 : static_cast<WORD>(std::min<uint64_t>(wanted, (inFile + 3) / 4 - 1));
    const size_t count = 4 * (size_t{keys} + 1);
    m_pGeoKeyDirectory.reset(new WORD[count]());
    if (inFile) std::copy(values, values + std::min(count, inFile), m_pGeoKeyDirectory.get());
    m_nNumberOfKeys = keys;
}
