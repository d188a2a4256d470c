#include <toolbox/types/maps.h>
#include <toolbox/types/variant.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Keys(const CMapStringToString& map) {
    std::vector<std::string> keys;
    CString key, value;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        keys.push_back(key.GetString());
    }
    return keys;
}

}  // namespace

TEST(FrameworkHash, StringHashIsTimes33PlusByte) {
    EXPECT_EQ(HashKey(""), 0u);
    EXPECT_EQ(HashKey("a"), 97u);
    EXPECT_EQ(HashKey("ab"), 97u * 33 + 98);
    EXPECT_EQ(HashKey("Voltage"), 3873481554u);  // wraps around at 32 bits
    // Bytes from 0x80 count as negative values (signed char): "µ" is C2 B5.
    EXPECT_EQ(HashKey("\xC2\xB5"), static_cast<UINT>((0xC2 - 256) * 33 + (0xB5 - 256)));
    EXPECT_EQ(HashKey(static_cast<WORD>(1033)), 1033u >> 4);
}

TEST(FrameworkMapOrder, BucketsAscendingNewestFirst) {
    CMapStringToString map;
    // With 17 buckets: "a" -> 97 % 17 = 12, "b" -> 13, "r" -> 114 % 17 = 12, "c" -> 14.
    map["b"] = "2";
    map["a"] = "1";
    map["c"] = "3";
    map["r"] = "4";
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"r", "a", "b", "c"}));
    map["a"] = "changed";  // an existing key keeps its place
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"r", "a", "b", "c"}));
    EXPECT_TRUE(map.RemoveKey("r"));
    EXPECT_FALSE(map.RemoveKey("r"));
    map.SetAt("r", "5");
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"r", "a", "b", "c"}));
    CString v;
    ASSERT_TRUE(map.Lookup("a", v));
    EXPECT_EQ(v, "changed");
    EXPECT_FALSE(map.Lookup("zz", v));
    EXPECT_EQ(map.GetCount(), 4);
}

TEST(FrameworkMapOrder, HashTableSizeChangesOrder) {
    CMapStringToString map;
    map.InitHashTable(100);
    EXPECT_EQ(map.GetHashTableSize(), 100u);
    map["b"] = "x";   // 98
    map["a"] = "y";   // 97
    map["ab"] = "z";  // 3299 % 100 = 99
    EXPECT_EQ(Keys(map), (std::vector<std::string>{"a", "b", "ab"}));
    map.InitHashTable(17);  // ignored once the map holds entries
    EXPECT_EQ(map.GetHashTableSize(), 100u);
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_EQ(map.GetStartPosition(), nullptr);
}

TEST(FrameworkMapOrder, WordKeysBucketByValueShiftedFour) {
    CMap<unsigned short, unsigned short, CString, const char*> map;
    map[1033] = "en";     // 1033 >> 4 = 64, 64 % 17 = 13
    map[2057] = "en-GB";  // 128 % 17 = 9
    map[1031] = "de";     // 64 % 17 = 13, newer than 1033
    std::vector<unsigned short> order;
    unsigned short key;
    CString value;
    for (POSITION pos = map.GetStartPosition(); pos;) {
        map.GetNextAssoc(pos, key, value);
        order.push_back(key);
    }
    EXPECT_EQ(order, (std::vector<unsigned short>{2057, 1031, 1033}));
}

TEST(Collections, ArrayInsertRemoveGrow) {
    CArray<double, double> a;
    a.SetAtGrow(3, 7.0);
    EXPECT_EQ(a.GetSize(), 4);
    EXPECT_EQ(a[0], 0.0);
    a.InsertAt(1, 5.0, 2);
    EXPECT_EQ(a.GetSize(), 6);
    EXPECT_EQ(a[2], 5.0);
    a.RemoveAt(4, 10);
    EXPECT_EQ(a.GetSize(), 4);
    a.RemoveAt(-1);
    a.RemoveAt(4);
    EXPECT_EQ(a.GetUpperBound(), 3);
    a.InsertAt(6, 1.0);
    EXPECT_EQ(a.GetSize(), 7);
    CStringArray s;
    s.Add("x");
    s.Add(CString("y"));
    EXPECT_EQ(s[1], "y");
    s.SetSize(0);
    EXPECT_TRUE(s.IsEmpty());
}

