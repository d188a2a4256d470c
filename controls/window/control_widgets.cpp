// The widgets behind the standard controls: which Qt widget stands for each window
// class, how its control messages map onto the widget, and which notifications it
// sends its parent, in the order the system's controls send them. The control
// classes that send those messages are in control_classes.cpp.
#include "controls/window/native_window.h"
#include "controls/window/control_widgets.h"

#include <toolbox/ui/controls.h>
#include <toolbox/ui/dc.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>

#include <algorithm>
#include <cstring>

namespace {

CString TextFrom(LPARAM lParam) { return lParam ? CString(reinterpret_cast<const char*>(lParam)) : CString(); }

/// Copies text into a caller's buffer that must hold it and a terminating zero (the
/// framework's contract for CB_GETLBTEXT and LB_GETTEXT); returns the length.
LRESULT CopyOut(const QString& text, LPARAM buffer) {
    const CString bytes = TBC(text);
    if (buffer)
        std::memcpy(reinterpret_cast<char*>(buffer), bytes.GetString(),
                    static_cast<std::size_t>(bytes.GetLength()) + 1);
    return bytes.GetLength();
}

/// Index of the first string after start whose text begins with (prefix) or equals
/// (exact) text, case-insensitively, wrapping once; -1 when none.
int FindInStrings(const QStringList& strings, int start, const QString& text, bool exact) {
    const int count = static_cast<int>(strings.size());
    if (count == 0) return -1;
    const int first = (start < -1 || start >= count) ? 0 : start + 1;
    for (int n = 0; n < count; ++n) {
        const int i = (first + n) % count;
        const bool hit = exact ? strings[i].compare(text, Qt::CaseInsensitive) == 0
                               : strings[i].startsWith(text, Qt::CaseInsensitive);
        if (hit) return i;
    }
    return -1;
}

/// The position where a sorted list takes text (case-insensitive, after equal ones).
int SortedPosition(const QStringList& strings, const QString& text) {
    int i = 0;
    while (i < strings.size() && strings[i].compare(text, Qt::CaseInsensitive) <= 0) ++i;
    return i;
}

void ApplyCommonStyle(QWidget* w, DWORD style) {
    if (style & WS_DISABLED) w->setEnabled(false);
    w->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
}

// ------------------------------------------------------------------ edit

class CNativeEdit : public CNativeWindow {
public:
    CNativeEdit(QWidget* w, DWORD s, DWORD e, UINT i) : CNativeWindow(w, s, e, i) {
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            connect(line, &QLineEdit::textChanged, this, [this] { Changed(); });
        } else if (auto* multi = qobject_cast<QPlainTextEdit*>(w)) {
            connect(multi, &QPlainTextEdit::textChanged, this, [this] { Changed(); });
        }
    }

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CEdit>(); }
    QLineEdit* Line() const { return qobject_cast<QLineEdit*>(widget()); }
    QPlainTextEdit* Multi() const { return qobject_cast<QPlainTextEdit*>(widget()); }
    /// Runs f on the single-line or the multi-line editor, whichever this control is.
    template <class F>
    void OnEither(F f) const {
        if (QLineEdit* line = Line())
            f(line);
        else if (QPlainTextEdit* multi = Multi())
            f(multi);
    }

    void Changed() {
        if (formatting) return;  // character formats change no text: no EN_CHANGE
        m_modified = true;
        Notify(EN_UPDATE);
        Notify(EN_CHANGE);
    }
    bool SetText(const CString& text) override {
        if (QLineEdit* l = Line())
            l->setText(TBQ(text));
        else if (QPlainTextEdit* m = Multi())
            m->setPlainText(TBQ(text));
        m_modified = false;
        return true;
    }
    CString GetText() const override {
        if (QLineEdit* l = Line()) return TBC(l->text());
        if (QPlainTextEdit* m = Multi()) return TBC(m->toPlainText());
        return CString();
    }
    UINT DialogCode(UINT vk) const override {
        UINT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (Multi() && vk == VK_RETURN && (style & ES_WANTRETURN)) code |= DLGC_WANTALLKEYS;
        return code;
    }
    void OnDefaultEvent(UINT message, WPARAM, LPARAM) override {
        if (message == WM_SETFOCUS)
            Notify(EN_SETFOCUS);
        else if (message == WM_KILLFOCUS)
            Notify(EN_KILLFOCUS);
    }

    QString Text() const { return Line() ? Line()->text() : Multi() ? Multi()->toPlainText() : QString(); }
    void Selection(int& start, int& end) const {
        if (QLineEdit* l = Line()) {
            start = l->hasSelectedText() ? l->selectionStart() : l->cursorPosition();
            end = l->hasSelectedText() ? l->selectionEnd() : start;
        } else if (QPlainTextEdit* m = Multi()) {
            start = m->textCursor().selectionStart();
            end = m->textCursor().selectionEnd();
        } else {
            start = end = 0;
        }
    }
    void Select(int start, int end) {
        const int length = static_cast<int>(Text().size());
        // (0, -1) selects everything, (-1, x) removes the selection.
        if (start == -1) {
            Selection(start, end);
            end = start;
        }
        if (end < 0 || end > length) end = length;
        if (start > length) start = length;
        if (QLineEdit* l = Line()) {
            if (start == end)
                l->setCursorPosition(start);
            else
                l->setSelection(start, end - start);
        } else if (QPlainTextEdit* m = Multi()) {
            QTextCursor c = m->textCursor();
            c.setPosition(start);
            c.setPosition(end, QTextCursor::KeepAnchor);
            m->setTextCursor(c);
        }
    }
    // A multi-line edit's lines are its document's blocks: the block index finds a line
    // or the line of a position without copying the text, so long texts stay fast.
    int LineCount() const { return Multi() ? Multi()->document()->blockCount() : 1; }
    QString LineText(int line) const {
        if (!Multi()) return line == 0 ? Text() : QString();
        return Multi()->document()->findBlockByNumber(line).text();
    }
    int LineOfChar(int pos) const {
        if (pos < 0) {
            int s, e;
            Selection(s, e);
            pos = s;
        }
        if (!Multi()) return 0;
        const QTextBlock block = Multi()->document()->findBlock(pos);
        return block.isValid() ? block.blockNumber() : LineCount() - 1;
    }
    int IndexOfLine(int line) const {
        if (line < 0) line = LineOfChar(-1);
        if (line >= LineCount()) return -1;
        return Multi() ? Multi()->document()->findBlockByNumber(line).position() : 0;
    }

    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case EM_SETSEL:
                Select(static_cast<int>(static_cast<std::intptr_t>(wParam)), static_cast<int>(lParam));
                return true;
            case EM_GETSEL: {
                int s, e;
                Selection(s, e);
                if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s);
                if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(e);
                result = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s), static_cast<WORD>(e)));
                return true;
            }
            case EM_REPLACESEL:
                if (QLineEdit* l = Line())
                    l->insert(TBQ(TextFrom(lParam)));
                else if (QPlainTextEdit* m = Multi())
                    m->insertPlainText(TBQ(TextFrom(lParam)));
                return true;
            case EM_LIMITTEXT:
                if (QLineEdit* l = Line()) l->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
                return true;
            case EM_SETREADONLY:
                if (QLineEdit* l = Line())
                    l->setReadOnly(wParam != 0);
                else if (QPlainTextEdit* m = Multi())
                    m->setReadOnly(wParam != 0);
                style = wParam ? (style | ES_READONLY) : (style & ~ES_READONLY);
                result = TRUE;
                return true;
            case EM_GETLINECOUNT: result = LineCount(); return true;
            case EM_LINEINDEX: result = IndexOfLine(static_cast<int>(static_cast<std::intptr_t>(wParam))); return true;
            case EM_LINEFROMCHAR:
                result = LineOfChar(static_cast<int>(static_cast<std::intptr_t>(wParam)));
                return true;
            case EM_LINELENGTH: {
                const int line = LineOfChar(static_cast<int>(static_cast<std::intptr_t>(wParam)));
                result = static_cast<LRESULT>(LineText(line).size());
                return true;
            }
            case EM_GETLINE: {
                // The buffer's first WORD holds its size; no terminating zero is written.
                char* buffer = reinterpret_cast<char*>(lParam);
                if (!buffer || wParam >= static_cast<WPARAM>(LineCount())) {
                    result = 0;
                    return true;
                }
                WORD size = 0;
                std::memcpy(&size, buffer, sizeof size);
                const CString text = TBC(LineText(static_cast<int>(wParam)));
                const int count = std::min(static_cast<int>(size), text.GetLength());
                std::memcpy(buffer, text.GetString(), static_cast<std::size_t>(count));
                result = count;
                return true;
            }
            case EM_GETMODIFY: result = m_modified ? TRUE : FALSE; return true;
            case EM_SETMODIFY: m_modified = wParam != 0; return true;
            case EM_CANUNDO:
                result = Line() ? Line()->isUndoAvailable() : Multi() ? Multi()->document()->isUndoAvailable() : 0;
                return true;
            case EM_UNDO:
            case WM_UNDO:
                OnEither([](auto* edit) { edit->undo(); });
                result = TRUE;
                return true;
            case WM_CUT: OnEither([](auto* edit) { edit->cut(); }); return true;
            case WM_COPY: OnEither([](auto* edit) { edit->copy(); }); return true;
            case WM_PASTE: OnEither([](auto* edit) { edit->paste(); }); return true;
            case WM_CLEAR:
                if (Line())
                    Line()->del();
                else if (Multi())
                    Multi()->textCursor().removeSelectedText();
                return true;
            case EM_SCROLLCARET:
                if (Multi()) Multi()->ensureCursorVisible();
                return true;
            default: return false;
        }
    }

    bool formatting = false;

