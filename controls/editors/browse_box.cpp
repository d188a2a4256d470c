// The browse box: an edit completing paths and a "..." button whose action follows
// the box's kind. The box is one editor to its parent: the focus moving between its
// edit and its button, or into the button's dialog, does not finish the edit.
#include "controls/editors/editor_keys.h"

#include <QWidget>

#include "controls/window/native_window.h"

#include <toolbox/resources/string_table.h>

#include <QCompleter>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>

#include <algorithm>

using namespace tb_editors;

namespace {
constexpr UINT kEditId = 1;
constexpr UINT kButtonId = 2;
}  // namespace

// ------------------------------------------------------------------ completing edit

int CTBBrowseEdit::AutoComplete(DWORD flags) {
    auto* line = qobject_cast<QLineEdit*>(GetWidget());
    if (!line) return 0;
    // Only the file system is a source here: URL history alone completes nothing.
    if (flags != SHACF_DEFAULT && !(flags & (SHACF_FILESYSTEM | SHACF_FILESYS_ONLY | SHACF_FILESYS_DIRS))) return 0;
    auto* model = new QFileSystemModel(line);
    QDir::Filters filter = QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives;
    if (!(flags & SHACF_FILESYS_DIRS)) filter |= QDir::Files;
    model->setFilter(filter);
    model->setRootPath(QDir::rootPath());
    auto* completer = new QCompleter(model, line);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    completer->setCaseSensitivity(Qt::CaseSensitive);
    line->setCompleter(completer);
    return 1;
}

// ------------------------------------------------------------------ the box's parts

/// The edit and the button of a box report as the box: their keys move, finish or
/// cancel the box's edit, and the focus leaving one of them finishes it only when it
/// leaves the box altogether.
class CTBBrowseBoxPart : public CEditorKeys {
public:
    CTBBrowseBoxPart(CTBOwnBrowseBox& box, CWnd& part) : CEditorKeys(box, 1), m_box(box), m_part(part) {}

protected:
    /// Enter on the button presses it; from the edit it moves down.
    UINT MoveOf(UINT vk) const override {
        if (vk == VK_RETURN && m_box.m_button && &m_part == m_box.m_button.get()) return 0;
        return MoveMessageOf(vk);
    }
    /// Escape puts back the text the box was created with.
    bool RestoreText() override {
        m_box.SetEditText(m_box.m_text);
        return true;
    }
    /// The edit's changes are reported by the box itself.
    bool TypingChanges() const override { return false; }
    bool KeepsFocus(HWND next) const override {
        if (m_box.m_browsing) return true;
        QWidget* to = CNativeWindow::Widget(next);
        return to && m_box.GetWidget()->isAncestorOf(to);
    }

private:
    CTBOwnBrowseBox& m_box;
    CWnd& m_part;
};

namespace {

/// The native handling of a part is its base control's.
template <class Base>
class CBoxPartKeys : public CTBBrowseBoxPart {
public:
    CBoxPartKeys(CTBOwnBrowseBox& box, Base& part) : CTBBrowseBoxPart(box, part), m_base(part) {}

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        return m_base.Base::WindowProc(message, wParam, lParam);
    }

private:
    Base& m_base;
};

template <class Base>
class CBoxPart : public Base {
public:
    explicit CBoxPart(CTBOwnBrowseBox* box) : m_box(box) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (CBoxPartKeys<Base>(*m_box, *this).Handle(message, wParam, lParam, result)) return result;
        return Base::WindowProc(message, wParam, lParam);
    }

private:
    CTBOwnBrowseBox* m_box;
};

}  // namespace

// ------------------------------------------------------------------ the box

CTBOwnBrowseBox::CTBOwnBrowseBox() = default;
CTBOwnBrowseBox::~CTBOwnBrowseBox() {
    // The parts go with the box's window; destroy it while they still exist.
    if (m_hWnd) DestroyWindow();
}