// Elements an array gains are zero, also where a shorter array leaves old values in
// its memory; only SetSizeForOverwrite leaves them to the caller. Large arrays sit on
// whole 2 MiB pages and behave like small ones.
TEST(Collections, GrownElementsAreZeroAndLargeArraysAreWholePages) {
    CArray<double, double> a;
    a.SetSize(8);
    for (int i = 0; i < 8; ++i) a[i] = 7.0;
    a.SetSize(2);
    a.SetSize(8);
    EXPECT_EQ(a[2], 0.0);
    EXPECT_EQ(a[7], 0.0);
    a.SetSize(3);
    a.SetAtGrow(6, 1.0);
    EXPECT_EQ(a[5], 0.0);
    a.SetSizeForOverwrite(10);
    EXPECT_EQ(a.GetSize(), 10);
    EXPECT_EQ(a[6], 1.0);  // kept elements keep their values

    const int n = 1 << 20;  // 8 MiB of doubles
    CArray<double, double> big;
    big.SetSize(n);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(big.GetData()) % (2u << 20), 0u);
    EXPECT_EQ(big[n - 1], 0.0);
    big[n - 1] = 3.0;
    CArray<double, double> copy;
    copy.Copy(big);
    copy.InsertAt(0, 9.0);
    EXPECT_EQ(copy.GetSize(), n + 1);
    EXPECT_EQ(copy[n], 3.0);
    copy.RemoveAll();
    EXPECT_TRUE(copy.IsEmpty());
    // Just past two huge pages, an array does not take a third one whole: the memory
    // it takes once written stays close to its size.
    const auto resident = [] {
        long pages = 0, rss = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld %ld", &pages, &rss) != 2) rss = 0;
            std::fclose(f);
        }
        return static_cast<double>(rss) * static_cast<double>(sysconf(_SC_PAGESIZE));
    };
    const int justPast = (4 << 20) / 8 + 512;  // 4 MiB and 4 KiB of doubles
    const double before = resident();
    CArray<double, double> past;
    past.SetSize(justPast);
    const double taken = resident() - before;
    EXPECT_LT(taken, 1.1 * justPast * 8.0) << taken;
    EXPECT_EQ(past[justPast - 1], 0.0);
    CStringArray texts;  // not trivial: value-initialised as ever
    texts.SetSize(3);
    EXPECT_TRUE(texts[2].IsEmpty());
}

TEST(Variant, TypesAndEquality) {
    EXPECT_EQ(COleVariant(static_cast<BYTE>(7)).vt, VT_UI1);
    EXPECT_EQ(COleVariant(static_cast<short>(-3)).vt, VT_I2);
    COleVariant b(static_cast<short>(5), VT_BOOL);
    EXPECT_EQ(b.vt, VT_BOOL);
    EXPECT_EQ(b.boolVal, VARIANT_TRUE);
    EXPECT_EQ(COleVariant(std::int32_t(9)).vt, VT_I4);
    EXPECT_EQ(COleVariant(1.5f).vt, VT_R4);
    EXPECT_EQ(COleVariant(2.5).vt, VT_R8);
    COleVariant s("text");
    EXPECT_EQ(s.vt, VT_BSTR);
    EXPECT_EQ(s.GetText(), "text");
    EXPECT_EQ(s, COleVariant(CString("text")));
    EXPECT_NE(s, COleVariant("other"));
    EXPECT_NE(COleVariant(2.5), COleVariant(2.5f));
    s.Clear();
    EXPECT_EQ(s.vt, VT_EMPTY);
    EXPECT_TRUE(s.GetText().IsEmpty());
    EXPECT_EQ(COleVariant::Null().vt, VT_NULL);
}
