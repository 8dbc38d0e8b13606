// Fuzzes the GeoTIFF tag reader: each input is loaded with LoadGeoTIFFFile and,
// when it loads, reported with OutputResult and saved with SaveGeoTIFFFile
// under a small image. The save must succeed, the saved file must load and
// report as the input did (its keys, where the input's Orientation moved its
// model values), and nothing but the input may remain.
#include <sstream>
#include <string>

#include "tests/fuzz/fuzz_support.h"
#include "velmora/cfile.h"
#include "velmora/geotiff.h"

namespace {

std::string Report(CGeoTIFF& geo) {
    std::ostringstream out;
    geo.OutputResult(out);
    return out.str();
}

// The keys of a report, before its model values.
std::string Keys(const std::string& report) { return report.substr(0, report.find("\nModel")); }

// What the copy must report: the input's report, less the bare heading of a
// tie point tag of no values (a tag of no values is not written). A pixel
// scale or transformation the file holds is written whatever its values.
std::string Expected(CGeoTIFF& geo, std::string report) {
    double* values;
    int count;
    geo.GetModelTiepointTag(&values, &count);
    const std::string tiepoints = "\nModelTiepointTag:\n";
    const size_t at = report.find(tiepoints);
    if (values && count == 0 && at != std::string::npos) report.erase(at, tiepoints.size());
    return report;
}

// The report of the file saved from `geo`, or nothing when it did not save.
bool SaveAndReport(CGeoTIFF& geo, const std::string& path, std::string* report) {
    CNewDIB image(3, 2, 8);
    geo.SetTargetDIB(&image);
    int saved = 0;
    try {
        saved = geo.SaveGeoTIFFFile(path.c_str());
    } catch (const CFileException&) {
        FUZZ_CHECK(!vtest::FileExists(path));
        return false;
    }
    geo.SetTargetDIB(nullptr);
    if (!saved) return false;
    CGeoTIFF copy;
    FUZZ_CHECK(copy.LoadGeoTIFFFile(path.c_str()) == 1);
    *report = Report(copy);
    std::remove(path.c_str());
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const vfuzz::Session& session = vfuzz::TheSession();
    const std::string input = vfuzz::WriteInput(session, "tif", data, size);
    {
        vfuzz::ScopedStorage storage(vfuzz::Storage::kMemory, session.Dir());
        CGeoTIFF geo;
        if (geo.LoadGeoTIFFFile(input.c_str())) {
            const std::string report = Report(geo);
            std::string copied;
            FUZZ_CHECK(SaveAndReport(geo, session.Dir().file("out.tif"), &copied));
            const bool moved = geo.GetOrientation() >= 2 && geo.GetOrientation() <= 8;
            FUZZ_CHECK(moved ? Keys(copied) == Keys(report) : copied == Expected(geo, report));
        }
    }
    vfuzz::CheckNoLeftovers(session.Dir(), "in.tif");
    return 0;
}
