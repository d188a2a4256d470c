// The colouring editor's text model (see line_list.h).
#include "controls/coloredit/model/line_list.h"

#include <algorithm>

namespace tb_coloredit {

namespace {

/// Bytes of the UTF-8 sequence that starts with lead, 1 for stray bytes.
int SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::unique_ptr<CTBColorRichEditLine> MakeLine(std::string_view real) {
    return std::make_unique<CTBColorRichEditLine>(real.data(), static_cast<int>(real.size()));
}

}  // namespace

int Utf16ToByteOffset(std::string_view utf8, int units) {
    std::size_t at = 0;
    while (units > 0 && at < utf8.size()) {
        const int length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        at = std::min(utf8.size(), at + static_cast<std::size_t>(length));
        units -= length == 4 ? 2 : 1;
    }
    return static_cast<int>(at);
}

int ByteToUtf16Offset(std::string_view utf8, int bytes) {
    int units = 0;
    std::size_t at = 0;
    const std::size_t end = std::min(utf8.size(), static_cast<std::size_t>(std::max(bytes, 0)));
    while (at < end) {
        const int length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        at += static_cast<std::size_t>(length);
        units += length == 4 ? 2 : 1;
    }
    return units;
}

CLineList::CLineList() { m_lines.push_back(std::make_unique<CTBColorRichEditLine>()); }

void CLineList::SetText(std::string_view text) {
    m_lines.clear();
    std::size_t begin = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        m_lines.push_back(MakeLine(text.substr(begin, i - begin)));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        begin = i + 1;
    }
    m_lines.push_back(MakeLine(text.substr(begin)));
}

void CLineList::SetLines(std::vector<std::string> lines) {
    m_lines.clear();
    m_lines.reserve(std::max<std::size_t>(lines.size(), 1));
    for (const std::string& line : lines) m_lines.push_back(MakeLine(line));
    if (m_lines.empty()) m_lines.push_back(std::make_unique<CTBColorRichEditLine>());
}

std::string CLineList::GetText(std::string_view lineBreak) const {
    const CTBColorRichEditLine& last = *m_lines.back();
    return GetText({0, 0}, {GetCount() - 1, last.GetRealString().GetLength()}, lineBreak);
}

std::string CLineList::GetText(CTextPlace from, CTextPlace to, std::string_view lineBreak) const {
    std::string text;
    for (int line = from.line; line <= to.line && line < GetCount(); ++line) {
        const std::string real = Line(line).GetRealString().str();
        const std::size_t begin = line == from.line ? std::min<std::size_t>(from.offset, real.size()) : 0;
        const std::size_t end = line == to.line ? std::min<std::size_t>(to.offset, real.size()) : real.size();
        if (end > begin) text.append(real, begin, end - begin);
        if (line != to.line) text += lineBreak;
    }
    return text;
}

int CLineList::Replace(CTextPlace from, CTextPlace to, std::string_view text) {
    const int count = GetCount();
    from.line = std::clamp(from.line, 0, count - 1);
    to.line = std::clamp(to.line, from.line, count - 1);
    CTBColorRichEditLine& first = Line(from.line);
    const int fromColumn = first.RealToColumn(from.offset);
    const bool multiLine = to.line != from.line || text.find('\n') != std::string_view::npos;
    if (!multiLine) {
        const int toColumn = first.RealToColumn(std::max(to.offset, from.offset));
        if (to.offset - from.offset == 1)
            first.DeleteChar(fromColumn);
        else
            first.DeleteColumns(fromColumn, toColumn);
        first.InsertText(fromColumn, text.data(), static_cast<int>(text.size()));
        return from.line;
    }
    // Across lines: the first line keeps what stands before the start and takes the
    // rest of the last line after the end; the lines between go.
    CTBColorRichEditLine& last = Line(to.line);
    const std::string tail = last.GetRealString(last.RealToColumn(to.offset)).str();
    first.DeleteColumns(fromColumn, first.GetLength());
    m_lines.erase(m_lines.begin() + from.line + 1, m_lines.begin() + to.line + 1);
    // Then the new text: its first piece joins the first line, later pieces become lines.
    std::vector<std::unique_ptr<CTBColorRichEditLine>> added;
    std::size_t begin = 0;
    std::size_t end = text.find('\n');
    const std::string_view head = text.substr(0, end);
    Line(from.line).InsertText(Line(from.line).GetLength(), head.data(), static_cast<int>(head.size()));
    while (end != std::string_view::npos) {
        begin = end + 1;
        end = text.find('\n', begin);
        added.push_back(MakeLine(text.substr(begin, end == std::string_view::npos ? end : end - begin)));
    }
    CTBColorRichEditLine& joined = added.empty() ? Line(from.line) : *added.back();
    joined.InsertText(joined.GetLength(), tail.data(), static_cast<int>(tail.size()));
    const int lastLine = from.line + static_cast<int>(added.size());
    m_lines.insert(m_lines.begin() + from.line + 1, std::make_move_iterator(added.begin()),
                   std::make_move_iterator(added.end()));
    return lastLine;
}

int CLineList::Colour(int first, int lastChanged, bool stopWhenStable, const CTBSyntaxDscrColorRichEdit* description,
                      std::vector<int>* spansChanged) {
    first = std::max(first, 0);
    int line = first;
    for (; line < GetCount(); ++line) {
        const CTBColorRichEditLine* previous = line > 0 ? m_lines[static_cast<std::size_t>(line - 1)].get() : nullptr;
        CTBColorRichEditLine& current = Line(line);
        if (stopWhenStable && line > lastChanged &&
            current.GetOpenRangeAtStart() == (previous ? previous->GetOpenRangeAtEnd() : -1))
            break;
        if (spansChanged) {
            const std::vector<sColorDscrColorRichEdit> before = current.GetColorDscr();
            current.DetermineColorDscr(previous, description);
            if (before != current.GetColorDscr()) spansChanged->push_back(line);
        } else {
            current.DetermineColorDscr(previous, description);
        }
    }
    return line - 1;
}

}  // namespace tb_coloredit
