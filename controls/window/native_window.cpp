#include "controls/window/native_window.h"

#include <toolbox/ui/dc.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimerEvent>
#include <QVariant>
#include <QWheelEvent>
#include <QWidget>

#include <cstring>
#include <vector>

namespace {

const char* const kNativeProperty = "tbNativeWindow";

/// A message posted with PostMessage, delivered on the event loop.
class CPostedMessage : public QEvent {
public:
    static QEvent::Type TypeId() {
        static const int id = QEvent::registerEventType();
        return static_cast<QEvent::Type>(id);
    }
    CPostedMessage(UINT m, WPARAM w, LPARAM l) : QEvent(TypeId()), message(m), wParam(w), lParam(l) {}
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

/// The messages being dispatched from Qt events, innermost last; DefWindowProc of
/// the innermost one lets Qt handle its event.
struct EventDispatch {
    MSG msg;
    QEvent* event;
    bool passToQt;
};
std::vector<EventDispatch>& DispatchStack() {
    static std::vector<EventDispatch> stack;
    return stack;
}

/// The modifier keys as the last input event saw them (what GetKeyState reports).
Qt::KeyboardModifiers& InputModifiers() {
    static Qt::KeyboardModifiers modifiers;
    return modifiers;
}

/// The widget that lost the focus last (the "other window" of WM_SETFOCUS).
QPointer<QWidget>& LastFocusLoser() {
    static QPointer<QWidget> widget;
    return widget;
}

UINT MouseKeyFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers mods) {
    UINT flags = 0;
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    if (mods & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (mods & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

LPARAM PackPoint(int x, int y) {
    return static_cast<LPARAM>(
        MAKELONG(static_cast<WORD>(static_cast<std::int16_t>(x)), static_cast<WORD>(static_cast<std::int16_t>(y))));
}

UINT MouseMessage(QEvent::Type type, Qt::MouseButton button) {
    const int kind = type == QEvent::MouseButtonPress ? 0 : type == QEvent::MouseButtonRelease ? 1 : 2;
    switch (button) {
        case Qt::LeftButton: return WM_LBUTTONDOWN + kind;
        case Qt::RightButton: return WM_RBUTTONDOWN + kind;
        case Qt::MiddleButton: return WM_MBUTTONDOWN + kind;
        default: return 0;
    }
}

}  // namespace

// ------------------------------------------------------------------ virtual-key codes

/// The virtual-key code of a Qt key; 0 for keys without one.
UINT TBVirtualKeyOf(int key, Qt::KeyboardModifiers mods) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<UINT>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        const UINT digit = static_cast<UINT>(key - Qt::Key_0);
        return (mods & Qt::KeypadModifier) ? VK_NUMPAD0 + digit : '0' + digit;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return VK_F1 + static_cast<UINT>(key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return VK_BACK;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return VK_TAB;
        case Qt::Key_Return:
        case Qt::Key_Enter: return VK_RETURN;
        case Qt::Key_Shift: return VK_SHIFT;
        case Qt::Key_Control: return VK_CONTROL;
        case Qt::Key_Alt: return VK_MENU;
        case Qt::Key_Pause: return VK_PAUSE;
        case Qt::Key_CapsLock: return VK_CAPITAL;
        case Qt::Key_Escape: return VK_ESCAPE;
        case Qt::Key_Space: return VK_SPACE;
        case Qt::Key_PageUp: return VK_PRIOR;
        case Qt::Key_PageDown: return VK_NEXT;
        case Qt::Key_End: return VK_END;
        case Qt::Key_Home: return VK_HOME;
        case Qt::Key_Left: return VK_LEFT;
        case Qt::Key_Up: return VK_UP;
        case Qt::Key_Right: return VK_RIGHT;
        case Qt::Key_Down: return VK_DOWN;
        case Qt::Key_Insert: return VK_INSERT;
        case Qt::Key_Delete: return VK_DELETE;
        case Qt::Key_Menu: return VK_APPS;
        case Qt::Key_Asterisk: return (mods & Qt::KeypadModifier) ? VK_MULTIPLY : 0xBB;
        case Qt::Key_Plus: return (mods & Qt::KeypadModifier) ? VK_ADD : 0xBB;
        case Qt::Key_Minus: return (mods & Qt::KeypadModifier) ? VK_SUBTRACT : 0xBD;
        case Qt::Key_Slash: return (mods & Qt::KeypadModifier) ? VK_DIVIDE : 0xBF;
        case Qt::Key_Period: return (mods & Qt::KeypadModifier) ? VK_DECIMAL : 0xBE;
        case Qt::Key_Comma: return 0xBC;
        case Qt::Key_Semicolon: return 0xBA;
        default: return 0;
    }
}

/// Key message lParam: repeat count 1, scan code, extended-key bit, previous state
/// (auto-repeat) and transition state (key up).
LPARAM TBKeyData(const QKeyEvent* key, bool up) {
    DWORD data = 1;
    data |= (key->nativeScanCode() & 0xFF) << 16;
    switch (key->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Insert:
        case Qt::Key_Delete: data |= 1u << 24; break;
        default: break;
    }
    if (up || key->isAutoRepeat()) data |= 1u << 30;
    if (up) data |= 1u << 31;
    return static_cast<LPARAM>(data);
}

// ------------------------------------------------------------------ text helpers

QString TBQ(const CString& s) { return QString::fromUtf8(s.GetString(), s.GetLength()); }
CString TBC(const QString& s) {
    const QByteArray bytes = s.toUtf8();
    return CString(bytes.constData(), static_cast<int>(bytes.size()));
}
QString TBStripMnemonic(const QString& s) {
    QString out;
    out.reserve(s.size());
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('&')) {
            if (i + 1 < s.size() && s[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return out;
}
QString TBMnemonicText(const CString& s) { return TBQ(s); }

// ------------------------------------------------------------------ the native object

CNativeWindow::CNativeWindow(QWidget* widget, DWORD st, DWORD ex, UINT ident)
    : QObject(widget), style(st), exStyle(ex), id(ident), m_widget(widget), m_class(widget->metaObject()) {
    widget->setProperty(kNativeProperty, QVariant::fromValue(static_cast<void*>(this)));
    widget->installEventFilter(this);
}

CNativeWindow::~CNativeWindow() {
    // The widget is going: nothing may find this object through it any more, and its
    // window object keeps living without it.
    if (m_widget) m_widget->setProperty(kNativeProperty, QVariant());
    if (permanent) permanent->DetachFromWidget();
    if (CWnd* wnd = permanent) {
        permanent = nullptr;
        wnd->PostNcDestroy();
    }
}

CNativeWindow* CNativeWindow::Find(QWidget* widget) {
    if (!widget) return nullptr;
    const QVariant v = widget->property(kNativeProperty);
    return v.isValid() ? static_cast<CNativeWindow*>(v.value<void*>()) : nullptr;
}

CNativeWindow* CNativeWindow::Of(QWidget* widget) {
    if (!widget) return nullptr;
    if (CNativeWindow* native = Find(widget)) return native;
    // A widget the host made: it gets the plain window behaviour.
    return new CNativeWindow(widget, WS_CHILD | WS_VISIBLE, 0, 0);
}

void CNativeWindow::WatchPart(QWidget* part) { part->installEventFilter(this); }

Qt::KeyboardModifiers CNativeWindow::CurrentModifiers() {
    auto& stack = DispatchStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it) {
        QEvent* e = it->event;
        if (!e) continue;
        if (e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(e);
            // Shift+Tab arrives from some platforms as Backtab without the modifier.
            return key->modifiers() | (key->key() == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        }
        if (auto* input = dynamic_cast<QInputEvent*>(e)) return input->modifiers();
    }
    // Outside an input event (a command from a menu or an accelerator): the modifiers the
    // last input event saw, or the keyboard's.
    return InputModifiers() | QGuiApplication::queryKeyboardModifiers();
}

bool CNativeWindow::HandleEventNow() {
    auto& stack = DispatchStack();
    if (stack.empty() || !stack.back().event || stack.back().passToQt) return false;
    QWidget* widget = Widget(stack.back().msg.hwnd);
    if (!widget) return false;
    // Straight to the widget's own handler: the event filters saw the event already.
    static_cast<QObject*>(widget)->event(stack.back().event);
    return true;
}

const MSG* CNativeWindow::CurrentMessage() {
    auto& stack = DispatchStack();
    return stack.empty() ? nullptr : &stack.back().msg;
}

LRESULT CNativeWindow::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    if (permanent) return permanent->WindowProc(message, wParam, lParam);
    return DefProc(message, wParam, lParam);
}

void CNativeWindow::Post(UINT message, WPARAM wParam, LPARAM lParam) {
    QCoreApplication::postEvent(this, new CPostedMessage(message, wParam, lParam));
}

bool CNativeWindow::event(QEvent* e) {
    if (e->type() == CPostedMessage::TypeId()) {
        auto* posted = static_cast<CPostedMessage*>(e);
        if (m_widget) Deliver(posted->message, posted->wParam, posted->lParam);
        return true;
    }
    return QObject::event(e);
}

UINT_PTR CNativeWindow::StartTimer(UINT_PTR userId, UINT elapse) {
    StopTimer(userId);
    const int qtId = startTimer(static_cast<int>(elapse ? elapse : 1));
    if (!qtId) return 0;
    m_timers[qtId] = userId;
    return userId;
}

bool CNativeWindow::StopTimer(UINT_PTR userId) {
    for (auto it = m_timers.begin(); it != m_timers.end(); ++it) {
        if (it->second == userId) {
            killTimer(it->first);
            m_timers.erase(it);
            return true;
        }
    }
    return false;
}

void CNativeWindow::timerEvent(QTimerEvent* e) {
    auto it = m_timers.find(e->timerId());
    if (it != m_timers.end()) Deliver(WM_TIMER, it->second, 0);
}

void CNativeWindow::Notify(UINT code) {
    if (!m_widget) return;
    CNativeWindow* target = Find(m_widget->parentWidget());
    if (!target || target->dying) return;
    target->Deliver(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(code)),
                    reinterpret_cast<LPARAM>(hwnd()));
}

LRESULT CNativeWindow::NotifyParent(NMHDR& hdr, UINT code) {
    hdr.hwndFrom = hwnd();
    hdr.idFrom = id;
    hdr.code = code;
    CNativeWindow* target = m_widget ? Find(m_widget->parentWidget()) : nullptr;
    if (!target || target->dying) return 0;
    return target->Deliver(WM_NOTIFY, id, reinterpret_cast<LPARAM>(&hdr));
}

// ------------------------------------------------------------------ native handling

bool CNativeWindow::SetText(const CString& text) {
    if (!m_widget) return false;
    if (m_widget->isWindow())
        m_widget->setWindowTitle(TBQ(text));
    else
        m_widget->setProperty("tbText", TBQ(text));
    return true;
}

CString CNativeWindow::GetText() const {
    if (!m_widget) return CString();
    if (m_widget->isWindow()) return TBC(m_widget->windowTitle());
    return TBC(m_widget->property("tbText").toString());
}

bool CNativeWindow::HandleControlMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
std::unique_ptr<CWnd> CNativeWindow::MakeTemporary() const { return std::make_unique<CWnd>(); }
void CNativeWindow::OnDefaultEvent(UINT, WPARAM, LPARAM) {}

LRESULT CNativeWindow::DefProc(UINT message, WPARAM wParam, LPARAM lParam) {
    auto& stack = DispatchStack();
    const bool fromEvent = !stack.empty() && stack.back().msg.hwnd == hwnd() && stack.back().msg.message == message &&
                           !stack.back().passToQt;
    if (fromEvent) {
        // The default of an event's message: the control's reaction, then Qt's own.
        stack.back().passToQt = true;
        OnDefaultEvent(message, wParam, lParam);
        if (message == WM_GETDLGCODE) return DialogCode(static_cast<UINT>(wParam));
        return 0;
    }
    LRESULT result = 0;
    if (HandleControlMessage(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_SETTEXT:
            return SetText(lParam ? CString(reinterpret_cast<const char*>(lParam)) : CString()) ? TRUE : FALSE;
        case WM_GETTEXTLENGTH: return GetText().GetLength();
        case WM_GETTEXT: {
            // wParam is the buffer's size including the terminating zero.
            char* buffer = reinterpret_cast<char*>(lParam);
            if (!buffer || wParam == 0) return 0;
            const CString text = GetText();
            const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(text.GetLength()), wParam - 1);
            std::memcpy(buffer, text.GetString(), count);
            buffer[count] = '\0';
            return static_cast<LRESULT>(count);
        }
        case WM_SETFONT:
            font = reinterpret_cast<CFont*>(wParam);
            if (font && m_widget) m_widget->setFont(TBQFontFromLogFont(font->Log()));
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(font);
        case WM_GETDLGCODE: return DialogCode(static_cast<UINT>(wParam));
        case WM_CLOSE:
            if (m_widget) m_widget->close();
            return 0;
        case WM_CONTEXTMENU:
            // Unhandled context menus go to the parent, as the system does.
            if (m_widget && !m_widget->isWindow())
                if (CNativeWindow* parent = Find(m_widget->parentWidget()))
                    return parent->Deliver(message, wParam, lParam);
            return 0;
        default: return 0;
    }
}

// ------------------------------------------------------------------ events to messages

bool CNativeWindow::Alive() const { return m_widget && !dying && m_widget->metaObject() == m_class; }

bool CNativeWindow::eventFilter(QObject* watched, QEvent* e) {
    // A window being destroyed gets no more messages from its widget's last events.
    if (!Alive()) return false;
    return DispatchEvent(watched, e);
}

bool CNativeWindow::SendFromEvent(UINT message, WPARAM wParam, LPARAM lParam, QEvent* e) {
    MSG msg;
    msg.hwnd = hwnd();
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    if (PreTranslate(msg)) return true;
    auto& stack = DispatchStack();
    stack.push_back({msg, e, false});
    QPointer<CNativeWindow> self(this);
    Deliver(message, wParam, lParam);
    const bool pass = stack.back().passToQt;
    stack.pop_back();
    // When the window went away while handling the message, Qt must not see the event.
    return self && m_widget ? !pass : true;
}

bool CNativeWindow::PreTranslate(MSG& msg) {
    const bool input = (msg.message >= WM_KEYDOWN && msg.message <= WM_SYSKEYUP) ||
                       (msg.message >= WM_MOUSEMOVE && msg.message <= WM_MOUSEWHEEL);
    if (!input) return false;
    for (QWidget* w = m_widget; w; w = w->parentWidget()) {
        CNativeWindow* native = Find(w);
        if (native && native->permanent && native->permanent->PreTranslateMessage(&msg)) return true;
        if (w->isWindow()) break;
    }
    return false;
}

bool CNativeWindow::DispatchEvent(QObject* watched, QEvent* e) {
    QWidget* source = qobject_cast<QWidget*>(watched);
    const bool part = source != m_widget;
    switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: return part ? false : DispatchKey(e);
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(e);
            InputModifiers() = mouse->modifiers();
            const QPoint p =
                source ? source->mapTo(m_widget, mouse->position().toPoint()) : mouse->position().toPoint();
            const UINT message =
                e->type() == QEvent::MouseMove ? WM_MOUSEMOVE : MouseMessage(e->type(), mouse->button());
            if (!message) return false;
            return SendFromEvent(message, MouseKeyFlags(mouse->buttons(), mouse->modifiers()), PackPoint(p.x(), p.y()),
                                 e);
        }
        case QEvent::Wheel: {
            auto* wheel = static_cast<QWheelEvent*>(e);
            const QPoint g = wheel->globalPosition().toPoint();
            const WORD delta = static_cast<WORD>(static_cast<std::int16_t>(wheel->angleDelta().y()));
            return SendFromEvent(
                WM_MOUSEWHEEL,
                MAKEWPARAM(static_cast<WORD>(MouseKeyFlags(wheel->buttons(), wheel->modifiers())), delta),
                PackPoint(g.x(), g.y()), e);
        }
        default: break;
    }
    if (part) {
        // A scroll area's context menu arrives at its viewport: it is the window's.
        if (e->type() != QEvent::ContextMenu) return false;
        auto* menu = static_cast<QContextMenuEvent*>(e);
        const QPoint g = menu->globalPos();
        return SendFromEvent(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd()), PackPoint(g.x(), g.y()), e);
    }
    switch (e->type()) {
        case QEvent::FocusIn: {
            // A menu or a dropped list takes no focus from the window, as on the system.
            if (static_cast<QFocusEvent*>(e)->reason() == Qt::PopupFocusReason) return false;
            QWidget* other = LastFocusLoser();
            LastFocusLoser() = nullptr;
            return SendFromEvent(WM_SETFOCUS, reinterpret_cast<WPARAM>(other), 0, e);
        }
        case QEvent::FocusOut: {
            if (static_cast<QFocusEvent*>(e)->reason() == Qt::PopupFocusReason) return false;
            LastFocusLoser() = m_widget;
            return SendFromEvent(WM_KILLFOCUS, reinterpret_cast<WPARAM>(QApplication::focusWidget()), 0, e);
        }
        case QEvent::Resize: {
            const QSize s = m_widget->size();
            const UINT kind = m_widget->isMinimized()   ? SIZE_MINIMIZED
                              : m_widget->isMaximized() ? SIZE_MAXIMIZED
                                                        : SIZE_RESTORED;
            SendFromEvent(WM_SIZE, kind, PackPoint(s.width(), s.height()), e);
            return false;  // Qt always lays the widget out
        }
        case QEvent::Move: {
            const QPoint p = m_widget->pos();
            SendFromEvent(WM_MOVE, 0, PackPoint(p.x(), p.y()), e);
            return false;
        }
        case QEvent::Paint:
            if (!permanent) return false;
            return SendFromEvent(WM_PAINT, 0, 0, e);
        case QEvent::ContextMenu: {
            auto* menu = static_cast<QContextMenuEvent*>(e);
            const QPoint g = menu->globalPos();
            return SendFromEvent(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd()), PackPoint(g.x(), g.y()), e);
        }
        case QEvent::Close: {
            const bool eaten = SendFromEvent(WM_CLOSE, 0, 0, e);
            if (eaten) e->ignore();
            return eaten;
        }
        case QEvent::Show:
        case QEvent::Hide: SendFromEvent(WM_SHOWWINDOW, e->type() == QEvent::Show ? TRUE : FALSE, 0, e); return false;
        case QEvent::EnabledChange: SendFromEvent(WM_ENABLE, m_widget->isEnabled() ? TRUE : FALSE, 0, e); return false;
        default: return false;
    }
}


