// Text drawing with the physical-unit notation: "10 k\Ohm\" shows "10 kΩ". Lines are
// laid out here (not by the context's DrawText) whenever the notation is asked for or
// the context maps logical units, so that the measured pieces and the drawn ones agree
// in every mapping mode.
#include <toolbox/ui/drawing.h>

#include <QFont>
#include <QFontMetrics>
#include <QWidget>  // before the window layer's header, which needs it

#include "controls/window/native_window.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

/// What the context draws the escape with: the symbol of its current font, or "$" when
/// that font has no glyph for it.
CString SymbolText(CDC* dc, const TBNotationSymbol& symbol) {
    const QFontMetrics fm(TBQFontFromLogFont(dc->GetCurrentFont()->Log()));
    return fm.inFontUcs4(static_cast<uint>(symbol.code)) ? CString(symbol.utf8) : CString("$");
}

/// The line cut into pieces drawn one after the other: plain text and unit symbols. A
/// name between two backslashes is an escape; an unknown one is drawn as its name, a
/// backslash without a partner stays as it is.
std::vector<CString> Pieces(CDC* dc, const CString& line, bool notation) {
    std::vector<CString> pieces;
    if (notation)
        for (const TBNotationPiece& piece : TBSplitNotation(line))
            pieces.push_back(piece.symbol ? SymbolText(dc, *piece.symbol) : piece.text);
    else
        pieces.push_back(line);
    if (pieces.empty()) pieces.push_back(CString());
    return pieces;
}

long LineWidth(CDC* dc, const CString& line, bool notation) {
    long width = 0;
    for (const CString& piece : Pieces(dc, line, notation)) width += dc->GetTextExtent(piece).cx;
    return width;
}

/// The framework's '&' mnemonic markers removed ("&&" is one '&').
CString StripPrefix(const CString& s) {
    CString out;
    for (int i = 0; i < s.GetLength(); ++i) {
        if (s[i] == '&' && i + 1 < s.GetLength()) ++i;
        out += s[i];
    }
    return out;
}

/// Tabs turned into blanks up to the next multiple of eight characters.
CString ExpandTabs(const CString& s) {
    CString out;
    int column = 0;
    for (int i = 0; i < s.GetLength(); ++i) {
        if (s[i] == '\t') {
            do {
                out += ' ';
            } while (++column % 8);
        } else {
            out += s[i];
            if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++column;  // UTF-8 continuation bytes
        }
    }
    return out;
}

std::vector<CString> SplitLines(const CString& text, UINT format) {
    std::vector<CString> lines;
    if (format & DT_SINGLELINE) {
        CString one = text;
        one.Replace("\r\n", " ");
        one.Replace("\n", " ");
        lines.push_back(one);
        return lines;
    }
    const char* sep = text.Find("\r\n") >= 0 ? "\r\n" : "\n";
    const int sepLength = static_cast<int>(std::strlen(sep));
    int start = 0;
    for (;;) {
        const int at = text.Find(sep, start);
        if (at < 0) break;
        lines.push_back(text.Mid(start, at - start));
        start = at + sepLength;
    }
    lines.push_back(text.Mid(start));
    return lines;
}

/// Breaks a too wide line at its last blank that makes it fit, again and again.
void BreakWords(CDC* dc, CString line, long width, bool notation, std::vector<CString>& out) {
    while (LineWidth(dc, line, notation) > width) {
        int cut = -1;
        for (int i = line.GetLength() - 1; i > 0; --i) {
            if (line[i] == ' ' && LineWidth(dc, line.Left(i), notation) <= width) {
                cut = i;
                break;
            }
        }
        if (cut < 0) break;
        out.push_back(line.Left(cut));
        line = line.Mid(cut + 1);
    }
    out.push_back(line);
}

/// Removes the last n characters (UTF-8 sequences count as one).
CString DropCharacters(const CString& s, int n) {
    int end = s.GetLength();
    while (n-- > 0 && end > 0) {
        --end;
        while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    }
    return s.Left(end);
}

/// Shortens a line that is too wide: its last three characters (four when it ends with
/// "..." already) become "...", until it fits or nothing is left to take away.
CString Ellipsize(CDC* dc, CString line, long width, bool notation) {
    while (LineWidth(dc, line, notation) > width && line.GetLength() > 3) {
        const bool dotted = line.Right(3) == "...";
        if (dotted && line.GetLength() == 3) break;
        line = DropCharacters(line, dotted ? 4 : 3) + "...";
        if (line == "...") break;
    }
    return line;
}

