// The unit catalogue: reading rules of the configuration file, table order, writing
// and reading back, deleting subtrees, and damaged catalogues.
#include "tests/units/units_test_util.h"

#include <algorithm>
#include <cstdlib>

using namespace tbtest;

namespace {

using Catalogue = CatalogueFiles;

const char kLength[] =
    "[MainQuantities]\nQ1=Length\n"
    "[Length]\nBaseUnit=m\nBUT=meter\nU1=mm\nT1=millimeter\nTBC1=%v/1000\nFBC1=%v*1000\nSQ1=Distance\n"
    "[Distance]\nBaseUnit=km\nU1=km\nT1=kilometer\nTBC1=%v*1000\nFBC1=%v/1000\nSQ1=Road\n"
    "[Road]\nU1=mi\nT1=mile\nTBC1=%v*1609.344\nFBC1=%v/1609.344\n";

TEST_F(Catalogue, ReadsMainQuantitiesUnitsAndNestedSubQuantities) {
    CUnitManager m;
    ASSERT_EQ(m.ReadUnitCfg(Write(kLength).c_str()), 1);
    EXPECT_EQ(m.GetFileName().str(), dir / "units.skl");
    EXPECT_EQ(QuantityNames(m, 1), std::vector<std::string>{"Length"});
    EXPECT_EQ(SortedQuantityNames(m), (std::vector<std::string>{"Distance", "Length", "Road"}));
    // A sub-quantity's own units first, then those up the chain, the top base unit
    // first among the main quantity's units.
    EXPECT_EQ(UnitAcronyms(m, "Road"), (std::vector<std::string>{"mi", "km", "m", "mm"}));
    CQuantity* distance = nullptr;
    ASSERT_TRUE(m.GetQuantity("Distance", distance));
    EXPECT_EQ(distance->GetBaseUnitObject()->GetUnitAcronym().str(), "m");  // its "BaseUnit" is not read
    CUnit* mm = distance->GetUnitObject("mm");
    ASSERT_NE(mm, nullptr);
    EXPECT_EQ(mm->GetToBaseConversion().str(), "%v/1000");
    EXPECT_EQ(mm->GetUnitName().str(), "millimeter");
    CArray<CUnit*> own;
    distance->FillUnitArray(own, 1, 0);
    ASSERT_EQ(own.GetSize(), 1);  // with-main 0: own units only, and no base unit here
    EXPECT_EQ(own[0]->GetUnitAcronym().str(), "km");
    CArray<CUnit*> noBase;
    distance->FillUnitArray(noBase, 0, 1);
    EXPECT_EQ(noBase.GetSize(), 2);  // km, mm
    CQuantity* unknown = nullptr;
    EXPECT_FALSE(m.GetQuantity("length", unknown));  // names are case-sensitive
    EXPECT_FALSE(m.GetQuantity(nullptr, unknown));
    CStringArray none;
    EXPECT_EQ(m.GetUnitArray("Nothing", none), 0);
    ExpectConsistentTree(m);
}

TEST_F(Catalogue, NumberedSeriesEndAtTheFirstGapAndMainQuantitiesNeedABaseUnit) {
    CUnitManager m;
    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=A\nQ3=B\n[A]\nBaseUnit=a\nU1=a1\nU2=a2\nU4=a4\n"
                        "[B]\nBaseUnit=b\n")
                      .c_str());
    EXPECT_EQ(QuantityNames(m), std::vector<std::string>{"A"});
    EXPECT_EQ(UnitAcronyms(m, "A").size(), 3u);  // a, a1, a2

    ASSERT_EQ(m.ReadUnitCfg(Write("[MainQuantities]\nQ1=\nQ2=A\n[A]\nBaseUnit=a\n", "empty.skl").c_str()), 1);
    EXPECT_TRUE(QuantityNames(m).empty());
    ASSERT_EQ(m.ReadUnitCfg((dir / "missing.skl").c_str()), 1);
    EXPECT_TRUE(QuantityNames(m).empty());

    // A main quantity without a base unit is skipped.
    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=NoBase\nQ2=Ghost\nQ3=Good\n[NoBase]\nBaseUnit=\nU1=x\n"
                        "[Good]\nBaseUnit=g\nSQ1=Lost\n",
                        "nobase.skl")
                      .c_str());
    EXPECT_EQ(QuantityNames(m, 1), std::vector<std::string>{"Good"});
    // A sub-quantity without a section of its own is kept, with no units of its own.
    EXPECT_EQ(UnitAcronyms(m, "Lost"), std::vector<std::string>{"g"});
    ExpectConsistentTree(m);
}

