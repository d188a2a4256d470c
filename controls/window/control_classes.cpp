// The standard control classes (CEdit, CButton, CComboBox, CListBox, CListCtrl...):
// their members as the control messages they send; the widgets that answer them are
// in control_widgets.cpp.
#include <toolbox/ui/controls.h>

#include <toolbox/ui/dc.h>

#include "controls/window/list_view.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QTreeWidget>

#include <string>

namespace {
WPARAM W(int v) { return static_cast<WPARAM>(static_cast<std::intptr_t>(v)); }
LPARAM L(LPCTSTR text) { return reinterpret_cast<LPARAM>(text ? text : ""); }
}  // namespace

// ------------------------------------------------------------------ edit

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "EDIT", nullptr, style, rect, parent, id);
}
void CEdit::SetSel(int start, int end, BOOL) { SendMessage(EM_SETSEL, W(start), end); }
void CEdit::SetSel(DWORD selection, BOOL noScroll) {
    SetSel(static_cast<std::int16_t>(LOWORD(selection)), static_cast<std::int16_t>(HIWORD(selection)), noScroll);
}
DWORD CEdit::GetSel() const { return static_cast<DWORD>(Send(EM_GETSEL)); }
void CEdit::GetSel(int& start, int& end) const {
    DWORD s = 0, e = 0;
    Send(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}
void CEdit::ReplaceSel(LPCTSTR text, BOOL canUndo) { SendMessage(EM_REPLACESEL, canUndo, L(text)); }
void CEdit::LimitText(int max) { SendMessage(EM_LIMITTEXT, W(max)); }
BOOL CEdit::SetReadOnly(BOOL readOnly) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
int CEdit::GetLineCount() const { return static_cast<int>(Send(EM_GETLINECOUNT)); }
int CEdit::LineIndex(int line) const { return static_cast<int>(Send(EM_LINEINDEX, W(line))); }
int CEdit::LineLength(int charIndex) const { return static_cast<int>(Send(EM_LINELENGTH, W(charIndex))); }
int CEdit::LineFromChar(int charIndex) const { return static_cast<int>(Send(EM_LINEFROMCHAR, W(charIndex))); }
int CEdit::GetLine(int line, LPTSTR buffer, int maxLength) const {
    if (!buffer || maxLength < static_cast<int>(sizeof(WORD))) return 0;
    const WORD size = static_cast<WORD>(maxLength > 0xFFFF ? 0xFFFF : maxLength);
    std::memcpy(buffer, &size, sizeof size);
    return static_cast<int>(Send(EM_GETLINE, W(line), reinterpret_cast<LPARAM>(buffer)));
}
BOOL CEdit::GetModify() const { return static_cast<BOOL>(Send(EM_GETMODIFY)); }
void CEdit::SetModify(BOOL modified) { SendMessage(EM_SETMODIFY, modified); }
BOOL CEdit::CanUndo() const { return static_cast<BOOL>(Send(EM_CANUNDO)); }
BOOL CEdit::Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }

// ------------------------------------------------------------------ button and static

BOOL CRichEditCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "RICHEDIT50W", nullptr, style | ES_MULTILINE, rect, parent, id);
}
DWORD CRichEditCtrl::GetSelectionCharFormat(CHARFORMAT& format) const {
    return static_cast<DWORD>(const_cast<CRichEditCtrl*>(this)->SendMessage(EM_GETCHARFORMAT, SCF_SELECTION,
                                                                            reinterpret_cast<LPARAM>(&format)));
}
BOOL CRichEditCtrl::SetRangeFormat(int start, int end, COLORREF color, BOOL bold) {
    TBRANGEFORMAT range;
    range.chrg = {start, end};
    range.format.dwMask = CFM_COLOR | CFM_BOLD;
    range.format.crTextColor = color;
    range.format.dwEffects = bold ? CFE_BOLD : 0;
    return static_cast<BOOL>(SendMessage(EM_TBSETRANGEFORMAT, 0, reinterpret_cast<LPARAM>(&range)));
}

BOOL CButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "BUTTON", caption, style, rect, parent, id);
}
int CButton::GetCheck() const { return static_cast<int>(const_cast<CButton*>(this)->SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int check) { SendMessage(BM_SETCHECK, W(check)); }
UINT CButton::GetState() const { return static_cast<UINT>(const_cast<CButton*>(this)->SendMessage(BM_GETSTATE)); }
void CButton::SetState(BOOL highlight) { SendMessage(BM_SETSTATE, highlight); }
UINT CButton::GetButtonStyle() const { return static_cast<UINT>(GetStyle() & 0xFFFF); }
void CButton::SetBitmap(CBitmap* bitmap) {
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    if (!button) return;
    if (!bitmap || !bitmap->GetImage()) {
        button->setIcon(QIcon());
        return;
    }
    const QImage& image = *bitmap->GetImage();
    button->setIcon(QIcon(QPixmap::fromImage(image)));
    button->setIconSize(image.size());
}

BOOL CStatic::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "STATIC", text, style, rect, parent, id);
}

