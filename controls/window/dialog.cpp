#include <toolbox/ui/dialog.h>

#include <toolbox/resources/language_file.h>
#include <toolbox/services/numbers.h>
#include <toolbox/ui/dc.h>

#include "controls/window/modal_loop.h"
#include "controls/window/native_window.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <cmath>
#include <cstring>
#include <set>

QString TBMapFaceName(const char* face);

// ------------------------------------------------------------------ dialog units

CSize TBGetDialogBaseUnits(const char* fontFace, int pointSize) {
    QFont font(TBMapFaceName(fontFace));
    // Point sizes at 96 pixels per inch, as the dialogs were designed.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pointSize * 96.0 / 72.0))));
    const QFontMetrics fm(font);
    const int width = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return CSize((width / 26 + 1) / 2, fm.height());
}

CRect TBDialogUnitsToPixels(const RECT& units, CSize base) {
    auto mulDiv = [](long v, long num, long den) {
        return static_cast<long>(std::lround(static_cast<double>(v) * num / den));
    };
    return CRect(mulDiv(units.left, base.cx, 4), mulDiv(units.top, base.cy, 8), mulDiv(units.right, base.cx, 4),
                 mulDiv(units.bottom, base.cy, 8));
}

// ------------------------------------------------------------------ the dialog window

namespace {

/// A text of one of the library's templates in the current language: the language
/// file's "dialog.<template id>.<name>" or the template's own English text.
CString TemplateText(const CDialogTemplate& tmpl, const char* name, const char* english) {
    if (!english || !*english) return CString();
    if (!tmpl.id) return CString(english);
    CString key;
    key.Format("dialog.%u.%s", tmpl.id, name);
    return TBLoadText(key, english);
}

}  // namespace

void CDialogWidget::reject() {
    if (CNativeWindow* n = CNativeWindow::Find(this))
        n->Deliver(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    else
        QDialog::reject();
}

CDialog::CDialog() = default;
CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}
CDialog::~CDialog() {
    if (m_hWnd) DestroyWindow();
}

const AFX_MSGMAP* CDialog::GetThisMessageMap() {
    typedef CDialog ThisClass;
    static const AFX_MSGMAP_ENTRY entries[] = {ON_MESSAGE(WM_INITDIALOG, HandleInitDialogMessage) ON_COMMAND(IDOK, OnOK)
                                                   ON_COMMAND(IDCANCEL, OnCancel){0, 0, 0, 0, nullptr}};
    static const AFX_MSGMAP map = {&CWnd::GetThisMessageMap, entries};
    return &map;
}
const AFX_MSGMAP* CDialog::GetMessageMap() const { return GetThisMessageMap(); }

LRESULT CDialog::HandleInitDialogMessage(WPARAM, LPARAM) { return OnInitDialog(); }

BOOL CDialog::BuildWindow(const CDialogTemplate& tmpl, CWnd* parent) {
    if (m_hWnd) return FALSE;
    QWidget* owner = parent ? parent->GetWidget() : nullptr;
    auto* dialog = new CDialogWidget(owner);
    dialog->setProperty("tbDialog", true);
    new CNativeWindow(dialog, tmpl.style, 0, 0);
    m_font = std::make_unique<CFont>();
    m_font->CreatePointFont(tmpl.pointSize * 10, tmpl.fontFace);
    dialog->setFont(TBQFontFromLogFont(m_font->Log()));
    m_baseUnits = TBGetDialogBaseUnits(tmpl.fontFace, tmpl.pointSize);
    const CRect size = TBDialogUnitsToPixels(CRect(0, 0, tmpl.cx, tmpl.cy), m_baseUnits);
    dialog->resize(static_cast<int>(size.Width()), static_cast<int>(size.Height()));
    if (!(tmpl.style & WS_THICKFRAME)) dialog->setFixedSize(dialog->size());
    dialog->setWindowTitle(TBQ(TemplateText(tmpl, "caption", tmpl.caption)));
    AttachCreated(CNativeWindow::Handle(dialog));
    CreateControls(tmpl);
    SendMessage(WM_INITDIALOG, 0, 0);
    return TRUE;
}

