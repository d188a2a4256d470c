// The list view in report view: a QTreeWidget without a tree, whose rows are items and
// whose columns are sub-items. Every change of an item's selected or focused state
// reaches the parent as LVN_ITEMCHANGED with the old and new states, whether the user
// or the program made it; clicks arrive as NM_CLICK, NM_DBLCLK and NM_RCLICK after
// the view has handled them, header clicks as LVN_COLUMNCLICK.
#include "controls/window/list_view.h"

#include "controls/window/control_widgets.h"

#include <toolbox/ui/controls.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QTimer>
#include <QTreeWidget>

CNativeListView::CNativeListView(QTreeWidget* tree, DWORD s, DWORD e, UINT i) : CNativeWindow(tree, s, e, i) {
    tree->setRootIsDecorated(false);
    tree->setUniformRowHeights(true);
    tree->setItemsExpandable(false);
    tree->setAllColumnsShowFocus(true);
    tree->setColumnCount(0);
    tree->setSelectionMode((s & LVS_SINGLESEL) ? QAbstractItemView::SingleSelection
                                               : QAbstractItemView::ExtendedSelection);
    tree->header()->setSectionsMovable(false);
    tree->header()->setSectionsClickable(!(s & LVS_NOSORTHEADER));
    tree->header()->setStretchLastSection(false);
    WatchPart(tree->viewport());
    // The view changes focus and selection in steps; the parent hears of each item once.
    connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ScheduleStatesChanged(); });
    connect(tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { ScheduleStatesChanged(); });
    connect(tree->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        NMLISTVIEW nm;
        nm.iItem = -1;
        nm.iSubItem = column;
        NotifyParent(nm.hdr, LVN_COLUMNCLICK);
    });
}

QTreeWidget* CNativeListView::Tree() const { return static_cast<QTreeWidget*>(widget()); }

CNativeListView* CNativeListView::Of(QWidget* widget) {
    return dynamic_cast<CNativeListView*>(CNativeWindow::Find(widget));
}

UINT CNativeListView::CurrentState(int row) const {
    QTreeWidgetItem* item = Tree()->topLevelItem(row);
    if (!item) return 0;
    UINT state = 0;
    if (item->isSelected()) state |= LVIS_SELECTED;
    if (Tree()->currentItem() == item) state |= LVIS_FOCUSED;
    return state;
}

void CNativeListView::ScheduleStatesChanged() {
    if (m_quiet || m_flushPending) return;
    m_flushPending = true;
    QPointer<CNativeListView> self(this);
    QTimer::singleShot(0, this, [self] {
        if (!self) return;
        self->m_flushPending = false;
        self->StatesChanged();
    });
}

void CNativeListView::StatesChanged() {
    if (m_quiet) return;
    // Items that lose a state are reported before items that gain one.
    std::vector<std::pair<int, UINT>> losing, gaining;
    for (int row = 0; row < static_cast<int>(m_states.size()); ++row) {
        const UINT now = CurrentState(row);
        const UINT before = m_states[static_cast<std::size_t>(row)];
        if (now == before) continue;
        ((now & ~before) ? gaining : losing).push_back({row, before});
        m_states[static_cast<std::size_t>(row)] = now;
    }
    for (auto* list : {&losing, &gaining}) {
        for (const auto& change : *list) {
            NMLISTVIEW nm;
            nm.iItem = change.first;
            nm.uOldState = change.second;
            nm.uNewState = m_states[static_cast<std::size_t>(change.first)];
            nm.uChanged = LVIF_STATE;
            nm.lParam = static_cast<LPARAM>(ItemData(change.first));
            NotifyParent(nm.hdr, LVN_ITEMCHANGED);
        }
    }
}

DWORD_PTR CNativeListView::ItemData(int row) const {
    QTreeWidgetItem* item = Tree()->topLevelItem(row);
    return item ? static_cast<DWORD_PTR>(item->data(0, Qt::UserRole + 1).toULongLong()) : 0;
}