/// +1 when logical coordinates grow the way device pixels do along the axis, else -1.
void AxisDirections(CDC* dc, int& sx, int& sy) {
    POINT p[2] = {{0, 0}, {1 << 20, 1 << 20}};
    dc->LPtoDP(p, 2);
    sx = p[1].x < p[0].x ? -1 : 1;
    sy = p[1].y < p[0].y ? -1 : 1;
}

}  // namespace

int TBSpecialDrawText(CDC* dc, const CString& text, RECT* rect, UINT format, int special) {
    if (!dc || !rect) return 0;
    const bool notation = special != 0 || (format & DT_TB_NOTATION) != 0;
    const bool mapped = dc->GetMapMode() == MM_ISOTROPIC || dc->GetMapMode() == MM_ANISOTROPIC;
    format &= ~DT_TB_NOTATION;
    if (!notation && !mapped) return dc->DrawText(text, rect, format);

    int sx = 1, sy = 1;
    AxisDirections(dc, sx, sy);
    // The rectangle's edges as the device shows them: first the one it draws from.
    const long x0 = sx > 0 ? std::min(rect->left, rect->right) : std::max(rect->left, rect->right);
    const long y0 = sy > 0 ? std::min(rect->top, rect->bottom) : std::max(rect->top, rect->bottom);
    const long width = std::labs(rect->right - rect->left), height = std::labs(rect->bottom - rect->top);

    CString source = (format & DT_NOPREFIX) ? text : StripPrefix(text);
    if (format & DT_EXPANDTABS) source = ExpandTabs(source);
    std::vector<CString> lines;
    for (const CString& line : SplitLines(source, format)) {
        if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE) && width > 0)
            BreakWords(dc, line, width, notation, lines);
        else
            lines.push_back(line);
    }
    const long lineHeight = dc->GetTextExtent(CString("Ag")).cy;
    const long total = lineHeight * static_cast<long>(lines.size());

    if (format & DT_CALCRECT) {
        long widest = 0;
        for (const CString& line : lines) widest = std::max(widest, LineWidth(dc, line, notation));
        rect->right = rect->left + sx * widest;
        rect->bottom = rect->top + sy * total;
        return lines.size() > 1 ? static_cast<int>(widest) : static_cast<int>(lineHeight);
    }

    long top = 0;
    if (height > total) {
        if (format & DT_VCENTER)
            top = (height - total) / 2;
        else if (format & DT_BOTTOM)
            top = height - total;
    }
    const UINT oldAlign = dc->SetTextAlign(TA_LEFT | TA_TOP | TA_NOUPDATECP);
    CPen* pen = dc->GetCurrentPen();
    CBrush* brush = dc->GetCurrentBrush();
    CFont* font = dc->GetCurrentFont();
    const bool clip = !(format & DT_NOCLIP);
    if (clip) {
        dc->SaveDC();
        dc->IntersectClipRect(rect->left, rect->top, rect->right, rect->bottom);
    }
    for (CString line : lines) {
        if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) line = Ellipsize(dc, line, width, notation);
        const std::vector<CString> pieces = Pieces(dc, line, notation);
        long lineWidth = 0;
        std::vector<long> widths;
        for (const CString& piece : pieces) {
            widths.push_back(dc->GetTextExtent(piece).cx);
            lineWidth += widths.back();
        }
        long left = 0;
        if (lineWidth < width) {
            if (format & DT_CENTER)
                left = (width - lineWidth) / 2;
            else if (format & DT_RIGHT)
                left = width - lineWidth;
        }
        long x = x0 + sx * left;
        const long y = y0 + sy * top;
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (!pieces[i].IsEmpty()) dc->TextOut(static_cast<int>(x), static_cast<int>(y), pieces[i]);
            x += sx * widths[i];
        }
        top += lineHeight;
    }
    if (clip) dc->RestoreDC(-1);
    // The pieces change nothing of this, but a restored level selects objects again.
    if (dc->GetCurrentPen() != pen) dc->SelectObject(pen);
    if (dc->GetCurrentBrush() != brush) dc->SelectObject(brush);
    if (dc->GetCurrentFont() != font) dc->SelectObject(font);
    dc->SetTextAlign(oldAlign);
    return static_cast<int>(total);
}
