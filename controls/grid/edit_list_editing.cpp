// The grid's editing: opening and closing the in-place editors, validation and
// rejection, moving between cells, mouse and keyboard.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_view.h"

#include <toolbox/services/numbers.h>
#include <toolbox/services/system_helpers.h>
#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/unit_controls.h>

#include <QApplication>
#include <QScrollBar>

#include <cstdlib>

namespace {

constexpr UINT kVkF2 = 0x71;
/// Control id of the editors (the list's own child).
constexpr UINT kEditorId = 1;

const char* const kRejectIndex = "Invalide index value.\nPlease insert an unsigned integer !";
const char* const kRejectReal = "Invalide value.\nPlease insert a real !";
const char* const kRejectInteger = "Invalide value.\nPlease insert an integer !";

/// The types DoEdit opens an editor on.
bool OpensEditor(TB_EnumEditTypes type) {
    switch (type) {
        case TB_EDIT_TEXT:
        case TB_EDIT_DROPLIST:
        case TB_EDIT_DROPCOMBO:
        case TB_EDIT_BROWSE:
        case TB_EDIT_INDEX:
        case TB_EDIT_REAL:
        case TB_EDIT_INTEGER:
        case TB_EDIT_COLOR:
        case TB_EDIT_BROWSE_READONLY:
        case TB_EDIT_UNIT:
        case TB_EDIT_QUANTITY: return true;
        default: return false;
    }
}

/// The index inside the last bracket pair of text ("pin[3]" gives 3).
int IndexOfLastBracket(const CString& text) {
    const int open = text.ReverseFind('[');
    return TBGetIndexOfName(open >= 0 ? text.Mid(open) : text);
}

/// text with the index inside its last bracket pair replaced (appended when it has none).
CString ReplaceIndex(const CString& text, const CString& index) {
    const int open = text.ReverseFind('[');
    return (open >= 0 ? text.Left(open) : text) + "[" + index + "]";
}

LPARAM CellParam(CPoint cell) { return MAKELPARAM(static_cast<WORD>(cell.y), static_cast<WORD>(cell.x)); }
CPoint CellOfParam(WPARAM w) {
    return CPoint(static_cast<short>(HIWORD(static_cast<DWORD>(w))), static_cast<short>(LOWORD(static_cast<DWORD>(w))));
}

}  // namespace

bool CTBEditListCtrl::IsEditableType(TB_EnumEditTypes type) {
    return type != TB_EDIT_AUTONUMBER && type != TB_EDIT_CHECK && type != TB_EDIT_CHECK_INACTIVE &&
           type != TB_EDIT_UNIT_TEXT && type != TB_EDIT_RADIO && type != TB_EDIT_RADIO_INACTIVE;
}

bool CTBEditListCtrl::IsFixedType(TB_EnumEditTypes type) {
    return type == TB_EDIT_NONE || type == TB_EDIT_AUTONUMBER || type == TB_EDIT_CHECK_INACTIVE ||
           type == TB_EDIT_BROWSE_READONLY || type == TB_EDIT_UNIT_TEXT;
}

BOOL CTBEditListCtrl::IsEditActive() const { return m_editor != nullptr; }

CPoint CTBEditListCtrl::GetSelectedItem() const { return m_current; }

// ------------------------------------------------------------------ opening

BOOL CTBEditListCtrl::DoEdit(CPoint cell) {
    const int row = cell.y, col = cell.x;
    if (!ValidCell(row, col)) return FALSE;
    if (!CloseEdit(TRUE)) return FALSE;
    EnsureVisible(row, col, FALSE);
    SelectItem(cell, TRUE);
    const QRect r = m_view->CellRect(row, col);
    if (!r.isValid() || !m_view->viewport()->geometry().intersects(r)) return FALSE;
    if (!Def(row, col)) return FALSE;
    m_textBeforeEdit = GetItemText(row, col);
    m_editing = cell;
    if (!OpenEditor(row, col, CRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1))) {
        m_editing = CPoint(-1, -1);
        return FALSE;
    }
    const TB_EnumEditTypes type = GetEditItemType(row, col);
    const TBClickStart& click = TBGetClickStart();
    if (click.active && m_editor && (IsComboType(type) || IsBrowseType(type)))
        m_editor->SendMessage(TBWM_EDITOR_BUTTONDOWN, 0,
                              MAKELPARAM(static_cast<WORD>(click.point.x), static_cast<WORD>(click.point.y)));
    return TRUE;
}

