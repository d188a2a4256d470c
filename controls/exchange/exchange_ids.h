// Control ids of the exchange dialogs' templates (4305 to 4308).
#pragma once

#include <toolbox/ui/wnd.h>

namespace tb_exchange_ui {

// Import (4305)
constexpr UINT IDC_IMPORT_SEMICOLON = 4060;
constexpr UINT IDC_IMPORT_TAB = 4061;
constexpr UINT IDC_IMPORT_COMMA = 4062;
constexpr UINT IDC_IMPORT_SPACE = 4063;
constexpr UINT IDC_IMPORT_OTHER = 4064;
constexpr UINT IDC_IMPORT_OTHER_TEXT = 4065;
constexpr UINT IDC_IMPORT_MERGE = 4066;
constexpr UINT IDC_IMPORT_DECIMAL_GROUP = 4067;
constexpr UINT IDC_IMPORT_POINT = 4068;
constexpr UINT IDC_IMPORT_DECIMAL_COMMA = 4069;
constexpr UINT IDC_IMPORT_DECIMAL_OTHER = 4070;
constexpr UINT IDC_IMPORT_DECIMAL_TEXT = 4071;
constexpr UINT IDC_IMPORT_START_LINE = 4072;
constexpr UINT IDC_IMPORT_ORIGINAL = 4073;
constexpr UINT IDC_IMPORT_INTERPRETED = 4074;
// Table Properties (4306)
constexpr UINT IDC_TABLE_NAME = 4020;
constexpr UINT IDC_TABLE_LABEL = 4021;
// Export (4307)
constexpr UINT IDC_SEP_SEMICOLON = 4030;
constexpr UINT IDC_SEP_TAB = 4031;
constexpr UINT IDC_SEP_COMMA = 4032;
constexpr UINT IDC_SEP_SPACE = 4033;
constexpr UINT IDC_DECIMAL_POINT = 4034;
constexpr UINT IDC_DECIMAL_COMMA = 4035;
constexpr UINT IDC_DECIMAL_GROUP = 4036;
// TEK Oscilloscope Files (4308)
constexpr UINT IDC_RECORDER_NEW = 4080;
constexpr UINT IDC_RECORDER_DELETE = 4081;
constexpr UINT IDC_RECORDER_DELETEALL = 4082;
constexpr UINT IDC_RECORDER_FILES = 4083;
constexpr UINT IDC_RECORDER_POINTS = 4084;
constexpr UINT IDC_RECORDER_SPACING = 4085;
constexpr UINT IDC_RECORDER_POINTS_LABEL = 4086;
constexpr UINT IDC_RECORDER_SPACING_LABEL = 4087;

/// Check boxes and radio buttons read and set through their messages.
inline bool IsChecked(const CWnd& dialog, UINT id) {
    CWnd* button = dialog.GetDlgItem(id);
    return button && button->SendMessage(BM_GETCHECK) == BST_CHECKED;
}
inline void SetChecked(const CWnd& dialog, UINT id, bool checked) {
    if (CWnd* button = dialog.GetDlgItem(id)) button->SendMessage(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
}
inline void EnableItem(const CWnd& dialog, UINT id, bool enable) {
    if (CWnd* control = dialog.GetDlgItem(id)) control->EnableWindow(enable ? TRUE : FALSE);
}

}  // namespace tb_exchange_ui
