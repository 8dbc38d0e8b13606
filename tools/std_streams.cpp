#include "tools/std_streams.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/convert_request.h"
#include "tools/file_kind.h"
#include "velmora/environment.h"

namespace velmora::cli {

namespace {

// The temporaries of this run, removed at exit.
std::vector<std::string>& Temporaries() {
    static std::vector<std::string> names;
    return names;
}

std::string g_stdoutTemporary;

void RemoveTemporaries() {
    for (const std::string& name : Temporaries()) std::remove(name.c_str());
}

// An empty file "velmora-<what>-XXXXXX[.<ext>]" in $TMPDIR (else /tmp).
std::string MakeTemporary(const char* what, const std::string& extension, std::FILE** opened) {
    const char* base = std::getenv("TMPDIR");
    const std::string suffix = extension.empty() ? std::string() : "." + extension;
    std::string name = std::string(base && *base ? base : "/tmp") + "/velmora-" + what + "-XXXXXX" + suffix;
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = mkstemps(buf.data(), static_cast<int>(suffix.size()));
    if (fd < 0) return std::string();
    name = buf.data();
    if (Temporaries().empty()) std::atexit(RemoveTemporaries);
    Temporaries().push_back(name);
    *opened = fdopen(fd, "wb");
    if (!*opened) close(fd);
    return name;
}

}  // namespace

bool ResolveInput(std::string* path, std::string* error) {
    if (!IsStandardStream(*path)) return true;
    // Kept without an extension: the readers go by its content (file_kind.h).
    std::FILE* file = nullptr;
    const std::string name = MakeTemporary("stdin", "", &file);
    bool kept = file != nullptr, empty = true;
    unsigned char chunk[1 << 16];
    size_t n;
    while (kept && (n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
        kept = std::fwrite(chunk, 1, n, file) == n;
        empty = false;
    }
    if (file && std::fclose(file) != 0) kept = false;
    if (name.empty() || !kept) {
        *error = "cannot keep standard input in a temporary file";
        return false;
    }
    if (SniffFormat(name) < 0) {
        *error = empty ? "standard input is empty" : "standard input is not an image the library reads";
        return false;
    }
    *path = name;
    return true;
}

bool ResolveOutput(std::string* path, int format, std::string* error) {
    if (!IsStandardStream(*path)) return true;
    if (format < 0) {
        *error = "standard output ('-') needs --format to name the output's format";
        return false;
    }
    std::FILE* file = nullptr;
    const std::string name = MakeTemporary("stdout", FormatExtension(format), &file);
    if (file) std::fclose(file);
    if (name.empty()) {
        *error = "cannot make a temporary file for standard output";
        return false;
    }
    *path = g_stdoutTemporary = name;
    return true;
}

bool FinishOutput(const std::string& path) {
    if (path.empty() || path != g_stdoutTemporary) return true;
    std::FILE* in = std::fopen(path.c_str(), "rb");
    if (!in) return false;
    std::fflush(stdout);
    char chunk[1 << 16];
    size_t n;
    bool ok = true;
    while (ok && (n = std::fread(chunk, 1, sizeof chunk, in)) > 0) ok = std::fwrite(chunk, 1, n, stdout) == n;
    std::fclose(in);
    return std::fflush(stdout) == 0 && ok;
}

}  // namespace velmora::cli
