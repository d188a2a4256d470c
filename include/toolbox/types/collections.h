// Arrays of the framework: CObject, CArray<T,ARG>, CStringArray, CPtrArray,
// CUIntArray and their relatives. Indexes are int; GetAt of a bad index is a caller error
// caught by an assertion in debug builds, as it was before.
#pragma once

#include <toolbox/types/cstring.h>

#include <cassert>
#include <vector>

/// Root of the library's data classes; gives them a virtual destructor.
class TB_EXPORT CObject {
public:
    virtual ~CObject() = default;
};

/// A growable array of values with the framework's interface (GetSize, Add, SetAtGrow,
/// InsertAt, RemoveAt...); indices out of range are the caller's fault, as there.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    /// Resizes; new elements are value-initialised. growBy is accepted for
    /// compatibility, the vector grows geometrically anyway.
    void SetSize(int newSize, int growBy = -1) {
        (void)growBy;
        m_items.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0);
    }
    void FreeExtra() { m_items.shrink_to_fit(); }
    void RemoveAll() {
        m_items.clear();
        m_items.shrink_to_fit();
    }

    const TYPE& GetAt(int i) const {
        assert(InRange(i));
        return m_items[static_cast<size_t>(i)];
    }
    TYPE& ElementAt(int i) {
        assert(InRange(i));
        return m_items[static_cast<size_t>(i)];
    }
    void SetAt(int i, ARG_TYPE v) {
        assert(InRange(i));
        m_items[static_cast<size_t>(i)] = v;
    }
    const TYPE& operator[](int i) const { return GetAt(i); }
    TYPE& operator[](int i) { return ElementAt(i); }
    const TYPE* GetData() const { return m_items.data(); }
    TYPE* GetData() { return m_items.data(); }

    /// Sets element i, growing the array when i is past its end.
    void SetAtGrow(int i, ARG_TYPE v) {
        if (i < 0) return;
        if (i >= GetSize()) SetSize(i + 1);
        m_items[static_cast<size_t>(i)] = v;
    }
    int Add(ARG_TYPE v) {
        m_items.push_back(v);
        return GetSize() - 1;
    }
    int Append(const CArray& other) {
        int first = GetSize();
        m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
        return first;
    }
    void Copy(const CArray& other) { m_items = other.m_items; }
    /// Inserts count copies at i; i past the end grows the array first.
    void InsertAt(int i, ARG_TYPE v, int count = 1) {
        if (i < 0 || count <= 0) return;
        if (i > GetSize()) SetSize(i);
        m_items.insert(m_items.begin() + i, static_cast<size_t>(count), v);
    }
    /// Removes count elements from i (clamped to the array).
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || i >= GetSize() || count <= 0) return;
        int end = (count > GetSize() - i) ? GetSize() : i + count;
        m_items.erase(m_items.begin() + i, m_items.begin() + end);
    }

    // Range-for support for host code written on this platform.
    typename std::vector<TYPE>::iterator begin() { return m_items.begin(); }
    typename std::vector<TYPE>::iterator end() { return m_items.end(); }
    typename std::vector<TYPE>::const_iterator begin() const { return m_items.begin(); }
    typename std::vector<TYPE>::const_iterator end() const { return m_items.end(); }

private:
    bool InRange(int i) const { return i >= 0 && i < GetSize(); }
    std::vector<TYPE> m_items;
};

/// An array of strings.
class CStringArray : public CArray<CString, const CString&> {
public:
    int Add(const char* text) { return CArray::Add(CString(text)); }
    int Add(const CString& text) { return CArray::Add(text); }
};

class CPtrArray : public CArray<void*, void*> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
