/// \file
/// \brief Line plots of exchanged channels: axes, grid, engineering-number tick labels, unit notation in the axis labels, a legend.
// Line plots of exchanged channels: axes, grid, engineering-number tick labels, unit
// notation in the axis labels, a legend, and lines decimated to their minimum and
// maximum per pixel column so that millions of values draw fast without losing a peak.
#pragma once

#include <toolbox/types/cstring.h>
#include <toolbox/ui/dc.h>

#include <limits>
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
    /// Visible x range; NaN (the default): from the lowest to the highest x value.
    double xLow = std::numeric_limits<double>::quiet_NaN();
    /// Visible x range's upper end; NaN (the default): the highest x value.
    double xHigh = std::numeric_limits<double>::quiet_NaN();
    /// Visible part of every value axis, as fractions of its whole range (0 and 1: all).
    double yLowFraction = 0;
    /// Upper end of the visible part of every value axis, as a fraction of its range.
    double yHighFraction = 1;
    /// Curves of different units get value axes of their own (the first on the left,
    /// the others on the right), so a current in mA is not a flat line beside volts.
    BOOL axisPerUnit = FALSE;
};

/// One value axis of a drawn plot: its unit and the values at the frame's bottom and top.
struct TBPlotAxis {
    CString unit;  ///< The unit of the curves on the axis (empty: none).
    double low = 0;  ///< The value at the frame's bottom edge.
    double high = 1;  ///< The value at the frame's top edge.
};

/// Where TBDrawPlot put the values, for hosts that map the mouse back to values.
struct TBPlotLayout {
    CRect frame;  ///< The area inside the axes, device units.
    double xLow = 0;  ///< The x value at the frame's left edge.
    double xHigh = 1;  ///< The x value at the frame's right edge.
    std::vector<TBPlotAxis> axes;  ///< The value axes; one unless axisPerUnit split them.
    std::vector<int> curveAxis;  ///< For every curve, the index of its axis.
};

/// Draws the plot into area of dc (device units, MM_TEXT); layout (when given)
/// receives the frame and the visible ranges.
TB_EXPORT void TBDrawPlot(CDC* dc, const CRect& area, const TBPlotData& data, TBPlotLayout* layout = nullptr);

/// Renders the plot into a PNG file, or an SVG file when path ends in ".svg", of
/// width x height pixels. The file appears only when it was written completely; on
/// failure the result is FALSE and error (when given) says why.
TB_EXPORT BOOL TBRenderPlot(const TBPlotData& data, int width, int height, const char* path, CString* error);
