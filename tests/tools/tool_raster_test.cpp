// The tool on values as stored: info describes every TIFF's samples (also
// one whose picture is refused, with its geotransform), and a thumbnail of a
// TIFF with overviews reads the smallest level still twice its size.
#include <tiffio.h>

#include <vector>

#include "tools/tool_fixture.h"
#include "velmora/newdib.h"

namespace {

using namespace vtool;

std::string Raster(const std::string& name) { return Quote(vtest::DataPath("raster/" + name)); }

TEST_F(Tool, InfoGivesEveryTiffItsSamplesAsStored) {
    struct Case {
        const char* file;
        std::vector<std::string> parts;
    };
    for (const Case& c : std::vector<Case>{
             {"u16_overviews.tif", {"\"bands\": 1, \"sample_type\": \"uint16\", \"block\": [16, 16], "
                                    "\"compression\": \"deflate\", \"overviews\": [2, 4, 8], \"nodata\": null"}},
             {"f32_nan_nodata_pred3.tif", {"\"sample_type\": \"float32\"", "\"nodata\": \"nan\""}},
             {"cint16.tif", {"\"sample_type\": \"complex_int16\"", "\"geotransform\": [0, 1, 0, 0, 0, -1]",
                             "\"picture_error\": "}},
             {"f16_half.tif", {"\"sample_type\": \"float32\"", "\"geotransform\": [500000, 30, 0, 4100000, 0, -30]"}},
         }) {
        const Outcome o = Run("info --json " + Raster(c.file));
        EXPECT_EQ(o.status, 0) << c.file << o.err;
        for (const std::string& part : c.parts) EXPECT_TRUE(Has(o.out, part)) << c.file << ": " << o.out;
    }
    const Outcome text = Run("info " + Raster("i16_nodata_zstd.tif"));
    EXPECT_TRUE(Has(text.out, "sample:    int16\nblock:     16 x 16\ncompress:  zstd\nnodata:    -9999\n")) << text.out;
}

// A 100 x 100 grey image of zeros whose 50 x 50 overview holds 255s, so a
// thumbnail's pixels tell which level it came from.
void WriteTwoLevels(const std::string& path) {
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    for (uint32_t side : {100u, 50u}) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, side == 100 ? 0 : FILETYPE_REDUCEDIMAGE);
        TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, side);
        TIFFSetField(tif, TIFFTAG_IMAGELENGTH, side);
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, side);
        std::vector<uint8_t> pixels(side * side, side == 100 ? 0 : 255);
        TIFFWriteEncodedStrip(tif, 0, pixels.data(), tmsize_t(pixels.size()));
        TIFFWriteDirectory(tif);
    }
    TIFFClose(tif);
}

TEST_F(Tool, ThumbnailOfATiffWithOverviewsReadsTheLevelThatFits) {
    const std::string in = dir.file("levels.tif");
    WriteTwoLevels(in);
    for (const auto& [size, value] : std::vector<std::pair<int, int>>{{20, 255}, {25, 255}, {26, 0}, {100, 0}}) {
        const std::string out = dir.file("t" + std::to_string(size) + ".bmp");
        ASSERT_EQ(Run("thumbnail " + Quote(in) + " " + Quote(out) + " --size " + std::to_string(size)).status, 0);
        CNewDIB thumb;
        ASSERT_TRUE(thumb.ReadFile(out.c_str(), -1));
        EXPECT_EQ(thumb.GetWidth(), size);
        EXPECT_EQ(thumb.GetDIBRow(0)[0], value) << "--size " << size;
    }
}

// The rows of an image file as the library reads them.
std::vector<std::vector<BYTE>> Rows(const std::string& path) {
    CNewDIB dib;
    EXPECT_TRUE(dib.ReadFile(path.c_str(), -1)) << path;
    std::vector<std::vector<BYTE>> rows;
    for (int y = 0; y < dib.GetHeight(); ++y) {
        const BYTE* row = dib.GetDIBRow(y);
        rows.emplace_back(row, row + dib.GetWidth() * dib.GetBitCount() / 8);
    }
    return rows;
}

TEST_F(Tool, ConvertBandsAndScalesGiveGdalTranslatesBytes) {
    struct Case {
        const char* file;
        std::string ours, gdals;
        const char* photometric;
    };
    for (const Case& c : std::vector<Case>{
             {"u16_dem_deflate.tif", "--scale 300 1566", "-scale 300 1566 0 255", "MINISBLACK"},
             {"f64_planar_strips.tif", "--bands 2 --scale -1000 3000", "-b 2 -scale -1000 3000 0 255", "MINISBLACK"},
             {"i32_rgb_tiled.tif", "--bands 3,2,1 --scale -2e9 2e9", "-b 3 -b 2 -b 1 -scale -2e9 2e9 0 255", "RGB"},
             {"u32_planar_lzma.tif", "--scale 0 1e9 --scale 0 2e9 --scale 0 4e9",
              "-scale_1 0 1e9 0 255 -scale_2 0 2e9 0 255 -scale_3 0 4e9 0 255", "RGB"},
             {"u8_rgba_planar_deflate.tif", "--bands 4,1,2", "-b 4 -b 1 -b 2", "RGB"},
         }) {
        const std::string ours = dir.file(std::string("ours_") + c.file), gdals = dir.file(std::string("gdal_") + c.file);
        ASSERT_EQ(Run("convert " + Raster(c.file) + " " + Quote(ours) + " " + c.ours).status, 0) << c.file;
        ASSERT_EQ(Run("gdal_translate -q -ot Byte -co PHOTOMETRIC=" + std::string(c.photometric) + " " + c.gdals + " " +
                          Raster(c.file) + " " + Quote(gdals), "C.UTF-8", false).status, 0)
            << c.file;
        EXPECT_EQ(Rows(ours), Rows(gdals)) << c.file;
    }
    const Outcome four = Run("convert " + Raster("u8_rgba_planar_deflate.tif") + " " + Out("four.bmp"));
    EXPECT_TRUE(Has(four.err, "has 4 bands; the picture shows bands 1-3")) << four.err;
    EXPECT_EQ(Run("-q convert " + Raster("u8_rgba_planar_deflate.tif") + " " + Out("four.bmp")).err, "");
}

}  // namespace
