#include <toolbox/types/cstring.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }
bool InSet(const char* set, char c) { return set && c != '\0' && std::strchr(set, c) != nullptr; }

}  // namespace

char CString::GetAt(int index) const {
    if (index < 0 || index >= GetLength()) return '\0';
    return m_text[static_cast<size_t>(index)];
}

void CString::SetAt(int index, char ch) {
    if (index >= 0 && index < GetLength()) m_text[static_cast<size_t>(index)] = ch;
}

CString& CString::Append(const char* text, int length) {
    if (text && length > 0) m_text.append(text, static_cast<size_t>(length));
    return *this;
}

int CString::Compare(const char* other) const {
    int r = std::strcmp(m_text.c_str(), other ? other : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char* other) const {
    const char* a = m_text.c_str();
    const char* b = other ? other : "";
    for (;; ++a, ++b) {
        unsigned char ca = static_cast<unsigned char>(AsciiLower(*a));
        unsigned char cb = static_cast<unsigned char>(AsciiLower(*b));
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const {
    const int length = GetLength();
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first >= length) return CString();
    if (count > length - first) count = length - first;
    return CString(m_text.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Left(int count) const { return Mid(0, count); }

CString CString::Right(int count) const {
    const int length = GetLength();
    if (count < 0) count = 0;
    if (count > length) count = length;
    return Mid(length - count, count);
}

CString CString::SpanIncluding(const char* set) const {
    int n = 0;
    while (n < GetLength() && InSet(set, m_text[static_cast<size_t>(n)])) ++n;
    return Left(n);
}

CString CString::SpanExcluding(const char* set) const {
    int n = 0;
    while (n < GetLength() && !InSet(set, m_text[static_cast<size_t>(n)])) ++n;
    return Left(n);
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= GetLength()) return -1;
    size_t pos = m_text.find(ch, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t pos = m_text.find(sub, static_cast<size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    size_t pos = m_text.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* set) const {
    if (!set || !*set) return -1;
    size_t pos = m_text.find_first_of(set);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

CString& CString::MakeUpper() {
    for (char& c : m_text) c = AsciiUpper(c);
    return *this;
}

CString& CString::MakeLower() {
    for (char& c : m_text) c = AsciiLower(c);
    return *this;
}

CString& CString::MakeReverse() {
    std::reverse(m_text.begin(), m_text.end());
    return *this;
}

int CString::Replace(char oldCh, char newCh) {
    int count = 0;
    for (char& c : m_text) {
        if (c == oldCh) {
            c = newCh;
            ++count;
        }
    }
    return count;
}

int CString::Replace(const char* oldText, const char* newText) {
    if (!oldText || !*oldText) return 0;
    const size_t oldLen = std::strlen(oldText);
    const char* replacement = newText ? newText : "";
    const size_t newLen = std::strlen(replacement);
    int count = 0;
    std::string out;
    size_t from = 0;
    for (size_t pos; (pos = m_text.find(oldText, from)) != std::string::npos; from = pos + oldLen) {
        out.append(m_text, from, pos - from);
        out.append(replacement, newLen);
        ++count;
    }
    if (count) {
        out.append(m_text, from, std::string::npos);
        m_text.swap(out);
    }
    return count;
}

int CString::Remove(char ch) {
    const size_t before = m_text.size();
    m_text.erase(std::remove(m_text.begin(), m_text.end(), ch), m_text.end());
    return static_cast<int>(before - m_text.size());
}

int CString::Insert(int index, char ch) { return Insert(index, CString(ch).GetString()); }

int CString::Insert(int index, const char* text) {
    if (index < 0) index = 0;
    if (index > GetLength()) index = GetLength();
    if (text) m_text.insert(static_cast<size_t>(index), text);
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength()) {
        m_text.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    }
    return GetLength();
}

CString& CString::TrimLeft() {
    size_t n = 0;
    while (n < m_text.size() && IsSpace(m_text[n])) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(char ch) {
    size_t n = 0;
    while (n < m_text.size() && m_text[n] == ch) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const char* set) {
    size_t n = 0;
    while (n < m_text.size() && InSet(set, m_text[n])) ++n;
    m_text.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    while (!m_text.empty() && IsSpace(m_text.back())) m_text.pop_back();
    return *this;
}

CString& CString::TrimRight(char ch) {
    while (!m_text.empty() && m_text.back() == ch) m_text.pop_back();
    return *this;
}

CString& CString::TrimRight(const char* set) {
    while (!m_text.empty() && InSet(set, m_text.back())) m_text.pop_back();
    return *this;
}

CString CString::Tokenize(const char* set, int& start) const {
    if (start < 0) return CString();
    size_t from = static_cast<size_t>(start);
    const char* delimiters = set ? set : "";
    from = m_text.find_first_not_of(delimiters, from);
    if (from == std::string::npos || from >= m_text.size()) {
        start = -1;
        return CString();
    }
    size_t end = m_text.find_first_of(delimiters, from);
    if (end == std::string::npos) end = m_text.size();
    start = static_cast<int>(end < m_text.size() ? end + 1 : end);
    return CString(m_text.substr(from, end - from));
}

void CString::FormatV(const char* format, va_list args) {
    if (!format) {
        m_text.clear();
        return;
    }
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0) {
        m_text.clear();
        return;
    }
    if (static_cast<size_t>(needed) < sizeof small) {
        m_text.assign(small, static_cast<size_t>(needed));
        return;
    }
    std::string out(static_cast<size_t>(needed) + 1, '\0');
    std::vsnprintf(&out[0], out.size(), format, args);
    out.resize(static_cast<size_t>(needed));
    m_text.swap(out);
}

void CString::FormatRaw(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength()) m_text.resize(static_cast<size_t>(minLength));
    return &m_text[0];
}

char* CString::GetBufferSetLength(int length) {
    m_text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        m_text.resize(std::strlen(m_text.c_str()));
    } else if (static_cast<size_t>(newLength) <= m_text.size()) {
        m_text.resize(static_cast<size_t>(newLength));
    }
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, char b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(char a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
