// The colouring editor on the window layer: a QPlainTextEdit whose every text change
// reaches the line model (one slot on the document's contentsChange, connected before
// the highlighter's), and a QSyntaxHighlighter that paints each block with the spans
// of its model line. The highlighter keeps each block's range state at its end as the
// block state, so Qt itself re-paints following blocks exactly while that state
// changes, the same rule by which the model re-colours them.
#include <toolbox/ui/color_rich_edit.h>

#include <toolbox/os/clipboard_hub.h>
#include <toolbox/os/module_path.h>
#include <toolbox/resources/string_table.h>
#include <toolbox/os/profile_cache.h>
#include <toolbox/ui/dialog.h>
#include <toolbox/ui/menu.h>

#include "controls/coloredit/model/line_list.h"
#include "controls/window/native_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSyntaxHighlighter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <deque>
#include <map>

using tb_coloredit::CLineList;
using tb_coloredit::CTextPlace;

namespace {

// The framework's standard edit commands.
constexpr UINT kEditClear = 0xE120, kEditClearAll = 0xE121, kEditCopy = 0xE122, kEditCut = 0xE123,
               kEditFind = 0xE124, kEditPaste = 0xE125, kEditReplace = 0xE129, kEditSelectAll = 0xE12A,
               kEditUndo = 0xE12B, kEditRedo = 0xE12C;
constexpr UINT kPaneText = 0xE700, kPaneInsert = 0xE704;
constexpr UINT kEditMenu = 4404;
constexpr UINT kCannotFind = 5532;

UINT FindReplaceMessage() {
    static const UINT message = RegisterWindowMessage(FINDMSGSTRING);
    return message;
}

/// Document text uses "\n" between lines; records and the clipboard hub get "\r\n".
QString DocumentText(const CString& text) {
    CString normal = text;
    normal.Replace("\r\n", "\n");
    normal.Replace('\r', '\n');
    return TBQ(normal);
}
CString RecordText(const std::string& text) {
    CString out(text);
    out.Replace("\n", "\r\n");
    return out;
}
int DocumentLength(const CString& recordText) { return static_cast<int>(DocumentText(recordText).size()); }

/// The colour the highlighter paints the first selected character with (the one before
/// the caret at the end of the text); false when it paints that character in none.
bool PaintedColour(QPlainTextEdit* edit, COLORREF* colour) {
    if (!edit) return false;
    const QTextDocument* doc = edit->document();
    const int length = doc->characterCount() - 1;
    if (length <= 0) return false;
    const int at = std::min(edit->textCursor().selectionStart(), length - 1);
    const QTextBlock block = doc->findBlock(at);
    if (!block.isValid() || !block.layout()) return false;
    const int offset = at - block.position();
    for (const QTextLayout::FormatRange& r : block.layout()->formats())
        if (offset >= r.start && offset < r.start + r.length && r.format.hasProperty(QTextFormat::ForegroundBrush)) {
            const QColor c = r.format.foreground().color();
            *colour = RGB(c.red(), c.green(), c.blue());
            return true;
        }
    return false;
}

bool IsAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

}  // namespace

// ------------------------------------------------------------------ highlighter

/// Paints a block with the spans of its model line; the block state is the line's
/// open range at its end.
class CColorRichEditHighlighter : public QSyntaxHighlighter {
public:
    CColorRichEditHighlighter(QTextDocument* document, CTBColorRichEdit::Impl& impl)
        : QSyntaxHighlighter(document), m_impl(impl) {}

protected:
    void highlightBlock(const QString& text) override;

private:
    const QTextCharFormat& Format(COLORREF color) {
        auto it = m_formats.find(color);
        if (it == m_formats.end()) {
            QTextCharFormat format;
            format.setForeground(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
            it = m_formats.emplace(color, format).first;
        }
        return it->second;
    }
    CTBColorRichEdit::Impl& m_impl;
    std::map<COLORREF, QTextCharFormat> m_formats;
};

/// Notes the modifiers of each key event before the window layer turns it into messages
/// (the key messages carry no modifier state).
class CKeyModifierWatch : public QObject {
public:
    explicit CKeyModifierWatch(QObject* parent) : QObject(parent) {}
    Qt::KeyboardModifiers modifiers;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease)
            modifiers = static_cast<QKeyEvent*>(event)->modifiers();
        return false;
    }
};

struct CTBColorRichEdit::Impl {
    CTBColorRichEdit& owner;
    QPointer<CKeyModifierWatch> keys;
    bool loading = false;
    CLineList lines;
    std::deque<sUndoDataColorRichEdit> undo, redo;
    QPointer<QPlainTextEdit> edit;
    QPointer<CColorRichEditHighlighter> highlighter;
    QMetaObject::Connection contents;
    QPointer<QWidget> findWindow;  // the find dialog's window, gone with the dialog
    bool recording = true;
    bool attached = false;

