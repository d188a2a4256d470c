// The combo box with exact, case-sensitive search, and the combo box in place.
#include "controls/editors/editor_keys.h"

#include <QWidget>

#include "controls/window/native_window.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include <cstring>

using namespace tb_editors;

// ------------------------------------------------------------------ exact search

int CTBComboBox::FindStringExact(int start, LPCTSTR text) const {
    const char* wanted = text ? text : "";
    const int count = GetCount();
    // The native search is case-insensitive: walk its hits, each after the previous,
    // until one matches byte for byte or the walk comes round to its first hit.
    int first = -1;
    int at = start;
    for (int n = 0; n <= count; ++n) {
        const int hit = CComboBox::FindStringExact(at, wanted);
        if (hit < 0 || hit == first) return -1;
        if (first < 0) first = hit;
        CString entry;
        GetLBText(hit, entry);
        if (std::strcmp(entry.GetString(), wanted) == 0) return hit;
        at = hit;
    }
    return -1;
}

int CTBComboBox::SelectString(int start, LPCTSTR text) {
    const int index = FindStringExact(start, text);
    if (index >= 0) SetCurSel(index);
    return index;
}

// ------------------------------------------------------------------ combo in place

/// Watches the combo's list popping up and closing, which the combo itself does not
/// report to its own window.
class CTBOwnComboBoxWatch : public QObject {
public:
    explicit CTBOwnComboBoxWatch(CTBOwnComboBox* combo) : m_combo(combo) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Show) m_combo->ListDropped();
        if (e->type() == QEvent::Hide) m_combo->ListClosed();
        return false;
    }

private:
    CTBOwnComboBox* m_combo;
};

CTBOwnComboBox::CTBOwnComboBox() = default;
CTBOwnComboBox::~CTBOwnComboBox() {
    // The watch must not outlive this object while the widget still exists.
    if (m_watch && m_hWnd)
        if (auto* combo = qobject_cast<QComboBox*>(GetWidget())) combo->view()->window()->removeEventFilter(m_watch.get());
}

BOOL CTBOwnComboBox::HasEditField() const {
    auto* combo = qobject_cast<QComboBox*>(GetWidget());
    return combo && combo->isEditable();
}

BOOL CTBOwnComboBox::Create(LPCTSTR text, LPCTSTR entries, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    CRect dropped(rect);
    dropped.bottom = dropped.top + 6 * (rect.bottom - rect.top);
    if (!CComboBox::Create(style, dropped, parent, id)) return FALSE;
    const CStringArray list = SplitEntries(entries);
    for (int i = 0; i < list.GetSize(); ++i) AddString(list[i]);
    TakeParentFont(this, parent);
    return FinishCreate(text);
}

BOOL CTBOwnComboBox::FinishCreate(LPCTSTR text) {
    m_createdDirectly = 1;
    AdoptEditField(text ? text : "");
    SetFocus();
    return TRUE;
}

void CTBOwnComboBox::AdoptEditField(const CString& text) {
    m_wantAllKeys = 1;
    SelectString(-1, text);
    if (HasEditField()) {
        if (GetWindowText() != text) SetWindowText(text);
        SetEditSel(0, -1);
    }
    auto* combo = qobject_cast<QComboBox*>(GetWidget());
    if (combo) {
        // A grid reuses this object for a new window on every edit: the watch of the
        // previous window went with it, so every window gets a fresh one (dropping the
        // old watch also takes its filter and connection off a window still alive).
        m_watch = std::make_unique<CTBOwnComboBoxWatch>(this);
        combo->view()->window()->installEventFilter(m_watch.get());
        QObject::connect(combo, qOverload<int>(&QComboBox::activated), m_watch.get(), [this](int) { EntryChosen(); });
    }
    m_text = text;
    m_selection = GetCurSel();
}

void CTBOwnComboBox::StoreText() { m_text = GetWindowText(); }

void CTBOwnComboBox::ListDropped() {
    m_textAtDrop = GetWindowText();
    m_chosenSinceDrop = false;
}

void CTBOwnComboBox::ListClosed() {
    // A choice, if any, arrives right after the list closes: the reset waits for it.
    if (HasEditField()) PostMessage(TBWM_EDITOR_RESET, 1, 0);
}

void CTBOwnComboBox::EntryChosen() {
    m_chosenSinceDrop = true;
    const int index = GetCurSel();
    if (index >= 0 && HasEditField()) {
        CString entry;
        GetLBText(index, entry);
        SetWindowText(entry);
    }
    TellChanged(this);
}

namespace {

/// Escape puts back the text (or, without an edit field, the selection) the combo
/// started with; the focus moving into its own edit field or dropped list goes on.
class CComboKeys : public CEditorKeys {
public:
    CComboKeys(CTBOwnComboBox& combo, int wantAllKeys, CString& kept, int selection)
        : CEditorKeys(combo, wantAllKeys), m_combo(combo), m_kept(kept), m_selection(selection) {}

protected:
    LRESULT Native(UINT message, WPARAM wParam, LPARAM lParam) override {
        return m_combo.CTBComboBox::WindowProc(message, wParam, lParam);
    }
    void KeepText() override { m_kept = m_combo.GetWindowText(); }
    bool RestoreText() override {
        if (m_combo.HasEditField())
            m_combo.SetWindowText(m_kept);
        else
            m_combo.SetCurSel(m_selection);
        return true;
    }
    bool KeepsFocus(HWND next) const override {
        QWidget* to = CNativeWindow::Widget(next);
        auto* combo = qobject_cast<QComboBox*>(m_combo.GetWidget());
        return to && combo &&
               (combo->isAncestorOf(to) || combo->view()->window()->isAncestorOf(to) || to == combo->view()->window());
    }

private:
    CTBOwnComboBox& m_combo;
    CString& m_kept;
    int m_selection;
};

}  // namespace

LRESULT CTBOwnComboBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (CComboKeys(*this, m_wantAllKeys, m_text, m_selection).Handle(message, wParam, lParam, result)) return result;
    switch (message) {
        case TBWM_EDITOR_RESET:
            // Posted when the list closed: a choice made meanwhile stands.
            if (wParam == 1 && m_chosenSinceDrop) return 0;
            if (HasEditField()) SetWindowText(wParam == 1 ? m_textAtDrop : m_text);
            return 0;
        case TBWM_EDITOR_BUTTONDOWN: {
            CPoint at(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            if (CWnd* parent = GetParent()) parent->ClientToScreen(&at);
            ScreenToClient(&at);
            auto* combo = qobject_cast<QComboBox*>(GetWidget());
            const bool inField = combo && combo->lineEdit() && combo->lineEdit()->geometry().contains(at.x, at.y);
            if (!inField) ShowDropDown(TRUE);
            return 0;
        }
        default: break;
    }
    return CTBComboBox::WindowProc(message, wParam, lParam);
}
