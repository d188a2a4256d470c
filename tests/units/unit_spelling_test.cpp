// Units spelt as users write them: the shown Unicode form and ASCII spellings find the
// catalogue's unit, case stays significant where it tells two units apart, ambiguous
// spellings are refused naming both units, and conversions accept every spelling.
#include "tests/units/units_test_util.h"

#include <toolbox/units/unit_notation.h>

using namespace tbtest;

namespace {

const char kDegree[] = "\xC2\xB0";  // °
const char kOmega[] = "\xCE\xA9";   // Ω
const char kMicro[] = "\xC2\xB5";   // µ U+00B5
const char kMu[] = "\xCE\xBC";      // μ U+03BC

std::string S(std::initializer_list<const char*> parts) {
    std::string s;
    for (const char* p : parts) s += p;
    return s;
}

class UnitSpelling : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(shipped.ReadUnitCfg(DefaultUnitsFile().c_str()), 1); }
    void TearDown() override { CloseAllPrivateFiles(0); }
    /// The acronym found for spelling, "<none>" or "<ambiguous>".
    std::string Found(const char* quantity, const std::string& spelling, CUnitManager* m = nullptr) {
        CUnit* unit = nullptr;
        switch ((m ? *m : shipped).FindUnit(quantity, spelling.c_str(), unit)) {
            case TB_UNIT_FOUND: return unit->GetUnitAcronym().str();
            case TB_UNIT_AMBIGUOUS: return unit ? "<ambiguous with a unit>" : "<ambiguous>";
            default: return unit ? "<none with a unit>" : "<none>";
        }
    }
    CUnitManager shipped;
};

TEST_F(UnitSpelling, EveryUnitOfTheShippedCatalogueIsFoundByItsShownForm) {
    int checked = 0;
    for (CQuantity* q : AllQuantities(shipped)) {
        const char* quantity = q->GetQuantityName();
        CArray<CUnit*> units;
        ASSERT_TRUE(shipped.GetUnitArray(quantity, units));
        std::set<std::string> seen;  // a sub-quantity's unit hides its main quantity's of that acronym
        for (int i = 0; i < units.GetSize(); ++i) {
            const CString acronym = units[i]->GetUnitAcronym();
            if (!seen.insert(acronym.str()).second) continue;
            const std::string shown = TBUnitToUnicode(acronym).str();
            CUnit* found = nullptr;
            CString why;
            EXPECT_EQ(shipped.FindUnit(quantity, shown.c_str(), found, &why), TB_UNIT_FOUND)
                << quantity << " " << acronym.str() << " shown as " << shown << ": " << why.str();
            EXPECT_EQ(found, units[i]) << quantity << " " << acronym.str() << " shown as " << shown;
            EXPECT_EQ(shown.find('\\'), std::string::npos) << acronym.str();
            EXPECT_EQ(shown.find('^'), std::string::npos) << acronym.str();
            ++checked;
        }
    }
    EXPECT_GT(checked, 200);
}

TEST_F(UnitSpelling, ShownAndAsciiSpellingsFindTheCataloguesUnit) {
    EXPECT_EQ(Found("Temperature", S({kDegree, "C"})), "\\deg\\C");
    EXPECT_EQ(Found("Temperature", "degC"), "\\deg\\C");
    EXPECT_EQ(Found("Temperature", "\xE2\x84\x89"), "\\deg\\F");  // ℉
    EXPECT_EQ(Found("Angle", kDegree), "\\deg\\");
    EXPECT_EQ(Found("Angle", "deg"), "\\deg\\");
    EXPECT_EQ(Found("AngularVelocity", "deg/s"), "\\deg\\/s");
    EXPECT_EQ(Found("Resistance", kOmega), "\\Ohm\\");
    EXPECT_EQ(Found("Resistance", "\xE2\x84\xA6"), "\\Ohm\\");  // the ohm sign U+2126
    EXPECT_EQ(Found("Resistance", "Ohm"), "\\Ohm\\");
    EXPECT_EQ(Found("Resistance", "ohm"), "\\Ohm\\");
    EXPECT_EQ(Found("Resistance", S({"k", kOmega})), "k\\Ohm\\");
    EXPECT_EQ(Found("Resistance", "kOhm"), "k\\Ohm\\");
    EXPECT_EQ(Found("Resistance", " kohm "), "k\\Ohm\\");
    EXPECT_EQ(Found("Resistance", S({kMicro, kOmega})), "u\\Ohm\\");
    EXPECT_EQ(Found("Resistance", "uohm"), "u\\Ohm\\");
    EXPECT_EQ(Found("Capacitance", S({kMicro, "F"})), "uF");
    EXPECT_EQ(Found("Capacitance", S({kMu, "F"})), "uF");
    EXPECT_EQ(Found("Permeability", S({kMu, "H/m"})), "uH/m");
    EXPECT_EQ(Found("Area", "m\xC2\xB2"), "m^2");
    EXPECT_EQ(Found("Volume", "cm\xC2\xB3"), "cm^3");
    EXPECT_EQ(Found("Resistivity", S({kOmega, "mm\xC2\xB2/m"})), "\\Ohm\\mm^2/m");
    EXPECT_EQ(Found("Torque", "lbf\xC2\xB7" "ft"), "lbf*ft");  // the middle dot for '*'
    EXPECT_EQ(Found("Frequency", "hz"), "Hz");
    // Words that only begin like a symbol's name are no symbol.
    EXPECT_EQ(TBUnitToUnicode("degrees ohms"), "degrees ohms");
    EXPECT_EQ(Found("Angle", "degrees"), "<none>");
    EXPECT_EQ(Found("Capacitance", "mF"), "mF");
    EXPECT_EQ(Found("Capacitance", "parsec"), "<none>");
}