void CDialog::CreateControls(const CDialogTemplate& tmpl) {
    QWidget* dialog = GetWidget();
    QWidget* previousLabel = nullptr;
    int statics = 0;
    for (const CDialogItemTemplate& item : tmpl.items) {
        const CRect units(item.x, item.y, item.x + item.cx, item.y + item.cy);
        // Controls with an id of their own are named by it, the rest by their order.
        CString name;
        if (item.id == 0xFFFF)
            name.Format("static%d", statics++);
        else
            name.Format("%u", item.id);
        const CString text = TemplateText(tmpl, name, item.text);
        QWidget* w = TBCreateNativeWidget(item.className, text, item.style | WS_CHILD, 0,
                                          TBDialogUnitsToPixels(units, m_baseUnits), dialog, item.id);
        if (!w) continue;
        w->setFont(dialog->font());
        if (item.style & WS_VISIBLE) w->show();
        // A label's mnemonic moves the focus to the control after it.
        if (previousLabel) {
            if (auto* label = qobject_cast<QLabel*>(previousLabel)) label->setBuddy(w);
        }
        previousLabel = qobject_cast<QLabel*>(w) ? w : nullptr;
    }
}

BOOL CDialog::CreateIndirect(const CDialogTemplate& tmpl, CWnd* parent) { return BuildWindow(tmpl, parent); }

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    m_pParentWnd = parent;
    const CDialogTemplate* tmpl = TBFindDialogTemplate(templateId);
    if (!tmpl || !BuildWindow(*tmpl, parent)) return FALSE;
    if (tmpl->style & WS_VISIBLE) GetWidget()->show();
    return TRUE;
}

INT_PTR TBRunModal(CWnd& wnd, bool& modal, int& result) {
    modal = true;
    result = IDCANCEL;
    static_cast<QDialog*>(wnd.GetWidget())->exec();
    modal = false;
    const int answer = result;
    wnd.DestroyWindow();
    return answer;
}

void TBEndModal(CWnd& wnd, bool modal, int& result, int value) {
    result = value;
    auto* dialog = qobject_cast<QDialog*>(wnd.GetWidget());
    if (!dialog) return;
    if (modal)
        dialog->done(value);
    else
        dialog->hide();
}

INT_PTR CDialog::DoModal() {
    const CDialogTemplate* tmpl = TBFindDialogTemplate(m_templateId);
    if (!tmpl || !BuildWindow(*tmpl, m_pParentWnd)) return -1;
    return TBRunModal(*this, m_modal, m_result);
}

void CDialog::EndDialog(int result) { TBEndModal(*this, m_modal, m_result, result); }

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    // The first control that takes the focus gets it.
    QWidget* dialog = GetWidget();
    for (QWidget* child : dialog->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->focusPolicy() & Qt::TabFocus && child->isEnabled()) {
            child->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

BOOL CDialog::OnCmdMsg(UINT nID, int nCode, void* pExtra) { return CWnd::OnCmdMsg(nID, nCode, pExtra); }

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // Closing the window is the dialog's cancel.
    if (message == WM_CLOSE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CDialog::MapDialogRect(RECT* rect) const {
    if (rect) *rect = TBDialogUnitsToPixels(*rect, m_baseUnits);
}

void CDialog::NextDlgCtrl() {
    if (QWidget* focus = QApplication::focusWidget()) focus->nextInFocusChain()->setFocus(Qt::TabFocusReason);
}
void CDialog::PrevDlgCtrl() {
    if (QWidget* focus = QApplication::focusWidget()) focus->previousInFocusChain()->setFocus(Qt::BacktabFocusReason);
}
void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control) control->SetFocus();
}

// ------------------------------------------------------------------ data exchange

CWnd* CDataExchange::PrepareCtrl(int id) {
    CWnd* control = m_pDlgWnd ? m_pDlgWnd->GetDlgItem(id) : nullptr;
    if (!control) m_bFailed = TRUE;
    return control;
}

