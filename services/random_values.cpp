// Custom densities. The grid of a density is evenly spaced from the smallest to the
// largest abscissa, with a step made ten times finer until there are at least ten
// million points. Only the file's data and a small part of the cumulative table are
// kept: grid points and densities are computed when needed, and because a draw takes
// its rand() value from only 32768 possible ones, the grid cell of every one of them
// is found once at load time. A draw is then two rand() calls and one table look-up,
// and the memory of a density no longer grows with its grid.
#include <toolbox/services/random_values.h>

#include <toolbox/exchange/read_and_write_files.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kRandScale = 3.051850947599719e-5;  // the double nearest 1/32767
constexpr int kRandValues = 32768;
constexpr double kMinGridPoints = 10000000.0;
constexpr double kMaxGridPoints = 4294967295.0;  // the point count is a 32-bit number
// Every kStride-th cumulative value is kept; any other is recomputed from the one before.
constexpr UINT kStride = 256;

/// rand() in the range 0 to 32767 whatever RAND_MAX is (the top 15 bits of a wider one).
inline int Rand15() {
#if RAND_MAX == 32767
    return std::rand();
#else
    static_assert(RAND_MAX == 2147483647, "rand() is expected to give 15 or 31 bits");
    return std::rand() >> 16;
#endif
}

inline double UniformFromRand(int r, double a, double b) { return r * (b - a) * kRandScale + a; }

// ---------------------------------------------------------------------------------
// Reading the table through the exchange engine: any data file it reads can hold a
// density, the reader chosen by the file's extension. Channel 0 holds the abscissae,
// channel 1 the densities.

enum ReadStatus { kRead = 0, kTooManyColumns = 3, kTooFewColumns = 4, kTooFewRows = 5, kUnreadable = 6 };

/// Blocks of doubles handed to the engine's channels; they are taken back and freed
/// however the read ends (a channel frees a replaced block, never its last one).
class ChannelBlocks {
public:
    explicit ChannelBlocks(CReadAndWriteFiles& files) : m_files(files) {}
    ~ChannelBlocks() {
        for (int c = 0; c < m_attached; ++c)
            if (CExImPortChannel* channel = m_files.GetChannel(c)) channel->SetDoublePtr(nullptr);
    }
    ChannelBlocks(const ChannelBlocks&) = delete;
    ChannelBlocks& operator=(const ChannelBlocks&) = delete;

    /// Gives channels 0 and 1 a block of n doubles each; false when a channel is missing.
    bool Attach(size_t n) {
        for (int c = 0; c < 2; ++c) {
            CExImPortChannel* channel = m_files.GetChannel(c);
            if (!channel) return false;
            channel->SetDoublePtr(new double[n]());
            m_attached = c + 1;
        }
        return true;
    }
    const double* Values(int channel) const { return m_files.GetChannel(channel)->GetDoublePtr(); }

private:
    CReadAndWriteFiles& m_files;
    int m_attached = 0;
};

/// The abscissae and densities of file, with a status: 0, or 3 to 6 as LoadCustomPDF.
int ReadDensityTable(const char* file, std::vector<double>& x, std::vector<double>& y) {
    CReadAndWriteFiles files;
    if (!files.ReadInfoFile(file, "", -1, nullptr, nullptr, 0, 0, 2)) return kUnreadable;
    int channels = files.GetNrChannels();
    if (channels > 2) return kTooManyColumns;
    if (channels < 2) return kTooFewColumns;
    int items = files.GetNrItems();
    if (items < 2) return kTooFewRows;
    size_t n = static_cast<size_t>(items);
    ChannelBlocks blocks(files);
    if (!blocks.Attach(n)) return kUnreadable;
    // 2 is a read with warnings: the values are there.
    int read = files.ReadDataFile();
    if (read != 1 && read != 2) return kUnreadable;
    x.assign(blocks.Values(0), blocks.Values(0) + n);
    y.assign(blocks.Values(1), blocks.Values(1) + n);
    return kRead;
}

}  // namespace

// ---------------------------------------------------------------------------------
// A cached density: the file's points, the grid parameters, every kStride-th value of
// the cumulative table and the grid cell that each of the 32768 rand() values selects.
struct CTBRndDensity {
    std::vector<double> x, y;
    double first = 0, last = 0, step = 0;
    UINT count = 0;
    double total = 0;  // the last cumulative value
    std::vector<double> kept;
    std::vector<UINT> cells;

    /// Grid point k: first + k * step, never beyond the largest abscissa, which is
    /// exactly the last grid point.
    double GridPoint(UINT k) const {
        if (k + 1 >= count) return last;
        double g = first + k * step;
        return g <= last ? g : last;
    }
};

namespace {

/// Linear interpolation of ascending data at ascending abscissae: the data index only
/// moves forward. Exact data points give their own value; between points, and beyond
/// the data, the straight line through the neighbouring (or nearest two) points.
class Interpolator {
public:
    Interpolator(const double* x, const double* y, size_t n, size_t start = 0) : m_x(x), m_y(y), m_n(n), m_i(start) {}

