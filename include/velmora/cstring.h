// CString: the framework's counted 8-bit string, GBK-aware.
//
// Lengths and positions count bytes. Find, ReverseFind and MakeUpper treat a
// GBK lead byte (0x81-0xFE) and the byte after it as one character, so a
// trail byte equal to '\\' or '.' is never matched and never upper-cased.
// Left, Mid and Right clip to the string instead of failing.
#pragma once

#include <string>

class CString {
public:
    CString() = default;
    CString(const char* text);  // null gives the empty string
    CString(const char* text, int length);
    CString(char ch, int repeat = 1);
    CString(const std::string& text) : m_str(text) {}

    CString& operator=(const char* text);

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    char GetAt(int index) const;
    void SetAt(int index, char ch);
    char operator[](int index) const { return GetAt(index); }

    operator const char*() const { return m_str.c_str(); }
    const char* c_str() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }

    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;

    // Position of the first match at or after `start`, or -1.
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    // Position of the last whole character equal to `ch`, or -1.
    int ReverseFind(char ch) const;

    void MakeUpper();
    void MakeLower();
    void TrimRight();
    void TrimLeft();

    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

    // Writable buffer of at least minLength bytes (plus the terminator).
    // ReleaseBuffer(-1) takes the length up to the first zero byte.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    int Compare(const char* other) const;

    CString& operator+=(const CString& other);
    CString& operator+=(const char* other);
    CString& operator+=(char ch);

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const char* b);
    friend CString operator+(const char* a, const CString& b);
    friend CString operator+(const CString& a, char b);
    friend CString operator+(char a, const CString& b);

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.m_str == (b ? b : ""); }
    friend bool operator==(const char* a, const CString& b) { return b == a; }
    friend bool operator!=(const CString& a, const CString& b) { return !(a == b); }
    friend bool operator!=(const CString& a, const char* b) { return !(a == b); }
    friend bool operator!=(const char* a, const CString& b) { return !(b == a); }
    friend bool operator<(const CString& a, const CString& b) { return a.m_str < b.m_str; }

private:
    std::string m_str;
};

// True for a byte that starts a two-byte GBK character.
inline bool IsGbkLeadByte(unsigned char byte) { return byte >= 0x81 && byte <= 0xFE; }
