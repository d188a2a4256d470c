/// \file
/// \brief A dialog with command bars along its top edge and an accelerator table of its own, and the options page of command-bar customisation.
// A dialog with command bars along its top edge and an accelerator table of its own,
// and the options page of command-bar customisation.
#pragma once

#include <toolbox/ui/command_bars.h>
#include <toolbox/ui/property_sheet.h>
#include <toolbox/ui/tb_dialog.h>

#include <memory>
#include <vector>

class CIdleHook;

/// One accelerator: modifier flags (FVIRTKEY with FSHIFT, FCONTROL, FALT), the
/// virtual-key code and the command it sends.
struct ACCEL {
    BYTE fVirt;  ///< FVIRTKEY with FSHIFT, FCONTROL, FALT
    WORD key;    ///< virtual-key code
    WORD cmd;    ///< the command sent with WM_COMMAND
};
constexpr BYTE FVIRTKEY = 0x01;  ///< ACCEL::fVirt: key is a virtual-key code.
constexpr BYTE FSHIFT = 0x04;  ///< ACCEL::fVirt: with Shift.
constexpr BYTE FCONTROL = 0x08;  ///< ACCEL::fVirt: with Control.
constexpr BYTE FALT = 0x10;  ///< ACCEL::fVirt: with Alt.

/// A resizable dialog with command bars along its top edge, idle updates for its
/// controls and bars, and an accelerator table.
class TB_EXPORT CTBControlBarDialog : public CTBDialog {
public:
    /// The dialog of the library's template templateId, owned by parent.
    explicit CTBControlBarDialog(UINT templateId, CWnd* parent = nullptr);
    /// The dialog of the library's template called templateName, owned by parent.
    explicit CTBControlBarDialog(const char* templateName, CWnd* parent = nullptr);
    ~CTBControlBarDialog() override;

    /// The dialog's command bars (made with the window).
    CTBCommandBars* GetCommandBars() { return m_bars.get(); }
    /// Places the bars along the top edge; the dialog grows by the height they need
    /// and its controls move down by it.
    void RecalcBarLayout();
    /// The library's accelerator table resourceId; FALSE when there is none.
    BOOL LoadAccelerators(UINT resourceId);
    /// An accelerator table of the host's.
    void SetAccelerators(const ACCEL* table, int count);

    BOOL OnInitDialog() override;
    /// The bars' keyboard handling first (Escape closes popups), then the accelerators.
    BOOL PreTranslateMessage(MSG* msg) override;
    /// Closes open popups, then routes the command.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    std::unique_ptr<CTBCommandBars> m_bars;
    std::unique_ptr<CIdleHook> m_idle;
    std::vector<ACCEL> m_accelerators;
    int m_barHeight = 0;
};

/// The controls of the options page (template 4309).
///@{
constexpr UINT IDC_TB_FULL_MENUS = 4040;
constexpr UINT IDC_TB_FULL_MENUS_DELAY = 4041;
constexpr UINT IDC_TB_LARGE_ICONS = 4042;
constexpr UINT IDC_TB_SCREEN_TIPS = 4043;
constexpr UINT IDC_TB_TIP_SHORTCUTS = 4044;
constexpr UINT IDC_TB_RESET_USAGE = 4045;
constexpr UINT IDC_TB_MENU_ANIMATIONS = 4046;
///@}

/// The "Options" page of command-bar customisation: every control writes straight
/// through to the options of the command bars it was made for.
class TB_EXPORT CTBCustomizeOptionsPage : public CTBPropertyPage {
public:
    /// The page for the options of bars (not owned).
    explicit CTBCustomizeOptionsPage(CTBCommandBars* bars);
    /// The command bars the page edits.
    CTBCommandBars* GetCommandBars() const { return m_bars; }
    BOOL OnInitDialog() override;

protected:
    DECLARE_MESSAGE_MAP()
    /// "Always show full menus": writes bAlwaysShowFullMenus and enables the delay box.
    void OnFullMenus();
    /// "Show full menus after a short delay": writes bShowFullAfterDelay.
    void OnFullMenusDelay();
    /// "Large icons": writes bLargeIcons and lays the bars out again.
    void OnLargeIcons();
    /// "Show ScreenTips on toolbars": writes bToolBarScreenTips and enables the shortcut box.
    void OnScreenTips();
    /// "Show shortcut keys in ScreenTips": writes bToolBarAccelTips.
    void OnTipShortcuts();
    /// "Reset my usage data": asks, then forgets the commands used.
    void OnResetUsage();
    /// "Menu animations": writes animationType.
    void OnAnimationChanged();

private:
    BOOL Checked(UINT id);
    void EnableDependants();
    CTBCommandBars* m_bars;
};
