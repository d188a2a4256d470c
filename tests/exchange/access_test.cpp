// Access databases: files the Jet 4 writer makes, opened by mdbtools' own programs;
// the same files and the sample databases read back through the table layer; damaged
// files refused without a crash.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/jet/jet4_writer.h"
#include "exchange/tables/jet/jet_file.h"
#include "tests/exchange/exchange_helpers.h"
#include "exchange/value_convert.h"
#include "tests/support/bytes.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

using namespace tbtest;

namespace {

// Standard output of a shell command; standard error apart, so that warnings show up.
std::string Output(const std::string& command, std::string* errors = nullptr) {
    const RunResult r = ShellApart(command);
    if (errors) *errors = r.errors;
    return r.output;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

// The lines of mdb-export's output for table of file, '|' between the fields.
std::vector<std::vector<std::string>> Export(const std::string& file, const char* table,
                                             std::string* errors = nullptr) {
    std::vector<std::vector<std::string>> rows;
    for (const std::string& line : Split(Output("mdb-export -Q -d '|' '" + file + "' " + table, errors), '\n'))
        if (!line.empty()) rows.push_back(Split(line, '|'));
    return rows;
}

double Value(int record, int field) { return (record - 5000) * 0.37 + field * 1e-3 + (record % 7) * 1e-9; }

// Texts that exercise the compressed and the plain UCS-2 forms.
const char* const kTexts[] = {
    "plain ASCII",                                  // compressed
    "Größe µ ½ ÿ",                                  // compressed, every character below 256
    "Ωmega ™ €",                                    // plain UCS-2
    "Ā (U+0100) cannot be packed",                  // a character whose low byte is 0
    "mixed ASCII run then Ω then more ASCII text",  // switches mode twice
    "日本語テキスト",                               // CJK
    "emoji 😀 outside the BMP",
    "",  // empty text
};

// Writes table with fields to path through w: n records, fill(w, r) setting the
// fields of record r.
template <class Fill>
void WriteJet(CJet4Writer& w, const std::string& path, const std::string& table,
              const std::vector<CJet4Field>& fields, int n, Fill fill) {
    ASSERT_TRUE(w.Open(path, table, fields)) << w.Error();
    for (int r = 0; r < n; ++r) {
        fill(w, r);
        ASSERT_TRUE(w.AddRecord()) << w.Error();
    }
    ASSERT_TRUE(w.Close()) << w.Error();
}

// n fields named prefix1, prefix2, ... of one type.
std::vector<CJet4Field> Fields(const std::string& prefix, int n, CJet4Field::Kind kind, int size = 20) {
    std::vector<CJet4Field> fields;
    for (int f = 0; f < n; ++f) fields.push_back({prefix + std::to_string(f + 1), kind, size});
    return fields;
}

// A table "Data" with three doubles and two texts, n records.
void WriteMixed(const std::string& path, int n) {
    CJet4Writer w;
    WriteJet(w, path, "Data",
             {{"U(V)", CJet4Field::Double, 20},
              {"I(A)", CJet4Field::Double, 20},
              {"Temperatur(°C)", CJet4Field::Double, 20},
              {"Note", CJet4Field::Text, 20},
              {"Bemerkung", CJet4Field::Text, 20}},
             n, [](CJet4Writer& w, int r) {
                 for (int f = 0; f < 3; ++f) w.SetDouble(f, Value(r, f));
                 w.SetText(3, kTexts[r % 8]);
                 if (r % 5 != 4) w.SetText(4, "row " + std::to_string(r));
             });
}

// The names of the database's tables without the system tables, whose attributes say so.
std::vector<std::string> UserTables(const CDaoDatabase& db) {
    std::vector<std::string> names;
    for (int i = 0; i < db.GetTableDefCount(); ++i) {
        CDaoTableDefInfo info;
        EXPECT_EQ(db.GetTableDefInfo(i, info), 1);
        const bool system = info.m_strName.Left(4) == "MSys";
        EXPECT_EQ(info.m_lAttributes, system ? dbSystemObject : 0) << info.m_strName.GetString();
        if (!system) names.push_back(info.m_strName.GetString());
    }
    return names;
}

}  // namespace

// ---------------------------------------------------------------- text encoding

TEST(Jet4Text, CompressedOnlyWhenShorterAndSafe) {
    EXPECT_EQ(TBJet4EncodeText(u"abc"), std::string("\xFF\xFE"
                                                    "abc",
                                                    5));
    EXPECT_EQ(TBJet4EncodeText(u"\u00E4\u00F6\u00FC"), std::string("\xFF\xFE\xE4\xF6\xFC", 5));
    // Two Latin-1 characters: packed is not shorter, so the plain form stays.
    EXPECT_EQ(TBJet4EncodeText(u"\u00E4\u00F6"), std::string("\xE4\0\xF6\0", 4));
    // One character: the marker makes it longer, so the plain form stays.
    EXPECT_EQ(TBJet4EncodeText(u"a"), std::string("a\0", 2));
    // A character with low byte 0 would read as a mode switch: plain form.
    EXPECT_EQ(TBJet4EncodeText(u"aaaa\u0100"), std::string("a\0a\0a\0a\0\0\1", 10));
    // A two-byte run inside a long ASCII text: switch out and back.
    EXPECT_EQ(TBJet4EncodeText(u"abcd\u03A9efgh"), std::string("\xFF\xFE"
                                                               "abcd\0\xA9\x03\0efgh",
                                                               14));
    EXPECT_EQ(TBJet4EncodeText(u""), std::string());
}

TEST(Jet4Text, Utf8ToUtf16) {
    EXPECT_EQ(TBUtf8ToUtf16("a\xC3\xA4\xE2\x82\xAC"), u"a\u00E4\u20AC");
    EXPECT_EQ(TBUtf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(TBUtf8ToUtf16("x\xFFy"), u"x\uFFFDy");        // invalid byte
    EXPECT_EQ(TBUtf8ToUtf16("\xE2\x82"), u"\uFFFD\uFFFD");  // cut sequence
    EXPECT_EQ(TBUtf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
}

// ---------------------------------------------------------------- files read by mdbtools

TEST(Jet4Writer, MdbToolsListDescribeAndExportTheTable) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const std::string file = TempPath("mixed.mdb");
    WriteMixed(file, 40);
    std::string errors;
    EXPECT_EQ(Output("mdb-ver '" + file + "'"), "JET4\n");
    EXPECT_EQ(Output("mdb-tables -1 '" + file + "'", &errors), "Data\n");
    EXPECT_EQ(errors, "");
    const std::string system = Output("mdb-tables -S -1 '" + file + "'");
    EXPECT_NE(system.find("MSysObjects\n"), std::string::npos);
    EXPECT_NE(system.find("MSysRelationships\n"), std::string::npos);

    const std::string schema = Output("mdb-schema '" + file + "' access", &errors);
    EXPECT_EQ(errors, "");
    for (const char* line : {"[U(V)]\t\t\tDouble", "[I(A)]\t\t\tDouble", "[Temperatur(°C)]\t\t\tDouble",
                             "[Note]\t\t\tText (", "[Bemerkung]\t\t\tText (20)"})
        EXPECT_NE(schema.find(line), std::string::npos) << line << "\n" << schema;

    const auto rows = Export(file, "Data", &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(rows.size(), 41u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"U(V)", "I(A)", "Temperatur(°C)", "Note", "Bemerkung"}));
    for (int r = 0; r < 40; ++r) {
        const std::vector<std::string>& cells = rows[r + 1];
        ASSERT_EQ(cells.size(), 5u) << r;
        for (int f = 0; f < 3; ++f)
            EXPECT_NEAR(std::strtod(cells[f].c_str(), nullptr), Value(r, f), std::fabs(Value(r, f)) * 1e-15);
        // mdbtools converts from UCS-2 and shows a character outside the BMP as "??";
        // the table layer's own test below reads it back whole.
        if (r % 8 != 6) {
            EXPECT_EQ(cells[3], kTexts[r % 8]) << "record " << r;
        }
        EXPECT_EQ(cells[4], r % 5 != 4 ? "row " + std::to_string(r) : "") << "record " << r;
    }
}

TEST(Jet4Writer, ManyRecordsSpanManyPagesAndBitmapPages) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const std::string file = TempPath("big.mdb");
    const int records = 100000;
    CJet4Writer w;
    WriteJet(w, file, "Data", Fields("Ch", 8, CJet4Field::Double), records, [](CJet4Writer& w, int r) {
        for (int f = 0; f < 8; ++f) w.SetDouble(f, Value(r, f));
    });
    EXPECT_EQ(w.RecordCount(), static_cast<std::uint32_t>(records));
    // 8 doubles per record make 69-byte rows, 59 to a page: far more pages than an
    // inline usage map covers.
    const std::string bytes = ReadFile(file);
    EXPECT_GT(bytes.size(), 4096u * 1500);
    EXPECT_EQ(bytes.size() % 4096, 0u);
    std::string errors;
    const auto rows = Export(file, "Data", &errors);
    EXPECT_EQ(errors, "");
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(records + 1));
    for (int r : {0, 1, 58, 59, 60, 4095, 50000, records - 1}) {
        ASSERT_EQ(rows[r + 1].size(), 8u);
        for (int f = 0; f < 8; ++f)
            EXPECT_NEAR(std::strtod(rows[r + 1][f].c_str(), nullptr), Value(r, f), std::fabs(Value(r, f)) * 1e-15) << r;
    }
}

