// Property sheets and pages that resize: the sheet is a dialog window with a tab bar,
// a page area and its seven buttons; pages are child dialogs made on first show.
#include <toolbox/ui/property_sheet.h>

#include <toolbox/resources/language_file.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/ui/dc.h>
#include <toolbox/ui/registry_manager.h>

#include "controls/window/modal_loop.h"
#include "controls/window/native_window.h"

#include <QDialog>
#include <QFrame>
#include <QTabBar>

#include <algorithm>

namespace {

constexpr const char* kSheetFont = "MS Shell Dlg";
constexpr int kSheetPointSize = 8;
const char* const kPanelName = "tbSheetPanel";

QRect ToQRect(const CRect& r) {
    return QRect(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()),
                 static_cast<int>(r.Height()));
}

struct SheetButton {
    UINT id;
    const char* key;  // the text's name in the language file
    const char* text;
};
const SheetButton kButtons[] = {{IDOK, "sheet.ok", "OK"},
                                {IDCANCEL, "sheet.cancel", "Cancel"},
                                {ID_APPLY_NOW, "sheet.apply", "&Apply"},
                                {IDHELP, "sheet.help", "Help"},
                                {ID_WIZBACK, "sheet.back", "< &Back"},
                                {ID_WIZNEXT, "sheet.next", "&Next >"},
                                {ID_WIZFINISH, "sheet.finish", "Finish"}};

}  // namespace

// ------------------------------------------------------------------ pages

CTBPropertyPage::CTBPropertyPage(UINT templateId, UINT captionId)
    : CDialog(templateId, nullptr), CTBResizableWindow(templateId, nullptr), m_captionId(captionId) {
    BehaveAsChild();
}

CTBPropertyPage::CTBPropertyPage(const CDialogTemplate* tmpl, const char* templateName)
    : CDialog(0, nullptr), CTBResizableWindow(0, templateName), m_hostTemplate(tmpl) {
    BehaveAsChild();
}

CTBPropertyPage::~CTBPropertyPage() {
    if (m_hWnd) DestroyWindow();
}

const CDialogTemplate* CTBPropertyPage::Template() const {
    return m_hostTemplate ? m_hostTemplate : TBFindDialogTemplate(m_templateId);
}

CString CTBPropertyPage::GetTitle() const {
    if (m_captionId) {
        const CString text = TBLoadString(m_captionId);
        if (!text.IsEmpty()) return text;
    }
    const CDialogTemplate* tmpl = Template();
    if (!tmpl || !tmpl->caption) return CString();
    if (m_hostTemplate) return tmpl->caption;
    CString key;
    key.Format("dialog.%u.caption", tmpl->id);
    return TBLoadText(key, tmpl->caption);
}

CSize CTBPropertyPage::TemplateSize() const {
    const CDialogTemplate* tmpl = Template();
    if (!tmpl) return CSize();
    const CSize base = TBGetDialogBaseUnits(tmpl->fontFace, tmpl->pointSize);
    return TBDialogUnitsToPixels(CRect(0, 0, tmpl->cx, tmpl->cy), base).Size();
}

BOOL CTBPropertyPage::CreatePage(CTBPropertySheet* sheet) {
    const CDialogTemplate* tmpl = Template();
    if (!tmpl || !sheet || !sheet->GetSafeHwnd()) return FALSE;
    m_sheet = sheet;
    if (!CreateIndirect(*tmpl, sheet)) return FALSE;
    // The template's dialog becomes a child of the sheet, sized by the sheet.
    AdoptAsChild(this, sheet);
    CRect client;
    GetClientRect(&client);
    InitialiseLayout(client);
    return TRUE;
}

BOOL CTBPropertyPage::OnInitDialog() { return CDialog::OnInitDialog(); }

BOOL CTBPropertyPage::OnApply() {
    SetModified(FALSE);
    return TRUE;
}

