// The colouring editor's text model: one line object per text line, edits that keep
// it equal to the widget's text, and re-colouring that stops where the range state
// stops changing. No window code: the widget maps its positions onto (line, byte).
#pragma once

#include <toolbox/ui/color_rich_edit_syntax.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tb_coloredit {

/// A place in the text: line index and byte offset in the line's real text.
struct CTextPlace {
    int line = 0;
    int offset = 0;
};

/// Byte offset of the first `units` UTF-16 code units of utf8 (clamped to the text).
int Utf16ToByteOffset(std::string_view utf8, int units);
/// UTF-16 code units of the first `bytes` bytes of utf8.
int ByteToUtf16Offset(std::string_view utf8, int bytes);

class CLineList {
public:
    CLineList();

    int GetCount() const { return static_cast<int>(m_lines.size()); }
    CTBColorRichEditLine& Line(int index) { return *m_lines[static_cast<std::size_t>(index)]; }
    const CTBColorRichEditLine& Line(int index) const { return *m_lines[static_cast<std::size_t>(index)]; }

    /// Replaces everything with text; lines end at CR LF, LF or a lone CR.
    void SetText(std::string_view text);
    /// Replaces everything with the given real line texts.
    void SetLines(std::vector<std::string> lines);
    /// The whole real text, lines joined by lineBreak.
    std::string GetText(std::string_view lineBreak = "\n") const;
    /// Real text between two places, lines joined by lineBreak.
    std::string GetText(CTextPlace from, CTextPlace to, std::string_view lineBreak) const;

    /// Replaces the text between from and to (real offsets; to not before from) with
    /// text whose lines are separated by "\n". Single characters go through the line's
    /// own insert and delete with tab re-laying. Returns the index of the last line the
    /// new text touches (from.line is the first).
    int Replace(CTextPlace from, CTextPlace to, std::string_view text);

    /// Colours lines [first, lastChanged] and then every following line while its
    /// stored open range at start differs from the previous line's open range at end
    /// (all lines when stopWhenStable is false). Returns the last line coloured;
    /// `spansChanged` (when given) receives the lines whose spans differ from before.
    int Colour(int first, int lastChanged, bool stopWhenStable, const CTBSyntaxDscrColorRichEdit* description,
               std::vector<int>* spansChanged = nullptr);

private:
    std::vector<std::unique_ptr<CTBColorRichEditLine>> m_lines;
};

}  // namespace tb_coloredit
