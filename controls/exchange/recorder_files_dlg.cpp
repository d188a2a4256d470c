// The recorder files dialog (template 4308) over CRecorderFilesRules: NEW, DELETE and
// DELETEALL as bitmap buttons, the files in an editable grid whose name and unit
// cells are written back to the rules, and the common time base in two read-only
// fields.
#include <toolbox/ui/recorder_files_dialog.h>

#include <toolbox/services/numbers.h>

#include "controls/exchange/exchange_ids.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

using namespace tb_exchange_ui;

namespace {
constexpr UINT kFileColumnTitle = 553, kNameColumnTitle = 554, kUnitColumnTitle = 555;
constexpr UINT kNewTip = 556, kDeleteTip = 557, kDeleteAllTip = 558;
constexpr int kFileColumn = 0, kNameColumn = 1, kUnitColumn = 2;
}  // namespace

BEGIN_MESSAGE_MAP(CRecorderFilesDlg, CTBDialog)
ON_BN_CLICKED(IDC_RECORDER_NEW, OnNew)
ON_BN_CLICKED(IDC_RECORDER_DELETE, OnDelete)
ON_BN_CLICKED(IDC_RECORDER_DELETEALL, OnDeleteAll)
ON_MESSAGE(TBWM_LIST_CELL_WRITTEN, OnCellWritten)
ON_MESSAGE(TBWM_LIST_ROW_SELECTED, OnRowSelected)
END_MESSAGE_MAP()

CRecorderFilesDlg::CRecorderFilesDlg(const CString& firstFile, int channelLimit, CWnd* parent)
    : CRecorderFilesDlg(*new CRecorderFilesRules(firstFile, channelLimit), parent) {
    m_own.reset(&m_rules);
    m_rules.Initialize();
}

