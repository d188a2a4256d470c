// One line of the colouring editor: tab expansion, editing in expanded columns with the
// tabs behind an edit laid out anew, and the colouring of the line by a description.
#include <toolbox/ui/color_rich_edit_syntax.h>

#include "controls/coloredit/model/pattern.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <new>

namespace {

constexpr int kTabWidth = 4;

int TabWidthAt(int column) { return kTabWidth - column % kTabWidth; }

}  // namespace

CTBColorRichEditLine::CTBColorRichEditLine(const char* realText) {
    if (realText) Expand(realText, static_cast<int>(std::char_traits<char>::length(realText)));
}

CTBColorRichEditLine::CTBColorRichEditLine(const char* realText, int length) {
    if (realText && length > 0) Expand(realText, length);
}

CTBColorRichEditLine::CTBColorRichEditLine(int type, int y, int x, int lineBreak, char character, const char* realText,
                                           CPoint endPos)
    : CTBColorRichEditLine(realText) {
    SetUndoInf(type, y, x, lineBreak, endPos);
    m_char = character;
}

CTBColorRichEditLine::CTBColorRichEditLine(const CTBColorRichEditLine& other)
    : m_text(other.m_text),
      m_tabs(other.m_tabs),
      m_openAtStart(other.m_openAtStart),
      m_openAtEnd(other.m_openAtEnd),
      m_type(other.m_type),
      m_x(other.m_x),
      m_y(other.m_y),
      m_break(other.m_break),
      m_char(other.m_char),
      m_end(other.m_end) {}

CTBColorRichEditLine& CTBColorRichEditLine::operator=(const CTBColorRichEditLine& other) {
    if (this != &other) {
        CTBColorRichEditLine copy(other);
        *this = std::move(copy);
    }
    return *this;
}

void CTBColorRichEditLine::Expand(const char* realText, int length) {
    m_text.Empty();
    m_tabs.clear();
    std::string expanded;
    expanded.reserve(static_cast<std::size_t>(length) + 8);
    for (int i = 0; i < length; ++i) {
        if (realText[i] == '\t') {
            const int column = static_cast<int>(expanded.size());
            const int width = TabWidthAt(column);
            m_tabs.push_back({column, width});
            expanded.append(static_cast<std::size_t>(width), ' ');
        } else {
            expanded += realText[i];
        }
    }
    m_text = CString(std::move(expanded));
}

void CTBColorRichEditLine::SetRealString(const char* realText, int length) {
    Expand(realText ? realText : "", realText ? length : 0);
}

CString CTBColorRichEditLine::GetRealString(int from, int to) const {
    if (to < 0 || to >= GetLength()) to = GetLength() - 1;
    from = std::max(from, 0);
    if (from > to) return CString();
    std::string real;
    auto tab = std::lower_bound(m_tabs.begin(), m_tabs.end(), from,
                                [](const sTabColorRichEdit& t, int column) { return t.column < column; });
    for (int column = from; column <= to;) {
        if (tab != m_tabs.end() && tab->column == column) {
            real += '\t';
            column += tab->width;
            ++tab;
        } else {
            real += m_text.GetAt(column);
            ++column;
        }
    }
    return CString(std::move(real));
}

int CTBColorRichEditLine::RealToColumn(int realPosition) const {
    int column = std::max(realPosition, 0);
    for (const sTabColorRichEdit& tab : m_tabs) {
        if (tab.column >= column) break;
        column += tab.width - 1;
    }
    return column;
}

int CTBColorRichEditLine::ColumnToReal(int column) const {
    column = std::clamp(column, 0, GetLength());
    int real = column;
    for (const sTabColorRichEdit& tab : m_tabs) {
        if (tab.column >= column) break;
        // A column inside a tab's spaces stands for the tab itself.
        real -= column < tab.column + tab.width ? column - tab.column : tab.width - 1;
    }
    return real;
}

// ------------------------------------------------------------------ editing

