// The Export dialog (template 4307) over CExportSeparatorRules: separator radios, and
// decimal radios that only text mode enables; OK stays disabled while a choice is
// missing.
#include <toolbox/ui/exchange_dialogs.h>

#include "controls/exchange/exchange_ids.h"

using namespace tb_exchange_ui;

namespace {
const UINT kSeparatorRadios[] = {IDC_SEP_SEMICOLON, IDC_SEP_TAB, IDC_SEP_COMMA, IDC_SEP_SPACE};
const UINT kDecimalRadios[] = {IDC_DECIMAL_POINT, IDC_DECIMAL_COMMA};

/// Index of the checked radio of a group, -1 when none is.
template <std::size_t N>
int CheckedIndex(const CWnd& dialog, const UINT (&ids)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (IsChecked(dialog, ids[i])) return static_cast<int>(i);
    return -1;
}
}  // namespace

BEGIN_MESSAGE_MAP(CExportSeparatorDlg, CTBDialog)
ON_BN_CLICKED(IDC_SEP_SEMICOLON, OnSeparatorClicked)
ON_BN_CLICKED(IDC_SEP_TAB, OnSeparatorClicked)
ON_BN_CLICKED(IDC_SEP_COMMA, OnSeparatorClicked)
ON_BN_CLICKED(IDC_SEP_SPACE, OnSeparatorClicked)
END_MESSAGE_MAP()

CExportSeparatorDlg::CExportSeparatorDlg(int textMode, CWnd* parent)
    : CExportSeparatorDlg(*new CExportSeparatorRules(textMode), parent) {
    m_own.reset(&m_rules);
}

CExportSeparatorDlg::CExportSeparatorDlg(CExportSeparatorRules& rules, CWnd* parent)
    : CTBDialog(IDD_EXPORT_SEPARATOR, parent), m_rules(rules) {}

CExportSeparatorDlg::~CExportSeparatorDlg() = default;

BOOL CExportSeparatorDlg::OnInitDialog() {
    CTBDialog::OnInitDialog();
    for (int i = 0; i < 4; ++i) SetChecked(*this, kSeparatorRadios[i], m_rules.SeparatorIndex == i);
    for (int i = 0; i < 2; ++i) SetChecked(*this, kDecimalRadios[i], m_rules.DecimalIndex == i);
    const bool decimals = m_rules.IsDecimalGroupEnabled();
    for (UINT id : {IDC_DECIMAL_GROUP, IDC_DECIMAL_POINT, IDC_DECIMAL_COMMA}) EnableItem(*this, id, decimals);
    EnableItem(*this, IDOK, m_rules.IsOkEnabled());
    return TRUE;
}

void CExportSeparatorDlg::ReadControls() {
    m_rules.SeparatorIndex = CheckedIndex(*this, kSeparatorRadios);
    m_rules.DecimalIndex = CheckedIndex(*this, kDecimalRadios);
}

void CExportSeparatorDlg::OnSeparatorClicked() {
    ReadControls();
    EnableItem(*this, IDOK, true);
}

void CExportSeparatorDlg::OnOK() {
    ReadControls();
    if (!m_rules.OnOK()) {
        EnableItem(*this, IDOK, false);
        return;
    }
    EndDialog(IDOK);
}
