/// \file
/// \brief Random values for statistical runs: uniform values in a range, and values that follow a custom probability density given as a two-column table (abscissa, density) in any data file the exchange engine reads.
// Random values for statistical runs: uniform values in a range, and values that
// follow a custom probability density given as a two-column table (abscissa, density)
// in any data file the exchange engine reads. Each density is loaded once, turned into a cumulative table on an
// even grid of at least ten million points, cached under its file name and sampled by
// inverting the cumulative table.
#pragma once

#include <toolbox/types/maps.h>

struct CTBRndDensity;

/// Draws random numbers from the standard rand() source (seeded once by the
/// constructor with the time). rand() values are taken in the range 0 to 32767.
///
/// Status codes of LoadCustomPDF and GetCustomRNDValue:
/// 0 success; 1 the file does not exist; 2 the abscissae are not strictly ascending
/// (a decrease, two equal values, or a value that is not a finite number); 3 the file
/// holds more than two channels; 4 fewer than two channels; 5 fewer than two rows;
/// 6 the exchange engine could not read the file, the density is unusable (a negative, infinite or
/// missing density value, a total of zero or beyond the double range), the grid
/// would exceed 4294967295 points, or memory ran short.
class TB_EXPORT CTBRnd {
public:
    /// An empty cache; seeds rand() with the current time.
    CTBRnd();
    virtual ~CTBRnd();
    CTBRnd(const CTBRnd&) = delete;
    CTBRnd& operator=(const CTBRnd&) = delete;

    /// rand() * (b - a) / 32767 + a: a for rand() 0, b for rand() 32767.
    double GetUniformRndValue(double a, double b);
    /// Loads (or reloads) the density in file and caches it under that exact name.
    /// A failed load leaves nothing cached under the name.
    int LoadCustomPDF(const char* file);
    /// Forgets the density cached under file; does nothing for an unknown name.
    void FreeCustomPDF(const char* file);
    /// Draws a value that follows the density of file, loading it on first use; the
    /// value is set only when the result is 0. A cached density is used without
    /// touching the file again.
    int GetCustomRNDValue(const char* file, double& value);

protected:
    /// Linear interpolation of the data (x ascending, n points) at each of the m
    /// ascending grid points, into out; extrapolates along the first or last data
    /// segment and gives 0 for a single data point. 0 when n or m is 0, else 1.
    int Interpolate(const double* x, const double* y, UINT n, const double* grid, UINT m, double* out);
    /// Bisection in the ascending table between lo and hi: the index hi of the interval
    /// with table[hi - 1] <= v < table[hi] for v inside the table.
    UINT FindInterval(const double* table, UINT lo, UINT hi, double v);

    // What a cached density holds, for derived classes: the grid point count (0 when
    // nothing is cached under file), and the grid point, interpolated density and
    // cumulative value at grid index k (0 outside the grid). The grid and the density
    // are computed from the file's data; the cumulative values are recomputed from
    // values kept at regular intervals, bit for bit as the full table would hold them.
    /// Number of grid points of the density cached under file; 0 when none is cached.
    UINT GetPDFCount(const char* file) const;
    /// Grid point k of the density cached under file; 0 outside the grid.
    double GetPDFGridPoint(const char* file, UINT k) const;
    /// Interpolated density at grid point k; 0 outside the grid.
    double GetPDFDensity(const char* file, UINT k) const;
    /// Cumulative value at grid point k; 0 outside the grid.
    double GetPDFCumulative(const char* file, UINT k) const;

private:
    const CTBRndDensity* Find(const char* file) const;

    CMapStringToPtr m_densities;  // file name -> CTBRndDensity*
};
