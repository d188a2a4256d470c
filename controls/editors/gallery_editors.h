// The gallery pages of the in-place editors (called by the window library's gallery).
#pragma once

#include <QString>

/// Renders the editors' pages into folder; the number of images written.
int TBRenderEditorGallery(const QString& folder);