bool CNativeWindow::DispatchKey(QEvent* e) {
    auto* key = static_cast<QKeyEvent*>(e);
    InputModifiers() = key->modifiers();
    const bool up = e->type() == QEvent::KeyRelease;
    const UINT vk = TBVirtualKeyOf(key->key(), key->modifiers());
    const bool alt = key->modifiers() & Qt::AltModifier;
    if (!up && (vk == VK_TAB || vk == VK_RETURN || vk == VK_ESCAPE)) {
        const DialogKey handled = HandleDialogKey(vk);
        if (handled == DialogKey::Taken) return true;
        if (handled == DialogKey::QtMovesFocus) return false;
    }
    if (up) return SendFromEvent(alt ? WM_SYSKEYUP : WM_KEYUP, vk, TBKeyData(key, true), e);
    bool eaten = false;
    QPointer<CNativeWindow> self(this);
    if (vk) eaten = SendFromEvent(alt ? WM_SYSKEYDOWN : WM_KEYDOWN, vk, TBKeyData(key, false), e);
    // A window destroyed by its key-down handler (this object went with its widget) gets
    // no character message: its window object may already stand for a new window, such
    // as an in-place editor reopened on another cell.
    if (!self || !Alive()) return true;
    const QString text = key->text();
    if (!text.isEmpty() && !alt) {
        // The character of the key, as the message loop's translation makes it.
        const bool charEaten = SendFromEvent(WM_CHAR, text.at(0).unicode(), TBKeyData(key, false), e);
        eaten = eaten || charEaten;
    }
    return eaten;
}

