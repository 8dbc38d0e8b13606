#include "tools/shared_options.h"

#include "velmora/system.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "velmora/application.h"
#include "velmora/environment.h"

namespace velmora::cli {

namespace {

struct OptionName {
    const char* name;
    std::string SharedOptions::*field;
};

const OptionName kOptions[] = {
    {"--virtual-dir", &SharedOptions::virtualDir},
    {"--memory-limit", &SharedOptions::memoryLimit},
    {"--profile", &SharedOptions::profile},
};

// Matches "--name" (value in the next argument) or "--name=value".
// Returns the option, or null; *inlineValue tells which form it was.
const OptionName* MatchOption(const std::string& arg, std::string* value, bool* inlineValue) {
    for (const OptionName& option : kOptions) {
        std::string name = option.name;
        if (arg == name) {
            *inlineValue = false;
            return &option;
        }
        if (arg.compare(0, name.size() + 1, name + "=") == 0) {
            *value = arg.substr(name.size() + 1);
            *inlineValue = true;
            return &option;
        }
    }
    return nullptr;
}

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ApplyProfile(const std::string& path, std::string* error) {
    if (access(path.c_str(), R_OK) != 0) {
        *error = "cannot read profile '" + path + "'";
        return false;
    }
    AfxGetApp()->SetProfileFile(path.c_str());
    LoadDIBSetting();
    return true;
}

bool ApplyVirtualDir(std::string dir, std::string* error) {
    if (!IsDirectory(dir)) {
        *error = "virtual directory '" + dir + "' is not a directory";
        return false;
    }
    // Page-file names are appended to the directory as it stands.
    if (dir.back() != '/') dir += '/';
    SetVirtualDirectory(dir.c_str());
    return true;
}

bool ApplyMemoryLimit(const std::string& text, std::string* error) {
    unsigned long bytes = 0;
    if (!ParseByteCount(text, &bytes)) {
        *error = "bad memory limit '" + text + "' (bytes, with an optional K, M or G)";
        return false;
    }
    // The process sizes its images and row windows as in a memory group of
    // that size: the library's memory figures are capped by it.
    SetProcessMemoryLimit(bytes);
    return true;
}

}  // namespace

bool ExtractSharedOptions(Args* args, SharedOptions* options, std::string* error) {
    Args rest;
    for (size_t i = 0; i < args->size(); i++) {
        const std::string& arg = (*args)[i];
        if (arg == "--") {
            rest.insert(rest.end(), args->begin() + static_cast<std::ptrdiff_t>(i) + 1, args->end());
            break;
        }
        if (arg == "--quiet" || arg == "-q") {
            options->quiet = true;
            continue;
        }
        std::string value;
        bool inlineValue = false;
        const OptionName* option = MatchOption(arg, &value, &inlineValue);
        if (!option) {
            rest.push_back(arg);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= args->size()) {
                *error = std::string("option ") + option->name + " needs a value";
                return false;
            }
            value = (*args)[++i];
        }
        options->*(option->field) = value;
    }
    *args = rest;
    return true;
}

bool ApplySharedOptions(const SharedOptions& options, std::string* error) {
    if (!options.profile.empty() && !ApplyProfile(options.profile, error)) return false;
    if (!options.virtualDir.empty() && !ApplyVirtualDir(options.virtualDir, error)) return false;
    if (!options.memoryLimit.empty() && !ApplyMemoryLimit(options.memoryLimit, error)) return false;
    return true;
}

bool ParseByteCount(const std::string& text, unsigned long* bytes) {
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno == ERANGE) return false;
    unsigned long long unit = 1;
    std::string suffix = end;
    if (suffix == "K" || suffix == "k") unit = 1ULL << 10;
    else if (suffix == "M" || suffix == "m") unit = 1ULL << 20;
    else if (suffix == "G" || suffix == "g") unit = 1ULL << 30;
    else if (!suffix.empty()) return false;
    if (value > ULONG_MAX / unit) return false;
    *bytes = static_cast<unsigned long>(value * unit);
    return true;
}

const char* SharedOptionsHelp() {
    return "  --virtual-dir DIR     directory for page files of large images (default: $TMPDIR or /tmp)\n"
           "  --memory-limit BYTES  run as on a machine with this much memory: larger images go\n"
           "                        to page files and row windows are sized to fit, so resident\n"
           "                        memory stays near BYTES; K, M, G suffixes allowed; 0 derives\n"
           "                        everything from the machine's free memory\n"
           "  --profile FILE        read the settings (section DIBSetting) from this INI file\n"
           "  -q, --quiet           no progress bars and no reports of success; failures are still shown\n";
}

}  // namespace velmora::cli