void DDX_Text(CDataExchange* dx, int id, CString& value) {
    CWnd* control = dx->PrepareCtrl(id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        control->GetWindowText(value);
    else
        control->SetWindowText(value);
}

void DDX_TBDouble(CDataExchange* dx, int id, double& value) {
    CWnd* control = dx->PrepareCtrl(id);
    if (!control) return;
    if (!dx->m_bSaveAndValidate) {
        control->SetWindowText(TBExtended_ftoa(value, -1, 0, CString()));
        return;
    }
    // The edit's text is read as the framework reads it: at most 254 characters.
    value = TBExtended_atof(control->GetWindowText().Left(254), CString());
}

void DDX_Text(CDataExchange* dx, int id, int& value) {
    CWnd* control = dx->PrepareCtrl(id);
    if (!control) return;
    if (!dx->m_bSaveAndValidate) {
        CString text;
        text.Format("%d", value);
        control->SetWindowText(text);
        return;
    }
    const CString text = control->GetWindowText();
    char* end = nullptr;
    const long parsed = std::strtol(text.GetString(), &end, 10);
    if (text.IsEmpty() || (end && *end) || parsed < INT32_MIN || parsed > INT32_MAX) {
        AfxMessageBox("Please enter an integer.", MB_ICONEXCLAMATION);
        control->SetFocus();
        dx->m_bFailed = TRUE;
        return;
    }
    value = static_cast<int>(parsed);
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
    CWnd* control = dx->PrepareCtrl(id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(control->SendMessage(BM_GETCHECK));
    else
        control->SendMessage(BM_SETCHECK, static_cast<WPARAM>(value));
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
    CWnd* control = dx->PrepareCtrl(id);
    if (!control) return;
    if (dx->m_bSaveAndValidate)
        index = static_cast<int>(control->SendMessage(CB_GETCURSEL));
    else
        control->SendMessage(CB_SETCURSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(index)));
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    CWnd* item = dx->PrepareCtrl(id);
    if (item) control.SubclassWindow(item->m_hWnd);
}

// ------------------------------------------------------------------ message boxes

namespace {

struct BoxButton {
    int id;
    const char* text;
};

std::vector<BoxButton> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
        case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        case MB_ABORTRETRYIGNORE: return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
        case MB_YESNOCANCEL: return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
        case MB_YESNO: return {{IDYES, "&Yes"}, {IDNO, "&No"}};
        case MB_RETRYCANCEL: return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
        default: return {{IDOK, "OK"}};
    }
}

QMessageBox::Icon IconOf(UINT type) {
    switch (type & MB_ICONMASK) {
        case MB_ICONHAND: return QMessageBox::Critical;
        case MB_ICONQUESTION: return QMessageBox::Question;
        case MB_ICONEXCLAMATION: return QMessageBox::Warning;
        case MB_ICONASTERISK: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

}  // namespace

int TBMessageBox(CWnd* owner, LPCTSTR text, LPCTSTR caption, UINT type) {
    if (!qApp) return IDCANCEL;
    QMessageBox box(owner ? owner->GetWidget() : nullptr);
    box.setWindowTitle(
        QString::fromUtf8(caption && *caption ? caption : QApplication::applicationName().toUtf8().constData()));
    box.setText(QString::fromUtf8(text ? text : ""));
    box.setIcon(IconOf(type));
    const std::vector<BoxButton> buttons = ButtonsOf(type);
    std::vector<QPushButton*> made;
    for (const BoxButton& b : buttons) {
        QPushButton* button = box.addButton(QString::fromUtf8(b.text), QMessageBox::AcceptRole);
        button->setProperty("tbId", b.id);
        made.push_back(button);
    }
    const std::size_t defaultIndex = ((type & MB_DEFMASK) >> 8);
    box.setDefaultButton(made[defaultIndex < made.size() ? defaultIndex : 0]);
    // Escape and closing answer Cancel when there is one (OK for a lone OK).
    QPushButton* escape = nullptr;
    for (QPushButton* b : made)
        if (b->property("tbId").toInt() == IDCANCEL) escape = b;
    if (!escape && made.size() == 1) escape = made.front();
    if (escape) box.setEscapeButton(escape);
    box.exec();
    auto* clicked = qobject_cast<QPushButton*>(box.clickedButton());
    return clicked ? clicked->property("tbId").toInt() : IDCANCEL;
}

int AfxMessageBox(LPCTSTR text, UINT type, UINT) { return TBMessageBox(nullptr, text, nullptr, type); }

// ------------------------------------------------------------------ file dialogs

CString TBQtFileFilter(const CString& filter) {
    QStringList parts = TBQ(filter).split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString name = parts[i].trimmed();
        QString patterns = parts[i + 1];
        if (name.isEmpty()) break;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (patterns.trimmed() == QLatin1String("*.*")) patterns = QStringLiteral("*");
        // The name usually shows the patterns already; Qt reads them from the parentheses.
        const int open = static_cast<int>(name.lastIndexOf(QLatin1Char('(')));
        const QString shown = open > 0 ? name.left(open).trimmed() : name;
        out << QStringLiteral("%1 (%2)").arg(shown, patterns.trimmed());
    }
    return TBC(out.join(QStringLiteral(";;")));
}

