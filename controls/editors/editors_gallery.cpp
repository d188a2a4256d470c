// The gallery pages of the in-place editors and the control variants.
#include "controls/window/gallery_pages.h"

#include <toolbox/ui/dc.h>
#include <toolbox/ui/editors.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <memory>
#include <vector>

namespace {

using tb_gallery::AddCaption;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

/// Every editor enabled, then a second set disabled.
int RenderEditors(const QString& folder) {
    CWnd panel;
    if (!tb_gallery::CreatePanel(panel, "In-place editors", 560, 420)) return 0;
    CFont font;
    font.CreatePointFont(90, "DejaVu Sans");
    panel.SetFont(&font);
    AddCaption(panel, "CTBOwnEdit", 10, 8);
    CTBOwnEdit edit, editOff;
    edit.Create("4.7k", kChild | WS_BORDER, CRect(10, 26, 180, 50), &panel, 1);
    editOff.Create("disabled", kChild | WS_BORDER | WS_DISABLED, CRect(190, 26, 360, 50), &panel, 2);
    AddCaption(panel, "CTBOwnComboBox", 10, 58);
    CTBOwnComboBox combo, comboOff;
    combo.Create("Copper", "Aluminium,Copper,Silver", kChild | CBS_DROPDOWN, CRect(10, 76, 180, 100), &panel, 3);
    comboOff.Create("Silver", "Aluminium,Copper,Silver", kChild | CBS_DROPDOWNLIST | WS_DISABLED,
                    CRect(190, 76, 360, 100), &panel, 4);
    AddCaption(panel, "CTBOwnBrowseBox", 10, 110);
    CTBOwnBrowseBox browse, browseOff;
    browse.Create("/usr/share", "DIR", kChild, CRect(10, 128, 180, 152), &panel, 5);
    browseOff.Create("/tmp/result.csv", "PATH", kChild | WS_DISABLED, CRect(190, 128, 360, 152), &panel, 6);
    browseOff.GetEditControl()->EnableWindow(FALSE);
    browseOff.GetButton()->EnableWindow(FALSE);
    AddCaption(panel, "CTBOwnListBox", 380, 8);
    CTBOwnListBox list;
    list.Create("lin", "linear,logarithmic,square root", kChild | WS_BORDER, CRect(380, 26, 550, 100), &panel, 7);
    AddCaption(panel, "CTBOwnButton", 380, 110);
    CTBOwnButton button;
    button.Create("Edit...", kChild, CRect(380, 128, 470, 152), &panel, 8);
    AddCaption(panel, "CTBBitmapButton: up, then disabled", 10, 164, 400);
    const char* captions[] = {"NEW", "DELETE", "DELETEALL", "UP", "DOWN", "COMPONENT", "FILEOPEN", "CHECK"};
    std::vector<std::unique_ptr<CTBBitmapButton>> buttons;
    for (int i = 0; i < 16; ++i) {
        const int x = 10 + (i % 8) * 28, y = 184 + (i / 8) * 28;
        CButton placeholder;
        placeholder.Create(captions[i % 8], kChild | (i >= 8 ? WS_DISABLED : 0), CRect(x, y, x + 24, y + 24), &panel,
                           static_cast<UINT>(100 + i));
        placeholder.Detach();
        buttons.push_back(std::make_unique<CTBBitmapButton>());
        buttons.back()->AutoLoad(static_cast<UINT>(100 + i), &panel);
    }
    AddCaption(panel, "CTBOwnRichEdit: editable, then read-only", 10, 248, 400);
    CTBOwnRichEdit rich, richOff;
    rich.Create(kChild | WS_BORDER, CRect(10, 266, 270, 410), &panel, 9);
    rich.SetWindowText("R1 1 2 4.7k\nC1 2 0 100n\n.tran 1u 1m");
    richOff.Create(kChild | WS_BORDER, CRect(280, 266, 550, 410), &panel, 10);
    richOff.SetWindowText("read-only text");
    richOff.SetReadOnly(TRUE);
    int written = tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/editors.png")) ? 1 : 0;
    // The combo dropped over the page.
    combo.SetFocus();
    combo.ShowDropDown(TRUE);
    QCoreApplication::processEvents();
    if (tb_gallery::SaveWithPopups(panel.GetWidget(), folder + QStringLiteral("/editors_combo_dropped.png"))) ++written;
    combo.ShowDropDown(FALSE);
    panel.DestroyWindow();
    return written;
}

int RenderFolderDialog(const QString& folder) {
    CTBDlgBrowseDir dialog;
    dialog.SetSelPath("/usr/share");
    if (!dialog.CreateIndirect(*TBFindDialogTemplate(4301), nullptr)) return 0;
    dialog.SelectFolder("/usr/share");
    const bool saved = tb_gallery::SaveWithPopups(dialog.GetWidget(), folder + QStringLiteral("/dialog_browse_dir.png"));
    dialog.DestroyWindow();
    return saved ? 1 : 0;
}

}  // namespace

int TBRenderEditorGallery(const QString& folder) { return RenderEditors(folder) + RenderFolderDialog(folder); }

namespace {
const CGalleryPages kPages("editors", TBRenderEditorGallery);
}  // namespace
