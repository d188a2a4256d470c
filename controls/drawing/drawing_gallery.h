// The gallery pages of the drawing helpers, symbols and previews.
#pragma once

#include <QString>

/// Writes the pages as PNG files into folder; returns how many were written.
int TBRenderDrawingGallery(const QString& folder);
