// Fuzzes the GeoTIFF loader on directories made from the input: classic TIFF
// or BigTIFF in either byte order, up to twelve entries of the GeoTIFF, GDAL
// and picture tags (or any tag) with any type, any count (often one whose
// bytes wrap 64 bits) and any value field, then any data. Mutating whole files
// seldom reaches such counts. The load must succeed, no array may hold more
// than the file, and the report must be the same twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.h"
#include "velmora/geotiff.h"

namespace {

const uint16_t kTags[] = {33550, 33922, 34264, 34735, 34736, 34737, 42112, 42113, 256, 257, 258, 274};

struct Writer {
    bool bigEndian, big;
    std::vector<unsigned char> bytes;

    void Put(uint64_t value, int size) {
        for (int i = 0; i < size; ++i) {
            const int shift = 8 * (bigEndian ? size - 1 - i : i);
            bytes.push_back(static_cast<unsigned char>(value >> shift));
        }
    }
};

uint64_t Count(FuzzedDataProvider& in) {
    const uint64_t small = in.ConsumeIntegralInRange<uint64_t>(0, 64);
    switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0:
            return small;
        case 1:
            return (uint64_t{1} << in.ConsumeIntegralInRange(29, 63)) + small;  // times 2, 4 or 8 wraps
        case 2:
            return UINT64_MAX - small;
        default:
            return in.ConsumeIntegral<uint64_t>();
    }
}

std::vector<unsigned char> MakeFile(FuzzedDataProvider& in) {
    Writer w{in.ConsumeBool(), in.ConsumeBool(), {}};
    const size_t entries = in.ConsumeIntegralInRange<size_t>(0, 12);
    w.bytes = {static_cast<unsigned char>(w.bigEndian ? 'M' : 'I'),
               static_cast<unsigned char>(w.bigEndian ? 'M' : 'I')};
    w.Put(w.big ? 43 : 42, 2);
    if (w.big) {
        w.Put(8, 2);
        w.Put(0, 2);
    }
    w.Put(w.big ? 16 : 8, w.big ? 8 : 4);
    w.Put(entries, w.big ? 8 : 2);
    for (size_t i = 0; i < entries; ++i) {
        w.Put(in.ConsumeBool() ? in.PickValueInArray(kTags) : in.ConsumeIntegral<uint16_t>(), 2);
        w.Put(in.ConsumeIntegralInRange(0, 18), 2);
        w.Put(Count(in), w.big ? 8 : 4);
        w.Put(in.ConsumeIntegral<uint64_t>(), w.big ? 8 : 4);  // values, or an offset
    }
    w.Put(0, w.big ? 8 : 4);
    const std::vector<unsigned char> data = in.ConsumeRemainingBytes<unsigned char>();
    w.bytes.insert(w.bytes.end(), data.begin(), data.end());
    return w.bytes;
}

// No array holds more than the file, bar a value (or a key) cut by its end.
void CheckBounded(CGeoTIFF& geo, uint64_t fileBytes) {
    WORD* keys;
    WORD keyCount;
    geo.GetGeoKeyDirectoryTag(&keys, &keyCount);
    FUZZ_CHECK(uint64_t{keyCount} * 2 <= fileBytes + 8);
    double* d;
    int count;
    geo.GetGeoDoubleParamsTag(&d, &count);
    FUZZ_CHECK(uint64_t(count) * 8 <= fileBytes + 8);
    geo.GetModelTiepointTag(&d, &count);
    FUZZ_CHECK(uint64_t(count) * 8 <= fileBytes + 8);
    char* text;
    geo.GetGeoAsciiParamsTag(&text, &count);
    FUZZ_CHECK(uint64_t(count) <= fileBytes);
}

std::string Report(CGeoTIFF& geo) {
    std::ostringstream out;
    geo.OutputResult(out);
    return out.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::vector<unsigned char> file = MakeFile(in);
    const vfuzz::Session& session = vfuzz::TheSession();
    const std::string path = vfuzz::WriteInput(session, "tif", file.data(), file.size());
    CGeoTIFF geo;
    FUZZ_CHECK(geo.LoadGeoTIFFFile(path.c_str()) == 1);
    CheckBounded(geo, file.size());
    const std::string report = Report(geo);
    FUZZ_CHECK(Report(geo) == report);
    double transform[6];
    geo.GetGeoTransform(transform);
    return 0;
}