int CNativeListView::InsertColumn(int column, const CString& heading, int format, int width) {
    QTreeWidget* tree = Tree();
    const int count = tree->columnCount();
    if (column < 0 || column > count) column = count;
    QTreeWidgetItem* header = tree->headerItem();
    // Shift existing headings and cells one column to the right.
    tree->setColumnCount(count + 1);
    for (int c = count; c > column; --c) {
        header->setText(c, header->text(c - 1));
        header->setTextAlignment(c, Qt::Alignment(header->textAlignment(c - 1)));
        tree->setColumnWidth(c, tree->columnWidth(c - 1));
        for (int r = 0; r < tree->topLevelItemCount(); ++r) {
            QTreeWidgetItem* item = tree->topLevelItem(r);
            item->setText(c, item->text(c - 1));
            item->setTextAlignment(c, Qt::Alignment(item->textAlignment(c - 1)));
        }
    }
    header->setText(column, TBQ(heading));
    const Qt::Alignment align = (format == LVCFMT_RIGHT    ? Qt::AlignRight
                                 : format == LVCFMT_CENTER ? Qt::AlignHCenter
                                                           : Qt::AlignLeft) |
                                Qt::AlignVCenter;
    header->setTextAlignment(column, Qt::Alignment(static_cast<int>(align)));
    for (int r = 0; r < tree->topLevelItemCount(); ++r) {
        tree->topLevelItem(r)->setText(column, QString());
        tree->topLevelItem(r)->setTextAlignment(column, Qt::Alignment(static_cast<int>(align)));
    }
    m_alignments.insert(m_alignments.begin() + column, static_cast<int>(align));
    tree->setColumnWidth(column, width >= 0 ? width : tree->fontMetrics().horizontalAdvance(TBQ(heading)) + 16);
    return column;
}

bool CNativeListView::DeleteColumn(int column) {
    QTreeWidget* tree = Tree();
    const int count = tree->columnCount();
    if (column < 0 || column >= count) return false;
    QTreeWidgetItem* header = tree->headerItem();
    for (int c = column; c + 1 < count; ++c) {
        header->setText(c, header->text(c + 1));
        tree->setColumnWidth(c, tree->columnWidth(c + 1));
        for (int r = 0; r < tree->topLevelItemCount(); ++r)
            tree->topLevelItem(r)->setText(c, tree->topLevelItem(r)->text(c + 1));
    }
    tree->setColumnCount(count - 1);
    m_alignments.erase(m_alignments.begin() + column);
    return true;
}

int CNativeListView::InsertItem(int row, const CString& text) {
    QTreeWidget* tree = Tree();
    if (tree->columnCount() == 0) return -1;
    const int count = tree->topLevelItemCount();
    if (row < 0 || row > count) row = count;
    auto* item = new QTreeWidgetItem;
    item->setText(0, TBQ(text));
    for (int c = 0; c < static_cast<int>(m_alignments.size()); ++c)
        item->setTextAlignment(c, Qt::Alignment(m_alignments[static_cast<std::size_t>(c)]));
    m_quiet = true;
    tree->insertTopLevelItem(row, item);
    m_quiet = false;
    m_states.insert(m_states.begin() + row, 0u);
    NMLISTVIEW nm;
    nm.iItem = row;
    NotifyParent(nm.hdr, LVN_INSERTITEM);
    return row;
}

bool CNativeListView::DeleteItem(int row) {
    QTreeWidget* tree = Tree();
    if (row < 0 || row >= tree->topLevelItemCount()) return false;
    NMLISTVIEW nm;
    nm.iItem = row;
    nm.lParam = static_cast<LPARAM>(ItemData(row));
    NotifyParent(nm.hdr, LVN_DELETEITEM);
    m_quiet = true;
    delete tree->takeTopLevelItem(row);
    m_quiet = false;
    m_states.erase(m_states.begin() + row);
    // The selection model may have moved the current item: states follow silently.
    for (int r = 0; r < static_cast<int>(m_states.size()); ++r) m_states[static_cast<std::size_t>(r)] = CurrentState(r);
    return true;
}

bool CNativeListView::DeleteAll() {
    QTreeWidget* tree = Tree();
    NMLISTVIEW nm;
    nm.iItem = -1;
    NotifyParent(nm.hdr, LVN_DELETEALLITEMS);
    m_quiet = true;
    tree->clear();
    m_quiet = false;
    m_states.clear();
    return true;
}

bool CNativeListView::SetCellText(int row, int column, const CString& text) {
    QTreeWidgetItem* item = Tree()->topLevelItem(row);
    if (!item || column < 0 || column >= Tree()->columnCount()) return false;
    item->setText(column, TBQ(text));
    return true;
}

CString CNativeListView::CellText(int row, int column) const {
    QTreeWidgetItem* item = Tree()->topLevelItem(row);
    if (!item || column < 0 || column >= Tree()->columnCount()) return CString();
    return TBC(item->text(column));
}

