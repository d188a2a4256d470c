// The table of the grid's edit types: one row per type, in the order of its value.
#include "controls/grid/edit_types.h"

#include <toolbox/services/numbers.h>
#include <toolbox/services/system_helpers.h>

namespace {

using Editor = TBCellEditor;
using Look = TBCellLook;
using Check = TBCellCheck;
using Value = TBCellValue;
using Click = TBCellClick;
constexpr unsigned kEditable = kTypeEditable, kFixed = kTypeFixed, kNotation = kTypeUnitNotation,
                   kInactive = kTypeInactive, kReadOnly = kTypeReadOnlyField;

constexpr TBEditTypeInfo kTypes[] = {
    // type, name, editor, look, check, value, click, flags
    {TB_EDIT_NONE, "plain text", Editor::None, Look::Text, Check::Parent, Value::Text, Click::Select, kEditable | kFixed},
    {TB_EDIT_TEXT, "text", Editor::Edit, Look::Text, Check::Parent, Value::Text, Click::Select, kEditable},
    {TB_EDIT_DROPLIST, "drop-down list", Editor::DropList, Look::DropButton, Check::Parent, Value::Text, Click::Select,
     kEditable},
    {TB_EDIT_DROPCOMBO, "drop-down combo", Editor::DropCombo, Look::DropButton, Check::Parent, Value::Text,
     Click::Select, kEditable},
    {TB_EDIT_BROWSE, "browse", Editor::Browse, Look::BrowseButton, Check::Parent, Value::Text, Click::Select,
     kEditable},
    {TB_EDIT_INDEX, "index", Editor::Edit, Look::Text, Check::Index, Value::Index, Click::Select, kEditable},
    {TB_EDIT_AUTONUMBER, "row number", Editor::None, Look::Text, Check::Parent, Value::RowNumber, Click::Select, kFixed},
    {TB_EDIT_CHECK, "check box", Editor::None, Look::Check, Check::Parent, Value::Checked, Click::Toggle, 0},
    {TB_EDIT_CHECK_INACTIVE, "check box, inactive", Editor::None, Look::Check, Check::Parent, Value::Checked,
     Click::Select, kFixed | kInactive},
    {TB_EDIT_REAL, "real", Editor::Edit, Look::Text, Check::Real, Value::Text, Click::Select, kEditable},
    {TB_EDIT_INTEGER, "integer", Editor::Edit, Look::Text, Check::Integer, Value::Text, Click::Select, kEditable},
    {TB_EDIT_COLOR, "colour", Editor::Colour, Look::Swatch, Check::ByEditor, Value::Colour, Click::Select, kEditable},
    {TB_EDIT_BUTTON, "button", Editor::TellParent, Look::PushButton, Check::Parent, Value::Text, Click::Select,
     kEditable},
    {TB_EDIT_BROWSE_READONLY, "browse, read-only", Editor::Browse, Look::BrowseButton, Check::Parent, Value::Text,
     Click::Select, kEditable | kFixed | kReadOnly},
    {TB_EDIT_UNIT, "unit", Editor::Units, Look::DropButton, Check::Parent, Value::Text, Click::Select,
     kEditable | kNotation},
    {TB_EDIT_QUANTITY, "quantity", Editor::Quantities, Look::DropButton, Check::Parent, Value::Text, Click::Select,
     kEditable},
    {TB_EDIT_UNIT_TEXT, "unit text", Editor::None, Look::Text, Check::Parent, Value::Text, Click::Select,
     kFixed | kNotation},
    {TB_EDIT_IMAGE_CENTER, "image, centred", Editor::None, Look::ImageCentred, Check::Parent, Value::Image,
     Click::Select, kEditable},
    {TB_EDIT_IMAGE_LEFT, "image, left", Editor::None, Look::ImageLeft, Check::Parent, Value::Image, Click::Select,
     kEditable},
    {TB_EDIT_RADIO, "radio button", Editor::None, Look::Radio, Check::Parent, Value::Checked, Click::Set, 0},
    {TB_EDIT_RADIO_INACTIVE, "radio button, inactive", Editor::None, Look::Radio, Check::Parent, Value::Checked,
     Click::Select, kInactive},
};

constexpr int kTypeCount = static_cast<int>(sizeof kTypes / sizeof kTypes[0]);

constexpr bool RowsInValueOrder() {
    for (int i = 0; i < kTypeCount; ++i)
        if (kTypes[i].type != i) return false;
    return true;
}
static_assert(RowsInValueOrder(), "each edit type's row stands at its value");

/// The index inside the last bracket pair of text ("pin[3]" gives 3).
int IndexOfLastBracket(const CString& text) {
    const int open = text.ReverseFind('[');
    return TBGetIndexOfName(open >= 0 ? text.Mid(open) : text);
}

}  // namespace

const TBEditTypeInfo& TBEditTypeOf(TB_EnumEditTypes type) {
    const int at = static_cast<int>(type);
    return kTypes[at >= 0 && at < kTypeCount ? at : 0];
}

int TBEditTypeCount() { return kTypeCount; }

CString TBEditorTextOf(const TBEditTypeInfo& info, const CString& cellText) {
    return info.value == TBCellValue::Index ? TBExtended_itoa(IndexOfLastBracket(cellText)) : cellText;
}

CString TBCellTextOf(const TBEditTypeInfo& info, const CString& cellBefore, const CString& editorText) {
    if (info.value != TBCellValue::Index) return editorText;
    // The index inside the last bracket pair is replaced (appended when there is none).
    const int open = cellBefore.ReverseFind('[');
    return (open >= 0 ? cellBefore.Left(open) : cellBefore) + "[" + editorText + "]";
}
