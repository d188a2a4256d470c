/// \file
/// \brief Property sheets and their pages with the library's resizing behaviour: the sheet's own buttons keep their distance to the bottom-right corner, pages fill the page area at any size.
// Property sheets and their pages with the library's resizing behaviour: the sheet's
// own buttons keep their distance to the bottom-right corner, pages fill the page
// area at any size, the sheet remembers its placement and its last tab, and wizards
// make room for Finish beside Back and Next.
#pragma once

#include <toolbox/ui/dialog.h>
#include <toolbox/ui/window_layout.h>

#include <vector>

class CTBPropertySheet;

/// The sheet's buttons and its tab control.
///@{
constexpr UINT ID_APPLY_NOW = 0x3021;
constexpr UINT ID_WIZBACK = 0x3023;
constexpr UINT ID_WIZNEXT = 0x3024;
constexpr UINT ID_WIZFINISH = 0x3025;
constexpr UINT IDC_TB_SHEET_TABS = 0x3020;
///@}
/// SetWizardButtons flags.
///@{
constexpr DWORD PSWIZB_BACK = 0x1;
constexpr DWORD PSWIZB_NEXT = 0x2;
constexpr DWORD PSWIZB_FINISH = 0x4;
constexpr DWORD PSWIZB_DISABLEDFINISH = 0x8;
///@}

/// One page of a sheet, made from a child dialog template when it is first shown.
class TB_EXPORT CTBPropertyPage : public CDialog, public CTBResizableWindow {
public:
    /// A page on the library's template templateId; captionId names a string-table
    /// text for the tab (0: the template's caption).
    explicit CTBPropertyPage(UINT templateId, UINT captionId = 0);
    /// A page on a template of the host's (kept by the caller); name keys the profile.
    CTBPropertyPage(const CDialogTemplate* tmpl, const char* templateName);
    ~CTBPropertyPage() override;

    /// The sheet the page is on (null before AddPage).
    CTBPropertySheet* GetSheet() const { return m_sheet; }
    /// The tab's text.
    CString GetTitle() const;
    /// Enables the sheet's Apply button.
    void SetModified(BOOL changed = TRUE);
    /// Whether SetModified marked the page changed.
    BOOL IsModified() const { return m_modified; }

    // Notifications from the sheet, as the framework's pages receive them.
    /// The page becomes the active one; FALSE refuses.
    virtual BOOL OnSetActive() { return TRUE; }
    /// The page stops being the active one; FALSE keeps it (data did not validate).
    virtual BOOL OnKillActive() { return UpdateData(TRUE); }
    /// Apply or OK: the page's values take effect; FALSE keeps the sheet open.
    virtual BOOL OnApply();
    /// Pages do not end the sheet themselves: OK and Cancel are the sheet's.
    void OnOK() override {}
    void OnCancel() override {}
    /// Wizard Back and Next: 0 goes on, -1 stays.
    virtual LRESULT OnWizardBack() { return 0; }
    /// Wizard Next: 0 goes on, -1 stays.
    virtual LRESULT OnWizardNext() { return 0; }
    /// Wizard Finish: FALSE keeps the wizard open.
    virtual BOOL OnWizardFinish() { return TRUE; }

    /// The page's own initialisation (its layout is recorded once it sits in the sheet).
    BOOL OnInitDialog() override;
    /// Invalidates the page and its transparent registered controls.
    void Invalidate(BOOL erase = TRUE) { InvalidateLayout(erase); }
    /// The layout's messages first, then the dialog's.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    CWnd* GetLayoutWindow() override { return this; }

private:
    friend class CTBPropertySheet;
    /// Makes the page's window inside the sheet.
    BOOL CreatePage(CTBPropertySheet* sheet);
    /// The page's template size in pixels.
    CSize TemplateSize() const;
    const CDialogTemplate* Template() const;
    const CDialogTemplate* m_hostTemplate = nullptr;
    UINT m_captionId = 0;
    CTBPropertySheet* m_sheet = nullptr;
    BOOL m_modified = FALSE;
};