    explicit Impl(CTBColorRichEdit& o) : owner(o) {}
    QTextDocument* Document() const { return edit ? edit->document() : nullptr; }

    static void Push(std::deque<sUndoDataColorRichEdit>& list, sUndoDataColorRichEdit record) {
        list.push_back(std::move(record));
        if (static_cast<int>(list.size()) > kUndoLimit) list.pop_front();
    }
    void Record(int kind, int position, CString text) {
        if (!recording || text.IsEmpty()) return;
        Push(undo, {kind, position, std::move(text)});
        redo.clear();
    }

    /// The model lines again from the document's blocks, coloured when asked.
    void Rebuild(bool colour) {
        std::vector<std::string> texts;
        QTextDocument* doc = Document();
        if (doc) {
            texts.reserve(static_cast<std::size_t>(doc->blockCount()));
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) texts.push_back(b.text().toUtf8().toStdString());
        }
        lines.SetLines(std::move(texts));
        if (colour) lines.Colour(0, lines.GetCount() - 1, false, owner.m_description);
    }

    /// The model place of a document position: the block holding it and the byte
    /// offset in the line's real text.
    bool PlaceOf(int position, CTextPlace& place) const {
        const QTextBlock block = Document()->findBlock(position);
        if (!block.isValid() || block.blockNumber() >= lines.GetCount()) return false;
        place.line = block.blockNumber();
        const std::string real = lines.Line(place.line).GetRealString().str();
        place.offset = tb_coloredit::Utf16ToByteOffset(real, position - block.position());
        return true;
    }

    /// The place `units` characters (a line break counting one) after from, in the
    /// model as it was before a change.
    bool Advance(CTextPlace from, int units, CTextPlace& to) const {
        to = from;
        while (units > 0) {
            const std::string real = lines.Line(to.line).GetRealString().str();
            const int left = tb_coloredit::ByteToUtf16Offset(real, static_cast<int>(real.size())) -
                             tb_coloredit::ByteToUtf16Offset(real, to.offset);
            if (units <= left) {
                const int base = tb_coloredit::ByteToUtf16Offset(real, to.offset);
                to.offset = tb_coloredit::Utf16ToByteOffset(real, base + units);
                return true;
            }
            units -= left + 1;  // the rest of the line and its break
            if (to.line + 1 >= lines.GetCount()) return false;
            ++to.line;
            to.offset = 0;
        }
        return true;
    }

    /// Every change of the document's text, from the control or from Qt itself.
    void ContentsChanged(int position, int removed, int added) {
        QTextDocument* doc = Document();
        if (!doc) return;
        if (loading) {
            Rebuild(owner.m_colourOnSetText);
            return;
        }
        // A change that does not fit the lines (never seen, but Qt may report a wider
        // stretch than it changed) costs a rebuild, not a wrong model.
        CTextPlace from, to;
        if (!PlaceOf(position, from) || !Advance(from, removed, to)) {
            Rebuild(true);
            return;
        }
        QTextCursor cursor(doc);
        cursor.setPosition(position);
        cursor.setPosition(std::min(position + added, doc->characterCount() - 1), QTextCursor::KeepAnchor);
        QString inserted = cursor.selectedText();
        inserted.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        const std::string insertedText = inserted.toUtf8().toStdString();
        const std::string removedText = lines.GetText(from, to, "\n");
        if (removed == added && removedText == insertedText) return;  // formats only
        Record(0, position, RecordText(removedText));
        Record(1, position + 1, RecordText(insertedText));
        const int last = lines.Replace(from, to, insertedText);
        if (lines.GetCount() != doc->blockCount()) {
            Rebuild(true);
            return;
        }
        lines.Colour(from.line, last, true, owner.m_description);
    }
};

void CColorRichEditHighlighter::highlightBlock(const QString& text) {
    const int number = currentBlock().blockNumber();
    if (number < 0 || number >= m_impl.lines.GetCount()) return;
    const CTBColorRichEditLine& line = m_impl.lines.Line(number);
    setCurrentBlockState(line.GetOpenRangeAtEnd());
    const auto& spans = line.GetColorDscr();
    if (spans.empty()) return;
    // Columns are bytes of the expanded text; the block counts UTF-16 units of the real text.
    const bool plain = line.GetTabs().empty() && IsAscii(text);
    const std::string real = plain ? std::string() : line.GetRealString().str();
    auto unit = [&](int column) {
        if (plain) return std::clamp(column, 0, static_cast<int>(text.size()));
        return tb_coloredit::ByteToUtf16Offset(real, line.ColumnToReal(column));
    };
    for (const sColorDscrColorRichEdit& span : spans) {
        const int first = unit(span.first);
        // The end is the character holding the span's last column: a tab whose spaces it
        // ends in, or the last byte of a multi-byte character.
        const int end = plain ? unit(span.last + 1)
                              : tb_coloredit::ByteToUtf16Offset(real, line.ColumnToReal(span.last) + 1);
        if (end > first) setFormat(first, end - first, Format(span.color));
    }
}

