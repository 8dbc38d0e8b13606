// Fuzzes EXIF blocks as a reader keeps them: the checks, IFD0's Orientation
// read and rewritten, the entries read and a block made of them read again;
// then the block written by every format that carries one (TIFF's Exif
// directory through libtiff, JPEG's APP1, PNG's eXIf), each file read back.
#include <algorithm>

#include "codecs/metadata/exif_ifd.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void ReadEntries(const velmora::Bytes& block) {
    velmora::Bytes turned = block;
    velmora::SetExifOrientation(&turned, 1);
    const int orientation = velmora::ExifOrientation(block);
    FUZZ_CHECK(orientation >= 1 && orientation <= 8);
    velmora::ExifEntries ifd0, exif;
    if (!velmora::ReadExifBlock(block, &ifd0, &exif)) return;
    for (const velmora::ExifEntries* entries : {&ifd0, &exif})
        for (const velmora::ExifEntry& entry : *entries) {
            for (uint32_t k = 0; k < std::min<uint32_t>(entry.count, 16); ++k) velmora::ExifNumber(entry, k);
            velmora::ExifText(entry);
        }
    velmora::ExifEntries again0, again;
    FUZZ_CHECK(velmora::ReadExifBlock(velmora::MakeExifBlock(ifd0, exif), &again0, &again));
}

void WriteEverywhere(const velmora::Bytes& block, const vtest::TempDir& dir) {
    CNewDIB dib;
    FUZZ_CHECK(dib.CreateDIB(3, 2, 24));
    velmora::ImageMetadata metadata;
    metadata.exif = block;
    dib.SetMetadata(metadata);
    for (const auto& [format, ext] : {std::pair<int, const char*>{DIBTYPE_TIF, "tif"}, {DIBTYPE_JPG, "jpg"},
                                      {DIBTYPE_PNG, "png"}}) {
        const std::string path = dir.file(std::string("exif.") + ext);
        if (!dib.SaveFile(path.c_str(), format, 0)) continue;
        CNewDIB back;
        back.SetAutoOrient(0);  // the block's Orientation is written as given
        FUZZ_CHECK(back.ReadFile(path.c_str(), format));
        FUZZ_CHECK(back.GetWidth() == 3 && back.GetHeight() == 2);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static vfuzz::Session session;
    const velmora::Bytes block(data, data + size);
    if (velmora::ExifWellFormed(block)) ReadEntries(block);
    WriteEverywhere(block, session.Dir());
    return 0;
}
