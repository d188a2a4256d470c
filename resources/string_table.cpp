#include <toolbox/resources/string_table.h>

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

struct StringEntry {
    UINT id;
    const char* text;
};

#define TB_STRING(id, text) {id, text},
constexpr StringEntry kEnglishTable[] = {
#include "resources/string_table_en.inc"
};
#undef TB_STRING

class CBuiltinResources : public CResourceModule {
public:
    bool FindString(UINT id, CString& text) const override {
        auto it = std::lower_bound(std::begin(kEnglishTable), std::end(kEnglishTable), id,
                                   [](const StringEntry& e, UINT key) { return e.id < key; });
        if (it == std::end(kEnglishTable) || it->id != id) return false;
        text = it->text;
        return true;
    }
};

const CBuiltinResources g_builtin;
const CResourceModule* g_current = &g_builtin;

void AppendArg(CString& out, char conversion, const CMessageArg& arg) {
    if (arg.IsText()) {
        out += arg.Text();
        return;
    }
    char buffer[32];
    if (conversion == 'x')
        std::snprintf(buffer, sizeof buffer, "%lx", static_cast<unsigned long>(arg.Value()));
    else if (conversion == 'u')
        std::snprintf(buffer, sizeof buffer, "%lu", static_cast<unsigned long>(arg.Value()));
    else
        std::snprintf(buffer, sizeof buffer, "%ld", arg.Value());
    out += buffer;
}

}  // namespace

const CResourceModule& TBBuiltinResources() { return g_builtin; }
const CResourceModule& TBGetResourceModule() { return *g_current; }
void TBSetResourceModule(const CResourceModule* module) { g_current = module ? module : &g_builtin; }

CString TBLoadString(UINT id) {
    CString text;
    if (g_current->FindString(id, text)) return text;
    if (g_current != &g_builtin && g_builtin.FindString(id, text)) return text;
    return CString();
}

CString TBFormatText(const CString& pattern, std::initializer_list<CMessageArg> args) {
    CString out;
    auto next = args.begin();
    const int length = pattern.GetLength();
    for (int i = 0; i < length; ++i) {
        char c = pattern[i];
        if (c != '%' || i + 1 >= length) {
            out += c;
            continue;
        }
        // Skip flags, width and length modifiers of a printf-like placeholder.
        int j = i + 1;
        while (j < length && std::string_view("-+ #0123456789.lh").find(pattern[j]) != std::string_view::npos) ++j;
        char conversion = pattern[j];
        if (conversion == '%' && j == i + 1) {
            out += '%';
        } else if (std::string_view("sidux").find(conversion) != std::string_view::npos && conversion) {
            if (next != args.end()) AppendArg(out, conversion, *next++);
        } else {
            out += pattern.Mid(i, j - i + 1);
        }
        i = j;
    }
    return out;
}

CString TBFormatMessage(UINT id, std::initializer_list<CMessageArg> args) {
    return TBFormatText(TBLoadString(id), args);
}