private:
    bool m_modified = false;
};

// ------------------------------------------------------------------ rich edit

QColor ColorFrom(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF ColorRefFrom(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

QTextCharFormat CharFormatFrom(const CHARFORMAT& format) {
    QTextCharFormat f;
    if (format.dwMask & CFM_COLOR) {
        if (format.dwEffects & CFE_AUTOCOLOR)
            f.clearForeground();
        else
            f.setForeground(ColorFrom(format.crTextColor));
    }
    if (format.dwMask & CFM_BOLD) f.setFontWeight((format.dwEffects & CFE_BOLD) ? QFont::Bold : QFont::Normal);
    if (format.dwMask & CFM_ITALIC) f.setFontItalic(format.dwEffects & CFE_ITALIC);
    return f;
}

/// The rich edit: a plain-text document whose characters carry colour and weight.
class CNativeRichEdit : public CNativeEdit {
public:
    using CNativeEdit::CNativeEdit;

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CRichEditCtrl>(); }
    QTextDocument* Document() const { return Multi()->document(); }
    int Length() const { return Document()->characterCount() - 1; }

    /// A cursor over [start, end) clipped to the text; end -1 is the end of the text.
    QTextCursor RangeCursor(int start, int end) const {
        const int length = Length();
        if (end < 0 || end > length) end = length;
        start = std::clamp(start, 0, end);
        QTextCursor c(Document());
        c.setPosition(start);
        c.setPosition(end, QTextCursor::KeepAnchor);
        return c;
    }

    void ApplyFormat(QTextCursor cursor, const QTextCharFormat& format) {
        formatting = true;
        cursor.mergeCharFormat(format);
        formatting = false;
    }

    /// Colours of a freshly loaded text are no undo step; colours after an edit are
    /// undone together with it (UndoEdit).
    void ColourRange(const TBRANGEFORMAT& range) {
        QTextCursor cursor = RangeCursor(range.chrg.cpMin, range.chrg.cpMax);
        if (!cursor.hasSelection()) return;
        QTextDocument* doc = Document();
        const bool undoable = doc->availableUndoSteps() > 0;
        if (!undoable) doc->setUndoRedoEnabled(false);
        ApplyFormat(cursor, CharFormatFrom(range.format));
        if (!undoable) doc->setUndoRedoEnabled(true);
    }

    /// Colouring many ranges between WM_SETREDRAW FALSE and TRUE is one edit block: the
    /// document lays out the touched lines once, at the end.
    void SetRedraw(bool on) {
        if (!on && !m_batch) {
            m_batch = std::make_unique<QTextCursor>(Document());
            m_batch->beginEditBlock();
            Multi()->setUpdatesEnabled(false);
        } else if (on && m_batch) {
            m_batch->endEditBlock();
            m_batch.reset();
            Multi()->setUpdatesEnabled(true);
        }
    }

    /// Undoes steps until the text changes, so that colouring steps go with the edit
    /// they followed.
    void UndoEdit() {
        QTextDocument* doc = Document();
        const QString before = doc->toPlainText();
        while (doc->isUndoAvailable()) {
            Multi()->undo();
            if (doc->toPlainText() != before) break;
        }
    }

    LRESULT SetCharFormat(WPARAM which, const CHARFORMAT& format) {
        QTextCursor cursor = (which & SCF_SELECTION) ? Multi()->textCursor() : RangeCursor(0, -1);
        ApplyFormat(cursor, CharFormatFrom(format));
        if (!(which & SCF_SELECTION)) {
            // Text typed later at the end takes the new default format too.
            QTextCursor typing = Multi()->textCursor();
            typing.mergeCharFormat(CharFormatFrom(format));
            Multi()->setCurrentCharFormat(typing.charFormat());
        }
        return TRUE;
    }

    DWORD GetCharFormat(CHARFORMAT& format) const {
        QTextCursor c = RangeCursor(Multi()->textCursor().selectionStart(), -1);
        c.setPosition(c.anchor());
        if (c.position() < Length()) c.movePosition(QTextCursor::NextCharacter);
        const QTextCharFormat f = c.charFormat();
        format.dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC;
        format.dwEffects = 0;
        if (f.hasProperty(QTextFormat::ForegroundBrush))
            format.crTextColor = ColorRefFrom(f.foreground().color());
        else
            format.dwEffects |= CFE_AUTOCOLOR;
        if (f.fontWeight() >= QFont::Bold) format.dwEffects |= CFE_BOLD;
        if (f.fontItalic()) format.dwEffects |= CFE_ITALIC;
        return format.dwMask;
    }

    /// Searches chrg downwards (FR_DOWN) or upwards from cpMin; -1 when not found.
    LRESULT Find(DWORD flags, FINDTEXTEX& find) const {
        if (!find.lpstrText || !*find.lpstrText) return -1;
        QTextDocument::FindFlags how;
        if (flags & FR_MATCHCASE) how |= QTextDocument::FindCaseSensitively;
        if (flags & FR_WHOLEWORD) how |= QTextDocument::FindWholeWords;
        const bool down = flags & FR_DOWN;
        if (!down) how |= QTextDocument::FindBackward;
        const int limit = find.chrg.cpMax < 0 ? (down ? Length() : 0) : find.chrg.cpMax;
        const QTextCursor hit = Document()->find(TBQ(CString(find.lpstrText)), find.chrg.cpMin, how);
        if (hit.isNull()) return -1;
        const bool inside = down ? hit.selectionEnd() <= limit : hit.selectionStart() >= limit;
        if (!inside) return -1;
        find.chrgText = {hit.selectionStart(), hit.selectionEnd()};
        return hit.selectionStart();
    }

    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        switch (message) {
            case EM_EXSETSEL: {
                const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
                if (range)
                    CNativeEdit::HandleControlMessage(EM_SETSEL, static_cast<WPARAM>(range->cpMin), range->cpMax,
                                                      result);
                return true;
            }
            case EM_EXGETSEL: {
                if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) Selection(range->cpMin, range->cpMax);
                return true;
            }
            case EM_EXLINEFROMCHAR: result = LineOfChar(static_cast<int>(lParam)); return true;
            case EM_SETCHARFORMAT:
                result = lParam ? SetCharFormat(wParam, *reinterpret_cast<const CHARFORMAT*>(lParam)) : FALSE;
                return true;
            case EM_GETCHARFORMAT:
                result = lParam ? GetCharFormat(*reinterpret_cast<CHARFORMAT*>(lParam)) : 0;
                return true;
            case WM_SETREDRAW: SetRedraw(wParam != 0); return true;
            case EM_UNDO:
            case WM_UNDO:
                UndoEdit();
                result = TRUE;
                return true;
            case EM_TBSETRANGEFORMAT:
                if (lParam) ColourRange(*reinterpret_cast<const TBRANGEFORMAT*>(lParam));
                result = lParam ? TRUE : FALSE;
                return true;
            case EM_FINDTEXT:
            case EM_FINDTEXTEX:
                // FINDTEXT is FINDTEXTEX without the found range at its end.
                if (!lParam) {
                    result = -1;
                } else if (message == EM_FINDTEXTEX) {
                    result = Find(static_cast<DWORD>(wParam), *reinterpret_cast<FINDTEXTEX*>(lParam));
                } else {
                    FINDTEXTEX ex;
                    const auto* plain = reinterpret_cast<const FINDTEXT*>(lParam);
                    ex.chrg = plain->chrg;
                    ex.lpstrText = plain->lpstrText;
                    result = Find(static_cast<DWORD>(wParam), ex);
                }
                return true;
            default: return CNativeEdit::HandleControlMessage(message, wParam, lParam, result);
        }
    }