// ------------------------------------------------------------------ the control

BEGIN_MESSAGE_MAP(CTBColorRichEdit, CRichEditCtrl)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_KEYDOWN()
ON_WM_SYSKEYDOWN()
ON_WM_CHAR()
ON_WM_SETFOCUS()
ON_WM_KILLFOCUS()
ON_WM_CONTEXTMENU()
ON_WM_GETDLGCODE()
ON_REGISTERED_MESSAGE(FindReplaceMessage(), OnFindReplace)
ON_COMMAND(kEditSelectAll, OnSelectAll)
ON_COMMAND(kEditReplace, OnEditReplace)
ON_COMMAND(kEditFind, OnEditFind)
ON_COMMAND(kEditCopy, OnEditCopy)
ON_COMMAND(kEditCut, OnEditCut)
ON_COMMAND(kEditPaste, OnEditPaste)
ON_COMMAND(kEditClear, OnEditClear)
ON_COMMAND(kEditClearAll, OnEditClearAll)
ON_COMMAND(kEditUndo, OnEditUndo)
ON_COMMAND(kEditRedo, OnEditRedo)
ON_UPDATE_COMMAND_UI(kEditUndo, OnUpdateUndo)
ON_UPDATE_COMMAND_UI(kEditRedo, OnUpdateRedo)
ON_UPDATE_COMMAND_UI(kEditCopy, OnUpdateCopy)
ON_UPDATE_COMMAND_UI(kEditCut, OnUpdateCutClear)
ON_UPDATE_COMMAND_UI(kEditClear, OnUpdateCutClear)
ON_UPDATE_COMMAND_UI(kEditClearAll, OnUpdateClearAll)
ON_UPDATE_COMMAND_UI(kEditPaste, OnUpdatePaste)
ON_UPDATE_COMMAND_UI(kEditSelectAll, OnUpdateSelectAll)
END_MESSAGE_MAP()

CTBColorRichEdit::CTBColorRichEdit() : m_impl(std::make_unique<Impl>(*this)) { (void)FindReplaceMessage(); }

/// The open find dialog goes with the control (it deletes itself with its window).
static void CloseFindDialog(CFindReplaceDialog*& dialog, QPointer<QWidget>& window) {
    if (dialog && window) dialog->DestroyWindow();
    dialog = nullptr;
}

CTBColorRichEdit::~CTBColorRichEdit() {
    Detach();
    CloseFindDialog(m_findDialog, m_impl->findWindow);
    if (m_ownsDescription) TBFreeSyntaxDescrforColorRichEdit(m_description);
}

BOOL CTBColorRichEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CRichEditCtrl::Create(style, rect, parent, id);
}

/// Ties the model to the widget: made on WM_CREATE, or on the first message of a
/// control that a dialog made and this object subclassed.
void CTBColorRichEdit::Attach() {
    if (m_impl->attached || !m_hWnd) return;
    auto* edit = qobject_cast<QPlainTextEdit*>(GetWidget());
    if (!edit) return;
    m_impl->attached = true;
    m_impl->edit = edit;
    QTextDocument* doc = edit->document();
    doc->setUndoRedoEnabled(false);  // the control keeps its own lists
    QFontMetricsF metrics(edit->font());
    edit->setTabStopDistance(metrics.horizontalAdvance(QLatin1Char(' ')) * 4);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_readOnly = (GetStyle() & ES_READONLY) != 0;
    if (m_readOnly) edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_impl->Rebuild(m_colourOnSetText);
    // The model's slot first: the highlighter, connected next, reads the updated lines.
    Impl* impl = m_impl.get();
    m_impl->contents = QObject::connect(doc, &QTextDocument::contentsChange, edit,
                                        [impl](int p, int r, int a) { impl->ContentsChanged(p, r, a); });
    m_impl->highlighter = new CColorRichEditHighlighter(doc, *m_impl);
    QObject::connect(edit, &QPlainTextEdit::cursorPositionChanged, edit, [this] { ReportCaret(); });
    // The right button and the menu key ask for the control's own menu, wherever the
    // scroll area delivers the request.
    edit->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(edit, &QWidget::customContextMenuRequested, edit, [this](const QPoint& at) {
        const QPoint global = m_impl->edit->viewport()->mapToGlobal(at);
        SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(m_hWnd), MAKELPARAM(global.x(), global.y()));
    });
    // Installed after the window layer's filter, so it sees each key event first.
    m_impl->keys = new CKeyModifierWatch(edit);
    edit->installEventFilter(m_impl->keys);
}

