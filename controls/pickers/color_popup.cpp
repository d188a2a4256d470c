// The colour popup: 40 colours in a grid of 8 x 5 cells, the current one framed, the
// one under the mouse raised. A click chooses, Escape or a click outside cancels.
#include <toolbox/ui/color_popup.h>

#include <toolbox/ui/dc.h>

#include <QWidget>

namespace {

const COLORREF kColors[CTBColorPopup::kColumns * CTBColorPopup::kRows] = {
    RGB(0, 0, 0),       RGB(153, 51, 0),    RGB(51, 51, 0),     RGB(0, 51, 0),      RGB(0, 51, 102),
    RGB(0, 0, 128),     RGB(51, 51, 153),   RGB(51, 51, 51),    RGB(128, 0, 0),     RGB(255, 102, 0),
    RGB(128, 128, 0),   RGB(0, 128, 0),     RGB(0, 128, 128),   RGB(0, 0, 255),     RGB(102, 102, 153),
    RGB(128, 128, 128), RGB(255, 0, 0),     RGB(255, 153, 0),   RGB(153, 204, 0),   RGB(51, 153, 102),
    RGB(51, 204, 204),  RGB(51, 102, 255),  RGB(128, 0, 128),   RGB(153, 153, 153), RGB(255, 0, 255),
    RGB(255, 204, 0),   RGB(255, 255, 0),   RGB(0, 255, 0),     RGB(0, 255, 255),   RGB(0, 204, 255),
    RGB(153, 51, 102),  RGB(192, 192, 192), RGB(255, 153, 204), RGB(255, 204, 153), RGB(255, 255, 153),
    RGB(204, 255, 204), RGB(204, 255, 255), RGB(153, 204, 255), RGB(204, 153, 255), RGB(255, 255, 255)};

constexpr int kMargin = 3;

}  // namespace

CTBColorPopup::CTBColorPopup() = default;
CTBColorPopup::~CTBColorPopup() {
    if (m_hWnd) DestroyWindow();
}

COLORREF CTBColorPopup::GetColor(int index) { return index >= 0 && index < GetColorCount() ? kColors[index] : 0; }

BOOL CTBColorPopup::Create(CPoint screen, COLORREF current, CWnd* owner, UINT id) {
    const int width = 2 * kMargin + kColumns * kCell, height = 2 * kMargin + kRows * kCell;
    if (!CreateEx(0, nullptr, "", WS_POPUP | WS_BORDER, CRect(0, 0, width, height), nullptr, 0)) return FALSE;
    QWidget* w = GetWidget();
    w->setWindowFlags(Qt::Popup);
    w->setMouseTracking(true);
    w->setGeometry(static_cast<int>(screen.x), static_cast<int>(screen.y), width, height);
    m_owner = owner;
    m_id = id;
    m_current = current;
    m_closed = false;
    w->show();
    return TRUE;
}

CRect CTBColorPopup::CellRect(int index) const {
    const int x = kMargin + (index % kColumns) * kCell, y = kMargin + (index / kColumns) * kCell;
    return CRect(x, y, x + kCell, y + kCell);
}

int CTBColorPopup::HitTest(CPoint point) const {
    for (int i = 0; i < GetColorCount(); ++i)
        if (CellRect(i).PtInRect(point)) return i;
    return -1;
}

void CTBColorPopup::Choose(int index) {
    if (index < 0 || index >= GetColorCount()) return;
    m_current = kColors[index];
    if (m_owner) m_owner->SendMessage(TBWM_COLORPOPUP_SELENDOK, m_current, m_id);
    Close();
}

void CTBColorPopup::Close() {
    if (m_closed) return;
    m_closed = true;
    if (QWidget* w = GetWidget()) w->hide();
    if (m_owner) m_owner->SendMessage(TBWM_COLORPOPUP_CLOSEUP, 0, m_id);
}

LRESULT CTBColorPopup::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: Paint(); return 0;
        case WM_MOUSEMOVE: {
            const int hot = HitTest(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
            if (hot != m_hot) {
                m_hot = hot;
                Invalidate();
            }
            return 0;
        }
        case WM_LBUTTONUP: Choose(HitTest(CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)))); return 0;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE) {
                Close();
                return 0;
            }
            break;
        case WM_SHOWWINDOW:
            // Qt closes a popup on a click outside it: that is a cancel.
            if (!wParam) Close();
            break;
        default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CTBColorPopup::Paint() {
    CPaintDC dc(this);
    CRect all;
    GetClientRect(&all);
    dc.FillSolidRect(&all, GetSysColor(COLOR_BTNFACE));
    CBrush dark(RGB(128, 128, 128)), black(RGB(0, 0, 0)), hotBorder(RGB(0, 84, 153));
    for (int i = 0; i < GetColorCount(); ++i) {
        CRect cell = CellRect(i);
        if (i == m_hot) {
            dc.FillSolidRect(&cell, RGB(204, 228, 247));
            dc.FrameRect(&cell, &hotBorder);
        } else if (kColors[i] == m_current) {
            dc.FrameRect(&cell, &black);
        }
        CRect swatch(cell);
        swatch.DeflateRect(3, 3);
        dc.FillSolidRect(&swatch, kColors[i]);
        dc.FrameRect(&swatch, &dark);
    }
}