// A data page holds 4082 bytes of rows and their 2-byte offsets: rows of 1019, 1359 and
// 2040 bytes are the first that fit one fewer to a page. Eight ASCII texts of n
// characters in all make rows of n + 39 bytes; every record must come back whole.
TEST(Jet4Writer, RowsAtTheEdgeOfAPageAllReadBack) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const int records = 9;
    auto text = [](int record, int field, int rowBytes) {
        const int characters = rowBytes - 39;
        const int length = characters / 8 + (field < characters % 8 ? 1 : 0);
        const std::string mark = std::to_string(record) + "." + std::to_string(field);
        return mark + std::string(static_cast<std::size_t>(length) - mark.size(), 'x');
    };
    for (int edge : {1019, 1359, 2040}) {
        for (int rowBytes = edge - 2; rowBytes <= edge + 1; ++rowBytes) {
            SCOPED_TRACE(rowBytes);
            const std::string file = TempPath("edge.mdb");
            std::remove(file.c_str());
            CJet4Writer w;
            WriteJet(w, file, "Data", Fields("T", 8, CJet4Field::Text, 255), records, [&](CJet4Writer& w, int r) {
                for (int f = 0; f < 8; ++f) w.SetText(f, text(r, f, rowBytes));
            });
            const auto rows = Export(file, "Data");  // the header line first
            ASSERT_EQ(rows.size(), static_cast<std::size_t>(records) + 1);
            OpenedTable t;
            ASSERT_TRUE(t.Open(file, "Data"));
            int r = 0;
            for (; !t.rs.IsEOF() && r < records; t.rs.MoveNext(), ++r) {
                const std::vector<std::string>& cells = rows[r + 1];
                ASSERT_EQ(cells.size(), 8u) << r;
                for (int f = 0; f < 8; ++f) {
                    EXPECT_EQ(cells[f], text(r, f, rowBytes)) << r;
                    EXPECT_EQ(std::string(t.rs.GetFieldValue(f).GetText().GetString()), text(r, f, rowBytes)) << r;
                }
            }
            EXPECT_EQ(r, records);
        }
    }
}

