// The text pane of the viewer.
#include "text_pane.h"

#include "view_document.h"

#include <cstdio>
#include <string>

namespace {

/// Larger files would take the editor's line model too long to colour.
constexpr long kLargestText = 8L * 1024 * 1024;

bool ReadText(const CString& path, std::string& text, CString& error) {
    std::FILE* file = std::fopen(path.GetString(), "rb");
    if (!file) {
        error = "The file  " + path + "  couldn't be opened!";
        return false;
    }
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, got);
        if (static_cast<long>(text.size()) > kLargestText) {
            std::fclose(file);
            error = path + " is too large to show as text.";
            return false;
        }
    }
    std::fclose(file);
    if (text.find('\0') != std::string::npos) {
        error = path + " is not a text file.";
        return false;
    }
    return true;
}

}  // namespace

BOOL CViewTextPane::Create(CWnd* parent, UINT id) {
    if (!CTBColorRichEdit::Create(WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                      ES_READONLY,
                                  CRect(0, 0, 100, 100), parent, id))
        return FALSE;
    SetUseOutSideMainFrame(TRUE);  // the viewer's status line is its own
    return TRUE;
}

bool CViewTextPane::ShowFile(const CString& path, CString& error) {
    std::string text;
    if (!ReadText(path, text, error)) return false;
    // Netlists and listings are coloured as SPICE; other text stays plain.
    if (ViewIsTextFile(path)) LoadSyntaxDescription("SPICE");
    SetWindowText(text.c_str());
    m_path = path;
    return true;
}
