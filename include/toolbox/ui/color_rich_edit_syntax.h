/// \file
/// \brief The colouring editor's model, free of any window: syntax descriptions (token and range entries with compiled patterns, loaded from an INI-style file) and the line objects that hold a line's text with tabs expanded.
// The colouring editor's model, free of any window: syntax descriptions (token and
// range entries with compiled patterns, loaded from an INI-style file) and the line
// objects that hold a line's text with tabs expanded, where the tabs were, and the
// coloured stretches the description gives the line.
//
// Columns are expanded columns: every tab stands for the spaces up to the next
// multiple of 4 (tab width 4). Text is bytes (UTF-8); a column is a byte of the
// expanded text.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/types/windef.h>

#include <memory>
#include <vector>

namespace tb_coloredit {
class CPattern;
class CMatchContext;
}

/// A stretch that a range colours: from a match of its open pattern through the next
/// match of its close pattern, possibly over several lines.
class TB_EXPORT CTBSyntaxRangeEntry {
public:
    CTBSyntaxRangeEntry();
    ~CTBSyntaxRangeEntry();
    CTBSyntaxRangeEntry(const CTBSyntaxRangeEntry&) = delete;
    CTBSyntaxRangeEntry& operator=(const CTBSyntaxRangeEntry&) = delete;
    CString m_open;   ///< the open pattern as loaded
    CString m_close;  ///< the close pattern as loaded
    COLORREF m_color = 0;  ///< colour of the range's text, 0x00BBGGRR
    std::unique_ptr<tb_coloredit::CPattern> m_openPattern;   ///< the compiled open pattern
    std::unique_ptr<tb_coloredit::CPattern> m_closePattern;  ///< the compiled close pattern
};

/// A token: a match of its pattern that a start separator precedes (or that begins
/// the line) and a stop separator follows (or that ends the line).
class TB_EXPORT CTBSyntaxTokenEntry {
public:
    CTBSyntaxTokenEntry();
    ~CTBSyntaxTokenEntry();
    CTBSyntaxTokenEntry(const CTBSyntaxTokenEntry&) = delete;
    CTBSyntaxTokenEntry& operator=(const CTBSyntaxTokenEntry&) = delete;
    CString m_token;     ///< the token pattern as loaded
    CString m_startSep;  ///< the start separator pattern as loaded
    CString m_stopSep;   ///< the stop separator pattern as loaded
    COLORREF m_color = 0;  ///< colour of the token, 0x00BBGGRR
    std::unique_ptr<tb_coloredit::CPattern> m_tokenPattern;  ///< the compiled token pattern
    std::unique_ptr<tb_coloredit::CPattern> m_startPattern;  ///< the compiled start separator
    std::unique_ptr<tb_coloredit::CPattern> m_stopPattern;   ///< the compiled stop separator
};

/// A syntax description: ranges and tokens in loading order (earlier tokens win over
/// later ones). Owned by whoever created it; TBFreeSyntaxDescrforColorRichEdit frees it.
/// Lines coloured by one description are coloured one at a time (one thread).
class TB_EXPORT CTBSyntaxDscrColorRichEdit {
public:
    CTBSyntaxDscrColorRichEdit();
    ~CTBSyntaxDscrColorRichEdit();
    CTBSyntaxDscrColorRichEdit(const CTBSyntaxDscrColorRichEdit&) = delete;
    CTBSyntaxDscrColorRichEdit& operator=(const CTBSyntaxDscrColorRichEdit&) = delete;