bool CTBEditListCtrl::OpenEditor(int row, int col, const CRect& rect) {
    const TB_SITEMDEF& def = *Def(row, col);
    const CString text = GetItemText(row, col);
    const DWORD child = WS_CHILD | WS_VISIBLE;
    switch (def.type) {
        case TB_EDIT_TEXT:
        case TB_EDIT_REAL:
        case TB_EDIT_INTEGER:
        case TB_EDIT_INDEX: {
            if (!m_edit) m_edit = std::make_unique<CTBOwnEdit>();
            const CString shown = def.type == TB_EDIT_INDEX ? TBExtended_itoa(IndexOfLastBracket(text)) : text;
            // The edit keeps the column's alignment.
            const int format = col < static_cast<int>(m_model->formats.size()) ? m_model->formats[static_cast<std::size_t>(col)] & 3 : 0;
            const DWORD align = format == LVCFMT_RIGHT ? ES_RIGHT : format == LVCFMT_CENTER ? ES_CENTER : ES_LEFT;
            if (!m_edit->Create(shown, child | WS_BORDER | ES_AUTOHSCROLL | align, rect, this, kEditorId)) return false;
            m_editor = m_edit.get();
            return true;
        }
        case TB_EDIT_DROPLIST:
        case TB_EDIT_DROPCOMBO: {
            if (!m_combo) m_combo = std::make_unique<CTBOwnComboBox>();
            const DWORD kind = def.type == TB_EDIT_DROPLIST ? CBS_DROPDOWNLIST : (CBS_DROPDOWN | CBS_AUTOHSCROLL);
            if (!m_combo->Create(text, def.listEntries, child | WS_VSCROLL | kind, rect, this, kEditorId)) return false;
            m_editor = m_combo.get();
            return true;
        }
        case TB_EDIT_UNIT: {
            if (!m_unitCombo) m_unitCombo = std::make_unique<CTBUnitComboBox>();
            if (!m_unitCombo->Create(text, def.listEntries, child | WS_VSCROLL | CBS_DROPDOWNLIST, rect, this,
                                     kEditorId))
                return false;
            m_editor = m_unitCombo.get();
            return true;
        }
        case TB_EDIT_QUANTITY: {
            if (!m_quantityCombo) m_quantityCombo = std::make_unique<CTBPhysQuantComboBox>();
            if (!m_quantityCombo->Create(text, nullptr, child | WS_VSCROLL | CBS_DROPDOWNLIST, rect, this, kEditorId))
                return false;
            m_editor = m_quantityCombo.get();
            return true;
        }
        case TB_EDIT_BROWSE:
        case TB_EDIT_BROWSE_READONLY: {
            if (!m_browse) m_browse = std::make_unique<CTBOwnBrowseBox>();
            m_browse->SetAdditionalPtr(def.additional);
            if (!m_browse->Create(text, def.listEntries, child, rect, this, kEditorId)) return false;
            if (def.type == TB_EDIT_BROWSE_READONLY && m_browse->GetEditControl())
                m_browse->GetEditControl()->SetReadOnly(TRUE);
            m_editor = m_browse.get();
            return true;
        }
        case TB_EDIT_COLOR: {
            if (!m_colorPopup) m_colorPopup = std::make_unique<CTBColorPopup>();
            // A popup closed a moment ago may still wait for its posted destruction.
            if (m_colorPopup->m_hWnd) m_colorPopup->DestroyWindow();
            CPoint below(rect.left, rect.bottom);
            ClientToScreen(&below);
            if (!m_colorPopup->Create(below, GetItemColor(row, col), this, kEditorId)) return false;
            m_editor = m_colorPopup.get();
            return true;
        }
        case TB_EDIT_BUTTON: NotifyParent(TBWM_LIST_BUTTON, row, col, false); return false;
        default: return false;
    }
}

