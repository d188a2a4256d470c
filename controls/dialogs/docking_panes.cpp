#include <toolbox/ui/docking_panes.h>

#include "controls/window/native_window.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

struct CTBDockingPaneManager::Pane {
    CTBDockingPane pane;
    QPointer<QFrame> frame;
};

CTBDockingPaneManager::CTBDockingPaneManager() = default;
CTBDockingPaneManager::~CTBDockingPaneManager() = default;

BOOL CTBDockingPaneManager::InstallDockingPanes(CWnd* site) {
    if (!site || !site->GetSafeHwnd()) return FALSE;
    m_site = site;
    return TRUE;
}

CTBDockingPane* CTBDockingPaneManager::CreatePane(UINT id, const char* title, CWnd* content, TBDockSide side,
                                                  int extent) {
    if (!m_site || !m_site->GetSafeHwnd() || FindPane(id)) return nullptr;
    auto pane = std::make_unique<Pane>();
    pane->pane.id = id;
    pane->pane.title = title ? title : "";
    pane->pane.content = content;
    pane->pane.side = side;
    pane->pane.extent = extent > 0 ? extent : 160;
    auto* frame = new QFrame(m_site->GetWidget());
    frame->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    auto* caption = new QLabel(TBQ(pane->pane.title), frame);
    caption->setStyleSheet(QStringLiteral("background:#dfe6f0;padding:2px 4px;font-weight:bold"));
    layout->addWidget(caption);
    if (content && content->GetWidget()) layout->addWidget(content->GetWidget(), 1);
    else layout->addStretch(1);
    pane->frame = frame;
    frame->show();
    m_panes.push_back(std::move(pane));
    return &m_panes.back()->pane;
}

CTBDockingPane* CTBDockingPaneManager::FindPane(UINT id) const {
    for (const auto& p : m_panes)
        if (p->pane.id == id) return &p->pane;
    return nullptr;
}

void CTBDockingPaneManager::Apply(Pane& pane) {
    if (pane.frame) pane.frame->setVisible(!pane.pane.closed);
}

void CTBDockingPaneManager::ShowPane(UINT id) {
    for (auto& p : m_panes)
        if (p->pane.id == id) {
            p->pane.closed = FALSE;
            Apply(*p);
        }
}

void CTBDockingPaneManager::ClosePane(UINT id) {
    for (auto& p : m_panes)
        if (p->pane.id == id) {
            p->pane.closed = TRUE;
            Apply(*p);
        }
}

BOOL CTBDockingPaneManager::IsPaneClosed(UINT id) const {
    const CTBDockingPane* pane = FindPane(id);
    return pane ? pane->closed : TRUE;
}

void CTBDockingPaneManager::CloseAll() {
    for (auto& p : m_panes) {
        p->pane.closed = TRUE;
        Apply(*p);
    }
}

void CTBDockingPaneManager::SaveState(CTBDockingPaneState& state) const {
    state.closed.clear();
    for (const auto& p : m_panes) state.closed.emplace_back(p->pane.id, p->pane.closed);
}

void CTBDockingPaneManager::RestoreState(const CTBDockingPaneState& state) {
    for (const auto& entry : state.closed)
        for (auto& p : m_panes)
            if (p->pane.id == entry.first) {
                p->pane.closed = entry.second;
                Apply(*p);
            }
}

void CTBDockingPaneManager::LayoutPanes(CRect& area) {
    for (auto& p : m_panes) {
        if (p->pane.closed || !p->frame) continue;
        const long e = p->pane.extent;
        CRect r = area;
        switch (p->pane.side) {
            case TBDockSide::Left:
                r.right = std::min(area.right, area.left + e);
                area.left = r.right;
                break;
            case TBDockSide::Right:
                r.left = std::max(area.left, area.right - e);
                area.right = r.left;
                break;
            case TBDockSide::Top:
                r.bottom = std::min(area.bottom, area.top + e);
                area.top = r.bottom;
                break;
            case TBDockSide::Bottom:
                r.top = std::max(area.top, area.bottom - e);
                area.bottom = r.top;
                break;
        }
        p->frame->setGeometry(static_cast<int>(r.left), static_cast<int>(r.top), static_cast<int>(r.Width()),
                              static_cast<int>(r.Height()));
    }
}