// ------------------------------------------------------------------ combo box

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "COMBOBOX", nullptr, style, rect, parent, id);
}
int CComboBox::AddString(LPCTSTR text) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, L(text))); }
int CComboBox::InsertString(int index, LPCTSTR text) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, W(index), L(text)));
}
int CComboBox::DeleteString(UINT index) { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
void CComboBox::ResetContent() { SendMessage(CB_RESETCONTENT); }
int CComboBox::GetCount() const { return static_cast<int>(Send(CB_GETCOUNT)); }
int CComboBox::GetCurSel() const { return static_cast<int>(Send(CB_GETCURSEL)); }
int CComboBox::SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, W(index))); }
int CComboBox::GetLBTextLen(int index) const { return static_cast<int>(Send(CB_GETLBTEXTLEN, W(index))); }
int CComboBox::GetLBText(int index, CString& text) const {
    const int length = GetLBTextLen(index);
    if (length < 0) {
        text.Empty();
        return CB_ERR;
    }
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    Send(CB_GETLBTEXT, W(index), reinterpret_cast<LPARAM>(buffer.data()));
    text = CString(buffer.data(), length);
    return length;
}
int CComboBox::FindString(int start, LPCTSTR text) const {
    return static_cast<int>(Send(CB_FINDSTRING, W(start), L(text)));
}
int CComboBox::FindStringExact(int start, LPCTSTR text) const {
    return static_cast<int>(Send(CB_FINDSTRINGEXACT, W(start), L(text)));
}
int CComboBox::SelectString(int start, LPCTSTR text) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, W(start), L(text)));
}
int CComboBox::SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, W(index), static_cast<LPARAM>(data)));
}
DWORD_PTR CComboBox::GetItemData(int index) const { return static_cast<DWORD_PTR>(Send(CB_GETITEMDATA, W(index))); }
void CComboBox::ShowDropDown(BOOL show) { SendMessage(CB_SHOWDROPDOWN, show); }
BOOL CComboBox::GetDroppedState() const { return static_cast<BOOL>(Send(CB_GETDROPPEDSTATE)); }
void CComboBox::GetDroppedControlRect(RECT* rect) const {
    Send(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(rect));
}
BOOL CComboBox::LimitText(int max) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, W(max))); }
DWORD CComboBox::GetEditSel() const { return static_cast<DWORD>(Send(CB_GETEDITSEL)); }
BOOL CComboBox::SetEditSel(int start, int end) {
    return static_cast<BOOL>(
        SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end))));
}

// ------------------------------------------------------------------ list box

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "LISTBOX", nullptr, style, rect, parent, id);
}
int CListBox::AddString(LPCTSTR text) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, L(text))); }
int CListBox::InsertString(int index, LPCTSTR text) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, W(index), L(text)));
}
int CListBox::DeleteString(UINT index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
void CListBox::ResetContent() { SendMessage(LB_RESETCONTENT); }
int CListBox::GetCount() const { return static_cast<int>(Send(LB_GETCOUNT)); }
int CListBox::GetCurSel() const { return static_cast<int>(Send(LB_GETCURSEL)); }
int CListBox::SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, W(index))); }
int CListBox::GetTextLen(int index) const { return static_cast<int>(Send(LB_GETTEXTLEN, W(index))); }
int CListBox::GetText(int index, CString& text) const {
    const int length = GetTextLen(index);
    if (length < 0) {
        text.Empty();
        return LB_ERR;
    }
    std::string buffer(static_cast<std::size_t>(length) + 1, '\0');
    Send(LB_GETTEXT, W(index), reinterpret_cast<LPARAM>(buffer.data()));
    text = CString(buffer.data(), length);
    return length;
}
int CListBox::FindString(int start, LPCTSTR text) const {
    return static_cast<int>(Send(LB_FINDSTRING, W(start), L(text)));
}
int CListBox::FindStringExact(int start, LPCTSTR text) const {
    return static_cast<int>(Send(LB_FINDSTRINGEXACT, W(start), L(text)));
}
int CListBox::SelectString(int start, LPCTSTR text) {
    return static_cast<int>(SendMessage(LB_SELECTSTRING, W(start), L(text)));
}
int CListBox::SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, W(index), static_cast<LPARAM>(data)));
}
DWORD_PTR CListBox::GetItemData(int index) const { return static_cast<DWORD_PTR>(Send(LB_GETITEMDATA, W(index))); }
int CListBox::GetSel(int index) const { return static_cast<int>(Send(LB_GETSEL, W(index))); }
int CListBox::SetSel(int index, BOOL select) { return static_cast<int>(SendMessage(LB_SETSEL, select, index)); }
int CListBox::GetSelCount() const { return static_cast<int>(Send(LB_GETSELCOUNT)); }
int CListBox::GetSelItems(int maxItems, int* items) const {
    return static_cast<int>(Send(LB_GETSELITEMS, W(maxItems), reinterpret_cast<LPARAM>(items)));
}
int CListBox::SetTopIndex(int index) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, W(index))); }
int CListBox::GetTopIndex() const { return static_cast<int>(Send(LB_GETTOPINDEX)); }

