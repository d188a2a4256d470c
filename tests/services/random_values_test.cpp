// Random values: uniform values, every status code of loading a density, the cache,
// bit-for-bit agreement with the plain full-table algorithm (grid, interpolated
// density, trapezoid cumulative table, bisection), and a Kolmogorov-Smirnov check that
// drawn values follow the density.
#include <toolbox/services/random_values.h>
#include "tests/support/env.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr double kFactor = 3.051850947599719e-5;

// rand() in the 0 .. 32767 range the library works with.
int Rand15() {
#if RAND_MAX == 32767
    return std::rand();
#else
    return std::rand() >> 16;
#endif
}

class TestRnd : public CTBRnd {
public:
    using CTBRnd::FindInterval;
    using CTBRnd::GetPDFCount;
    using CTBRnd::GetPDFCumulative;
    using CTBRnd::GetPDFDensity;
    using CTBRnd::GetPDFGridPoint;
    using CTBRnd::Interpolate;
};

/// A scratch directory for densities. They are .csv files, which the exchange engine
/// reads in the user's numeric locale: pinned to C ("," separates, "." is the decimal symbol).
struct TempDir {
    tbtest::ScopedEnv locale{"LC_ALL", "C"};
    tbtest::ScratchDir dir;
    std::string Write(const std::string& name, const std::string& text) const {
        tbtest::WriteFile(dir / name, text);
        return dir / name;
    }
};

/// The full-table algorithm written out plainly: every array of grid length.
struct FullTable {
    std::vector<double> grid, pdf, cdf;
    unsigned count = 0;

    FullTable(TestRnd& rnd, const std::vector<double>& x, const std::vector<double>& y) {
        size_t n = x.size();
        double h = x[1] - x[0];
        for (size_t k = 2; k < n; ++k) h = std::min(h, x[k] - x[k - 1]);
        double range = x[n - 1] - x[0];
        while ((range + h) / h < 10000000) h *= 0.1;
        count = static_cast<unsigned>((range + h) / h);
        grid.assign(count, x[n - 1]);
        for (unsigned k = 0; k < count && x[0] + k * h <= x[n - 1]; ++k) grid[k] = x[0] + k * h;
        grid[count - 1] = x[n - 1];
        pdf.resize(count);
        rnd.Interpolate(x.data(), y.data(), static_cast<UINT>(n), grid.data(), count, pdf.data());
        cdf.assign(count, 0.0);
        for (unsigned k = 1; k < count; ++k) cdf[k] = cdf[k - 1] + (grid[k] - grid[k - 1]) * (pdf[k - 1] + pdf[k]) / 2;
    }

    /// The value a draw gives for the two rand() values r1 and r2.
    double Draw(TestRnd& rnd, int r1, int r2) const {
        unsigned last = count - 1;
        double u = r1 * (cdf[last] - cdf[0]) * kFactor + cdf[0];
        unsigned i = 1;
        if (last >= 2) {
            unsigned half = last / 2;
            i = u < cdf[half] ? rnd.FindInterval(cdf.data(), 0, half, u) : rnd.FindInterval(cdf.data(), half, last, u);
        }
        return r2 * (grid[i] - grid[i - 1]) * kFactor + grid[i - 1];
    }
};

std::string TableText(const std::vector<double>& x, const std::vector<double>& y) {
    std::string text = "\"x\",\"density\"\n";
    char line[80];
    for (size_t k = 0; k < x.size(); ++k) {
        std::snprintf(line, sizeof line, "%.17g,%.17g\n", x[k], y[k]);
        text += line;
    }
    return text;
}

}  // namespace

