// The Qt side of the editable grid: the model that holds the rows (cell texts, cell
// definitions, item data and image), the tree view that shows them with uniform row
// heights, the delegate and the header that draw through the control.
#pragma once

#include <toolbox/ui/edit_list_ctrl.h>

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTreeView>

#include <memory>
#include <vector>

/// One row of the grid: a text and a definition (null: none) per column.
struct CTBEditListRow {
    std::vector<CString> texts;
    std::vector<std::unique_ptr<TB_SITEMDEF>> defs;
    DWORD_PTR data = 0;
    int image = -1;
};

class CTBEditListModel : public QAbstractTableModel {
public:
    explicit CTBEditListModel(QObject* parent) : QAbstractTableModel(parent) {}

    std::vector<CTBEditListRow> rows;
    std::vector<CString> captions;
    std::vector<int> formats;

    /// A row, the text and the definition of a cell; row and col must be valid.
    CTBEditListRow& Row(int row) { return rows[static_cast<std::size_t>(row)]; }
    const CTBEditListRow& Row(int row) const { return rows[static_cast<std::size_t>(row)]; }
    CString& Text(int row, int col) { return Row(row).texts[static_cast<std::size_t>(col)]; }
    const CString& Text(int row, int col) const { return Row(row).texts[static_cast<std::size_t>(col)]; }
    TB_SITEMDEF* Def(int row, int col) const { return Row(row).defs[static_cast<std::size_t>(col)].get(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : static_cast<int>(captions.size());
    }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    bool InsertRow(int row);
    bool RemoveRow(int row);
    void RemoveAll();
    bool InsertColumn(int col, const CString& caption, int format);
    bool RemoveColumn(int col);
    /// Tells the view that rows first..last changed (all columns).
    void RowsChanged(int first, int last);
};

class CTBEditListCtrl;

/// Draws every cell through the control and gives the row height.
class CTBEditListDelegate : public QStyledItemDelegate {
public:
    CTBEditListDelegate(CTBEditListCtrl* ctrl, QObject* parent) : QStyledItemDelegate(parent), m_ctrl(ctrl) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CTBEditListCtrl* m_ctrl;
};

/// The header; as unit header it draws its captions with unit notation.
class CTBUnitHeaderCtrl : public QHeaderView {
public:
    CTBUnitHeaderCtrl(CTBEditListCtrl* ctrl, QWidget* parent);
    bool unitNotation = false;
    int sortColumn = -1;
    bool sortAscending = true;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

private:
    CTBEditListCtrl* m_ctrl;
};

class CTBEditListView : public QTreeView {
public:
    CTBEditListView(CTBEditListCtrl* ctrl, QWidget* parent);
    CTBEditListModel* model() const { return m_model; }
    CTBUnitHeaderCtrl* unitHeader() const { return m_header; }
    /// The rectangle of cell (row, col) in the view's own (client) coordinates.
    QRect CellRect(int row, int col) const;
    /// The cell under a client point; invalid when none.
    QModelIndex CellAt(QPoint client) const;
    int RowHeight() const;

private:
    CTBEditListModel* m_model;
    CTBUnitHeaderCtrl* m_header;
};
