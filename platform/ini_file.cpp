// INI documents and their files.
#include "platform/ini_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string Trim(const std::string& s) {
    const char* space = " \t\r\n";
    size_t begin = s.find_first_not_of(space);
    if (begin == std::string::npos) return std::string();
    size_t end = s.find_last_not_of(space);
    return s.substr(begin, end - begin + 1);
}

bool WriteWhole(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

void IniDocument::Parse(const std::string& text) {
    m_sections.clear();
    m_sections.push_back(Section{std::string(), {}});
    std::istringstream in(text);
    std::string raw;
    while (std::getline(in, raw)) {
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line = Trim(raw);
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            m_sections.push_back(Section{Trim(line.substr(1, line.size() - 2)), {}});
            continue;
        }
        size_t equals = line.find('=');
        bool isEntry = equals != std::string::npos && line[0] != ';' && line[0] != '#';
        if (isEntry)
            m_sections.back().lines.push_back(Line{true, Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))});
        else
            m_sections.back().lines.push_back(Line{false, std::string(), raw});
    }
}

std::string IniDocument::Serialize() const {
    std::string out;
    for (const Section& section : m_sections) {
        if (&section != &m_sections.front() || !section.name.empty()) out += "[" + section.name + "]\n";
        for (const Line& line : section.lines)
            out += line.isEntry ? line.key + "=" + line.value + "\n" : line.value + "\n";
    }
    return out;
}

const IniDocument::Section* IniDocument::FindSection(const std::string& name) const {
    // The nameless section at the front holds lines before any header; it is
    // not addressable.
    for (size_t i = 1; i < m_sections.size(); ++i)
        if (SameName(m_sections[i].name, name)) return &m_sections[i];
    return nullptr;
}

IniDocument::Section* IniDocument::FindSection(const std::string& name) {
    return const_cast<Section*>(static_cast<const IniDocument*>(this)->FindSection(name));
}

IniDocument::Line* IniDocument::FindEntry(Section* section, const std::string& key) {
    if (!section) return nullptr;
    for (Line& line : section->lines)
        if (line.isEntry && SameName(line.key, key)) return &line;
    return nullptr;
}

bool IniDocument::Get(const std::string& section, const std::string& key, std::string* value) const {
    const Line* line = FindEntry(const_cast<Section*>(FindSection(section)), key);
    if (!line) return false;
    *value = line->value;
    return true;
}

void IniDocument::Set(const std::string& section, const std::string& key, const std::string& value) {
    if (m_sections.empty()) m_sections.push_back(Section{std::string(), {}});
    Section* target = FindSection(section);
    if (!target) {
        m_sections.push_back(Section{section, {}});
        target = &m_sections.back();
    }
    if (Line* line = FindEntry(target, key)) {
        line->value = value;
        return;
    }
    // New entries go after the section's last entry, before trailing blank lines.
    size_t at = target->lines.size();
    while (at > 0 && !target->lines[at - 1].isEntry && Trim(target->lines[at - 1].value).empty()) --at;
    target->lines.insert(target->lines.begin() + static_cast<std::ptrdiff_t>(at), Line{true, key, value});
}

void IniDocument::RemoveEntry(const std::string& section, const std::string& key) {
    Section* target = FindSection(section);
    if (!target) return;
    for (size_t i = 0; i < target->lines.size(); ++i) {
        if (target->lines[i].isEntry && SameName(target->lines[i].key, key)) {
            target->lines.erase(target->lines.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

void IniDocument::RemoveSection(const std::string& section) {
    for (size_t i = 1; i < m_sections.size(); ++i) {
        if (SameName(m_sections[i].name, section)) {
            m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

IniDocument LoadIniFile(const std::string& path) {
    IniDocument document;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    if (in) text << in.rdbuf();
    document.Parse(text.str());
    return document;
}

bool SaveIniFile(const std::string& path, const IniDocument& document) {
    std::string temporary = path + ".XXXXXX";
    int fd = mkstemp(&temporary[0]);
    if (fd < 0) return false;
    struct stat existing;
    mode_t mode = stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    fchmod(fd, mode);
    bool written = WriteWhole(fd, document.Serialize());
    written = (close(fd) == 0) && written;
    if (!written || rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
