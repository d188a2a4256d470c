// The materials catalogue: reading groups, valid flags, writing and reading back, the
// default file and its units.
#include "tests/units/units_test_util.h"

#include <toolbox/units/materials.h>

#include <cstdlib>

using namespace tbtest;

namespace {

class Materials : public CatalogueFiles {
protected:
    std::string Write(const std::string& text, const std::string& name = "materials.skl") {
        return CatalogueFiles::Write(text, name);
    }
};

const char kFile[] =
    "[MainMaterials]\nM1=Cu\nM2=PE\nM3=Half\nM5=Skipped\n"
    "[Cu]\nspgc-value=8.96\nspgc-unit=g/cm^3\nshcc-value=385\nshcc-unit=J/(kg*K)\nkc-value=401\nkc-unit=W/(m*K)\n"
    "alpha-value=0.00393\nalpha-unit=1/"
    "K\nrho-value=1.724e-8\nrho-unit=\\Ohm\\m\ntcmelt-value=1084.62\ntcmelt-unit=\\deg\\C\n"
    "[PE]\nspgi-value=0.92\nspgi-unit=g/cm^3\nshci-value=2300\nshci-unit=J/(kg*K)\nki-value=0.33\nki-unit=W/(m*K)\n"
    "timelt-value=115\ntimelt-unit=\\deg\\C\n"
    "[Half]\nspgc-value=1\nspgc-unit=a\nshcc-value=2\nshcc-unit=b\nkc-value=3\nalpha-value=4\nalpha-unit=d\n";

TEST_F(Materials, ReadsGroupsAndValidFlagsAndReadingAgainSeesEditsOnDisk) {
    CTBMaterialManager m;
    ASSERT_EQ(m.ReadUnitCfg(Write(kFile).c_str()), 1);
    CArray<CTBMaterial*> all;
    m.GetMaterialArray(all);
    EXPECT_EQ(all.GetSize(), 3);
    CTBMaterial* cu = nullptr;
    ASSERT_EQ(m.GetMaterial("Cu", cu), 1);
    EXPECT_EQ(cu->SetMaterialManager(), &m);
    EXPECT_EQ(cu->m_conductorValid, 1);
    EXPECT_EQ(cu->m_insulatorValid, 0);
    EXPECT_EQ(cu->m_conductorValue[4].str(), "1.724e-8");
    EXPECT_EQ(cu->m_conductorUnit[5].str(), "\\deg\\C");
    CTBMaterial* pe = nullptr;
    ASSERT_EQ(m.GetMaterial("PE", pe), 1);
    EXPECT_EQ(pe->m_conductorValid, 0);
    EXPECT_EQ(pe->m_insulatorValid, 1);
    EXPECT_EQ(pe->m_insulatorValue[3].str(), "115");
    // The conductor group stops at the missing "kc-unit": what came before is kept.
    CTBMaterial* half = nullptr;
    ASSERT_EQ(m.GetMaterial("Half", half), 1);
    EXPECT_EQ(half->m_conductorValid, 0);
    EXPECT_EQ(half->m_conductorValue[1].str(), "2");
    EXPECT_EQ(half->m_conductorUnit[1].str(), "b");
    EXPECT_EQ(half->m_conductorValue[2].str(), "3");
    EXPECT_TRUE(half->m_conductorUnit[2].IsEmpty());
    EXPECT_TRUE(half->m_conductorValue[3].IsEmpty());
    CTBMaterial* none = nullptr;
    EXPECT_EQ(m.GetMaterial("Skipped", none), 0);
    EXPECT_EQ(m.GetMaterial(nullptr, none), 0);

    // Reading again sees edits on disk; a missing file leaves no materials.
    const std::string file = Write("[MainMaterials]\nM1=Ag\n[Ag]\nspgi-value=1\n");
    ASSERT_EQ(m.ReadUnitCfg(file.c_str()), 1);
    all.RemoveAll();
    m.GetMaterialArray(all);
    ASSERT_EQ(all.GetSize(), 1);
    EXPECT_EQ(all[0]->GetMaterialName().str(), "Ag");
    ASSERT_EQ(m.ReadUnitCfg((dir / "missing.skl").c_str()), 1);
    all.RemoveAll();
    m.GetMaterialArray(all);
    EXPECT_EQ(all.GetSize(), 0);
}

TEST_F(Materials, WriteAndReadBackKeepsValidGroupsOnly) {
    CTBMaterialManager m;
    m.ReadUnitCfg(Write(kFile).c_str());
    const std::string copy = dir / "copy.skl";
    m.WriteUnitCfg(copy.c_str());
    // A write that fails half way (a full disk) leaves the old catalogue whole.
    const std::string written = ReadFile(copy);
    ASSERT_TRUE(RunWithFileSizeLimit(64, [&] { m.WriteUnitCfg(copy.c_str()); }));
    EXPECT_EQ(ReadFile(copy), written);
    CTBMaterialManager back;
    back.ReadUnitCfg(copy.c_str());
    CTBMaterial *a = nullptr, *b = nullptr;
    ASSERT_EQ(back.GetMaterial("Cu", b), 1);
    ASSERT_EQ(m.GetMaterial("Cu", a), 1);
    for (int i = 0; i < kConductorProperties; ++i) {
        EXPECT_EQ(a->m_conductorValue[i], b->m_conductorValue[i]);
        EXPECT_EQ(a->m_conductorUnit[i], b->m_conductorUnit[i]);
    }
    ASSERT_EQ(back.GetMaterial("PE", b), 1);
    EXPECT_EQ(b->m_insulatorValid, 1);
    ASSERT_EQ(back.GetMaterial("Half", b), 1);  // listed, but its partial group is lost
    EXPECT_EQ(b->m_conductorValid, 0);
    EXPECT_TRUE(b->m_conductorValue[0].IsEmpty());
}

TEST_F(Materials, AddAndDelete) {
    CTBMaterialManager m;
    auto* a = new CTBMaterial(&m, "X");
    EXPECT_EQ(m.AddMaterial(a), 1);
    EXPECT_EQ(m.AddMaterial(a), 1);
    auto* b = new CTBMaterial(&m, "X");
    EXPECT_EQ(m.AddMaterial(b), 1);  // a is destroyed
    CTBMaterial* found = nullptr;
    ASSERT_EQ(m.GetMaterial("X", found), 1);
    EXPECT_EQ(found, b);
    EXPECT_EQ(m.DeleteMaterial("Y"), 1);
    EXPECT_EQ(m.DeleteMaterial("X"), 1);
    EXPECT_EQ(m.GetMaterial("X", found), 0);
}

// The shipped file: every material complete, values numbers, units those of the
// matching quantities of the shipped unit catalogue.
TEST_F(Materials, DefaultFileIsCompleteAndUsesCatalogueUnits) {
    CTBMaterial* copper = nullptr;
    ASSERT_EQ(TBGetMaterialData("Copper", copper), 1);
    EXPECT_EQ(copper->m_conductorValid, 1);
    CTBMaterialManager m;
    m.ReadUnitCfg(DefaultMaterialsFile().c_str());
    CUnitManager units;
    units.ReadUnitCfg(DefaultUnitsFile().c_str());
    const char* conductorQuantities[] = {
        "Density",     "SpecificHeatCapacity", "ThermalConductivity", "TemperatureCoefficient",
        "Resistivity", "Temperature"};
    const char* insulatorQuantities[] = {"Density", "SpecificHeatCapacity", "ThermalConductivity", "Temperature"};
    CArray<CTBMaterial*> all;
    m.GetMaterialArray(all);
    int conductors = 0, insulators = 0;
    auto check = [&](CTBMaterial* mat, const CString& value, const CString& unit, const char* quantity) {
        char* end = nullptr;
        std::strtod(value, &end);
        EXPECT_TRUE(!value.IsEmpty() && end && *end == 0) << mat->GetMaterialName().str() << ": " << value.str();
        CQuantity* q = nullptr;
        ASSERT_TRUE(units.GetQuantity(quantity, q));
        EXPECT_NE(q->GetUnitObject(unit), nullptr) << mat->GetMaterialName().str() << ": " << unit.str();
    };
    for (int i = 0; i < all.GetSize(); ++i) {
        CTBMaterial* mat = all[i];
        EXPECT_NE(mat->m_conductorValid, mat->m_insulatorValid) << mat->GetMaterialName().str();
        if (mat->m_conductorValid) {
            ++conductors;
            for (int p = 0; p < kConductorProperties; ++p)
                check(mat, mat->m_conductorValue[p], mat->m_conductorUnit[p], conductorQuantities[p]);
        }
        if (mat->m_insulatorValid) {
            ++insulators;
            for (int p = 0; p < kInsulatorProperties; ++p)
                check(mat, mat->m_insulatorValue[p], mat->m_insulatorUnit[p], insulatorQuantities[p]);
        }
    }
    EXPECT_GE(conductors, 10);
    EXPECT_GE(insulators, 6);
    // Copper's resistivity converts to the usual table unit.
    CString out;
    ASSERT_EQ(
        units.Convert("Resistivity", copper->m_conductorUnit[4], copper->m_conductorValue[4], "\\Ohm\\mm^2/m", out), 1);
    EXPECT_EQ(out.str(), "0.01724");
}

}  // namespace
