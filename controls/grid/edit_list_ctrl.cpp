// The editable grid: creation, columns, rows and cells with their definitions.
#include <toolbox/ui/edit_list_ctrl.h>

#include "controls/editors/self_drawn_combo.h"
#include "controls/grid/edit_list_editors.h"
#include "controls/grid/edit_list_view.h"
#include "controls/window/native_window.h"

#include <toolbox/resources/string_table.h>

#include <QScrollBar>

#include <cstdio>

// ------------------------------------------------------------------ image list

CImageList::CImageList() = default;
CImageList::~CImageList() = default;

BOOL CImageList::Create(int width, int height) {
    if (width <= 0 || height <= 0) return FALSE;
    m_size = CSize(width, height);
    m_images.clear();
    return TRUE;
}

int CImageList::Add(CBitmap* bitmap) {
    if (!bitmap || !bitmap->GetImage() || m_size.cx <= 0) return -1;
    auto copy = std::make_unique<CBitmap>();
    if (!copy->CreateBitmap(m_size.cx, m_size.cy) || !copy->GetImage()) return -1;
    *copy->GetImage() = bitmap->GetImage()->scaled(m_size.cx, m_size.cy);
    m_images.push_back(std::move(copy));
    return static_cast<int>(m_images.size()) - 1;
}

int CImageList::GetImageCount() const { return static_cast<int>(m_images.size()); }

BOOL CImageList::Draw(CDC* dc, int index, POINT point) const {
    if (!dc || index < 0 || index >= GetImageCount()) return FALSE;
    CDC memory;
    if (!memory.CreateCompatibleDC(dc)) return FALSE;
    CBitmap* old = memory.SelectObject(m_images[static_cast<std::size_t>(index)].get());
    dc->BitBlt(point.x, point.y, m_size.cx, m_size.cy, &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
    return TRUE;
}

// ------------------------------------------------------------------ creation

BEGIN_MESSAGE_MAP(CTBEditListCtrl, CWnd)
END_MESSAGE_MAP()

CTBEditListCtrl::CTBEditListCtrl() : m_editors(std::make_unique<CTBEditListEditors>()) {}

CTBEditListCtrl::~CTBEditListCtrl() {
    m_editor = nullptr;
    if (m_hWnd) DestroyWindow();
}

BOOL CTBEditListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (m_hWnd) return FALSE;
    QWidget* parentWidget = parent ? parent->GetWidget() : nullptr;
    auto* view = new CTBEditListView(this, parentWidget);
    auto* native = new CNativeWindow(view, style | WS_CHILD, 0, id);
    native->WatchPart(view->viewport());
    const CRect r(rect);
    view->setGeometry(r.left, r.top, r.Width(), r.Height());
    view->setFocusPolicy(Qt::StrongFocus);
    if (style & WS_DISABLED) view->setEnabled(false);
    if (style & LVS_SINGLESEL) view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view = view;
    m_model = view->model();
    AttachCreated(CNativeWindow::Handle(view));
    if (parent && parent->GetFont()) SetFont(parent->GetFont());
    SetUpView();
    SendMessage(WM_CREATE, 0, 0);
    if (style & WS_VISIBLE) view->show();
    return TRUE;
}

BOOL CTBEditListCtrl::CreateDialogControl() {
    tb_editors::Placeholder old;
    if (!tb_editors::TakePlaceholder(*this, old)) return FALSE;
    if (!Create(old.style | WS_CHILD | WS_VISIBLE, old.rect, old.parent, old.id)) return FALSE;
    tb_editors::RestoreZOrder(*this, old.previous);
    return TRUE;
}

void CTBEditListCtrl::SetUpView() {
    QObject::connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, m_view, [this] {
        if (m_editor) CloseEdit(TRUE);
    });
    QObject::connect(m_view->horizontalScrollBar(), &QScrollBar::valueChanged, m_view, [this] {
        if (m_editor) CloseEdit(TRUE);
    });
    QObject::connect(m_view->header(), &QHeaderView::sectionResized, m_view, [this] {
        if (m_editor) CloseEdit(TRUE);
    });
    QObject::connect(m_view->header(), &QHeaderView::sectionPressed, m_view, [this] {
        if (m_editor) CloseEdit(TRUE);
    });
    QObject::connect(m_view->header(), &QHeaderView::sectionHandleDoubleClicked, m_view,
                     [this](int col) {
                         if (m_view) AutoSizeColumn(col);
                     });
    QObject::connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, m_view,
                     [this](const QModelIndex& now, const QModelIndex&) {
                         if (!m_view || !now.isValid() || !m_view->selectionModel()->isRowSelected(now.row(), QModelIndex()))
                             return;
                         NotifyParent(TBWM_LIST_ROW_SELECTED, now.row(), std::max<int>(0, m_current.x), true);
                     });
}