// ------------------------------------------------------------------ closing

void CTBEditListCtrl::DestroyEditor() {
    CWnd* editor = m_editor;
    m_editor = nullptr;
    m_editing = CPoint(-1, -1);
    if (!editor || !editor->m_hWnd) return;
    QWidget* focus = QApplication::focusWidget();
    const bool hadFocus = focus && editor->GetWidget() && (focus == editor->GetWidget() ||
                                                           editor->GetWidget()->isAncestorOf(focus));
    editor->DestroyWindow();
    if (hadFocus && m_view) m_view->setFocus(Qt::OtherFocusReason);
}

BOOL CTBEditListCtrl::CloseEdit(int commit) {
    if (!m_editor) return TRUE;
    if (m_closing) return FALSE;
    m_closing = true;
    const CPoint cell = m_editing;
    const int row = cell.y, col = cell.x;
    const TB_EnumEditTypes type = GetEditItemType(row, col);
    if (!commit || type == TB_EDIT_COLOR) {
        // The colour popup writes its cell when a colour is chosen; closing it commits nothing.
        if (!commit) SetItemText(row, col, m_textBeforeEdit);
        DestroyEditor();
        m_closing = false;
        return TRUE;
    }
    const CString text = m_editor->GetWindowText();
    CString value = text;
    UINT rejection = 0;
    switch (type) {
        case TB_EDIT_INDEX:
            if (IsValidInteger(text))
                value = ReplaceIndex(m_textBeforeEdit, TBExtended_itoa(std::atoi(text)));
            else
                rejection = TBWM_LIST_REJECTED_INDEX;
            break;
        case TB_EDIT_REAL:
            if (!IsValidReal(text)) rejection = TBWM_LIST_REJECTED_REAL;
            break;
        case TB_EDIT_INTEGER:
            if (!IsValidInteger(text)) rejection = TBWM_LIST_REJECTED_INTEGER;
            break;
        default: {
            // The parent reads the committed text from the cell.
            SetItemText(row, col, value);
            CWnd* parent = GetParent();
            if (parent && parent->SendMessage(TBWM_LIST_VALIDATE, static_cast<WPARAM>(GetDlgCtrlID()),
                                              CellParam(cell)) != 0)
                rejection = TBWM_LIST_REJECTED_BY_PARENT;
            break;
        }
    }
    if (rejection) {
        SetItemText(row, col, m_textBeforeEdit);
        DestroyEditor();
        m_rejected.push_back(std::make_unique<CString>(text));
        PostMessage(rejection, CellParam(cell), reinterpret_cast<LPARAM>(m_rejected.back().get()));
        m_closing = false;
        return FALSE;
    }
    SetItemText(row, col, value);
    DestroyEditor();
    m_closing = false;
    NotifyParent(TBWM_LIST_CELL_WRITTEN, row, col, false);
    NotifyParent(TBWM_LIST_CELL_CHANGED, row, col, true);
    return TRUE;
}

LRESULT CTBEditListCtrl::OnRejected(UINT message, WPARAM wParam, LPARAM lParam) {
    CString text;
    for (auto it = m_rejected.begin(); it != m_rejected.end(); ++it)
        if (reinterpret_cast<LPARAM>(it->get()) == lParam) {
            text = **it;
            m_rejected.erase(it);
            break;
        }
    const char* box = message == TBWM_LIST_REJECTED_INDEX     ? kRejectIndex
                      : message == TBWM_LIST_REJECTED_REAL    ? kRejectReal
                      : message == TBWM_LIST_REJECTED_INTEGER ? kRejectInteger
                                                              : nullptr;
    if (box) MessageBox(box, nullptr, MB_OK | MB_ICONWARNING);
    if (!m_hWnd) return 0;
    CloseEdit(FALSE);
    const CPoint cell = CellOfParam(wParam);
    SelectItem(cell, TRUE);
    // The message box had the keyboard: the list's window takes it back for the editor.
    if (box && m_view->window()) m_view->window()->activateWindow();
    if (!DoEdit(cell) || !m_editor) return 0;
    // The user corrects the rejected text in place; the cell shows it meanwhile.
    if (m_editor == m_browse.get() && m_browse->GetEditControl())
        m_browse->GetEditControl()->SetWindowText(text);
    else
        m_editor->SetWindowText(text);
    if (m_editor == m_edit.get()) m_edit->SetSel(0, -1);
    if (GetEditItemType(cell.y, cell.x) == TB_EDIT_INDEX)
        SetItemText(cell.y, cell.x, ReplaceIndex(m_textBeforeEdit, text));
    else
        SetItemText(cell.y, cell.x, text);
    return 0;
}

