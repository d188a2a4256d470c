// The text pane of the viewer: SPICE netlists and listings, and any text file, in the
// library's colouring editor with the shipped syntax descriptions.
#pragma once

#include <toolbox/ui/color_rich_edit.h>

class CViewTextPane : public CTBColorRichEdit {
public:
    BOOL Create(CWnd* parent, UINT id);
    /// Shows the text of path, coloured as SPICE for netlists and listings; false with
    /// error when the file cannot be read or is too large to show.
    bool ShowFile(const CString& path, CString& error);
    /// The file shown; empty when none.
    const CString& GetPath() const { return m_path; }

private:
    CString m_path;
};
