// Shared test fixtures: seams for memory figures, the clock, the main window
// and message boxes; temporary directories; reference image loading.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "velmora/application.h"
#include "velmora/environment.h"
#include "velmora/messages.h"
#include "velmora/system.h"

namespace vtest {

inline std::string DataPath(const std::string& name) { return std::string(VELMORA_TEST_DATA_DIR) + "/" + name; }

// Substitutes the physical-memory figures for the life of the object.
// 64 MiB of total memory gives 2 MiB row windows (total / 32).
class ScopedMemoryFigures {
public:
    ScopedMemoryFigures(uint64_t total, uint64_t avail) { SetMemoryStatusOverride(total, avail); }
    ~ScopedMemoryFigures() { ClearMemoryStatusOverride(); }
};

class ScopedClock {
public:
    ScopedClock(int hour, int minute, int second) {
        SYSTEMTIME t{};
        t.wYear = 2026;
        t.wMonth = 1;
        t.wDay = 1;
        t.wHour = static_cast<WORD>(hour);
        t.wMinute = static_cast<WORD>(minute);
        t.wSecond = static_cast<WORD>(second);
        SetLocalTimeOverride(&t);
    }
    ~ScopedClock() { SetLocalTimeOverride(nullptr); }
};

// Saves the process-wide settings and puts them back afterwards.
class ScopedSettings {
public:
    ScopedSettings()
        : m_dir(GetVirtualDirectory()), m_load(GetLoadImageNumber()), m_mem(GetImageUseMemSize()),
          m_type(GetDefaultDIBType()), m_maxPixels(GetMaxImagePixels()), m_maxPageBytes(GetMaxPageFileBytes()) {}
    ~ScopedSettings() {
        SetVirtualDirectory(m_dir);
        SetLoadImageNumber(m_load);
        SetImageUseMemSize(m_mem);
        SetDefaultDIBType(m_type);
        SetMaxImagePixels(m_maxPixels);
        SetMaxPageFileBytes(m_maxPageBytes);
    }

private:
    CString m_dir;
    int m_load;
    unsigned long m_mem;
    int m_type;
    unsigned long m_maxPixels;
    unsigned long m_maxPageBytes;
};

struct Message {
    UINT msg;
    WPARAM wParam;
    std::string caption;  // DIBM_BEGINPROGRESS only
};

// Registers itself as the thread's main window and records what it is sent.
class RecordingWindow {
public:
    explicit RecordingWindow(LRESULT answer = 0) {
        m_hWnd = RegisterMainWindow([this, answer](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
            Message m{msg, w, {}};
            if (msg == DIBM_BEGINPROGRESS && l) m.caption = reinterpret_cast<const char*>(l);
            messages.push_back(m);
            return answer;
        });
    }
    ~RecordingWindow() { UnregisterMainWindow(m_hWnd); }
    HWND Handle() const { return m_hWnd; }

    std::vector<WPARAM> Steps() const {
        std::vector<WPARAM> out;
        for (const auto& m : messages)
            if (m.msg == DIBM_STEPPROGRESS) out.push_back(m.wParam);
        return out;
    }
    int Count(UINT msg) const {
        int n = 0;
        for (const auto& m : messages) n += m.msg == msg;
        return n;
    }