// ------------------------------------------------------------------ editor messages

LRESULT CTBEditListCtrl::OnEditorChanged(WPARAM wParam, LPARAM) {
    CWnd* editor = reinterpret_cast<CWnd*>(wParam);
    if (!m_editor || editor != m_editor || m_closing) return 0;
    const CPoint cell = m_editing;
    const CString text = m_editor->GetWindowText();
    if (GetEditItemType(cell.y, cell.x) == TB_EDIT_INDEX)
        SetItemText(cell.y, cell.x, ReplaceIndex(m_textBeforeEdit, text));
    else
        SetItemText(cell.y, cell.x, text);
    NotifyParent(TBWM_LIST_CELL_CHANGED, cell.y, cell.x, true);
    return 0;
}

LRESULT CTBEditListCtrl::OnEditorFinish(WPARAM wParam, LPARAM) {
    if (m_editor && reinterpret_cast<CWnd*>(wParam) == m_editor && !m_closing) CloseEdit(TRUE);
    return 0;
}

LRESULT CTBEditListCtrl::OnEditorCancel(WPARAM, LPARAM lParam) {
    if (m_editor && reinterpret_cast<CWnd*>(lParam) == m_editor && !m_closing) CloseEdit(FALSE);
    return 0;
}

LRESULT CTBEditListCtrl::OnEditorMove(UINT message, LPARAM lParam) {
    if (m_editor && reinterpret_cast<CWnd*>(lParam) == m_editor && !m_closing) WalkToNextEditor(message);
    return 0;
}

bool CTBEditListCtrl::WalkToNextEditor(UINT direction) {
    const CPoint start = m_editing;
    if (!CloseEdit(TRUE)) return false;
    const int rows = GetItemCount(), cols = GetColumnCount();
    if (rows <= 0 || cols <= 0 || start.x < 0 || start.y < 0) return false;
    CPoint c = start;
    const long long cells = static_cast<long long>(rows) * cols;
    for (long long step = 0; step < cells; ++step) {
        switch (direction) {
            case TBWM_EDITOR_NEXT:
                if (++c.x >= cols) {
                    c.x = 0;
                    if (++c.y >= rows) c.y = 0;
                }
                break;
            case TBWM_EDITOR_BACK:
                if (--c.x < 0) {
                    c.x = cols - 1;
                    if (--c.y < 0) c.y = rows - 1;
                }
                break;
            case TBWM_EDITOR_DOWN:
                if (++c.y >= rows) {
                    c.y = 0;
                    if (++c.x >= cols) c.x = 0;
                }
                break;
            default:  // up
                if (--c.y < 0) {
                    c.y = rows - 1;
                    if (--c.x < 0) c.x = cols - 1;
                }
                break;
        }
        // Cells that open nothing are passed over without being activated (a button
        // cell does not fire while the user tabs across it).
        if (HasEditItemDef(c.y, c.x) && OpensEditor(GetEditItemType(c.y, c.x)) && DoEdit(c)) return true;
        if (c == start) break;
    }
    return false;
}

