// Fields of the symbol text's lines.
#include "controls/symbols/symbol_fields.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

namespace tbsym {

std::vector<Field> SplitFields(const CString& line) {
    std::vector<Field> fields;
    const char* s = line.GetString();
    const int n = line.GetLength();
    int i = 0;
    while (i < n) {
        while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
        if (i >= n) break;
        Field f;
        if (s[i] == '"') {
            const int start = ++i;
            while (i < n && s[i] != '"') ++i;
            f.text = CString(s + start, i - start);
            f.quoted = true;
            f.unterminated = i >= n;
            ++i;
        } else {
            const int start = i;
            while (i < n && s[i] != ' ' && s[i] != '\t') ++i;
            f.text = CString(s + start, i - start);
        }
        fields.push_back(f);
    }
    return fields;
}

namespace {

bool ParseLong(const char* begin, const char* end, long low, long high, long& value) {
    if (begin == end) return false;
    const std::string text(begin, end);
    char* stop = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &stop, 10);
    if (errno || stop != text.c_str() + text.size() || text[0] == ' ' || v < low || v > high) return false;
    value = v;
    return true;
}

}  // namespace

bool ParseInt(const CString& text, long low, long high, long& value) {
    return ParseLong(text.GetString(), text.GetString() + text.GetLength(), low, high, value);
}

bool ParseInts(const CString& text, int n, long* values) {
    const char* p = text.GetString();
    const char* end = p + text.GetLength();
    for (int k = 0; k < n; ++k) {
        const char* comma = p;
        while (comma < end && *comma != ',') ++comma;
        if ((k + 1 < n) != (comma < end)) return false;  // one comma between each two
        if (!ParseLong(p, comma, -kCoordinateLimit, kCoordinateLimit, values[k])) return false;
        p = comma + 1;
    }
    return true;
}

bool ParsePoint(const CString& text, POINT& point) {
    long v[2];
    if (!ParseInts(text, 2, v)) return false;
    point = POINT{v[0], v[1]};
    return true;
}

}  // namespace tbsym
