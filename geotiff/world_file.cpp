// ESRI world files: the six lines GDAL writes beside an image (x size, the
// two rotation terms, y size, then the centre of the top-left pixel).
#include <cctype>
#include <fstream>
#include <locale>
#include <string>

#include "geotiff/geo_extras.h"
#include "velmora/formats.h"

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// An extension written in capitals gets a world extension in capitals.
std::string WorldExtensionOf(const std::string& extension) {
    const std::string lower = Lower(extension);
    // Others: their first and last letters and "w".
    std::string world = lower.substr(0, 1) + lower.substr(lower.size() - 1) + "w";
    // GDAL's names for the formats this library writes.
    if (const velmora::FileFormat* known = velmora::FileFormatOf(velmora::FormatOfName(lower.c_str())))
        world = known->worldExtension;
    const bool capitals = extension != lower && Lower(extension) == lower &&
                          extension.find_first_of("abcdefghijklmnopqrstuvwxyz") == std::string::npos;
    if (capitals)
        for (char& c : world) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return world;
}

}  // namespace

CString CGeoTIFF::WorldFilePath(const char* imagePath) {
    const std::string path = imagePath ? imagePath : "";
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot + 1 == path.size())
        return CString();
    return CString((path.substr(0, dot + 1) + WorldExtensionOf(path.substr(dot + 1))).c_str());
}

int CGeoTIFF::WriteWorldFile(const char* imagePath) const {
    double t[6];
    const CString path = WorldFilePath(imagePath);
    if (!GetGeoTransform(t) || path.GetLength() == 0) return 0;
    std::ofstream file(path.c_str());
    if (!file) return 0;
    // Full precision and a decimal point whatever the host's locale, so the
    // file gives back the transform it came from.
    file.imbue(std::locale::classic());
    file.precision(17);
    const double lines[6] = {t[1], t[4], t[2], t[5], t[0] + 0.5 * t[1] + 0.5 * t[2], t[3] + 0.5 * t[4] + 0.5 * t[5]};
    for (double value : lines) file << value + 0.0 << '\n';  // + 0.0: no "-0"
    file.close();
    return file ? 1 : 0;
}
