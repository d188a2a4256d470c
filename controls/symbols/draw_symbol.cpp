// Drawing symbols: loading the symbol text into elements and drawing them scaled into
// a target rectangle.
#include <toolbox/ui/draw_symbol.h>

#include "controls/symbols/symbol_fields.h"

#include <algorithm>
#include <cctype>
#include <climits>

CPen* CTBDrawSymbol::c_CurPen = nullptr;
CBrush* CTBDrawSymbol::c_CurBrush = nullptr;
CFont* CTBDrawSymbol::c_CurFont = nullptr;
int CTBDrawSymbol::c_CurVisLevel = 1;

namespace {

/// Pens, brushes and fonts made while a symbol draws; freed when replaced and at the
/// end of the drawing. Shared like the starting objects: one symbol draws at a time.
std::vector<std::unique_ptr<CGdiObject>>& Created() {
    static std::vector<std::unique_ptr<CGdiObject>> objects;
    return objects;
}

template <class T>
T* Keep(std::unique_ptr<T> object) {
    T* raw = object.get();
    Created().push_back(std::move(object));
    return raw;
}

/// The element for a line's first letter; null for a letter that has none.
std::unique_ptr<CTBDrawSymbolSym> MakeElement(char letter) {
    switch (std::toupper(static_cast<unsigned char>(letter))) {
        case 'A':
        case 'I': return std::make_unique<CTBDrawSymbolArc>();
        case 'L':
        case 'G':
        case 'D':
        case 'K': return std::make_unique<CTBDrawSymbolPoly>();
        case 'E': return std::make_unique<CTBDrawSymbolAction>();
        case 'F': return std::make_unique<CTBDrawSymbolFont>();
        case 'H':
        case 'O':
        case 'Q': return std::make_unique<CTBDrawSymbolTextRef>();
        case 'M': return std::make_unique<CTBDrawSymbolLevel>();
        case 'N': return std::make_unique<CTBDrawSymbolPen>();
        case 'B': return std::make_unique<CTBDrawSymbolBrush>();
        case 'P': return std::make_unique<CTBDrawSymbolPin>();
        case 'R': return std::make_unique<CTBDrawSymbolColor>();
        case 'T': return std::make_unique<CTBDrawSymbolText>();
        case 'Z': return std::make_unique<CTBDrawSymbolBitmap>();
        default: return nullptr;
    }
}

/// The lines of the text: separated by CR LF (a bare LF is taken as well).
std::vector<CString> Lines(const CString& text) {
    std::vector<CString> lines;
    int start = 0;
    const int n = text.GetLength();
    while (start <= n) {
        int end = text.Find('\n', start);
        if (end < 0) end = n;
        int stop = end;
        if (stop > start && text[stop - 1] == '\r') --stop;
        lines.push_back(text.Mid(start, stop - start));
        if (end >= n) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

CTBDrawSymbol::CTBDrawSymbol() = default;
CTBDrawSymbol::~CTBDrawSymbol() = default;

CTBDrawSymbol* CTBDrawSymbol::CreateObject(const CRect& frame) {
    auto* symbol = new CTBDrawSymbol;
    symbol->m_frameRect = frame;
    return symbol;
}

int CTBDrawSymbol::LoadHeader(const CString& line) {
    if (line.IsEmpty() || (line[0] != 'S' && line[0] != 's')) return 0;
    const std::vector<tbsym::Field> f = tbsym::SplitFields(line);
    POINT size;
    if (f.size() < 3 || !tbsym::ParsePoint(f[1].text, size) || size.x < 0 || size.y < 0) return 40963;
    long mask = 0;
    if (f.size() > 3 && !tbsym::ParseInt(f[3].text, LONG_MIN, LONG_MAX, mask)) mask = 0;
    m_size = CSize(size.x, size.y);
    m_itemRect = CRect(0, size.y, size.x, 0);
    m_mask = static_cast<unsigned char>(mask);
    return 1;
}

int CTBDrawSymbol::LoadSymbols(CString& text) {
    m_elements.clear();
    const std::vector<CString> lines = Lines(text);
    const int header = LoadHeader(lines.empty() ? CString() : lines[0]);
    if (header != 1) return header;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const CString& line = lines[i];
        if (line.IsEmpty()) return 1;  // an empty line ends the symbol
        const char c = line[0];
        if (c < 'A' || c > 'z') return 0;
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == 'C' || upper == 'U' || upper == 'V') continue;
        std::unique_ptr<CTBDrawSymbolSym> element = MakeElement(c);
        if (!element || element->Load(this, line) != TBSYM_OK) return 0;
        m_elements.push_back(std::move(element));
    }
    return 1;
}

int CTBDrawSymbol::AddSymbol(CTBDrawSymbolSym* element, int atHead) {
    if (!element) return 0;
    std::unique_ptr<CTBDrawSymbolSym> owned(element);
    if (atHead)
        m_elements.insert(m_elements.begin(), std::move(owned));
    else
        m_elements.push_back(std::move(owned));
    return 1;
}

void CTBDrawSymbol::RemoveSymbol(CTBDrawSymbolSym* element, int) {
    for (auto it = m_elements.begin(); it != m_elements.end(); ++it) {
        if (it->get() == element) {
            it->release();  // the caller owns it again
            m_elements.erase(it);
            return;
        }
    }
}

void CTBDrawSymbol::InflateSymArea(const CRect& r) {
    m_itemRect.left -= r.left;
    m_itemRect.top += r.top;
    m_itemRect.right += r.right;
    m_itemRect.bottom -= r.bottom;
    m_size = CSize(m_size.cx + r.left + r.right, m_size.cy + r.top + r.bottom);
    if (r.left || r.bottom)
        for (auto& e : m_elements) e->Offset(static_cast<int>(r.left), static_cast<int>(r.bottom));
}

void CTBDrawSymbol::ExportSymbolText(CString& text) {
    for (auto& e : m_elements) e->Export(text);
}

void CTBDrawSymbol::Draw(CDC* dc, CRect* target) {
    if (!dc || m_elements.empty()) return;
    if (target) {
        m_frameRect = *target;
        m_itemRect = CRect(target->left, target->top, target->left + m_size.cx, target->top - m_size.cy);
    }
    CRect frame = m_frameRect;
    frame.NormalizeRect();
    if (frame.IsRectEmpty()) return;
    const int saved = dc->SaveDC();
    c_CurPen = dc->GetCurrentPen();
    c_CurBrush = dc->GetCurrentBrush();
    c_CurFont = dc->GetCurrentFont();

    // Symbol units with a margin of 5 all round, one scale on both axes, y up, the
    // picture centred in the frame.
    dc->SetMapMode(MM_ISOTROPIC);
    dc->SetWindowExt(static_cast<int>(m_size.cx + 10), static_cast<int>(m_size.cy + 10));
    dc->SetWindowOrg(-5, -5);
    dc->SetViewportExt(static_cast<int>(frame.Width()), static_cast<int>(-frame.Height()));
    const CSize picture = dc->GetViewportExt();
    const long width = std::labs(picture.cx), height = std::labs(picture.cy);
    dc->SetViewportOrg(static_cast<int>(frame.left + (frame.Width() - width) / 2),
                       static_cast<int>(frame.top + (frame.Height() - height) / 2 + height));
    dc->SetTextAlign(TA_BASELINE | TA_CENTER);

    c_CurVisLevel = 1;
    for (auto& e : m_elements) e->Draw(dc, c_CurVisLevel);

    SelectCurPen(dc);
    SelectCurBrush(dc);
    SelectCurFont(dc);
    FreeAllCreated();
    dc->RestoreDC(saved);
}

void CTBDrawSymbol::SelectCurPen(CDC* dc) {
    if (dc && c_CurPen) FreePen(dc->SelectObject(c_CurPen));
}
void CTBDrawSymbol::SelectCurBrush(CDC* dc) {
    if (dc && c_CurBrush) FreeBrush(dc->SelectObject(c_CurBrush));
}
void CTBDrawSymbol::SelectCurFont(CDC* dc) {
    if (dc && c_CurFont) FreeFont(dc->SelectObject(c_CurFont));
}

void CTBDrawSymbol::FreeCreated(CGdiObject* object) {
    auto& objects = Created();
    for (auto it = objects.begin(); it != objects.end(); ++it) {
        if (it->get() == object) {
            objects.erase(it);
            return;
        }
    }
}
void CTBDrawSymbol::FreePen(CPen* pen) {
    if (pen != c_CurPen) FreeCreated(pen);
}
void CTBDrawSymbol::FreeBrush(CBrush* brush) {
    if (brush != c_CurBrush) FreeCreated(brush);
}
void CTBDrawSymbol::FreeFont(CFont* font) {
    if (font != c_CurFont) FreeCreated(font);
}
void CTBDrawSymbol::FreeAllCreated() { Created().clear(); }
int CTBDrawSymbol::GetCreatedObjectCount() { return static_cast<int>(Created().size()); }

CPen* CTBDrawSymbol::NewPen(const LOGPEN& log) {
    auto pen = std::make_unique<CPen>();
    pen->CreatePenIndirect(&log);
    return Keep(std::move(pen));
}
CBrush* CTBDrawSymbol::NewBrush(const LOGBRUSH& log) {
    auto brush = std::make_unique<CBrush>();
    brush->CreateBrushIndirect(&log);
    return Keep(std::move(brush));
}
CFont* CTBDrawSymbol::NewFont(const LOGFONT& log) {
    auto font = std::make_unique<CFont>();
    font->CreateFontIndirect(&log);
    return Keep(std::move(font));
}
