// The grid's in-place editors: one of each kind, made at first use and reused for
// every cell, and how each kind opens over a cell.
#pragma once

#include "controls/grid/edit_types.h"

#include <memory>

class CTBColorPopup;
class CTBPhysQuantComboBox;
class CTBUnitComboBox;

/// What an editor opens with.
struct TBEditorStart {
    CWnd* grid;                ///< the editor's parent
    const TB_SITEMDEF& def;    ///< the cell's definition (list entries, additional pointer)
    const TBEditTypeInfo& info;
    CString text;              ///< the editor's starting text
    CRect rect;                ///< the cell, grid client coordinates
    int columnFormat;          ///< the column's LVCFMT_ alignment
    COLORREF colour;           ///< the colour of a colour cell
};

class CTBEditListEditors {
public:
    CTBEditListEditors();
    ~CTBEditListEditors();
    /// Opens the editor of kind over the cell; its window, null when none opened.
    CWnd* Open(TBCellEditor kind, const TBEditorStart& start);
    /// The text field of an open editor (the browse box's edit, else the editor).
    CWnd* TextField(CWnd* editor) const;
    /// Selects the whole text of an open edit (other editors keep their selection).
    void SelectAll(CWnd* editor) const;
    bool IsColourPopup(const CWnd* editor) const;
    /// Destroys the colour popup's window unless it is the open editor.
    void DropColourPopup(const CWnd* openEditor);

private:
    std::unique_ptr<CTBOwnEdit> m_edit;
    std::unique_ptr<CTBOwnComboBox> m_combo;
    std::unique_ptr<CTBOwnBrowseBox> m_browse;
    std::unique_ptr<CTBColorPopup> m_colour;
    std::unique_ptr<CTBUnitComboBox> m_units;
    std::unique_ptr<CTBPhysQuantComboBox> m_quantities;
};