TEST_F(Catalogue, TableOrderFollowsTheStringHash) {
    // 17 buckets: "D" (68) and "U" (85) share bucket 0, the newer first; "E" is in 1,
    // "A" to "C" in 14 to 16.
    CUnitManager m;
    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=A\nQ2=B\nQ3=C\nQ4=D\nQ5=E\nQ6=U\n[A]\nBaseUnit=u\n[B]\nBaseUnit=u\n"
                        "[C]\nBaseUnit=u\n[D]\nBaseUnit=u\n[E]\nBaseUnit=u\n[U]\nBaseUnit=u\n")
                      .c_str());
    EXPECT_EQ(QuantityNames(m), (std::vector<std::string>{"U", "D", "E", "A", "B", "C"}));
}

TEST_F(Catalogue, WrittenCatalogueReadsBackTheSame) {
    CUnitManager first;
    first.ReadUnitCfg(DefaultUnitsFile().c_str());
    ASSERT_GE(QuantityNames(first, 1).size(), 30u);
    const std::string copy = dir / "copy.skl";
    first.WriteUnitCfg(copy.c_str());
    CUnitManager second;
    second.ReadUnitCfg(copy.c_str());
    std::vector<std::string> a = QuantityNames(first), b = QuantityNames(second);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b);
    for (CQuantity* q : AllQuantities(first)) {
        CQuantity* other = nullptr;
        ASSERT_TRUE(second.GetQuantity(q->GetQuantityName(), other)) << q->GetQuantityName().str();
        EXPECT_EQ(other->GetMainQuantity() ? other->GetMainQuantity()->GetQuantityName().str() : "",
                  q->GetMainQuantity() ? q->GetMainQuantity()->GetQuantityName().str() : "");
        // Units come back in table order, which may differ: compare by acronym.
        CArray<CUnit*> units, otherUnits;
        q->FillUnitArray(units, 1, 1);
        other->FillUnitArray(otherUnits, 1, 1);
        ASSERT_EQ(units.GetSize(), otherUnits.GetSize());
        for (int i = 0; i < units.GetSize(); ++i) {
            CUnit* u = other->GetUnitObject(units[i]->GetUnitAcronym());
            ASSERT_NE(u, nullptr) << units[i]->GetUnitAcronym().str();
            EXPECT_EQ(units[i]->GetUnitName(), u->GetUnitName());
            EXPECT_EQ(units[i]->GetToBaseConversion(), u->GetToBaseConversion());
            EXPECT_EQ(units[i]->GetFromBaseConversion(), u->GetFromBaseConversion());
        }
    }
    // Writing replaces the file: nothing of an earlier content survives.
    WriteFile(copy, "[Stale]\nkey=value\n");
    first.WriteUnitCfg(copy.c_str());
    EXPECT_EQ(ReadFile(copy).find("Stale"), std::string::npos);
    ExpectConsistentTree(second);
    // A write that fails half way (a full disk) leaves the old catalogue whole.
    const std::string before = ReadFile(copy);
    ASSERT_TRUE(RunWithFileSizeLimit(64, [&] { second.WriteUnitCfg(copy.c_str()); }));
    EXPECT_EQ(ReadFile(copy), before);
}

TEST_F(Catalogue, DeleteQuantityTakesTheWholeSubtree) {
    CUnitManager m;
    m.ReadUnitCfg(Write(kLength).c_str());
    EXPECT_EQ(m.DeleteQuantity("Unknown"), 1);
    EXPECT_EQ(m.DeleteQuantity(nullptr), 1);
    EXPECT_EQ(m.DeleteQuantity("Distance"), 1);
    EXPECT_EQ(QuantityNames(m), std::vector<std::string>{"Length"});
    CQuantity* length = nullptr;
    ASSERT_TRUE(m.GetQuantity("Length", length));
    EXPECT_EQ(length->GetSubQuantities().GetSize(), 0);
    m.ReadUnitCfg(m.GetFileName());
    EXPECT_EQ(m.DeleteQuantity("Length"), 1);
    EXPECT_TRUE(QuantityNames(m).empty());
}