    double At(double g) {
        while (m_i < m_n && m_x[m_i] < g) ++m_i;
        if (m_i == m_n) return m_n > 1 ? Line(m_n - 2, g) : 0.0;
        if (m_x[m_i] == g) return m_y[m_i];
        if (m_i > 0) return Line(m_i - 1, g);
        return m_n > 1 ? Line(0, g) : 0.0;
    }

private:
    /// The line through points a and a + 1 at g; slope and offset are kept per segment.
    double Line(size_t a, double g) {
        if (a != m_line) {
            m_line = a;
            m_slope = (m_y[a + 1] - m_y[a]) / (m_x[a + 1] - m_x[a]);
            m_offset = m_y[a] - m_slope * m_x[a];
        }
        return m_slope * g + m_offset;
    }

    const double* m_x;
    const double* m_y;
    size_t m_n;
    size_t m_i;
    size_t m_line = static_cast<size_t>(-1);
    double m_slope = 0, m_offset = 0;
};

Interpolator DensityFrom(const CTBRndDensity& d, UINT k) {
    double g = d.GridPoint(k);
    size_t start = static_cast<size_t>(std::lower_bound(d.x.begin(), d.x.end(), g) - d.x.begin());
    return Interpolator(d.x.data(), d.y.data(), d.x.size(), start);
}

/// The first grid index in [lo, hi) whose point is at or above target, else hi.
UINT FirstGridIndexAtOrAbove(const CTBRndDensity& d, double target, UINT lo, UINT hi) {
    while (lo < hi) {
        UINT mid = lo + (hi - lo) / 2;
        if (d.GridPoint(mid) >= target)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

/// Integrates the density by trapezoids over grid points from..to, starting with the
/// cumulative value at `from`; visit(k, value) sees every value in order. The values
/// are those of the interpolated density on the grid; the grid points strictly between
/// two data points all lie on one line, which is worked in one tight loop.
template <class Visit>
void WalkCumulative(const CTBRndDensity& d, UINT from, UINT to, double atFrom, Visit&& visit) {
    const double* x = d.x.data();
    const double* y = d.y.data();
    Interpolator density = DensityFrom(d, from);
    double g = d.GridPoint(from);
    double p = density.At(g);
    double cumulative = atFrom;
    visit(from, cumulative);
    size_t i = static_cast<size_t>(std::lower_bound(d.x.begin(), d.x.end(), g) - d.x.begin());
    std::uint64_t k = std::uint64_t(from) + 1;
    while (k <= to) {
        double gk = d.GridPoint(static_cast<UINT>(k));
        while (x[i] < gk) ++i;  // stays inside: no grid point lies beyond the last abscissa
        if (x[i] == gk || i == 0) {
            double pk = density.At(gk);
            cumulative = cumulative + (gk - g) * (p + pk) / 2;
            g = gk;
            p = pk;
            visit(static_cast<UINT>(k), cumulative);
            ++k;
            continue;
        }
        // Points k .. end-1 lie strictly between x[i-1] and x[i]: below the last grid
        // point and below the largest abscissa, so first + k * step is their value.
        UINT end = FirstGridIndexAtOrAbove(d, x[i], static_cast<UINT>(k), to + 1);  // to < 2^32 - 1
        const double slope = (y[i] - y[i - 1]) / (x[i] - x[i - 1]);
        const double offset = y[i - 1] - slope * x[i - 1];
        const double first = d.first, step = d.step;
        for (; k < end; ++k) {
            gk = first + static_cast<UINT>(k) * step;
            double pk = slope * gk + offset;
            cumulative = cumulative + (gk - g) * (p + pk) / 2;
            g = gk;
            p = pk;
            visit(static_cast<UINT>(k), cumulative);
        }
    }
}

/// The whole cumulative table, keeping every kStride-th value and the last one.
bool Integrate(CTBRndDensity& d) {
    d.kept.assign((d.count - 1) / kStride + 1, 0.0);
    double* kept = d.kept.data();
    double total = 0;
    WalkCumulative(d, 0, d.count - 1, 0.0, [&](UINT k, double value) {
        if (k % kStride == 0) kept[k / kStride] = value;
        total = value;
    });
    d.total = total;
    return std::isfinite(total) && total > 0;
}

/// For every rand() value r, the grid cell i (1 .. count-1) that the draw selects: the
/// first index whose cumulative value exceeds u = r * total / 32767, limited to the
/// last index; grid[i-1] <= value <= grid[i] follows. This is the cell that bisection
/// over the full table finds.
void FindCells(CTBRndDensity& d) {
    const UINT lastIndex = d.count - 1;
    d.cells.assign(kRandValues, lastIndex);
    std::vector<double> block;
    UINT blockFrom = UINT_MAX;
    for (int r = 0; r < kRandValues; ++r) {
        double u = UniformFromRand(r, 0.0, d.total);
        // The kept value at or below u opens the block that holds the answer.
        size_t j = static_cast<size_t>(std::upper_bound(d.kept.begin(), d.kept.end(), u) - d.kept.begin());
        UINT from = static_cast<UINT>((j - 1) * kStride);
        if (from != blockFrom) {
            blockFrom = from;
            UINT to = lastIndex - from > kStride ? from + kStride : lastIndex;
            block.clear();
            WalkCumulative(d, from, to, d.kept[j - 1], [&](UINT, double value) { block.push_back(value); });
        }
        size_t above = static_cast<size_t>(std::upper_bound(block.begin(), block.end(), u) - block.begin());
        if (above < block.size()) d.cells[r] = from + static_cast<UINT>(above);
    }
}

/// Checks the data and fills in the grid; returns 0 or the status code.
int PrepareGrid(CTBRndDensity& d) {
    const std::vector<double>& x = d.x;
    size_t n = x.size();
    double h = std::numeric_limits<double>::infinity();
    for (size_t k = 0; k < n; ++k) {
        if (!std::isfinite(x[k])) return 2;
        if (k > 0) {
            double difference = x[k] - x[k - 1];
            // Equal abscissae would leave no grid step: rejected like a decrease.
            if (!(difference > 0)) return 2;
            h = std::min(h, difference);
        }
    }
    for (double density : d.y)
        if (!(density >= 0) || !std::isfinite(density)) return 6;
    double range = x[n - 1] - x[0];
    if (!std::isfinite(range)) return 6;
    while ((range + h) / h < kMinGridPoints) h *= 0.1;
    double points = (range + h) / h;
    if (!(points <= kMaxGridPoints) || !(h > 0)) return 6;
    d.first = x[0];
    d.last = x[n - 1];
    d.step = h;
    d.count = static_cast<UINT>(points);
    return 0;
}

}  // namespace

CTBRnd::CTBRnd() { std::srand(static_cast<unsigned>(std::time(nullptr))); }

CTBRnd::~CTBRnd() {
    POSITION pos = m_densities.GetStartPosition();
    while (pos) {
        CString name;
        void* record = nullptr;
        m_densities.GetNextAssoc(pos, name, record);
        delete static_cast<CTBRndDensity*>(record);
    }
    m_densities.RemoveAll();
}

double CTBRnd::GetUniformRndValue(double a, double b) { return UniformFromRand(Rand15(), a, b); }

const CTBRndDensity* CTBRnd::Find(const char* file) const {
    if (!file) return nullptr;
    void* const* record = m_densities.PLookup(file);
    return record ? static_cast<const CTBRndDensity*>(*record) : nullptr;
}

void CTBRnd::FreeCustomPDF(const char* file) {
    if (const CTBRndDensity* record = Find(file)) {
        delete record;
        m_densities.RemoveKey(file);
    }
}

int CTBRnd::LoadCustomPDF(const char* file) {
    FreeCustomPDF(file);
    if (!file || access(file, F_OK) != 0) return 1;
    try {
        std::unique_ptr<CTBRndDensity> d(new CTBRndDensity);
        if (int status = ReadDensityTable(file, d->x, d->y)) return status;
        if (int status = PrepareGrid(*d)) return status;
        if (!Integrate(*d)) return 6;
        FindCells(*d);
        m_densities.SetAt(file, d.release());
        return 0;
    } catch (const std::bad_alloc&) {
        return 6;
    }
}

int CTBRnd::GetCustomRNDValue(const char* file, double& value) {
    const CTBRndDensity* d = Find(file);
    if (!d) {
        if (int status = LoadCustomPDF(file)) return status;
        d = Find(file);
        if (!d) return 6;
    }
    if (d->count < 2 || d->cells.size() != kRandValues) return 6;
    UINT cell = d->cells[static_cast<size_t>(Rand15())];
    value = UniformFromRand(Rand15(), d->GridPoint(cell - 1), d->GridPoint(cell));
    return 0;
}

int CTBRnd::Interpolate(const double* x, const double* y, UINT n, const double* grid, UINT m, double* out) {
    if (n == 0 || m == 0) return 0;
    Interpolator density(x, y, n);
    for (UINT k = 0; k < m; ++k) out[k] = density.At(grid[k]);
    return 1;
}

UINT CTBRnd::FindInterval(const double* table, UINT lo, UINT hi, double v) {
    while (hi > lo && hi - lo >= 2) {
        UINT mid = lo + (hi - lo) / 2;
        if (v < table[mid])
            hi = mid;
        else
            lo = mid;
    }
    return hi;
}

UINT CTBRnd::GetPDFCount(const char* file) const {
    const CTBRndDensity* d = Find(file);
    return d ? d->count : 0;
}

double CTBRnd::GetPDFGridPoint(const char* file, UINT k) const {
    const CTBRndDensity* d = Find(file);
    return d && k < d->count ? d->GridPoint(k) : 0.0;
}

double CTBRnd::GetPDFDensity(const char* file, UINT k) const {
    const CTBRndDensity* d = Find(file);
    if (!d || k >= d->count) return 0.0;
    return DensityFrom(*d, k).At(d->GridPoint(k));
}

double CTBRnd::GetPDFCumulative(const char* file, UINT k) const {
    const CTBRndDensity* d = Find(file);
    if (!d || k >= d->count) return 0.0;
    double result = 0;
    UINT from = k / kStride * kStride;
    WalkCumulative(*d, from, k, d->kept[k / kStride], [&](UINT, double value) { result = value; });
    return result;
}