bool CNativeListView::SetData(int row, DWORD_PTR data) {
    QTreeWidgetItem* item = Tree()->topLevelItem(row);
    if (!item) return false;
    item->setData(0, Qt::UserRole + 1, QVariant::fromValue<qulonglong>(data));
    return true;
}

bool CNativeListView::SetState(int row, UINT state, UINT mask) {
    QTreeWidget* tree = Tree();
    if (row < -1 || row >= tree->topLevelItemCount()) return false;
    // Row -1 applies the state to every item, as the control does.
    const int first = row < 0 ? 0 : row, last = row < 0 ? tree->topLevelItemCount() - 1 : row;
    // One notification per item for the whole change, not one per step.
    m_quiet = true;
    for (int r = first; r <= last; ++r) {
        QTreeWidgetItem* item = tree->topLevelItem(r);
        if (mask & LVIS_FOCUSED) {
            if (state & LVIS_FOCUSED)
                tree->selectionModel()->setCurrentIndex(tree->indexFromItem(item), QItemSelectionModel::NoUpdate);
            else if (tree->currentItem() == item)
                tree->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
        }
        if (mask & LVIS_SELECTED) {
            if ((state & LVIS_SELECTED) && tree->selectionMode() == QAbstractItemView::SingleSelection)
                tree->clearSelection();
            item->setSelected(state & LVIS_SELECTED);
        }
    }
    m_quiet = false;
    StatesChanged();
    return true;
}

int CNativeListView::NextItem(int start, UINT flags) const {
    const int count = Tree()->topLevelItemCount();
    for (int r = start < 0 ? 0 : start + 1; r < count; ++r) {
        const UINT state = CurrentState(r);
        if ((flags & LVNI_SELECTED) && !(state & LVIS_SELECTED)) continue;
        if ((flags & LVNI_FOCUSED) && !(state & LVIS_FOCUSED)) continue;
        return r;
    }
    return -1;
}

int CNativeListView::HitTest(QPoint point, int* column) const {
    QTreeWidget* tree = Tree();
    const QPoint inViewport = tree->viewport()->mapFrom(tree, point);
    QTreeWidgetItem* item = tree->itemAt(inViewport);
    if (column) *column = item ? tree->columnAt(inViewport.x()) : -1;
    return item ? tree->indexOfTopLevelItem(item) : -1;
}

bool CNativeListView::eventFilter(QObject* watched, QEvent* event) {
    if (!Alive()) return false;
    const bool eaten = CNativeWindow::eventFilter(watched, event);
    if (eaten || watched != Tree()->viewport()) return eaten;
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonRelease && type != QEvent::MouseButtonDblClick) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    UINT code = 0;
    if (type == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
        code = NM_DBLCLK;
    else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton)
        code = NM_CLICK;
    else if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::RightButton)
        code = NM_RCLICK;
    if (!code) return false;
    const QPoint p = Tree()->viewport()->mapTo(Tree(), mouse->position().toPoint());
    const UINT keys = ((mouse->modifiers() & Qt::ShiftModifier) ? MK_SHIFT : 0) |
                      ((mouse->modifiers() & Qt::ControlModifier) ? MK_CONTROL : 0);
    // The click is reported once the view has handled it (selection first).
    QPointer<CNativeListView> self(this);
    QTimer::singleShot(0, this, [self, p, code, keys] {
        if (!self) return;
        NMITEMACTIVATE nm;
        nm.iItem = self->HitTest(p, &nm.iSubItem);
        nm.ptAction = {p.x(), p.y()};
        nm.uKeyFlags = keys;
        self->NotifyParent(nm.hdr, code);
    });
    return false;
}

void CNativeListView::OnDefaultEvent(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_KEYDOWN) {
        NMLVKEYDOWN nm;
        nm.wVKey = static_cast<WORD>(wParam);
        NotifyParent(nm.hdr, LVN_KEYDOWN);
    } else if (message == WM_SETFOCUS || message == WM_KILLFOCUS) {
        NMHDR hdr;
        NotifyParent(hdr, message == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS);
    }
}

std::unique_ptr<CWnd> CNativeListView::MakeTemporary() const { return std::make_unique<CListCtrl>(); }

CNativeWindow* TBMakeListViewNative(QTreeWidget* tree, DWORD style, DWORD exStyle, UINT id) {
    return new CNativeListView(tree, style, exStyle, id);
}
