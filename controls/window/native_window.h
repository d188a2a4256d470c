// The native side of a window: what the system's window class did. One CNativeWindow
// lives on every widget the window layer knows (a QObject child of the widget, so it
// dies with it). It turns the widget's Qt events into messages for the window's
// permanent CWnd, carries out DefWindowProc (passing the event back to Qt, or handling
// a control message such as EM_SETSEL on the widget), and sends the control's
// notifications to the parent.
#pragma once

#include <toolbox/ui/wnd.h>

#include <QMargins>
#include <QObject>
#include <QPointer>

#include <map>
#include <memory>

class QWidget;
class QEvent;
class QFont;
struct LOGFONT;

class CNativeWindow : public QObject {
public:
    CNativeWindow(QWidget* widget, DWORD style, DWORD exStyle, UINT id);
    ~CNativeWindow() override;

    /// The native object of widget; makes a plain one for widgets the layer did not make.
    static CNativeWindow* Of(QWidget* widget);
    static CNativeWindow* Find(QWidget* widget);
    static QWidget* Widget(HWND hwnd) { return reinterpret_cast<QWidget*>(hwnd); }
    static HWND Handle(QWidget* widget) { return reinterpret_cast<HWND>(widget); }

    QWidget* widget() const { return m_widget; }
    HWND hwnd() const { return Handle(m_widget); }

    DWORD style = 0;
    DWORD exStyle = 0;
    UINT id = 0;
    CWnd* permanent = nullptr;
    std::unique_ptr<CWnd> temporary;
    CFont* font = nullptr;
    /// Set once WM_DESTROY went out: the widget is about to be deleted.
    bool dying = false;

    /// Delivers a message: to the permanent object's WindowProc, else to DefProc.
    LRESULT Deliver(UINT message, WPARAM wParam, LPARAM lParam);
    /// The native handling of a message (DefWindowProc).
    LRESULT DefProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Post(UINT message, WPARAM wParam, LPARAM lParam);

    /// WM_COMMAND (id, code) to the parent window.
    void Notify(UINT code);
    /// WM_NOTIFY with hdr filled in (from, id, code) to the parent window.
    LRESULT NotifyParent(NMHDR& hdr, UINT code);
    /// Watches a second widget of the control (the viewport of a list, for example)
    /// whose mouse events are the control's.
    void WatchPart(QWidget* part);

    UINT_PTR StartTimer(UINT_PTR userId, UINT elapse);
    bool StopTimer(UINT_PTR userId);

    /// The message being dispatched from a Qt event, if any (innermost).
    static const MSG* CurrentMessage();
    /// The modifier keys of the input event being dispatched (else the keyboard's now).
    static Qt::KeyboardModifiers CurrentModifiers();
    /// Lets Qt handle the event of the message being dispatched now instead of after
    /// the message (so that a handler sees the text a typed character made); Qt does
    /// not see the event again. False when the message comes from no event.
    static bool HandleEventNow();

protected:
    /// False once the widget is being destroyed (by DestroyWindow or by its Qt parent):
    /// its last events must not become messages.
    bool Alive() const;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

    /// The control's own handling of messages that do not come from a Qt event.
    virtual bool HandleControlMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    /// What the control does when the default handling of an event message runs
    /// (for example EN_SETFOCUS on WM_SETFOCUS), before Qt handles the event.
    virtual void OnDefaultEvent(UINT message, WPARAM wParam, LPARAM lParam);
    /// The object FromHandle hands out for a window without a permanent one: of the
    /// control's class, so that the framework's casts of GetDlgItem's result hold.
    virtual std::unique_ptr<CWnd> MakeTemporary() const;
    friend class CWnd;
    /// WM_GETDLGCODE's default answer.
    virtual UINT DialogCode(UINT vk) const {
        (void)vk;
        return 0;
    }
    virtual bool SetText(const CString& text);
    virtual CString GetText() const;

private:
    bool DispatchEvent(QObject* watched, QEvent* event);
    bool DispatchKey(QEvent* event);
    enum class DialogKey { Control, Taken, QtMovesFocus };
    DialogKey HandleDialogKey(UINT vk);
    bool SendFromEvent(UINT message, WPARAM wParam, LPARAM lParam, QEvent* event);
    bool PreTranslate(MSG& msg);
    QPointer<QWidget> m_widget;
    const QMetaObject* m_class;        // the widget's class; a widget in its destructor has lost it
    std::map<int, UINT_PTR> m_timers;  // Qt timer id -> the window's timer id
};

/// Makes the widget of a window class; null for an unknown class.
QWidget* TBCreateNativeWidget(const char* className, const CString& text, DWORD style, DWORD exStyle, const CRect& rect,
                              QWidget* parent, UINT id);
/// The widget's font from a LOGFONT (sizes in pixels, as on a 96 dpi screen).
QFont TBQFontFromLogFont(const LOGFONT& log);
/// The frame around a window's client area (none for child widgets).
QMargins TBFrameMargins(QWidget* window);
/// Text the framework way: bytes in UTF-8.
QString TBQ(const CString& s);
CString TBC(const QString& s);
/// Removes '&' mnemonic markers ("&&" stays one '&').
QString TBStripMnemonic(const QString& s);
/// The "&" mnemonic turned into Qt's (same marker; "&&" kept).
QString TBMnemonicText(const CString& s);