/// The dialog manager's part: Tab, Enter and Escape belong to the dialog unless the
/// control asks for them with WM_GETDLGCODE.
CNativeWindow::DialogKey CNativeWindow::HandleDialogKey(UINT vk) {
    QWidget* window = m_widget->window();
    CNativeWindow* dialog = Find(window);
    if (!dialog || !window->property("tbDialog").toBool() || window == m_widget) return DialogKey::Control;
    MSG msg;
    msg.hwnd = hwnd();
    msg.message = WM_KEYDOWN;
    msg.wParam = vk;
    const UINT code = static_cast<UINT>(Deliver(WM_GETDLGCODE, vk, reinterpret_cast<LPARAM>(&msg)));
    if (code & DLGC_WANTALLKEYS) return DialogKey::Control;
    if (vk == VK_TAB) return (code & DLGC_WANTTAB) ? DialogKey::Control : DialogKey::QtMovesFocus;
    if (vk == VK_ESCAPE) {
        QWidget* cancel = nullptr;
        for (QObject* child : window->children()) {
            CNativeWindow* n = qobject_cast<QWidget*>(child) ? Find(static_cast<QWidget*>(child)) : nullptr;
            if (n && n->id == static_cast<UINT>(IDCANCEL)) cancel = n->widget();
        }
        dialog->Deliver(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return DialogKey::Taken;
    }
    // Enter: the focused push button, else the default button, else IDOK.
    UINT target = IDOK;
    QWidget* button = nullptr;
    if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
        target = id;
        button = m_widget;
    } else {
        for (QObject* child : window->children()) {
            QWidget* w = qobject_cast<QWidget*>(child);
            CNativeWindow* n = w ? Find(w) : nullptr;
            if (n && (n->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && n->widget()->inherits("QPushButton")) {
                target = n->id;
                button = w;
            }
        }
    }
    if (button && !button->isEnabled()) return DialogKey::Taken;
    dialog->Deliver(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(target), BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return DialogKey::Taken;
}
