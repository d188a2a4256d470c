// The gallery's pages and the helpers that draw them. The window layer draws its own
// pages (standard controls, drawing, dialog templates, menus); every control family
// adds its pages from its own source with a CGalleryPages at namespace scope, so the
// layer knows no family:
//     const CGalleryPages kPages("units", RenderUnitPages);
#pragma once

#include <toolbox/ui/wnd.h>

#include <QString>

#include <initializer_list>
#include <vector>

class QWidget;

/// Renders a family's pages into folder; returns the number of files written.
using TBGalleryRenderer = int (*)(const QString& folder);

/// One family's entry in the gallery.
struct TBGalleryPageSet {
    const char* family;  ///< Orders the families' pages (by name) in a gallery run.
    TBGalleryRenderer render;
    std::vector<UINT> ownTemplates;  ///< Dialog templates the family draws itself, filled.
};

/// Adds a family's pages to the gallery while the library loads.
class CGalleryPages {
public:
    CGalleryPages(const char* family, TBGalleryRenderer render, std::initializer_list<UINT> ownTemplates = {});
};

/// Every family's pages, ordered by family name.
std::vector<TBGalleryPageSet> TBGalleryPageSets();

namespace tb_gallery {

/// A top-level window of the given size, shown, to place samples on.
bool CreatePanel(CWnd& panel, const char* title, int width, int height);
/// A caption at (x, y) on the panel; the static belongs to the panel's widget.
void AddCaption(CWnd& panel, const char* text, int x, int y, int width = 200);
/// Saves the window into path, with any open popup drawn where it stands.
bool SaveWithPopups(QWidget* window, const QString& path);

}  // namespace tb_gallery
