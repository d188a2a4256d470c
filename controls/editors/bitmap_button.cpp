// The bitmap button: four state bitmaps found by its caption, a tooltip by caption.
#include "controls/editors/editor_keys.h"

#include <QWidget>

#include "controls/window/native_window.h"

#include <toolbox/resources/string_table.h>
#include <toolbox/ui/dc.h>

#include <QAbstractButton>
#include <QPainter>

#include <cstring>

namespace {

struct CaptionTip {
    const char* caption;
    UINT stringId;
};
const CaptionTip kTips[] = {{"NEW", 5535},    {"DEL", 5536},         {"DELETE", 5536},    {"DELALL", 5537},
                            {"DELETEALL", 5537}, {"UP", 5538},       {"DOWN", 5539},      {"COMPONENT", 5540},
                            {"FILEOPEN", 5541},  {"CHECK", 5542}};

}  // namespace

CTBBitmapButton::CTBBitmapButton() = default;
CTBBitmapButton::~CTBBitmapButton() = default;

UINT CTBBitmapButton::ToolTipIdOfCaption(const CString& caption) {
    for (const CaptionTip& tip : kTips)
        if (std::strcmp(tip.caption, caption.GetString()) == 0) return tip.stringId;
    return 0;
}

BOOL CTBBitmapButton::AutoLoad(UINT id, CWnd* parent) {
    if (!SubclassDlgItem(id, parent)) return FALSE;
    const CString caption = GetWindowText();
    // The tooltip follows the caption whether or not bitmaps exist for it.
    const UINT tip = ToolTipIdOfCaption(caption);
    SetToolTipText(tip ? TBLoadString(tip) : CString());
    const BOOL loaded = LoadBitmaps(caption + "U", caption + "D", caption + "F", caption + "X");
    if (loaded) SizeToContent();
    return loaded;
}

BOOL CTBBitmapButton::LoadBitmaps(LPCTSTR up, LPCTSTR down, LPCTSTR focus, LPCTSTR disabled) {
    LPCTSTR names[4] = {up, down, focus, disabled};
    for (int i = 0; i < 4; ++i) {
        m_bitmaps[i].reset();
        if (!names[i]) continue;
        auto bitmap = std::make_unique<CBitmap>();
        if (TBLoadLibraryBitmap(names[i], *bitmap)) m_bitmaps[i] = std::move(bitmap);
    }
    if (m_hWnd) Invalidate();
    return m_bitmaps[0] != nullptr;
}

BOOL CTBBitmapButton::LoadBitmaps(UINT up, UINT down, UINT focus, UINT disabled) {
    auto name = [](UINT id) {
        CString text;
        if (id) text.Format("#%u", id);
        return text;
    };
    const CString n[4] = {name(up), name(down), name(focus), name(disabled)};
    return LoadBitmaps(up ? n[0].GetString() : nullptr, down ? n[1].GetString() : nullptr,
                       focus ? n[2].GetString() : nullptr, disabled ? n[3].GetString() : nullptr);
}

CBitmap* CTBBitmapButton::GetStateBitmap(int state) const {
    return state >= 0 && state < 4 ? m_bitmaps[state].get() : nullptr;
}

void CTBBitmapButton::SetToolTipText(UINT stringId) { SetToolTipText(TBLoadString(stringId)); }

void CTBBitmapButton::SetToolTipText(LPCTSTR text) {
    m_tip = text ? text : "";
    ApplyTip();
}

void CTBBitmapButton::ApplyTip() {
    if (QWidget* w = GetWidget()) w->setToolTip(TBQ(m_tip));
}

void CTBBitmapButton::SizeToContent() {
    if (!m_bitmaps[0] || !m_hWnd) return;
    const CSize size = m_bitmaps[0]->GetBitmapDimension();
    SetWindowPos(nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CTBBitmapButton::Paint() {
    auto* button = qobject_cast<QAbstractButton*>(GetWidget());
    const bool enabled = IsWindowEnabled();
    int state = 0;
    if (!enabled)
        state = 3;
    else if (button && button->isDown())
        state = 1;
    else if (GetWidget()->hasFocus())
        state = 2;
    // A missing state falls back on the up bitmap, as the framework's button does.
    CBitmap* bitmap = m_bitmaps[state] ? m_bitmaps[state].get() : m_bitmaps[0].get();
    CPaintDC dc(this);
    if (QPainter* p = dc.GetPainter())
        if (bitmap && bitmap->GetImage()) p->drawImage(0, 0, *bitmap->GetImage());
}

LRESULT CTBBitmapButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT && m_bitmaps[0]) {
        Paint();
        return 0;
    }
    return CButton::WindowProc(message, wParam, lParam);
}
