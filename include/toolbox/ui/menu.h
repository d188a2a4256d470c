/// \file
/// \brief Menus: popup menus built in code or loaded from the library's menu resources, and tracked at a point.
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

/// A menu: items with command ids, captions, states and submenus, built in code or loaded from the library's menu resources. The menu owns its submenus.
class TB_EXPORT CMenu {
public:
    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;  ///< The menu's handle (the object itself); null before Create or Load.
    /// The menu's handle; null before Create or Load.
    HMENU GetSafeHmenu() const { return m_hMenu; }
    /// The menu object behind a handle (menus handed to WM_INITMENUPOPUP handlers).
    static CMenu* FromHandle(HMENU menu) { return reinterpret_cast<CMenu*>(menu); }

    /// Makes an empty popup menu; returns TRUE.
    BOOL CreatePopupMenu();
    /// Makes an empty menu (the same as CreatePopupMenu).
    BOOL CreateMenu() { return CreatePopupMenu(); }
    /// Loads a menu resource (a bar of popups) by id; false when there is none.
    BOOL LoadMenu(UINT resourceId);
    /// Deletes every item and submenu; returns TRUE.
    BOOL DestroyMenu();
    /// Appends an item: MF_STRING with id and text, MF_SEPARATOR, or MF_POPUP with a CMenu* (whose items are moved into a submenu this menu owns) as idOrPopup; MF_GRAYED, MF_CHECKED apply. FALSE when the menu was not made.
    BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, LPCTSTR text = nullptr);
    /// Inserts an item before position (MF_BYPOSITION) or before the item with that command id; at the end when there is none.
    BOOL InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup = 0, LPCTSTR text = nullptr);
    /// Deletes the item at position (MF_BYPOSITION) or with that command id, searching submenus; FALSE when there is none.
    BOOL DeleteMenu(UINT position, UINT flags);
    /// As DeleteMenu.
    BOOL RemoveMenu(UINT position, UINT flags) { return DeleteMenu(position, flags); }
    /// Returns the previous state (MF_ENABLED/MF_GRAYED) or -1 for an unknown item.
    UINT EnableMenuItem(UINT item, UINT enable);
    /// Sets or clears MF_CHECKED on an item (MF_BYPOSITION or by command id); the previous MF_CHECKED bit, or -1 for an unknown item.
    UINT CheckMenuItem(UINT item, UINT check);
    /// The item's MF_GRAYED, MF_DISABLED, MF_CHECKED, MF_SEPARATOR and MF_POPUP bits (a popup's item count in the high byte); -1 for an unknown item.
    UINT GetMenuState(UINT item, UINT flags) const;
    /// Number of items; -1 when the menu was not made.
    int GetMenuItemCount() const;
    /// The command id at position; -1 for a popup, 0 for a separator.
    UINT GetMenuItemID(int position) const;
    /// Copies the item's caption into text; its length, 0 for an unknown item.
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    /// Changes an item's flags, command id (not of a popup) and caption (null: kept); FALSE for an unknown item.
    BOOL ModifyMenu(UINT position, UINT flags, UINT_PTR idNew = 0, LPCTSTR text = nullptr);
    /// The submenu at position (owned by this menu), null when there is none.
    CMenu* GetSubMenu(int position) const;
    /// Shows the menu at (x, y) in screen coordinates and waits for the user. With
    /// TPM_RETURNCMD the chosen command id is returned (0 when none); otherwise the
    /// owner receives WM_COMMAND for it and the result is nonzero when one was chosen.
    BOOL TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT* unused = nullptr);
    /// The Qt menu, built from the items (for hosts that show it themselves).
    QMenu* BuildQMenu(QWidget* parent) const;

    /// One item of a menu.
    struct Item {
        UINT flags = 0;  ///< MF_ flags of the item.
        UINT id = 0;  ///< Command id; 0 for separators and popups.
        CString text;  ///< Caption with '&' before the mnemonic.
        std::unique_ptr<CMenu> popup;  ///< The submenu of an MF_POPUP item; null otherwise.
    };

private:
    Item* FindItem(UINT item, UINT flags, CMenu** owner = nullptr);
    const Item* FindItem(UINT item, UINT flags) const;
    void AddTemplate(const std::vector<CMenuItemTemplate>& items, const CString& textKey);
    std::vector<Item> m_items;
};

/// The library's menu resources by id (menu 4404 and others); null for an unknown id.
TB_EXPORT const std::vector<CMenuItemTemplate>* TBFindMenuTemplate(UINT resourceId);