TEST(Jet4Writer, WideTableDefinitionSpansPagesAndEmptyTablesRead) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const std::string file = TempPath("wide.mdb");
    CJet4Writer w;
    std::vector<CJet4Field> fields;
    for (int f = 0; f < 255; ++f)
        fields.push_back({"Channel with a long name number " + std::to_string(f),
                          f % 10 == 9 ? CJet4Field::Text : CJet4Field::Double, 20});
    WriteJet(w, file, "Wide", fields, 3, [](CJet4Writer& w, int r) {
        for (int f = 0; f < 255; ++f) {
            if (f % 10 == 9)
                w.SetText(f, "t" + std::to_string(r));
            else
                w.SetDouble(f, r + f * 0.5);
        }
    });
    const std::string schema = Output("mdb-schema '" + file + "' access");
    EXPECT_NE(schema.find("[Channel with a long name number 0]"), std::string::npos);
    EXPECT_NE(schema.find("[Channel with a long name number 254]"), std::string::npos);
    const auto rows = Export(file, "Wide");
    ASSERT_EQ(rows.size(), 4u);
    ASSERT_EQ(rows[3].size(), 255u);
    EXPECT_EQ(rows[3][0], "2");
    EXPECT_EQ(rows[3][9], "t2");
    EXPECT_EQ(rows[3][249], "t2");
    EXPECT_EQ(rows[3][253], "128.5");
    EXPECT_EQ(rows[3][254], "129");

    // A table without records, and a database of the catalogue alone.
    const std::string empty = TempPath("empty.mdb"), bare = TempPath("bare.mdb");
    ASSERT_TRUE(w.Open(empty, "Nothing", {{"x", CJet4Field::Double, 20}}));
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(Output("mdb-tables -1 '" + empty + "'"), "Nothing\n");
    EXPECT_EQ(Output("mdb-export '" + empty + "' Nothing"), "x\n");
    ASSERT_TRUE(w.Open(bare, "", {}));
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(Output("mdb-tables -1 '" + bare + "'"), "");
    EXPECT_NE(Output("mdb-tables -S -1 '" + bare + "'").find("MSysObjects"), std::string::npos);
}

