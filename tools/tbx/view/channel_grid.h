// The channel list of the viewer: one row per channel of every open file, in the
// library's editable grid. Columns: plot check, name (editable), unit (the unit
// selector of the channel's quantity), number of values, minimum, maximum, file.
#pragma once

#include "view_document.h"

#include <toolbox/ui/edit_list_ctrl.h>

#include <vector>

class CViewChannelGrid : public CTBEditListCtrl {
public:
    enum Column { kPlot, kName, kUnit, kItems, kMinimum, kMaximum, kFile, kColumnCount };

    BOOL Create(CWnd* parent, UINT id);
    /// Lists every channel of documents (rows in file and channel order).
    void Fill(const std::vector<CViewDocument*>& documents);
    /// The file and channel of row; false for a row that lists none.
    bool ChannelOfRow(int row, int& document, int& channel) const;
    /// The row of a channel; -1 when it is not listed.
    int RowOfChannel(int document, int channel) const;
    /// Writes the channel's texts (name, unit, count, minimum, maximum) into its row.
    void ShowChannel(int row, const ViewChannel& channel, int items);
};