namespace {
/// The file dialogs in existence; like the window layer's handle map, they live and die
/// on the window thread.
std::set<const CFileDialog*>& LiveFileDialogs() {
    static std::set<const CFileDialog*> dialogs;
    return dialogs;
}
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt, LPCTSTR fileName, DWORD flags, LPCTSTR filter,
                         CWnd* parent)
    : m_open(openFileDialog), m_defaultExt(defaultExt ? defaultExt : ""), m_fileName(fileName ? fileName : ""),
      m_flags(flags), m_filter(filter ? filter : ""), m_parent(parent) {
    LiveFileDialogs().insert(this);
}

CFileDialog::~CFileDialog() { LiveFileDialogs().erase(this); }

BOOL CFileDialog::IsFileDialog(const void* object) {
    return object && LiveFileDialogs().count(static_cast<const CFileDialog*>(object)) != 0;
}

INT_PTR CFileDialog::DoModal() {
    if (!qApp) return IDCANCEL;
    QFileDialog dialog(m_parent ? m_parent->GetWidget() : nullptr);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_open ? ((m_flags & OFN_ALLOWMULTISELECT) ? QFileDialog::ExistingFiles
                                 : (m_flags & OFN_FILEMUSTEXIST)  ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile)
                              : QFileDialog::AnyFile);
    if (!m_open && !(m_flags & OFN_OVERWRITEPROMPT)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!m_title.IsEmpty()) dialog.setWindowTitle(TBQ(m_title));
    if (!m_filter.IsEmpty()) dialog.setNameFilter(TBQ(TBQtFileFilter(m_filter)));
    QString ext = TBQ(m_defaultExt);
    while (ext.startsWith(QLatin1Char('*')) || ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    if (!ext.isEmpty()) dialog.setDefaultSuffix(ext);
    const QFileInfo start(TBQ(m_fileName));
    if (!m_initialDir.IsEmpty())
        dialog.setDirectory(TBQ(m_initialDir));
    else if (!m_fileName.IsEmpty() && start.dir().exists() && start.fileName() != TBQ(m_fileName))
        dialog.setDirectory(start.dir());
    if (!m_fileName.IsEmpty()) dialog.selectFile(start.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return IDCANCEL;
    m_path = TBC(dialog.selectedFiles().front());
    return IDOK;
}

CString CFileDialog::GetFileName() const { return TBC(QFileInfo(TBQ(m_path)).fileName()); }
CString CFileDialog::GetFileExt() const { return TBC(QFileInfo(TBQ(m_path)).suffix()); }
CString CFileDialog::GetFileTitle() const { return TBC(QFileInfo(TBQ(m_path)).completeBaseName()); }
CString CFileDialog::GetFolderPath() const { return TBC(QFileInfo(TBQ(m_path)).absolutePath()); }

CString TBBrowseForFolder(CWnd* parent, const CString& title, const CString& start) {
    if (!qApp) return CString();
    QFileDialog dialog(parent ? parent->GetWidget() : nullptr, TBQ(title.IsEmpty() ? CString("Select Folder") : title));
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!start.IsEmpty()) dialog.setDirectory(TBQ(start));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return CString();
    return TBC(dialog.selectedFiles().front());
}
