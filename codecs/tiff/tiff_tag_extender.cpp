#include "codecs/tiff/tiff_tag_extender.h"

#include <tiffio.h>

namespace velmora::tiff {

namespace {

char kPixelScale[] = "ModelPixelScaleTag";
char kTiepoint[] = "ModelTiepointTag";
char kTransformation[] = "ModelTransformationTag";
char kKeyDirectory[] = "GeoKeyDirectoryTag";
char kDoubleParams[] = "GeoDoubleParamsTag";
char kAsciiParams[] = "GeoAsciiParamsTag";
char kGdalMetadata[] = "GDAL_METADATA";
char kGdalNoData[] = "GDAL_NODATA";

// Variable counts passed with the values (TIFF_VARIABLE: a 16-bit count), as
// libgeotiff and GDAL declare them; the texts are plain strings.
const TIFFFieldInfo kFields[] = {
    {33550, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kPixelScale},
    {33922, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kTiepoint},
    {34264, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kTransformation},
    {34735, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_SHORT, FIELD_CUSTOM, 1, 1, kKeyDirectory},
    {34736, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, kDoubleParams},
    {34737, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII, FIELD_CUSTOM, 1, 0, kAsciiParams},
    {42112, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII, FIELD_CUSTOM, 1, 0, kGdalMetadata},
    {42113, TIFF_VARIABLE, TIFF_VARIABLE, TIFF_ASCII, FIELD_CUSTOM, 1, 0, kGdalNoData},
};

TIFFExtendProc g_previous = nullptr;

// libtiff adds only the fields a TIFF does not know yet, so an extender of
// another library declaring the same tags does no harm.
void ExtendTags(TIFF* tif) {
    TIFFMergeFieldInfo(tif, kFields, sizeof kFields / sizeof kFields[0]);
    if (g_previous) g_previous(tif);
}

}  // namespace

void RegisterGeoTiffTags() {
    static const bool installed = [] {
        g_previous = TIFFSetTagExtender(ExtendTags);
        return true;
    }();
    (void)installed;
}

}  // namespace velmora::tiff