/// Lays the tabs from index `first` on anew after an edit that moved them by shift:
/// each moves by the running shift and takes the width its new column needs; the walk
/// stops as soon as the running shift is 0.
void CTBColorRichEditLine::RelayTabs(int first, int shift) {
    std::string text = m_text.str();
    for (std::size_t i = static_cast<std::size_t>(first); i < m_tabs.size() && shift != 0; ++i) {
        sTabColorRichEdit& tab = m_tabs[i];
        tab.column += shift;
        const int width = TabWidthAt(tab.column);
        const int change = width - tab.width;
        if (change > 0)
            text.insert(static_cast<std::size_t>(tab.column), static_cast<std::size_t>(change), ' ');
        else if (change < 0)
            text.erase(static_cast<std::size_t>(tab.column), static_cast<std::size_t>(-change));
        tab.width = width;
        shift += change;
    }
    m_text = CString(std::move(text));
}

namespace {

/// Index of the first tab whose column is at or behind column.
int FirstTabFrom(const std::vector<sTabColorRichEdit>& tabs, int column) {
    return static_cast<int>(std::lower_bound(tabs.begin(), tabs.end(), column,
                                             [](const sTabColorRichEdit& t, int c) { return t.column < c; }) -
                            tabs.begin());
}

/// The tab whose spaces hold column without starting there, or null.
const sTabColorRichEdit* TabAround(const std::vector<sTabColorRichEdit>& tabs, int column) {
    const int next = FirstTabFrom(tabs, column);
    if (next == 0) return nullptr;
    const sTabColorRichEdit& before = tabs[static_cast<std::size_t>(next - 1)];
    return column < before.column + before.width ? &before : nullptr;
}

}  // namespace

void CTBColorRichEditLine::InsertChar(int column, char ch) {
    column = std::clamp(column, 0, GetLength());
    if (const sTabColorRichEdit* around = TabAround(m_tabs, column)) column = around->column;
    int index = FirstTabFrom(m_tabs, column);
    std::string text = m_text.str();
    int shift = 1;
    if (ch == '\t') {
        shift = TabWidthAt(column);
        text.insert(static_cast<std::size_t>(column), static_cast<std::size_t>(shift), ' ');
        m_tabs.insert(m_tabs.begin() + index, {column, shift});
        ++index;
    } else {
        text.insert(static_cast<std::size_t>(column), 1, ch);
    }
    m_text = CString(std::move(text));
    RelayTabs(index, shift);
}

void CTBColorRichEditLine::InsertText(int column, const char* realText, int length) {
    if (!realText || length <= 0) return;
    column = std::clamp(column, 0, GetLength());
    if (length == 1) {
        InsertChar(column, realText[0]);
        return;
    }
    const int real = ColumnToReal(column);
    std::string whole = GetRealString().str();
    whole.insert(static_cast<std::size_t>(real), realText, static_cast<std::size_t>(length));
    Expand(whole.data(), static_cast<int>(whole.size()));
}

void CTBColorRichEditLine::DeleteChar(int column) {
    if (column < 0 || column >= GetLength()) return;
    // A column inside a tab's spaces deletes the whole tab: a tab is never split.
    if (const sTabColorRichEdit* around = TabAround(m_tabs, column)) column = around->column;
    DeleteColumns(column, column + 1);
}

void CTBColorRichEditLine::DeleteColumns(int from, int to) {
    to = std::min(to, GetLength());
    from = std::max(from, 0);
    if (from >= to) return;
    // Whole tabs only: a stretch that begins or ends inside a tab takes the whole tab.
    if (const sTabColorRichEdit* around = TabAround(m_tabs, from)) from = around->column;
    if (const sTabColorRichEdit* around = TabAround(m_tabs, to)) to = around->column + around->width;
    const int gone = FirstTabFrom(m_tabs, from);
    int kept = gone;
    while (kept < static_cast<int>(m_tabs.size()) && m_tabs[static_cast<std::size_t>(kept)].column < to) ++kept;
    // A tab that starts in the stretch goes with all its spaces.
    if (kept > gone) {
        const sTabColorRichEdit& last = m_tabs[static_cast<std::size_t>(kept - 1)];
        to = std::max(to, last.column + last.width);
    }
    m_tabs.erase(m_tabs.begin() + gone, m_tabs.begin() + kept);
    std::string text = m_text.str();
    text.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(to - from));
    m_text = CString(std::move(text));
    RelayTabs(gone, from - to);
}