void CTBPropertyPage::SetModified(BOOL changed) {
    m_modified = changed;
    if (!m_sheet || !m_sheet->GetSafeHwnd()) return;
    if (CWnd* apply = m_sheet->GetDlgItem(ID_APPLY_NOW)) {
        BOOL any = FALSE;
        for (int i = 0; i < m_sheet->GetPageCount(); ++i) any = any || m_sheet->GetPage(i)->IsModified();
        apply->EnableWindow(any);
    }
}

LRESULT CTBPropertyPage::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLayoutMessage(message, wParam, lParam, &result)) return result;
    return CDialog::WindowProc(message, wParam, lParam);
}

// ------------------------------------------------------------------ the sheet

CTBPropertySheet::CTBPropertySheet(UINT captionId, CWnd* parent, UINT selectPage)
    : CTBResizableWindow(captionId, nullptr), m_caption(TBLoadString(captionId)), m_parent(parent) {
    Construct(selectPage);
}

CTBPropertySheet::CTBPropertySheet(const char* caption, CWnd* parent, UINT selectPage)
    : CTBResizableWindow(0, caption), m_caption(caption ? caption : ""), m_parent(parent) {
    Construct(selectPage);
}

void CTBPropertySheet::Construct(UINT selectPage) {
    m_firstPage = selectPage;
    // The sheet's own buttons keep their distance to the bottom-right corner.
    for (const SheetButton& b : kButtons) SetControlInfo(static_cast<WORD>(b.id), 10);
}

CTBPropertySheet::~CTBPropertySheet() {
    if (m_hWnd) DestroyWindow();
}

void CTBPropertySheet::AddPage(CTBPropertyPage* page) {
    if (!page) return;
    page->m_sheet = this;
    m_pages.push_back(page);
    if (!m_hWnd) return;
    if (auto* tabs = GetWidget()->findChild<QTabBar*>()) tabs->addTab(TBQ(page->GetTitle()));
}

CTBPropertyPage* CTBPropertySheet::GetPage(int index) const {
    return index >= 0 && index < GetPageCount() ? m_pages[static_cast<size_t>(index)] : nullptr;
}

BOOL CTBPropertySheet::SetActivePage(CTBPropertyPage* page) {
    const auto it = std::find(m_pages.begin(), m_pages.end(), page);
    return it == m_pages.end() ? FALSE : SetActivePage(static_cast<int>(it - m_pages.begin()));
}

BOOL CTBPropertySheet::SetActivePage(int index) {
    CTBPropertyPage* next = GetPage(index);
    if (!next || !m_hWnd) return FALSE;
    if (index == m_active) return TRUE;
    CTBPropertyPage* current = GetActivePage();
    if (current && current->GetSafeHwnd() && !current->OnKillActive()) return FALSE;
    if (!next->GetSafeHwnd() && !next->CreatePage(this)) return FALSE;
    if (current && current->GetSafeHwnd()) current->ShowWindow(SW_HIDE);
    m_active = index;
    PlacePages();
    next->GetWidget()->show();
    if (auto* tabs = GetWidget()->findChild<QTabBar*>()) {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(index);
    }
    next->OnSetActive();
    return TRUE;
}

void CTBPropertySheet::OnTabChanged(int index) {
    if (SetActivePage(index)) return;
    // The page kept the focus (its data did not validate): the tab goes back.
    if (auto* tabs = GetWidget()->findChild<QTabBar*>()) {
        const QSignalBlocker quiet(tabs);
        tabs->setCurrentIndex(m_active);
    }
}

