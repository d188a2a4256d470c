// The grid's model, view, delegate and header.
#include "controls/grid/edit_list_view.h"

#include <toolbox/ui/drawing.h>
#include <toolbox/ui/unit_controls.h>

#include <QFontMetrics>
#include <QPainter>
#include <QScrollBar>

namespace {
QString ToQ(const CString& s) { return QString::fromUtf8(s.GetString(), s.GetLength()); }
}  // namespace

// ------------------------------------------------------------------ model

QVariant CTBEditListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(rows.size())) return {};
    const CTBEditListRow& r = Row(index.row());
    if (index.column() >= static_cast<int>(r.texts.size())) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return ToQ(r.texts[static_cast<std::size_t>(index.column())]);
    return {};
}

QVariant CTBEditListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= static_cast<int>(captions.size())) return {};
    if (role == Qt::DisplayRole) return ToQ(captions[static_cast<std::size_t>(section)]);
    if (role == Qt::TextAlignmentRole) {
        const int format = formats[static_cast<std::size_t>(section)] & 3;
        const Qt::Alignment h = format == LVCFMT_RIGHT    ? Qt::AlignRight
                                : format == LVCFMT_CENTER ? Qt::AlignHCenter
                                                          : Qt::AlignLeft;
        return QVariant::fromValue(static_cast<int>(h | Qt::AlignVCenter));
    }
    return {};
}

Qt::ItemFlags CTBEditListModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool CTBEditListModel::InsertRow(int row) {
    if (row < 0 || row > static_cast<int>(rows.size())) return false;
    beginInsertRows(QModelIndex(), row, row);
    CTBEditListRow fresh;
    fresh.texts.resize(captions.size());
    fresh.defs.resize(captions.size());
    rows.insert(rows.begin() + row, std::move(fresh));
    endInsertRows();
    return true;
}

bool CTBEditListModel::RemoveRow(int row) {
    if (row < 0 || row >= static_cast<int>(rows.size())) return false;
    beginRemoveRows(QModelIndex(), row, row);
    rows.erase(rows.begin() + row);
    endRemoveRows();
    return true;
}

void CTBEditListModel::RemoveAll() {
    beginResetModel();
    rows.clear();
    endResetModel();
}

bool CTBEditListModel::InsertColumn(int col, const CString& caption, int format) {
    if (col < 0 || col > static_cast<int>(captions.size())) return false;
    beginInsertColumns(QModelIndex(), col, col);
    captions.insert(captions.begin() + col, caption);
    formats.insert(formats.begin() + col, format);
    for (CTBEditListRow& r : rows) {
        r.texts.insert(r.texts.begin() + col, CString());
        r.defs.insert(r.defs.begin() + col, nullptr);
    }
    endInsertColumns();
    return true;
}

bool CTBEditListModel::RemoveColumn(int col) {
    if (col < 0 || col >= static_cast<int>(captions.size())) return false;
    beginRemoveColumns(QModelIndex(), col, col);
    captions.erase(captions.begin() + col);
    formats.erase(formats.begin() + col);
    for (CTBEditListRow& r : rows) {
        r.texts.erase(r.texts.begin() + col);
        r.defs.erase(r.defs.begin() + col);
    }
    endRemoveColumns();
    return true;
}

void CTBEditListModel::RowsChanged(int first, int last) {
    if (rows.empty() || captions.empty() || first > last) return;
    emit dataChanged(index(first, 0), index(last, static_cast<int>(captions.size()) - 1));
}

// ------------------------------------------------------------------ delegate

void CTBEditListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    painter->save();
    CDC dc;
    dc.AttachPainter(painter);
    m_ctrl->DrawCell(dc, index.row(), index.column(), CRect(option.rect.left(), option.rect.top(),
                                                            option.rect.right() + 1, option.rect.bottom() + 1),
                     (option.state & QStyle::State_Selected) ? TRUE : FALSE);
    dc.DetachDevice();
    painter->restore();
}

QSize CTBEditListDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return QSize(40, m_ctrl->GetRowHeight());
}

// ------------------------------------------------------------------ header

CTBUnitHeaderCtrl::CTBUnitHeaderCtrl(CTBEditListCtrl* ctrl, QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent), m_ctrl(ctrl) {}

void CTBUnitHeaderCtrl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!unitNotation && sortColumn != logicalIndex) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    // Flat face, a light and a dark edge, the caption with its unit symbols, the arrow.
    painter->save();
    CDC dc;
    dc.AttachPainter(painter);
    CRect r(rect.left(), rect.top(), rect.right() + 1, rect.bottom() + 1);
    dc.FillSolidRect(&r, GetSysColor(COLOR_BTNFACE));
    dc.Draw3dRect(&r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    CRect text(r);
    text.DeflateRect(6, 0);
    if (sortColumn == logicalIndex) {
        text.right -= 16;
        const int cx = r.right - 12, cy = (r.top + r.bottom) / 2;
        POINT up[3] = {{cx - 4, cy + 2}, {cx + 4, cy + 2}, {cx, cy - 3}};
        POINT down[3] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3}};
        CBrush brush;
        brush.CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
        CBrush* oldBrush = dc.SelectObject(&brush);
        dc.Polygon(sortAscending ? up : down, 3);
        dc.SelectObject(oldBrush);
    }
    const int format = model() ? model()->headerData(logicalIndex, Qt::Horizontal, Qt::TextAlignmentRole).toInt() : 0;
    UINT align = DT_LEFT;
    if (format & Qt::AlignRight) align = DT_RIGHT;
    if (format & Qt::AlignHCenter) align = DT_CENTER;
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(GetSysColor(COLOR_BTNTEXT));
    const CString caption = m_ctrl->GetEditColumnName(logicalIndex);
    TBSpecialDrawText(&dc, caption, &text, align | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS,
                      unitNotation ? 1 : 0);
    dc.DetachDevice();
    painter->restore();
}

QSize CTBUnitHeaderCtrl::sectionSizeFromContents(int logicalIndex) const {
    QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
    if (unitNotation) {
        const QFontMetrics fm(font());
        const CString caption = m_ctrl->GetEditColumnName(logicalIndex);
        size.setWidth(fm.horizontalAdvance(ToQ(TBUnitNotationText(caption))) + 12);
    }
    return size;
}

// ------------------------------------------------------------------ view

CTBEditListView::CTBEditListView(CTBEditListCtrl* ctrl, QWidget* parent)
    : QTreeView(parent), m_model(new CTBEditListModel(this)), m_header(new CTBUnitHeaderCtrl(ctrl, this)) {
    setHeader(m_header);
    setModel(m_model);
    setItemDelegate(new CTBEditListDelegate(ctrl, this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setTextElideMode(Qt::ElideRight);
    m_header->setStretchLastSection(false);
    m_header->setSectionsMovable(false);
    m_header->setSectionsClickable(true);
    m_header->setHighlightSections(false);
    m_header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

QRect CTBEditListView::CellRect(int row, int col) const {
    const QRect r = visualRect(m_model->index(row, col));
    return r.isValid() ? r.translated(viewport()->pos()) : QRect();
}

QModelIndex CTBEditListView::CellAt(QPoint client) const {
    const QPoint p = client - viewport()->pos();
    if (!viewport()->rect().contains(p)) return {};
    return indexAt(p);
}

int CTBEditListView::RowHeight() const {
    const int top = m_model->rowCount() > 0 ? rowHeight(m_model->index(0, 0)) : 0;
    return top > 0 ? top : itemDelegate()->sizeHint(QStyleOptionViewItem(), QModelIndex()).height();
}