LRESULT CTBEditListCtrl::OnColorChosen(WPARAM wParam, LPARAM) {
    const CPoint cell = m_editing;
    if (!m_editor || m_editor != m_colorPopup.get() || GetEditItemType(cell.y, cell.x) != TB_EDIT_COLOR) return 0;
    SetItemColor(cell.y, cell.x, static_cast<COLORREF>(wParam));
    NotifyParent(TBWM_LIST_CELL_WRITTEN, cell.y, cell.x, false);
    NotifyParent(TBWM_LIST_CELL_CHANGED, cell.y, cell.x, true);
    return 0;
}

LRESULT CTBEditListCtrl::OnColorClosed(WPARAM, LPARAM) {
    if (m_editor && m_editor == m_colorPopup.get()) {
        // The popup is still inside its own handler: it goes once the event loop runs.
        m_editor = nullptr;
        m_editing = CPoint(-1, -1);
        PostMessage(kDestroyPopupMessage, 0, 0);
    }
    return 0;
}

// ------------------------------------------------------------------ mouse and keys

void CTBEditListCtrl::ClickCheckCell(int row, int col, TB_EnumEditTypes type) {
    const CString value = type == TB_EDIT_RADIO ? CString("1") : (GetItemText(row, col) != "0" ? "0" : "1");
    std::vector<int> rows;
    if (GetItemState(row, LVIS_SELECTED)) {
        for (int r = GetNextItem(-1, LVNI_SELECTED); r >= 0; r = GetNextItem(r, LVNI_SELECTED))
            if (HasEditItemDef(r, col) && GetEditItemType(r, col) == type) rows.push_back(r);
    } else {
        SelectItem(CPoint(col, row), TRUE);
        rows.push_back(row);
    }
    for (int r : rows) SetItemText(r, col, value);
    for (int r : rows) {
        NotifyParent(TBWM_LIST_CELL_WRITTEN, r, col, false);
        NotifyParent(TBWM_LIST_CELL_CHANGED, r, col, true);
    }
}

void CTBEditListCtrl::OnLButtonDown(UINT flags, CPoint point) {
    TB_EnumEditTypes type = TB_EDIT_NONE;
    const CPoint cell = FindItem(point, type);
    const bool plain = !(flags & (MK_CONTROL | MK_SHIFT));
    if (plain && cell.x >= 0 && HasEditItemDef(cell.y, cell.x)) {
        if (!CloseEdit(TRUE)) return;
        if (type == TB_EDIT_CHECK || type == TB_EDIT_RADIO) {
            ClickCheckCell(cell.y, cell.x, type);
        } else {
            SelectItem(cell, TRUE);
        }
        m_view->setFocus(Qt::MouseFocusReason);
        return;
    }
    if (m_editor && !CloseEdit(TRUE)) return;
    Default();
}

void CTBEditListCtrl::OnLButtonUp(UINT flags, CPoint point) {
    TB_EnumEditTypes type = TB_EDIT_NONE;
    const CPoint cell = FindItem(point, type);
    NotifyParent(TBWM_LIST_CLICKED, cell.y, cell.x, false);
    if (!(flags & (MK_CONTROL | MK_SHIFT)) && cell.x >= 0 && cell == m_current && HasEditItemDef(cell.y, cell.x) &&
        !m_editor) {
        TBClickStart& click = TBGetClickStart();
        click.point = point;
        click.active = TRUE;
        DoEdit(cell);
        click.active = FALSE;
        if (m_editor) return;
    }
    Default();
}

void CTBEditListCtrl::OpenFirstEditable() {
    int row = GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) row = 0;
    if (row >= GetItemCount()) return;
    for (int col = 0; col < GetColumnCount(); ++col)
        if (HasEditItemDef(row, col) && IsEditableType(GetEditItemType(row, col))) {
            DoEdit(CPoint(col, row));
            return;
        }
    SelectItem(CPoint(std::max<int>(0, m_current.x), row), TRUE);
}