private:
    std::unique_ptr<QTextCursor> m_batch;
};

// ------------------------------------------------------------------ buttons

class CNativeButton : public CNativeWindow {
public:
    CNativeButton(QWidget* w, DWORD s, DWORD e, UINT i) : CNativeWindow(w, s, e, i) {
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            connect(b, &QAbstractButton::clicked, this, [this] { Notify(BN_CLICKED); });
    }

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CButton>(); }
    QAbstractButton* Button() const { return qobject_cast<QAbstractButton*>(widget()); }
    UINT Type() const { return style & BS_TYPEMASK; }
    bool SetText(const CString& text) override {
        if (auto* g = qobject_cast<QGroupBox*>(widget()))
            g->setTitle(TBQ(text));
        else if (QAbstractButton* b = Button())
            b->setText(TBQ(text));
        return true;
    }
    CString GetText() const override {
        if (auto* g = qobject_cast<QGroupBox*>(widget())) return TBC(g->title());
        if (QAbstractButton* b = Button()) return TBC(b->text());
        return CString();
    }
    UINT DialogCode(UINT) const override {
        switch (Type()) {
            case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
            case BS_PUSHBUTTON:
            case BS_OWNERDRAW: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
            case BS_GROUPBOX: return DLGC_STATIC;
            default: return DLGC_BUTTON;
        }
    }
    void OnDefaultEvent(UINT message, WPARAM, LPARAM) override {
        if (!(style & BS_NOTIFY)) return;
        if (message == WM_SETFOCUS)
            Notify(BN_SETFOCUS);
        else if (message == WM_KILLFOCUS)
            Notify(BN_KILLFOCUS);
        else if (message == WM_LBUTTONDBLCLK)
            Notify(BN_DOUBLECLICKED);
    }
    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        QAbstractButton* b = Button();
        switch (message) {
            case BM_GETCHECK:
                if (auto* c = qobject_cast<QCheckBox*>(widget()))
                    result = c->checkState() == Qt::PartiallyChecked ? BST_INDETERMINATE
                             : c->isChecked()                        ? BST_CHECKED
                                                                     : BST_UNCHECKED;
                else
                    result = (b && b->isCheckable() && b->isChecked()) ? BST_CHECKED : BST_UNCHECKED;
                return true;
            case BM_SETCHECK:
                if (auto* c = qobject_cast<QCheckBox*>(widget()))
                    c->setCheckState(wParam == BST_INDETERMINATE ? Qt::PartiallyChecked
                                     : wParam                    ? Qt::Checked
                                                                 : Qt::Unchecked);
                else if (b && b->isCheckable())
                    b->setChecked(wParam != 0);
                return true;
            case BM_GETSTATE: {
                LRESULT state = 0;
                if (b && b->isDown()) state |= BST_PUSHED;
                if (widget()->hasFocus()) state |= BST_FOCUS;
                if (b && b->isCheckable() && b->isChecked()) state |= BST_CHECKED;
                result = state;
                return true;
            }
            case BM_SETSTATE:
                if (b) b->setDown(wParam != 0);
                return true;
            case BM_CLICK:
                if (b && b->isEnabled()) b->click();
                return true;
            case BM_SETSTYLE: style = (style & ~0xFFFFu) | static_cast<DWORD>(wParam & 0xFFFF); return true;
            default: return false;
        }
    }
};

