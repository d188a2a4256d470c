// The native object of a list view in report view (see list_view.cpp).
#pragma once

#include "controls/window/native_window.h"

#include <QPoint>

#include <vector>

class QTreeWidget;

class CNativeListView : public CNativeWindow {
public:
    CNativeListView(QTreeWidget* tree, DWORD style, DWORD exStyle, UINT id);
    static CNativeListView* Of(QWidget* widget);
    QTreeWidget* Tree() const;

    int InsertColumn(int column, const CString& heading, int format, int width);
    bool DeleteColumn(int column);
    int InsertItem(int row, const CString& text);
    bool DeleteItem(int row);
    bool DeleteAll();
    bool SetCellText(int row, int column, const CString& text);
    CString CellText(int row, int column) const;
    bool SetData(int row, DWORD_PTR data);
    DWORD_PTR ItemData(int row) const;
    bool SetState(int row, UINT state, UINT mask);
    UINT CurrentState(int row) const;
    int NextItem(int start, UINT flags) const;
    int HitTest(QPoint point, int* column) const;
    DWORD extendedStyle = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void OnDefaultEvent(UINT message, WPARAM wParam, LPARAM lParam) override;
    UINT DialogCode(UINT) const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    std::unique_ptr<CWnd> MakeTemporary() const override;

private:
    void StatesChanged();
    void ScheduleStatesChanged();
    bool m_flushPending = false;
    std::vector<UINT> m_states;  // the states last reported, per row
    std::vector<int> m_alignments;
    bool m_quiet = false;
};