// ------------------------------------------------------------------ header and list control

int CHeaderCtrl::GetItemCount() const {
    auto* header = qobject_cast<QHeaderView*>(GetWidget());
    return header ? header->count() : -1;
}

void CHeaderCtrl::SetSortArrow(int column, BOOL ascending) {
    auto* header = qobject_cast<QHeaderView*>(GetWidget());
    if (!header) return;
    header->setSortIndicatorShown(column >= 0);
    header->setSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

namespace {
CNativeListView* ListOf(const CWnd* wnd) { return CNativeListView::Of(wnd->GetWidget()); }
}  // namespace

CListCtrl::CListCtrl() = default;
CListCtrl::~CListCtrl() { m_header.m_hWnd = nullptr; }  // the header belongs to the list widget

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CreateEx(0, "SysListView32", nullptr, style, rect, parent, id);
}

DWORD CListCtrl::SetExtendedStyle(DWORD exStyle) {
    CNativeListView* list = ListOf(this);
    if (!list) return 0;
    const DWORD old = list->extendedStyle;
    list->extendedStyle = exStyle;
    // Grid lines between cells, as the report view draws them.
    list->Tree()->setStyleSheet(
        (exStyle & LVS_EX_GRIDLINES)
            ? QStringLiteral("QTreeView::item { border-right: 1px solid #d0d0d0; border-bottom: 1px solid #d0d0d0; }")
            : QString());
    return old;
}
DWORD CListCtrl::GetExtendedStyle() const {
    CNativeListView* list = ListOf(this);
    return list ? list->extendedStyle : 0;
}
int CListCtrl::InsertColumn(int column, LPCTSTR heading, int format, int width) {
    CNativeListView* list = ListOf(this);
    return list ? list->InsertColumn(column, heading ? heading : "", format, width) : -1;
}
BOOL CListCtrl::DeleteColumn(int column) {
    CNativeListView* list = ListOf(this);
    return list && list->DeleteColumn(column);
}
int CListCtrl::GetColumnCount() const {
    CNativeListView* list = ListOf(this);
    return list ? list->Tree()->columnCount() : 0;
}
int CListCtrl::GetColumnWidth(int column) const {
    CNativeListView* list = ListOf(this);
    return list && column >= 0 && column < list->Tree()->columnCount() ? list->Tree()->columnWidth(column) : 0;
}
BOOL CListCtrl::SetColumnWidth(int column, int width) {
    CNativeListView* list = ListOf(this);
    if (!list || column < 0 || column >= list->Tree()->columnCount() || width < 0) return FALSE;
    list->Tree()->setColumnWidth(column, width);
    return TRUE;
}
int CListCtrl::InsertItem(int item, LPCTSTR text) {
    CNativeListView* list = ListOf(this);
    return list ? list->InsertItem(item, text ? text : "") : -1;
}
BOOL CListCtrl::SetItemText(int item, int subItem, LPCTSTR text) {
    CNativeListView* list = ListOf(this);
    return list && list->SetCellText(item, subItem, text ? text : "");
}
CString CListCtrl::GetItemText(int item, int subItem) const {
    CNativeListView* list = ListOf(this);
    return list ? list->CellText(item, subItem) : CString();
}
BOOL CListCtrl::DeleteItem(int item) {
    CNativeListView* list = ListOf(this);
    return list && list->DeleteItem(item);
}
BOOL CListCtrl::DeleteAllItems() {
    CNativeListView* list = ListOf(this);
    return list && list->DeleteAll();
}
int CListCtrl::GetItemCount() const {
    CNativeListView* list = ListOf(this);
    return list ? list->Tree()->topLevelItemCount() : 0;
}
BOOL CListCtrl::SetItemData(int item, DWORD_PTR data) {
    CNativeListView* list = ListOf(this);
    return list && list->SetData(item, data);
}
DWORD_PTR CListCtrl::GetItemData(int item) const {
    CNativeListView* list = ListOf(this);
    return list ? list->ItemData(item) : 0;
}
BOOL CListCtrl::SetItemState(int item, UINT state, UINT mask) {
    CNativeListView* list = ListOf(this);
    return list && list->SetState(item, state, mask);
}
UINT CListCtrl::GetItemState(int item, UINT mask) const {
    CNativeListView* list = ListOf(this);
    return list ? (list->CurrentState(item) & mask) : 0;
}
int CListCtrl::GetNextItem(int start, UINT flags) const {
    CNativeListView* list = ListOf(this);
    return list ? list->NextItem(start, flags) : -1;
}
UINT CListCtrl::GetSelectedCount() const {
    UINT count = 0;
    for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED)) ++count;
    return count;
}
BOOL CListCtrl::EnsureVisible(int item, BOOL) {
    CNativeListView* list = ListOf(this);
    QTreeWidgetItem* row = list ? list->Tree()->topLevelItem(item) : nullptr;
    if (!row) return FALSE;
    list->Tree()->scrollToItem(row);
    return TRUE;
}
BOOL CListCtrl::GetSubItemRect(int item, int subItem, UINT, RECT& rect) const {
    CNativeListView* list = ListOf(this);
    QTreeWidgetItem* row = list ? list->Tree()->topLevelItem(item) : nullptr;
    if (!row || subItem < 0 || subItem >= list->Tree()->columnCount()) return FALSE;
    QTreeWidget* tree = list->Tree();
    QRect r = tree->visualItemRect(row);
    r.setLeft(tree->columnViewportPosition(subItem));
    r.setWidth(tree->columnWidth(subItem));
    r.translate(tree->viewport()->mapTo(tree, QPoint(0, 0)));
    rect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    return TRUE;
}
BOOL CListCtrl::GetItemRect(int item, RECT* rect, UINT) const {
    CNativeListView* list = ListOf(this);
    QTreeWidgetItem* row = list ? list->Tree()->topLevelItem(item) : nullptr;
    if (!row || !rect) return FALSE;
    QTreeWidget* tree = list->Tree();
    QRect r = tree->visualItemRect(row);
    r.setLeft(0);
    r.setWidth(tree->header()->length());
    r.translate(tree->viewport()->mapTo(tree, QPoint(0, 0)));
    *rect = CRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    return TRUE;
}
int CListCtrl::HitTest(POINT point, int* subItem) const {
    CNativeListView* list = ListOf(this);
    return list ? list->HitTest(QPoint(static_cast<int>(point.x), static_cast<int>(point.y)), subItem) : -1;
}
CHeaderCtrl* CListCtrl::GetHeaderCtrl() {
    CNativeListView* list = ListOf(this);
    if (!list) return nullptr;
    if (!m_header.m_hWnd) m_header.m_hWnd = reinterpret_cast<HWND>(list->Tree()->header());
    return &m_header;
}
int CListCtrl::GetTopIndex() const {
    CNativeListView* list = ListOf(this);
    if (!list) return 0;
    QTreeWidgetItem* top = list->Tree()->itemAt(QPoint(1, 1));
    return top ? list->Tree()->indexOfTopLevelItem(top) : 0;
}
int CListCtrl::GetCountPerPage() const {
    CNativeListView* list = ListOf(this);
    if (!list || list->Tree()->topLevelItemCount() == 0) return 0;
    const int rowHeight = list->Tree()->visualItemRect(list->Tree()->topLevelItem(0)).height();
    return rowHeight > 0 ? list->Tree()->viewport()->height() / rowHeight : 0;
}

