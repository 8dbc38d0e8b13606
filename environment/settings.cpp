// The library-wide settings and their persistence in the host's profile.
#include <atomic>
#include <climits>
#include <cstdlib>

#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/save_options.h"

namespace {

const char kSection[] = "DIBSetting";
const char kVirtualPathEntry[] = "VirtualPath";
const char kDIBTypeEntry[] = "DIBType";
const char kMemmapModeEntry[] = "MemmapMode";
const char kGeoSection[] = "GeoDIBSetting";
const char kUseMemMapEntry[] = "Use MemMap";

constexpr unsigned long kDefaultMaxImagePixels = 1ul << 31;

// Page files go to the temporary directory unless the host says otherwise.
CString InitialVirtualDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    CString dir = tmp && *tmp ? tmp : "/tmp";
    if (dir[dir.GetLength() - 1] != '/') dir += '/';
    return dir;
}

struct Settings {
    CString virtualDirectory = InitialVirtualDirectory();
    std::atomic<int> loadImageNumber{1};  // storage changes it from any thread
    unsigned long imageUseMemSize = 0;  // 0: derived from the available memory
    int defaultDIBType = DIBTYPE_BMP;
    unsigned long maxImagePixels = kDefaultMaxImagePixels;
    unsigned long maxPageFileBytes = 0;  // 0: the virtual directory's free space
    // Save defaults: read by saves in any thread as they start.
    std::atomic<int> pngCompressionLevel{-1};  // -1: the PNG codec's own
    std::atomic<int> tiffCompression{TIFFSAVE_NONE};
    std::atomic<uint64_t> tiffBigThreshold{0};  // 0: where classic TIFF offsets end
    std::atomic<int> jpegQuality{75};
    std::atomic<int> loadTruncatedImages{0};
};

// Built on first use, so a caller running during static initialisation
// still sees the initial values.
Settings& TheSettings() {
    static Settings settings;
    return settings;
}

bool IsFileFormatCode(int type) { return type >= DIBTYPE_BMP && type <= DIBTYPE_PNG; }

// A leading decimal integer, as sscanf("%d") takes it: leading blanks and a
// sign allowed, trailing text ignored. False when the text does not start
// with a number. Values beyond int are clamped instead of being undefined.
bool ParseLeadingInt(const char* text, int* value) {
    char* end = nullptr;
    long parsed = std::strtol(text, &end, 10);
    if (end == text) return false;
    if (parsed > INT_MAX) parsed = INT_MAX;
    if (parsed < INT_MIN) parsed = INT_MIN;
    *value = static_cast<int>(parsed);
    return true;
}

}  // namespace

void SetVirtualDirectory(CString directory) { TheSettings().virtualDirectory = directory; }
CString GetVirtualDirectory() { return TheSettings().virtualDirectory; }

void SetLoadImageNumber(int number) { TheSettings().loadImageNumber = number; }
int GetLoadImageNumber() { return TheSettings().loadImageNumber; }

void SetImageUseMemSize(unsigned long bytes) { TheSettings().imageUseMemSize = bytes; }
unsigned long GetImageUseMemSize() { return TheSettings().imageUseMemSize; }

void SetDefaultDIBType(int type) {
    if (IsFileFormatCode(type)) TheSettings().defaultDIBType = type;
}
int GetDefaultDIBType() { return TheSettings().defaultDIBType; }

void SetMaxImagePixels(unsigned long pixels) {
    TheSettings().maxImagePixels = pixels != 0 ? pixels : kDefaultMaxImagePixels;
}
unsigned long GetMaxImagePixels() { return TheSettings().maxImagePixels; }

void SetMaxPageFileBytes(unsigned long bytes) { TheSettings().maxPageFileBytes = bytes; }
unsigned long GetMaxPageFileBytes() { return TheSettings().maxPageFileBytes; }

void SetPngCompressionLevel(int level) { TheSettings().pngCompressionLevel = level >= 0 && level <= 9 ? level : -1; }
int GetPngCompressionLevel() { return TheSettings().pngCompressionLevel; }

int GetMemmapMode() { return AfxGetApp()->GetProfileInt(kGeoSection, kUseMemMapEntry, 0) != 0 ? 1 : 0; }

// The stored "MemmapMode" is not read back: the library keeps no mode of its
// own, GetMemmapMode consults the host's entry on every call.
void LoadDIBSetting() {
    CWinApp* app = AfxGetApp();
    CString path = app->GetProfileString(kSection, kVirtualPathEntry);
    if (!path.IsEmpty()) TheSettings().virtualDirectory = path;

    // Stored without a range check: a host may keep a code this library
    // does not know, and GetDIBExt answers "*.*" for it.
    CString type = app->GetProfileString(kSection, kDIBTypeEntry);
    if (!type.IsEmpty()) ParseLeadingInt(type, &TheSettings().defaultDIBType);
}

void SaveDIBSetting() {
    CWinApp* app = AfxGetApp();
    app->WriteProfileString(kSection, kVirtualPathEntry, TheSettings().virtualDirectory);
    CString type;
    type.Format("%d", TheSettings().defaultDIBType);
    app->WriteProfileString(kSection, kDIBTypeEntry, type);
    app->WriteProfileInt(kSection, kMemmapModeEntry, GetMemmapMode());
}

// Save defaults; process-wide, not kept in the profile. A save takes its own
// copy as it starts (DIBSaveOptions).
namespace {
constexpr uint64_t kClassicTiffLimit = uint64_t{1} << 32;  // where classic TIFF offsets end
}  // namespace

void SetTiffCompression(int compression) {
    TheSettings().tiffCompression =
        compression >= TIFFSAVE_NONE && compression <= TIFFSAVE_JPEG ? compression : TIFFSAVE_NONE;
}
int GetTiffCompression() { return TheSettings().tiffCompression; }
void SetTiffBigThreshold(uint64_t bytes) { TheSettings().tiffBigThreshold = bytes; }
uint64_t GetTiffBigThreshold() {
    const uint64_t bytes = TheSettings().tiffBigThreshold;
    return bytes ? bytes : kClassicTiffLimit;
}

void SetJpegQuality(int quality) {
    if (quality >= 1 && quality <= 100) TheSettings().jpegQuality = quality;
}
int GetJpegQuality() { return TheSettings().jpegQuality; }

void SetLoadTruncatedImages(int keep) { TheSettings().loadTruncatedImages = keep != 0; }
int GetLoadTruncatedImages() { return TheSettings().loadTruncatedImages; }

DIBSaveOptions GetDefaultSaveOptions() {
    DIBSaveOptions options;
    options.jpegQuality = GetJpegQuality();
    options.tiffCompression = GetTiffCompression();
    options.pngLevel = GetPngCompressionLevel();
    options.bigTiffThreshold = GetTiffBigThreshold();
    return options;
}