void CTBColorRichEditLine::OverwriteChar(int column, char ch) {
    DeleteChar(column);
    InsertChar(column, ch);
}

// ------------------------------------------------------------------ bookmark and position data

int CTBColorRichEditLine::InvertBookMark() {
    m_bookmark = !m_bookmark;
    return m_bookmark ? 1 : -1;
}

void CTBColorRichEditLine::SetUndoInf(int type, int y, int x, int lineBreak, CPoint endPos) {
    m_type = type;
    m_y = y;
    m_x = x;
    m_break = lineBreak;
    m_end = endPos;
    m_bookmark = false;
}

// ------------------------------------------------------------------ colouring

void CTBColorRichEditLine::AddSpan(int first, int last, COLORREF color) {
    if (last < first) return;  // an empty match colours nothing
    auto at = std::upper_bound(m_spans.begin(), m_spans.end(), first,
                               [](int f, const sColorDscrColorRichEdit& s) { return f < s.first; });
    m_spans.insert(at, {first, last, color});
}

namespace {

/// Steps the colouring of one line may take for each entry of the description, and
/// for each entry and column of the line more. Normal lines use a small part of it; a
/// pattern that would take a long line quadratic time stops matching when the line's
/// steps are spent, so a line costs time linear in its length times its entries.
constexpr double kStepsPerEntry = 1'000'000;
constexpr double kStepsPerEntryAndColumn = 256;

long LineSteps(const CTBSyntaxDscrColorRichEdit& description, int length) {
    const double entries = description.GetRangeCount() + description.GetTokenCount();
    const double steps = entries * (kStepsPerEntry + kStepsPerEntryAndColumn * (length + 1.0));
    return steps >= double(std::numeric_limits<long>::max()) ? std::numeric_limits<long>::max()
                                                              : static_cast<long>(steps);
}

}  // namespace

void CTBColorRichEditLine::DetermineColorDscr(const CTBColorRichEditLine* previous,
                                              const CTBSyntaxDscrColorRichEdit* description) {
    m_spans.clear();
    m_openAtStart = m_openAtEnd = -1;
    if (!description) return;
    try {
        // The description's one context serves every search of the line.
        tb_coloredit::CMatchContext& context = description->MatchContext();
        context.SetSteps(LineSteps(*description, GetLength()));
        int position = 0;
        if (!ColourCarriedRange(previous, *description, context, position)) return;
        ColourRanges(position, *description, context);
        ColourTokens(*description, context);
    } catch (const std::bad_alloc&) {
        // Out of memory: the line keeps the spans found so far (in order, apart).
    }
}

/// The range the previous line left open, from column 0 to its close; false when it
/// takes the whole line. position becomes the column after the close.
bool CTBColorRichEditLine::ColourCarriedRange(const CTBColorRichEditLine* previous,
                                              const CTBSyntaxDscrColorRichEdit& description,
                                              tb_coloredit::CMatchContext& context, int& position) {
    const int carried = previous ? previous->m_openAtEnd : -1;
    if (carried < 0 || carried >= description.GetRangeCount()) return true;
    const std::string_view text = m_text.view();
    const int length = GetLength();
    const CTBSyntaxRangeEntry& range = description.GetRange(carried);
    m_openAtStart = carried;
    if (length == 0) {
        m_spans.push_back({0, 0, range.m_color});
        m_openAtEnd = carried;
        return false;
    }
    int offset = 0, matched = 0;
    if (!range.m_closePattern->Search(text, 0, offset, matched, context)) {
        AddSpan(0, length - 1, range.m_color);
        m_openAtEnd = carried;
        return false;
    }
    const int last = offset + matched - 1;
    AddSpan(0, last, range.m_color);
    position = std::max(last + 1, 0);
    return true;
}

