// Gallery helpers the control families share: a window to place samples on, and
// grabbing it together with whatever popup (dropped list, menu) is open over it.
#pragma once

#include <toolbox/ui/wnd.h>

#include <QString>

class QWidget;

namespace tb_gallery {

/// A top-level window of the given size, shown, to place samples on.
bool CreatePanel(CWnd& panel, const char* title, int width, int height);
/// A caption at (x, y) on the panel; the static belongs to the panel's widget.
void AddCaption(CWnd& panel, const char* text, int x, int y, int width = 200);
/// Saves the window into path, with any open popup drawn where it stands.
bool SaveWithPopups(QWidget* window, const QString& path);

}  // namespace tb_gallery