TEST(Jet4Writer, RefusesWhatTheFormatCannotHold) {
    const std::string file = TempPath("limits.mdb");
    CJet4Writer w;
    std::vector<CJet4Field> many(256);
    for (int f = 0; f < 256; ++f) many[f].name = "c" + std::to_string(f);
    auto refused = [&w](const std::string& path, const std::string& table, const std::vector<CJet4Field>& fields) {
        EXPECT_FALSE(w.Open(path, table, fields)) << table;
        return w.Failure();
    };
    const std::vector<CJet4Field> x = {{"x", CJet4Field::Double, 20}};
    EXPECT_EQ(refused(file, "T", many), Jet4Failure::Limit);
    EXPECT_EQ(refused(file, "T", {{"Name", CJet4Field::Double, 20}, {"NAME", CJet4Field::Text, 20}}),
              Jet4Failure::Name);
    EXPECT_EQ(refused(file, std::string(65, 'n'), x), Jet4Failure::Name);
    EXPECT_EQ(refused(file, "msysobjects", x), Jet4Failure::Name);
    EXPECT_EQ(refused(file, "T", {{"", CJet4Field::Double, 20}}), Jet4Failure::Name);
    EXPECT_EQ(refused("/nonexistent-dir/x.mdb", "T", x), Jet4Failure::Io);

    // Texts: up to 255 characters fit (the field widens), 256 do not.
    ASSERT_TRUE(w.Open(file, "T", {{"t", CJet4Field::Text, 20}}));
    w.SetText(0, std::string(255, 'x'));
    EXPECT_TRUE(w.AddRecord());
    w.SetText(0, std::string(256, 'x'));
    EXPECT_FALSE(w.AddRecord());
    EXPECT_EQ(w.Failure(), Jet4Failure::Limit);
    // A record wider than a page: 16 texts of 255 non-Latin-1 characters.
    w.Abort();
    EXPECT_FALSE(Exists(file)) << "an aborted file is removed";
    ASSERT_TRUE(w.Open(file, "T", Fields("t", 16, CJet4Field::Text, 255)));
    std::string omegas;
    for (int i = 0; i < 255; ++i) omegas += "\xCE\xA9";
    for (int f = 0; f < 16; ++f) w.SetText(f, omegas);
    EXPECT_FALSE(w.AddRecord());
    EXPECT_EQ(w.Failure(), Jet4Failure::Limit);
}

// ---------------------------------------------------------------- reading through the table layer

TEST(AccessDriver, RoundTripThroughTheTableLayerKeepsEveryBit) {
    const std::string file = TempPath("layer.mdb");
    const double values[] = {
        0.0, -0.0, 1.0 / 3.0, 6.02214076e23, -1.602176634e-19, 4.9e-324, 1.7976931348623157e308, 123456.789};
    std::vector<std::vector<COleVariant>> records;
    for (int k = 0; k < 8; ++k) records.push_back({values[k], kTexts[k]});
    ASSERT_TRUE(WriteTable(file, "", "Data", {{"U(V)", dbDouble}, {"Label", dbText}}, records));
    OpenedTable t;
    ASSERT_TRUE(t.Open(file, "Data"));
    EXPECT_STREQ(t.db.GetVersion(), "4.0");
    EXPECT_EQ(UserTables(t.db), std::vector<std::string>{"Data"});
    ASSERT_EQ(t.def.GetFieldCount(), 2);
    CDaoFieldInfo number, text;
    ASSERT_EQ(t.def.GetFieldInfo(0, number), 1);
    ASSERT_EQ(t.def.GetFieldInfo(1, text), 1);
    EXPECT_STREQ(number.m_strName, "U(V)");
    EXPECT_EQ(number.m_nType, dbDouble);
    EXPECT_STREQ(text.m_strName, "Label");
    EXPECT_EQ(text.m_nType, dbText);
    EXPECT_EQ(t.def.GetRecordCount(), 8);
    for (int k = 0; k < 8; ++k, t.rs.MoveNext()) {
        ASSERT_FALSE(t.rs.IsEOF());
        const COleVariant v = t.rs.GetFieldValue(0), label = t.rs.GetFieldValue(1);
        ASSERT_EQ(v.vt, VT_R8);
        EXPECT_EQ(std::memcmp(&v.dblVal, &values[k], 8), 0) << k;
        if (kTexts[k][0]) {
            ASSERT_EQ(label.vt, VT_BSTR) << k;
            EXPECT_STREQ(label.GetText(), kTexts[k]);
        }
    }
    EXPECT_TRUE(t.rs.IsEOF());
}