CRecorderFilesDlg::CRecorderFilesDlg(CRecorderFilesRules& rules, CWnd* parent)
    : CTBDialog(4308, parent), m_rules(rules) {
    // The grid takes the room the window gains; the time base stays below it.
    SetControlInfo(IDC_RECORDER_FILES, TB_ANCHOR_LEFT | TB_ANCHOR_RIGHT | TB_ANCHOR_TOP | TB_ANCHOR_BOTTOM);
    for (UINT id : {IDC_RECORDER_POINTS_LABEL, IDC_RECORDER_POINTS, IDC_RECORDER_SPACING_LABEL, IDC_RECORDER_SPACING})
        SetControlInfo(static_cast<WORD>(id), TB_ANCHOR_LEFT | TB_ANCHOR_BOTTOM);
    for (UINT id : {IDC_RECORDER_NEW, IDC_RECORDER_DELETE, IDC_RECORDER_DELETEALL})
        SetControlInfo(static_cast<WORD>(id), TB_ANCHOR_LEFT | TB_ANCHOR_TOP);
    SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    SetControlInfo(IDCANCEL, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
}

CRecorderFilesDlg::~CRecorderFilesDlg() = default;

BOOL CRecorderFilesDlg::OnInitDialog() {
    CTBDialog::OnInitDialog();
    const struct {
        CTBBitmapButton& button;
        UINT id, tip;
    } buttons[] = {{m_new, IDC_RECORDER_NEW, kNewTip},
                   {m_delete, IDC_RECORDER_DELETE, kDeleteTip},
                   {m_deleteAll, IDC_RECORDER_DELETEALL, kDeleteAllTip}};
    for (const auto& b : buttons) {
        b.button.AutoLoad(b.id, this);
        b.button.SetToolTipText(b.tip);
    }
    if (m_list.SubclassDlgItem(IDC_RECORDER_FILES, this)) m_list.CreateDialogControl();
    m_list.InitializeCtrl(0, 1);
    m_list.InsertEditColumn(kFileColumn, kFileColumnTitle);
    m_list.InsertEditColumn(kNameColumn, kNameColumnTitle);
    m_list.InsertEditColumn(kUnitColumn, kUnitColumnTitle);
    FillList();
    ShowTimeBase();
    UpdateButtons();
    return TRUE;
}

void CRecorderFilesDlg::FillList() {
    m_list.DeleteAllEditItems();
    for (int i = 0; i < m_rules.GetFileCount(); ++i) {
        m_list.InsertEditItem(i, m_rules.GetFilePath(i), TB_EDIT_NONE);
        m_list.SetEditItemText(i, kNameColumn, m_rules.GetChannelName(i), TB_EDIT_TEXT);
        m_list.SetEditItemText(i, kUnitColumn, m_rules.GetChannelUnit(i), TB_EDIT_TEXT);
    }
    FitColumns();
}

void CRecorderFilesDlg::FitColumns() {
    m_list.AutoSizeColumn();
    // The room the columns leave goes to the paths, which are long and shown elided.
    auto* area = qobject_cast<QAbstractScrollArea*>(m_list.GetWidget());
    if (!area) return;
    int used = 0;
    for (int c = 0; c < m_list.GetColumnCount(); ++c) used += m_list.GetColumnWidth(c);
    const int spare = area->maximumViewportSize().width() - area->verticalScrollBar()->sizeHint().width() - used;
    if (spare > 0) m_list.SetColumnWidth(kFileColumn, m_list.GetColumnWidth(kFileColumn) + spare);
}

void CRecorderFilesDlg::ShowTimeBase() {
    CString points;
    if (m_rules.GetFileCount() > 0) points.Format("%i", m_rules.GetCommonPoints());
    SetDlgItemText(IDC_RECORDER_POINTS, points);
    SetDlgItemText(IDC_RECORDER_SPACING,
                   m_rules.GetFileCount() > 0 ? TBExtended_ftoa(m_rules.GetCommonSpacing(), -1, 0, "") + "s"
                                              : CString());
}

void CRecorderFilesDlg::UpdateButtons() {
    m_new.EnableWindow(m_rules.CanAddFile());
    m_delete.EnableWindow(m_rules.CanDeleteFile());
    m_deleteAll.EnableWindow(m_rules.GetFileCount() > 0);
    EnableItem(*this, IDOK, m_rules.GetFileCount() > 0);
}

void CRecorderFilesDlg::TakeEditedCells() {
    if (m_list.IsEditActive()) m_list.CloseEdit(TRUE);
    for (int i = 0; i < m_rules.GetFileCount() && i < m_list.GetItemCount(); ++i) {
        m_rules.SetChannelName(i, m_list.GetItemText(i, kNameColumn));
        m_rules.SetChannelUnit(i, m_list.GetItemText(i, kUnitColumn));
    }
}

void CRecorderFilesDlg::OnNew() {
    TakeEditedCells();
    if (!m_rules.AskAndAddFile()) return;
    FillList();
    ShowTimeBase();
    UpdateButtons();
}

void CRecorderFilesDlg::OnDelete() {
    TakeEditedCells();
    if (!m_rules.DeleteSelectedFile()) return;
    FillList();
    ShowTimeBase();
    UpdateButtons();
}

void CRecorderFilesDlg::OnDeleteAll() {
    m_list.CloseEdit(FALSE);
    m_rules.DeleteAllFiles();
    FillList();
    ShowTimeBase();
    UpdateButtons();
}

LRESULT CRecorderFilesDlg::OnCellWritten(WPARAM, LPARAM lParam) {
    const int row = LOWORD(lParam), column = HIWORD(lParam);
    if (row >= m_rules.GetFileCount()) return 0;
    if (column == kNameColumn) m_rules.SetChannelName(row, m_list.GetItemText(row, column));
    if (column == kUnitColumn) m_rules.SetChannelUnit(row, m_list.GetItemText(row, column));
    return 0;
}

LRESULT CRecorderFilesDlg::OnRowSelected(WPARAM, LPARAM lParam) {
    m_rules.SelectFile(LOWORD(lParam));
    UpdateButtons();
    return 0;
}

void CRecorderFilesDlg::OnOK() {
    TakeEditedCells();
    EndDialog(IDOK);
}