TEST(RndUniform, FormulaAndEnds) {
    CTBRnd rnd;
    EXPECT_EQ(rnd.GetUniformRndValue(2.5, 2.5), 2.5);
    for (unsigned seed = 1; seed < 200; ++seed) {
        std::srand(seed);
        int r = Rand15();
        std::srand(seed);
        EXPECT_EQ(rnd.GetUniformRndValue(-3.0, 5.0), r * (5.0 - -3.0) * kFactor + -3.0);
    }
    // The positions in the sequence of seed 1 where rand() gives 0 and 32767 give
    // exactly a and exactly b.
    for (int wanted : {0, 32767}) {
        std::srand(1);
        long position = 0;
        while (Rand15() != wanted) ++position;
        std::srand(1);
        for (long k = 0; k < position; ++k) std::rand();
        EXPECT_EQ(rnd.GetUniformRndValue(-3.0, 5.0), wanted == 0 ? -3.0 : 5.0);
    }
}

TEST(RndLoad, StatusCodes) {
    TempDir dir;
    TestRnd rnd;
    EXPECT_EQ(rnd.LoadCustomPDF((dir.dir / "missing.csv").c_str()), 1);
    EXPECT_EQ(rnd.LoadCustomPDF(nullptr), 1);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("decrease.csv", "0,1\n1,1\n0.5,1\n").c_str()), 2);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("equal.csv", "0,1\n1,1\n1,2\n2,1\n").c_str()), 2);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("nanx.csv", "0,1\n1.#NAN,1\n2,1\n").c_str()), 2);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("three.csv", "0,1,2\n1,1,2\n").c_str()), 3);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("one.csv", "0\n1\n2\n").c_str()), 4);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("empty.csv", "").c_str()), 4);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("onerow.csv", "\"x\",\"p\"\n0,1\n").c_str()), 5);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("negative.csv", "0,1\n1,-0.5\n2,1\n").c_str()), 6);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("nandensity.csv", "0,1\n1,1.#NAN\n2,1\n").c_str()), 6);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("infdensity.csv", "0,1\n1,1.#INF\n2,1\n").c_str()), 6);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("zero.csv", "0,0\n1,0\n2,0\n").c_str()), 6);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("overflow.csv", "0,1e308\n1e308,1e308\n").c_str()), 6);
    // The smallest step against the range would need more than 2^32 grid points.
    EXPECT_EQ(rnd.LoadCustomPDF(dir.Write("fine.csv", "0,1\n1e-9,1\n1000,1\n").c_str()), 6);
    EXPECT_EQ(rnd.LoadCustomPDF(dir.dir.Path().c_str()), 6);  // a directory cannot be read
    for (const char* name : {"decrease.csv", "three.csv", "onerow.csv", "zero.csv"})
        EXPECT_EQ(rnd.GetPDFCount((dir.dir / name).c_str()), 0u) << name;
    double value = 123;
    EXPECT_EQ(rnd.GetCustomRNDValue((dir.dir / "three.csv").c_str(), value), 3);
    EXPECT_EQ(rnd.GetCustomRNDValue((dir.dir / "missing.csv").c_str(), value), 1);
    EXPECT_EQ(value, 123);
}

TEST(RndLoad, TableLayouts) {
    TempDir dir;
    TestRnd rnd;
    // Read by the exchange engine as .csv in the user's locale (the C locale here:
    // "," separates, "." is the decimal symbol): a quoted title line, CR LF, no final
    // line break, a byte order mark.
    const char* layouts[] = {
        "\"x (s)\",\"p\"\r\n0,0.5\r\n2.5,0.5\r\n",
        "0,0.5\n2.5,0.5",
        ("\xEF\xBB\xBF"
         "0,0.5\n2.5,0.5\n"),
    };
    for (const char* text : layouts) {
        std::string file = dir.Write("layout.csv", text);
        ASSERT_EQ(rnd.LoadCustomPDF(file.c_str()), 0) << text;
        UINT count = rnd.GetPDFCount(file.c_str());
        EXPECT_EQ(rnd.GetPDFGridPoint(file.c_str(), count - 1), 2.5) << text;
        EXPECT_NEAR(rnd.GetPDFCumulative(file.c_str(), count - 1), 1.25, 1e-9) << text;
    }
}

