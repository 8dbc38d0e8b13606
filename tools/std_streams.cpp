#include "tools/std_streams.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tools/convert_request.h"
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

// An empty file "velmora-<what>-XXXXXX.<ext>" in $TMPDIR (else /tmp).
std::string MakeTemporary(const char* what, const std::string& extension, std::FILE** opened) {
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/velmora-" + what + "-XXXXXX." + extension;
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = mkstemps(buf.data(), static_cast<int>(extension.size() + 1));
    if (fd < 0) return std::string();
    name = buf.data();
    if (Temporaries().empty()) std::atexit(RemoveTemporaries);
    Temporaries().push_back(name);
    *opened = fdopen(fd, "wb");
    if (!*opened) close(fd);
    return name;
}

bool StartsWith(const unsigned char* bytes, size_t count, const char* signature, size_t length) {
    return count >= length && std::memcmp(bytes, signature, length) == 0;
}

}  // namespace

int FormatFromContent(const unsigned char* bytes, size_t count) {
    if (StartsWith(bytes, count, "BM", 2)) return DIBTYPE_BMP;
    if (StartsWith(bytes, count, "II*\0", 4) || StartsWith(bytes, count, "MM\0*", 4) ||
        StartsWith(bytes, count, "II+\0", 4) || StartsWith(bytes, count, "MM\0+", 4))
        return DIBTYPE_TIF;
    if (StartsWith(bytes, count, "GIF8", 4)) return DIBTYPE_GIF;
    if (StartsWith(bytes, count, "\xFF\xD8\xFF", 3)) return DIBTYPE_JPG;
    if (StartsWith(bytes, count, "\x89PNG\r\n\x1A\n", 8)) return DIBTYPE_PNG;
    if (count >= 4 && bytes[0] == 0x0A && bytes[2] == 1) return DIBTYPE_PCX;  // maker, version, run-length
    return -1;
}

bool ResolveInput(std::string* path, std::string* error) {
    if (!IsStandardStream(*path)) return true;
    std::vector<unsigned char> data;
    unsigned char chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) data.insert(data.end(), chunk, chunk + n);
    const int format = FormatFromContent(data.data(), data.size());
    if (format < 0) {
        *error = data.empty() ? "standard input is empty" : "standard input is not an image the library reads";
        return false;
    }
    std::FILE* file = nullptr;
    const std::string name = MakeTemporary("stdin", FormatExtension(format), &file);
    const bool written = file && std::fwrite(data.data(), 1, data.size(), file) == data.size();
    const bool closed = file && std::fclose(file) == 0;
    if (name.empty() || !written || !closed) {
        *error = "cannot keep standard input in a temporary file";
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