// Long texts make few records per page, so that a few thousand records need more
// pages than an inline usage map covers and the reader follows bitmap pages.
TEST(AccessDriver, ReadsRecordsOverBitmapPagesAndLongTexts) {
    const std::string file = TempPath("many.mdb");
    const int records = 5000;
    auto longText = [](int r) {
        std::string t = "Ω" + std::to_string(r) + " ";
        while (t.size() < 380) t += "Ωμ";
        return t;
    };
    CJet4Writer w;
    WriteJet(w, file, "Data",
             {{"U(V)", CJet4Field::Double, 20}, {"Long", CJet4Field::Text, 20}, {"Short", CJet4Field::Text, 20}},
             records, [&](CJet4Writer& w, int r) {
                 w.SetDouble(0, Value(r, 0));
                 w.SetText(1, longText(r));
                 if (r % 5 != 4) w.SetText(2, kTexts[r % 8]);
             });
    EXPECT_GT(ReadFile(file).size() / 4096, 520u);
    OpenedTable t;
    ASSERT_TRUE(t.Open(file, "Data"));
    EXPECT_EQ(t.def.GetRecordCount(), records);
    CDaoFieldInfo field;
    ASSERT_EQ(t.def.GetFieldInfo(1, field), 1);
    std::size_t longest = 0;
    for (int r = 0; r < records; ++r) longest = std::max(longest, TBUtf8ToUtf16(longText(r)).size());
    EXPECT_EQ(field.m_lSize, static_cast<long>(longest)) << "the text field widened to its longest value";
    int r = 0;
    for (; !t.rs.IsEOF(); t.rs.MoveNext(), ++r) {
        const COleVariant v = t.rs.GetFieldValue(0), shortText = t.rs.GetFieldValue(2);
        ASSERT_EQ(v.vt, VT_R8);
        ASSERT_EQ(v.dblVal, Value(r, 0)) << r;
        ASSERT_EQ(std::string(t.rs.GetFieldValue(1).GetText().GetString()), longText(r)) << r;
        if (r % 5 == 4) {
            EXPECT_EQ(shortText.vt, VT_NULL);
        } else if (kTexts[r % 8][0]) {
            ASSERT_STREQ(shortText.GetText(), kTexts[r % 8]) << r;
        }
    }
    EXPECT_EQ(r, records);
}

// Databases written by Access and by other programs, Jet 3 and Jet 4: every table,
// system tables too, reads to its end.
TEST(AccessDriver, ReadsSampleDatabases) {
    struct Expected {
        const char* file;
        const char* version;
        std::vector<std::string> tables;
    };
    const Expected expected[] = {
        {"jackcess/testV1997.mdb", "3.0", {"Table1", "Table2", "Table3", "Table4"}},
        {"jackcess/delColTestV1997.mdb", "3.0", {"Table1"}},
        {"jackcess/overflowTestV1997.mdb", "3.0", {"Table1"}},
        {"jackcess/test2V1997.mdb", "3.0", {"MSP_PROJECTS"}},
        {"jackcess/test2V2000.mdb", "4.0", {"MSP_PROJECTS"}},
        {"jackcess/test2V2003.mdb", "4.0", {"MSP_PROJECTS"}},
        {"jackcess/fixedNumericTestV2000.mdb", "4.0", {"test"}},
        {"jackcess/emptyJet4.mdb", "4.0", {}},
        {"jackcess/adox_jet4.mdb", "4.0", {}},
        {"mdb-reader/V2000_empty.mdb", "4.0", {}},
        {"mdb-reader/V2003_numeric.mdb", "4.0", {"test"}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.file);
        const std::string path = std::string(TOOLBOX_TEST_DATA "/samples/") + e.file;
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, ""), 1) << db.GetLastErrorText().GetString();
        EXPECT_STREQ(db.GetVersion(), e.version);
        EXPECT_EQ(UserTables(db), e.tables);
        CString error;
        EXPECT_EQ(ReadEveryTable(path, "", &error), TB_DAO_OK) << error.GetString();
    }
}

TEST(AccessDriver, SampleValuesOfEveryKind) {
    const std::string root = TOOLBOX_TEST_DATA "/samples/";
    // Text, text, byte, integer, long, double, date (days since 1899-12-30), currency, boolean.
    EXPECT_EQ(ReadTable(root + "jackcess/testV1997.mdb", "Table1"),
              (TableRows{{"A", "B", "C", "D", "E", "F", "G", "H", "I"},
                         {"a", "b", "0", "0", "0", "0", "29932", "0.0000", "false"},
                         {"abcdefg", "hijklmnop", "2", "222", "333333333", "444.555", "27293", "3.5000", "true"}}));
    EXPECT_EQ(ReadTable(root + "jackcess/delColTestV1997.mdb", "Table1"),
              (TableRows{{"id", "id2", "data", "data2"}, {"0", "2", "foo", "foo2"}, {"3", "5", "bar", "bar2"}}));
    for (const char* file : {"jackcess/fixedNumericTestV2000.mdb", "mdb-reader/V2003_numeric.mdb"}) {
        const TableRows rows = ReadTable(root + file, "test");
        ASSERT_EQ(rows.size(), 2u) << file;
        EXPECT_EQ(rows[1], (std::vector<std::string>{"some data", "1", "0", "0", "4", "-1", "1"})) << file;
    }
}

// ---------------------------------------------------------------- damaged files

