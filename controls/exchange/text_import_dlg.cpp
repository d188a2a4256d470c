// The Import dialog (template 4305) over CTextImportRules: every change of a choice is
// written into the rules at once and both previews are built again from them.
#include <toolbox/ui/exchange_dialogs.h>

#include <toolbox/resources/string_table.h>

#include "controls/exchange/exchange_ids.h"
#include "controls/window/native_window.h"

#include <QFontMetrics>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <vector>

using namespace tb_exchange_ui;

namespace {

struct SeparatorBox {
    UINT id;
    bool CTextImportRules::*flag;
};
const SeparatorBox kSeparatorBoxes[] = {{IDC_IMPORT_SEMICOLON, &CTextImportRules::Semicolon},
                                        {IDC_IMPORT_TAB, &CTextImportRules::Tab},
                                        {IDC_IMPORT_COMMA, &CTextImportRules::Comma},
                                        {IDC_IMPORT_SPACE, &CTextImportRules::Space},
                                        {IDC_IMPORT_OTHER, &CTextImportRules::Other}};
const UINT kDecimalRadios[] = {IDC_IMPORT_POINT, IDC_IMPORT_DECIMAL_COMMA, IDC_IMPORT_DECIMAL_OTHER};
constexpr UINT kNoSuchFileMessage = 14;

/// A column wide enough for its title and the widest of its first cells.
int ColumnWidth(const QFontMetrics& metrics, const CString& title, const std::vector<CStringArray>& rows, int column) {
    int width = metrics.horizontalAdvance(TBQ(title));
    for (const CStringArray& row : rows)
        if (column < row.GetSize()) width = std::max(width, metrics.horizontalAdvance(TBQ(row[column])));
    return width + 16;
}

}  // namespace

BEGIN_MESSAGE_MAP(CTextImportDlg, CTBDialog)
ON_BN_CLICKED(IDC_IMPORT_SEMICOLON, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_TAB, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_COMMA, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_SPACE, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_OTHER, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_MERGE, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_POINT, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_DECIMAL_COMMA, OnChoiceChanged)
ON_BN_CLICKED(IDC_IMPORT_DECIMAL_OTHER, OnChoiceChanged)
ON_EN_CHANGE(IDC_IMPORT_OTHER_TEXT, OnChoiceChanged)
ON_EN_CHANGE(IDC_IMPORT_DECIMAL_TEXT, OnChoiceChanged)
ON_EN_CHANGE(IDC_IMPORT_START_LINE, OnChoiceChanged)
END_MESSAGE_MAP()

CTextImportDlg::CTextImportDlg(const CString& fileName, CWnd* parent)
    : CTextImportDlg(*new CTextImportRules(fileName), parent) {
    m_own.reset(&m_rules);
}

