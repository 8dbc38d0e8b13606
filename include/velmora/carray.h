// CArray: the framework's growable array, here over std::vector.
#pragma once

#include <cstddef>
#include <vector>

#include "velmora/wintypes.h"

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    bool IsEmpty() const { return m_items.empty(); }
    int GetUpperBound() const { return GetSize() - 1; }
    void SetSize(int size) { m_items.resize(size < 0 ? 0 : static_cast<size_t>(size)); }

    TYPE GetAt(int index) const { return m_items.at(static_cast<size_t>(index)); }
    void SetAt(int index, ARG_TYPE value) { m_items.at(static_cast<size_t>(index)) = value; }
    TYPE& ElementAt(int index) { return m_items.at(static_cast<size_t>(index)); }
    TYPE operator[](int index) const { return GetAt(index); }
    TYPE& operator[](int index) { return ElementAt(index); }

    TYPE* GetData() { return m_items.data(); }
    const TYPE* GetData() const { return m_items.data(); }

    int Add(ARG_TYPE value) {
        m_items.push_back(value);
        return GetSize() - 1;
    }
    void RemoveAt(int index, int count = 1) {
        if (index < 0 || count <= 0 || index >= GetSize()) return;
        size_t end = static_cast<size_t>(index) + static_cast<size_t>(count);
        if (end > m_items.size()) end = m_items.size();
        m_items.erase(m_items.begin() + index, m_items.begin() + static_cast<std::ptrdiff_t>(end));
    }
    void RemoveAll() { m_items.clear(); }
    void Copy(const CArray& other) { m_items = other.m_items; }

private:
    std::vector<TYPE> m_items;
};

// The list of 32-bit colour values an image keeps (transparent colours).
typedef CArray<DWORD, DWORD> CDWordArray;
