// Widgets and native objects the control classes share between sources.
#pragma once

#include <toolbox/ui/win_messages.h>

#include <QComboBox>

class CNativeWindow;
class QTreeWidget;

/// The combo box widget: reports its list opening and closing to its native object
/// and lets the parent draw its items when owner-drawn.
class CTbComboWidget : public QComboBox {
public:
    explicit CTbComboWidget(QWidget* parent);
    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_indexAtDrop = -1;
};

/// The native object of a list view in report view (list_view.cpp).
CNativeWindow* TBMakeListViewNative(QTreeWidget* tree, DWORD style, DWORD exStyle, UINT id);