// ------------------------------------------------------------------ columns

int CTBEditListCtrl::InsertEditColumn(int col, const LVCOLUMN* column) {
    if (!column) return -1;
    const CString name = (column->mask & LVCF_TEXT) && column->pszText ? CString(column->pszText) : CString();
    const int format = (column->mask & LVCF_FMT) ? column->fmt : LVCFMT_LEFT;
    const int width = (column->mask & LVCF_WIDTH) ? column->cx : -1;
    return InsertEditColumn(col, name, format, width);
}

int CTBEditListCtrl::InsertEditColumn(int col, LPCTSTR name, int format, int width) {
    if (!m_model) return -1;
    if (m_editor && !CloseEdit(TRUE)) return -1;
    col = std::max(0, std::min(col, GetColumnCount()));
    if (!m_model->InsertColumn(col, name ? name : "", format)) return -1;
    m_columnData.insert(m_columnData.begin() + col, 0);
    if (width >= 0) {
        SetColumnWidth(col, width);
    } else {
        const QFontMetrics fm(m_view->font());
        SetColumnWidth(col, fm.horizontalAdvance(QString::fromUtf8(name ? name : "")) + 16);
    }
    if (m_current.x >= col && m_current.x >= 0 && GetColumnCount() > 1) ++m_current.x;
    return col;
}

int CTBEditListCtrl::InsertEditColumn(int col, UINT stringId, int format, int width) {
    return InsertEditColumn(col, TBLoadString(stringId), format, width);
}

BOOL CTBEditListCtrl::DeleteEditColumn(int col) {
    if (col < 0 || col >= GetColumnCount()) return FALSE;
    CloseEdit(FALSE);
    if (!m_model->RemoveColumn(col)) return FALSE;
    m_columnData.erase(m_columnData.begin() + col);
    if (m_current.x == col) m_current = CPoint(-1, -1);
    else if (m_current.x > col) --m_current.x;
    return TRUE;
}

int CTBEditListCtrl::GetColumnCount() const { return m_model ? m_model->columnCount() : 0; }

int CTBEditListCtrl::GetColumnWidth(int col) const {
    return col >= 0 && col < GetColumnCount() ? m_view->header()->sectionSize(col) : 0;
}

BOOL CTBEditListCtrl::SetColumnWidth(int col, int width) {
    if (col < 0 || col >= GetColumnCount() || width < 0) return FALSE;
    m_view->header()->resizeSection(col, width);
    return TRUE;
}

BOOL CTBEditListCtrl::SetEditColumnName(int col, LPCTSTR name) {
    if (col < 0 || col >= GetColumnCount()) return FALSE;
    m_model->captions[static_cast<std::size_t>(col)] = name ? name : "";
    emit m_model->headerDataChanged(Qt::Horizontal, col, col);
    return TRUE;
}

CString CTBEditListCtrl::GetEditColumnName(int col) const {
    if (col < 0 || col >= GetColumnCount()) return CString();
    return m_model->captions[static_cast<std::size_t>(col)].Left(259);
}

BOOL CTBEditListCtrl::SetColumnData(int col, DWORD data) {
    if (col < 0 || col >= static_cast<int>(m_columnData.size())) return FALSE;
    m_columnData[static_cast<std::size_t>(col)] = data;
    return TRUE;
}

DWORD CTBEditListCtrl::GetColumnData(int col) const {
    return col >= 0 && col < static_cast<int>(m_columnData.size()) ? m_columnData[static_cast<std::size_t>(col)] : 0;
}

// ------------------------------------------------------------------ cells

