/// \file
/// \brief CString: the framework's 8-bit string with value semantics.
// CString: the framework's 8-bit string with value semantics. Text is bytes (UTF-8
// on this platform); case mapping is ASCII-only so multi-byte characters survive.
// Positions and lengths are int, as callers of the framework expect; every member
// clamps out-of-range positions instead of reading past the text.
#pragma once

#include <toolbox/types/windef.h>

#include <cstdarg>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

class CString;

namespace tb_detail {
// Format arguments: a CString (or std::string) travels as its C string, everything
// else unchanged, so Format("%s", someCString) works as it did with the framework.
inline const char* FormatArg(const CString& s);
inline const char* FormatArg(const std::string& s) { return s.c_str(); }
template <class T>
inline T FormatArg(T v) {
    static_assert(std::is_trivially_copyable<T>::value, "Format takes numbers, pointers and strings");
    return v;
}
}  // namespace tb_detail

/// An 8-bit string with value semantics and the framework's interface (Format, Find,
/// Mid, Left, Right, MakeUpper, Replace, Tokenize...); text is UTF-8 bytes.
class TB_EXPORT CString {
public:
    CString() = default;
    /// Copies a zero-terminated text; null gives the empty string.
    CString(const char* text) : m_text(text ? text : "") {}
    /// Copies the first length bytes of text; null or a length of 0 or less gives the empty string.
    CString(const char* text, int length) : m_text(text ? text : "", text && length > 0 ? length : 0) {}
    /// ch repeated repeat times (none when repeat is 0 or less).
    CString(char ch, int repeat = 1) : m_text(repeat > 0 ? repeat : 0, ch) {}
    /// Copies a standard string.
    CString(const std::string& text) : m_text(text) {}
    /// Takes over a standard string.
    CString(std::string&& text) : m_text(std::move(text)) {}
    /// Copies the bytes of a string view.
    explicit CString(std::string_view text) : m_text(text) {}

    // --- size and access
    /// Length in bytes.
    int GetLength() const { return static_cast<int>(m_text.size()); }
    /// True when the string has no byte.
    bool IsEmpty() const { return m_text.empty(); }
    /// Makes the string empty.
    void Empty() { m_text.clear(); }
    /// The byte at index; 0 when the index is outside the text.
    char GetAt(int index) const;
    /// Replaces the byte at index; ignored outside the text.
    void SetAt(int index, char ch);
    /// The byte at index, as GetAt (0 outside the text).
    char operator[](int index) const { return GetAt(index); }
    /// The text as a zero-terminated C string, valid until the string changes.
    operator const char*() const { return m_text.c_str(); }
    /// The text as a zero-terminated C string, valid until the string changes.
    const char* GetString() const { return m_text.c_str(); }
    /// The text as a standard string.
    const std::string& str() const { return m_text; }
    /// The text as a string view, valid until the string changes.
    std::string_view view() const { return m_text; }

    // --- assignment and concatenation
    /// Copies a zero-terminated text (null gives the empty string).
    CString& operator=(const char* text) {
        m_text = text ? text : "";
        return *this;
    }
    /// Replaces the text by the single byte ch.
    CString& operator=(char ch) {
        m_text.assign(1, ch);
        return *this;
    }
    /// Copies a standard string.
    CString& operator=(const std::string& text) {
        m_text = text;
        return *this;
    }
    /// Appends s.
    CString& operator+=(const CString& s) {
        m_text += s.m_text;
        return *this;
    }
    /// Appends a zero-terminated text (null appends nothing).
    CString& operator+=(const char* s) {
        if (s) m_text += s;
        return *this;
    }
    /// Appends one byte.
    CString& operator+=(char ch) {
        m_text += ch;
        return *this;
    }
    /// Appends the first length bytes of text (nothing for null or a length of 0 or less).
    CString& Append(const char* text, int length);

    // --- comparison (byte for byte)
    /// Byte-wise comparison: -1, 0 or 1 as the string sorts before, equal to or after other (null compares as empty).
    int Compare(const char* other) const;
    /// ASCII case-insensitive comparison.
    int CompareNoCase(const char* other) const;

    // --- extraction
    /// The bytes from first to the end (empty when first is past the end).
    CString Mid(int first) const;
    /// At most count bytes from first, clamped to the text.
    CString Mid(int first, int count) const;
    /// The first count bytes, clamped to the text.
    CString Left(int count) const;
    /// The last count bytes, clamped to the text.
    CString Right(int count) const;
    /// Leading run of bytes that all occur in set / none occur in set.
    CString SpanIncluding(const char* set) const;
    /// Leading run of bytes none of which occur in set.
    CString SpanExcluding(const char* set) const;

    // --- search: results are byte positions, -1 when not found
    /// Position of the first ch at or after start; -1 when none.
    int Find(char ch, int start = 0) const;
    /// Position of the first occurrence of sub at or after start; -1 when none.
    int Find(const char* sub, int start = 0) const;
    /// Position of the last ch; -1 when none.
    int ReverseFind(char ch) const;
    /// Position of the first byte that occurs in set; -1 when none.
    int FindOneOf(const char* set) const;