/// Check box or radio button that changes its state by itself only when automatic;
/// an automatic radio button unchecks the others of its group (up to the next
/// control with WS_GROUP), as the dialog manager groups them.
template <class Base>
class CStateButton : public Base {
public:
    CStateButton(bool automatic, QWidget* parent) : Base(parent), m_automatic(automatic) {}

protected:
    void nextCheckState() override {
        if (!m_automatic) return;
        Base::nextCheckState();
        if (std::is_same<Base, QRadioButton>::value && this->isChecked()) UncheckGroup();
    }

private:
    void UncheckGroup() {
        QWidget* parent = this->parentWidget();
        if (!parent) return;
        const auto siblings = parent->template findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        const int self = static_cast<int>(siblings.indexOf(this));
        int first = self;
        while (first > 0 && !GroupStart(siblings[first])) --first;
        for (int i = first; i < siblings.size(); ++i) {
            if (i > first && GroupStart(siblings[i])) break;
            auto* radio = qobject_cast<QRadioButton*>(siblings[i]);
            if (radio && static_cast<QObject*>(radio) != static_cast<QObject*>(this)) radio->setChecked(false);
        }
    }
    static bool GroupStart(QWidget* w) {
        CNativeWindow* n = CNativeWindow::Find(w);
        return n && (n->style & WS_GROUP);
    }
    bool m_automatic;
};

/// An owner-drawn button: the parent paints it through WM_DRAWITEM.
class COwnerDrawButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        CNativeWindow* native = CNativeWindow::Find(this);
        if (!native || !parentWidget()) return;
        CDC dc;
        dc.AttachDevice(this);
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = native->id;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (isDown() ? ODS_SELECTED : 0) | (hasFocus() ? ODS_FOCUS : 0) | (isEnabled() ? 0 : ODS_DISABLED);
        dis.hwndItem = native->hwnd();
        dis.hDC = dc.GetSafeHdc();
        dis.rcItem = CRect(0, 0, width(), height());
        if (CNativeWindow* parent = CNativeWindow::Find(parentWidget()))
            parent->Deliver(WM_DRAWITEM, native->id, reinterpret_cast<LPARAM>(&dis));
        dc.DetachDevice();
    }
};

// ------------------------------------------------------------------ static

class CNativeStatic : public CNativeWindow {
public:
    using CNativeWindow::CNativeWindow;

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CStatic>(); }
    bool SetText(const CString& text) override {
        if (auto* l = qobject_cast<QLabel*>(widget()))
            l->setText((style & SS_NOPREFIX) ? TBQ(text) : TBStripMnemonic(TBQ(text)));
        widget()->setProperty("tbText", TBQ(text));
        return true;
    }
    CString GetText() const override { return TBC(widget()->property("tbText").toString()); }
    UINT DialogCode(UINT) const override { return DLGC_STATIC; }
    void OnDefaultEvent(UINT message, WPARAM, LPARAM) override {
        if (!(style & SS_NOTIFY)) return;
        if (message == WM_LBUTTONUP)
            Notify(STN_CLICKED);
        else if (message == WM_LBUTTONDBLCLK)
            Notify(STN_DBLCLK);
    }
};

/// An owner-drawn static: the parent paints it through WM_DRAWITEM.
class COwnerDrawStatic : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        CNativeWindow* native = CNativeWindow::Find(this);
        if (!native || !parentWidget()) return;
        CDC dc;
        dc.AttachDevice(this);
        DRAWITEMSTRUCT dis;
        dis.CtlType = ODT_STATIC;
        dis.CtlID = native->id;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.hwndItem = native->hwnd();
        dis.hDC = dc.GetSafeHdc();
        dis.rcItem = CRect(0, 0, width(), height());
        if (CNativeWindow* parent = CNativeWindow::Find(parentWidget()))
            parent->Deliver(WM_DRAWITEM, native->id, reinterpret_cast<LPARAM>(&dis));
        dc.DetachDevice();
    }
};

// ------------------------------------------------------------------ owner-drawn items

