// The grid's editing: opening and closing the in-place editors, validation and
// rejection, moving between cells, mouse and keyboard.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_editors.h"
#include "controls/grid/edit_list_view.h"

#include <toolbox/services/numbers.h>
#include <toolbox/ui/color_popup.h>
#include <toolbox/ui/dialog.h>

#include <QApplication>
#include <QScrollBar>

#include <cstdlib>

namespace {

constexpr UINT kVkF2 = 0x71;
const char* const kRejectIndex = "Invalide index value.\nPlease insert an unsigned integer !";
const char* const kRejectReal = "Invalide value.\nPlease insert a real !";
const char* const kRejectInteger = "Invalide value.\nPlease insert an integer !";

LPARAM CellParam(CPoint cell) { return MAKELPARAM(static_cast<WORD>(cell.y), static_cast<WORD>(cell.x)); }
CPoint CellOfParam(WPARAM w) {
    return CPoint(static_cast<short>(HIWORD(static_cast<DWORD>(w))), static_cast<short>(LOWORD(static_cast<DWORD>(w))));
}

}  // namespace

BOOL CTBEditListCtrl::IsEditActive() const { return m_editor != nullptr; }

CPoint CTBEditListCtrl::GetSelectedItem() const { return m_current; }

// ------------------------------------------------------------------ opening

BOOL CTBEditListCtrl::DoEdit(CPoint cell) { return EditCell(cell, nullptr); }

BOOL CTBEditListCtrl::EditCell(CPoint cell, const CPoint* click) {
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
    // The click that opened a cell drawn with a button goes on to its editor, so that a
    // click on the drawn button presses the real one.
    if (click && m_editor && TBEditTypeOf(Def(row, col)).HasCellButton())
        m_editor->SendMessage(TBWM_EDITOR_BUTTONDOWN, 0,
                              MAKELPARAM(static_cast<WORD>(click->x), static_cast<WORD>(click->y)));
    return TRUE;
}

bool CTBEditListCtrl::OpenEditor(int row, int col, const CRect& rect) {
    const TB_SITEMDEF& def = *Def(row, col);
    const TBEditTypeInfo& info = TBEditTypeOf(&def);
    if (info.editor == TBCellEditor::TellParent) {
        NotifyParent(TBWM_LIST_BUTTON, row, col, false);
        return false;
    }
    const int format = col < static_cast<int>(m_model->formats.size()) ? m_model->formats[static_cast<std::size_t>(col)] : 0;
    const TBEditorStart start{this, def, info, TBEditorTextOf(info, GetItemText(row, col)), rect, format,
                              GetItemColor(row, col)};
    m_editor = m_editors->Open(info.editor, start);
    return m_editor != nullptr;
}

bool CTBEditListCtrl::IsColourPopup(const CWnd* editor) const { return m_editors->IsColourPopup(editor); }

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
    const TBEditTypeInfo& info = TBEditTypeOf(Def(row, col));
    if (!commit || info.check == TBCellCheck::ByEditor) {
        // The colour popup writes its cell when a colour is chosen; closing it commits nothing.
        if (!commit) SetItemText(row, col, m_textBeforeEdit);
        DestroyEditor();
        m_closing = false;
        return TRUE;
    }
    const CString text = m_editor->GetWindowText();
    CString value = text;
    UINT rejection = 0;
    switch (info.check) {
        case TBCellCheck::Index:
            if (IsValidInteger(text))
                value = TBCellTextOf(info, m_textBeforeEdit, TBExtended_itoa(std::atoi(text)));
            else
                rejection = TBWM_LIST_REJECTED_INDEX;
            break;
        case TBCellCheck::Real:
            if (!IsValidReal(text)) rejection = TBWM_LIST_REJECTED_REAL;
            break;
        case TBCellCheck::Integer:
            if (!IsValidInteger(text)) rejection = TBWM_LIST_REJECTED_INTEGER;
            break;
        case TBCellCheck::Parent:
        case TBCellCheck::ByEditor: {
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
    m_editors->TextField(m_editor)->SetWindowText(text);
    m_editors->SelectAll(m_editor);
    SetItemText(cell.y, cell.x, TBCellTextOf(TBEditTypeOf(Def(cell.y, cell.x)), m_textBeforeEdit, text));
    return 0;
}

// ------------------------------------------------------------------ editor messages

LRESULT CTBEditListCtrl::OnEditorChanged(WPARAM wParam, LPARAM) {
    CWnd* editor = reinterpret_cast<CWnd*>(wParam);
    if (!m_editor || editor != m_editor || m_closing) return 0;
    const CPoint cell = m_editing;
    SetItemText(cell.y, cell.x, TBCellTextOf(TBEditTypeOf(Def(cell.y, cell.x)), m_textBeforeEdit, m_editor->GetWindowText()));
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
        if (HasEditItemDef(c.y, c.x) && TBEditTypeOf(Def(c.y, c.x)).OpensEditor() && DoEdit(c)) return true;
        if (c == start) break;
    }
    return false;
}

LRESULT CTBEditListCtrl::OnColorChosen(WPARAM wParam, LPARAM) {
    const CPoint cell = m_editing;
    if (!IsColourPopup(m_editor) || TBEditTypeOf(Def(cell.y, cell.x)).value != TBCellValue::Colour) return 0;
    SetItemColor(cell.y, cell.x, static_cast<COLORREF>(wParam));
    NotifyParent(TBWM_LIST_CELL_WRITTEN, cell.y, cell.x, false);
    NotifyParent(TBWM_LIST_CELL_CHANGED, cell.y, cell.x, true);
    return 0;
}

LRESULT CTBEditListCtrl::OnColorClosed(WPARAM, LPARAM) {
    if (IsColourPopup(m_editor)) {
        // The popup is still inside its own handler: it goes once the event loop runs.
        m_editor = nullptr;
        m_editing = CPoint(-1, -1);
        PostMessage(kDestroyPopupMessage, 0, 0);
    }
    return 0;
}

// ------------------------------------------------------------------ mouse and keys

void CTBEditListCtrl::ClickCheckCell(int row, int col, TB_EnumEditTypes type) {
    const bool sets = TBEditTypeOf(type).click == TBCellClick::Set;
    const CString value = sets ? CString("1") : (GetItemText(row, col) != "0" ? "0" : "1");
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
        if (TBEditTypeOf(type).ClicksOnGlyph())
            ClickCheckCell(cell.y, cell.x, type);
        else
            SelectItem(cell, TRUE);
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
        EditCell(cell, &point);
        if (m_editor) return;
    }
    Default();
}

void CTBEditListCtrl::OpenFirstEditable() {
    int row = GetNextItem(-1, LVNI_SELECTED);
    if (row < 0) row = 0;
    if (row >= GetItemCount()) return;
    for (int col = 0; col < GetColumnCount(); ++col)
        if (HasEditItemDef(row, col) && TBEditTypeOf(Def(row, col)).Has(kTypeEditable)) {
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
        case kDestroyPopupMessage: m_editors->DropColourPopup(m_editor); return 0;
        default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}