bool CTBEditListCtrl::ValidCell(int row, int col) const {
    return m_model && row >= 0 && row < GetItemCount() && col >= 0 && col < GetColumnCount();
}

const TB_SITEMDEF* CTBEditListCtrl::Def(int row, int col) const {
    return ValidCell(row, col) ? m_model->Def(row, col) : nullptr;
}

TB_SITEMDEF* CTBEditListCtrl::Def(int row, int col) { return ValidCell(row, col) ? m_model->Def(row, col) : nullptr; }

void CTBEditListCtrl::SetDef(int row, int col, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR entries,
                             void* additional) {
    CTBEditListRow& r = m_model->Row(row);
    auto def = std::make_unique<TB_SITEMDEF>();
    def->type = type;
    const TBEditTypeInfo& info = TBEditTypeOf(type);
    if (info.value == TBCellValue::RowNumber) m_hasAutoNumbers = true;
    def->listEntries = entries ? entries : "";
    def->additional = additional;
    r.defs[static_cast<std::size_t>(col)] = std::move(def);
    r.texts[static_cast<std::size_t>(col)] = text ? text : "";
    if (info.value == TBCellValue::Image && additional) {
        const int height = static_cast<int>(static_cast<CImageList*>(additional)->GetImageSize().cy) + 2;
        if (height > m_imageHeight) {
            m_imageHeight = height;
            Remeasure();
        }
    }
}

int CTBEditListCtrl::GetItemCount() const { return m_model ? m_model->rowCount() : 0; }

int CTBEditListCtrl::InsertEditItem(int row, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries,
                                    void* additional) {
    return InsertEditItem(LVIF_TEXT, row, text, 0, 0, -1, 0, type, listEntries, additional);
}

int CTBEditListCtrl::InsertEditItem(int row, UINT stringId, TB_EnumEditTypes type, LPCTSTR listEntries,
                                    void* additional) {
    return InsertEditItem(row, TBLoadString(stringId), type, listEntries, additional);
}

int CTBEditListCtrl::InsertEditItem(int row, LPCTSTR text, int image, TB_EnumEditTypes type, LPCTSTR listEntries,
                                    void* additional) {
    return InsertEditItem(LVIF_TEXT | LVIF_IMAGE, row, text, 0, 0, image, 0, type, listEntries, additional);
}

int CTBEditListCtrl::InsertEditItem(const LVITEM* item, TB_EnumEditTypes type, LPCTSTR listEntries, void* additional) {
    if (!item) return -1;
    return InsertEditItem(item->mask, item->iItem, item->pszText, item->state, item->stateMask, item->iImage,
                          item->lParam, type, listEntries, additional);
}

int CTBEditListCtrl::InsertEditItem(UINT mask, int row, LPCTSTR text, UINT state, UINT stateMask, int image,
                                    LPARAM data, TB_EnumEditTypes type, LPCTSTR listEntries, void* additional) {
    if (!m_model || GetColumnCount() == 0) return -1;
    const int count = GetItemCount();
    row = std::max(0, std::min(row, count));
    if (!m_model->InsertRow(row)) return -1;
    CString first = (mask & LVIF_TEXT) && text ? CString(text) : CString();
    if (TBEditTypeOf(type).value == TBCellValue::RowNumber) {
        // The row count before the insertion, alone or as the text's index.
        CString number;
        number.Format("%d", count);
        first = first.IsEmpty() ? number : first + "[" + number + "]";
    }
    SetDef(row, 0, first, type, listEntries, additional);
    CTBEditListRow& r = m_model->Row(row);
    if (mask & LVIF_IMAGE) r.image = image;
    if (mask & LVIF_PARAM) r.data = static_cast<DWORD_PTR>(data);
    if ((mask & LVIF_STATE) && stateMask) SetItemState(row, state, stateMask);
    if (m_current.y >= row) ++m_current.y;
    if (m_editor && m_editing.y >= row) {
        // The open editor follows its cell down.
        ++m_editing.y;
        RECT cell{};
        if (GetCellRect(m_editing.y, m_editing.x, &cell) && !IsColourPopup(m_editor))
            m_editor->MoveWindow(cell);
    }
    return row;
}

