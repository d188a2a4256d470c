// Conversion between units: composing the two expressions, reduction by the formula
// plug-ins, sub-quantities, and the compiled fast path giving exactly what the
// plug-ins give.
#include "tests/units/units_test_util.h"

#include <toolbox/services/library_registry.h>

#include <cmath>
#include <cstdio>

using namespace tbtest;

namespace {

using Conversion = CatalogueFiles;

/// The converted text, or "<failed: out>" when Convert fails (out unchanged).
std::string Converted(CUnitManager& m, const char* quantity, const char* from, const char* value, const char* to) {
    CString out = "untouched";
    if (m.Convert(quantity, from, value, to, out) != 1) return "<failed: " + out.str() + ">";
    return out.str();
}
/// The same through TBConvertUnits and the shared default catalogue.
std::string Converted(const char* quantity, const char* from, const char* value, const char* to) {
    CString out = "untouched";
    if (TBConvertUnits(quantity, from, value, to, out) != 1) return "<failed: " + out.str() + ">";
    return out.str();
}

const char kOdd[] =
    "[MainQuantities]\nQ1=Odd\n"
    "[Odd]\nBaseUnit=b\nU1=bad\nTBC1=%v$\nFBC1=%v$\nU2=sq\nTBC2=sqrt(%v)\nFBC2=%v*%v\n"
    "U3=twice\nTBC3=%v/2\nFBC3=(%v$%v)\nU4=inv\nTBC4=1/%v\nFBC4=1/%v\n";

TEST_F(Conversion, SameUnitGivesTheValueUnchangedUnknownNamesFailAndLeaveTheOutputAlone) {
    CUnitManager m;
    EXPECT_EQ(Converted(m, "NoSuchQuantity", "x", "1 2 3", "x"), "1 2 3");
    EXPECT_EQ(Converted("NoSuchQuantity", "u", "7", "u"), "7");
    m.ReadUnitCfg(DefaultUnitsFile().c_str());
    EXPECT_EQ(Converted(m, "Length", "mm", "5", "parsec"), "<failed: untouched>");
    EXPECT_EQ(Converted(m, "Length", "V", "5", "m"), "<failed: untouched>");
    EXPECT_EQ(Converted(m, "Lengths", "mm", "5", "m"), "<failed: untouched>");
    EXPECT_EQ(Converted(m, nullptr, "mm", "5", "m"), "<failed: untouched>");
}

TEST_F(Conversion, ComposesTheExpressionsInParentheses) {
    CUnitManager m;
    m.ReadUnitCfg(Write(kOdd).c_str());
    // Expressions the plug-ins cannot read come back as the composed formula.
    EXPECT_EQ(Converted(m, "Odd", "b", "5", "bad"), "(((5))$)");
    EXPECT_EQ(Converted(m, "Odd", "bad", "5", "b"), "(((5)$))");
    EXPECT_EQ(Converted(m, "Odd", "twice", "5", "bad"), "(((5)/2)$)");
    EXPECT_EQ(Converted(m, "Odd", "b", "5", "twice"), "((((5))$((5))))");  // "%v" at both places
    EXPECT_EQ(Converted(m, "Odd", "b", "3", "sq"), "9");
    EXPECT_EQ(Converted(m, "Odd", "sq", "16", "twice"), "(((sqrt((16)))$(sqrt((16)))))");
    EXPECT_EQ(Converted(m, "Odd", "sq", "16", "inv"), "0.25");
    // A division by zero cannot be reduced either: the composed formula, result 1.
    EXPECT_EQ(Converted(m, "Odd", "inv", "0", "b"), "((1/(0)))");
    EXPECT_EQ(Converted(m, "Odd", "inv", "4", "b"), "0.25");
}

TEST_F(Conversion, ValuesMayBeFormulasAndEditedUnitsAreNotServedFromTheCache) {
    CUnitManager m;
    m.ReadUnitCfg(DefaultUnitsFile().c_str());
    EXPECT_EQ(Converted(m, "Length", "km", "2*3", "m"), "6000");
    EXPECT_EQ(Converted(m, "Length", "km", "x", "m"), "x*1000");
    EXPECT_EQ(Converted(m, "Length", "mm", "4.7k", "m"), "4.7");
    // Edited units are not served from the cache.
    EXPECT_EQ(Converted(m, "Length", "mm", "5", "m"), "0.005");
    CQuantity* length = nullptr;
    ASSERT_TRUE(m.GetQuantity("Length", length));
    length->GetUnitObject("mm")->SetToBaseConversion("%v/100");
    EXPECT_EQ(Converted(m, "Length", "mm", "5", "m"), "0.05");
    length->AddUnit("mm", "millimetre", "%v/1000", "%v*1000");
    EXPECT_EQ(Converted(m, "Length", "mm", "5", "m"), "0.005");
}

TEST_F(Conversion, SubQuantitiesUseTheUnitsAboveThem) {
    EXPECT_EQ(Converted("BatteryCapacity", "mAh", "2500", "Ah"), "2.5");
    EXPECT_EQ(Converted("BatteryCapacity", "Ah", "1", "C"), "3600");
    EXPECT_EQ(Converted("BatteryCapacity", "mAh", "1", "mC"), "3600");
    EXPECT_EQ(Converted("AstronomicalDistance", "au", "1", "km"), "149597870.7");
    EXPECT_EQ(Converted("Charge", "mAh", "1", "C"), "<failed: untouched>");  // units below are not seen
    EXPECT_EQ(Converted("Resistance", "k\\Ohm\\", "4.7", "\\Ohm\\"), "4700");
    EXPECT_EQ(Converted("Temperature", "\\deg\\C", "37", "\\deg\\F"), "98.6");
    CString out;
    ASSERT_EQ(TBGetBaseUnit("AstronomicalDistance", out), 1);
    EXPECT_EQ(out.str(), "m");
    ASSERT_EQ(TBGetBaseUnit("Resistance", out), 1);
    EXPECT_EQ(out.str(), "\\Ohm\\");
    out = "kept";
    EXPECT_EQ(TBGetBaseUnit("Nothing", out), 0);
    EXPECT_EQ(out.str(), "kept");
}

// The compiled form and the plug-ins give the same text for every pair of units of
// the default catalogue and values of every shape the compiled form accepts.
TEST_F(Conversion, CompiledConversionsEqualThePlugIns) {
    CUnitManager fast, slow;
    fast.ReadUnitCfg(DefaultUnitsFile().c_str());
    slow.ReadUnitCfg(DefaultUnitsFile().c_str());
    slow.SetConversionCache(0);
    const char* values[] = {
        "1",   "-1",  "0",     "-0",        "2.5",    "37", "1e-300", "-4.5e+300", "123456789012345678",
        "0.1", "1E3", "+7.25", "299792458", "1e-320", "3.", ".5",     "1e999",     "007"};
    int compared = 0;
    for (CQuantity* q : AllQuantities(fast)) {
        CArray<CUnit*> units;
        q->FillUnitArray(units, 1, 1);
        for (int i = 0; i < units.GetSize(); ++i) {
            for (int j = 0; j < units.GetSize(); ++j) {
                for (const char* v : values) {
                    CString a, b;
                    const char* from = units[i]->GetUnitAcronym();
                    const char* to = units[j]->GetUnitAcronym();
                    ASSERT_EQ(fast.Convert(q->GetQuantityName(), from, v, to, a), 1);
                    ASSERT_EQ(slow.Convert(q->GetQuantityName(), from, v, to, b), 1);
                    ASSERT_EQ(a.str(), b.str())
                        << q->GetQuantityName().str() << " " << from << " -> " << to << " of " << v;
                    ++compared;
                }
            }
        }
    }
    EXPECT_GT(compared, 10000);
}

TEST_F(Conversion, TheManagerReleasesThePlugIns) {
    HMODULE solver = TBLoadLibrary("Quendral.dll");
    ASSERT_NE(solver, nullptr);
    const int before = TBGetLibraryCount(solver);
    {
        CUnitManager m;
        m.ReadUnitCfg(DefaultUnitsFile().c_str());
        EXPECT_EQ(Converted(m, "Length", "mm", "5", "m"), "0.005");
        EXPECT_EQ(TBGetLibraryCount(solver), before + 1);
    }
    EXPECT_EQ(TBGetLibraryCount(solver), before);
    TBFreeLibrary(solver);
}

}  // namespace