/// A sheet of pages with tabs (or a wizard), OK, Cancel, Apply and Help, or Back,
/// Next, Finish, Cancel and Help in wizard mode.
class TB_EXPORT CTBPropertySheet : public CWnd, public CTBResizableWindow {
public:
    /// captionId: a string-table text for the title; its number keys the profile.
    explicit CTBPropertySheet(UINT captionId, CWnd* parent = nullptr, UINT selectPage = 0);
    /// caption: the title; it also names the profile section.
    explicit CTBPropertySheet(const char* caption, CWnd* parent = nullptr, UINT selectPage = 0);
    ~CTBPropertySheet() override;

    /// Adds a page (owned by the caller) at the end.
    void AddPage(CTBPropertyPage* page);
    /// The number of pages.
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    /// Page index; null outside the pages.
    CTBPropertyPage* GetPage(int index) const;
    /// The shown page's index (-1 before the window exists).
    int GetActiveIndex() const { return m_active; }
    /// The shown page (null before the window exists).
    CTBPropertyPage* GetActivePage() const { return GetPage(m_active); }
    /// Shows page index (made on first use); FALSE when the current page refuses.
    BOOL SetActivePage(int index);
    /// Shows page (one of the sheet's); FALSE otherwise.
    BOOL SetActivePage(CTBPropertyPage* page);

    /// Makes the sheet a wizard (call before creating it).
    void SetWizardMode() { m_wizard = TRUE; }
    /// True for a wizard.
    BOOL IsWizardMode() const { return m_wizard; }
    /// Which wizard buttons are shown and enabled (PSWIZB_ flags). With Finish
    /// together with Back or Next, Back and Next move left by their width plus 10
    /// pixels and Finish appears where Next was; without Finish they move back.
    void SetWizardButtons(DWORD flags);
    /// Whether Back and Next stand shifted to make room for Finish.
    BOOL GetWizardButtonsShifted() const { return m_shifted; }
    /// Shows the Help button (hidden unless asked for).
    void ShowHelpButton(BOOL show);

    /// Stores and restores the active tab ("LASTTAB"); on at construction.
    void SetRememberActiveTab(BOOL remember) { m_rememberTab = remember; }
    /// Whether the active tab is stored and restored.
    BOOL GetRememberActiveTab() const { return m_rememberTab; }

    /// Runs the sheet modally: IDOK, IDCANCEL or ID_WIZFINISH.
    virtual INT_PTR DoModal();
    /// Makes the sheet's window without running it (modeless); shown when show is TRUE.
    virtual BOOL Create(CWnd* parent = nullptr, BOOL show = TRUE);
    /// Ends a modal sheet with result (hides a modeless one).
    void EndDialog(int result);
    /// Called once the window and the first page exist: records the layout, restores
    /// the placement and the last tab.
    virtual BOOL OnInitDialog();

    /// The page area at the current size (client coordinates).
    void GetPageRect(RECT* rect) const;
    /// Lays out one registered control for client size (cx, cy).
    void UpdateCtrlWindow(const SControl_Info& info, int cx, int cy);
    /// Invalidates the sheet and its transparent registered controls.
    void Invalidate(BOOL erase = TRUE) { InvalidateLayout(erase); }

    /// The layout's messages first; storing the last tab; closing is Cancel.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    /// The sheet's own context menu (the pin) for what no message map handled.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    /// The sheet's buttons: OK, Cancel, Apply, Back, Next, Finish.
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

protected:
    CWnd* GetLayoutWindow() override { return this; }
    void LayOutControls(int cx, int cy) override;

private:
    void Construct(UINT selectPage);
    BOOL BuildWindow(CWnd* parent);
    void CreateButtons(CSize baseUnits, const CRect& pageArea);
    void PlacePages();
    void OnTabChanged(int index);
    void ApplyAll(bool closing);
    void Wizard(UINT button);
    CString m_caption;
    CWnd* m_parent = nullptr;
    std::vector<CTBPropertyPage*> m_pages;
    int m_active = -1;
    UINT m_firstPage = 0;
    BOOL m_wizard = FALSE;
    BOOL m_shifted = FALSE;
    BOOL m_rememberTab = TRUE;
    bool m_modal = false;
    int m_result = IDCANCEL;
    CRect m_initialPage;
    CSize m_pageSize;
};