BOOL CTBPropertySheet::BuildWindow(CWnd* parent) {
    if (m_hWnd || m_pages.empty()) return FALSE;
    auto* dialog = new CDialogWidget(parent ? parent->GetWidget() : nullptr);
    dialog->setProperty("tbDialog", true);
    new CNativeWindow(dialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0);
    CFont font;
    font.CreatePointFont(kSheetPointSize * 10, kSheetFont);
    dialog->setFont(TBQFontFromLogFont(font.Log()));
    dialog->setWindowTitle(TBQ(m_caption));
    AttachCreated(CNativeWindow::Handle(dialog));

    const CSize base = TBGetDialogBaseUnits(kSheetFont, kSheetPointSize);
    const CRect margin = TBDialogUnitsToPixels(CRect(0, 0, 7, 7), base);
    m_pageSize = CSize(100, 50);
    for (CTBPropertyPage* page : m_pages) {
        const CSize s = page->TemplateSize();
        m_pageSize.cx = std::max(m_pageSize.cx, s.cx);
        m_pageSize.cy = std::max(m_pageSize.cy, s.cy);
    }
    if (m_wizard) {
        // Room for Back, Next, Finish and Cancel in a row once Finish pushes Back and
        // Next aside (their width plus 10 pixels).
        const CRect button = TBDialogUnitsToPixels(CRect(0, 0, 50, 4), base);
        m_pageSize.cx = std::max(m_pageSize.cx, 4 * button.Width() + 2 * button.Height() + 10 + margin.right);
    }
    int tabHeight = 0;
    if (!m_wizard) {
        auto* tabs = new QTabBar(dialog);
        new CNativeWindow(tabs, WS_CHILD | WS_VISIBLE, 0, IDC_TB_SHEET_TABS);
        tabs->setFont(dialog->font());
        tabs->setDrawBase(false);
        tabs->setExpanding(false);
        for (CTBPropertyPage* page : m_pages) tabs->addTab(TBQ(page->GetTitle()));
        tabHeight = tabs->sizeHint().height();
        tabs->setGeometry(static_cast<int>(margin.right), static_cast<int>(margin.bottom),
                          static_cast<int>(m_pageSize.cx), tabHeight);
        QObject::connect(tabs, &QTabBar::currentChanged, dialog, [this](int index) { OnTabChanged(index); });
    }
    m_initialPage = CRect(margin.right, margin.bottom + tabHeight, margin.right + m_pageSize.cx,
                          margin.bottom + tabHeight + m_pageSize.cy);
    auto* panel = new QFrame(dialog);
    panel->setObjectName(QLatin1String(kPanelName));
    panel->setFrameShape(m_wizard ? QFrame::NoFrame : QFrame::StyledPanel);
    panel->lower();
    CreateButtons(base, m_initialPage);
    CRect lowest;
    GetDlgItem(IDCANCEL)->GetWindowRect(&lowest);
    ScreenToClient(&lowest);
    dialog->resize(static_cast<int>(m_initialPage.right + margin.right),
                   static_cast<int>(lowest.bottom + margin.bottom));
    return TRUE;
}

