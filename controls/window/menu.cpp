#include <toolbox/ui/menu.h>

#include <toolbox/resources/language_file.h>

#include "controls/window/native_window.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QWidget>

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

BOOL CMenu::CreatePopupMenu() {
    m_items.clear();
    m_hMenu = reinterpret_cast<HMENU>(this);
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    m_items.clear();
    m_hMenu = nullptr;
    return TRUE;
}

void CMenu::AddTemplate(const std::vector<CMenuItemTemplate>& items, const CString& textKey) {
    int position = 0;
    for (const CMenuItemTemplate& t : items) {
        Item item;
        item.flags = t.flags;
        item.id = t.id;
        // Item texts come from the language file by position: "menu.4404.1.3".
        CString key;
        key.Format("%s.%d", textKey.GetString(), position++);
        item.text = t.text ? TBLoadText(key, t.text) : CString();
        if ((t.flags & MF_POPUP) && t.popup) {
            item.popup = std::make_unique<CMenu>();
            item.popup->CreatePopupMenu();
            item.popup->AddTemplate(*t.popup, key);
        }
        m_items.push_back(std::move(item));
    }
}

BOOL CMenu::LoadMenu(UINT resourceId) {
    const std::vector<CMenuItemTemplate>* items = TBFindMenuTemplate(resourceId);
    if (!items) return FALSE;
    CreatePopupMenu();
    CString key;
    key.Format("menu.%u", resourceId);
    AddTemplate(*items, key);
    return TRUE;
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrPopup, LPCTSTR text) {
    return InsertMenu(static_cast<UINT>(-1), flags | MF_BYPOSITION, idOrPopup, text);
}

