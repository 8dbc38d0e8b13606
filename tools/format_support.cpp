// WHEN A CODEC READS OR WRITES MORE: change its row here AND the same row of
// the table in README.md (section "Formats"); the README test fails until
// both say the same.
#include "tools/format_support.h"

namespace velmora::cli {

namespace {

const FormatSupport kFormats[] = {
    {"BMP", "1, 2, 4, 8, 16, 24 and 32-bit; RLE4 and RLE8; OS/2, V4 and V5 headers; top-down rows",
     "1, 4, 8, 16, 24 and 32-bit (2-bit as 4-bit)"},
    {"TIFF",
     "1-8-bit grey and palette, RGB (alpha dropped), CMYK/Lab/YCbCr to 24-bit, 9-64-bit and float samples to 8; "
     "strips, tiles, planes; BigTIFF; the first image",
     "1-8-bit, 24 and 32-bit; none, Deflate, LZW or JPEG; BigTIFF past 4 GiB"},
    {"PCX", "1, 2, 4 (packed or planes), 8 and 24-bit", "1, 4, 8 and 24-bit"},
    {"GIF", "the first image, interlaced or not, as 8-bit", "8-bit (the tool reduces deeper images first)"},
    {"JPEG", "greyscale (8-bit), colour and CMYK/YCCK (24-bit); baseline and progressive",
     "24-bit, and 1, 4 and 8-bit through their colour tables"},
    {"PNG", "every colour type and depth (16-bit samples to 8; alpha as 32-bit); interlaced",
     "1, 2, 4 and 8-bit palette, 24-bit RGB, 32-bit RGBA"},
    {nullptr, nullptr, nullptr},
};

}  // namespace

const FormatSupport* SupportedFormats() { return kFormats; }

}  // namespace velmora::cli
