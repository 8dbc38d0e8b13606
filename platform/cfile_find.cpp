// CFileFind: the entries of one directory matching the last component of a
// name, "*" and "?" allowed. "\\" separates like "/" here, but a GBK trail
// byte 0x5C inside a character does not.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "velmora/cfile.h"

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Position of the last separator that is a character of its own, or npos.
// Windows-style separators before it become "/" in *directory.
size_t SplitName(const std::string& name, std::string* directory) {
    size_t last = std::string::npos;
    std::string converted = name;
    for (size_t i = 0; i < name.size(); ++i) {
        if (IsGbkLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (IsSeparator(name[i])) {
            last = i;
            converted[i] = '/';
        }
    }
    *directory = last == std::string::npos ? std::string() : converted.substr(0, last + 1);
    return last;
}

bool HasWildcards(const std::string& pattern) { return pattern.find_first_of("*?") != std::string::npos; }

// The pattern for fnmatch: "*.*" means every name, as it does on Windows, and
// the bytes fnmatch treats specially (which GBK trail bytes can be) are escaped.
std::string FnmatchPattern(const std::string& pattern) {
    if (pattern == "*.*") return "*";
    std::string out;
    for (char c : pattern) {
        if (c == '[' || c == ']' || c == '\\') out += '\\';
        out += c;
    }
    return out;
}

std::vector<std::string> MatchingEntries(const std::string& directory, const std::string& pattern) {
    std::vector<std::string> matches;
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return matches;
    std::string glob = FnmatchPattern(pattern);
    while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (fnmatch(glob.c_str(), entry->d_name, 0) == 0) matches.push_back(entry->d_name);
    }
    closedir(dir);
    std::sort(matches.begin(), matches.end());
    return matches;
}

}  // namespace

BOOL CFileFind::FindFile(const char* name) {
    Close();
    std::string text = name ? name : "*.*";
    // Nothing in a directory listing is named "" or ends in a separator: an
    // empty name, "dir/" and a root such as "C:\" match nothing.
    if (text.empty()) return FALSE;
    std::string directory;
    size_t split = SplitName(text, &directory);
    std::string pattern = split == std::string::npos ? text : text.substr(split + 1);
    if (pattern.empty()) return FALSE;
    m_strDirectory = directory;
    m_strPattern = pattern;
    if (HasWildcards(pattern)) {
        m_matches = MatchingEntries(directory, pattern);
    } else {
        // A plain name needs no listing (page-file naming asks this a lot).
        struct stat st;
        if (lstat((directory + pattern).c_str(), &st) == 0) m_matches.push_back(pattern);
    }
    return m_matches.empty() ? FALSE : TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (m_nNext >= static_cast<int>(m_matches.size())) return FALSE;
    m_nCurrent = m_nNext++;
    return m_nNext < static_cast<int>(m_matches.size()) ? TRUE : FALSE;
}

BOOL CFileFind::IsDirectory() const {
    if (m_nCurrent < 0) return FALSE;
    struct stat st;
    return stat(GetFilePath().c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? TRUE : FALSE;
}

CString CFileFind::GetFilePath() const {
    if (m_nCurrent < 0) return CString();
    return m_strDirectory + CString(m_matches[static_cast<size_t>(m_nCurrent)]);
}

CString CFileFind::GetFileName() const {
    if (m_nCurrent < 0) return CString();
    return CString(m_matches[static_cast<size_t>(m_nCurrent)]);
}

void CFileFind::Close() {
    m_strDirectory.Empty();
    m_strPattern.Empty();
    m_matches.clear();
    m_nNext = 0;
    m_nCurrent = -1;
}