void CTBEditListCtrl::OnKeyDown(UINT vk, UINT, UINT) {
    if (m_editor && m_editor->GetWidget()) {
        // A key the open editor left alone bubbles up here: it is the editor's, and the
        // editor must live on while Qt still delivers it.
        QWidget* focus = QApplication::focusWidget();
        QWidget* editor = m_editor->GetWidget();
        if (focus && (focus == editor || editor->isAncestorOf(focus))) {
            Default();
            return;
        }
    }
    if (vk == kVkF2) {
        if (!CloseEdit(TRUE)) return;
        OpenFirstEditable();
        return;
    }
    if (m_editor && !CloseEdit(TRUE)) return;
    Default();
    // Arrow keys move the native current row: the current cell follows it.
    const QModelIndex current = m_view->currentIndex();
    if (current.isValid()) m_current = CPoint(m_current.x >= 0 ? m_current.x : 0, current.row());
}

LRESULT CTBEditListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_LBUTTONDOWN: OnLButtonDown(static_cast<UINT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))); return 0;
        case WM_LBUTTONUP: OnLButtonUp(static_cast<UINT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))); return 0;
        case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wParam), 0, 0); return 0;
        case WM_MOUSEWHEEL:
            if (m_editor && m_editor->GetWidget()) {
                // A wheel turn the editor did not take bubbles up from it: closing the
                // editor now would delete the widget Qt is still delivering to.
                QWidget* editor = m_editor->GetWidget();
                const QPoint inside = editor->mapFromGlobal(QPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
                if (editor->rect().contains(inside)) break;
            }
            if (m_editor && !CloseEdit(TRUE)) return 0;
            break;
        case WM_RBUTTONDOWN:
            if (m_editor && !CloseEdit(TRUE)) return 0;
            break;
        case WM_CONTEXTMENU: {
            if (m_editor && !CloseEdit(TRUE)) return 0;
            CPoint point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (point.x == -1 && point.y == -1) {
                RECT r{};
                if (m_current.y >= 0 && GetCellRect(m_current.y, std::max<int>(0, m_current.x), &r))
                    point = CPoint(r.left, r.bottom);
                else
                    point = CPoint(0, 0);
            } else {
                ScreenToClient(&point);
            }
            TB_EnumEditTypes type = TB_EDIT_NONE;
            const QModelIndex index = m_view->CellAt(QPoint(point.x, point.y));
            (void)type;
            if (index.isValid() && !GetItemState(index.row(), LVIS_SELECTED))
                SelectItem(CPoint(index.column(), index.row()), TRUE);
            if (CWnd* parent = GetParent())
                parent->PostMessage(TBWM_LIST_CONTEXTMENU, static_cast<WPARAM>(GetDlgCtrlID()),
                                    MAKELPARAM(static_cast<WORD>(point.y), static_cast<WORD>(point.x)));
            return 0;
        }
        case WM_CLOSE:
            if (m_editor && !CloseEdit(TRUE)) return 0;
            break;
        case WM_DESTROY: {
            if (m_editor) CloseEdit(TRUE);
            DestroyEditor();
            // The view and its model go with the window.
            const LRESULT result = CWnd::WindowProc(message, wParam, lParam);
            m_view = nullptr;
            m_model = nullptr;
            return result;
        }
        case TBWM_EDITOR_CHANGED: return OnEditorChanged(wParam, lParam);
        case TBWM_EDITOR_FINISH: return OnEditorFinish(wParam, lParam);
        case TBWM_EDITOR_CANCEL: return OnEditorCancel(wParam, lParam);
        case TBWM_EDITOR_NEXT:
        case TBWM_EDITOR_BACK:
        case TBWM_EDITOR_UP:
        case TBWM_EDITOR_DOWN: return OnEditorMove(message, lParam);
        case TBWM_LIST_REJECTED_BY_PARENT:
        case TBWM_LIST_REJECTED_INDEX:
        case TBWM_LIST_REJECTED_REAL:
        case TBWM_LIST_REJECTED_INTEGER: return OnRejected(message, wParam, lParam);
        case TBWM_COLORPOPUP_SELENDOK: return OnColorChosen(wParam, lParam);
        case TBWM_COLORPOPUP_CLOSEUP: return OnColorClosed(wParam, lParam);
        case kDestroyPopupMessage:
            if (m_colorPopup && m_colorPopup->m_hWnd && m_editor != m_colorPopup.get()) m_colorPopup->DestroyWindow();
            return 0;
        default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