void CTBColorRichEdit::Detach() {
    if (!m_impl->attached) return;
    QObject::disconnect(m_impl->contents);
    delete m_impl->highlighter.data();
    delete m_impl->keys.data();
    if (m_impl->edit) {
        QObject::disconnect(m_impl->edit, &QPlainTextEdit::cursorPositionChanged, nullptr, nullptr);
        QObject::disconnect(m_impl->edit, &QWidget::customContextMenuRequested, nullptr, nullptr);
    }
    m_impl->attached = false;
}

LRESULT CTBColorRichEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    Attach();
    switch (message) {
        case WM_SETTEXT: {
            // The lines are built anew as the text arrives (before the highlighter paints
            // them); a new text starts a new history.
            m_impl->loading = true;
            const LRESULT result = CRichEditCtrl::WindowProc(message, wParam, lParam);
            m_impl->loading = false;
            m_impl->undo.clear();
            m_impl->redo.clear();
            if (QTextDocument* doc = m_impl->Document(); doc && doc->blockCount() != m_impl->lines.GetCount())
                LoadWindowTextinLineArray();
            return result;
        }
        case EM_SETMODIFY: {
            const LRESULT result = CRichEditCtrl::WindowProc(message, wParam, lParam);
            if (!m_outsideMainFrame) StartTimer();
            return result;
        }
        case EM_GETCHARFORMAT: {
            // The colours are the highlighter's, painted over the document's own format:
            // the answer gives the colour the character is shown in.
            const LRESULT result = CRichEditCtrl::WindowProc(message, wParam, lParam);
            COLORREF painted = 0;
            auto* format = reinterpret_cast<CHARFORMAT*>(lParam);
            if (format && PaintedColour(m_impl->edit, &painted)) {
                format->crTextColor = painted;
                format->dwEffects &= ~static_cast<DWORD>(CFE_AUTOCOLOR);
            }
            return result;
        }
        case EM_SETREADONLY: {
            const LRESULT result = CRichEditCtrl::WindowProc(message, wParam, lParam);
            m_readOnly = wParam != 0;
            if (m_readOnly && m_impl->edit)
                m_impl->edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
            return result;
        }
        default: return CRichEditCtrl::WindowProc(message, wParam, lParam);
    }
}

int CTBColorRichEdit::OnCreate(void*) {
    Attach();
    return 0;
}

void CTBColorRichEdit::OnDestroy() {
    Detach();
    CloseFindDialog(m_findDialog, m_impl->findWindow);
    m_impl->undo.clear();
    m_impl->redo.clear();
    Default();
}

// ------------------------------------------------------------------ descriptions

void CTBColorRichEdit::InstallOwned(CTBSyntaxDscrColorRichEdit* description) {
    if (m_ownsDescription && m_description != description) TBFreeSyntaxDescrforColorRichEdit(m_description);
    m_description = description;
    m_ownsDescription = true;
}

BOOL CTBColorRichEdit::LoadSyntaxDescription(CString syntaxName) {
    const CString folder = TBGetLibraryDirectory();
    CPrivateFileCache configuration;
    CString file = configuration.GetStringValue(syntaxName, "DscrFile", "", folder + "/vexaedit.cfg", 0);
    if (file.IsEmpty()) return FALSE;
    file.Replace('\\', '/');  // configurations written for the system's other platform
    LoadSyntaxDescriptionFile(file.GetAt(0) == '/' ? file : folder + "/" + file);
    return TRUE;
}

void CTBColorRichEdit::LoadSyntaxDescriptionFile(CString path) {
    auto* description = new CTBSyntaxDscrColorRichEdit;
    TBLoadSyntaxDescrforColorRichEdit(path, description);
    InstallOwned(description);
}

void CTBColorRichEdit::SetSyntaxDescription(CTBSyntaxDscrColorRichEdit* description) {
    if (m_ownsDescription && m_description != description) TBFreeSyntaxDescrforColorRichEdit(m_description);
    m_description = description;
    m_ownsDescription = false;
}

// ------------------------------------------------------------------ text and colouring

void CTBColorRichEdit::LoadWindowTextinLineArray() {
    Attach();
    m_impl->Rebuild(m_colourOnSetText);
    if (m_impl->highlighter) m_impl->highlighter->rehighlight();
}