    /// Appends a range; 0 (nothing appended) when a pattern is empty or does not compile.
    int AddRange(const char* open, const char* close, COLORREF color, int caseSensitive = 1);
    /// Appends a token; 0 (nothing appended) when a pattern is empty or does not compile.
    int AddToken(const char* token, const char* startSep, const char* stopSep, COLORREF color, int caseSensitive = 1);
    /// Number of range entries.
    int GetRangeCount() const { return static_cast<int>(m_ranges.size()); }
    /// Number of token entries.
    int GetTokenCount() const { return static_cast<int>(m_tokens.size()); }
    /// Range entry index (0-based, valid index required).
    const CTBSyntaxRangeEntry& GetRange(int index) const { return *m_ranges[static_cast<std::size_t>(index)]; }
    /// Token entry index (0-based, valid index required).
    const CTBSyntaxTokenEntry& GetToken(int index) const { return *m_tokens[static_cast<std::size_t>(index)]; }
    /// Deletes every entry, last to first.
    void RemoveAll();

private:
    friend class CTBColorRichEditLine;
    /// What the searches of one line need (state table, stack, steps), shared by all
    /// the patterns: a description keeps one, not one per pattern.
    tb_coloredit::CMatchContext& MatchContext() const;

    std::vector<std::unique_ptr<CTBSyntaxRangeEntry>> m_ranges;
    std::vector<std::unique_ptr<CTBSyntaxTokenEntry>> m_tokens;
    mutable std::unique_ptr<tb_coloredit::CMatchContext> m_context;
};

/// Fills description from the syntax description file fileName ("General", "Ranges",
/// "Tokens" and the group sections they name). Entries whose patterns are empty or do
/// not compile are skipped; a missing or unreadable file adds nothing. Does nothing
/// for a null description or an empty name.
TB_EXPORT void TBLoadSyntaxDescrforColorRichEdit(CString fileName, CTBSyntaxDscrColorRichEdit* description);
/// Fills description from the text of a syntax description file (as the loader reads
/// a file; for descriptions that do not live on disk).
TB_EXPORT void TBLoadSyntaxDescrFromText(const char* text, int length, CTBSyntaxDscrColorRichEdit* description);
/// Deletes every entry (last to first) and the description; null is ignored.
TB_EXPORT void TBFreeSyntaxDescrforColorRichEdit(CTBSyntaxDscrColorRichEdit* description);

/// One tab of a line: the expanded column where its spaces begin and how many (1 to 4).
struct sTabColorRichEdit {
    int column;  ///< expanded column where the tab's spaces begin
    int width;   ///< spaces that stand for the tab, 1 to 4
};
/// True when column and width are equal.
inline bool operator==(const sTabColorRichEdit& a, const sTabColorRichEdit& b) {
    return a.column == b.column && a.width == b.width;
}

/// A coloured stretch of a line: first and last column (inclusive) and the colour.
struct sColorDscrColorRichEdit {
    int first;       ///< first expanded column
    int last;        ///< last expanded column (inclusive)
    COLORREF color;  ///< 0x00BBGGRR
};
/// True when the columns and the colour are equal.
inline bool operator==(const sColorDscrColorRichEdit& a, const sColorDscrColorRichEdit& b) {
    return a.first == b.first && a.last == b.last && a.color == b.color;
}

/// One line of the colouring editor.
class TB_EXPORT CTBColorRichEditLine {
public:
    CTBColorRichEditLine() = default;
    /// A line of realText (without its line break); tabs are expanded.
    explicit CTBColorRichEditLine(const char* realText);
    /// A line of the first length bytes of realText.
    CTBColorRichEditLine(const char* realText, int length);
    /// A line with position data for its user (the control does not use them).
    CTBColorRichEditLine(int type, int y, int x, int lineBreak, char character, const char* realText, CPoint endPos);
    /// Copies text, tabs, the open ranges at start and end and the position data; the
    /// colour spans are not copied.
    CTBColorRichEditLine(const CTBColorRichEditLine& other);
    /// Assigns what the copy constructor copies; the colour spans are cleared.
    CTBColorRichEditLine& operator=(const CTBColorRichEditLine& other);
    /// Moves everything, colour spans included.
    CTBColorRichEditLine(CTBColorRichEditLine&&) noexcept = default;
    /// Moves everything, colour spans included.
    CTBColorRichEditLine& operator=(CTBColorRichEditLine&&) noexcept = default;

