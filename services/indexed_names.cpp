// Names with an index ("V[3]"), and fields and words of delimited strings.
#include <toolbox/services/system_helpers.h>

#include <cstdlib>
#include <cstring>
#include <string>

CString TBGetIndexStrOfName(const CString& name) {
    int open = name.Find('[');
    if (open < 0) return name;
    CString rest = name.Mid(open + 1);
    int close = rest.Find(']');
    return close < 0 ? rest : rest.Left(close);
}

int TBGetIndexOfName(const CString& name) {
    long long value = std::strtoll(TBGetIndexStrOfName(name), nullptr, 10);
    if (value > 2147483647LL) return 2147483647;
    if (value < -2147483647LL - 1) return -2147483647 - 1;
    return static_cast<int>(value);
}

CString TBGetBaseOfName(const CString& name) {
    int open = name.Find('[');
    return open < 0 ? name : name.Left(open);
}

void TBExtractString(CString& out, const char* text, int index, char separator) {
    out.Empty();
    if (!text) return;
    const char* p = text;
    for (int skipped = 0; skipped < index; ++skipped) {
        p = std::strchr(p, separator);
        if (!p || !separator) return;
        ++p;
    }
    const char* end = separator ? std::strchr(p, separator) : nullptr;
    out = end ? CString(p, static_cast<int>(end - p)) : CString(p);
}

int TBGetStringIndex(const CString& text, const CString& word, const CString& delimiters) {
    const std::string& t = text.str();
    const std::string& w = word.str();
    const std::string& d = delimiters.str();
    auto isDelimiter = [&](char c) { return d.find(c) != std::string::npos; };
    for (size_t pos = t.find(w); pos != std::string::npos; pos = t.find(w, pos + 1)) {
        size_t after = pos + w.size();
        bool endsToken = after >= t.size() || isDelimiter(t[after]);
        bool startsToken = pos == 0 || isDelimiter(t[pos - 1]);
        if (!endsToken || !startsToken) continue;
        int count = 0;
        for (size_t i = 0; i < pos; ++i)
            if (isDelimiter(t[i])) ++count;
        return count;
    }
    return -1;
}
