// The library's dialog templates and menus as data: each template holds its caption,
// style, size in dialog units, font and controls (class, id, text, style, rectangle in
// dialog units), as the dialogs were laid out.
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/menu.h>

#include "controls/exchange/exchange_ids.h"

#include <algorithm>

using namespace tb_exchange_ui;  // the exchange dialogs' control ids

namespace {

constexpr DWORD kModal = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT;
constexpr DWORD kSizable = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_SETFONT;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kPush = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kDefPush = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
constexpr DWORD kRadio = kChild | BS_AUTORADIOBUTTON;
constexpr DWORD kCheck = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr UINT kStatic = 0xFFFF;

// Control ids the dialogs' code reaches its controls by.
constexpr UINT IDC_PROGRESS = 4000;
// The calculator: the formula, its catalogue of categories and entries, the variables.
constexpr UINT IDC_CALC_FRAME = 4008;
constexpr UINT IDC_CALC_FORMULA = 4009;
constexpr UINT IDC_CALC_FIND = 4010;
constexpr UINT IDC_CALC_FIND_LABEL = 4011;
constexpr UINT IDC_CALC_VARIABLES = 4012;
constexpr UINT IDC_CALC_CATEGORIES = 4013;
constexpr UINT IDC_CALC_ENTRIES = 4014;
constexpr UINT IDC_CALC_TEST = 4015;
constexpr UINT IDC_PROGRESS_FILE = 4001;
constexpr UINT IDC_FOLDER_TREE = 4010;
constexpr UINT IDC_FULL_MENUS = 4040;
constexpr UINT IDC_FULL_MENUS_DELAY = 4041;
constexpr UINT IDC_LARGE_ICONS = 4042;
constexpr UINT IDC_SCREEN_TIPS = 4043;
constexpr UINT IDC_TIP_SHORTCUTS = 4044;
constexpr UINT IDC_RESET_USAGE = 4045;
constexpr UINT IDC_MENU_ANIMATIONS = 4046;

const CDialogTemplate kTemplates[] = {
    {4200,
     "Add to archive",
     kModal & ~DS_MODALFRAME,
     220,
     50,
     "MS Shell Dlg",
     8,
     {{"msctls_progress32", IDC_PROGRESS, "", kChild | WS_BORDER, 7, 7, 206, 12},
      {"STATIC", IDC_PROGRESS_FILE, "", kLabel | SS_NOPREFIX, 7, 26, 206, 16}}},
    {4301,
     "Select Folder",
     kSizable,
     200,
     200,
     "MS Shell Dlg",
     8,
     {{"SysTreeView32", IDC_FOLDER_TREE, "", kChild | WS_BORDER | WS_TABSTOP, 7, 7, 186, 166},
      {"BUTTON", IDOK, "OK", kDefPush, 89, 179, 50, 14},
      {"BUTTON", IDCANCEL, "Cancel", kPush, 143, 179, 50, 14}}},
    {4304,
     "Calculator",
     kSizable,
     300,
     180,
     "MS Shell Dlg",
     8,
     {{"BUTTON", IDC_CALC_FRAME, "", kGroup, 7, 4, 286, 148},
      {"EDIT", IDC_CALC_FORMULA, "",
       kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL, 14, 14, 272, 40},
      {"LISTBOX", IDC_CALC_CATEGORIES, "", kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 14, 60, 90, 86},
      {"LISTBOX", IDC_CALC_ENTRIES, "", kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 108, 60, 80, 86},
      {"STATIC", IDC_CALC_FIND_LABEL, "Find", kLabel, 192, 62, 20, 8},
      {"EDIT", IDC_CALC_FIND, "", kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 214, 60, 72, 12},
      {"LISTBOX", IDC_CALC_VARIABLES, "", kChild | WS_BORDER | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY, 192, 76, 94, 70},
      {"BUTTON", IDC_CALC_TEST, "Test", kPush, 7, 159, 50, 14},
      {"BUTTON", IDOK, "OK", kDefPush, 189, 159, 50, 14},
      {"BUTTON", IDCANCEL, "Cancel", kPush, 243, 159, 50, 14}}},
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
    {4309,
     "&Options",
     WS_CHILD | WS_CAPTION | DS_SETFONT,
     230,
     150,
     "MS Shell Dlg",
     8,
     {{"BUTTON", kStatic, "Personalized Menus and Toolbars", kGroup, 7, 7, 216, 66},
      {"BUTTON", IDC_FULL_MENUS, "Always show full me&nus", kCheck, 14, 19, 200, 10},
      {"BUTTON", IDC_FULL_MENUS_DELAY, "Show full menus after a short delay", kCheck, 24, 32, 190, 10},
      {"BUTTON", IDC_RESET_USAGE, "&Reset my usage data", kPush, 14, 50, 90, 14},
      {"BUTTON", kStatic, "Other", kGroup, 7, 78, 216, 66},
      {"BUTTON", IDC_LARGE_ICONS, "&Large icons", kCheck, 14, 90, 200, 10},
      {"BUTTON", IDC_SCREEN_TIPS, "Show Screen&Tips on toolbars", kCheck, 14, 102, 200, 10},
      {"BUTTON", IDC_TIP_SHORTCUTS, "Show s&hortcut keys in ScreenTips", kCheck, 24, 114, 190, 10},
      {"STATIC", kStatic, "&Menu animations:", kLabel, 14, 129, 64, 8},
      {"COMBOBOX", IDC_MENU_ANIMATIONS, "", kChild | WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 80, 127, 90, 80}}},
};

// ------------------------------------------------------------------ menus

// Command ids of the framework's edit commands.
constexpr UINT ID_EDIT_CLEAR = 0xE120;
constexpr UINT ID_EDIT_COPY = 0xE122;
constexpr UINT ID_EDIT_CUT = 0xE123;
constexpr UINT ID_EDIT_FIND = 0xE124;
constexpr UINT ID_EDIT_PASTE = 0xE125;
constexpr UINT ID_EDIT_REPLACE = 0xE129;
constexpr UINT ID_EDIT_SELECT_ALL = 0xE12A;
constexpr UINT ID_EDIT_UNDO = 0xE12B;
constexpr UINT ID_EDIT_REDO = 0xE12C;

const CMenuItemTemplate kSeparator = {MF_SEPARATOR, 0, nullptr, nullptr};

const std::vector<CMenuItemTemplate> kRichEditPopup = {{MF_STRING, ID_EDIT_UNDO, "&Undo", nullptr},
                                                       kSeparator,
                                                       {MF_STRING, ID_EDIT_CUT, "Cu&t", nullptr},
                                                       {MF_STRING, ID_EDIT_COPY, "&Copy", nullptr},
                                                       {MF_STRING, ID_EDIT_PASTE, "&Paste", nullptr},
                                                       {MF_STRING, ID_EDIT_CLEAR, "&Delete", nullptr},
                                                       kSeparator,
                                                       {MF_STRING, ID_EDIT_SELECT_ALL, "Select &All", nullptr}};

const std::vector<CMenuItemTemplate> kColorRichEditPopup = {{MF_STRING, ID_EDIT_UNDO, "&Undo", nullptr},
                                                            {MF_STRING, ID_EDIT_REDO, "&Redo", nullptr},
                                                            kSeparator,
                                                            {MF_STRING, ID_EDIT_CUT, "Cu&t", nullptr},
                                                            {MF_STRING, ID_EDIT_COPY, "&Copy", nullptr},
                                                            {MF_STRING, ID_EDIT_PASTE, "&Paste", nullptr},
                                                            kSeparator,
                                                            {MF_STRING, ID_EDIT_SELECT_ALL, "Select &All", nullptr},
                                                            kSeparator,
                                                            {MF_STRING, ID_EDIT_FIND, "&Find", nullptr},
                                                            {MF_STRING, ID_EDIT_REPLACE, "R&eplace", nullptr}};

const std::vector<CMenuItemTemplate> kTransformPopup = {{MF_STRING, 40000, "First", nullptr}};

const std::vector<CMenuItemTemplate> kUnitEditPopup = {{MF_STRING, ID_EDIT_UNDO, "&Undo", nullptr},
                                                       kSeparator,
                                                       {MF_STRING, ID_EDIT_CUT, "Cu&t", nullptr},
                                                       {MF_STRING, ID_EDIT_COPY, "&Copy", nullptr},
                                                       {MF_STRING, ID_EDIT_PASTE, "&Paste", nullptr},
                                                       {MF_STRING, ID_EDIT_CLEAR, "&Delete", nullptr},
                                                       kSeparator,
                                                       {MF_STRING, ID_EDIT_SELECT_ALL, "Select &All", nullptr},
                                                       kSeparator,
                                                       {MF_POPUP, 0, "Transform", &kTransformPopup}};

/// Menu 4404: the context menus of the library's edit controls, one popup each.
const std::vector<CMenuItemTemplate> kMenu4404 = {{MF_POPUP, 0, "RichEdit", &kRichEditPopup},
                                                  {MF_POPUP, 0, "ColorRichEdit", &kColorRichEditPopup},
                                                  {MF_POPUP, 0, "UnitEdit", &kUnitEditPopup}};

}  // namespace

const CDialogTemplate* TBFindCrashDialogTemplate(UINT id);  // crash_templates.cpp

const CDialogTemplate* TBFindDialogTemplate(UINT id) {
    for (const CDialogTemplate& t : kTemplates)
        if (t.id == id) return &t;
    return TBFindCrashDialogTemplate(id);
}

std::vector<UINT> TBGetDialogTemplateIds() {
    std::vector<UINT> ids;
    for (const CDialogTemplate& t : kTemplates) ids.push_back(t.id);
    for (UINT id : {4302u, 4303u})
        if (TBFindCrashDialogTemplate(id) && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

const std::vector<CMenuItemTemplate>* TBFindMenuTemplate(UINT resourceId) {
    return resourceId == 4404 ? &kMenu4404 : nullptr;
}
