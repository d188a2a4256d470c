// The grid's row order: sorting and moving rows.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/grid/edit_list_view.h"
#include "controls/grid/edit_types.h"

#include <cctype>
#include <cstdlib>
#include <utility>

namespace {

int CompareNoCase(const CString& a, const CString& b) {
    const char* x = a.GetString();
    const char* y = b.GetString();
    for (;; ++x, ++y) {
        const int cx = std::tolower(static_cast<unsigned char>(*x)), cy = std::tolower(static_cast<unsigned char>(*y));
        if (cx != cy || !cx) return cx - cy;
    }
}

bool HoldsRowNumber(const TB_SITEMDEF* def) { return TBEditTypeOf(def).value == TBCellValue::RowNumber; }

}  // namespace

int CTBEditListCtrl::CompareCellTexts(const CString& a, const CString& b) {
    const int x = std::atoi(a), y = std::atoi(b);
    if (x != y) return x < y ? -1 : 1;
    return CompareNoCase(a, b);
}

void CTBEditListCtrl::SwapRows(int a, int b, bool withItem) {
    if (a == b) return;
    CTBEditListRow& x = m_model->Row(a);
    CTBEditListRow& y = m_model->Row(b);
    const std::size_t columns = x.texts.size();
    for (std::size_t c = 0; c < columns; ++c) {
        // Auto-numbered cells keep their place: they count rows, not data.
        if (HoldsRowNumber(x.defs[c].get()) || HoldsRowNumber(y.defs[c].get())) continue;
        std::swap(x.texts[c], y.texts[c]);
        std::swap(x.defs[c], y.defs[c]);
    }
    if (withItem) {
        std::swap(x.data, y.data);
        std::swap(x.image, y.image);
    }
}

void CTBEditListCtrl::QuickSort(int col, int low, int high, bool ascending) {
    while (low < high) {
        int i = low, j = high;
        // A copy: the pivot's row moves while the partition swaps rows.
        const CString pivot = m_model->Text(low + (high - low) / 2, col);
        auto before = [&](int row) {
            const int order = CompareCellTexts(m_model->Text(row, col), pivot);
            return ascending ? order < 0 : order > 0;
        };
        auto after = [&](int row) {
            const int order = CompareCellTexts(m_model->Text(row, col), pivot);
            return ascending ? order > 0 : order < 0;
        };
        while (i <= j) {
            // Bounded scans: auto-numbered cells never move, so a swap may leave the
            // compared texts where they were and the usual sentinels are missing.
            while (i < high && before(i)) ++i;
            while (j > low && after(j)) --j;
            if (i <= j) {
                SwapRows(i, j, false);
                ++i;
                --j;
            }
        }
        // Recurse into the smaller side, loop on the larger: the depth stays logarithmic.
        if (j - low < high - i) {
            QuickSort(col, low, j, ascending);
            low = i;
        } else {
            QuickSort(col, i, high, ascending);
            high = j;
        }
    }
}

void CTBEditListCtrl::SortList(int col, bool ascending) {
    if (!m_model || col < 0 || col >= GetColumnCount() || GetItemCount() < 2) return;
    if (m_editor && !CloseEdit(TRUE)) return;
    // Auto-numbered cells stay where they are: a column of them is in row order already.
    for (const CTBEditListRow& row : m_model->rows) {
        if (HoldsRowNumber(row.defs[static_cast<std::size_t>(col)].get())) return;
    }
    m_view->setUpdatesEnabled(false);
    QuickSort(col, 0, GetItemCount() - 1, ascending);
    m_view->setUpdatesEnabled(true);
    m_model->RowsChanged(0, GetItemCount() - 1);
}

void CTBEditListCtrl::MoveDown() {
    if (!m_model || (m_editor && !CloseEdit(TRUE))) return;
    std::vector<int> rows;
    for (int r = GetNextItem(-1, LVNI_SELECTED); r >= 0; r = GetNextItem(r, LVNI_SELECTED)) rows.push_back(r);
    if (rows.empty() || rows.back() >= GetItemCount() - 1) return;
    QItemSelectionModel* selection = m_view->selectionModel();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const int r = *it;
        SwapRows(r, r + 1, true);
        selection->select(m_model->index(r, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        selection->select(m_model->index(r + 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (m_current.y == r) m_current.y = r + 1;
    }
    m_model->RowsChanged(rows.front(), rows.back() + 1);
    if (m_current.y >= 0) {
        selection->setCurrentIndex(m_model->index(m_current.y, 0), QItemSelectionModel::NoUpdate);
        EnsureVisible(m_current.y, -1, FALSE);
    }
}

void CTBEditListCtrl::MoveUp() {
    if (!m_model || (m_editor && !CloseEdit(TRUE))) return;
    std::vector<int> rows;
    for (int r = GetNextItem(-1, LVNI_SELECTED); r >= 0; r = GetNextItem(r, LVNI_SELECTED)) rows.push_back(r);
    if (rows.empty() || rows.front() <= 0) return;
    QItemSelectionModel* selection = m_view->selectionModel();
    for (int r : rows) {
        SwapRows(r, r - 1, true);
        selection->select(m_model->index(r, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        selection->select(m_model->index(r - 1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        if (m_current.y == r) m_current.y = r - 1;
    }
    m_model->RowsChanged(rows.front() - 1, rows.back());
    if (m_current.y >= 0) {
        selection->setCurrentIndex(m_model->index(m_current.y, 0), QItemSelectionModel::NoUpdate);
        EnsureVisible(m_current.y, -1, FALSE);
    }
}
