// The editable grid in a host window: the window layer started, a grid with typed
// cells, edits as the user ends them, and the messages the host's message map gets.
#include <toolbox/toolbox-ui.h>

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT IDC_PARTS = 100;

/// The host's window: checks committed names and hears of every written cell.
class CPartsWindow : public CWnd {
public:
    int written = 0;
    int rejected = 0;

protected:
    // wParam: the grid's control id; lParam: MAKELPARAM(row, column). The cell already
    // holds the committed text; a non-zero answer rejects it.
    LRESULT OnValidate(WPARAM wParam, LPARAM lParam) {
        auto* grid = static_cast<CTBEditListCtrl*>(GetDlgItem(static_cast<int>(wParam)));
        const int row = LOWORD(static_cast<DWORD>(lParam)), column = HIWORD(static_cast<DWORD>(lParam));
        if (!grid || !grid->GetItemText(row, column).IsEmpty()) return 0;
        ++rejected;
        return 1;  // a part needs a name
    }
    LRESULT OnCellWritten(WPARAM wParam, LPARAM lParam) {
        auto* grid = static_cast<CTBEditListCtrl*>(GetDlgItem(static_cast<int>(wParam)));
        const int row = LOWORD(static_cast<DWORD>(lParam)), column = HIWORD(static_cast<DWORD>(lParam));
        std::printf("written: row %d, column %d: \"%s\"\n", row, column, grid->GetItemText(row, column).GetString());
        ++written;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CPartsWindow, CWnd)
ON_MESSAGE(TBWM_LIST_VALIDATE, OnValidate)
ON_MESSAGE(TBWM_LIST_CELL_WRITTEN, OnCellWritten)
END_MESSAGE_MAP()

/// Opens the editor of cell (column, row), types text into it and ends the edit as
/// Enter does; what CloseEdit returns.
BOOL Edit(CTBEditListCtrl& grid, int column, int row, const char* text) {
    if (!grid.DoEdit(CPoint(column, row)) || !grid.GetEditControl()) return FALSE;
    grid.GetEditControl()->SetWindowText(text);
    return grid.CloseEdit(TRUE);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    if (!TBStartWindowLayer()) return 1;
    int status = 1;
    {
        CPartsWindow window;
        CTBEditListCtrl grid;
        if (window.CreateEx(0, nullptr, "Parts", WS_OVERLAPPEDWINDOW, CRect(0, 0, 480, 240), nullptr, 0) &&
            grid.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT, CRect(0, 0, 460, 220), &window, IDC_PARTS)) {
            window.GetWidget()->show();
            grid.InsertEditColumn(0, "Part", LVCFMT_LEFT, 120);
            grid.InsertEditColumn(1, "Value", LVCFMT_LEFT, 120);
            grid.InsertEditColumn(2, "Unit", LVCFMT_LEFT, 120);
            // One row: a free text, a real number and a choice from a list.
            grid.InsertEditItem(0, "R1", TB_EDIT_TEXT);
            grid.SetEditItemText(0, 1, "1k", TB_EDIT_REAL);
            grid.SetEditItemText(0, 2, "Ohm", TB_EDIT_DROPLIST, "Ohm,kOhm,MOhm");

            const BOOL named = Edit(grid, 0, 0, "R2");      // asked (0x7F7), then written
            const BOOL valued = Edit(grid, 1, 0, "4.7k");   // checked as a real number, written
            const BOOL emptied = Edit(grid, 0, 0, "");      // the host says no
            // The grid posts itself the rejection and opens the editor again with the
            // rejected text; the user gives up with Escape.
            QCoreApplication::processEvents();
            grid.CloseEdit(FALSE);

            std::printf("cells: %s %s %s\n", grid.GetItemText(0, 0).GetString(), grid.GetItemText(0, 1).GetString(),
                        grid.GetItemText(0, 2).GetString());
            status = named && valued && !emptied && window.written == 2 && window.rejected == 1 &&
                             grid.GetItemText(0, 0) == "R2" && grid.GetItemText(0, 1) == "4.7k"
                         ? 0
                         : 1;
            grid.DestroyWindow();
            window.DestroyWindow();
        }
    }
    TBStopWindowLayer();
    return status;
}
