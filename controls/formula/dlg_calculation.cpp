// The calculator dialog on template 4304: lists of categories, catalogue entries and
// variables around a formula edit; double clicks insert at the caret, which stays
// visible while another control has the focus.
#include <toolbox/ui/formula_dialog.h>

#include <toolbox/resources/string_table.h>
#include <toolbox/ui/controls.h>

#include "controls/formula/formula_catalogue.h"
#include "controls/formula/formula_check.h"
#include "controls/window/native_window.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

constexpr UINT IDC_FRAME = 4008;
constexpr UINT IDC_FORMULA = 4009;
constexpr UINT IDC_FIND = 4010;
constexpr UINT IDC_FIND_LABEL = 4011;
constexpr UINT IDC_VARIABLES = 4012;
constexpr UINT IDC_CATEGORIES = 4013;
constexpr UINT IDC_ENTRIES = 4014;
constexpr UINT IDC_TEST = 4015;
constexpr UINT kAllCategoriesText = 5530;

// Item data of an entry line: category index in the high word, entry index in the low.
DWORD_PTR EntryData(std::size_t category, std::size_t entry) {
    return static_cast<DWORD_PTR>((category << 16) | entry);
}

}  // namespace

/// The caret the formula edit shows while it has no focus: a bar 2 pixels wide and as
/// high as the font's ascent at the insertion point, so the user sees where a double
/// click in a list will insert.
class CTBInactiveCaret : public QObject {
public:
    explicit CTBInactiveCaret(QPlainTextEdit* edit) : QObject(edit), m_edit(edit) {
        m_bar = new QWidget(edit->viewport());
        m_bar->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_bar->setAutoFillBackground(true);
        QPalette palette = m_bar->palette();
        palette.setColor(QPalette::Window, edit->palette().color(QPalette::Text));
        m_bar->setPalette(palette);
        m_bar->hide();
        edit->installEventFilter(this);
        connect(edit, &QPlainTextEdit::cursorPositionChanged, this, [this] { Place(); });
        connect(edit->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { Place(); });
        connect(edit->horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { Place(); });
    }
    QWidget* Bar() const { return m_bar; }

    void Place() {
        if (m_edit->hasFocus() || !m_edit->isVisible()) {
            m_bar->hide();
            return;
        }
        const QRect cursor = m_edit->cursorRect();
        const int ascent = QFontMetrics(m_edit->font()).ascent();
        m_bar->setGeometry(cursor.left(), cursor.top() + std::max(0, (cursor.height() - ascent) / 2), 2, ascent);
        m_bar->show();
        m_bar->raise();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // While the edit is being destroyed its QWidget part still sends focus events;
        // it is no plain text edit any more then, and there is no caret to place.
        if (!qobject_cast<QPlainTextEdit*>(watched)) return false;
        switch (event->type()) {
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::Resize:
            case QEvent::Show:
            case QEvent::Hide: Place(); break;
            default: break;
        }
        return false;
    }

private:
    QPlainTextEdit* m_edit;
    QWidget* m_bar;
};

BEGIN_MESSAGE_MAP(CTBDlgCalculation, CTBDlgCalculationBase)
ON_LBN_SELCHANGE(IDC_CATEGORIES, OnSelChangeCategories)
ON_LBN_DBLCLK(IDC_ENTRIES, OnDblClkEntries)
ON_LBN_DBLCLK(IDC_VARIABLES, OnDblClkVariables)
ON_EN_CHANGE(IDC_FIND, OnChangeFind)
ON_BN_CLICKED(IDC_TEST, OnTest)
END_MESSAGE_MAP()

const std::vector<CTBDlgCalculation::AnchorInfo>& CTBDlgCalculation::GetAnchors() {
    static const std::vector<AnchorInfo> anchors = {
        {IDC_FRAME, 15},     {IDC_FORMULA, 197}, {IDC_CATEGORIES, 201}, {IDC_ENTRIES, 200}, {IDC_VARIABLES, 78},
        {IDC_FIND_LABEL, 8}, {IDC_FIND, 74},     {IDC_TEST, 9},         {IDOK, 10},         {IDCANCEL, 10}};
    return anchors;
}

CTBDlgCalculation::CTBDlgCalculation(CWnd* parent) : CTBDlgCalculationBase(IDD_TB_CALCULATION, parent) {
    for (const AnchorInfo& a : GetAnchors()) SetControlInfo(a.id, a.flags);
}

CTBDlgCalculation::~CTBDlgCalculation() { FreeFunctionArray(); }

void CTBDlgCalculation::InitDialog(long flags, FillVariablesProc fillVariables, GetFormulaProc getFormula,
                                   TakeFormulaProc takeFormula) {
    m_flags = flags;
    m_fillVariables = fillVariables;
    m_getFormula = getFormula;
    m_takeFormula = takeFormula;
}

void CTBDlgCalculation::FillFunctionArray() {
    FreeFunctionArray();
    m_categories = TBBuildFormulaCatalogue();
}

void CTBDlgCalculation::FreeFunctionArray() { m_categories.clear(); }

