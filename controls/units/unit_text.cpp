// Unit notation shown with its symbols. Escapes between backslashes name a symbol
// ("\Ohm\", "\mu\", "\2super\", "\degree\"); other names stay plain text. The unit
// catalogue also writes "\deg\" for the degree sign and "^2", "^3" for powers.
#include <toolbox/ui/dc.h>
#include <toolbox/ui/unit_controls.h>

#include <cstring>

namespace {

struct Symbol {
    const char* name;
    const char* text;  // UTF-8
};
const Symbol kSymbols[] = {{"mu", "\xC2\xB5"},           {"2super", "\xC2\xB2"},      {"3super", "\xC2\xB3"},
                           {"4super", "\xE2\x81\xB4"},    {"5super", "\xE2\x81\xB5"},  {"degree", "\xC2\xB0"},
                           {"deg", "\xC2\xB0"},           {"Ohm", "\xCE\xA9"},         {"Omega", "\xCE\xA9"},
                           {"AA", "\xC3\x85"}};

CString SymbolOf(const CString& name) {
    for (const Symbol& s : kSymbols)
        if (std::strcmp(s.name, name.GetString()) == 0) return s.text;
    return name;
}

/// Powers written with a caret: "^2" and "^3".
CString PlainText(const CString& piece) {
    CString out;
    for (int i = 0; i < piece.GetLength(); ++i) {
        if (piece[i] == '^' && i + 1 < piece.GetLength() && (piece[i + 1] == '2' || piece[i + 1] == '3')) {
            out += piece[i + 1] == '2' ? "\xC2\xB2" : "\xC2\xB3";
            ++i;
        } else {
            out += piece[i];
        }
    }
    return out;
}

}  // namespace

CString TBUnitNotationText(const CString& notation) {
    CString out;
    int start = 0;
    bool escape = false;
    for (;;) {
        const int slash = notation.Find('\\', start);
        if (slash < 0) {
            // An unclosed escape is shown as written.
            out += escape ? "\\" + notation.Mid(start) : PlainText(notation.Mid(start));
            break;
        }
        const CString piece = notation.Mid(start, slash - start);
        out += escape ? SymbolOf(piece) : PlainText(piece);
        escape = !escape;
        start = slash + 1;
    }
    return out;
}

int TBDrawUnitNotation(CDC* dc, const CString& notation, RECT* rect, UINT format) {
    if (!dc || !rect) return 0;
    return dc->DrawText(TBUnitNotationText(notation), rect, format & ~0x40000000u);
}