TEST(AccessDriver, DamagedFilesAreRefused) {
    const std::string good = TempPath("good.mdb");
    WriteMixed(good, 3000);
    const std::string bytes = ReadFile(good);
    ASSERT_EQ(ReadEveryTable(good), TB_DAO_OK);
    const std::string bad = TempPath("bad.mdb");
    auto refused = [&](const std::string& damaged, const char* what) {
        WriteFile(bad, damaged);
        EXPECT_EQ(ReadEveryTable(bad), TB_DAO_E_FORMAT) << what;
    };
    refused(bytes.substr(0, bytes.size() - 100), "cut inside a page");
    refused(bytes.substr(0, bytes.size() - 4096 * 5), "last pages cut off");
    refused(bytes.substr(0, 4096 * 2), "cut before the catalogue");
    refused(bytes.substr(0, 10), "cut inside the header");
    refused(std::string(), "empty file");
    // The bytes with the ones at offset replaced.
    auto patched = [&bytes](std::size_t offset, const std::string& with) {
        return std::string(bytes).replace(offset, with.size(), with);
    };
    refused(patched(0x14, "\x09"), "unknown version");
    refused(patched(5, "X"), "no signature");
    // Catalogue row of the user table (page 3, last row) pointing past the end, and at
    // a data page.
    const std::size_t catalog = 4096 * 3;
    const std::size_t rows = static_cast<unsigned char>(bytes[catalog + 12]);
    const std::size_t lastRow = LoadLittleEndian(bytes, catalog + 14 + 2 * (rows - 1), 2);
    refused(patched(catalog + lastRow + 2, Le32(0x00FFFFF0)), "catalogue row past the end");
    refused(patched(catalog + lastRow + 2, Le32(7)), "catalogue row at a data page");
    // The user table's definition (page 6): usage map pointer past the end, a column
    // count beyond what a table can have.
    refused(patched(4096 * 6 + 55, Le32(0x7FFFFF00)), "usage map past the end");
    refused(patched(4096 * 6 + 45, std::string("\0\x04", 2)), "1024 columns");
    // A record whose variable offsets run backwards: the first row of page 7 ends at the
    // page end with null mask (1 byte), count (2), offsets (2 each, last first), EOD.
    refused(patched(4096 * 8 - 1 - 2 - 2 * 2, std::string("\xF0\0", 2)), "variable offsets backwards");
}

// Bytes changed at random must never crash the reader (run under the sanitizers in CI).
TEST(AccessDriver, RandomDamageNeverCrashes) {
    const std::string good = TempPath("seed.mdb");
    WriteMixed(good, 200);
    const std::vector<std::string> seeds = {ReadFile(good),
                                            ReadFile(TOOLBOX_TEST_DATA "/samples/jackcess/testV1997.mdb")};
    const std::string bad = TempPath("random.mdb");
    std::mt19937 random(12345);
    int refusedCount = 0, readCount = 0;
    for (const std::string& seed : seeds) {
        for (int round = 0; round < 150; ++round) {
            std::string b = seed;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int c = 0; c < changes; ++c) {
                // Mostly the structures: the first pages, headers of data pages.
                const std::size_t page = random() % 3 == 0 ? random() % (b.size() / 2048) : random() % 8;
                const std::size_t offset = std::min(b.size() - 1, page * 2048 + random() % 2048);
                b[offset] = static_cast<char>(random() & 0xFF);
            }
            WriteFile(bad, b);
            const int code = ReadEveryTable(bad);
            (code == TB_DAO_OK ? readCount : refusedCount)++;
            EXPECT_TRUE(code == TB_DAO_OK || code == TB_DAO_E_FORMAT || code == TB_DAO_E_NOT_FOUND) << code;
        }
    }
    EXPECT_GT(refusedCount, 0);
    EXPECT_GT(readCount, 0);
}

