/// \file
/// \brief The window of the recorder files dialog ("TEK Oscilloscope Files"): the chosen recorder files in an editable grid, where the user names each file's channel and gives its unit.
// The window of the recorder files dialog ("TEK Oscilloscope Files"): the chosen
// recorder files in an editable grid, where the user names each file's channel and
// gives its unit, with the common time base the files are read on.
#pragma once

#include <toolbox/exchange/recorder_files.h>
#include <toolbox/ui/edit_list_ctrl.h>
#include <toolbox/ui/editors.h>
#include <toolbox/ui/tb_dialog.h>

#include <memory>

/// "TEK Oscilloscope Files": recorder files with the channel name and unit the user
/// gives each, and the common time base they are read on.
class TB_EXPORT CRecorderFilesDlg : public CTBDialog {
public:
    /// firstFile is listed at once; channelLimit: the most channels, time included
    /// (-1: no limit).
    CRecorderFilesDlg(const CString& firstFile, int channelLimit, CWnd* parent = nullptr);
    /// A dialog that shows and changes rules (kept by the caller, already initialised).
    explicit CRecorderFilesDlg(CRecorderFilesRules& rules, CWnd* parent = nullptr);
    ~CRecorderFilesDlg() override;
    /// The rules the dialog shows and changes.
    CRecorderFilesRules& GetRules() { return m_rules; }
    /// The grid of files (name, channel, unit, samples, spacing).
    CTBEditListCtrl& GetList() { return m_list; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    /// NEW: asks for a recorder file and adds it.
    void OnNew();
    /// DELETE: removes the selected file.
    void OnDelete();
    /// DELETE ALL: removes every file.
    void OnDeleteAll();
    /// A channel name or unit was edited in the grid: stored in the rules.
    LRESULT OnCellWritten(WPARAM wParam, LPARAM lParam);
    /// A row was selected: it becomes the rules' selected file.
    LRESULT OnRowSelected(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void FillList();
    void FitColumns();
    void ShowTimeBase();
    void UpdateButtons();
    void TakeEditedCells();
    std::unique_ptr<CRecorderFilesRules> m_own;
    CRecorderFilesRules& m_rules;
    CTBEditListCtrl m_list;
    CTBBitmapButton m_new, m_delete, m_deleteAll;
};
