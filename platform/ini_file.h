// An INI document: sections of "key=value" entries, names compared without
// regard to ASCII case. Lines that are neither (comments, blanks) are kept as
// they were, so a host's own profile file survives our writes.
#pragma once

#include <string>
#include <vector>

class IniDocument {
public:
    void Parse(const std::string& text);
    std::string Serialize() const;

    // True and *value set when the entry exists.
    bool Get(const std::string& section, const std::string& key, std::string* value) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);
    void RemoveEntry(const std::string& section, const std::string& key);
    void RemoveSection(const std::string& section);

private:
    struct Line {
        bool isEntry;
        std::string key;    // entries only
        std::string value;  // entries: the value; other lines: the raw text
    };
    struct Section {
        std::string name;  // empty for lines before the first header
        std::vector<Line> lines;
    };

    Section* FindSection(const std::string& name);
    const Section* FindSection(const std::string& name) const;
    static Line* FindEntry(Section* section, const std::string& key);

    std::vector<Section> m_sections;
};

// Reads the document at `path`; a missing file is an empty document.
IniDocument LoadIniFile(const std::string& path);
// Replaces the file at `path` with the document (through a temporary beside it,
// so a failed write leaves the old file whole). False on failure.
bool SaveIniFile(const std::string& path, const IniDocument& document);