void CTBColorRichEditLine::ColourRanges(int position, const CTBSyntaxDscrColorRichEdit& description,
                                        tb_coloredit::CMatchContext& context) {
    const std::string_view text = m_text.view();
    const int length = GetLength();
    // Each entry's next open match, kept while it starts at or behind the position: a
    // search from there finds the same match, so an entry searches the line about once
    // instead of once for every range found before its match.
    struct OpenMatch {
        int start = -1;  // -1: not searched yet
        int length = 0;
        bool none = false;  // no match behind the last search's start
    };
    std::vector<OpenMatch> next(static_cast<std::size_t>(description.GetRangeCount()));
    while (position < length) {
        int winner = -1, winnerStart = length + 1, winnerLength = 0;
        for (int i = 0; i < description.GetRangeCount(); ++i) {
            OpenMatch& open = next[static_cast<std::size_t>(i)];
            if (open.none) continue;
            if (open.start < position) {
                int offset = 0, matched = 0;
                if (!description.GetRange(i).m_openPattern->Search(text, static_cast<std::size_t>(position), offset,
                                                                   matched, context)) {
                    open.none = true;
                    continue;
                }
                open.start = position + offset;
                open.length = matched;
            }
            // Among equal starts the later entry wins.
            if (open.start <= winnerStart) {
                winner = i;
                winnerStart = open.start;
                winnerLength = open.length;
            }
        }
        if (winner < 0) return;
        const CTBSyntaxRangeEntry& range = description.GetRange(winner);
        const int afterOpen = winnerStart + winnerLength;
        int offset = 0, matched = 0;
        if (!range.m_closePattern->Search(text, static_cast<std::size_t>(afterOpen), offset, matched, context)) {
            AddSpan(winnerStart, length - 1, range.m_color);
            m_openAtEnd = winner;
            return;
        }
        const int last = afterOpen + offset + matched - 1;
        AddSpan(winnerStart, last, range.m_color);
        // Empty open and close matches must still move on.
        position = std::max(last + 1, winnerStart + 1);
    }
}

void CTBColorRichEditLine::ColourTokens(const CTBSyntaxDscrColorRichEdit& description,
                                        tb_coloredit::CMatchContext& context) {
    const std::string_view text = m_text.view();
    const int length = GetLength();
    std::vector<sColorDscrColorRichEdit> found, merged;
    for (int i = 0; i < description.GetTokenCount(); ++i) {
        const CTBSyntaxTokenEntry& token = description.GetToken(i);
        found.clear();
        // The spans are apart and in column order, and so are one entry's matches:
        // a span that ends before a match can meet no later match either.
        std::size_t ahead = 0;
        int position = 0;
        while (position <= length) {
            int offset = 0, matched = 0;
            if (!token.m_tokenPattern->Search(text, static_cast<std::size_t>(position), offset, matched, context))
                break;
            const int first = position + offset;
            const int last = first + matched - 1;
            int separator = 0;
            const bool startOk = first == 0 || token.m_startPattern->MatchAt(text, static_cast<std::size_t>(first - 1),
                                                                             separator, context);
            const bool stopOk = last == length - 1 || token.m_stopPattern->MatchAt(
                                                          text, static_cast<std::size_t>(last + 1), separator, context);
            if (matched > 0 && startOk && stopOk) {
                while (ahead < m_spans.size() && m_spans[ahead].last < first) ++ahead;
                const bool overlaps = ahead < m_spans.size() && m_spans[ahead].first <= last;
                if (!overlaps) found.push_back({first, last, token.m_color});
            }
            position = last + 2;
        }
        if (found.empty()) continue;
        if (m_spans.empty() || m_spans.back().last < found.front().first) {
            m_spans.insert(m_spans.end(), found.begin(), found.end());
            continue;
        }
        merged.clear();
        merged.reserve(m_spans.size() + found.size());
        std::merge(m_spans.begin(), m_spans.end(), found.begin(), found.end(), std::back_inserter(merged),
                   [](const sColorDscrColorRichEdit& a, const sColorDscrColorRichEdit& b) { return a.first < b.first; });
        m_spans.swap(merged);
    }
}
