/// \file
/// \brief Line plots of exchanged channels: axes, grid, engineering-number tick labels, unit notation in the axis labels, a legend.
// Line plots of exchanged channels: axes, grid, engineering-number tick labels, unit
// notation in the axis labels, a legend, and lines decimated to their minimum and
// maximum per pixel column so that millions of values draw fast without losing a peak.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/dc.h>

#include <vector>

/// One curve: values (not owned) with their name and unit.
struct TBPlotChannel {
    CString name;  ///< Name shown in the legend (or the x axis label).
    CString unit;  ///< Unit, in unit notation.
    const double* values = nullptr;  ///< The values; not owned, must live while the plot is drawn.
    int count = 0;  ///< Number of values.
};

/// What a plot shows. Without an x channel the values are drawn over their index.
struct TBPlotData {
    TBPlotChannel x;  ///< The x values; values null: curves drawn over their index.
    std::vector<TBPlotChannel> curves;  ///< The curves drawn over x.
    CString title;  ///< Title above the plot; empty: none.
};

/// Draws the plot into area of dc (device units, MM_TEXT).
TB_EXPORT void TBDrawPlot(CDC* dc, const CRect& area, const TBPlotData& data);

/// Renders the plot into a PNG file, or an SVG file when path ends in ".svg", of
/// width x height pixels. The file appears only when it was written completely; on
/// failure the result is FALSE and error (when given) says why.
TB_EXPORT BOOL TBRenderPlot(const TBPlotData& data, int width, int height, const char* path, CString* error);