CTextImportDlg::CTextImportDlg(CTextImportRules& rules, CWnd* parent)
    : CTBDialog(IDD_TEXT_IMPORT, parent), m_rules(rules) {
    // The previews take the room the window gains; the choices keep their place.
    SetControlInfo(IDC_IMPORT_ORIGINAL, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP);
    SetControlInfo(IDC_IMPORT_INTERPRETED, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP | TB_ANCHOR_BOTTOM);
    SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    SetControlInfo(IDCANCEL, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
}

CTextImportDlg::~CTextImportDlg() = default;

INT_PTR CTextImportDlg::DoModal() {
    // A binary file is not offered for import: the dialog is cancelled before it shows.
    if (!m_rules.CheckFileIsText()) return IDCANCEL;
    CString probe;
    if (!m_rules.BuildOriginalText(probe)) {
        TBMessageBox(m_pParentWnd, TBFormatMessage(kNoSuchFileMessage, {m_rules.GetFileName()}), nullptr,
                     MB_OK | MB_ICONERROR);
        return IDCANCEL;
    }
    return CTBDialog::DoModal();
}

BOOL CTextImportDlg::OnInitDialog() {
    CTBDialog::OnInitDialog();
    m_interpreted.SubclassDlgItem(IDC_IMPORT_INTERPRETED, this);
    ShowRules();
    RebuildPreviews();
    return TRUE;
}

void CTextImportDlg::ShowRules() {
    m_showing = true;
    for (const SeparatorBox& box : kSeparatorBoxes) SetChecked(*this, box.id, m_rules.*box.flag);
    SetDlgItemText(IDC_IMPORT_OTHER_TEXT, m_rules.OtherSeparators);
    SetChecked(*this, IDC_IMPORT_MERGE, m_rules.MergeSeparators);
    for (int i = 0; i < 3; ++i) SetChecked(*this, kDecimalRadios[i], m_rules.DecimalIndex == i);
    SetDlgItemText(IDC_IMPORT_DECIMAL_TEXT, m_rules.OtherDecimal);
    CString start;
    start.Format("%i", m_rules.StartLine);
    SetDlgItemText(IDC_IMPORT_START_LINE, start);
    m_showing = false;
    UpdateEnabledEdits();
}

void CTextImportDlg::ReadControls() {
    for (const SeparatorBox& box : kSeparatorBoxes) m_rules.*box.flag = IsChecked(*this, box.id);
    GetDlgItemText(IDC_IMPORT_OTHER_TEXT, m_rules.OtherSeparators);
    m_rules.MergeSeparators = IsChecked(*this, IDC_IMPORT_MERGE);
    for (int i = 0; i < 3; ++i)
        if (IsChecked(*this, kDecimalRadios[i])) m_rules.DecimalIndex = i;
    GetDlgItemText(IDC_IMPORT_DECIMAL_TEXT, m_rules.OtherDecimal);
    CString start;
    GetDlgItemText(IDC_IMPORT_START_LINE, start);
    // The edit takes digits only; an empty or zero entry means the first line.
    m_rules.StartLine = std::max(1, std::atoi(start.GetString()));
}

void CTextImportDlg::UpdateEnabledEdits() {
    EnableItem(*this, IDC_IMPORT_OTHER_TEXT, m_rules.IsOtherSeparatorEditEnabled());
    EnableItem(*this, IDC_IMPORT_DECIMAL_TEXT, m_rules.IsOtherDecimalEditEnabled());
}

void CTextImportDlg::OnChoiceChanged() {
    if (m_showing) return;
    ReadControls();
    UpdateEnabledEdits();
    RebuildPreviews();
}

void CTextImportDlg::RebuildPreviews() {
    CString original;
    m_rules.BuildOriginalText(original);
    auto* edit = static_cast<CEdit*>(GetDlgItem(IDC_IMPORT_ORIGINAL));
    edit->SetWindowText(original);
    // The start line comes to the top of the window: the caret goes to the end first,
    // then back up to the start line.
    const int first = m_rules.StartLine < 20 ? 1 : m_rules.StartLine - 20;
    const int end = edit->GetWindowTextLength();
    edit->SetSel(end, end);
    edit->SendMessage(EM_SCROLLCARET);
    const int at = edit->LineIndex(m_rules.StartLine - first);
    edit->SetSel(at, at);
    edit->SendMessage(EM_SCROLLCARET);

    CStringArray titles;
    std::vector<CStringArray> rows;
    m_rules.BuildInterpretedText(titles, rows, kPreviewRows);
    m_interpreted.SendMessage(WM_SETREDRAW, FALSE);
    m_interpreted.DeleteAllItems();
    while (m_interpreted.GetColumnCount() > 0) m_interpreted.DeleteColumn(0);
    const QFontMetrics metrics(m_interpreted.GetWidget()->font());
    for (int c = 0; c < titles.GetSize(); ++c)
        m_interpreted.InsertColumn(c, titles[c], LVCFMT_RIGHT, ColumnWidth(metrics, titles[c], rows, c));
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int row = m_interpreted.InsertItem(static_cast<int>(r), rows[r].GetSize() > 0 ? rows[r][0] : CString());
        for (int c = 1; c < rows[r].GetSize(); ++c) m_interpreted.SetItemText(row, c, rows[r][c]);
    }
    m_interpreted.SendMessage(WM_SETREDRAW, TRUE);
}

void CTextImportDlg::OnOK() {
    ReadControls();
    // Without any separator the file cannot be split: the dialog stays open.
    if (!m_rules.OnOK()) {
        GotoDlgCtrl(GetDlgItem(IDC_IMPORT_SEMICOLON));
        return;
    }
    EndDialog(IDOK);
}
