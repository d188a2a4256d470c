// The grid's layout: header, column widths, scrolling, the current cell, hit tests.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_view.h"
#include "controls/grid/edit_types.h"

#include <toolbox/ui/registry_manager.h>
#include <toolbox/ui/unit_controls.h>

#include <QFontMetrics>
#include <QScrollBar>

#include <algorithm>
#include <cstdlib>

namespace {
/// The narrowest and widest column AutoSizeColumn makes.
constexpr int kMinColumnWidth = 10;
constexpr int kMaxColumnWidth = 2000;
}  // namespace

void CTBEditListCtrl::InitializeCtrl(int unitHeader, int faceColouredFixedCells) {
    m_faceColouredFixedCells = faceColouredFixedCells;
    if (unitHeader && m_view && !m_unitHeaderInstalled) {
        m_unitHeaderInstalled = true;
        m_view->unitHeader()->unitNotation = true;
        m_view->header()->viewport()->update();
    }
    if (m_view) m_view->viewport()->update();
}

void CTBEditListCtrl::InitializeColumnSize(int autoSize, LPCTSTR section, LPCTSTR entry) {
    if (autoSize) {
        AutoSizeColumn(-1);
        return;
    }
    if (!section || !entry) return;
    CTBRegistryManager settings;
    const CString stored = settings.GetProfileString(section, entry);
    int start = 0;
    for (int col = 0; col < GetColumnCount(); ++col) {
        const CString width = stored.Tokenize(",", start);
        if (start < 0 || width.IsEmpty()) break;
        const int value = std::atoi(width);
        if (value > 0 && value <= kMaxColumnWidth) SetColumnWidth(col, value);
    }
}

void CTBEditListCtrl::SaveColumnSize(LPCTSTR section, LPCTSTR entry) const {
    if (!section || !entry) return;
    CString widths;
    for (int col = 0; col < GetColumnCount(); ++col) {
        CString one;
        one.Format(col ? ",%d" : "%d", GetColumnWidth(col));
        widths += one;
    }
    CTBRegistryManager settings;
    settings.WriteProfileString(section, entry, widths);
}

void CTBEditListCtrl::AutoSizeColumn(int col) {
    if (!m_view) return;
    const int first = col < 0 ? 0 : col, last = col < 0 ? GetColumnCount() - 1 : col;
    if (first < 0 || last >= GetColumnCount()) return;
    m_view->setUpdatesEnabled(false);
    const QFontMetrics fm(m_view->font());
    const QFontMetrics headerMetrics(m_view->header()->font());
    const int rows = GetItemCount();
    for (int c = first; c <= last; ++c) {
        int width = 0;
        bool button = false;
        for (int r = 0; r < rows; ++r) {
            const CTBEditListRow& row = m_model->Row(r);
            const TBEditTypeInfo& info = TBEditTypeOf(row.defs[static_cast<std::size_t>(c)].get());
            const CString& text = row.texts[static_cast<std::size_t>(c)];
            const CString shown = info.Has(kTypeUnitNotation) ? TBUnitNotationText(text) : text;
            width = std::max(width, fm.horizontalAdvance(QString::fromUtf8(shown.GetString(), shown.GetLength())));
            button = button || info.HasCellButton();
        }
        width += 12;  // the cell's margins
        if (button) width += GetRowHeight();
        const CString caption = m_view->unitHeader()->unitNotation ? TBUnitNotationText(GetEditColumnName(c))
                                                                    : GetEditColumnName(c);
        int lower = headerMetrics.horizontalAdvance(QString::fromUtf8(caption.GetString(), caption.GetLength())) + 12;
        if (m_view->unitHeader()->sortColumn == c) lower += 24;
        SetColumnWidth(c, std::clamp(std::max(width, lower), kMinColumnWidth, kMaxColumnWidth));
    }
    m_view->setUpdatesEnabled(true);
    m_view->viewport()->update();
}

void CTBEditListCtrl::SetSortArrow(int col, BOOL ascending) {
    if (!m_view) return;
    m_view->unitHeader()->sortColumn = col;
    m_view->unitHeader()->sortAscending = ascending != FALSE;
    m_view->header()->viewport()->update();
}

BOOL CTBEditListCtrl::EnsureVisible(int row, int col, BOOL partialOK) {
    if (!ValidCell(row, std::max<int>(0, col))) return FALSE;
    const QModelIndex index = m_model->index(row, std::max<int>(0, col));
    QRect r = m_view->visualRect(index);
    const QRect area = m_view->viewport()->rect();
    const bool rowShown = r.isValid() && r.top() >= 0 && r.bottom() <= area.bottom();
    const bool partlyShown = r.isValid() && r.bottom() >= 0 && r.top() <= area.bottom();
    if (!(rowShown || (partialOK && partlyShown))) {
        // Scroll the row in first, then sideways only as far as the column needs.
        m_view->scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
        r = m_view->visualRect(index);
    }
    if (col >= 0) {
        QScrollBar* bar = m_view->horizontalScrollBar();
        if (r.left() < 0)
            bar->setValue(bar->value() + r.left());
        else if (r.right() > area.right())
            bar->setValue(bar->value() + std::min(r.left(), r.right() - area.right()));
    }
    return TRUE;
}

void CTBEditListCtrl::SelectItem(CPoint cell, BOOL exclusive) {
    if (!ValidCell(cell.y, std::max(0, static_cast<int>(cell.x)))) return;
    QItemSelectionModel* selection = m_view->selectionModel();
    const QModelIndex index = m_model->index(cell.y, std::max(0, static_cast<int>(cell.x)));
    m_current = cell;
    if (exclusive)
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
        selection->setCurrentIndex(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

CPoint CTBEditListCtrl::FindItem(CPoint point, TB_EnumEditTypes& type) const {
    type = TB_EDIT_NONE;
    if (!m_view) return CPoint(-1, -1);
    const QModelIndex index = m_view->CellAt(QPoint(point.x, point.y));
    if (!index.isValid()) return CPoint(-1, -1);
    const int row = index.row(), col = index.column();
    type = GetEditItemType(row, col);
    if (HasEditItemDef(row, col) && TBEditTypeOf(type).ClicksOnGlyph()) {
        // Only the centred square of the glyph counts for check and radio cells.
        const QRect r = m_view->CellRect(row, col);
        const int cx = r.left() + r.width() / 2, cy = r.top() + r.height() / 2, half = m_checkHitWidth / 2;
        if (std::abs(point.x - cx) > half || std::abs(point.y - cy) > half) {
            type = TB_EDIT_NONE;
            return CPoint(-1, -1);
        }
    }
    return CPoint(col, row);
}

BOOL CTBEditListCtrl::GetCellRect(int row, int col, RECT* rect) const {
    if (!rect || !ValidCell(row, col)) return FALSE;
    const QRect r = m_view->CellRect(row, col);
    if (!r.isValid()) return FALSE;
    *rect = CRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
    return TRUE;
}

int CTBEditListCtrl::GetRowHeight() const {
    if (!m_view) return 18;
    // Text height plus 4, at least the height of the largest image of the cells' lists.
    int height = QFontMetrics(m_view->font()).height() + 4;
    return std::max(height, m_imageHeight);
}

int CTBEditListCtrl::GetTopIndex() const {
    if (!m_view) return 0;
    const QModelIndex top = m_view->indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void CTBEditListCtrl::Remeasure() {
    if (m_view) m_view->doItemsLayout();
}