void CTBColorRichEdit::DetermineColorDscr(int firstLine, int stopWhenStable) {
    Attach();
    firstLine = std::max(firstLine, 0);
    std::vector<int> changed;
    m_impl->lines.Colour(firstLine, firstLine, stopWhenStable != 0, m_description, &changed);
    QTextDocument* doc = m_impl->Document();
    if (!doc || !m_impl->highlighter) return;
    // Many changed lines (a new description, say) are painted in one pass.
    if (changed.size() > 64) {
        m_impl->highlighter->rehighlight();
        return;
    }
    for (int line : changed) m_impl->highlighter->rehighlightBlock(doc->findBlockByNumber(line));
}

void CTBColorRichEdit::ReplaceLineEnd(CString* text) {
    if (!text) return;
    text->Replace("\r", "\r\n");
    text->Replace("\r\n\n", "\r\n");
    text->Replace("\n", "\r\n");
    text->Replace("\r\r\n", "\r\n");
}

CTBColorRichEditLine* CTBColorRichEdit::GetLineObject(int line) {
    return line >= 0 && line < m_impl->lines.GetCount() ? &m_impl->lines.Line(line) : nullptr;
}
int CTBColorRichEdit::GetLineObjectCount() const { return m_impl->lines.GetCount(); }

void CTBColorRichEdit::SetColorToText(long start, long end, CHARFORMAT& format) {
    SetSel(static_cast<int>(start), static_cast<int>(end));
    SetSelectionCharFormat(format);
}

// ------------------------------------------------------------------ editing

namespace {

/// The widget's cursor, or a null one.
QTextCursor CursorOf(QPlainTextEdit* edit) { return edit ? edit->textCursor() : QTextCursor(); }

}  // namespace

void CTBColorRichEdit::Copy() {
    QTextCursor cursor = CursorOf(m_impl->edit);
    if (!cursor.hasSelection()) return;
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    TBGetClipboardHub().SetText(TBC(text));
}

void CTBColorRichEdit::Cut() {
    if (!Editable() || !CursorOf(m_impl->edit).hasSelection()) return;
    Copy();
    Clear();
}

void CTBColorRichEdit::Paste() {
    if (!Editable() || !TBGetClipboardHub().HasText()) return;
    CString text = TBGetClipboardHub().GetText();
    ReplaceLineEnd(&text);
    ReplaceSel(text, 1);
}

void CTBColorRichEdit::Clear() {
    if (!Editable()) return;
    ReplaceSel("", 1);
}

void CTBColorRichEdit::ClearAll() {
    if (!Editable()) return;
    SetSel(0, -1);
    Clear();
}

void CTBColorRichEdit::ReplaceSel(const char* text, int recordUndo) {
    QPlainTextEdit* edit = m_impl->edit;
    if (!edit) return;
    const bool recording = m_impl->recording;
    m_impl->recording = recordUndo != 0;
    QTextCursor cursor = edit->textCursor();
    cursor.insertText(DocumentText(text ? CString(text) : CString()));
    edit->setTextCursor(cursor);
    // Unrecorded, the change just leaves no step; the steps recorded before it stay.
    m_impl->recording = recording;
    SetModify(TRUE);
}