// ------------------------------------------------------------------ tooltips

BOOL CToolTipCtrl::Create(CWnd* parent) {
    m_parent = parent;
    return parent != nullptr;
}
BOOL CToolTipCtrl::AddTool(CWnd* tool, LPCTSTR text) {
    QWidget* w = tool ? tool->GetWidget() : nullptr;
    if (!w) return FALSE;
    w->setProperty("tbToolTip", QString::fromUtf8(text ? text : ""));
    w->setToolTip(m_active ? QString::fromUtf8(text ? text : "") : QString());
    return TRUE;
}
void CToolTipCtrl::UpdateTipText(LPCTSTR text, CWnd* tool) { AddTool(tool, text); }
CString CToolTipCtrl::GetText(CWnd* tool) const {
    QWidget* w = tool ? tool->GetWidget() : nullptr;
    if (!w) return CString();
    const QByteArray bytes = w->property("tbToolTip").toString().toUtf8();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}
void CToolTipCtrl::Activate(BOOL active) {
    m_active = active != FALSE;
    // The tips live on the tools: every tool below the parent shows or hides its own.
    QWidget* parent = m_parent ? m_parent->GetWidget() : nullptr;
    if (!parent) return;
    for (QWidget* tool : parent->findChildren<QWidget*>()) {
        const QVariant tip = tool->property("tbToolTip");
        if (tip.isValid()) tool->setToolTip(m_active ? tip.toString() : QString());
    }
}
