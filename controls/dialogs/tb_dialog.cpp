#include <toolbox/ui/tb_dialog.h>

#include <QWidget>

#include <cmath>

CTBDialog::CTBDialog(UINT templateId, CWnd* parent)
    : CDialog(templateId, parent), CTBResizableWindow(templateId, nullptr) {}
CTBDialog::CTBDialog(const char* templateName, CWnd* parent)
    : CDialog(0, parent), CTBResizableWindow(0, templateName) {}
CTBDialog::~CTBDialog() {
    // The window goes while this object still is a CTBDialog, so its placement is saved.
    if (m_hWnd) DestroyWindow();
}

BOOL CTBDialog::OnInitDialog() {
    const BOOL focusDefault = CDialog::OnInitDialog();
    CRect client;
    GetClientRect(&client);
    InitialiseLayout(client);
    return focusDefault;
}

void CTBDialog::ReduceDialog(long dx, long dy) {
    m_layout.AddReduction(dx, dy);
    if (!m_hWnd) return;
    ApplyMinimumSize();
    QWidget* w = GetWidget();
    const int width = w->width() - static_cast<int>(std::trunc(dx * m_layout.GetScaleX()));
    const int height = w->height() - static_cast<int>(std::trunc(dy * m_layout.GetScaleY()));
    w->resize(std::max(1, width), std::max(1, height));
}

LRESULT CTBDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLayoutMessage(message, wParam, lParam, &result)) return result;
    return CDialog::WindowProc(message, wParam, lParam);
}

LRESULT CTBDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleLayoutDefault(message, wParam, lParam, &result)) return result;
    return CDialog::DefWindowProc(message, wParam, lParam);
}
