// velmora convert --compress: the TIFF compression of the output.
#include <tiffio.h>

#include "tools/tool_fixture.h"

namespace {

using namespace vtool;

uint16_t CompressionOf(const std::string& path) {
    uint16_t value = 0;
    if (TIFF* tif = TIFFOpen(path.c_str(), "r")) {
        TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &value);
        TIFFClose(tif);
    }
    return value;
}

TEST_F(Tool, ConvertCompressesTiffOutputAsAsked) {
    struct Case {
        const char* value;
        const char* input;
        uint16_t compression;
    } cases[] = {{"none", "rgb24.bmp", COMPRESSION_NONE},
                 {"deflate", "rgb24.bmp", COMPRESSION_ADOBE_DEFLATE},
                 {"lzw", "pal8.bmp", COMPRESSION_LZW},
                 {"jpeg", "rgb24.bmp", COMPRESSION_JPEG},
                 {"jpeg", "pal8.bmp", COMPRESSION_ADOBE_DEFLATE}};  // a colour table is kept losslessly
    for (const Case& c : cases) {
        const std::string out = dir.file(std::string(c.value) + "_" + c.input + ".tif");
        const Outcome o = Run("convert --compress " + std::string(c.value) + " " + Sample(c.input) + " " + Quote(out));
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_EQ(CompressionOf(out), c.compression) << c.value << " " << c.input;
    }
    const Outcome bad = Run("convert --compress zip " + Sample("rgb24.bmp") + " " + Out("x.tif"));
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(Has(bad.err, "bad value 'zip' for --compress")) << bad.err;
}

}  // namespace