/// Sends WM_DRAWITEM for one item of a list, combo or list view to the control's parent.
void DrawItemThroughParent(QPainter* painter, QWidget* control, UINT type, int item, const QRect& rect, UINT state,
                           DWORD_PTR data) {
    CNativeWindow* native = CNativeWindow::Find(control);
    if (!native || !control->parentWidget()) return;
    CDC dc;
    dc.AttachPainter(painter);
    DRAWITEMSTRUCT dis;
    dis.CtlType = type;
    dis.CtlID = native->id;
    dis.itemID = static_cast<UINT>(item);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = native->hwnd();
    dis.hDC = dc.GetSafeHdc();
    dis.rcItem = CRect(rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height());
    dis.itemData = data;
    if (CNativeWindow* parent = CNativeWindow::Find(control->parentWidget()))
        parent->Deliver(WM_DRAWITEM, native->id, reinterpret_cast<LPARAM>(&dis));
}

class COwnerDrawDelegate : public QStyledItemDelegate {
public:
    COwnerDrawDelegate(QWidget* control, UINT type) : QStyledItemDelegate(control), m_control(control), m_type(type) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.column() > 0) return;  // the parent draws the whole row at once
        QRect rect = option.rect;
        if (auto* tree = qobject_cast<QTreeWidget*>(m_control)) rect.setRight(tree->viewport()->width());
        UINT state = 0;
        if (option.state & QStyle::State_Selected) state |= ODS_SELECTED;
        if (option.state & QStyle::State_HasFocus) state |= ODS_FOCUS;
        painter->save();
        DrawItemThroughParent(painter, m_control, m_type, index.row(), rect, state,
                              static_cast<DWORD_PTR>(index.data(Qt::UserRole + 1).toULongLong()));
        painter->restore();
    }

private:
    QWidget* m_control;
    UINT m_type;
};

}  // namespace

// ------------------------------------------------------------------ combo box

CTbComboWidget::CTbComboWidget(QWidget* parent) : QComboBox(parent) {}

void CTbComboWidget::showPopup() {
    if (CNativeWindow* n = CNativeWindow::Find(this)) n->Notify(CBN_DROPDOWN);
    m_indexAtDrop = currentIndex();
    QComboBox::showPopup();
}

void CTbComboWidget::hidePopup() {
    QComboBox::hidePopup();
    if (CNativeWindow* n = CNativeWindow::Find(this)) n->Notify(CBN_CLOSEUP);
}

void CTbComboWidget::paintEvent(QPaintEvent* e) {
    CNativeWindow* n = CNativeWindow::Find(this);
    if (!n || !(n->style & CBS_OWNERDRAWFIXED)) {
        QComboBox::paintEvent(e);
        return;
    }
    // The frame and arrow from the style; the selected item from the parent.
    QPainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    style()->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, this);
    const QRect field = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    if (currentIndex() >= 0)
        DrawItemThroughParent(&painter, this, ODT_COMBOBOX, currentIndex(), field,
                              ODS_COMBOBOXEDIT | (hasFocus() ? ODS_FOCUS : 0),
                              static_cast<DWORD_PTR>(itemData(currentIndex()).toULongLong()));
}

