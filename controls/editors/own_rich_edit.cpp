// The rich edit with the "RichEdit" context menu: Tab types a tab, Escape goes to the
// parent as a key, every change is reported with 0x7EB.
#include "controls/editors/editor_keys.h"

#include <QWidget>

#include "controls/window/native_window.h"

#include <toolbox/ui/dc.h>
#include <toolbox/ui/menu.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QPalette>
#include <QWidget>

using namespace tb_editors;

bool tb_editors::ClipboardHasText() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText();
}

BEGIN_MESSAGE_MAP(CTBOwnRichEdit, CRichEditCtrl)
ON_WM_CONTEXTMENU()
ON_COMMAND(kEditUndo, OnEditUndo)
ON_COMMAND(kEditCut, OnEditCut)
ON_COMMAND(kEditCopy, OnEditCopy)
ON_COMMAND(kEditPaste, OnEditPaste)
ON_COMMAND(kEditClear, OnEditClear)
ON_COMMAND(kEditSelectAll, OnEditSelectAll)
ON_UPDATE_COMMAND_UI(kEditUndo, OnUpdateEditUndo)
ON_UPDATE_COMMAND_UI(kEditCut, OnUpdateEditCut)
ON_UPDATE_COMMAND_UI(kEditCopy, OnUpdateEditCopy)
ON_UPDATE_COMMAND_UI(kEditPaste, OnUpdateEditPaste)
ON_UPDATE_COMMAND_UI(kEditClear, OnUpdateEditClear)
ON_UPDATE_COMMAND_UI(kEditSelectAll, OnUpdateEditSelectAll)
END_MESSAGE_MAP()

BOOL CTBOwnRichEdit::SetReadOnly(BOOL readOnly) {
    const BOOL done = CRichEditCtrl::SetReadOnly(readOnly);
    if (QWidget* w = GetWidget()) {
        QPalette palette = w->palette();
        const COLORREF c = GetSysColor(readOnly ? COLOR_BTNFACE : COLOR_WINDOW);
        palette.setColor(QPalette::Base, QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
        w->setPalette(palette);
    }
    return done;
}

void CTBOwnRichEdit::Changed() { TellChanged(this); }

bool CTBOwnRichEdit::HasSelection() const {
    int start = 0, end = 0;
    CEdit::GetSel(start, end);
    return start != end;
}

LRESULT CTBOwnRichEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return CRichEditCtrl::WindowProc(message, wParam, lParam) | DLGC_WANTTAB;
        case WM_KEYDOWN:
            if (wParam == VK_TAB) {
                if (!IsReadOnly()) {
                    ReplaceSel("\t", TRUE);
                    Changed();
                }
                return 0;
            }
            if (wParam == VK_ESCAPE) {
                if (CWnd* parent = GetParent()) parent->SendMessage(WM_KEYDOWN, wParam, lParam);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\t' || wParam == 0x1B) return 0;
            TypeThenTellChanged(this);
            return 0;
        case WM_CUT:
        case WM_PASTE:
        case WM_CLEAR:
        case WM_UNDO:
        case EM_UNDO: {
            const LRESULT result = CRichEditCtrl::WindowProc(message, wParam, lParam);
            Changed();
            return result;
        }
        default: break;
    }
    return CRichEditCtrl::WindowProc(message, wParam, lParam);
}

void CTBOwnRichEdit::OnContextMenu(CWnd*, CPoint point) {
    CMenu menu;
    if (!menu.LoadMenu(4404)) return;
    CMenu* popup = menu.GetSubMenu(0);
    if (!popup) return;
    SetFocus();
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CTBOwnRichEdit::OnEditUndo() { Undo(); }
void CTBOwnRichEdit::OnEditCut() { Cut(); }
void CTBOwnRichEdit::OnEditCopy() { Copy(); }
void CTBOwnRichEdit::OnEditPaste() { Paste(); }
void CTBOwnRichEdit::OnEditClear() { Clear(); }
void CTBOwnRichEdit::OnEditSelectAll() { SetSel(0, -1); }

void CTBOwnRichEdit::OnUpdateEditUndo(CCmdUI* ui) { ui->Enable(!IsReadOnly() && CanUndo()); }
void CTBOwnRichEdit::OnUpdateEditCut(CCmdUI* ui) { ui->Enable(!IsReadOnly() && HasSelection()); }
void CTBOwnRichEdit::OnUpdateEditCopy(CCmdUI* ui) { ui->Enable(HasSelection()); }
void CTBOwnRichEdit::OnUpdateEditPaste(CCmdUI* ui) { ui->Enable(!IsReadOnly() && ClipboardHasText()); }
void CTBOwnRichEdit::OnUpdateEditClear(CCmdUI* ui) { ui->Enable(!IsReadOnly() && HasSelection()); }
void CTBOwnRichEdit::OnUpdateEditSelectAll(CCmdUI* ui) { ui->Enable(GetLineCount() > 1 || LineLength(0) > 0); }