void CTBPropertySheet::CreateButtons(CSize base, const CRect& pageArea) {
    const CRect size = TBDialogUnitsToPixels(CRect(0, 0, 50, 14), base);
    const CRect gapUnits = TBDialogUnitsToPixels(CRect(0, 0, 4, 7), base);
    const long w = size.Width(), h = size.Height(), gap = gapUnits.Width();
    const long top = pageArea.bottom + gapUnits.Height();
    // Right-aligned row: OK Cancel Apply, or Back Next Cancel in a wizard (Finish where
    // Next is); Help at the left end.
    std::vector<std::pair<UINT, long>> placed;
    long x = pageArea.right;
    auto place = [&](UINT id, bool gapBefore) {
        x -= w;
        placed.emplace_back(id, x);
        if (gapBefore) x -= gap;
    };
    if (m_wizard) {
        place(IDCANCEL, true);
        place(ID_WIZNEXT, false);
        placed.emplace_back(ID_WIZFINISH, x);
        place(ID_WIZBACK, true);
        placed.emplace_back(IDOK, x - w);
        placed.emplace_back(ID_APPLY_NOW, x - w);
    } else {
        place(ID_APPLY_NOW, true);
        place(IDCANCEL, true);
        place(IDOK, true);
        placed.emplace_back(ID_WIZBACK, x - w);
        placed.emplace_back(ID_WIZNEXT, x - w);
        placed.emplace_back(ID_WIZFINISH, x - w);
    }
    placed.emplace_back(IDHELP, pageArea.left);
    for (const SheetButton& b : kButtons) {
        long left = 0;
        for (const auto& p : placed)
            if (p.first == b.id) left = p.second;
        const bool defaultButton = (m_wizard && b.id == ID_WIZNEXT) || (!m_wizard && b.id == IDOK);
        const bool shown = m_wizard ? (b.id == ID_WIZBACK || b.id == ID_WIZNEXT || b.id == IDCANCEL)
                                    : (b.id == IDOK || b.id == IDCANCEL || b.id == ID_APPLY_NOW);
        const DWORD style = WS_CHILD | WS_TABSTOP | (defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        QWidget* button = TBCreateNativeWidget("BUTTON", TBLoadText(b.key, b.text), style, 0, CRect(left, top, left + w, top + h),
                                               GetWidget(), b.id);
        if (!button) continue;
        button->setFont(GetWidget()->font());
        button->setVisible(shown);
        if (b.id == ID_APPLY_NOW) button->setEnabled(false);
    }
}

BOOL CTBPropertySheet::Create(CWnd* parent, BOOL show) {
    if (!BuildWindow(parent ? parent : m_parent)) return FALSE;
    OnInitDialog();
    if (show) GetWidget()->show();
    return TRUE;
}

BOOL CTBPropertySheet::OnInitDialog() {
    CRect client;
    GetClientRect(&client);
    InitialiseLayout(client);
    int first = static_cast<int>(m_firstPage);
    if (m_rememberTab && !m_wizard) {
        CString section;
        GetDialogProfileEntry(section);
        if (!section.IsEmpty()) first = CTBRegistryManager().GetProfileInt(section, "LASTTAB", first);
    }
    if (!GetPage(first)) first = 0;
    SetActivePage(first);
    return TRUE;
}

INT_PTR CTBPropertySheet::DoModal() {
    if (!Create(m_parent, FALSE)) return -1;
    return TBRunModal(*this, m_modal, m_result);
}

void CTBPropertySheet::EndDialog(int result) { TBEndModal(*this, m_modal, m_result, result); }

void CTBPropertySheet::GetPageRect(RECT* rect) const {
    if (!rect) return;
    CRect r = m_initialPage;
    if (m_layout.IsInitialised() && m_hWnd) {
        CRect client;
        GetClientRect(&client);
        const CSize initial = m_layout.GetInitialClientSize();
        r.right += client.Width() - initial.cx;
        r.bottom += client.Height() - initial.cy;
    }
    *rect = r;
}

void CTBPropertySheet::PlacePages() {
    if (!m_hWnd) return;
    CRect area;
    GetPageRect(&area);
    if (auto* panel = GetWidget()->findChild<QFrame*>(QLatin1String(kPanelName)))
        panel->setGeometry(ToQRect(area).adjusted(-1, -1, 1, 1));
    if (auto* tabs = GetWidget()->findChild<QTabBar*>())
        tabs->setGeometry(static_cast<int>(area.left), tabs->y(), static_cast<int>(area.Width()), tabs->height());
    for (CTBPropertyPage* page : m_pages)
        if (page->GetSafeHwnd()) page->GetWidget()->setGeometry(ToQRect(area));
}

void CTBPropertySheet::UpdateCtrlWindow(const SControl_Info& info, int cx, int cy) {
    m_layout.LayOutControl(this, info, cx, cy);
}

void CTBPropertySheet::LayOutControls(int cx, int cy) {
    m_layout.LayOut(this, cx, cy);
    PlacePages();
}

void CTBPropertySheet::ShowHelpButton(BOOL show) {
    if (CWnd* help = GetDlgItem(IDHELP)) help->ShowWindow(show ? SW_SHOW : SW_HIDE);
}

void CTBPropertySheet::SetWizardButtons(DWORD flags) {
    if (!m_hWnd) return;
    const bool finish = (flags & (PSWIZB_FINISH | PSWIZB_DISABLEDFINISH)) != 0;
    const bool backOrNext = (flags & (PSWIZB_BACK | PSWIZB_NEXT)) != 0;
    const BOOL shift = finish && backOrNext;
    if (shift != m_shifted && m_layout.IsInitialised()) {
        for (UINT id : {ID_WIZBACK, ID_WIZNEXT}) {
            CRect r;
            GetOrigControlRect(static_cast<WORD>(id), r);
            const long by = r.Width() + 10;
            ResizeControl(static_cast<WORD>(id), shift ? r.left - by : r.left + by, -1, -1, -1);
        }
        m_shifted = shift;
    }
    CWnd* back = GetDlgItem(ID_WIZBACK);
    CWnd* next = GetDlgItem(ID_WIZNEXT);
    CWnd* done = GetDlgItem(ID_WIZFINISH);
    if (back) back->EnableWindow((flags & PSWIZB_BACK) != 0);
    if (next) {
        next->EnableWindow((flags & PSWIZB_NEXT) != 0);
        next->ShowWindow(finish && !backOrNext ? SW_HIDE : SW_SHOW);
    }
    if (done) {
        done->ShowWindow(finish ? SW_SHOW : SW_HIDE);
        done->EnableWindow((flags & PSWIZB_FINISH) != 0);
    }
    CRect client;
    GetClientRect(&client);
    LayOutControls(static_cast<int>(client.Width()), static_cast<int>(client.Height()));
}

void CTBPropertySheet::ApplyAll(bool closing) {
    CTBPropertyPage* active = GetActivePage();
    if (active && active->GetSafeHwnd() && !active->OnKillActive()) return;
    for (CTBPropertyPage* page : m_pages)
        if (page->GetSafeHwnd() && !page->OnApply()) return;
    if (CWnd* apply = GetDlgItem(ID_APPLY_NOW)) apply->EnableWindow(FALSE);
    if (closing) EndDialog(IDOK);
}

void CTBPropertySheet::Wizard(UINT button) {
    CTBPropertyPage* page = GetActivePage();
    if (!page) return;
    if (button == ID_WIZBACK) {
        if (page->OnWizardBack() != -1) SetActivePage(m_active - 1);
    } else if (button == ID_WIZNEXT) {
        if (page->OnWizardNext() != -1) SetActivePage(m_active + 1);
    } else if (page->OnKillActive() && page->OnWizardFinish()) {
        EndDialog(ID_WIZFINISH);
    }
}

BOOL CTBPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(static_cast<DWORD>(wParam));
    const UINT code = HIWORD(static_cast<DWORD>(wParam));
    if (code == BN_CLICKED) {
        switch (id) {
            case IDOK: ApplyAll(true); return TRUE;
            case IDCANCEL: EndDialog(IDCANCEL); return TRUE;
            case ID_APPLY_NOW: ApplyAll(false); return TRUE;
            case ID_WIZBACK:
            case ID_WIZNEXT:
            case ID_WIZFINISH: Wizard(id); return TRUE;
            default: break;
        }
    }
    return CWnd::OnCommand(wParam, lParam);
}

LRESULT CTBPropertySheet::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY && m_rememberTab && m_active >= 0 && !m_wizard) {
        // The tab is remembered on its own flag, whether or not the size is.
        CString section;
        GetDialogProfileEntry(section);
        if (!section.IsEmpty()) CTBRegistryManager().WriteProfileInt(section, "LASTTAB", m_active);
    }
    if (message == WM_CLOSE) {
        SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        return 0;
    }
    LRESULT result = 0;
    if (HandleLayoutMessage(message, wParam, lParam, &result)) return result;
    return CWnd::WindowProc(message, wParam, lParam);
}

LRESULT CTBPropertySheet::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLayoutDefault(message, wParam, lParam, &result)) return result;
    return CWnd::DefWindowProc(message, wParam, lParam);
}