BOOL CTBOwnBrowseBox::Create(LPCTSTR text, LPCTSTR kind, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CWnd::Create(nullptr, "", style | WS_CHILD, rect, parent, id)) return FALSE;
    m_wantAllKeys = 1;
    m_kind = kind ? kind : "";
    m_text = text ? text : "";
    const CRect r(rect);
    const int height = r.Height();
    const int buttonWidth = std::min(height, static_cast<int>(r.Width()));
    m_edit = std::make_unique<CBoxPart<CTBBrowseEdit>>(this);
    m_button = std::make_unique<CBoxPart<CButton>>(this);
    m_edit->Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL,
                   CRect(0, 0, r.Width() - buttonWidth, height), this, kEditId);
    m_button->Create("...", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                     CRect(r.Width() - buttonWidth, 0, r.Width(), height), this, kButtonId);
    TakeParentFont(m_edit.get(), parent);
    TakeParentFont(m_button.get(), parent);
    if (m_kind == "PATH" || m_kind == "DIR") m_edit->AutoComplete(m_kind == "DIR" ? SHACF_FILESYS_DIRS : SHACF_FILESYSTEM);
    SetEditText(m_text);
    m_edit->SetSel(0, -1);
    m_edit->SetFocus();
    return TRUE;
}

void CTBOwnBrowseBox::SetEditText(const CString& text) {
    const bool before = m_settingText;
    m_settingText = true;
    m_edit->SetWindowText(text);
    m_settingText = before;
}

BOOL CTBOwnBrowseBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<DWORD>(wParam)), code = HIWORD(static_cast<DWORD>(wParam));
    if (id == kButtonId && code == BN_CLICKED) {
        Browse();
        return TRUE;
    }
    if (id == kEditId && code == EN_CHANGE) {
        // The box's own text follows its edit's; the user's changes are reported here,
        // the box's own ones where it makes them.
        CWnd::SetWindowText(m_edit->GetWindowText());
        if (!m_settingText) TellChanged(this);
        return TRUE;
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT CTBOwnBrowseBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            if (m_edit && m_edit->m_hWnd) m_edit->SetFocus();
            return 0;
        case TBWM_EDITOR_BUTTONDOWN: {
            CPoint at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (CWnd* parent = GetParent()) parent->ClientToScreen(&at);
            m_button->ScreenToClient(&at);
            CRect button;
            m_button->GetClientRect(&button);
            if (button.PtInRect(at)) Browse();
            return 0;
        }
        default: break;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void CTBOwnBrowseBox::Browse() {
    // The action's change is reported once, after it.
    m_browsing = true;
    m_settingText = true;
    if (m_kind == "PATH") {
        BrowsePath();
    } else if (m_kind == "DIR") {
        BrowseDir();
    } else if (m_kind == "DIALOG") {
        if (m_additional) static_cast<CDialog*>(m_additional)->DoModal();
    } else if (m_kind == "FUNCTION") {
        if (m_additional) reinterpret_cast<TBBrowseFunction>(m_additional)(m_edit.get(), GetParent());
    } else {
        AskForSpecialKind();
    }
    m_browsing = false;
    m_settingText = false;
    if (!m_hWnd) return;
    m_edit->SetFocus();
    TellChanged(this);
}

void CTBOwnBrowseBox::BrowsePath() {
    const CString text = m_edit->GetWindowText();
    if (CFileDialog::IsFileDialog(m_additional)) {
        // The host's own file dialog, opened on the folder and file of the text; any
        // other pointer is ignored and the plain open dialog shows.
        auto* dialog = static_cast<CFileDialog*>(m_additional);
        const QFileInfo info(TBQ(text));
        dialog->m_initialDir = text.IsEmpty() ? CString() : TBC(info.path());
        dialog->SetFileName(TBC(info.fileName()));
        if (dialog->DoModal() == IDOK) SetEditText(dialog->GetPathName());
        return;
    }
    CFileDialog dialog(TRUE, nullptr, text, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR, TBLoadString(5501),
                       this);
    if (dialog.DoModal() == IDOK) SetEditText(dialog.GetPathName());
}

void CTBOwnBrowseBox::BrowseDir() {
    CTBDlgBrowseDir dialog(this);
    dialog.SetSelPath(m_edit->GetWindowText());
    if (dialog.DoModal() == IDOK) SetEditText(dialog.GetSelPath());
}

void CTBOwnBrowseBox::AskForSpecialKind() {
    CString question;
    question.Format(TBLoadString(5543), m_kind.GetString());
    if (TBMessageBox(this, question, nullptr, MB_YESNO) == IDYES) SetEditText(m_kind);
}