    // --- modification
    /// ASCII letters to upper case (other bytes unchanged); returns *this.
    CString& MakeUpper();
    /// ASCII letters to lower case (other bytes unchanged); returns *this.
    CString& MakeLower();
    /// Reverses the order of the bytes; returns *this.
    CString& MakeReverse();
    /// Replaces every occurrence; returns how many were replaced.
    int Replace(char oldCh, char newCh);
    /// Replaces every occurrence of oldText (not empty) by newText; returns how many were replaced.
    int Replace(const char* oldText, const char* newText);
    /// Removes every occurrence of ch; returns how many were removed.
    int Remove(char ch);
    /// Inserts at index (clamped to the text); returns the new length.
    int Insert(int index, char ch);
    /// Inserts text at index (clamped to the text); returns the new length.
    int Insert(int index, const char* text);
    /// Deletes count bytes from index (clamped); returns the new length.
    int Delete(int index, int count = 1);
    /// Removes leading white space; returns *this.
    CString& TrimLeft();
    /// Removes leading bytes equal to ch; returns *this.
    CString& TrimLeft(char ch);
    /// Removes leading bytes that occur in set; returns *this.
    CString& TrimLeft(const char* set);
    /// Removes trailing white space; returns *this.
    CString& TrimRight();
    /// Removes trailing bytes equal to ch; returns *this.
    CString& TrimRight(char ch);
    /// Removes trailing bytes that occur in set; returns *this.
    CString& TrimRight(const char* set);
    /// Removes leading and trailing white space; returns *this.
    CString& Trim() {
        TrimRight();
        return TrimLeft();
    }
    /// Next token after start delimited by any byte of set; start moves behind it and
    /// becomes -1 at the end (empty tokens are skipped).
    CString Tokenize(const char* set, int& start) const;

    // --- formatting: printf semantics; CString arguments pass as their text
    template <class... Args>
    /// Replaces the text by the printf-formatted arguments (a CString argument passes as its text).
    void Format(const char* format, Args&&... args) {
        FormatRaw(format, tb_detail::FormatArg(args)...);
    }
    template <class... Args>
    /// Appends the printf-formatted arguments (a CString argument passes as its text).
    void AppendFormat(const char* format, Args&&... args) {
        CString tail;
        tail.FormatRaw(format, tb_detail::FormatArg(args)...);
        m_text += tail.m_text;
    }
    /// Replaces the text by the printf-formatted va_list.
    void FormatV(const char* format, va_list args);

    // --- raw buffer access as the framework offers it
    /// Makes room for at least minLength bytes and returns a writable buffer.
    char* GetBuffer(int minLength = 0);
    /// Sets the length to length bytes (0 for a negative one) and returns the writable buffer; end with ReleaseBuffer.
    char* GetBufferSetLength(int length);
    /// Ends buffer access: length -1 takes the text up to the first zero byte.
    void ReleaseBuffer(int newLength = -1);

private:
    void FormatRaw(const char* format, ...);
    std::string m_text;
};

inline const char* tb_detail::FormatArg(const CString& s) { return s.GetString(); }

/// The concatenation of a and b.
TB_EXPORT CString operator+(const CString& a, const CString& b);
/// The concatenation of a and the text b (null: a).
TB_EXPORT CString operator+(const CString& a, const char* b);
/// The concatenation of the text a (null: empty) and b.
TB_EXPORT CString operator+(const char* a, const CString& b);
/// a followed by the byte b.
TB_EXPORT CString operator+(const CString& a, char b);
/// The byte a followed by b.
TB_EXPORT CString operator+(char a, const CString& b);

/// True when both hold the same bytes.
inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
/// True when a holds the bytes of the text b (null compares as empty).
inline bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
/// True when b holds the bytes of the text a (null compares as empty).
inline bool operator==(const char* a, const CString& b) { return b.Compare(a) == 0; }
/// True when the bytes differ.
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
/// True when the bytes differ.
inline bool operator!=(const CString& a, const char* b) { return !(a == b); }
/// True when the bytes differ.
inline bool operator!=(const char* a, const CString& b) { return !(a == b); }
/// Byte-wise order (as strcmp).
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }
/// Byte-wise order (as strcmp).
inline bool operator<(const CString& a, const char* b) { return a.Compare(b) < 0; }
/// Byte-wise order (as strcmp).
inline bool operator>(const CString& a, const CString& b) { return b < a; }
/// Byte-wise order (as strcmp).
inline bool operator<=(const CString& a, const CString& b) { return !(b < a); }
/// Byte-wise order (as strcmp).
inline bool operator>=(const CString& a, const CString& b) { return !(a < b); }

namespace std {
/// Lets CString be a key of the standard unordered containers.
template <>
struct hash<CString> {
    /// Hash of the text's bytes.
    size_t operator()(const CString& s) const noexcept { return hash<std::string>()(s.str()); }
};
}  // namespace std
