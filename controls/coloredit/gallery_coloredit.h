// The colouring editor's page of the gallery.
#pragma once

class QString;

/// Renders a SPICE netlist and a formula block coloured by the shipped descriptions
/// into folder; the number of PNG files written.
int TBRenderColorRichEditGallery(const QString& folder);