namespace {

class CNativeCombo : public CNativeWindow {
public:
    CNativeCombo(QWidget* w, DWORD s, DWORD e, UINT i) : CNativeWindow(w, s, e, i) {
        auto* combo = Combo();
        connect(combo, qOverload<int>(&QComboBox::activated), this, [this](int index) { Activated(index); });
        if (QLineEdit* edit = combo->lineEdit()) {
            connect(edit, &QLineEdit::textEdited, this, [this] {
                Notify(CBN_EDITUPDATE);
                Notify(CBN_EDITCHANGE);
            });
        }
    }
    int droppedHeight = 0;

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CComboBox>(); }
    CTbComboWidget* Combo() const { return static_cast<CTbComboWidget*>(widget()); }
    QStringList Strings() const {
        QStringList list;
        for (int i = 0; i < Combo()->count(); ++i) list << Combo()->itemText(i);
        return list;
    }
    void Activated(int index) {
        // A choice from the list: accepted, then the selection change when it is one.
        Notify(CBN_SELENDOK);
        if (index != m_lastIndex) {
            m_lastIndex = index;
            Notify(CBN_SELCHANGE);
        }
    }
    bool SetText(const CString& text) override {
        if (Combo()->isEditable()) Combo()->setEditText(TBQ(text));
        return Combo()->isEditable();
    }
    CString GetText() const override { return TBC(Combo()->currentText()); }
    UINT DialogCode(UINT) const override { return DLGC_WANTCHARS | DLGC_WANTARROWS; }
    void OnDefaultEvent(UINT message, WPARAM, LPARAM) override {
        if (message == WM_SETFOCUS)
            Notify(CBN_SETFOCUS);
        else if (message == WM_KILLFOCUS)
            Notify(CBN_KILLFOCUS);
    }
    int Insert(int index, const QString& text) {
        if (index < 0 || index > Combo()->count()) index = Combo()->count();
        if (style & CBS_SORT) index = SortedPosition(Strings(), text);
        // Adding a string selects nothing and leaves the edit field alone.
        const int selected = Combo()->currentIndex();
        const QString editText = Combo()->isEditable() ? Combo()->currentText() : QString();
        Combo()->insertItem(index, text);
        if (selected < 0) {
            Combo()->setCurrentIndex(-1);
            if (Combo()->isEditable()) Combo()->setEditText(editText);
        }
        m_lastIndex = Combo()->currentIndex();
        return index;
    }
    bool ValidIndex(WPARAM index) const { return index < static_cast<WPARAM>(Combo()->count()); }

    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        CTbComboWidget* c = Combo();
        switch (message) {
            case CB_ADDSTRING: result = Insert(-1, TBQ(TextFrom(lParam))); return true;
            case CB_INSERTSTRING:
                result = Insert(static_cast<int>(static_cast<std::intptr_t>(wParam)), TBQ(TextFrom(lParam)));
                return true;
            case CB_DELETESTRING:
                if (!ValidIndex(wParam)) {
                    result = CB_ERR;
                    return true;
                }
                c->removeItem(static_cast<int>(wParam));
                result = c->count();
                return true;
            case CB_RESETCONTENT:
                c->clear();
                m_lastIndex = -1;
                return true;
            case CB_GETCOUNT: result = c->count(); return true;
            case CB_GETCURSEL: result = c->currentIndex(); return true;
            case CB_SETCURSEL: {
                const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
                const bool valid = index >= 0 && index < c->count();
                c->setCurrentIndex(valid ? index : -1);
                if (!valid && c->isEditable()) c->setEditText(QString());
                m_lastIndex = c->currentIndex();
                result = valid ? index : CB_ERR;
                return true;
            }
            case CB_GETLBTEXT:
                result = ValidIndex(wParam) ? CopyOut(c->itemText(static_cast<int>(wParam)), lParam) : CB_ERR;
                return true;
            case CB_GETLBTEXTLEN:
                result = ValidIndex(wParam) ? TBC(c->itemText(static_cast<int>(wParam))).GetLength() : CB_ERR;
                return true;
            case CB_FINDSTRING:
            case CB_FINDSTRINGEXACT:
                result = FindInStrings(Strings(), static_cast<int>(static_cast<std::intptr_t>(wParam)),
                                       TBQ(TextFrom(lParam)), message == CB_FINDSTRINGEXACT);
                return true;
            case CB_SELECTSTRING: {
                const int index = FindInStrings(Strings(), static_cast<int>(static_cast<std::intptr_t>(wParam)),
                                                TBQ(TextFrom(lParam)), false);
                if (index >= 0) {
                    c->setCurrentIndex(index);
                    m_lastIndex = index;
                }
                result = index;
                return true;
            }
            case CB_SETITEMDATA:
                if (!ValidIndex(wParam)) {
                    result = CB_ERR;
                    return true;
                }
                c->setItemData(static_cast<int>(wParam),
                               QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lParam)), Qt::UserRole + 1);
                return true;
            case CB_GETITEMDATA:
                result =
                    ValidIndex(wParam)
                        ? static_cast<LRESULT>(c->itemData(static_cast<int>(wParam), Qt::UserRole + 1).toULongLong())
                        : CB_ERR;
                return true;
            case CB_SHOWDROPDOWN:
                if (wParam)
                    c->showPopup();
                else
                    c->hidePopup();
                result = TRUE;
                return true;
            case CB_GETDROPPEDSTATE: result = c->view() && c->view()->isVisible(); return true;
            case CB_GETDROPPEDCONTROLRECT: {
                if (!lParam) return true;
                const QPoint g = c->mapToGlobal(QPoint(0, 0));
                *reinterpret_cast<RECT*>(lParam) =
                    CRect(g.x(), g.y(), g.x() + c->width(), g.y() + c->height() + droppedHeight);
                result = TRUE;
                return true;
            }
            case CB_LIMITTEXT:
                if (c->lineEdit()) c->lineEdit()->setMaxLength(wParam ? static_cast<int>(wParam) : 32767);
                result = TRUE;
                return true;
            case CB_GETEDITSEL: {
                QLineEdit* e = c->lineEdit();
                const int s = e ? (e->hasSelectedText() ? e->selectionStart() : e->cursorPosition()) : 0;
                const int end = e ? (e->hasSelectedText() ? e->selectionEnd() : s) : 0;
                result = static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s), static_cast<WORD>(end)));
                return true;
            }
            case CB_SETEDITSEL: {
                QLineEdit* e = c->lineEdit();
                if (!e) {
                    result = CB_ERR;
                    return true;
                }
                const int s = GET_X_LPARAM(lParam), end = GET_Y_LPARAM(lParam);
                if (s < 0)
                    e->deselect();
                else
                    e->setSelection(s, (end < 0 ? static_cast<int>(e->text().size()) : end) - s);
                result = TRUE;
                return true;
            }
            default: return false;
        }
    }

private:
    int m_lastIndex = -1;
};

// ------------------------------------------------------------------ list box

