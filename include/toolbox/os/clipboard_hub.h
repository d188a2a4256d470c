/// \file
/// \brief The clipboard hub: text exchanged with the clipboard.
// The clipboard hub: text exchanged with the clipboard. Until the window layer
// registers the system clipboard, the hub keeps the text inside the process.
#pragma once

#include <toolbox/types/cstring.h>

/// The clipboard the core copies to and pastes from: text held in the process until a
/// window layer registers the system's clipboard with TBSetClipboardHub.
class TB_EXPORT CClipboardHub {
public:
    virtual ~CClipboardHub() = default;
    /// True when the clipboard holds text.
    virtual bool HasText() const { return m_hasText; }
    /// The clipboard text; empty when there is none.
    virtual CString GetText() const { return m_text; }
    /// Replaces the clipboard content with text; false when the clipboard is busy.
    virtual bool SetText(const CString& text) {
        m_text = text;
        m_hasText = true;
        return true;
    }
    /// Empties the clipboard.
    virtual void Clear() {
        m_text.Empty();
        m_hasText = false;
    }

private:
    CString m_text;
    bool m_hasText = false;
};

/// The hub in effect; never null (the in-process one until another is set).
TB_EXPORT CClipboardHub& TBGetClipboardHub();
/// Makes hub the process-wide clipboard (null: the in-process one again). The caller
/// keeps ownership and resets the hub before destroying it.
TB_EXPORT void TBSetClipboardHub(CClipboardHub* hub);