TEST_F(Catalogue, QuantityOperations) {
    CUnitManager m;
    auto* q = new CQuantity(&m, "Q", nullptr);
    EXPECT_EQ(q->SetUnitManager(), &m);
    q->AddBaseUnit("b", "base");
    q->AddBaseUnit("B", "Base");
    EXPECT_EQ(q->GetBaseUnitObject()->GetUnitAcronym().str(), "B");
    for (const char* a : {"u1", "u2", "u3", "u4", "u5"}) q->AddUnit(a, a, "%v", "%v");
    CArray<CUnit*> before;
    q->FillUnitArray(before, 1, 1);
    CUnit* u3 = q->GetUnitObject("u3");
    EXPECT_EQ(q->AddUnit("u3", "third", "%v*3", "%v/3"), 1);
    EXPECT_EQ(q->GetUnitObject("u3"), u3);  // the same object, changed in place
    EXPECT_EQ(u3->GetUnitName().str(), "third");
    CArray<CUnit*> after;
    q->FillUnitArray(after, 1, 1);
    ASSERT_EQ(after.GetSize(), before.GetSize());
    for (int i = 0; i < after.GetSize(); ++i) EXPECT_EQ(after[i], before[i]);
    EXPECT_EQ(q->RemoveUnit("B"), 0);  // the base unit is not in the unit table
    EXPECT_EQ(q->RemoveUnit("u2"), 1);
    EXPECT_EQ(q->RemoveUnit("u2"), 0);
    m.AddQuantity(q);
    EXPECT_EQ(m.AddQuantity(q), 1);  // the same object again changes nothing

    auto* sub = new CQuantity(&m, "S", q);
    m.AddQuantity(sub);
    q->AddSubQuantity(sub);  // twice in the list now
    auto* other = new CQuantity(&m, "T", q);
    m.AddQuantity(other);
    // [S, S, T]: removing S takes the later occurrence.
    EXPECT_EQ(q->RemoveSubQuantity(sub), 1);
    CArray<CQuantity*> subs;
    subs.Add(nullptr);
    q->GetSubQuantityArray(subs);
    ASSERT_EQ(subs.GetSize(), 2);
    EXPECT_EQ(subs[0], sub);
    EXPECT_EQ(subs[1], other);
    EXPECT_EQ(q->RemoveSubQuantity(nullptr), 0);
    ExpectConsistentTree(m);
}

// ------------------------------------------------------------------ damaged files

TEST_F(Catalogue, CyclesOfSubQuantitiesAreCutANameMetTwiceReplacesTheEarlierSubtree) {
    CUnitManager m;
    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=A\n[A]\nBaseUnit=a\nSQ1=B\n[B]\nU1=b\nSQ1=A\nSQ2=C\n"
                        "[C]\nU1=c\nSQ1=C\nSQ2=B\n")
                      .c_str());
    EXPECT_EQ(SortedQuantityNames(m), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(UnitAcronyms(m, "C"), (std::vector<std::string>{"c", "b", "a"}));
    ExpectConsistentTree(m);

    // A name met twice replaces the earlier quantity with its subtree. Speed is first a
    // main quantity with a sub-quantity, then a sub-quantity of Length.
    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=Speed\nQ2=Length\nQ3=Speed2\n"
                        "[Speed]\nBaseUnit=m/s\nU1=km/h\nSQ1=Wind\n[Wind]\nU1=kn\n"
                        "[Length]\nBaseUnit=m\nSQ1=Speed\n"
                        "[Speed2]\nBaseUnit=x\nSQ1=Length\n",
                        "speed.skl")
                      .c_str());
    // Speed2 re-reads Length (with Speed and Wind) as its own sub-quantity: the first
    // Length goes, and with it everything below it.
    ExpectConsistentTree(m);
    EXPECT_EQ(SortedQuantityNames(m), (std::vector<std::string>{"Length", "Speed", "Speed2", "Wind"}));
    EXPECT_EQ(QuantityNames(m, 1), std::vector<std::string>{"Speed2"});
    CQuantity* wind = nullptr;
    ASSERT_TRUE(m.GetQuantity("Wind", wind));
    EXPECT_EQ(wind->GetBaseUnitObject()->GetUnitAcronym().str(), "x");

    m.ReadUnitCfg(Write("[MainQuantities]\nQ1=A\nQ2=A\n[A]\nBaseUnit=a\nU1=b\n", "twice.skl").c_str());
    EXPECT_EQ(QuantityNames(m), std::vector<std::string>{"A"});
    ExpectConsistentTree(m);
}