class CNativeListBox : public CNativeWindow {
public:
    CNativeListBox(QWidget* w, DWORD s, DWORD e, UINT i) : CNativeWindow(w, s, e, i) {
        auto* list = List();
        connect(list, &QListWidget::itemSelectionChanged, this, [this] {
            if (!m_quiet && (style & LBS_NOTIFY)) Notify(LBN_SELCHANGE);
        });
        connect(list, &QListWidget::itemDoubleClicked, this, [this] {
            if (style & LBS_NOTIFY) Notify(LBN_DBLCLK);
        });
    }

protected:
    std::unique_ptr<CWnd> MakeTemporary() const override { return std::make_unique<CListBox>(); }
    QListWidget* List() const { return static_cast<QListWidget*>(widget()); }
    QStringList Strings() const {
        QStringList list;
        for (int i = 0; i < List()->count(); ++i) list << List()->item(i)->text();
        return list;
    }
    bool Multiple() const { return style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
    bool ValidIndex(WPARAM index) const { return index < static_cast<WPARAM>(List()->count()); }
    UINT DialogCode(UINT) const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void OnDefaultEvent(UINT message, WPARAM, LPARAM) override {
        if (!(style & LBS_NOTIFY)) return;
        if (message == WM_SETFOCUS)
            Notify(LBN_SETFOCUS);
        else if (message == WM_KILLFOCUS)
            Notify(LBN_KILLFOCUS);
    }
    /// Changes made by messages do not notify, as the system's list box does not.
    template <class F>
    void Quietly(F f) {
        m_quiet = true;
        f();
        m_quiet = false;
    }
    int Insert(int index, const QString& text) {
        if (index < 0 || index > List()->count()) index = List()->count();
        if (style & LBS_SORT) index = SortedPosition(Strings(), text);
        Quietly([&] { List()->insertItem(index, text); });
        return index;
    }

    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        QListWidget* l = List();
        const int index = static_cast<int>(static_cast<std::intptr_t>(wParam));
        switch (message) {
            case LB_ADDSTRING: result = Insert(-1, TBQ(TextFrom(lParam))); return true;
            case LB_INSERTSTRING: result = Insert(index, TBQ(TextFrom(lParam))); return true;
            case LB_DELETESTRING:
                if (!ValidIndex(wParam)) {
                    result = LB_ERR;
                    return true;
                }
                Quietly([&] { delete l->takeItem(index); });
                result = l->count();
                return true;
            case LB_RESETCONTENT: Quietly([&] { l->clear(); }); return true;
            case LB_GETCOUNT: result = l->count(); return true;
            case LB_GETCURSEL:
                result = Multiple() ? l->currentRow()
                                    : (l->selectedItems().isEmpty() ? LB_ERR : l->row(l->selectedItems().front()));
                return true;
            case LB_SETCURSEL:
                Quietly([&] {
                    if (index >= 0 && index < l->count())
                        l->setCurrentRow(index);
                    else
                        l->clearSelection();
                });
                result = (index >= 0 && index < l->count()) ? index : LB_ERR;
                return true;
            case LB_GETTEXT:
                result = ValidIndex(wParam) ? CopyOut(l->item(index)->text(), lParam) : LB_ERR;
                return true;
            case LB_GETTEXTLEN:
                result = ValidIndex(wParam) ? TBC(l->item(index)->text()).GetLength() : LB_ERR;
                return true;
            case LB_FINDSTRING:
            case LB_FINDSTRINGEXACT:
                result = FindInStrings(Strings(), index, TBQ(TextFrom(lParam)), message == LB_FINDSTRINGEXACT);
                return true;
            case LB_SELECTSTRING: {
                const int found = FindInStrings(Strings(), index, TBQ(TextFrom(lParam)), false);
                if (found >= 0) Quietly([&] { l->setCurrentRow(found); });
                result = found;
                return true;
            }
            case LB_SETITEMDATA:
                if (!ValidIndex(wParam)) {
                    result = LB_ERR;
                    return true;
                }
                l->item(index)->setData(Qt::UserRole + 1,
                                        QVariant::fromValue<qulonglong>(static_cast<qulonglong>(lParam)));
                return true;
            case LB_GETITEMDATA:
                result = ValidIndex(wParam) ? static_cast<LRESULT>(l->item(index)->data(Qt::UserRole + 1).toULongLong())
                                            : LB_ERR;
                return true;
            case LB_GETSEL: result = ValidIndex(wParam) ? (l->item(index)->isSelected() ? 1 : 0) : LB_ERR; return true;
            case LB_SETSEL: {
                // lParam is the item (-1: all); wParam whether it is selected.
                const int item = static_cast<int>(lParam);
                if (!Multiple() || item >= l->count()) {
                    result = LB_ERR;
                    return true;
                }
                Quietly([&] {
                    for (int i = 0; i < l->count(); ++i)
                        if (item == -1 || i == item) l->item(i)->setSelected(wParam != 0);
                });
                return true;
            }
            case LB_GETSELCOUNT:
                result = Multiple() ? static_cast<LRESULT>(l->selectedItems().size()) : LB_ERR;
                return true;
            case LB_GETSELITEMS: {
                int* out = reinterpret_cast<int*>(lParam);
                int n = 0;
                for (int i = 0; i < l->count() && out && n < static_cast<int>(wParam); ++i)
                    if (l->item(i)->isSelected()) out[n++] = i;
                result = Multiple() ? n : LB_ERR;
                return true;
            }
            case LB_SETTOPINDEX:
                if (!ValidIndex(wParam)) {
                    result = LB_ERR;
                    return true;
                }
                l->scrollToItem(l->item(index), QAbstractItemView::PositionAtTop);
                return true;
            case LB_GETTOPINDEX: {
                QListWidgetItem* top = l->itemAt(2, 2);
                result = top ? l->row(top) : 0;
                return true;
            }
            default: return false;
        }
    }

private:
    bool m_quiet = false;
};

// ------------------------------------------------------------------ progress bar

constexpr UINT PBM_SETRANGE = WM_USER + 1;
constexpr UINT PBM_SETPOS = WM_USER + 2;
constexpr UINT PBM_DELTAPOS = WM_USER + 3;
constexpr UINT PBM_SETSTEP = WM_USER + 4;
constexpr UINT PBM_STEPIT = WM_USER + 5;
constexpr UINT PBM_SETRANGE32 = WM_USER + 6;

class CNativeProgress : public CNativeWindow {
public:
    using CNativeWindow::CNativeWindow;

protected:
    bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        auto* bar = static_cast<QProgressBar*>(widget());
        result = bar->value();
        switch (message) {
            case PBM_SETRANGE:
                bar->setRange(LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam)));
                return true;
            case PBM_SETRANGE32: bar->setRange(static_cast<int>(wParam), static_cast<int>(lParam)); return true;
            case PBM_SETPOS: bar->setValue(static_cast<int>(wParam)); return true;
            case PBM_DELTAPOS: bar->setValue(bar->value() + static_cast<int>(wParam)); return true;
            case PBM_SETSTEP:
                result = m_step;
                m_step = static_cast<int>(wParam);
                return true;
            case PBM_STEPIT: {
                int next = bar->value() + m_step;
                if (next > bar->maximum()) next = bar->minimum() + (next - bar->maximum());  // wraps like the control
                bar->setValue(next);
                return true;
            }
            default: return false;
        }
    }

private:
    int m_step = 10;
};

// ------------------------------------------------------------------ widget factory

QWidget* MakeButton(const CString& text, DWORD style, QWidget* parent) {
    const DWORD type = style & BS_TYPEMASK;
    QWidget* w = nullptr;
    switch (type) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: {
            auto* c = new CStateButton<QCheckBox>(type == BS_AUTOCHECKBOX || type == BS_AUTO3STATE, parent);
            c->setTristate(type == BS_3STATE || type == BS_AUTO3STATE);
            c->setText(TBQ(text));
            w = c;
            break;
        }
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON: {
            auto* r = new CStateButton<QRadioButton>(type == BS_AUTORADIOBUTTON, parent);
            r->setAutoExclusive(false);  // groups follow WS_GROUP, not the Qt parent
            r->setText(TBQ(text));
            w = r;
            break;
        }
        case BS_GROUPBOX: {
            auto* g = new QGroupBox(TBStripMnemonic(TBQ(text)), parent);
            g->setFocusPolicy(Qt::NoFocus);
            w = g;
            break;
        }
        case BS_OWNERDRAW: w = new COwnerDrawButton(TBQ(text), parent); break;
        default: {
            auto* b = new QPushButton(TBQ(text), parent);
            b->setAutoDefault(false);
            b->setDefault(type == BS_DEFPUSHBUTTON);
            w = b;
            break;
        }
    }
    return w;
}