BOOL CTBEditListCtrl::SetEditItemText(int row, int col, LPCTSTR text, TB_EnumEditTypes type, LPCTSTR listEntries,
                                      void* additional) {
    if (!ValidCell(row, col)) return FALSE;
    SetDef(row, col, text, type, listEntries, additional);
    m_model->RowsChanged(row, row);
    return TRUE;
}

BOOL CTBEditListCtrl::SetEditItemText(int row, int col, UINT stringId, TB_EnumEditTypes type, UINT listEntriesId,
                                      void* additional) {
    const CString entries = listEntriesId ? TBLoadString(listEntriesId) : CString();
    return SetEditItemText(row, col, TBLoadString(stringId), type, entries, additional);
}

BOOL CTBEditListCtrl::SetItemText(int row, int col, LPCTSTR text) {
    if (!ValidCell(row, col)) return FALSE;
    m_model->Text(row, col) = text ? text : "";
    m_model->RowsChanged(row, row);
    return TRUE;
}

CString CTBEditListCtrl::GetItemText(int row, int col) const {
    return ValidCell(row, col) ? m_model->Text(row, col) : CString();
}

BOOL CTBEditListCtrl::SetEditItemType(int row, int col, TB_EnumEditTypes type) {
    if (!ValidCell(row, col)) return FALSE;
    if (TBEditTypeOf(type).value == TBCellValue::RowNumber) m_hasAutoNumbers = true;
    if (TB_SITEMDEF* def = Def(row, col))
        def->type = type;
    else
        SetDef(row, col, GetItemText(row, col), type, nullptr, nullptr);
    m_model->RowsChanged(row, row);
    return TRUE;
}

TB_EnumEditTypes CTBEditListCtrl::GetEditItemType(int row, int col) const {
    const TB_SITEMDEF* def = Def(row, col);
    return def ? def->type : TB_EDIT_NONE;
}

BOOL CTBEditListCtrl::HasEditItemDef(int row, int col) const { return Def(row, col) != nullptr; }

BOOL CTBEditListCtrl::SetEditItemListEntries(int row, int col, LPCTSTR entries, void* additional) {
    TB_SITEMDEF* def = Def(row, col);
    if (!def) return FALSE;
    def->listEntries = entries ? entries : "";
    def->additional = additional;
    return TRUE;
}

BOOL CTBEditListCtrl::SetEditItemListEntries(int row, int col, UINT stringId, void* additional) {
    return SetEditItemListEntries(row, col, TBLoadString(stringId), additional);
}

CString CTBEditListCtrl::GetEditItemListEntries(int row, int col) const {
    const TB_SITEMDEF* def = Def(row, col);
    return def ? def->listEntries : CString();
}

void* CTBEditListCtrl::GetEditItemAdditional(int row, int col) const {
    const TB_SITEMDEF* def = Def(row, col);
    return def ? def->additional : nullptr;
}

BOOL CTBEditListCtrl::SetEditItemImage(int row, int image) {
    if (!ValidCell(row, 0)) return FALSE;
    m_model->Row(row).image = image;
    m_model->RowsChanged(row, row);
    return TRUE;
}

int CTBEditListCtrl::GetEditItemImage(int row) const {
    return ValidCell(row, 0) ? m_model->Row(row).image : -1;
}

BOOL CTBEditListCtrl::DeleteEditItemText(int row, int col) {
    if (!ValidCell(row, col)) return FALSE;
    CTBEditListRow& r = m_model->Row(row);
    r.texts[static_cast<std::size_t>(col)].Empty();
    r.defs[static_cast<std::size_t>(col)].reset();
    m_model->RowsChanged(row, row);
    return TRUE;
}

BOOL CTBEditListCtrl::DeleteEditItem(int row) {
    if (!ValidCell(row, 0)) return FALSE;
    if (m_editor) CloseEdit(FALSE);
    if (!m_model->RemoveRow(row)) return FALSE;
    if (m_current.y == row) m_current = CPoint(-1, -1);
    else if (m_current.y > row) --m_current.y;
    RenumberFrom(row);
    return TRUE;
}

BOOL CTBEditListCtrl::DeleteAllEditItems() {
    if (!m_model) return FALSE;
    if (m_editor) CloseEdit(FALSE);
    m_model->RemoveAll();
    m_current = CPoint(-1, -1);
    return TRUE;
}

