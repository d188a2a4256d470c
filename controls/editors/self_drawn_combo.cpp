// Self-drawn combo items and the replacement of dialog placeholders.
#include "controls/editors/self_drawn_combo.h"

#include <QWidget>

#include "controls/window/native_window.h"

#include <toolbox/ui/dc.h>

#include <QComboBox>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>

namespace {

using DrawFn = std::function<void(DRAWITEMSTRUCT&)>;

void DrawOne(const DrawFn& draw, QPainter* painter, QComboBox* combo, int item, const QRect& r, UINT state) {
    CDC dc;
    dc.AttachPainter(painter);
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_COMBOBOX;
    if (CNativeWindow* native = CNativeWindow::Find(combo)) dis.CtlID = native->id;
    dis.itemID = static_cast<UINT>(item);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state | (combo->isEnabled() ? 0 : ODS_DISABLED);
    dis.hwndItem = CNativeWindow::Handle(combo);
    dis.hDC = dc.GetSafeHdc();
    dis.rcItem = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    if (item >= 0) dis.itemData = static_cast<DWORD_PTR>(combo->itemData(item, Qt::UserRole + 1).toULongLong());
    painter->save();
    draw(dis);
    painter->restore();
    dc.DetachDevice();
}

class CSelfDrawnDelegate : public QStyledItemDelegate {
public:
    CSelfDrawnDelegate(QComboBox* combo, DrawFn draw, int delta)
        : QStyledItemDelegate(combo), m_combo(combo), m_draw(std::move(draw)), m_delta(delta) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        UINT state = 0;
        if (option.state & QStyle::State_Selected) state |= ODS_SELECTED;
        if (option.state & QStyle::State_HasFocus) state |= ODS_FOCUS;
        DrawOne(m_draw, painter, m_combo, index.row(), option.rect, state);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        // The delta applies to the style's item height; the text always fits.
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(option.fontMetrics.height() + 2, size.height() + m_delta));
        return size;
    }
    /// Draws the closed field: frame and arrow from the style, the item by m_draw.
    bool PaintField() {
        QPainter painter(m_combo);
        QStyleOptionComboBox option;
        option.initFrom(m_combo);
        option.editable = m_combo->isEditable();
        option.frame = m_combo->hasFrame();
        option.subControls = QStyle::SC_All;
        m_combo->style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, m_combo);
        if (m_combo->isEditable()) return true;  // the edit field shows the text
        const QRect field =
            m_combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, m_combo);
        const int item = m_combo->currentIndex();
        UINT state = ODS_COMBOBOXEDIT;
        if (m_combo->hasFocus()) state |= ODS_FOCUS | ODS_SELECTED;
        if (item >= 0) DrawOne(m_draw, &painter, m_combo, item, field, state);
        return true;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (watched == m_combo && e->type() == QEvent::Paint) return PaintField();
        return false;
    }

private:
    QComboBox* m_combo;
    DrawFn m_draw;
    int m_delta;
};

}  // namespace

namespace tb_editors {

void DrawComboItemsSelf(CComboBox* combo, std::function<void(DRAWITEMSTRUCT&)> draw, int heightDelta) {
    auto* widget = qobject_cast<QComboBox*>(combo->GetWidget());
    if (!widget) return;
    auto* delegate = new CSelfDrawnDelegate(widget, std::move(draw), heightDelta);
    widget->setItemDelegate(delegate);
    // Installed last, the filter sees the paint event before the window layer does.
    widget->installEventFilter(delegate);
    widget->update();
}

bool TakePlaceholder(CWnd& wnd, Placeholder& out) {
    if (!wnd.m_hWnd || !wnd.GetParent()) return false;
    out.parent = wnd.GetParent();
    wnd.GetWindowRect(&out.rect);
    out.parent->ScreenToClient(&out.rect);
    out.text = wnd.GetWindowText();
    out.style = wnd.GetStyle();
    out.exStyle = wnd.GetExStyle();
    out.id = static_cast<UINT>(wnd.GetDlgCtrlID());
    CWnd* previous = wnd.GetNextWindow(GW_HWNDPREV);
    out.previous = previous ? previous->m_hWnd : nullptr;
    // A template's combo rectangle includes its dropped list.
    if (auto* combo = qobject_cast<QComboBox*>(wnd.GetWidget())) {
        CRect dropped;
        wnd.SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
        out.rect.bottom = out.rect.top + dropped.Height();
        (void)combo;
    }
    wnd.DestroyWindow();
    return true;
}

void RestoreZOrder(CWnd& wnd, HWND previous) {
    // The window layer keeps the z-order as the order of the parent's children (first
    // created first): the control goes right after its old previous sibling, and
    // follows it in the tab order too.
    QWidget* w = wnd.GetWidget();
    QWidget* parent = w ? w->parentWidget() : nullptr;
    if (!parent) return;
    QWidget* before = CNativeWindow::Widget(previous);
    auto siblings = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    siblings.removeAll(w);
    const int at = before ? static_cast<int>(siblings.indexOf(before)) + 1 : 0;
    if (at < siblings.size())
        w->stackUnder(siblings[at]);
    else
        w->raise();
    if (before) QWidget::setTabOrder(before, w);
}

}  // namespace tb_editors
