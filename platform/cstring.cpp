// CString: counted 8-bit GBK string.
#include "velmora/cstring.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// Length in bytes of the character starting at `pos`: 2 for a GBK lead byte
// followed by another byte, else 1 (a lone lead byte at the end is one unit).
size_t UnitLength(const std::string& s, size_t pos) {
    if (IsGbkLeadByte(static_cast<unsigned char>(s[pos])) && pos + 1 < s.size()) return 2;
    return 1;
}

bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\f' || ch == '\v'; }

// Clips a (first, count) request to the string: negative values become 0 and
// the range never runs past the end.
void ClipRange(size_t length, int* first, int* count) {
    if (*first < 0) *first = 0;
    if (*count < 0) *count = 0;
    if (static_cast<size_t>(*first) > length) *first = static_cast<int>(length);
    size_t left = length - static_cast<size_t>(*first);
    if (static_cast<size_t>(*count) > left) *count = static_cast<int>(left);
}

template <class Change>
void ChangeSingleBytes(std::string& s, Change change) {
    for (size_t i = 0; i < s.size(); i += UnitLength(s, i)) {
        if (UnitLength(s, i) == 1) s[i] = change(s[i]);
    }
}

}  // namespace

CString::CString(const char* text) : m_str(text ? text : "") {}

CString::CString(const char* text, int length) {
    if (text && length > 0) m_str.assign(text, static_cast<size_t>(length));
}

CString::CString(char ch, int repeat) {
    if (repeat > 0) m_str.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(const char* text) {
    // `text` may point into this string.
    std::string copy(text ? text : "");
    m_str.swap(copy);
    return *this;
}

char CString::GetAt(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= m_str.size()) return '\0';
    return m_str[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch) {
    if (index < 0 || static_cast<size_t>(index) >= m_str.size()) return;
    m_str[static_cast<size_t>(index)] = ch;
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    ClipRange(m_str.size(), &first, &count);
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count < 0) count = 0;
    if (count > GetLength()) count = GetLength();
    return Mid(GetLength() - count, count);
}

int CString::Find(char ch, int start) const {
    if (start < 0) start = 0;
    for (size_t i = 0; i < m_str.size(); i += UnitLength(m_str, i)) {
        if (i >= static_cast<size_t>(start) && UnitLength(m_str, i) == 1 && m_str[i] == ch)
            return static_cast<int>(i);
    }
    return -1;
}

int CString::Find(const char* sub, int start) const {
    if (!sub) return -1;
    if (start < 0) start = 0;
    if (static_cast<size_t>(start) > m_str.size()) return -1;
    size_t subLength = std::strlen(sub);
    // Only character boundaries count: a match may not start on a trail byte.
    for (size_t i = 0; i <= m_str.size(); i += (i < m_str.size() ? UnitLength(m_str, i) : 1)) {
        if (i < static_cast<size_t>(start)) continue;
        if (m_str.compare(i, subLength, sub) == 0 && i + subLength <= m_str.size()) return static_cast<int>(i);
    }
    return -1;
}

int CString::ReverseFind(char ch) const {
    int found = -1;
    for (size_t i = 0; i < m_str.size(); i += UnitLength(m_str, i)) {
        if (UnitLength(m_str, i) == 1 && m_str[i] == ch) found = static_cast<int>(i);
    }
    return found;
}

void CString::MakeUpper() {
    ChangeSingleBytes(m_str, [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
}

void CString::MakeLower() {
    ChangeSingleBytes(m_str, [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
}

void CString::TrimRight() {
    // Trail bytes are 0x40 and above, so a white-space byte is always a whole character.
    size_t end = m_str.size();
    while (end > 0 && IsSpace(m_str[end - 1])) --end;
    m_str.resize(end);
}

void CString::TrimLeft() {
    size_t begin = 0;
    while (begin < m_str.size() && IsSpace(m_str[begin])) ++begin;
    m_str.erase(0, begin);
}

void CString::Format(const char* format, ...) {
    if (!format) {
        m_str.clear();
        return;
    }
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int needed = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string out;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, again);
        out.assign(buffer.data(), static_cast<size_t>(needed));
    }
    va_end(again);
    m_str.swap(out);
}

char* CString::GetBuffer(int minLength) {
    if (minLength > 0 && static_cast<size_t>(minLength) > m_str.size()) m_str.resize(static_cast<size_t>(minLength));
    return &m_str[0];
}

void CString::ReleaseBuffer(int newLength) {
    size_t length = newLength < 0 ? std::strlen(m_str.c_str()) : static_cast<size_t>(newLength);
    if (length < m_str.size()) m_str.resize(length);
}

int CString::Compare(const char* other) const { return m_str.compare(other ? other : ""); }

CString& CString::operator+=(const CString& other) {
    m_str += other.m_str;
    return *this;
}

CString& CString::operator+=(const char* other) {
    if (other) m_str += other;
    return *this;
}

CString& CString::operator+=(char ch) {
    m_str += ch;
    return *this;
}

CString operator+(const CString& a, const CString& b) { return CString(a.m_str + b.m_str); }

CString operator+(const CString& a, const char* b) {
    CString out(a);
    out += b;
    return out;
}

CString operator+(const char* a, const CString& b) {
    CString out(a);
    out += b;
    return out;
}

CString operator+(const CString& a, char b) {
    CString out(a);
    out += b;
    return out;
}

CString operator+(char a, const CString& b) {
    CString out(a);
    out += b;
    return out;
}
