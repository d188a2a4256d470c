// What dialogs and property sheets share: their Qt window, and running it modally while
// keeping whether it runs so and the answer EndDialog gave.
#pragma once

#include <toolbox/ui/wnd.h>

#include <QDialog>

/// The Qt window of a dialog or property sheet: closing it and Escape are the window's
/// Cancel command, so that they go through its messages.
class CDialogWidget : public QDialog {
public:
    using QDialog::QDialog;
    void reject() override;
};

/// Runs the dialog widget of the built window wnd until TBEndModal ends the run, then
/// destroys the window. modal is set while it runs; the answer is result as TBEndModal
/// left it, IDCANCEL when the window was closed otherwise.
INT_PTR TBRunModal(CWnd& wnd, bool& modal, int& result);

/// Keeps value as the answer of wnd and ends its modal run; a modeless window is hidden.
void TBEndModal(CWnd& wnd, bool modal, int& result, int value);