    std::vector<Message> messages;

private:
    HWND m_hWnd;
};

struct Box {
    std::string text, caption;
    UINT type;
};

class RecordingMessageBoxes {
public:
    RecordingMessageBoxes() {
        m_previous = SetMessageBoxHandler([this](const char* text, const char* caption, UINT type) {
            boxes.push_back({text ? text : "", caption ? caption : "", type});
            return IDOK;
        });
    }
    ~RecordingMessageBoxes() { SetMessageBoxHandler(m_previous); }
    std::vector<Box> boxes;

private:
    MessageBoxHandler m_previous;
};

inline void RemoveTree(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..") RemoveTree(path + "/" + n);
            }
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

// A fresh directory under $TMPDIR, removed with everything in it.
class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/velmora-test-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back('\0');
        char* made = mkdtemp(buf.data());
        m_path = made ? made : "/tmp";
    }
    ~TempDir() { RemoveTree(m_path); }
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    // Directory with a trailing "/", as the virtual directory wants it.
    std::string dir() const { return m_path + "/"; }
    // Names of the entries in the directory.
    std::vector<std::string> List() const {
        std::vector<std::string> out;
        if (DIR* d = opendir(m_path.c_str())) {
            while (dirent* e = readdir(d)) {
                std::string n = e->d_name;
                if (n != "." && n != "..") out.push_back(n);
            }
            closedir(d);
        }
        return out;
    }
    // Names of the files in the directory this process holds open, whether
    // or not their names are still in it (a page file's name goes at once).
    std::vector<std::string> OpenHere() const {
        std::vector<std::string> out;
        const std::string prefix = m_path + "/", deleted = " (deleted)";
        if (DIR* d = opendir("/proc/self/fd")) {
            while (dirent* e = readdir(d)) {
                char target[4096];
                const std::string link = std::string("/proc/self/fd/") + e->d_name;
                const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
                if (n <= 0) continue;
                std::string name(target, static_cast<size_t>(n));
                if (name.rfind(prefix, 0) != 0) continue;
                name = name.substr(prefix.size());
                if (name.size() > deleted.size() && name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
                    name.resize(name.size() - deleted.size());
                out.push_back(name);
            }
            closedir(d);
        }
        return out;
    }
    // What this process holds open from the directory (once a descriptor),
    // and what else is in it.
    std::vector<std::string> Held() const {
        std::vector<std::string> out = OpenHere();
        const std::vector<std::string> open = out;
        for (const std::string& name : List())
            if (std::find(open.begin(), open.end(), name) == open.end()) out.push_back(name);
        return out;
    }

private:
    std::string m_path;
};

inline bool FileExists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

inline std::vector<unsigned char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A reference decoding: binary P6 or P5, maxval 255, no comments, top row first.
struct RefImage {
    int width = 0, height = 0, channels = 0;
    std::vector<unsigned char> pixels;  // top row first; RGB or grey
    bool ok() const { return width > 0; }
    // RGB of pixel (x, picture row y).
    void rgb(int x, int y, int* r, int* g, int* b) const {
        size_t i = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) *
                   static_cast<size_t>(channels);
        *r = pixels[i];
        *g = pixels[i + (channels == 3 ? 1 : 0)];
        *b = pixels[i + (channels == 3 ? 2 : 0)];
    }
};

inline RefImage ReadPnm(const std::string& path) {
    RefImage img;
    std::vector<unsigned char> d = ReadAll(path);
    if (d.size() < 3 || d[0] != 'P' || (d[1] != '5' && d[1] != '6')) return img;
    int channels = d[1] == '6' ? 3 : 1;
    size_t pos = 2;
    long vals[3] = {0, 0, 0};
    for (long& v : vals) {
        while (pos < d.size() && std::isspace(d[pos])) pos++;
        while (pos < d.size() && std::isdigit(d[pos])) v = v * 10 + (d[pos++] - '0');
    }
    pos++;  // one whitespace byte after maxval
    size_t need = static_cast<size_t>(vals[0]) * static_cast<size_t>(vals[1]) * static_cast<size_t>(channels);
    if (vals[2] != 255 || d.size() < pos + need) return img;
    img.width = static_cast<int>(vals[0]);
    img.height = static_cast<int>(vals[1]);
    img.channels = channels;
    img.pixels.assign(d.begin() + static_cast<std::ptrdiff_t>(pos),
                      d.begin() + static_cast<std::ptrdiff_t>(pos + need));
    return img;
}

// Points the application's profile at a file (in memory when empty) for the life of the object.
class ScopedProfile {
public:
    explicit ScopedProfile(const std::string& path) : m_previous(AfxGetApp()->GetProfileFile()) {
        AfxGetApp()->SetProfileFile(path.c_str());
    }
    ~ScopedProfile() { AfxGetApp()->SetProfileFile(m_previous); }

private:
    CString m_previous;
};

}  // namespace vtest
