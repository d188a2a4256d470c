// The crash report dialog (template 4302): what happened, in the program's own name
// and icon, the user's address and description, a link to the report's contents, and
// the choice between sending and not sending.
#include <toolbox/ui/crash_report_dialogs.h>

#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include "controls/crash/program_identity.h"
#include "controls/window/native_window.h"

#include <QFontMetrics>
#include <QLabel>

namespace {

constexpr UINT IDC_ICON = 4058;
constexpr UINT IDC_PROBLEM = 4050;
constexpr UINT IDC_REQUEST = 4051;
constexpr UINT IDC_ADDRESS = 4052;
constexpr UINT IDC_DESCRIPTION = 4053;
constexpr UINT IDC_DETAILS_TEXT = 4054;
constexpr UINT IDC_DETAILS_LINK = 4055;

QLabel* Label(CWnd* dialog, UINT id) {
    CWnd* control = dialog->GetDlgItem(id);
    return control ? qobject_cast<QLabel*>(control->GetWidget()) : nullptr;
}

void ShowRichText(CWnd* dialog, UINT id, const CString& text) {
    if (QLabel* label = Label(dialog, id)) {
        label->setTextFormat(Qt::RichText);
        label->setWordWrap(true);
    }
    dialog->SetDlgItemText(id, text);
}

/// The link looks like one and sits right after the sentence it ends.
void MakeLink(CWnd* dialog) {
    QLabel* text = Label(dialog, IDC_DETAILS_TEXT);
    QLabel* link = Label(dialog, IDC_DETAILS_LINK);
    if (!text || !link) return;
    QFont font = link->font();
    font.setUnderline(true);
    link->setFont(font);
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::Link));
    link->setPalette(palette);
    link->setCursor(Qt::PointingHandCursor);
    const QFontMetrics metrics(text->font());
    const int textWidth = metrics.horizontalAdvance(text->text());
    text->resize(textWidth + 2, text->height());
    link->move(text->x() + textWidth + metrics.horizontalAdvance(QLatin1Char(' ')), text->y());
    link->resize(QFontMetrics(font).horizontalAdvance(link->text()) + 2, link->height());
}

}  // namespace

void TBSetProgramIcon(CWnd* dialog, unsigned id, const CString& programPath) {
    const QIcon icon = TBProgramIcon(TBQ(programPath));
    dialog->GetWidget()->setWindowIcon(icon);
    if (QLabel* label = Label(dialog, id)) {
        const int side = std::min(label->width(), label->height());
        label->setPixmap(icon.pixmap(side, side));
    }
}

BEGIN_MESSAGE_MAP(CrashReportDialog, CDialog)
ON_STN_CLICKED(IDC_DETAILS_LINK, OnShowDetails)
END_MESSAGE_MAP()

CrashReportDialog::CrashReportDialog(const CMapStringToString& files, const CString& programPath, CWnd* parent)
    : CDialog(IDD_CRASH_REPORT, parent), m_files(files), m_programPath(programPath) {}

BOOL CrashReportDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    const CString program = TBC(TBProgramDescription(TBQ(m_programPath)));
    if (!program.IsEmpty()) SetWindowText(program);
    TBSetProgramIcon(this, IDC_ICON, m_programPath);
    // The program's name goes into rich text: its markup characters must stay text.
    ShowRichText(this, IDC_PROBLEM,
                 TBFormatMessage(TBMsg::CrashReportProblem, {TBC(TBQ(program).toHtmlEscaped())}));
    ShowRichText(this, IDC_REQUEST, TBLoadString(TBMsg::CrashReportRequest));
    MakeLink(this);
    GotoDlgCtrl(GetDlgItem(IDC_ADDRESS));
    return FALSE;
}

void CrashReportDialog::OnOK() {
    GetDlgItemText(IDC_ADDRESS, m_senderAddress);
    GetDlgItemText(IDC_DESCRIPTION, m_description);
    EndDialog(IDOK);
}

void CrashReportDialog::OnShowDetails() {
    CrashReportDetailsDialog details(m_files, m_programPath, this);
    details.DoModal();
}