// ---------------------------------------------------------------- numbers straight from the rows

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Every table of a database read two ways: the values libmdb gives through the table
// layer's records, as the engine turns them into numbers, and the numbers the row walk
// decodes in place (CJetFile::ReadNumbers) for every fixed-size number column. Both
// must agree record for record and bit for bit, and fail together.
void ExpectNumbersAsRecords(const std::string& path, const std::string& what) {
    CJetFile file;
    ASSERT_TRUE(file.Load(ReadFile(path))) << what;
    std::vector<CJetCatalogEntry> tables;
    ASSERT_TRUE(file.ReadCatalog(tables)) << what;
    CDaoDatabase db;
    const bool opened = db.Open(path.c_str(), FALSE, TRUE, "") == 1;
    for (const CJetCatalogEntry& t : tables) {
        if (t.system) continue;
        CJetTableDefinition def;
        ASSERT_TRUE(file.ReadDefinition(t.definitionPage, def)) << what;
        std::uint32_t checked = 0;
        const bool checks = file.CheckRows(def, checked);
        std::vector<std::vector<double>> columns(def.columns.size());
        std::vector<double*> targets(def.columns.size(), nullptr);
        for (std::size_t c = 0; c < def.columns.size(); ++c) {
            if (TBJetValueRoute(def.columns[c]) != JetValueRoute::Raw) continue;
            columns[c].assign(checked + 1, 12345.0);
            targets[c] = columns[c].data();
        }
        std::uint32_t rows = 0;
        const bool decoded = file.ReadNumbers(def, targets, checked, rows);
        ASSERT_EQ(decoded, checks) << what << " " << t.name << ": " << file.Error();
        ASSERT_EQ(opened, checks) << what << ": " << db.GetLastErrorText().GetString();
        if (!checks) continue;
        ASSERT_EQ(rows, checked) << what;
        CDaoTableDef table(&db);
        ASSERT_EQ(table.Open(t.name.c_str()), 1) << what;
        CDaoRecordset rs(&db);
        ASSERT_EQ(rs.Open(&table, dbOpenTable, 0), 1) << what;
        std::uint32_t r = 0;
        for (; !rs.IsEOF(); rs.MoveNext(), ++r) {
            for (std::size_t c = 0; c < columns.size(); ++c) {
                if (!targets[c]) continue;
                const double expected = tb_exchange::VariantNumber(rs.GetFieldValue(static_cast<int>(c)));
                ASSERT_TRUE(SameBits(columns[c][r], expected))
                    << what << " " << t.name << " record " << r << " column " << c << ": " << columns[c][r]
                    << " != " << expected;
            }
        }
        EXPECT_EQ(r, rows) << what;
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (targets[c]) {
                EXPECT_EQ(columns[c][rows], 12345.0) << what << ": written past the records";
            }
    }
}

// The page of the named table's definition in the file's bytes; 0 when the file does
// not load or its catalogue has no such table.
std::uint32_t DefinitionPage(const std::string& bytes, const std::string& name) {
    CJetFile file;
    std::vector<CJetCatalogEntry> tables;
    if (!file.Load(bytes) || !file.ReadCatalog(tables)) return 0;
    for (const CJetCatalogEntry& t : tables)
        if (t.name == name) return t.definitionPage;
    return 0;
}

// Three doubles, every seventh value Null, n records.
void WriteNumbers(const std::string& path, int n) {
    CJet4Writer w;
    WriteJet(w, path, "Data", Fields("C", 3, CJet4Field::Double), n, [](CJet4Writer& w, int r) {
        for (int f = 0; f < 3; ++f) {
            if ((r + f) % 7 == 3)
                w.SetNull(f);
            else
                w.SetDouble(f, Value(r, f));
        }
    });
}

}  // namespace

// Bytes, integers, longs, singles, doubles, dates, currency and booleans, Jet 3 and 4,
// rows shorter than their table, Null values: decoded in place as libmdb decodes them.
TEST(AccessNumbers, DecodedInPlaceAsTheRecordsGiveThem) {
    const std::string root = TOOLBOX_TEST_DATA "/samples/";
    for (const char* file : {"jackcess/testV1997.mdb", "jackcess/delColTestV1997.mdb", "jackcess/test2V1997.mdb",
                             "jackcess/test2V2000.mdb", "jackcess/fixedNumericTestV2000.mdb"})
        ExpectNumbersAsRecords(root + file, file);
    const std::string numbers = TempPath("numbers.mdb");
    WriteNumbers(numbers, 5000);
    ExpectNumbersAsRecords(numbers, "numbers only");
    const std::string mixed = TempPath("mixed_numbers.mdb");
    WriteMixed(mixed, 700);
    ExpectNumbersAsRecords(mixed, "numbers and texts");
}

// Damage to the data pages of a table of numbers: the shortcut for plain rows checks
// and decodes exactly what the full row cracking and libmdb do.
TEST(AccessNumbers, DamagedRowsTakeTheSameWayAsLibmdb) {
    const std::string good = TempPath("numbers_seed.mdb");
    WriteNumbers(good, 600);
    const std::string seed = ReadFile(good);
    // The data pages of the table (not those of the catalogue).
    const std::uint32_t definition = DefinitionPage(seed, "Data");
    ASSERT_NE(definition, 0u);
    std::vector<std::size_t> dataPages;
    for (std::size_t p = 0; p < seed.size() / 4096; ++p)
        if (seed[p * 4096] == 0x01 && tbtest::LoadLittleEndian(seed, p * 4096 + 4, 4) == definition) dataPages.push_back(p);
    ASSERT_GE(dataPages.size(), 2u);
    const std::string bad = TempPath("numbers_damaged.mdb");
    std::mt19937 random(2929);
    for (int round = 0; round < 120; ++round) {
        std::string b = seed;
        const std::size_t page = dataPages[random() % dataPages.size()] * 4096;
        for (int c = 1 + static_cast<int>(random() % 3); c > 0; --c) {
            // Row offsets, column counts and null masks lie near the start and the end
            // of the rows; any byte of the page otherwise.
            const std::size_t offset = random() % 2 ? random() % 160 : random() % 4096;
            b[page + offset] = static_cast<char>(random() & 0xFF);
        }
        WriteFile(bad, b);
        ExpectNumbersAsRecords(bad, "round " + std::to_string(round));
        if (::testing::Test::HasFatalFailure()) return;
    }
}