BOOL CMenu::InsertMenu(UINT position, UINT flags, UINT_PTR idOrPopup, LPCTSTR text) {
    if (!m_hMenu) return FALSE;
    Item item;
    item.flags = flags & ~MF_BYPOSITION;
    item.text = text ? text : "";
    if (flags & MF_POPUP) {
        // The popup's items move into this menu, which owns them from now on.
        CMenu* source = FromHandle(reinterpret_cast<HMENU>(idOrPopup));
        if (!source) return FALSE;
        item.popup = std::make_unique<CMenu>();
        item.popup->CreatePopupMenu();
        item.popup->m_items = std::move(source->m_items);
        source->m_items.clear();
    } else {
        item.id = static_cast<UINT>(idOrPopup);
    }
    std::size_t index = m_items.size();
    if (flags & MF_BYPOSITION) {
        if (position < m_items.size()) index = position;
    } else {
        for (std::size_t i = 0; i < m_items.size(); ++i)
            if (m_items[i].id == position && !(m_items[i].flags & (MF_POPUP | MF_SEPARATOR))) {
                index = i;
                break;
            }
    }
    m_items.insert(m_items.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
    return TRUE;
}

CMenu::Item* CMenu::FindItem(UINT item, UINT flags, CMenu** owner) {
    if (flags & MF_BYPOSITION) {
        if (owner) *owner = this;
        return item < m_items.size() ? &m_items[item] : nullptr;
    }
    // By command: searched through the submenus too, as the system does.
    for (Item& i : m_items) {
        if (!(i.flags & (MF_POPUP | MF_SEPARATOR)) && i.id == item) {
            if (owner) *owner = this;
            return &i;
        }
        if (i.popup)
            if (Item* found = i.popup->FindItem(item, flags, owner)) return found;
    }
    return nullptr;
}

const CMenu::Item* CMenu::FindItem(UINT item, UINT flags) const {
    return const_cast<CMenu*>(this)->FindItem(item, flags, nullptr);
}

BOOL CMenu::DeleteMenu(UINT position, UINT flags) {
    CMenu* owner = nullptr;
    Item* item = FindItem(position, flags, &owner);
    if (!item) return FALSE;
    owner->m_items.erase(owner->m_items.begin() + (item - owner->m_items.data()));
    return TRUE;
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable) {
    Item* i = FindItem(item, enable);
    if (!i) return static_cast<UINT>(-1);
    const UINT old = i->flags & (MF_GRAYED | MF_DISABLED);
    i->flags = (i->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

UINT CMenu::CheckMenuItem(UINT item, UINT check) {
    Item* i = FindItem(item, check);
    if (!i) return static_cast<UINT>(-1);
    const UINT old = i->flags & MF_CHECKED;
    i->flags = (i->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const {
    const Item* i = FindItem(item, flags);
    if (!i) return static_cast<UINT>(-1);
    UINT state = i->flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR | MF_POPUP);
    if (i->popup) state |= static_cast<UINT>(i->popup->GetMenuItemCount()) << 8;
    return state;
}

int CMenu::GetMenuItemCount() const { return m_hMenu ? static_cast<int>(m_items.size()) : -1; }

UINT CMenu::GetMenuItemID(int position) const {
    if (position < 0 || position >= static_cast<int>(m_items.size())) return static_cast<UINT>(-1);
    const Item& i = m_items[static_cast<std::size_t>(position)];
    if (i.flags & MF_POPUP) return static_cast<UINT>(-1);
    return (i.flags & MF_SEPARATOR) ? 0 : i.id;
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const {
    const Item* i = FindItem(item, flags);
    text = i ? i->text : CString();
    return text.GetLength();
}

BOOL CMenu::ModifyMenu(UINT position, UINT flags, UINT_PTR idNew, LPCTSTR text) {
    Item* i = FindItem(position, flags);
    if (!i) return FALSE;
    i->flags = (i->flags & MF_POPUP) | (flags & ~MF_BYPOSITION);
    if (!(i->flags & MF_POPUP)) i->id = static_cast<UINT>(idNew);
    if (text) i->text = text;
    return TRUE;
}

CMenu* CMenu::GetSubMenu(int position) const {
    if (position < 0 || position >= static_cast<int>(m_items.size())) return nullptr;
    return m_items[static_cast<std::size_t>(position)].popup.get();
}

namespace {

/// The caption with the shortcut after a tab, as the menu shows it.
void SetActionText(QAction* action, const CString& text) {
    const QString caption = TBQ(text);
    const int tab = static_cast<int>(caption.indexOf(QLatin1Char('\t')));
    action->setText(tab >= 0 ? caption.left(tab) : caption);
    if (tab >= 0) action->setShortcut(QKeySequence(caption.mid(tab + 1)));
}

}  // namespace

QMenu* CMenu::BuildQMenu(QWidget* parent) const {
    auto* menu = new QMenu(parent);
    for (const Item& item : m_items) {
        if (item.flags & MF_SEPARATOR) {
            menu->addSeparator();
        } else if (item.popup) {
            QMenu* sub = item.popup->BuildQMenu(menu);
            sub->setTitle(TBQ(item.text));
            sub->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            menu->addMenu(sub);
        } else {
            QAction* action = menu->addAction(QString());
            SetActionText(action, item.text);
            action->setData(item.id);
            action->setEnabled(!(item.flags & (MF_GRAYED | MF_DISABLED)));
            if (item.flags & MF_CHECKED) {
                action->setCheckable(true);
                action->setChecked(true);
            }
        }
    }
    return menu;
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, CWnd* owner, const RECT*) {
    if (!m_hMenu || !owner || !owner->GetWidget()) return FALSE;
    // The owner prepares the popup, then every item asks whether it is enabled.
    if (!(flags & TPM_NONOTIFY))
        owner->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_hMenu), MAKELPARAM(0, 0));
    for (int i = 0; i < GetMenuItemCount(); ++i) {
        const UINT id = GetMenuItemID(i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_pMenu = this;
        ui.DoUpdate(owner);
    }
    std::unique_ptr<QMenu> menu(BuildQMenu(owner->GetWidget()));
    QPoint at(x, y);
    const QSize size = menu->sizeHint();
    if (flags & TPM_RIGHTALIGN)
        at.rx() -= size.width();
    else if (flags & TPM_CENTERALIGN)
        at.rx() -= size.width() / 2;
    QAction* chosen = menu->exec(at);
    const UINT id = chosen ? chosen->data().toUInt() : 0;
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(id);
    // The command arrives after the call returns, as the system posts it.
    if (id) owner->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    return id != 0;
}
