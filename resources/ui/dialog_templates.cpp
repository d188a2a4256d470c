// The library's dialog templates and menus as data: each template holds its caption,
// style, size in dialog units, font and controls (class, id, text, style, rectangle in
// dialog units), as the dialogs were laid out.
// The control families keep their own templates and register them
// (CFamilyDialogTemplates).
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/menu.h>

#include "controls/window/family_windows.h"
#include "controls/window/template_styles.h"

#include <algorithm>

namespace {

using namespace tb_template_styles;


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

const CDialogTemplate* TBFindDialogTemplate(UINT id) {
    for (const CDialogTemplate& t : kTemplates)
        if (t.id == id) return &t;
    return TBFindFamilyDialogTemplate(id);
}

std::vector<UINT> TBGetDialogTemplateIds() {
    std::vector<UINT> ids;
    for (const CDialogTemplate& t : kTemplates) ids.push_back(t.id);
    TBAddFamilyDialogTemplateIds(ids);
    std::sort(ids.begin(), ids.end());
    ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
    return ids;
}

const std::vector<CMenuItemTemplate>* TBFindMenuTemplate(UINT resourceId) {
    return resourceId == 4404 ? &kMenu4404 : nullptr;
}
