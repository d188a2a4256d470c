// The gallery pages of the unit-aware controls (called by the window library's gallery).
#pragma once

#include <QString>

/// Renders the unit controls' pages into folder; the number of images written.
int TBRenderUnitGallery(const QString& folder);