BOOL CTBDlgCalculation::OnInitDialog() {
    CTBDlgCalculationBase::OnInitDialog();
    // Both edits report typing and the focus leaving to the dialog, as in-place editors do.
    if (!m_formulaEdit.m_hWnd) m_formulaEdit.SubclassDlgItem(IDC_FORMULA, this);
    if (!m_findEdit.m_hWnd) m_findEdit.SubclassDlgItem(IDC_FIND, this);
    for (UINT id : {IDC_CATEGORIES, IDC_ENTRIES, IDC_VARIABLES}) GetDlgItem(id)->SendMessage(LB_RESETCONTENT);
    m_variables.RemoveAll();
    FreeFunctionArray();

    CString formula;
    if (m_getFormula) m_getFormula(formula);
    SetDlgItemText(IDC_FORMULA, formula);
    if (m_fillVariables) m_fillVariables(m_variables);
    FillVariableList();

    FillFunctionArray();
    auto* categories = static_cast<CListBox*>(GetDlgItem(IDC_CATEGORIES));
    categories->AddString(TBLoadString(kAllCategoriesText));
    for (const CTBFormulaCategory& category : m_categories) categories->AddString(category.name);
    categories->SetCurSel(0);
    FillEntryList();

    if (auto* edit = qobject_cast<QPlainTextEdit*>(GetDlgItem(IDC_FORMULA)->GetWidget()))
        m_caret = new CTBInactiveCaret(edit);
    GiveFocusToFormula();
    return FALSE;  // the focus is set
}

void CTBDlgCalculation::FillVariableList() {
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_VARIABLES));
    m_variableNames.clear();
    POSITION pos = m_variables.GetStartPosition();
    while (pos) {
        CString name, description;
        m_variables.GetNextAssoc(pos, name, description);
        const CString line = description.IsEmpty() ? name : description + " ( " + name + " ) ";
        const int index = list->AddString(line);
        list->SetItemData(index, m_variableNames.size());
        m_variableNames.push_back(name);
    }
}

void CTBDlgCalculation::FillEntryList() {
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_ENTRIES));
    list->ResetContent();
    // Line 0 of the category list is "<All>"; the categories follow in catalogue order.
    const int chosen = static_cast<CListBox*>(GetDlgItem(IDC_CATEGORIES))->GetCurSel();
    for (std::size_t c = 0; c < m_categories.size(); ++c) {
        if (chosen > 0 && static_cast<std::size_t>(chosen - 1) != c) continue;
        for (std::size_t e = 0; e < m_categories[c].entries.size(); ++e) {
            const int index = list->AddString(m_categories[c].entries[e].Shown());
            list->SetItemData(index, EntryData(c, e));
        }
    }
}

void CTBDlgCalculation::OnSelChangeCategories() { FillEntryList(); }

void CTBDlgCalculation::OnDblClkEntries() {
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_ENTRIES));
    const int index = list->GetCurSel();
    if (index < 0) return;
    const DWORD_PTR data = list->GetItemData(index);
    const std::size_t c = data >> 16, e = data & 0xFFFF;
    if (c >= m_categories.size() || e >= m_categories[c].entries.size()) return;
    const CTBFormulaEntry& entry = m_categories[c].entries[e];
    if (entry.isFunction)
        InsertFunction(entry.insertText);
    else
        InsertSymbol(entry.insertText);
}

void CTBDlgCalculation::OnDblClkVariables() {
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_VARIABLES));
    const int index = list->GetCurSel();
    if (index < 0) return;
    const DWORD_PTR slot = list->GetItemData(index);
    if (slot < m_variableNames.size()) InsertSymbol(m_variableNames[slot]);
}

void CTBDlgCalculation::InsertSymbol(const char* text) { ReplaceSelection(CString(text) + " ", false); }

void CTBDlgCalculation::InsertFunction(const char* name) {
    auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_FORMULA));
    int start = 0, end = 0;
    edit->GetSel(start, end);
    if (start == end) {
        ReplaceSelection(CString(name) + "( " + " ) " + " ", false);
        return;
    }
    // The selection becomes the argument; the caret goes to where it began.
    // Positions count characters of the document, whose plain text has one per line break.
    auto* plain = qobject_cast<QPlainTextEdit*>(edit->GetWidget());
    const QString formula = plain ? plain->toPlainText() : TBQ(GetFormula());
    const CString selected = TBC(formula.mid(std::min(start, end), std::abs(end - start)));
    ReplaceSelection(CString(name) + "( " + selected + " ) ", true);
}

void CTBDlgCalculation::ReplaceSelection(const CString& text, bool caretAtStart) {
    auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_FORMULA));
    int start = 0, end = 0;
    edit->GetSel(start, end);
    edit->ReplaceSel(text, TRUE);
    if (caretAtStart) edit->SetSel(std::min(start, end), std::min(start, end));
    GiveFocusToFormula();
}

void CTBDlgCalculation::GiveFocusToFormula() {
    CWnd* edit = GetDlgItem(IDC_FORMULA);
    GotoDlgCtrl(edit);
    if (auto* plain = qobject_cast<QPlainTextEdit*>(edit->GetWidget())) plain->ensureCursorVisible();
}

void CTBDlgCalculation::OnChangeFind() {
    CString text;
    GetDlgItemText(IDC_FIND, text);
    if (text.IsEmpty()) return;
    auto* list = static_cast<CListBox*>(GetDlgItem(IDC_VARIABLES));
    const int found = list->FindString(-1, text);
    if (found >= 0) list->SetCurSel(found);
}

CString CTBDlgCalculation::GetFormula() const {
    CString formula;
    GetDlgItemText(IDC_FORMULA, formula);
    return formula;
}

BOOL CTBDlgCalculation::ParsString(CString formula) {
    return TBCheckFormula(formula, m_flags, m_variables, [this](const CString& text) {
        TBMessageBox(this, text, nullptr, MB_OK | MB_ICONWARNING);
    });
}

void CTBDlgCalculation::OnTest() {
    ParsString(GetFormula());
    GiveFocusToFormula();
}

void CTBDlgCalculation::OnOK() {
    const CString formula = GetFormula();
    if (!ParsString(formula)) {
        GiveFocusToFormula();
        return;
    }
    if (m_takeFormula) m_takeFormula(formula);
    EndDialog(IDOK);
}
