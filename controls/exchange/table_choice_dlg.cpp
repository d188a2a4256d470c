// The "Table Properties" dialog (template 4306) over CTableChoiceRules: the tables in
// a drop-down list, the first selected; OK keeps the selected entry's index.
#include <toolbox/ui/exchange_dialogs.h>

#include "controls/exchange/exchange_ids.h"

using namespace tb_exchange_ui;

CTableChoiceDlg::CTableChoiceDlg(const CStringArray& names, CWnd* parent)
    : CTableChoiceDlg(*new CTableChoiceRules(names), parent) {
    m_own.reset(&m_rules);
}

CTableChoiceDlg::CTableChoiceDlg(CTableChoiceRules& rules, CWnd* parent)
    : CTBDialog(IDD_TB_TABLE_CHOICE, parent), m_rules(rules) {
    RegisterLayout();
}

CTableChoiceDlg::~CTableChoiceDlg() = default;

void CTableChoiceDlg::RegisterLayout() {
    SetControlInfo(IDC_TABLE_LABEL, 15);
    SetControlInfo(IDC_TABLE_NAME, 35);
    SetControlInfo(IDOK, 24);
    SetControlInfo(IDCANCEL, 24);
}

BOOL CTableChoiceDlg::OnInitDialog() {
    CTBDialog::OnInitDialog();
    auto* list = static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME));
    list->ResetContent();
    const CStringArray& names = m_rules.GetNames();
    for (int i = 0; i < names.GetSize(); ++i) list->AddString(names[i]);
    list->SetCurSel(names.GetSize() > 0 ? 0 : -1);
    return TRUE;
}

void CTableChoiceDlg::OnOK() {
    m_rules.SetSelected(static_cast<CComboBox*>(GetDlgItem(IDC_TABLE_NAME))->GetCurSel());
    EndDialog(IDOK);
}