TEST(RndLoad, ConstantDensityRisesLinearly) {
    TempDir dir;
    TestRnd rnd;
    std::string file = dir.Write("flat.csv", "0,0.1\n10,0.1\n");
    ASSERT_EQ(rnd.LoadCustomPDF(file.c_str()), 0);
    UINT count = rnd.GetPDFCount(file.c_str());
    EXPECT_GE(count, 10000000u);
    EXPECT_EQ(rnd.GetPDFGridPoint(file.c_str(), 0), 0.0);
    EXPECT_EQ(rnd.GetPDFGridPoint(file.c_str(), count - 1), 10.0);
    EXPECT_NEAR(rnd.GetPDFCumulative(file.c_str(), count - 1), 1.0, 1e-9);
    for (UINT k = 0; k < count; k += count / 7) {
        EXPECT_NEAR(rnd.GetPDFCumulative(file.c_str(), k), 0.1 * rnd.GetPDFGridPoint(file.c_str(), k), 1e-9);
        EXPECT_DOUBLE_EQ(rnd.GetPDFDensity(file.c_str(), k), 0.1);
    }
    EXPECT_EQ(rnd.GetPDFCumulative(file.c_str(), count), 0.0);
    double low = 10, high = 0;
    for (int k = 0; k < 20000; ++k) {
        double v = -1;
        ASSERT_EQ(rnd.GetCustomRNDValue(file.c_str(), v), 0);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    EXPECT_GE(low, 0.0);
    EXPECT_LE(high, 10.0);
    EXPECT_LT(low, 0.01);
    EXPECT_GT(high, 9.99);
}

TEST(RndCache, LoadsOnFirstUseAndKeepsTheDensity) {
    TempDir dir;
    TestRnd rnd;
    std::string file = dir.Write("cached.csv", "0,1\n4,1\n");
    double value = -1;
    ASSERT_EQ(rnd.GetCustomRNDValue(file.c_str(), value), 0);
    EXPECT_GE(value, 0.0);
    EXPECT_LE(value, 4.0);
    // The second call must not need the file any more.
    ASSERT_EQ(std::remove(file.c_str()), 0);
    ASSERT_EQ(rnd.GetCustomRNDValue(file.c_str(), value), 0);
    rnd.FreeCustomPDF("never loaded");
    rnd.FreeCustomPDF(nullptr);
    EXPECT_GT(rnd.GetPDFCount(file.c_str()), 0u);
    rnd.FreeCustomPDF(file.c_str());
    EXPECT_EQ(rnd.GetPDFCount(file.c_str()), 0u);
    EXPECT_EQ(rnd.GetCustomRNDValue(file.c_str(), value), 1);

    // A failed reload leaves nothing under the name.
    dir.Write("cached.csv", "0,1\n4,1\n");
    ASSERT_EQ(rnd.LoadCustomPDF(file.c_str()), 0);
    dir.Write("cached.csv", "0,1,1\n4,1,1\n");
    EXPECT_EQ(rnd.LoadCustomPDF(file.c_str()), 3);
    EXPECT_EQ(rnd.GetPDFCount(file.c_str()), 0u);
}

TEST(RndAlgorithm, InterpolateAndFindInterval) {
    TestRnd rnd;
    const double x[] = {1, 2, 4};
    const double y[] = {10, 20, 0};
    const double grid[] = {0, 1, 1.5, 2, 3, 4, 5};
    double out[7];
    EXPECT_EQ(rnd.Interpolate(x, y, 3, grid, 0, out), 0);
    EXPECT_EQ(rnd.Interpolate(x, y, 0, grid, 7, out), 0);
    ASSERT_EQ(rnd.Interpolate(x, y, 3, grid, 7, out), 1);
    const double expected[] = {0, 10, 15, 20, 10, 0, -10};
    for (int k = 0; k < 7; ++k) EXPECT_DOUBLE_EQ(out[k], expected[k]) << k;
    ASSERT_EQ(rnd.Interpolate(x, y, 1, grid, 7, out), 1);
    for (int k = 0; k < 7; ++k) EXPECT_EQ(out[k], k == 1 ? 10.0 : 0.0) << k;

    const double table[] = {0, 1, 1, 2, 5, 9};
    EXPECT_EQ(rnd.FindInterval(table, 0, 5, 0.5), 1u);
    EXPECT_EQ(rnd.FindInterval(table, 0, 5, 1.0), 3u);
    EXPECT_EQ(rnd.FindInterval(table, 0, 5, 4.0), 4u);
    EXPECT_EQ(rnd.FindInterval(table, 0, 5, 9.0), 5u);
    EXPECT_EQ(rnd.FindInterval(table, 2, 3, 100.0), 3u);
    EXPECT_EQ(rnd.FindInterval(table, 3, 2, 100.0), 2u);
}

// Grid, density, cumulative table and every draw agree exactly with the full-table
// algorithm, including flat stretches of zero density where the bisection meets ties.
TEST(RndAlgorithm, SameValuesAsTheFullTable) {
    TempDir dir;
    TestRnd rnd;
    const std::vector<double> x = {0, 1, 2.5, 4, 5, 6.5, 8, 9, 10};
    const std::vector<double> y = {0, 0.2, 1, 0, 0, 0.4, 1.3, 0.9, 0};
    std::string file = dir.Write("shape.csv", TableText(x, y));
    ASSERT_EQ(rnd.LoadCustomPDF(file.c_str()), 0);
    FullTable full(rnd, x, y);
    ASSERT_EQ(rnd.GetPDFCount(file.c_str()), full.count);
    for (unsigned k = 0; k < full.count; k += k < 3000 ? 1 : 1009) {
        ASSERT_EQ(rnd.GetPDFGridPoint(file.c_str(), k), full.grid[k]) << k;
        ASSERT_EQ(rnd.GetPDFDensity(file.c_str(), k), full.pdf[k]) << k;
        ASSERT_EQ(rnd.GetPDFCumulative(file.c_str(), k), full.cdf[k]) << k;
    }
    for (unsigned k = full.count - 600; k < full.count; ++k)
        ASSERT_EQ(rnd.GetPDFCumulative(file.c_str(), k), full.cdf[k]) << k;

    const int draws = 150000;
    std::srand(77);
    std::vector<int> r(2 * draws);
    for (int& v : r) v = Rand15();
    std::srand(77);
    for (int k = 0; k < draws; ++k) {
        double value = 0;
        ASSERT_EQ(rnd.GetCustomRNDValue(file.c_str(), value), 0);
        ASSERT_EQ(value, full.Draw(rnd, r[2 * k], r[2 * k + 1])) << k;
    }
}

// Drawn values follow the density: the Kolmogorov-Smirnov distance between 200,000
// values (seed 20240601) and the triangular distribution on [0, 2] stays below the
// critical value 1.95 / sqrt(N) of significance level 0.001; the same values measured
// against the uniform distribution on [0, 2] exceed it many times over.
TEST(RndStatistics, DrawsFollowTheDensity) {
    TempDir dir;
    CTBRnd rnd;
    std::string file = dir.Write("triangle.csv", "0,0\n1,1\n2,0\n");
    ASSERT_EQ(rnd.LoadCustomPDF(file.c_str()), 0);
    const int n = 200000;
    std::vector<double> values(n);
    std::srand(20240601);
    for (double& v : values) ASSERT_EQ(rnd.GetCustomRNDValue(file.c_str(), v), 0);
    std::sort(values.begin(), values.end());
    auto distance = [&](auto cdf) {
        double d = 0;
        for (int k = 0; k < n; ++k) {
            double f = cdf(values[k]);
            d = std::max({d, std::fabs(f - double(k) / n), std::fabs(double(k + 1) / n - f)});
        }
        return d;
    };
    auto triangle = [](double t) { return t <= 1 ? t * t / 2 : 1 - (2 - t) * (2 - t) / 2; };
    auto uniform = [](double t) { return t / 2; };
    const double critical = 1.95 / std::sqrt(double(n));
    EXPECT_LT(distance(triangle), critical);
    EXPECT_GT(distance(uniform), 5 * critical);
    EXPECT_GE(values.front(), 0.0);
    EXPECT_LE(values.back(), 2.0);
}
