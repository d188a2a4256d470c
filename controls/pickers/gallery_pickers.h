// The gallery pages of the pen and brush pickers (called by the window library's gallery).
#pragma once

#include <QString>

/// Renders the pickers' pages into folder; the number of images written.
int TBRenderPickerGallery(const QString& folder);