QWidget* MakeEdit(const CString& text, DWORD style, DWORD exStyle, QWidget* parent) {
    const bool framed = (style & WS_BORDER) || (exStyle & WS_EX_CLIENTEDGE);
    if (style & ES_MULTILINE) {
        auto* m = new QPlainTextEdit(parent);
        m->setPlainText(TBQ(text));
        m->setReadOnly(style & ES_READONLY);
        m->setTabChangesFocus(true);
        m->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap
                                                                   : QPlainTextEdit::WidgetWidth);
        m->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        if (!framed) m->setFrameShape(QFrame::NoFrame);
        return m;
    }
    auto* l = new QLineEdit(TBQ(text), parent);
    l->setReadOnly(style & ES_READONLY);
    l->setFrame(framed);
    l->setMaxLength(32767);
    if (style & ES_PASSWORD) l->setEchoMode(QLineEdit::Password);
    if (style & ES_NUMBER)
        l->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), l));
    if (style & ES_CENTER)
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    else if (style & ES_RIGHT)
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QWidget* MakeStatic(const CString& text, DWORD style, QWidget* parent) {
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_OWNERDRAW) return new COwnerDrawStatic(parent);
    if (type == SS_ETCHEDHORZ || type == SS_BLACKFRAME) {
        auto* f = new QFrame(parent);
        f->setFrameShape(type == SS_ETCHEDHORZ ? QFrame::HLine : QFrame::Box);
        f->setFrameShadow(type == SS_ETCHEDHORZ ? QFrame::Sunken : QFrame::Plain);
        return f;
    }
    auto* l = new QLabel(parent);
    l->setText((style & SS_NOPREFIX) ? TBQ(text) : TBStripMnemonic(TBQ(text)));
    l->setProperty("tbText", TBQ(text));
    l->setWordWrap(type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT);
    Qt::Alignment align = Qt::AlignTop;
    align |= type == SS_CENTER ? Qt::AlignHCenter : type == SS_RIGHT ? Qt::AlignRight : Qt::AlignLeft;
    l->setAlignment(align);
    if (style & SS_SUNKEN) l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    return l;
}

}  // namespace

QWidget* TBCreateNativeWidget(const char* className, const CString& text, DWORD style, DWORD exStyle, const CRect& rect,
                              QWidget* parent, UINT id) {
    const QString cls = QString::fromLatin1(className ? className : "").toUpper();
    QWidget* w = nullptr;
    CNativeWindow* native = nullptr;
    if (cls == QLatin1String("BUTTON")) {
        w = MakeButton(text, style, parent);
        native = new CNativeButton(w, style, exStyle, id);
    } else if (cls == QLatin1String("EDIT")) {
        w = MakeEdit(text, style, exStyle, parent);
        native = new CNativeEdit(w, style, exStyle, id);
    } else if (cls.startsWith(QLatin1String("RICHEDIT"))) {
        // A rich edit keeps character formats, which only the multi-line document holds.
        w = MakeEdit(text, style | ES_MULTILINE, exStyle, parent);
        native = new CNativeRichEdit(w, style | ES_MULTILINE, exStyle, id);
        native->WatchPart(static_cast<QPlainTextEdit*>(w)->viewport());
    } else if (cls == QLatin1String("STATIC")) {
        w = MakeStatic(text, style, parent);
        native = new CNativeStatic(w, style, exStyle, id);
        w->setFocusPolicy(Qt::NoFocus);
    } else if (cls == QLatin1String("COMBOBOX")) {
        auto* c = new CTbComboWidget(parent);
        const DWORD kind = style & 3;
        c->setEditable(kind == CBS_DROPDOWN || kind == CBS_SIMPLE);
        w = c;
        auto* n = new CNativeCombo(w, style, exStyle, id);
        // A template's combo height includes its dropped list; the field keeps its own.
        n->droppedHeight = std::max(0, static_cast<int>(rect.Height()) - c->sizeHint().height());
        if (style & CBS_OWNERDRAWFIXED) c->setItemDelegate(new COwnerDrawDelegate(c, ODT_COMBOBOX));
        native = n;
    } else if (cls == QLatin1String("LISTBOX")) {
        auto* l = new QListWidget(parent);
        l->setSelectionMode((style & LBS_MULTIPLESEL)   ? QAbstractItemView::MultiSelection
                            : (style & LBS_EXTENDEDSEL) ? QAbstractItemView::ExtendedSelection
                                                        : QAbstractItemView::SingleSelection);
        w = l;
        native = new CNativeListBox(w, style, exStyle, id);
        native->WatchPart(l->viewport());
    } else if (cls == QLatin1String("SYSLISTVIEW32")) {
        auto* tree = new QTreeWidget(parent);
        w = tree;
        native = TBMakeListViewNative(tree, style, exStyle, id);
        if (style & LVS_OWNERDRAWFIXED) tree->setItemDelegate(new COwnerDrawDelegate(tree, ODT_LISTVIEW));
    } else if (cls == QLatin1String("MSCTLS_PROGRESS32")) {
        auto* bar = new QProgressBar(parent);
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
        w = bar;
        native = new CNativeProgress(w, style, exStyle, id);
    } else if (cls == QLatin1String("SYSTREEVIEW32")) {
        auto* tree = new QTreeWidget(parent);
        tree->setHeaderHidden(true);
        w = tree;
        native = new CNativeWindow(w, style, exStyle, id);
    } else if (cls.isEmpty()) {
        w = new QWidget(parent);
        native = new CNativeWindow(w, style, exStyle, id);
        w->setFocusPolicy((style & WS_TABSTOP) ? Qt::StrongFocus : Qt::NoFocus);
        if (!text.IsEmpty()) native->Deliver(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString()));
    } else {
        return nullptr;
    }
    if (cls != QLatin1String("STATIC") && !cls.isEmpty())
        ApplyCommonStyle(w, style);
    else if (style & WS_DISABLED)
        w->setEnabled(false);
    if (cls == QLatin1String("COMBOBOX"))
        w->setGeometry(rect.left, rect.top, rect.Width(), w->sizeHint().height());
    else
        w->setGeometry(rect.left, rect.top, rect.Width(), rect.Height());
    (void)native;
    return w;
}
