// ReadDIBFileInfo: the reader of the file's format, stopped by a header
// probe where it would make the image, so that what it reports is what a
// full read makes and costs what reading the headers costs.
#include "velmora/image_info.h"

#include <climits>

#include "document/codec_dispatch.h"
#include "environment/texts.h"
#include "platform/dib_geometry.h"
#include "platform/system_error.h"
#include "storage/header_probe.h"
#include "velmora/dibfile.h"
#include "velmora/environment.h"
#include "velmora/geotiff.h"
#include "velmora/newdib.h"

namespace {

void ReadGeoTiffSummary(const CString& path, DIBFileInfo* info) {
    CGeoTIFF geo;
    if (!geo.LoadGeoTIFFFile(path)) return;
    WORD* keys = nullptr;
    WORD count = 0;
    geo.GetGeoKeyDirectoryTag(&keys, &count);
    if (keys && count >= 4) info->geoKeys = keys[3];
    double* values = nullptr;
    int n = 0;
    geo.GetModelTiepointTag(&values, &n);
    if (!values) geo.GetModelPixelScaleTag(&values, &n);
    if (!values) geo.GetModelTransformationTag(&values, &n);
    info->geoModel = values ? 1 : 0;
}

}  // namespace

int ReadDIBFileInfo(const CString& path, int format, DIBFileInfo* info, CString* errorText) {
    velmora::ClearSystemError();
    const int code = velmora::RequestedFormat(path, format);
    if (code < 0 || !info) {
        if (errorText) *errorText = velmora::text::kUnsupportedFormat;
        return 0;
    }
    CNewDIB document;
    CDIBFile codec(&document, nullptr);  // no window: no progress messages
    velmora::HeaderProbe probe;
    velmora::ReadWithCodec(codec, code, path);
    const velmora::ProbedImage& image = probe.Result();
    if (!image.seen) {
        if (errorText) *errorText = codec.m_strError.IsEmpty() ? CString(velmora::text::kReadDataFailed) : codec.m_strError;
        return 0;
    }
    *info = DIBFileInfo{};
    info->format = code;
    // A picture stored turned a quarter (orientations 5 to 8) is read upright.
    const bool turned = codec.m_nOrientation >= 5 && codec.m_nOrientation <= 8;
    info->width = turned ? image.height : image.width;
    info->height = turned ? image.width : image.height;
    info->orientation = codec.m_nOrientation >= 1 && codec.m_nOrientation <= 8 ? codec.m_nOrientation : 1;
    info->bitCount = image.bitCount;
    info->colors = velmora::ColorEntries(image.bitCount);
    info->bytesPerLine = static_cast<unsigned long>(velmora::RowStride(info->width, image.bitCount, INT_MAX));
    info->pageFile = image.pageFile ? 1 : 0;
    if (code == DIBTYPE_TIF) ReadGeoTiffSummary(path, info);
    if (errorText) errorText->Empty();
    return 1;
}
