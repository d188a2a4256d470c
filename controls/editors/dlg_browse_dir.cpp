// The "Select Folder" dialog: template 4301 with its folder tree shown by a file-system
// model (folders only), preselected with the path set before it runs.
#include <toolbox/ui/editors.h>

#include <QWidget>

#include "controls/window/native_window.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QTreeView>

namespace {

constexpr UINT kFolderTreeId = 4010;
const char* const kTreeName = "tbFolderTree";

QTreeView* FolderTreeOf(CWnd* dialog) {
    return dialog->GetWidget() ? dialog->GetWidget()->findChild<QTreeView*>(QLatin1String(kTreeName)) : nullptr;
}

}  // namespace

CTBDlgBrowseDir::CTBDlgBrowseDir(CWnd* parent) : CTBDialog(4301, parent) {
    SetControlInfo(kFolderTreeId, TB_ANCHOR_LEFT | TB_ANCHOR_TOP | TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    SetControlInfo(IDOK, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
    SetControlInfo(IDCANCEL, TB_ANCHOR_RIGHT | TB_ANCHOR_BOTTOM);
}

void CTBDlgBrowseDir::FitTreeToPlaceholder() {
    QTreeView* tree = FolderTreeOf(this);
    CWnd* placeholder = GetDlgItem(kFolderTreeId);
    if (tree && placeholder && placeholder->GetWidget()) tree->setGeometry(placeholder->GetWidget()->geometry());
}

LRESULT CTBDlgBrowseDir::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CTBDialog::WindowProc(message, wParam, lParam);
    // The layout moves the template's tree control; the folder view stands on it.
    if (message == WM_SIZE) FitTreeToPlaceholder();
    return result;
}

BOOL CTBDlgBrowseDir::OnInitDialog() {
    CTBDialog::OnInitDialog();
    CWnd* placeholder = GetDlgItem(kFolderTreeId);
    if (!placeholder) return TRUE;
    // The template's tree control stands in for the shell's folder tree: a view of the
    // file system takes its place and size.
    QWidget* old = placeholder->GetWidget();
    auto* tree = new QTreeView(GetWidget());
    tree->setObjectName(QLatin1String(kTreeName));
    auto* model = new QFileSystemModel(tree);
    model->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    model->setRootPath(QString());
    tree->setModel(model);
    for (int column = 1; column < model->columnCount(); ++column) tree->hideColumn(column);
    tree->header()->hide();
    tree->show();
    FitTreeToPlaceholder();
    old->hide();
    tree->setFocus();
    SelectFolder(m_path);
    return FALSE;
}

BOOL CTBDlgBrowseDir::SelectFolder(LPCTSTR path) {
    QTreeView* tree = FolderTreeOf(this);
    const QString folder = TBQ(CString(path ? path : ""));
    if (!tree || folder.isEmpty() || !QFileInfo(folder).isDir()) return FALSE;
    auto* model = static_cast<QFileSystemModel*>(tree->model());
    const QModelIndex index = model->index(QDir(folder).absolutePath());
    if (!index.isValid()) return FALSE;
    tree->setCurrentIndex(index);
    tree->scrollTo(index);
    return TRUE;
}

void CTBDlgBrowseDir::OnOK() {
    if (QTreeView* tree = FolderTreeOf(this)) {
        const QModelIndex index = tree->currentIndex();
        if (index.isValid()) m_path = TBC(static_cast<QFileSystemModel*>(tree->model())->filePath(index));
    }
    CTBDialog::OnOK();
}
