// What each edit type of the grid means, in one table: the editor a cell opens, how it
// is drawn, how a committed text is checked, what its text holds and what a click does.
// The grid's code asks this table and never names a type itself, so a new type is a
// value of TB_EnumEditTypes and one row in edit_types.cpp.
#pragma once

#include <toolbox/ui/edit_list_ctrl.h>

/// The in-place editor that opens on a cell.
enum class TBCellEditor {
    None,        ///< nothing opens
    TellParent,  ///< nothing opens; the parent hears TBWM_LIST_BUTTON
    Edit,        ///< single-line edit (CTBOwnEdit)
    DropList,    ///< drop-down list of the cell's choices
    DropCombo,   ///< drop-down combo: free text or a choice
    Units,       ///< unit selector of the quantity named by the list entries
    Quantities,  ///< quantity selector
    Browse,      ///< browse box (edit and "..." button)
    Colour       ///< colour popup below the cell
};

/// How a cell is drawn.
enum class TBCellLook {
    Text,          ///< the text, with an ellipsis where it is cut
    DropButton,    ///< the text and a drop-down button at the right
    BrowseButton,  ///< the text and a "..." button at the right
    Check,         ///< a centred check box
    Radio,         ///< a centred radio button
    Swatch,        ///< a swatch of the stored colour
    PushButton,    ///< a push button captioned with the text
    ImageCentred,  ///< the image whose index is the text, centred
    ImageLeft      ///< the image whose index is the text, at the left edge
};

/// How the committed text of an editor is checked.
enum class TBCellCheck {
    Parent,   ///< the parent is asked (TBWM_LIST_VALIDATE)
    Integer,  ///< a whole integer
    Real,     ///< a whole real number with an optional prefix or exponent
    Index,    ///< a whole integer, which becomes the index inside the text's last brackets
    ByEditor  ///< nothing to check: the editor writes the cell itself (the colour popup)
};

/// What a cell's text holds.
enum class TBCellValue {
    Text,       ///< any text
    Index,      ///< "name[i]"; the editor shows and takes i alone
    RowNumber,  ///< the row number, renumbered on deletion, staying put on sorts and moves
    Checked,    ///< "1" or "0"
    Colour,     ///< a COLORREF as "%.8u"
    Image       ///< an image index of the CImageList in the additional pointer
};

/// What a button-down on the cell does besides making it current.
enum class TBCellClick {
    Select,  ///< nothing more
    Toggle,  ///< flips "0" and "1" (in every selected row of the same type)
    Set      ///< sets "1" (in every selected row of the same type)
};

/// Flags of an edit type.
enum : unsigned {
    kTypeEditable = 1u << 0,      ///< F2 stops on the first such cell of a row
    kTypeFixed = 1u << 1,         ///< filled with the face colour while the grid colours fixed cells
    kTypeUnitNotation = 1u << 2,  ///< the text is drawn and measured as unit notation
    kTypeInactive = 1u << 3,      ///< the glyph has the inactive look
    kTypeReadOnlyField = 1u << 4  ///< the browse box's text field is read-only
};

/// The descriptor of one edit type.
struct TBEditTypeInfo {
    TB_EnumEditTypes type;
    const char* name;  ///< what the type is, for people ("drop-down list")
    TBCellEditor editor;
    TBCellLook look;
    TBCellCheck check;
    TBCellValue value;
    TBCellClick click;
    unsigned flags;

    bool Has(unsigned flag) const { return (flags & flag) != 0; }
    /// Whether an editor window opens on the cell (the walk between cells stops only there).
    bool OpensEditor() const { return editor != TBCellEditor::None && editor != TBCellEditor::TellParent; }
    /// Whether the cell is drawn with a button at its right edge; its editor then takes
    /// the click that opened it, so that a click on the drawn button presses the real one.
    bool HasCellButton() const { return look == TBCellLook::DropButton || look == TBCellLook::BrowseButton; }
    /// Whether a click is taken only inside the centred glyph.
    bool ClicksOnGlyph() const { return click != TBCellClick::Select; }
};

/// The descriptor of type; a value outside the enumeration gets that of TB_EDIT_NONE.
const TBEditTypeInfo& TBEditTypeOf(TB_EnumEditTypes type);
/// The descriptor of a cell's definition; a cell without one is TB_EDIT_NONE's.
inline const TBEditTypeInfo& TBEditTypeOf(const TB_SITEMDEF* def) {
    return TBEditTypeOf(def ? def->type : TB_EDIT_NONE);
}
/// Number of edit types (the rows of the table).
int TBEditTypeCount();

/// The text an editor opens with for a cell holding text ("pin[3]" gives "3" for an index cell).
CString TBEditorTextOf(const TBEditTypeInfo& info, const CString& cellText);
/// The cell text for an editor's text, cellBefore the cell's text when the editor opened
/// (an index cell keeps its name and takes the typed index in its brackets).
CString TBCellTextOf(const TBEditTypeInfo& info, const CString& cellBefore, const CString& editorText);