    // --- text
    /// The expanded text.
    const CString& GetText() const { return m_text; }
    /// Length of the expanded text.
    int GetLength() const { return m_text.GetLength(); }
    /// The tabs, ascending by column.
    const std::vector<sTabColorRichEdit>& GetTabs() const { return m_tabs; }
    /// The real text of the columns [from, to] (to = -1: the last column): a tab for
    /// every tab entry, its width skipped, every other column copied. "" when from > to.
    CString GetRealString(int from = 0, int to = -1) const;
    /// Replaces the whole text with realText (tabs expanded anew).
    void SetRealString(const char* realText, int length);

    // --- editing in expanded columns; tabs behind the edit are laid out anew
    /// Inserts ch at column (a tab becomes spaces up to the next tab stop).
    void InsertChar(int column, char ch);
    /// Inserts real text (no line breaks) at column.
    void InsertText(int column, const char* realText, int length);
    /// Deletes the character at column: a whole tab when a tab starts there.
    void DeleteChar(int column);
    /// Deletes the columns [from, to) (to limited to the text) and the tabs that start there.
    void DeleteColumns(int from, int to);
    /// DeleteChar(column), then InsertChar(column, ch).
    void OverwriteChar(int column, char ch);

    // --- positions
    /// The expanded column of a real (byte) position of the line.
    int RealToColumn(int realPosition) const;
    /// The real position of an expanded column (inside a tab: the tab's position).
    int ColumnToReal(int column) const;

    // --- colouring
    /// Colours the line after previous (null for the first line) by description.
    void DetermineColorDscr(const CTBColorRichEditLine* previous, const CTBSyntaxDscrColorRichEdit* description);
    /// The colour spans, ascending by first column.
    const std::vector<sColorDscrColorRichEdit>& GetColorDscr() const { return m_spans; }
    /// Index of the range still open at the start of the line, -1 for none.
    int GetOpenRangeAtStart() const { return m_openAtStart; }
    /// Index of the range still open at the end of the line, -1 for none.
    int GetOpenRangeAtEnd() const { return m_openAtEnd; }

    // --- bookmark and position data
    /// 1 when the line carries a bookmark.
    int HasBookMark() const { return m_bookmark ? 1 : 0; }
    /// Toggles the bookmark: 1 when now set, -1 when now cleared.
    int InvertBookMark();
    /// Sets the position data and clears the bookmark.
    void SetUndoInf(int type, int y, int x, int lineBreak, CPoint endPos);
    /// Sets position x and y.
    void SetPos(int x, int y) {
        m_x = x;
        m_y = y;
    }
    int GetType() const { return m_type; }        ///< position data: type
    int GetXPos() const { return m_x; }           ///< position data: x
    int GetYPos() const { return m_y; }           ///< position data: y
    int GetXEndPos() const { return m_end.x; }    ///< position data: end x
    int GetYEndPos() const { return m_end.y; }    ///< position data: end y
    int GetBreak() const { return m_break; }      ///< position data: break
    char GetChar() const { return m_char; }       ///< position data: character

private:
    void Expand(const char* realText, int length);
    void AddSpan(int first, int last, COLORREF color);
    void RelayTabs(int editColumn, int shift);
    bool ColourCarriedRange(const CTBColorRichEditLine* previous, const CTBSyntaxDscrColorRichEdit& description,
                            tb_coloredit::CMatchContext& context, int& position);
    void ColourRanges(int position, const CTBSyntaxDscrColorRichEdit& description,
                      tb_coloredit::CMatchContext& context);
    void ColourTokens(const CTBSyntaxDscrColorRichEdit& description, tb_coloredit::CMatchContext& context);

    CString m_text;
    std::vector<sTabColorRichEdit> m_tabs;
    std::vector<sColorDscrColorRichEdit> m_spans;
    int m_openAtStart = -1;
    int m_openAtEnd = -1;
    bool m_bookmark = false;
    int m_type = 0, m_x = 0, m_y = 0, m_break = 0;
    char m_char = 0;
    CPoint m_end;
};
