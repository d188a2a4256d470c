// The options page of command-bar customisation (template 4309).
#include <toolbox/ui/control_bar_dialog.h>

#include <toolbox/resources/language_file.h>

namespace {

constexpr UINT kOptionsTemplate = 4309;

/// The menu animation choices, in the order of the animation type.
const char* const kAnimations[] = {"(None)", "Random", "Unfold", "Slide", "Fade", "(System default)"};

const char* const kResetQuestion =
    "This deletes the record of the commands you have used in this application and shows the default set of "
    "commands in the menus and toolbars again. Explicit customisations stay. Do you want to go on?";

}  // namespace

BEGIN_MESSAGE_MAP(CTBCustomizeOptionsPage, CTBPropertyPage)
ON_BN_CLICKED(IDC_TB_FULL_MENUS, OnFullMenus)
ON_BN_CLICKED(IDC_TB_FULL_MENUS_DELAY, OnFullMenusDelay)
ON_BN_CLICKED(IDC_TB_LARGE_ICONS, OnLargeIcons)
ON_BN_CLICKED(IDC_TB_SCREEN_TIPS, OnScreenTips)
ON_BN_CLICKED(IDC_TB_TIP_SHORTCUTS, OnTipShortcuts)
ON_BN_CLICKED(IDC_TB_RESET_USAGE, OnResetUsage)
ON_CBN_SELCHANGE(IDC_TB_MENU_ANIMATIONS, OnAnimationChanged)
END_MESSAGE_MAP()

CTBCustomizeOptionsPage::CTBCustomizeOptionsPage(CTBCommandBars* bars)
    : CTBPropertyPage(kOptionsTemplate), m_bars(bars) {}

BOOL CTBCustomizeOptionsPage::OnInitDialog() {
    CTBPropertyPage::OnInitDialog();
    if (!m_bars) return TRUE;
    const CTBCommandBarsOptions* options = m_bars->GetCommandBarsOptions();
    auto check = [this](UINT id, BOOL on) {
        if (CWnd* box = GetDlgItem(static_cast<int>(id))) box->SendMessage(BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED);
    };
    check(IDC_TB_FULL_MENUS, options->bAlwaysShowFullMenus);
    check(IDC_TB_FULL_MENUS_DELAY, options->bShowFullAfterDelay);
    check(IDC_TB_LARGE_ICONS, options->bLargeIcons);
    check(IDC_TB_SCREEN_TIPS, options->bToolBarScreenTips);
    check(IDC_TB_TIP_SHORTCUTS, options->bToolBarAccelTips);
    if (CWnd* combo = GetDlgItem(IDC_TB_MENU_ANIMATIONS)) {
        combo->SendMessage(CB_RESETCONTENT);
        for (int i = 0; i < 6; ++i) {
            CString key;
            key.Format("commandbars.animation.%d", i);
            const CString text = TBLoadText(key, kAnimations[i]);
            combo->SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.GetString()));
        }
        combo->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(options->animationType));
    }
    EnableDependants();
    return TRUE;
}

BOOL CTBCustomizeOptionsPage::Checked(UINT id) {
    CWnd* box = GetDlgItem(static_cast<int>(id));
    return box && box->SendMessage(BM_GETCHECK) == BST_CHECKED;
}

void CTBCustomizeOptionsPage::EnableDependants() {
    if (!m_bars) return;
    const CTBCommandBarsOptions* options = m_bars->GetCommandBarsOptions();
    if (CWnd* delay = GetDlgItem(IDC_TB_FULL_MENUS_DELAY)) delay->EnableWindow(!options->bAlwaysShowFullMenus);
    if (CWnd* keys = GetDlgItem(IDC_TB_TIP_SHORTCUTS)) keys->EnableWindow(options->bToolBarScreenTips);
}

void CTBCustomizeOptionsPage::OnFullMenus() {
    if (!m_bars) return;
    m_bars->GetCommandBarsOptions()->bAlwaysShowFullMenus = Checked(IDC_TB_FULL_MENUS);
    EnableDependants();
}

void CTBCustomizeOptionsPage::OnFullMenusDelay() {
    if (m_bars) m_bars->GetCommandBarsOptions()->bShowFullAfterDelay = Checked(IDC_TB_FULL_MENUS_DELAY);
}

void CTBCustomizeOptionsPage::OnLargeIcons() {
    if (!m_bars) return;
    m_bars->GetCommandBarsOptions()->bLargeIcons = Checked(IDC_TB_LARGE_ICONS);
    m_bars->RedrawCommandBars();
}

void CTBCustomizeOptionsPage::OnScreenTips() {
    if (!m_bars) return;
    m_bars->GetCommandBarsOptions()->bToolBarScreenTips = Checked(IDC_TB_SCREEN_TIPS);
    EnableDependants();
}

void CTBCustomizeOptionsPage::OnTipShortcuts() {
    if (m_bars) m_bars->GetCommandBarsOptions()->bToolBarAccelTips = Checked(IDC_TB_TIP_SHORTCUTS);
}

void CTBCustomizeOptionsPage::OnResetUsage() {
    if (!m_bars) return;
    const CString question = TBLoadText("commandbars.reset.question", kResetQuestion);
    if (MessageBox(question, nullptr, MB_YESNO | MB_ICONQUESTION) == IDYES) m_bars->ResetUsageData();
}

void CTBCustomizeOptionsPage::OnAnimationChanged() {
    CWnd* combo = GetDlgItem(IDC_TB_MENU_ANIMATIONS);
    if (!m_bars || !combo) return;
    const LRESULT selected = combo->SendMessage(CB_GETCURSEL);
    if (selected >= 0 && selected < 6) m_bars->GetCommandBarsOptions()->animationType = static_cast<int>(selected);
}