void CTBEditListCtrl::RenumberFrom(int row) {
    if (!m_hasAutoNumbers) return;
    const int count = GetItemCount(), columns = GetColumnCount();
    for (int r = row; r < count; ++r)
        for (int c = 0; c < columns; ++c) {
            if (TBEditTypeOf(Def(r, c)).value != TBCellValue::RowNumber) continue;
            CString& text = m_model->Text(r, c);
            const int bracket = text.ReverseFind('[');
            CString number;
            number.Format("%d", r);
            text = bracket >= 0 ? text.Left(bracket) + "[" + number + "]" : number;
        }
    if (row < count) m_model->RowsChanged(row, count - 1);
}

BOOL CTBEditListCtrl::SetItemData(int row, DWORD_PTR data) {
    if (!ValidCell(row, 0)) return FALSE;
    m_model->Row(row).data = data;
    return TRUE;
}

DWORD_PTR CTBEditListCtrl::GetItemData(int row) const {
    return ValidCell(row, 0) ? m_model->Row(row).data : 0;
}

BOOL CTBEditListCtrl::SetItemState(int row, UINT state, UINT mask) {
    if (!ValidCell(row, 0)) return FALSE;
    QItemSelectionModel* selection = m_view->selectionModel();
    const QModelIndex index = m_model->index(row, 0);
    if (mask & LVIS_SELECTED)
        selection->select(index, ((state & LVIS_SELECTED) ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) |
                                     QItemSelectionModel::Rows);
    if ((mask & LVIS_FOCUSED) && (state & LVIS_FOCUSED))
        selection->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    return TRUE;
}

UINT CTBEditListCtrl::GetItemState(int row, UINT mask) const {
    if (!ValidCell(row, 0)) return 0;
    UINT state = 0;
    if (m_view->selectionModel()->isRowSelected(row, QModelIndex())) state |= LVIS_SELECTED;
    if (m_view->selectionModel()->currentIndex().row() == row) state |= LVIS_FOCUSED;
    return state & mask;
}

int CTBEditListCtrl::GetNextItem(int start, UINT flags) const {
    const int count = GetItemCount();
    for (int row = std::max(0, start + 1); row < count; ++row) {
        if ((flags & LVNI_SELECTED) && !(GetItemState(row, LVIS_SELECTED))) continue;
        if ((flags & LVNI_FOCUSED) && !(GetItemState(row, LVIS_FOCUSED))) continue;
        return row;
    }
    return -1;
}

UINT CTBEditListCtrl::GetSelectedCount() const {
    return m_view ? static_cast<UINT>(m_view->selectionModel()->selectedRows().size()) : 0;
}

BOOL CTBEditListCtrl::SetItemChecked(int row, int col, BOOL checked) {
    if (TBEditTypeOf(Def(row, col)).value != TBCellValue::Checked) return FALSE;
    return SetItemText(row, col, checked ? "1" : "0");
}

BOOL CTBEditListCtrl::IsItemChecked(int row, int col) const {
    if (TBEditTypeOf(Def(row, col)).value != TBCellValue::Checked) return FALSE;
    return GetItemText(row, col) == "1";
}

BOOL CTBEditListCtrl::SetItemColor(int row, int col, COLORREF colour) {
    if (TBEditTypeOf(Def(row, col)).value != TBCellValue::Colour) return FALSE;
    CString text;
    text.Format("%.8u", static_cast<unsigned>(colour));
    return SetItemText(row, col, text);
}

COLORREF CTBEditListCtrl::GetItemColor(int row, int col) const {
    if (TBEditTypeOf(Def(row, col)).value != TBCellValue::Colour) return 0;
    return static_cast<COLORREF>(std::strtoul(GetItemText(row, col), nullptr, 10));
}

void CTBEditListCtrl::NotifyParent(UINT message, int row, int col, bool post) {
    CWnd* parent = GetParent();
    if (!parent) return;
    const WPARAM id = static_cast<WPARAM>(GetDlgCtrlID());
    const LPARAM cell = static_cast<LPARAM>(MAKELPARAM(static_cast<WORD>(row), static_cast<WORD>(col)));
    if (post)
        parent->PostMessage(message, id, cell);
    else
        parent->SendMessage(message, id, cell);
}
