/// \file
/// \brief The rules of the table dialog ("Table Properties"): the user picks one table of a database or workbook from a drop-down list.
// The rules of the table dialog ("Table Properties"): the user picks one table of a
// database or workbook from a drop-down list. The window comes from the window layer;
// the engine asks for it through the dialog hub.
#pragma once

#include <toolbox/os/dialog_hub.h>
#include <toolbox/types/collections.h>

/// Resource id of the table dialog template.
constexpr UINT IDD_TB_TABLE_CHOICE = 4306;

/// The table dialog's state: the names listed and the one selected.
class TB_EXPORT CTableChoiceRules : public CModalRequest {
public:
    /// names: the tables in the order they are listed; the first starts selected.
    explicit CTableChoiceRules(const CStringArray& names) : m_selected(names.GetSize() > 0 ? 0 : -1) {
        m_names.Copy(names);
    }
    UINT GetTemplateId() const override { return IDD_TB_TABLE_CHOICE; }
    /// The caption of the dialog.
    static CString GetCaption() { return "Table Properties"; }

    /// The table names listed, in order.
    const CStringArray& GetNames() const { return m_names; }
    /// Index of the selected entry, -1 when the list is empty.
    int GetSelected() const { return m_selected; }
    /// Selects an entry; out-of-range indices are ignored.
    void SetSelected(int index) {
        if (index >= 0 && index < m_names.GetSize()) m_selected = index;
    }

private:
    CStringArray m_names;
    int m_selected;
};
