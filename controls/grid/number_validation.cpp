// The number checks of the grid's integer, real and index cells: a text is valid when
// one match of the pattern covers all of it.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/coloredit/model/pattern.h"

namespace {

/// A compiled validation pattern that accepts a text when one match covers all of it.
class CFullMatch {
public:
    explicit CFullMatch(const char* pattern) { m_pattern.Compile(pattern, true); }
    bool Matches(const CString& text) const {
        int length = 0;
        return m_pattern.IsCompiled() && m_pattern.MatchAt(text.view(), 0, length) && length == text.GetLength();
    }

private:
    tb_coloredit::CPattern m_pattern;
};

const CFullMatch& IntegerPattern() {
    static const CFullMatch pattern("[ \t]*[+-]?[0-9]+[ \t]*");
    return pattern;
}

const CFullMatch& RealPattern() {
    static const CFullMatch pattern(
        "[ \t]*[+-]?(([0-9]+(\\.[0-9]*)?)|([0-9]*\\.[0-9]+))([ \t]*((([Mm][Ee][Gg])|[FfPpNnUuMmKkGgTt])|([Ee][+-]?[0-9]+)))?[ \t]*");
    return pattern;
}

}  // namespace

BOOL CTBEditListCtrl::IsValidInteger(const CString& text) { return IntegerPattern().Matches(text); }
BOOL CTBEditListCtrl::IsValidReal(const CString& text) { return RealPattern().Matches(text); }
