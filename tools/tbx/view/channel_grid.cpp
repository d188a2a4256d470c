// The channel list of the viewer. The row's data packs the file's index (high word)
// and the channel's (low word), so sorting the list keeps rows and channels together.
#include "channel_grid.h"

#include <toolbox/resources/language_file.h>
#include <toolbox/services/numbers.h>

#include <cmath>

namespace {

CString Engineering(double v) { return std::isfinite(v) ? TBExtended_ftoa(v, 4, 0, CString()) : CString(); }

}  // namespace

BOOL CViewChannelGrid::Create(CWnd* parent, UINT id) {
    if (!CTBEditListCtrl::Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL,
                                 CRect(0, 0, 100, 100), parent, id))
        return FALSE;
    InitializeCtrl(1, 1);
    InsertEditColumn(kPlot, TBLoadText("view.column.plot", "Plot"), LVCFMT_CENTER, 40);
    InsertEditColumn(kName, TBLoadText("view.column.name", "Name"), LVCFMT_LEFT, 96);
    InsertEditColumn(kUnit, TBLoadText("view.column.unit", "Unit"), LVCFMT_LEFT, 56);
    InsertEditColumn(kItems, TBLoadText("view.column.items", "Values"), LVCFMT_RIGHT, 56);
    InsertEditColumn(kMinimum, TBLoadText("view.column.minimum", "Minimum"), LVCFMT_RIGHT, 80);
    InsertEditColumn(kMaximum, TBLoadText("view.column.maximum", "Maximum"), LVCFMT_RIGHT, 80);
    InsertEditColumn(kFile, TBLoadText("view.column.file", "File"), LVCFMT_LEFT, 110);
    return TRUE;
}

void CViewChannelGrid::Fill(const std::vector<CViewDocument*>& documents) {
    CloseEdit(FALSE);
    DeleteAllEditItems();
    int row = 0;
    for (std::size_t d = 0; d < documents.size(); ++d) {
        const CViewDocument& doc = *documents[d];
        // The row data has 16 bits for the channel: more channels than that are not listed.
        for (int c = 0; c < doc.GetChannelCount() && c <= 0xFFFF; ++c, ++row) {
            const ViewChannel& channel = doc.GetChannel(c);
            // The first channel of a file with several is its x axis: it is not plotted over itself.
            const bool isX = c == 0 && doc.GetChannelCount() > 1;
            InsertEditItem(row, channel.plotted ? "1" : "0", isX ? TB_EDIT_CHECK_INACTIVE : TB_EDIT_CHECK);
            SetItemData(row, static_cast<DWORD_PTR>((d << 16) | static_cast<unsigned>(c)));
            SetEditItemText(row, kName, channel.name, TB_EDIT_TEXT);
            // A unit of a known quantity gets the selector of that quantity's units.
            SetEditItemText(row, kUnit, channel.unit, channel.quantity.IsEmpty() ? TB_EDIT_UNIT_TEXT : TB_EDIT_UNIT,
                            channel.quantity);
            SetEditItemText(row, kItems, "", TB_EDIT_NONE);
            SetEditItemText(row, kMinimum, "", TB_EDIT_NONE);
            SetEditItemText(row, kMaximum, "", TB_EDIT_NONE);
            SetEditItemText(row, kFile, doc.GetTitle(), TB_EDIT_NONE);
            ShowChannel(row, channel, doc.GetItemCount());
        }
    }
}

bool CViewChannelGrid::ChannelOfRow(int row, int& document, int& channel) const {
    if (row < 0 || row >= GetItemCount()) return false;
    const DWORD_PTR data = GetItemData(row);
    document = static_cast<int>(data >> 16);
    channel = static_cast<int>(data & 0xFFFF);
    return true;
}

int CViewChannelGrid::RowOfChannel(int document, int channel) const {
    for (int row = 0; row < GetItemCount(); ++row) {
        int d = 0, c = 0;
        if (ChannelOfRow(row, d, c) && d == document && c == channel) return row;
    }
    return -1;
}

void CViewChannelGrid::ShowChannel(int row, const ViewChannel& channel, int items) {
    SetItemText(row, kName, channel.name);
    SetItemText(row, kUnit, channel.unit);
    CString count;
    count.Format("%d", items);
    SetItemText(row, kItems, count);
    const bool any = channel.low <= channel.high;
    SetItemText(row, kMinimum, any ? Engineering(channel.low) : CString());
    SetItemText(row, kMaximum, any ? Engineering(channel.high) : CString());
}
