/// \file
/// \brief Channels to and from the clipboard as plain text: one line per item, one column per channel, columns separated by a separator string (a tab unless the caller gives another).
// Channels to and from the clipboard as plain text: one line per item, one column per
// channel, columns separated by a separator string (a tab unless the caller gives
// another). The clipboard is the process-wide clipboard hub of platform/os.
#pragma once

#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/read_and_write_files.h>

/// The clipboard engine: the file engine's channel table, counts, warnings and errors
/// plus the clipboard format of the last paste (1, text; 0 before any).
class TB_EXPORT CReadAndWriteClipboardFunction : public CReadAndWriteFileFunction {
public:
    /// Separator = tab.
    CReadAndWriteClipboardFunction();

    /// First step of a paste: counts the lines and columns of the clipboard text and
    /// creates that many empty channels. 1 success, 0 failure.
    int ReadClipboardDimension(CString separator);
    /// Second step: fills the storage the host attached to the channels. Numbers may
    /// carry the user's thousands separator and decimal symbol.
    int ReadClipboardData();
    /// Puts all channels on the clipboard, numbers with 15 significant digits and the
    /// user's decimal symbol. 1 success, 2 success with warnings, 0 failure.
    int WriteClipboard(CString separator);

    /// 1 after a paste of text, 0 before any paste.
    int GetClipboardFormat() const { return m_clipboardFormat; }

protected:
    /// ReadClipboardDimension for text instead of the clipboard's: lines, columns, empty channels. 1 success, 0 failure.
    int ReadTextClipboardDimension(const CString& text);
    /// ReadClipboardData for text instead of the clipboard's. 1, 2 or 0.
    int ReadTextClipboardData(const CString& text);
    /// Builds the clipboard text into text; 0 on a channel error.
    int WriteTextClipboard(CString& text);

private:
    int m_clipboardFormat = 0;
};

/// Adds nothing to the clipboard engine; kept for hosts that name it.
class TB_EXPORT CReadAndWriteFileAndClipboard : public CReadAndWriteClipboardFunction {};

/// The host's handle on a clipboard engine. The inherited members (channels, counts,
/// errors, warnings, and the file members too) act on the same engine as the three
/// clipboard members, so a host reads the clipboard's dimensions, attaches storage to
/// the channels and reads the data through one object.
class TB_EXPORT CReadAndWriteClipboard : public CReadAndWriteFiles {
public:
    CReadAndWriteClipboard();
    /// A handle with its own engine holding a copy of other's state (value storage shared).
    CReadAndWriteClipboard(const CReadAndWriteClipboard& other);
    /// Replaces the state with a copy of other's (value storage shared).
    CReadAndWriteClipboard& operator=(const CReadAndWriteClipboard& other);
    ~CReadAndWriteClipboard() override;

    /// First step of a paste: counts the lines and columns of the clipboard text (split at separator; empty: tab) and makes that many channels. 1 success, 0 failure (no text on the clipboard).
    int ReadInfoClipboard(CString separator) { return m_clipboard->ReadClipboardDimension(separator); }
    /// Second step of a paste: fills the storage the host attached to the channels; numbers may carry the user's thousands separator and decimal symbol. 1, 2 or 0.
    int ReadDataClipboard() { return m_clipboard->ReadClipboardData(); }
    /// Puts all channels on the clipboard as text, columns split by separator (empty: tab), numbers with 15 significant digits and the user's decimal symbol. 1, 2 or 0.
    int WriteClipboard(CString separator) { return m_clipboard->WriteClipboard(separator); }
    /// The clipboard engine; GetEngine() returns the same object.
    CReadAndWriteClipboardFunction* GetClipboardEngine() { return m_clipboard; }

private:
    explicit CReadAndWriteClipboard(CReadAndWriteClipboardFunction* engine);
    CReadAndWriteClipboardFunction* m_clipboard;
};
