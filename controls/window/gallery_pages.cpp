// The gallery's registry of family pages, and the helpers the pages share.
#include "controls/window/gallery_pages.h"

#include <toolbox/ui/controls.h>

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <algorithm>
#include <cstring>

namespace {

// Filled while the library loads (the families' CGalleryPages), read-only afterwards.
// A function-local object, so that it exists before the first family registers
// whatever the order in which the sources' objects are made.
std::vector<TBGalleryPageSet>& Registered() {
    static std::vector<TBGalleryPageSet> pages;
    return pages;
}

}  // namespace

CGalleryPages::CGalleryPages(const char* family, TBGalleryRenderer render, std::initializer_list<UINT> ownTemplates) {
    Registered().push_back({family, render, ownTemplates});
}

std::vector<TBGalleryPageSet> TBGalleryPageSets() {
    std::vector<TBGalleryPageSet> pages = Registered();
    // The order the sources were linked in is no order to rely on; the names are.
    std::stable_sort(pages.begin(), pages.end(), [](const TBGalleryPageSet& a, const TBGalleryPageSet& b) {
        return std::strcmp(a.family, b.family) < 0;
    });
    return pages;
}

namespace tb_gallery {

bool CreatePanel(CWnd& panel, const char* title, int width, int height) {
    if (!panel.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, CRect(0, 0, width, height), nullptr, 0)) return false;
    panel.GetWidget()->show();
    QCoreApplication::processEvents();
    return true;
}

void AddCaption(CWnd& panel, const char* text, int x, int y, int width) {
    // Owned by the panel's widget: it goes when the panel does.
    auto* label = new CStatic;
    label->Create(text, WS_CHILD | WS_VISIBLE | SS_LEFT, CRect(x, y, x + width, y + 16), &panel);
    label->Detach();
    delete label;
}

bool SaveWithPopups(QWidget* window, const QString& path) {
    window->show();
    QCoreApplication::processEvents();
    QPixmap shot = window->grab();
    // Every open popup (a dropped list, a menu and its open submenu), the active one last.
    std::vector<QWidget*> popups;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->windowType() == Qt::Popup && w != QApplication::activePopupWidget()) popups.push_back(w);
    if (QWidget* active = QApplication::activePopupWidget()) popups.push_back(active);
    if (popups.empty()) return shot.save(path, "PNG");
    QRect needed(QPoint(0, 0), shot.size());
    for (QWidget* p : popups) needed = needed.united(QRect(window->mapFromGlobal(p->mapToGlobal(QPoint(0, 0))), p->size()));
    QPixmap canvas(needed.size());
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    painter.translate(-needed.topLeft());
    painter.drawPixmap(0, 0, shot);
    for (QWidget* p : popups) painter.drawPixmap(window->mapFromGlobal(p->mapToGlobal(QPoint(0, 0))), p->grab());
    painter.end();
    return canvas.save(path, "PNG");
}

}  // namespace tb_gallery
