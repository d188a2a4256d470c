/// \file
/// \brief Arrays of the framework: CObject, CArray<T,ARG>, CStringArray, CPtrArray, CUIntArray and their relatives.
// Arrays of the framework: CObject, CArray<T,ARG>, CStringArray, CPtrArray,
// CUIntArray and their relatives. Indexes are int; GetAt of a bad index is a caller error
// caught by an assertion in debug builds, as it was before.
#pragma once

#include <toolbox/types/cstring.h>

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace tb_detail {

/// Blocks of at least this many bytes come from TBAllocateLargeBlock.
constexpr std::size_t kLargeBlockBytes = std::size_t(4) << 20;
/// The huge page size that large blocks are aligned to and sized in.
constexpr std::size_t kHugePageBytes = std::size_t(2) << 20;

/// Memory for a large array. A reader filling a record of a few hundred megabytes
/// spends most of its time in the kernel's page faults when the memory is fresh; on
/// 2 MiB pages there are 512 times fewer of them. So the block is aligned to 2 MiB and
/// the kernel is asked to back it with huge pages (only a request: where they are off
/// or scarce it keeps small pages). The last, partly used huge page is asked for only
/// when it adds at most a sixteenth to the array, so that the memory an array takes
/// stays within 1.07 times its size. Throws std::bad_alloc when there is no memory.
/// Inline, because plug-ins use the arrays without linking the library.
inline void* TBAllocateLargeBlock(std::size_t bytes) {
    // No object may be larger than PTRDIFF_MAX bytes.
    if (bytes > static_cast<std::size_t>(PTRDIFF_MAX) - kHugePageBytes) throw std::bad_alloc();
    const std::size_t rounded = (bytes + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
    void* block = std::aligned_alloc(kHugePageBytes, rounded);
    if (!block) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    const std::size_t huge = rounded - bytes <= bytes / 16 ? rounded : bytes & ~(kHugePageBytes - 1);
    if (huge > 0) madvise(block, huge, MADV_HUGEPAGE);
#endif
    return block;
}
/// Frees a block from TBAllocateLargeBlock.
inline void TBFreeLargeBlock(void* block) noexcept { std::free(block); }

/// The allocator of CArray. Large blocks go to TBAllocateLargeBlock. Elements made
/// without a value are left as they are for trivial types (CArray::SetSize zeroes them
/// itself, SetSizeForOverwrite does not), and value-initialised for the others.
template <class T>
struct ArrayAllocator {
    /// The element type.
    using value_type = T;
    ArrayAllocator() = default;
    /// Converting constructor, as allocators have.
    template <class U>
    ArrayAllocator(const ArrayAllocator<U>&) noexcept {}
    /// Memory for n elements.
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        if (IsLarge(n)) return static_cast<T*>(TBAllocateLargeBlock(n * sizeof(T)));
        return std::allocator<T>().allocate(n);
    }
    /// Frees memory of n elements from allocate.
    void deallocate(T* p, std::size_t n) noexcept {
        if (IsLarge(n))
            TBFreeLargeBlock(p);
        else
            std::allocator<T>().deallocate(p, n);
    }
    /// Makes an element without a value: trivial types are left unset.
    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible<U>::value) {
        if constexpr (std::is_trivially_default_constructible<U>::value)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U();
    }
    /// Makes an element from arguments.
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    /// Every ArrayAllocator frees what any other allocated.
    template <class U>
    bool operator==(const ArrayAllocator<U>&) const noexcept { return true; }
    /// Every ArrayAllocator frees what any other allocated.
    template <class U>
    bool operator!=(const ArrayAllocator<U>&) const noexcept { return false; }

private:
    /// Whether n elements take a large block (allocate and deallocate must agree).
    static bool IsLarge(std::size_t n) noexcept {
        return n * sizeof(T) >= kLargeBlockBytes && alignof(T) <= alignof(std::max_align_t);
    }
};

}  // namespace tb_detail

/// Root of the library's data classes; gives them a virtual destructor.
class TB_EXPORT CObject {
public:
    virtual ~CObject() = default;
};

/// A growable array of values with the framework's interface (GetSize, Add, SetAtGrow,
/// InsertAt, RemoveAt...); indices out of range are the caller's fault, as there.
template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
    using Items = std::vector<TYPE, tb_detail::ArrayAllocator<TYPE>>;

