/// \file
/// \brief The windows of the data exchange dialogs: Import (delimited text), Export (separator and decimal symbol).
// The windows of the data exchange dialogs: Import (delimited text), Export
// (separator and decimal symbol), "Table Properties" (a table of a database or
// workbook) and "TEK Oscilloscope Files" (several recorder files on one time base).
// Each shows a rules object of toolbox-core; the window layer registers them with the
// dialog hub, so that the engine's reads and writes with dialogs show these windows.
// A host may also make them directly with the constructors that take plain values.
#pragma once

#include <toolbox/exchange/text_dialog_rules.h>
#include <toolbox/exchange/recorder_files.h>
#include <toolbox/exchange/table_choice.h>
#include <toolbox/ui/controls.h>
#include <toolbox/ui/tb_dialog.h>

#include <memory>

class QString;

/// "Import": separators, decimal symbol, first line and merging for a delimited text
/// file, with the raw lines and the parsed columns as previews that follow every change.
class TB_EXPORT CTextImportDlg : public CTBDialog {
public:
    /// A dialog with rules of its own for fileName.
    explicit CTextImportDlg(const CString& fileName, CWnd* parent = nullptr);
    /// A dialog that shows and changes rules (kept by the caller).
    explicit CTextImportDlg(CTextImportRules& rules, CWnd* parent = nullptr);
    ~CTextImportDlg() override;

    /// Ticks the separator boxes for the characters of separators (see CTextImportRules::LoadSeparators).
    void LoadSeparators(const char* separators) { m_rules.LoadSeparators(separators); }
    /// Selects the decimal choice for decimal (see CTextImportRules::LoadDecimal).
    void LoadDecimal(const char* decimal) { m_rules.LoadDecimal(decimal); }
    /// The separator characters chosen (after OK).
    CString GetChosenSeparator() const { return m_rules.GetChosenSeparator(); }
    /// The decimal symbol chosen (after OK).
    CString GetChosenDecimal() const { return m_rules.GetChosenDecimal(); }
    /// The first line to import (1-based), chosen (after OK).
    int GetChosenStartLine() const { return m_rules.GetChosenStartLine(); }
    /// 1 when a run of separators counts as one, 0 otherwise (after OK).
    int GetChosenMergeFlag() const { return m_rules.GetChosenMergeFlag(); }
    /// The rules the dialog shows and changes.
    CTextImportRules& GetRules() { return m_rules; }

    /// Cancelled at once, without a window, for a file that is not text; a file whose
    /// lines cannot be read shows string 14 and is cancelled.
    INT_PTR DoModal() override;
    /// Rows the "Interpreted Text" preview shows at most.
    static constexpr int kPreviewRows = 60;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    /// A box, option or edit changed: the enabled edits and both previews follow.
    void OnChoiceChanged();
    DECLARE_MESSAGE_MAP()

private:
    void ShowRules();
    void ReadControls();
    void UpdateEnabledEdits();
    void RebuildPreviews();
    std::unique_ptr<CTextImportRules> m_own;
    CTextImportRules& m_rules;
    CListCtrl m_interpreted;
    bool m_showing = false;  // controls being filled: their change reports are not the user's
};

/// "Export": the separator and, in text mode, the decimal symbol a file is written
/// with. In characteristic mode the decimal group is disabled.
class TB_EXPORT CExportSeparatorDlg : public CTBDialog {
public:
    /// textMode 1: text file; 0: characteristic file.
    explicit CExportSeparatorDlg(int textMode, CWnd* parent = nullptr);
    /// A dialog that shows and changes rules (kept by the caller).
    explicit CExportSeparatorDlg(CExportSeparatorRules& rules, CWnd* parent = nullptr);
    ~CExportSeparatorDlg() override;

    /// Characteristic mode: the separator character chosen (';', tab, ',' or blank).
    int GetSeparatorChar() const { return m_rules.GetSeparatorChar(); }
    /// Text mode: the separator chosen.
    CString GetSeparator() const { return m_rules.GetSeparator(); }
    /// Text mode: the decimal symbol chosen ("." or ",").
    CString GetDecimal() const { return m_rules.GetDecimal(); }
    /// The rules the dialog shows and changes.
    CExportSeparatorRules& GetRules() { return m_rules; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    /// A separator or decimal option changed: OK is enabled only with a choice.
    void OnSeparatorClicked();
    DECLARE_MESSAGE_MAP()

private:
    void ReadControls();
    std::unique_ptr<CExportSeparatorRules> m_own;
    CExportSeparatorRules& m_rules;
};

/// "Table Properties": one table of a database or workbook from a drop-down list.
class TB_EXPORT CTableChoiceDlg : public CTBDialog {
public:
    /// A dialog listing names (the tables of a file), the first one selected.
    explicit CTableChoiceDlg(const CStringArray& names, CWnd* parent = nullptr);
    /// A dialog that shows and changes rules (kept by the caller).
    explicit CTableChoiceDlg(CTableChoiceRules& rules, CWnd* parent = nullptr);
    ~CTableChoiceDlg() override;
    /// Index of the table chosen (after OK), -1 when the list is empty.
    int GetSelected() const { return m_rules.GetSelected(); }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void RegisterLayout();
    std::unique_ptr<CTableChoiceRules> m_own;
    CTableChoiceRules& m_rules;
};

/// Makes the four dialogs the windows of their rules (the window layer does this when
/// it starts).
TB_EXPORT void TBRegisterExchangeWindows();
