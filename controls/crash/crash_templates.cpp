// The crash report dialogs' templates: the report dialog (4302) that asks whether to
// send the report, and the details dialog (4303) that shows what the report holds.
#include <toolbox/ui/dialog.h>

#include "controls/window/family_windows.h"
#include "controls/window/template_styles.h"

namespace {

using namespace tb_template_styles;

// Control ids the dialogs' code reaches its controls by.
constexpr UINT IDC_CRASH_ICON = 4058;
constexpr UINT IDC_CRASH_PROBLEM = 4050;
constexpr UINT IDC_CRASH_REQUEST = 4051;
constexpr UINT IDC_CRASH_ADDRESS = 4052;
constexpr UINT IDC_CRASH_DESCRIPTION = 4053;
constexpr UINT IDC_CRASH_DETAILS_TEXT = 4054;
constexpr UINT IDC_CRASH_DETAILS_LINK = 4055;
constexpr UINT IDC_CRASH_FILES = 4060;
constexpr UINT IDC_CRASH_FILE_NAME = 4061;
constexpr UINT IDC_CRASH_FILE_DESCRIPTION = 4062;
constexpr UINT IDC_CRASH_FILE_BYTES = 4063;

const CDialogTemplate kCrashTemplates[] = {
    {4302,
     "Crash Report",
     kModal,
     330,
     252,
     "MS Shell Dlg",
     8,
     {{"STATIC", IDC_CRASH_ICON, "", kChild | SS_ICON, 7, 7, 21, 20},
      {"STATIC", IDC_CRASH_PROBLEM, "", kText, 36, 7, 287, 38},
      {"STATIC", kStatic, "", kChild | SS_ETCHEDHORZ, 0, 49, 330, 1},
      {"STATIC", IDC_CRASH_REQUEST, "", kText, 7, 55, 316, 42},
      {"STATIC", kStatic, "Your EMail Address (optional):", kLabel, 7, 101, 316, 8},
      {"EDIT", IDC_CRASH_ADDRESS, "", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 111, 316, 12},
      {"STATIC", kStatic, "Describe what you were doing when the error occurred (optional):", kLabel, 7, 129, 316, 8},
      {"EDIT", IDC_CRASH_DESCRIPTION, "",
       kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 7, 139, 316, 62},
      {"STATIC", IDC_CRASH_DETAILS_TEXT, "To see what data this error report contains,", kText, 7, 209, 160, 8},
      {"STATIC", IDC_CRASH_DETAILS_LINK, "click here.", kText | SS_NOTIFY, 167, 209, 50, 8},
      {"STATIC", kStatic, "", kChild | SS_ETCHEDHORZ, 0, 224, 330, 1},
      {"BUTTON", IDOK, "&Send Error Report", kDefPush, 163, 231, 84, 14},
      {"BUTTON", IDCANCEL, "&Don't Send", kPush, 251, 231, 72, 14}}},
    {4303,
     "Crash Report",
     kModal,
     330,
     252,
     "MS Shell Dlg",
     8,
     {{"STATIC", IDC_CRASH_ICON, "", kChild | SS_ICON, 7, 7, 21, 20},
      {"STATIC", kStatic, "This error report contains the following files. Select a file to see its contents.",
       kLabel, 36, 12, 287, 16},
      {"SysListView32", IDC_CRASH_FILES, "",
       kChild | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 7, 32, 316, 78},
      {"STATIC", kStatic, "Name:", kLabel, 7, 116, 44, 8},
      {"STATIC", IDC_CRASH_FILE_NAME, "", kText, 54, 116, 269, 8},
      {"STATIC", kStatic, "Description:", kLabel, 7, 128, 44, 8},
      {"STATIC", IDC_CRASH_FILE_DESCRIPTION, "", kText, 54, 128, 269, 8},
      {"EDIT", IDC_CRASH_FILE_BYTES, "",
       kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, 7,
       142, 316, 82},
      {"BUTTON", IDOK, "OK", kDefPush, 273, 231, 50, 14}}},
};

const CFamilyDialogTemplates kRegistration(kCrashTemplates, sizeof kCrashTemplates / sizeof kCrashTemplates[0]);

}  // namespace
