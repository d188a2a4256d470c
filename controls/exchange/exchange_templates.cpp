// The exchange dialogs' templates: Import (4305), Table Properties (4306), Export
// (4307) and the recorder files (4308), registered with the window layer.
#include <toolbox/ui/dialog.h>

#include "controls/exchange/exchange_ids.h"
#include "controls/window/family_windows.h"
#include "controls/window/template_styles.h"

namespace {

using namespace tb_exchange_ui;
using namespace tb_template_styles;

const CDialogTemplate kExchangeTemplates[] = {
    {4305,
     "Import",
     kSizable,
     320,
     232,
     "MS Shell Dlg",
     8,
     {{"BUTTON", kStatic, "Seperator", kGroup, 7, 7, 150, 56},
      {"BUTTON", IDC_IMPORT_SEMICOLON, "&Semicolon", kCheck | WS_GROUP, 14, 19, 60, 10},
      {"BUTTON", IDC_IMPORT_TAB, "&Tab", kCheck, 14, 31, 60, 10},
      {"BUTTON", IDC_IMPORT_COMMA, "Co&mma", kCheck, 14, 43, 60, 10},
      {"BUTTON", IDC_IMPORT_SPACE, "S&pace", kCheck, 80, 19, 60, 10},
      {"BUTTON", IDC_IMPORT_OTHER, "Ot&her", kCheck, 80, 31, 38, 10},
      {"EDIT", IDC_IMPORT_OTHER_TEXT, "", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 120, 30, 30, 12},
      {"BUTTON", IDC_IMPORT_DECIMAL_GROUP, "Decimal Symbol", kGroup | WS_GROUP, 163, 7, 150, 56},
      {"BUTTON", IDC_IMPORT_POINT, "Point", kRadio | WS_GROUP | WS_TABSTOP, 170, 19, 60, 10},
      {"BUTTON", IDC_IMPORT_DECIMAL_COMMA, "Comma", kRadio, 170, 31, 60, 10},
      {"BUTTON", IDC_IMPORT_DECIMAL_OTHER, "Other", kRadio, 170, 43, 38, 10},
      {"EDIT", IDC_IMPORT_DECIMAL_TEXT, "", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL | WS_GROUP, 210, 42, 30,
       12},
      {"BUTTON", IDC_IMPORT_MERGE, "Handle a se&quence of separators like one character.", kCheck, 7, 68, 240, 10},
      {"STATIC", kStatic, "Begin import at line", kLabel, 7, 85, 80, 8},
      {"EDIT", IDC_IMPORT_START_LINE, "", kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER, 90, 83, 40, 12},
      {"STATIC", kStatic, "Original Text", kLabel, 7, 102, 120, 8},
      {"EDIT", IDC_IMPORT_ORIGINAL, "",
       kChild | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, 7, 112, 306, 44},
      {"STATIC", kStatic, "Interpreted Text", kLabel, 7, 160, 120, 8},
      {"SysListView32", IDC_IMPORT_INTERPRETED, "", kChild | WS_BORDER | LVS_REPORT, 7, 170, 306, 36},
      {"BUTTON", IDOK, "&OK", kDefPush | WS_GROUP, 209, 211, 50, 14},
      {"BUTTON", IDCANCEL, "&Cancel", kPush, 263, 211, 50, 14}}},
    {4306,
     "Table Properties",
     kSizable,
     186,
     62,
     "MS Shell Dlg",
     8,
     {{"STATIC", IDC_TABLE_LABEL, "Table Name", kLabel, 7, 9, 60, 8},
      {"COMBOBOX", IDC_TABLE_NAME, "", kChild | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 70, 7, 109, 100},
      {"BUTTON", IDOK, "&OK", kDefPush, 75, 41, 50, 14},
      {"BUTTON", IDCANCEL, "&Cancel", kPush, 129, 41, 50, 14}}},
    {4307,
     "Export",
     kModal,
     186,
     98,
     "MS Shell Dlg",
     8,
     {{"BUTTON", kStatic, "Seperator", kGroup, 7, 7, 80, 66},
      {"BUTTON", IDC_SEP_SEMICOLON, "Semicolon", kRadio | WS_GROUP | WS_TABSTOP, 14, 19, 66, 10},
      {"BUTTON", IDC_SEP_TAB, "Tab", kRadio, 14, 31, 66, 10},
      {"BUTTON", IDC_SEP_COMMA, "Comma", kRadio, 14, 43, 66, 10},
      {"BUTTON", IDC_SEP_SPACE, "Space", kRadio, 14, 55, 66, 10},
      {"BUTTON", IDC_DECIMAL_GROUP, "Decimal Symbol", kGroup | WS_GROUP, 95, 7, 84, 42},
      {"BUTTON", IDC_DECIMAL_POINT, "Point", kRadio | WS_GROUP | WS_TABSTOP, 102, 19, 70, 10},
      {"BUTTON", IDC_DECIMAL_COMMA, "Comma", kRadio, 102, 31, 70, 10},
      {"BUTTON", IDOK, "&OK", kDefPush | WS_GROUP, 75, 78, 50, 14},
      {"BUTTON", IDCANCEL, "&Cancel", kPush, 129, 78, 50, 14}}},
    {4308,
     "TEK Oscilloscope Files",
     kSizable,
     300,
     170,
     "MS Shell Dlg",
     8,
     {{"BUTTON", IDC_RECORDER_NEW, "NEW", kChild | WS_TABSTOP | BS_OWNERDRAW, 7, 7, 16, 15},
      {"BUTTON", IDC_RECORDER_DELETE, "DELETE", kChild | WS_TABSTOP | BS_OWNERDRAW, 26, 7, 16, 15},
      {"BUTTON", IDC_RECORDER_DELETEALL, "DELETEALL", kChild | WS_TABSTOP | BS_OWNERDRAW, 45, 7, 16, 15},
      {"SysListView32", IDC_RECORDER_FILES, "", kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT, 7, 26, 286, 94},
      {"STATIC", IDC_RECORDER_POINTS_LABEL, "Number of Data Points", kLabel, 7, 128, 90, 8},
      {"EDIT", IDC_RECORDER_POINTS, "", kChild | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 100, 126, 70, 12},
      {"STATIC", IDC_RECORDER_SPACING_LABEL, "Time spacing of data", kLabel, 7, 144, 90, 8},
      {"EDIT", IDC_RECORDER_SPACING, "", kChild | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL, 100, 142, 70, 12},
      {"BUTTON", IDOK, "OK", kDefPush, 189, 149, 50, 14},
      {"BUTTON", IDCANCEL, "Cancel", kPush, 243, 149, 50, 14}}},
};

const CFamilyDialogTemplates kRegistration(kExchangeTemplates, sizeof kExchangeTemplates / sizeof kExchangeTemplates[0]);

}  // namespace