TEST_F(UnitSpelling, CaseTellsUnitsApartWhereTheCatalogueDoes) {
    EXPECT_EQ(Found("Power", "mW"), "mW");
    EXPECT_EQ(Found("Power", "MW"), "MW");
    EXPECT_EQ(Found("Power", "mw"), "<ambiguous>");
    EXPECT_EQ(Found("Frequency", "mhz"), "<ambiguous>");
    EXPECT_EQ(Found("Frequency", "mHz"), "mHz");
    // "ms" is a unit of time: in Conductance it does not stand for mS.
    EXPECT_EQ(Found("Conductance", "ms"), "<none>");
    EXPECT_EQ(Found("Time", "ms"), "ms");
    // "u" as the micro prefix is lower case only.
    EXPECT_EQ(Found("Capacitance", "UF"), "<none>");
    // Exact lookups for hosts stay exact.
    CQuantity* q = nullptr;
    ASSERT_TRUE(shipped.GetQuantity("Resistance", q));
    EXPECT_EQ(q->GetUnitObject("kOhm"), nullptr);
}

TEST_F(UnitSpelling, AnAmbiguousSpellingIsRefusedNamingBothUnits) {
    CUnit* unit = nullptr;
    CString why;
    EXPECT_EQ(shipped.FindUnit("Power", "mw", unit, &why), TB_UNIT_AMBIGUOUS);
    EXPECT_EQ(unit, nullptr);
    EXPECT_NE(why.Find("mW"), -1) << why.str();
    EXPECT_NE(why.Find("MW"), -1) << why.str();
    // A catalogue with micro written both ways: the micro sign names both, each
    // catalogue spelling still its own unit.
    ScratchDir dir;
    WriteFile(dir / "u.skl",
              "[MainQuantities]\nQ1=C\n[C]\nBaseUnit=F\nU1=uF\nTBC1=%v/1e6\nFBC1=%v*1e6\n"
              "U2=\\mu\\F\nTBC2=%v/1e6\nFBC2=%v*1e6\n");
    CUnitManager both;
    both.ReadUnitCfg((dir / "u.skl").c_str());
    EXPECT_EQ(Found("C", "uF", &both), "uF");
    EXPECT_EQ(Found("C", "\\mu\\F", &both), "\\mu\\F");
    EXPECT_EQ(both.FindUnit("C", S({kMicro, "F"}).c_str(), unit, &why), TB_UNIT_AMBIGUOUS);
    EXPECT_NE(why.Find(" uF"), -1) << why.str();
    EXPECT_NE(why.Find(S({kMicro, "F (\\mu\\F)"}).c_str()), -1) << why.str();
    CString out = "untouched";
    EXPECT_EQ(both.Convert("C", S({kMicro, "F"}).c_str(), "1", "F", out), 0);
    EXPECT_EQ(out, "untouched");
    EXPECT_EQ(shipped.FindUnit("Nothing", "m", unit, &why), TB_UNIT_NOT_FOUND);
    EXPECT_EQ(why, "unknown quantity \"Nothing\"");
}

TEST_F(UnitSpelling, ConversionsTakeEverySpelling) {
    CString out;
    ASSERT_EQ(TBConvertUnits("Temperature", S({kDegree, "C"}).c_str(), "37", S({kDegree, "F"}).c_str(), out), 1);
    EXPECT_EQ(out, "98.6");
    ASSERT_EQ(TBConvertUnits("Resistance", S({"k", kOmega}).c_str(), "4.7", kOmega, out), 1);
    EXPECT_EQ(out, "4700");
    ASSERT_EQ(shipped.Convert("Capacitance", S({kMu, "F"}).c_str(), "2", "nF", out), 1);
    EXPECT_EQ(out, "2000");
    ASSERT_EQ(shipped.Convert("Area", "m\xC2\xB2", "1", "cm^2", out), 1);
    EXPECT_EQ(out, "10000");
    EXPECT_EQ(shipped.Convert("Power", "mw", "1", "W", out), 0);
}

TEST(UnitNotationForms, EscapesShownFormAndLookupForm) {
    EXPECT_EQ(TBUnitNotationEscapes("\\deg\\C"), "\\degree\\C");
    EXPECT_EQ(TBUnitNotationEscapes("kOhm m^2"), "k\\Ohm\\ m\\2super\\");
    EXPECT_EQ(TBUnitNotationEscapes("\\Ohm\\ \\other\\ open\\deg"), "\\Ohm\\ \\other\\ open\\deg");
    EXPECT_EQ(TBUnitToUnicode("\xE2\x84\x83"), S({kDegree, "C"}));  // ℃
    EXPECT_EQ(TBUnitToUnicode("m^2/s^3"), "m\xC2\xB2/s\xC2\xB3");
    EXPECT_EQ(TBUnitToUnicode("x^9"), "x^9");
    EXPECT_EQ(TBUnitLookupForm(S({kMu, "m"})), TBUnitLookupForm("um"));
    EXPECT_EQ(TBUnitLookupForm("mu0"), "mu0");  // not a prefix inside a name
    EXPECT_EQ(TBUnitLookupForm("V/us"), S({"V/", kMicro, "s"}));
    EXPECT_EQ(TBUnitLookupForm("u"), "u");
    EXPECT_EQ(TBUnitLookupForm(""), "");
    ASSERT_NE(TBFindNotationSymbol("Ohm"), nullptr);
    EXPECT_EQ(TBFindNotationSymbol("Ohm")->code, 0x3A9u);
    EXPECT_EQ(TBFindNotationSymbol("deg"), nullptr);  // the catalogue's spelling, not an escape
}

}  // namespace