// Currency is a signed count of ten-thousandths and a date a signed count of days from
// 1899-12-30: values below zero read back signed when the rows are decoded in place.
TEST(AccessNumbers, NegativeCurrencyAndEarlyDatesReadSigned) {
    // Written as two double columns; the first becomes currency (its markers replaced by
    // the scaled integers), the second a date.
    const double markers[] = {1111.5, 2222.5, 3333.5};
    const std::int64_t tenThousandths[] = {-125000, 72500, -1};
    const std::vector<double> dates = {-1.5, -36522.0, 0.25};
    const std::string path = TempPath("signed.mdb");
    CJet4Writer w;
    WriteJet(w, path, "Data", Fields("C", 2, CJet4Field::Double), 3, [&](CJet4Writer& w, int r) {
        w.SetDouble(0, markers[r]);
        w.SetDouble(1, dates[r]);
    });
    std::string bytes = ReadFile(path);
    const std::uint32_t definition = DefinitionPage(bytes, "Data");
    ASSERT_NE(definition, 0u);
    // Without indexes the column entries (25 bytes, the type first) follow the 63-byte header.
    bytes[definition * 4096 + 63] = 0x05;
    bytes[definition * 4096 + 63 + 25] = 0x08;
    for (int r = 0; r < 3; ++r) {
        const std::size_t at = bytes.find(BytesOf(markers[r]));
        ASSERT_NE(at, std::string::npos);
        bytes.replace(at, 8, LittleEndian(static_cast<std::uint64_t>(tenThousandths[r]), 8));
    }
    CJetFile file;
    CJetTableDefinition def;
    ASSERT_TRUE(file.Load(bytes) && file.ReadDefinition(definition, def)) << file.Error();
    ASSERT_EQ(def.columns[0].type, 0x05);
    ASSERT_EQ(def.columns[1].type, 0x08);
    std::vector<double> currency(3), days(3);
    std::uint32_t rows = 0;
    ASSERT_TRUE(file.ReadNumbers(def, {currency.data(), days.data()}, 3, rows)) << file.Error();
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(currency, (std::vector<double>{-12.5, 7.25, -0.0001}));
    EXPECT_EQ(days, dates);
}

// The table layer's call: whole fields into storage, straight from the file for number
// fields, through the records for texts; count bounds what is written.
TEST(AccessNumbers, RecordsetFillsNumberStorage) {
    const std::string path = TempPath("columns.mdb");
    WriteMixed(path, 300);
    for (bool withText : {false, true}) {
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, ""), 1);
        CDaoTableDef def(&db);
        ASSERT_EQ(def.Open("Data"), 1);
        CDaoRecordset rs(&db);
        EXPECT_EQ(rs.GetNumberColumns(nullptr, 0, 0), -1);
        EXPECT_EQ(rs.GetLastErrorCode(), TB_DAO_E_STATE);
        ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
        std::vector<double> u(101, -1.0), note(101, -1.0);
        double* values[] = {u.data(), nullptr, nullptr, withText ? note.data() : nullptr};
        EXPECT_EQ(rs.GetNumberColumns(values, 9, 100), -1);
        EXPECT_EQ(rs.GetLastErrorCode(), TB_DAO_E_ARGUMENT);
        ASSERT_EQ(rs.GetNumberColumns(values, 4, 100), 100) << rs.GetLastErrorText().GetString();
        for (int r = 0; r < 100; ++r) {
            EXPECT_EQ(u[r], Value(r, 0)) << r;
            if (withText) {
                EXPECT_EQ(note[r], 0.0) << "a text that is no number reads 0";
            }
        }
        EXPECT_EQ(u[100], -1.0);
        std::vector<double> all(300);
        double* first[] = {all.data()};
        EXPECT_EQ(rs.GetNumberColumns(first, 1, 1000), 300);
        EXPECT_EQ(all[299], Value(299, 0));
        // The recordset still walks its records afterwards.
        long n = 0;
        for (; !rs.IsEOF(); rs.MoveNext()) ++n;
        EXPECT_EQ(n, 300);
    }
}
