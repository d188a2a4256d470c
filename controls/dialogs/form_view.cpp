#include <toolbox/ui/form_view.h>

#include "controls/window/native_window.h"

#include <QApplication>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>

namespace {

const char* const kHorizontalBar = "tbFormHScroll";
const char* const kVerticalBar = "tbFormVScroll";

QScrollBar* Bar(QWidget* view, Qt::Orientation orientation) {
    const char* name = orientation == Qt::Horizontal ? kHorizontalBar : kVerticalBar;
    auto* bar = view->findChild<QScrollBar*>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!bar) {
        bar = new QScrollBar(orientation, view);
        bar->setObjectName(QLatin1String(name));
        bar->hide();
    }
    return bar;
}

}  // namespace

CTBFormView::CTBFormView(UINT templateId) : CDialog(templateId, nullptr), CTBResizableWindow(templateId, nullptr) {
    BehaveAsChild();
}

CTBFormView::CTBFormView(const CDialogTemplate* tmpl, const char* templateName)
    : CDialog(0, nullptr), CTBResizableWindow(0, templateName), m_hostTemplate(tmpl) {
    BehaveAsChild();
}

CTBFormView::~CTBFormView() {
    if (m_hWnd) DestroyWindow();
}

BOOL CTBFormView::Create(CWnd* parent, const RECT& rect, UINT id) {
    const CDialogTemplate* tmpl = m_hostTemplate ? m_hostTemplate : TBFindDialogTemplate(m_templateId);
    if (!tmpl || !parent || !parent->GetSafeHwnd() || m_hWnd) return FALSE;
    if (!CreateIndirect(*tmpl, parent)) return FALSE;
    AdoptAsChild(this, parent);
    SetDlgCtrlID(static_cast<int>(id));
    OnInitialUpdate();
    MoveWindow(rect);
    GetWidget()->show();
    return TRUE;
}

void CTBFormView::OnInitialUpdate() {
    if (m_layout.IsInitialised()) return;
    CRect reference;
    CWnd* frame = m_frameId ? GetDlgItem(static_cast<int>(m_frameId)) : nullptr;
    if (frame)
        frame->GetClientRect(&reference);
    else
        GetClientRect(&reference);
    InitialiseLayout(reference);
}

void CTBFormView::LayOutControls(int cx, int cy) {
    if (m_placing) return;
    m_placing = true;
    UpdateScrollBars(cx, cy);
    // Edges held at the right or bottom move only while the view is larger than its
    // reference area; below that the view scrolls.
    const CSize total = GetTotalSize();
    m_layout.LayOut(this, std::max<int>(cx, static_cast<int>(total.cx)), std::max<int>(cy, static_cast<int>(total.cy)),
                    m_scroll);
    m_placing = false;
}

void CTBFormView::UpdateScrollBars(int cx, int cy) {
    QWidget* view = GetWidget();
    const CSize total = GetTotalSize();
    const int extent = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const bool needV = cy < total.cy;
    const bool needH = cx - (needV ? extent : 0) < total.cx;
    const bool needV2 = needV || cy - (needH ? extent : 0) < total.cy;
    const int visibleX = cx - (needV2 ? extent : 0), visibleY = cy - (needH ? extent : 0);
    m_scroll.x = std::clamp<long>(m_scroll.x, 0, std::max<long>(0, total.cx - visibleX));
    m_scroll.y = std::clamp<long>(m_scroll.y, 0, std::max<long>(0, total.cy - visibleY));
    QScrollBar* h = Bar(view, Qt::Horizontal);
    QScrollBar* v = Bar(view, Qt::Vertical);
    const QSignalBlocker quietH(h), quietV(v);
    h->setVisible(needH);
    v->setVisible(needV2);
    h->setGeometry(0, cy - extent, std::max(0, visibleX), extent);
    v->setGeometry(cx - extent, 0, extent, std::max(0, visibleY));
    h->setRange(0, static_cast<int>(std::max<long>(0, total.cx - visibleX)));
    v->setRange(0, static_cast<int>(std::max<long>(0, total.cy - visibleY)));
    h->setPageStep(std::max(1, visibleX));
    v->setPageStep(std::max(1, visibleY));
    h->setValue(static_cast<int>(m_scroll.x));
    v->setValue(static_cast<int>(m_scroll.y));
    h->raise();
    v->raise();
    if (!h->property("tbConnected").toBool()) {
        h->setProperty("tbConnected", true);
        v->setProperty("tbConnected", true);
        QObject::connect(h, &QScrollBar::valueChanged, view, [this](int x) { ScrollToPosition(CPoint(x, m_scroll.y)); });
        QObject::connect(v, &QScrollBar::valueChanged, view, [this](int y) { ScrollToPosition(CPoint(m_scroll.x, y)); });
    }
}

void CTBFormView::ScrollToPosition(CPoint position) {
    m_scroll = position;
    if (!m_hWnd || !m_layout.IsInitialised()) return;
    CRect client;
    GetClientRect(&client);
    LayOutControls(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
}

LRESULT CTBFormView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLayoutMessage(message, wParam, lParam, &result)) return result;
    return CDialog::WindowProc(message, wParam, lParam);
}
