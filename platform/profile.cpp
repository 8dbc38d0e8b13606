// The application object's profile: an INI file when the host names one,
// otherwise a store in memory for the life of the process.
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/ini_file.h"
#include "velmora/application.h"

namespace {

std::mutex g_profileLock;
std::string g_profileFile;      // empty: the in-memory store
IniDocument g_memoryProfile;

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return 99;
}

// An integer entry as the Windows profile reads one: optional sign, "0x",
// "0o" or "0b" prefixes, digits up to the first that does not belong, kept
// modulo 2^32. Text with no digits reads as 0.
UINT ParseProfileInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        char p = text[i + 1];
        base = (p == 'x' || p == 'X') ? 16 : (p == 'o' || p == 'O') ? 8 : (p == 'b' || p == 'B') ? 2 : 10;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < text.size() && DigitValue(text[i]) < base; ++i)
        value = value * static_cast<uint32_t>(base) + static_cast<uint32_t>(DigitValue(text[i]));
    return negative ? 0u - value : value;
}

// Looks up an entry in whichever store is in use. Caller holds the lock.
bool ReadEntry(const char* section, const char* entry, std::string* value) {
    if (!section || !entry) return false;
    if (g_profileFile.empty()) return g_memoryProfile.Get(section, entry, value);
    return LoadIniFile(g_profileFile).Get(section, entry, value);
}

// Applies a change to the store in use; a file is rewritten at once. Caller
// holds the lock.
template <class Change>
bool ChangeProfile(Change change) {
    if (g_profileFile.empty()) {
        change(g_memoryProfile);
        return true;
    }
    IniDocument document = LoadIniFile(g_profileFile);
    change(document);
    return SaveIniFile(g_profileFile, document);
}

}  // namespace

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    std::string value;
    if (ReadEntry(section, entry, &value)) return CString(value);
    return CString(defaultValue);
}

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    std::string value;
    if (!ReadEntry(section, entry, &value) || value.empty()) return static_cast<UINT>(defaultValue);
    return ParseProfileInt(value);
}

// As the Windows profile: a null entry removes the section, a null value the entry.
BOOL CWinApp::WriteProfileString(const char* section, const char* entry, const char* value) {
    if (!section) return FALSE;
    std::lock_guard<std::mutex> lock(g_profileLock);
    return ChangeProfile([&](IniDocument& document) {
        if (!entry)
            document.RemoveSection(section);
        else if (!value)
            document.RemoveEntry(section, entry);
        else
            document.Set(section, entry, value);
    }) ? TRUE : FALSE;
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    if (!entry) return FALSE;
    return WriteProfileString(section, entry, std::to_string(value).c_str());
}

void CWinApp::SetProfileFile(const char* path) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    g_profileFile = path ? path : "";
}

CString CWinApp::GetProfileFile() const {
    std::lock_guard<std::mutex> lock(g_profileLock);
    return CString(g_profileFile);
}

CWinApp* AfxGetApp() {
    static CWinApp app;
    return &app;
}