TEST_F(Catalogue, NestingDepthIsBounded) {
    std::string text = "[MainQuantities]\nQ1=N0\n[N0]\nBaseUnit=u\nSQ1=N1\n";
    const int chain = 5000;
    for (int i = 1; i < chain; ++i)
        text += "[N" + std::to_string(i) + "]\nU1=u" + std::to_string(i) + "\nSQ1=N" + std::to_string(i + 1) + "\n";
    CUnitManager m;
    ASSERT_EQ(m.ReadUnitCfg(Write(text).c_str()), 1);
    EXPECT_EQ(QuantityNames(m).size(), static_cast<size_t>(kMaxQuantityDepth));
    ExpectConsistentTree(m);
    const std::string deepest = "N" + std::to_string(kMaxQuantityDepth - 1);
    EXPECT_EQ(UnitAcronyms(m, deepest.c_str()).size(), static_cast<size_t>(kMaxQuantityDepth));
    m.WriteUnitCfg((dir / "deep.skl").c_str());
    CUnitManager back;
    back.ReadUnitCfg((dir / "deep.skl").c_str());
    EXPECT_EQ(QuantityNames(back).size(), static_cast<size_t>(kMaxQuantityDepth));
    EXPECT_EQ(m.DeleteQuantity("N0"), 1);
    EXPECT_TRUE(QuantityNames(m).empty());
}

// 100,000 units over 1,000 quantities, and one quantity of 5,000 units. (One section
// of 100,000 keys is read correctly too, but the profile cache's 100-bucket sections
// make that take minutes.)
TEST_F(Catalogue, HundredThousandUnits) {
    std::string text = "[MainQuantities]\n";
    const int quantities = 1000, perQuantity = 100;
    text.reserve(static_cast<size_t>(quantities) * perQuantity * 60);
    for (int q = 1; q <= quantities; ++q) text += "Q" + std::to_string(q) + "=Q" + std::to_string(q) + "\n";
    for (int q = 1; q <= quantities; ++q) {
        text += "[Q" + std::to_string(q) + "]\nBaseUnit=b\n";
        for (int i = 1; i <= perQuantity; ++i) {
            const std::string n = std::to_string(i);
            text += "U" + n + "=u" + n + "\nT" + n + "=unit " + n + "\nTBC" + n + "=%v*" + n + "\nFBC" + n + "=%v/" +
                    n + "\n";
        }
    }
    CUnitManager m;
    ASSERT_EQ(m.ReadUnitCfg(Write(text).c_str()), 1);
    size_t units = 0;
    for (CQuantity* q : AllQuantities(m)) units += UnitAcronyms(m, q->GetQuantityName()).size() - 1;
    EXPECT_EQ(units, static_cast<size_t>(quantities) * perQuantity);
    CString out;
    ASSERT_EQ(m.Convert("Q777", "u99", "2", "u3", out), 1);
    EXPECT_EQ(out.str(), "66");

    std::string one = "[MainQuantities]\nQ1=Big\n[Big]\nBaseUnit=b\n";
    const int count = 5000;
    for (int i = 1; i <= count; ++i) {
        const std::string n = std::to_string(i);
        one += "U" + n + "=u" + n + "\nTBC" + n + "=%v*" + n + "\nFBC" + n + "=%v/" + n + "\n";
    }
    ASSERT_EQ(m.ReadUnitCfg(Write(one, "one.skl").c_str()), 1);
    EXPECT_EQ(UnitAcronyms(m, "Big").size(), static_cast<size_t>(count) + 1);
    ASSERT_EQ(m.Convert("Big", "u4999", "3", "u7", out), 1);
    EXPECT_EQ(out.str(), "2142.42857142857");
}

}  // namespace