public:
    /// Number of elements.
    int GetSize() const { return static_cast<int>(m_items.size()); }
    /// Number of elements (same as GetSize).
    int GetCount() const { return GetSize(); }
    /// Index of the last element; -1 when the array is empty.
    int GetUpperBound() const { return GetSize() - 1; }
    /// True when the array holds no element.
    bool IsEmpty() const { return m_items.empty(); }
    /// Resizes; new elements are value-initialised. growBy is accepted for
    /// compatibility, the vector grows geometrically anyway.
    void SetSize(int newSize, int growBy = -1) {
        (void)growBy;
        const size_t old = m_items.size();
        m_items.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0);
        if constexpr (std::is_trivially_default_constructible<TYPE>::value)
            if (m_items.size() > old) std::fill(m_items.begin() + static_cast<std::ptrdiff_t>(old), m_items.end(), TYPE());
    }
    /// Resizes without giving new elements of a trivial type (double, int...) a value:
    /// for a caller that writes every new element before anything reads it, as the
    /// file readers do, so that the memory is written once and not zeroed first.
    void SetSizeForOverwrite(int newSize) { m_items.resize(newSize > 0 ? static_cast<size_t>(newSize) : 0); }
    /// Releases the memory kept beyond the current size.
    void FreeExtra() { m_items.shrink_to_fit(); }
    /// Removes every element and releases their memory.
    void RemoveAll() {
        m_items.clear();
        m_items.shrink_to_fit();
    }

    /// Element i; i must be in range (asserted in debug builds).
    const TYPE& GetAt(int i) const {
        assert(InRange(i));
        return m_items[static_cast<size_t>(i)];
    }
    /// Writable reference to element i; i must be in range (asserted in debug builds).
    TYPE& ElementAt(int i) {
        assert(InRange(i));
        return m_items[static_cast<size_t>(i)];
    }
    /// Replaces element i; i must be in range (asserted in debug builds), use SetAtGrow to grow.
    void SetAt(int i, ARG_TYPE v) {
        assert(InRange(i));
        m_items[static_cast<size_t>(i)] = v;
    }
    /// Element i, as GetAt.
    const TYPE& operator[](int i) const { return GetAt(i); }
    /// Writable element i, as ElementAt.
    TYPE& operator[](int i) { return ElementAt(i); }
    /// The elements as a contiguous block (nullptr or dangling when empty); valid until the array changes size.
    const TYPE* GetData() const { return m_items.data(); }
    /// The elements as a writable contiguous block; valid until the array changes size.
    TYPE* GetData() { return m_items.data(); }

    /// Sets element i, growing the array when i is past its end.
    void SetAtGrow(int i, ARG_TYPE v) {
        if (i < 0) return;
        if (i >= GetSize()) SetSize(i + 1);
        m_items[static_cast<size_t>(i)] = v;
    }
    /// Appends v; returns its index.
    int Add(ARG_TYPE v) {
        m_items.push_back(v);
        return GetSize() - 1;
    }
    /// Appends every element of other; returns the index of the first appended one.
    int Append(const CArray& other) {
        int first = GetSize();
        m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
        return first;
    }
    /// Replaces the contents with a copy of other's.
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
    /// Iterator to the first element, for range-for.
    typename Items::iterator begin() { return m_items.begin(); }
    /// Iterator past the last element, for range-for.
    typename Items::iterator end() { return m_items.end(); }
    /// Iterator to the first element, for range-for.
    typename Items::const_iterator begin() const { return m_items.begin(); }
    /// Iterator past the last element, for range-for.
    typename Items::const_iterator end() const { return m_items.end(); }

private:
    bool InRange(int i) const { return i >= 0 && i < GetSize(); }
    Items m_items;
};

/// An array of strings.
class CStringArray : public CArray<CString, const CString&> {
public:
    /// Appends a copy of the text; returns its index.
    int Add(const char* text) { return CArray::Add(CString(text)); }
    /// Appends a copy of the text; returns its index.
    int Add(const CString& text) { return CArray::Add(text); }
};

class CPtrArray : public CArray<void*, void*> {};
class CUIntArray : public CArray<UINT, UINT> {};
class CDWordArray : public CArray<DWORD, DWORD> {};
class CWordArray : public CArray<WORD, WORD> {};
class CByteArray : public CArray<BYTE, BYTE> {};
