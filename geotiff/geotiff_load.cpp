// Loading the GeoTIFF tags of a TIFF file's first directory, classic or
// BigTIFF, in either byte order. The entries are taken and bounded by the
// file (geotiff/geo_directory.h); libtiff reads their values
// (geotiff/geo_tag_reader.h), so no array is ever larger than the file and
// what a tag declares past the file's end reads as zero.
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

// `values` widened with zeros to `count` (the pixel scale and the
// transformation always hold their full count).
std::unique_ptr<double[]> DoubleArray(const std::vector<double>& values, size_t count) {
    std::unique_ptr<double[]> out(new double[count]());
    std::copy(values.begin(), values.begin() + std::min(count, values.size()), out.get());
    return out;
}

}  // namespace

// A tag found replaces the array held for it, even when it holds nothing.
void CGeoTIFF::LoadDirectory(const geo::TakenDirectory& directory) {
    for (geo::TagValues& values : geo::ReadTakenValues(m_file, m_file.GetLength(), directory)) {
        const std::vector<double>& doubles = values.doubles;
        switch (values.taken.tag) {
            case geo::kModelPixelScaleTag: m_pModelPixelScale = DoubleArray(doubles, 3); break;
            case geo::kModelTransformationTag: m_pModelTransformation = DoubleArray(doubles, 16); break;
            case geo::kModelTiepointTag:
                m_pModelTiepoints = DoubleArray(doubles, doubles.size());
                m_nModelTiepoints = static_cast<int>(doubles.size());
                break;
            case geo::kGeoDoubleParamsTag:
                m_pGeoDoubleParams = DoubleArray(doubles, doubles.size());
                m_nGeoDoubleParams = static_cast<int>(doubles.size());
                break;
            case geo::kGeoAsciiParamsTag:
                m_pGeoAsciiParams.reset(new char[values.bytes.size() + 1]());
                std::memcpy(m_pGeoAsciiParams.get(), values.bytes.data(), values.bytes.size());
                m_nGeoAsciiParams = static_cast<int>(values.bytes.size());
                break;
            case geo::kGeoKeyDirectoryTag: SetKeyDirectory(values.shorts, values.taken.declared); break;
            // GDAL's texts end with a NUL; what follows the first one is not text.
            case geo::kGdalMetadataTag:
                m_extras->metadata = std::make_unique<std::string>(values.bytes.c_str());
                break;
            case geo::kGdalNoDataTag: m_extras->noData = std::make_unique<std::string>(values.bytes.c_str()); break;
            case geo::kImageWidthTag: m_extras->storedWidth = values.number; break;
            case geo::kImageLengthTag: m_extras->storedHeight = values.number; break;
            case geo::kBitsPerSampleTag: m_extras->storedBits = values.number; break;
            case geo::kOrientationTag: m_extras->orientation = static_cast<int>(values.number); break;
            default: break;
        }
    }
}

// The header's fourth value is NumberOfKeys; the directory holds the header
// and four values per key. Keys past the tag's own count of values, or past
// the end of the file, are not taken: what lies there is other data. A key
// cut by the file's end is kept, its missing values zero.
void CGeoTIFF::SetKeyDirectory(const std::vector<uint16_t>& values, uint64_t declared) {
    const uint64_t keysInTag = std::max<uint64_t>(declared, 4) / 4 - 1;
    const uint64_t stored = values.size() > 3 ? values[3] : 0;
    const uint64_t wanted = std::min<uint64_t>({stored, geo::kMaxGeoKeys, keysInTag});
    const WORD keys = values.empty() ? 0 : static_cast<WORD>(std::min<uint64_t>(wanted, (values.size() + 3) / 4 - 1));
    const size_t count = 4 * (size_t{keys} + 1);
    m_pGeoKeyDirectory.reset(new WORD[count]());
    std::copy(values.begin(), values.begin() + std::min(count, values.size()), m_pGeoKeyDirectory.get());
    m_nNumberOfKeys = keys;
}
