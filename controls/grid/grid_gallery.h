// The gallery pages of the editable grid (called by the window library's gallery).
#pragma once

#include <QString>

/// Renders the grid's pages into folder; the number of images written.
int TBRenderGridGallery(const QString& folder);
