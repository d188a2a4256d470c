// Menus: popup menus built in code or loaded from the library's menu resources, and
// tracked at a point. Before a popup opens its owner receives WM_INITMENUPOPUP, and
// every item is asked through CCmdUI whether it is enabled and checked.
#pragma once

#include <toolbox/ui/wnd.h>

#include <memory>
#include <vector>

class QMenu;

/// One menu item as the library's menu resources describe it.
struct CMenuItemTemplate {
    UINT flags;                                   ///< MF_STRING, MF_SEPARATOR, MF_POPUP, MF_GRAYED, MF_CHECKED
    UINT id;                                      ///< command id (0 for separators and popups)
    const char* text;                             ///< caption with '&' before the mnemonic; "\t" before the shortcut
    const std::vector<CMenuItemTemplate>* popup;  ///< the submenu of an MF_POPUP item
};

class TB_EXPORT CMenu {
public:
    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;
    HMENU GetSafeHmenu() const { return m_hMenu; }
    /// The menu object behind a handle (menus handed to WM_INITMENUPOPUP handlers).
    static CMenu* FromHandle(HMENU menu) { return reinterpret_cast<CMenu*>(menu); }

    BOOL CreatePopupMenu();
    BOOL CreateMenu() { return CreatePopupMenu(); }
    /// Loads a menu resource (a bar of popups) by id; false when there is none.
    BOOL LoadMenu(UINT resourceId);
    BOOL DestroyMenu();
    BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, LPCTSTR text = nullptr);
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup = 0, LPCTSTR text = nullptr);
    BOOL DeleteMenu(UINT position, UINT flags);
    BOOL RemoveMenu(UINT position, UINT flags) { return DeleteMenu(position, flags); }
    /// Returns the previous state (MF_ENABLED/MF_GRAYED) or -1 for an unknown item.
    UINT EnableMenuItem(UINT item, UINT enable);
    UINT CheckMenuItem(UINT item, UINT check);
    UINT GetMenuState(UINT item, UINT flags) const;
    int GetMenuItemCount() const;
    /// The command id at position; -1 for a popup, 0 for a separator.
    UINT GetMenuItemID(int position) const;
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idNew = 0, LPCTSTR text = nullptr);
    /// The submenu at position (owned by this menu), null when there is none.
    CMenu* GetSubMenu(int position) const;
    /// Shows the menu at (x, y) in screen coordinates and waits for the user. With
    /// TPM_RETURNCMD the chosen command id is returned (0 when none); otherwise the
    /// owner receives WM_COMMAND for it and the result is nonzero when one was chosen.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* unused = nullptr);
    /// The Qt menu, built from the items (for hosts that show it themselves).
    QMenu* BuildQMenu(QWidget* parent) const;

    struct Item {
        UINT flags = 0;
        UINT id = 0;
        CString text;
        std::unique_ptr<CMenu> popup;
    };

private:
    Item* FindItem(UINT item, UINT flags, CMenu** owner = nullptr);
    const Item* FindItem(UINT item, UINT flags) const;
    void AddTemplate(const std::vector<CMenuItemTemplate>& items, const CString& textKey);
    std::vector<Item> m_items;
};

/// The library's menu resources by id (menu 4404 and others); null for an unknown id.
TB_EXPORT const std::vector<CMenuItemTemplate>* TBFindMenuTemplate(UINT resourceId);