void CTBColorRichEdit::Undo() {
    if (!Editable() || m_impl->undo.empty() || !m_impl->edit) return;
    sUndoDataColorRichEdit record = m_impl->undo.back();
    m_impl->undo.pop_back();
    Impl::Push(m_impl->redo, record);
    m_impl->recording = false;
    QTextCursor cursor(m_impl->Document());
    const int end = m_impl->Document()->characterCount() - 1;
    auto at = [end](int position) { return std::clamp(position, 0, end); };
    if (record.kind == 0) {
        cursor.setPosition(at(record.position));
        cursor.insertText(DocumentText(record.text));
    } else {
        cursor.setPosition(at(record.position - 1));
        cursor.setPosition(at(record.position - 1 + DocumentLength(record.text)), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    m_impl->recording = true;
    m_impl->edit->setTextCursor(cursor);
    SetModify(TRUE);
}

void CTBColorRichEdit::Redo() {
    if (!Editable() || m_impl->redo.empty() || !m_impl->edit) return;
    sUndoDataColorRichEdit record = m_impl->redo.back();
    m_impl->redo.pop_back();
    Impl::Push(m_impl->undo, record);
    m_impl->recording = false;
    QTextCursor cursor(m_impl->Document());
    const int end = m_impl->Document()->characterCount() - 1;
    auto at = [end](int position) { return std::clamp(position, 0, end); };
    if (record.kind == 1) {
        cursor.setPosition(at(record.position - 1));
        cursor.insertText(DocumentText(record.text));
    } else {
        cursor.setPosition(at(record.position));
        cursor.setPosition(at(record.position + DocumentLength(record.text)), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    m_impl->recording = true;
    m_impl->edit->setTextCursor(cursor);
    SetModify(TRUE);
}

BOOL CTBColorRichEdit::CanUndo() const { return !m_impl->undo.empty(); }
BOOL CTBColorRichEdit::CanRedo() const { return !m_impl->redo.empty(); }
int CTBColorRichEdit::GetUndoCount() const { return static_cast<int>(m_impl->undo.size()); }
int CTBColorRichEdit::GetRedoCount() const { return static_cast<int>(m_impl->redo.size()); }
const sUndoDataColorRichEdit& CTBColorRichEdit::GetUndoRecord(int index) const {
    return m_impl->undo[static_cast<std::size_t>(index)];
}
const sUndoDataColorRichEdit& CTBColorRichEdit::GetRedoRecord(int index) const {
    return m_impl->redo[static_cast<std::size_t>(index)];
}

BOOL CTBColorRichEdit::IsEditModify() { return (m_modified || GetModify()) ? TRUE : FALSE; }
void CTBColorRichEdit::ResetModifyFlag() {
    m_modified = false;
    SetModify(FALSE);
}
void CTBColorRichEdit::SetModifyFlag() {
    m_modified = true;
    if (!m_outsideMainFrame) StartTimer();
}

void CTBColorRichEdit::SetCurrentCursorPos(long position) {
    SetSel(static_cast<int>(position), static_cast<int>(position));
    if (m_impl->edit) m_impl->edit->ensureCursorVisible();
    ReportCaret();
}

void CTBColorRichEdit::ReportCaret() {
    if (m_outsideMainFrame || !m_impl->edit) return;
    const QTextCursor cursor = m_impl->edit->textCursor();
    const QString text = cursor.block().text();
    int column = 0;
    for (int i = 0; i < cursor.positionInBlock() && i < text.size(); ++i) {
        if (text[i].isLowSurrogate()) continue;
        column = text[i] == QLatin1Char('\t') ? column + 4 - column % 4 : column + 1;
    }
    ShowCaretPos(column, cursor.blockNumber());
}

void CTBColorRichEdit::Pane(UINT id, const char* text) {
    if (!m_outsideMainFrame) ShowBarPaneText(id, text);
}

// ------------------------------------------------------------------ keys

void CTBColorRichEdit::TypeChar(UINT ch) {
    QPlainTextEdit* edit = m_impl->edit;
    if (!edit) return;
    QTextCursor cursor = edit->textCursor();
    // Overwriting takes the next character, never the line break.
    if (!m_insertMode && !cursor.hasSelection() && !cursor.atBlockEnd())
        cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    cursor.insertText(QString(QChar(static_cast<char16_t>(ch))));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    SetModify(TRUE);
}

void CTBColorRichEdit::DeleteForKey(bool forward) {
    QPlainTextEdit* edit = m_impl->edit;
    if (!edit) return;
    QTextCursor cursor = edit->textCursor();
    if (cursor.hasSelection())
        cursor.removeSelectedText();
    else if (forward && !cursor.atEnd())
        cursor.deleteChar();
    else if (!forward && !cursor.atStart())
        cursor.deletePreviousChar();
    else
        return;
    edit->setTextCursor(cursor);
    SetModify(TRUE);
}

/// Splits the line at the caret; the new line starts with the old line's leading tabs,
/// one more when a "{" follows them. One record holds the break and the tabs.
void CTBColorRichEdit::EnterWithIndent() {
    QPlainTextEdit* edit = m_impl->edit;
    if (!edit) return;
    QTextCursor cursor = edit->textCursor();
    if (cursor.hasSelection()) cursor.removeSelectedText();
    const QString line = cursor.block().text();
    int tabs = 0;
    while (tabs < line.size() && line[tabs] == QLatin1Char('\t')) ++tabs;
    const int indent = tabs + (tabs < line.size() && line[tabs] == QLatin1Char('{') ? 1 : 0);
    cursor.insertText(QLatin1Char('\n') + QString(indent, QLatin1Char('\t')));
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    SetModify(TRUE);
}

void CTBColorRichEdit::OnKeyDown(UINT key, UINT, UINT) {
    const Qt::KeyboardModifiers modifiers = m_impl->keys ? m_impl->keys->modifiers : Qt::KeyboardModifiers();
    const bool ctrl = modifiers & Qt::ControlModifier;
    const bool shift = modifiers & Qt::ShiftModifier;
    m_charTaken = true;
    if (ctrl && (key == 'Y' || (shift && key == 'Z'))) return Redo();
    if (ctrl && key == 'Z') return Undo();
    if ((ctrl && key == 'V') || (shift && key == VK_INSERT)) return Paste();
    if ((ctrl && key == 'X') || (shift && key == VK_DELETE)) return Cut();
    if (ctrl && (key == 'C' || key == VK_INSERT)) return Copy();
    if (ctrl && key == 'A') return OnSelectAll();
    if (ctrl && key == VK_TAB) return;
    switch (key) {
        case VK_INSERT:
            m_insertMode = !m_insertMode;
            if (m_impl->edit) m_impl->edit->setOverwriteMode(!m_insertMode);
            Pane(kPaneInsert, m_insertMode ? "INS" : "OVR");
            return;
        case VK_BACK:
        case VK_DELETE:
            if (Editable()) DeleteForKey(key == VK_DELETE);
            return;
        case VK_RETURN:
            if (Editable()) EnterWithIndent();
            return;
        case VK_ESCAPE: return;
        default: break;
    }
    // Everything else (navigation above all) is the widget's; the host hears of the key.
    m_charTaken = false;
    if (!m_outsideMainFrame) StartTimer();
    Default();
}

void CTBColorRichEdit::OnSysKeyDown(UINT key, UINT, UINT) {
    if (key == VK_BACK) {
        m_charTaken = true;
        return Undo();
    }
    Default();
}

void CTBColorRichEdit::OnChar(UINT ch, UINT, UINT) {
    const bool taken = m_charTaken;
    m_charTaken = false;
    if (taken || !Editable()) return;
    if (ch >= 32 || ch == '\t') TypeChar(ch);
}

void CTBColorRichEdit::OnSetFocus(CWnd*) {
    Default();
    Pane(kPaneInsert, m_insertMode ? "INS" : "OVR");
}

void CTBColorRichEdit::OnKillFocus(CWnd*) {
    Default();
    Pane(kPaneText, "");
    Pane(kPaneInsert, "");
}

UINT CTBColorRichEdit::OnGetDlgCode() { return DLGC_WANTALLKEYS | DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_WANTTAB; }

void CTBColorRichEdit::OnSelectAll() { SetSel(0, -1); }

// ------------------------------------------------------------------ context menu and commands

void CTBColorRichEdit::OnContextMenu(CWnd*, CPoint point) {
    CMenu menu;
    if (!menu.LoadMenu(kEditMenu)) return;
    CMenu* popup = nullptr;
    for (int i = 0; i < menu.GetMenuItemCount() && !popup; ++i) {
        CString name;
        menu.GetMenuString(static_cast<UINT>(i), name, MF_BYPOSITION);
        if (name == "ColorRichEdit") popup = menu.GetSubMenu(i);
    }
    if (!popup) return;
    if (point.x == -1 && point.y == -1 && m_impl->edit) {
        // From the keyboard: at the caret.
        const QPoint caret = m_impl->edit->viewport()->mapToGlobal(m_impl->edit->cursorRect().bottomLeft());
        point = CPoint(caret.x(), caret.y());
    }
    popup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, point.x, point.y, this);
}

void CTBColorRichEdit::OnUpdateUndo(CCmdUI* ui) { ui->Enable(Editable() && CanUndo()); }
void CTBColorRichEdit::OnUpdateRedo(CCmdUI* ui) { ui->Enable(Editable() && CanRedo()); }
void CTBColorRichEdit::OnUpdateCopy(CCmdUI* ui) { ui->Enable(CursorOf(m_impl->edit).hasSelection()); }
void CTBColorRichEdit::OnUpdateCutClear(CCmdUI* ui) {
    ui->Enable(Editable() && CursorOf(m_impl->edit).hasSelection());
}
void CTBColorRichEdit::OnUpdateClearAll(CCmdUI* ui) { ui->Enable(Editable() && GetWindowTextLength() > 0); }
void CTBColorRichEdit::OnUpdatePaste(CCmdUI* ui) { ui->Enable(Editable() && TBGetClipboardHub().HasText()); }
void CTBColorRichEdit::OnUpdateSelectAll(CCmdUI* ui) { ui->Enable(GetWindowTextLength() > 0); }

// ------------------------------------------------------------------ find and replace

void CTBColorRichEdit::OpenFindDialog() {
    if (m_findDialog && !m_impl->findWindow) m_findDialog = nullptr;  // went without telling
    if (m_findDialog) return;
    m_findDialog = new CFindReplaceDialog;
    CString selected;
    if (QTextCursor c = CursorOf(m_impl->edit); c.hasSelection() && !c.selectedText().contains(QChar::ParagraphSeparator))
        selected = TBC(c.selectedText());
    if (!m_findDialog->Create(TRUE, selected, nullptr, FR_DOWN, this)) {
        delete m_findDialog;  // no window: it cannot delete itself
        m_findDialog = nullptr;
        return;
    }
    m_impl->findWindow = m_findDialog->GetWidget();
    // No up/down choice: the editor searches down and wraps.
    for (int id : {0x430, 0x420, 0x421})
        if (CWnd* item = m_findDialog->GetDlgItem(id)) item->ShowWindow(SW_HIDE);
}

void CTBColorRichEdit::OpenReplaceDialog() {
    if (m_findDialog && !m_impl->findWindow) m_findDialog = nullptr;
    if (m_findDialog) return;
    m_findDialog = new CFindReplaceDialog;
    if (!m_findDialog->Create(FALSE, "", "", FR_DOWN, this)) {
        delete m_findDialog;
        m_findDialog = nullptr;
    } else {
        m_impl->findWindow = m_findDialog->GetWidget();
    }
}

/// Finds text in [from, to) (to -1: the end); the match is selected.
bool CTBColorRichEdit::Search(bool matchCase, bool wholeWord, const CString& text, bool showMessage, int from,
                              int to) {
    FINDTEXTEX find;
    find.lpstrText = text;
    const DWORD flags = FR_DOWN | (matchCase ? FR_MATCHCASE : 0) | (wholeWord ? FR_WHOLEWORD : 0);
    find.chrg = {from, to};
    if (FindText(flags, find) < 0) {
        if (showMessage) {
            CString message;
            message.Format(TBLoadString(kCannotFind), text.GetString());
            MessageBox(message, nullptr, MB_OK);
        }
        return false;
    }
    SetSel(find.chrgText.cpMin, find.chrgText.cpMax);
    if (m_impl->edit) m_impl->edit->ensureCursorVisible();
    m_findPos = find.chrgText.cpMax + 1;
    return true;
}

/// Replaces every match once. The first match at or after the find position (or, when
/// there is none, the first from the start) is where the walk begins: it runs to the
/// end, then from the start up to that stop point, which each replacement before it
/// moves by the difference of the two texts' lengths.
void CTBColorRichEdit::ReplaceAllFrom(CFindReplaceDialog& dialog) {
    const CString findWhat = dialog.GetFindString();
    const CString replaceWith = dialog.GetReplaceString();
    const bool matchCase = dialog.MatchCase(), wholeWord = dialog.MatchWholeWord();
    const int replaceLength = DocumentLength(replaceWith);
    const int origin = static_cast<int>(m_findPos);
    bool wrapped = false;
    if (!Search(matchCase, wholeWord, findWhat, false, origin, -1)) {
        if (!Search(matchCase, wholeWord, findWhat, true, 0, origin)) return;
        wrapped = true;
    }
    CHARRANGE found;
    GetSel(found);
    int stop = wrapped ? origin : found.cpMin;
    for (;;) {
        ReplaceSel(replaceWith, 1);
        const int change = replaceLength - (found.cpMax - found.cpMin);
        if (wrapped) stop += change;
        const int from = found.cpMin + replaceLength;
        bool more = Search(matchCase, wholeWord, findWhat, false, from, wrapped ? stop : -1);
        if (!more && !wrapped) {
            wrapped = true;
            more = Search(matchCase, wholeWord, findWhat, false, 0, stop);
        }
        if (!more) break;
        GetSel(found);
    }
}

LRESULT CTBColorRichEdit::OnFindReplace(WPARAM, LPARAM lParam) {
    CFindReplaceDialog* dialog = CFindReplaceDialog::GetNotifier(lParam);
    if (!dialog) return 0;
    CHARRANGE selection;
    GetSel(selection);
    m_findPos = selection.cpMax;
    if (dialog->IsTerminating()) {
        m_findDialog = nullptr;
        return 0;
    }
    const CString findWhat = dialog->GetFindString();
    const bool matchCase = dialog->MatchCase(), wholeWord = dialog->MatchWholeWord();
    auto findWrapping = [&](bool showMessage) {
        const int start = static_cast<int>(m_findPos);
        return Search(matchCase, wholeWord, findWhat, false, start, -1) ||
               Search(matchCase, wholeWord, findWhat, showMessage, 0, start);
    };
    if (dialog->FindNext()) {
        findWrapping(true);
    } else if (dialog->ReplaceCurrent()) {
        if (Editable() && findWrapping(true)) ReplaceSel(dialog->GetReplaceString(), 1);
    } else if (dialog->ReplaceAll()) {
        if (Editable()) ReplaceAllFrom(*dialog);
    }
    return 0;
}
