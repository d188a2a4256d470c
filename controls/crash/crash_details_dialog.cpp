// The crash report's details (template 4303): every file of the report with its name,
// description, type and size, the selected file's bytes, and a double click that opens
// a file with the desktop's program for its type.
#include <toolbox/ui/crash_report_dialogs.h>

#include <toolbox/resources/string_table.h>
#include <toolbox/ui/controls.h>

#include "controls/crash/program_identity.h"
#include "controls/window/native_window.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMimeDatabase>
#include <QPlainTextEdit>
#include <QTreeWidget>
#include <QUrl>

#include <cstdio>
#include <vector>

namespace {

constexpr UINT IDC_ICON = 4058;
constexpr UINT IDC_FILES = 4060;
constexpr UINT IDC_FILE_NAME = 4061;
constexpr UINT IDC_FILE_DESCRIPTION = 4062;
constexpr UINT IDC_FILE_BYTES = 4063;
constexpr UINT kColumnNames[] = {5513, 5514, 5515, 5516};  // Name, Description, Type, Size
constexpr int kColumnPercent[] = {28, 26, 30, 16};  // of the list's width

CString SizeText(qint64 bytes) {
    CString text;
    if (bytes < 1024)
        text.Format("%lld bytes", static_cast<long long>(bytes));
    else if (bytes < 1024 * 1024)
        text.Format("%.1f KB", bytes / 1024.0);
    else
        text.Format("%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}

/// The type's name as the desktop gives it; a memory dump is known by its signature,
/// since its extension belongs to other formats too.
CString TypeText(const QMimeDatabase& types, const QFileInfo& info) {
    QFile file(info.filePath());
    if (file.open(QIODevice::ReadOnly) && file.read(4) == QByteArrayLiteral("MDMP")) return "Memory dump";
    return TBC(types.mimeTypeForFile(info).comment());
}

}  // namespace

CString TBHexView(const CString& path, std::size_t limit) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return CString();
    std::vector<unsigned char> bytes(limit);
    const std::size_t read = std::fread(bytes.data(), 1, limit, file);
    std::size_t total = read;
    if (read == limit) {
        // Only the size of the rest is needed.
        if (std::fseek(file, 0, SEEK_END) == 0) {
            const long end = std::ftell(file);
            if (end > 0) total = static_cast<std::size_t>(end);
        }
    }
    std::fclose(file);
    CString view;
    char line[96];
    for (std::size_t offset = 0; offset < read; offset += 16) {
        int at = std::snprintf(line, sizeof line, "%08zX  ", offset);
        for (std::size_t i = 0; i < 16; ++i)
            at += offset + i < read ? std::snprintf(line + at, sizeof line - at, "%02X ", bytes[offset + i])
                                    : std::snprintf(line + at, sizeof line - at, "   ");
        at += std::snprintf(line + at, sizeof line - at, " ");
        for (std::size_t i = 0; i < 16 && offset + i < read; ++i) {
            const unsigned char c = bytes[offset + i];
            line[at++] = c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '.';
        }
        line[at] = 0;
        view += line;
        view += "\n";
    }
    if (total > read) {
        CString more;
        more.Format("... %zu more bytes", total - read);
        view += more;
    }
    return view;
}

BEGIN_MESSAGE_MAP(CrashReportDetailsDialog, CDialog)
ON_NOTIFY(LVN_ITEMCHANGED, IDC_FILES, OnFileChanged)
ON_NOTIFY(NM_DBLCLK, IDC_FILES, OnFileDoubleClicked)
END_MESSAGE_MAP()

CrashReportDetailsDialog::CrashReportDetailsDialog(const CMapStringToString& files, const CString& programPath,
                                                   CWnd* parent)
    : CDialog(IDD_CRASH_REPORT_DETAILS, parent), m_files(files), m_programPath(programPath) {}

BOOL CrashReportDetailsDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    TBSetProgramIcon(this, IDC_ICON, m_programPath);
    if (auto* bytes = qobject_cast<QPlainTextEdit*>(GetDlgItem(IDC_FILE_BYTES)->GetWidget()))
        bytes->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_FILES));
    list->SetExtendedStyle(LVS_EX_FULLROWSELECT);
    CRect area;
    list->GetClientRect(&area);
    const int width = static_cast<int>(area.Width()) - 4;
    for (int c = 0; c < 4; ++c)
        list->InsertColumn(c, TBLoadString(kColumnNames[c]), LVCFMT_LEFT, width * kColumnPercent[c] / 100);
    auto* tree = qobject_cast<QTreeWidget*>(list->GetWidget());
    const QMimeDatabase types;
    const QFileIconProvider icons;
    m_paths.clear();
    POSITION pos = m_files.GetStartPosition();
    while (pos) {
        CString path, description;
        m_files.GetNextAssoc(pos, path, description);
        const QFileInfo info(TBQ(path));
        const int row = list->InsertItem(list->GetItemCount(), TBC(info.fileName()));
        list->SetItemText(row, 1, description);
        list->SetItemText(row, 2, TypeText(types, info));
        list->SetItemText(row, 3, SizeText(info.size()));
        list->SetItemData(row, m_paths.size());
        if (tree && tree->topLevelItem(row)) tree->topLevelItem(row)->setIcon(0, icons.icon(info));
        m_paths.push_back(path);
    }
    if (list->GetItemCount() > 0) list->SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    GotoDlgCtrl(list);
    return FALSE;
}

void CrashReportDetailsDialog::OnFileChanged(NMHDR* header, LRESULT*) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if ((change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED))
        ShowFile(change->iItem);
}

void CrashReportDetailsDialog::OnFileDoubleClicked(NMHDR* header, LRESULT*) {
    OpenFile(reinterpret_cast<const NMITEMACTIVATE*>(header)->iItem);
}

void CrashReportDetailsDialog::ShowFile(int item) {
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_FILES));
    if (item < 0 || item >= list->GetItemCount()) return;
    const DWORD_PTR slot = list->GetItemData(item);
    if (slot >= m_paths.size()) return;
    const CString& path = m_paths[slot];
    CString description;
    m_files.Lookup(path, description);
    SetDlgItemText(IDC_FILE_NAME, path);
    SetDlgItemText(IDC_FILE_DESCRIPTION, description);
    SetDlgItemText(IDC_FILE_BYTES, TBHexView(path));
}

void CrashReportDetailsDialog::OpenFile(int item) {
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_FILES));
    if (item < 0 || item >= list->GetItemCount()) return;
    const DWORD_PTR slot = list->GetItemData(item);
    if (slot >= m_paths.size()) return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(TBQ(m_paths[slot]))))
        TBMessageBox(this, "There is no program to open \"" + m_paths[slot] + "\".", nullptr, MB_OK | MB_ICONWARNING);
}
