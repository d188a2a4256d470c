// Access databases: files the Jet 4 writer makes, opened by mdbtools' own programs;
// the same files and the sample databases read back through the table layer; damaged
// files refused without a crash.
#include <toolbox/exchange/dao.h>
#include "exchange/tables/jet/jet4_writer.h"
#include "exchange/tables/jet/jet_file.h"
#include "exchange/value_convert.h"
#include "tests/support/bytes.h"
#include "tests/support/files.h"
#include "tests/support/programs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using tbtest::PutLe32;
using tbtest::ReadFile;
using tbtest::WriteFile;

namespace {

/// A file in the program's scratch directory, removed at exit.
std::string TempPath(const std::string& name) {
    static const tbtest::ScratchDir dir;
    return dir / name;
}

// Standard output of a shell command; standard error apart, so that warnings show up.
std::string Output(const std::string& command, std::string* errors = nullptr) {
    const tbtest::RunResult r = tbtest::ShellApart(command);
    if (errors) *errors = r.errors;
    return r.output;
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part.push_back(c);
        }
    }
    parts.push_back(part);
    return parts;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines = Split(text, '\n');
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
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

// A table "Data" with three doubles and two texts, n records.
void WriteMixed(const std::string& path, int n) {
    CJet4Writer w;
    std::vector<CJet4Field> fields = {{"U(V)", CJet4Field::Double, 20},
                                      {"I(A)", CJet4Field::Double, 20},
                                      {"Temperatur(°C)", CJet4Field::Double, 20},
                                      {"Note", CJet4Field::Text, 20},
                                      {"Bemerkung", CJet4Field::Text, 20}};
    ASSERT_TRUE(w.Open(path, "Data", fields)) << w.Error();
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < 3; ++f) w.SetDouble(f, Value(r, f));
        w.SetText(3, kTexts[r % 8]);
        if (r % 5 != 4) w.SetText(4, "row " + std::to_string(r));
        ASSERT_TRUE(w.AddRecord()) << w.Error();
    }
    ASSERT_TRUE(w.Close()) << w.Error();
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

    const std::vector<std::string> lines = Lines(Output("mdb-export -Q -d '|' '" + file + "' Data", &errors));
    EXPECT_EQ(errors, "");
    ASSERT_EQ(lines.size(), 41u);
    EXPECT_EQ(lines[0], "U(V)|I(A)|Temperatur(°C)|Note|Bemerkung");
    for (int r = 0; r < 40; ++r) {
        const std::vector<std::string> cells = Split(lines[r + 1], '|');
        ASSERT_EQ(cells.size(), 5u) << lines[r + 1];
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
    {
        CJet4Writer w;
        std::vector<CJet4Field> fields;
        for (int f = 0; f < 8; ++f) fields.push_back({"Ch" + std::to_string(f + 1), CJet4Field::Double, 20});
        ASSERT_TRUE(w.Open(file, "Data", fields));
        for (int r = 0; r < records; ++r) {
            for (int f = 0; f < 8; ++f) w.SetDouble(f, Value(r, f));
            ASSERT_TRUE(w.AddRecord());
        }
        ASSERT_TRUE(w.Close());
        EXPECT_EQ(w.RecordCount(), static_cast<std::uint32_t>(records));
    }
    // 8 doubles per record make 69-byte rows, 59 to a page: far more pages than an
    // inline usage map covers.
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_GT(st.st_size, 4096 * 1500);
    EXPECT_EQ(st.st_size % 4096, 0);
    std::string errors;
    const std::vector<std::string> lines = Lines(Output("mdb-export -Q -d '|' '" + file + "' Data", &errors));
    EXPECT_EQ(errors, "");
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(records + 1));
    for (int r : {0, 1, 58, 59, 60, 4095, 50000, records - 1}) {
        const std::vector<std::string> cells = Split(lines[r + 1], '|');
        ASSERT_EQ(cells.size(), 8u);
        for (int f = 0; f < 8; ++f)
            EXPECT_NEAR(std::strtod(cells[f].c_str(), nullptr), Value(r, f), std::fabs(Value(r, f)) * 1e-15) << r;
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
    std::vector<CJet4Field> fields;
    for (int f = 0; f < 8; ++f) fields.push_back({"T" + std::to_string(f), CJet4Field::Text, 255});
    for (int edge : {1019, 1359, 2040}) {
        for (int rowBytes = edge - 2; rowBytes <= edge + 1; ++rowBytes) {
            SCOPED_TRACE(rowBytes);
            const std::string file = TempPath("edge.mdb");
            std::remove(file.c_str());
            CJet4Writer w;
            ASSERT_TRUE(w.Open(file, "Data", fields)) << w.Error();
            for (int r = 0; r < records; ++r) {
                for (int f = 0; f < 8; ++f) w.SetText(f, text(r, f, rowBytes));
                ASSERT_TRUE(w.AddRecord()) << w.Error();
            }
            ASSERT_TRUE(w.Close()) << w.Error();
            const std::vector<std::string> lines = Lines(Output("mdb-export -Q -H -d '|' '" + file + "' Data"));
            ASSERT_EQ(lines.size(), static_cast<std::size_t>(records));
            CDaoDatabase db;
            ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, ""), 1) << db.GetLastErrorText().GetString();
            CDaoTableDef def(&db);
            ASSERT_EQ(def.Open("Data"), 1);
            CDaoRecordset rs(&db);
            ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
            int r = 0;
            for (; !rs.IsEOF() && r < records; rs.MoveNext(), ++r) {
                const std::vector<std::string> cells = Split(lines[r], '|');
                ASSERT_EQ(cells.size(), 8u) << r;
                for (int f = 0; f < 8; ++f) {
                    EXPECT_EQ(cells[f], text(r, f, rowBytes)) << r;
                    EXPECT_EQ(std::string(rs.GetFieldValue(f).GetText().GetString()), text(r, f, rowBytes)) << r;
                }
            }
            EXPECT_EQ(r, records);
        }
    }
}

TEST(Jet4Writer, WideTableDefinitionSpansPages) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const std::string file = TempPath("wide.mdb");
    CJet4Writer w;
    std::vector<CJet4Field> fields;
    for (int f = 0; f < 255; ++f)
        fields.push_back({"Channel with a long name number " + std::to_string(f),
                          f % 10 == 9 ? CJet4Field::Text : CJet4Field::Double, 20});
    ASSERT_TRUE(w.Open(file, "Wide", fields));
    for (int r = 0; r < 3; ++r) {
        for (int f = 0; f < 255; ++f) {
            if (f % 10 == 9)
                w.SetText(f, "t" + std::to_string(r));
            else
                w.SetDouble(f, r + f * 0.5);
        }
        ASSERT_TRUE(w.AddRecord()) << w.Error();
    }
    ASSERT_TRUE(w.Close());
    const std::string schema = Output("mdb-schema '" + file + "' access");
    EXPECT_NE(schema.find("[Channel with a long name number 0]"), std::string::npos);
    EXPECT_NE(schema.find("[Channel with a long name number 254]"), std::string::npos);
    const std::vector<std::string> lines = Lines(Output("mdb-export -Q -d '|' '" + file + "' Wide"));
    ASSERT_EQ(lines.size(), 4u);
    const std::vector<std::string> cells = Split(lines[3], '|');
    ASSERT_EQ(cells.size(), 255u);
    EXPECT_EQ(cells[0], "2");
    EXPECT_EQ(cells[9], "t2");
    EXPECT_EQ(cells[249], "t2");
    EXPECT_EQ(cells[253], "128.5");
    EXPECT_EQ(cells[254], "129");
}

TEST(Jet4Writer, EmptyTableAndCatalogueOnlyDatabase) {
    TBTEST_REQUIRE_PROGRAM("mdb-export");
    const std::string empty = TempPath("empty.mdb");
    {
        CJet4Writer w;
        ASSERT_TRUE(w.Open(empty, "Nothing", {{"x", CJet4Field::Double, 20}}));
        ASSERT_TRUE(w.Close());
    }
    EXPECT_EQ(Output("mdb-tables -1 '" + empty + "'"), "Nothing\n");
    EXPECT_EQ(Output("mdb-export '" + empty + "' Nothing"), "x\n");

    const std::string bare = TempPath("bare.mdb");
    {
        CJet4Writer w;
        ASSERT_TRUE(w.Open(bare, "", {}));
        ASSERT_TRUE(w.Close());
    }
    EXPECT_EQ(Output("mdb-tables -1 '" + bare + "'"), "");
    EXPECT_NE(Output("mdb-tables -S -1 '" + bare + "'").find("MSysObjects"), std::string::npos);
}

TEST(Jet4Writer, RefusesWhatTheFormatCannotHold) {
    const std::string file = TempPath("limits.mdb");
    CJet4Writer w;
    std::vector<CJet4Field> many(256);
    for (int f = 0; f < 256; ++f) many[f].name = "c" + std::to_string(f);
    EXPECT_FALSE(w.Open(file, "T", many));
    EXPECT_EQ(w.Failure(), Jet4Failure::Limit);
    EXPECT_FALSE(w.Open(file, "T", {{"Name", CJet4Field::Double, 20}, {"NAME", CJet4Field::Text, 20}}));
    EXPECT_EQ(w.Failure(), Jet4Failure::Name);
    EXPECT_FALSE(w.Open(file, std::string(65, 'n'), {{"x", CJet4Field::Double, 20}}));
    EXPECT_EQ(w.Failure(), Jet4Failure::Name);
    EXPECT_FALSE(w.Open(file, "msysobjects", {{"x", CJet4Field::Double, 20}}));
    EXPECT_EQ(w.Failure(), Jet4Failure::Name);
    EXPECT_FALSE(w.Open(file, "T", {{"", CJet4Field::Double, 20}}));
    EXPECT_EQ(w.Failure(), Jet4Failure::Name);
    EXPECT_FALSE(w.Open("/nonexistent-dir/x.mdb", "T", {{"x", CJet4Field::Double, 20}}));
    EXPECT_EQ(w.Failure(), Jet4Failure::Io);

    // Texts: up to 255 characters fit (the field widens), 256 do not.
    ASSERT_TRUE(w.Open(file, "T", {{"t", CJet4Field::Text, 20}}));
    w.SetText(0, std::string(255, 'x'));
    EXPECT_TRUE(w.AddRecord());
    w.SetText(0, std::string(256, 'x'));
    EXPECT_FALSE(w.AddRecord());
    EXPECT_EQ(w.Failure(), Jet4Failure::Limit);
    // A record wider than a page: 16 texts of 255 non-Latin-1 characters.
    w.Abort();
    struct stat st;
    EXPECT_NE(stat(file.c_str(), &st), 0) << "an aborted file is removed";
    std::vector<CJet4Field> texts;
    for (int f = 0; f < 16; ++f) texts.push_back({"t" + std::to_string(f), CJet4Field::Text, 255});
    ASSERT_TRUE(w.Open(file, "T", texts));
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
    {
        CDaoDatabase db;
        ASSERT_EQ(db.Create(file.c_str(), dbLangGeneral, dbVersion30), 1) << db.GetLastErrorText().GetString();
        CDaoTableDef def(&db);
        ASSERT_EQ(def.Create("Data"), 1);
        ASSERT_EQ(def.CreateField("U(V)", dbDouble, 20, 0x22), 1);
        ASSERT_EQ(def.CreateField("Label", dbText, 20, 0x22), 1);
        ASSERT_EQ(def.Append(), 1) << def.GetLastErrorText().GetString();
        CDaoRecordset rs(&db);
        ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
        for (std::size_t k = 0; k < sizeof values / sizeof values[0]; ++k) {
            ASSERT_EQ(rs.AddNew(), 1);
            ASSERT_EQ(rs.SetFieldValue(0, COleVariant(values[k])), 1);
            ASSERT_EQ(rs.SetFieldValue(1, COleVariant(kTexts[k])), 1);
            ASSERT_EQ(rs.Update(), 1);
        }
        rs.Close();
        def.Close();
        ASSERT_EQ(db.Close(), 1) << db.GetLastErrorText().GetString();
    }
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, ""), 1) << db.GetLastErrorText().GetString();
    EXPECT_STREQ(db.GetVersion(), "4.0");
    int userTables = 0;
    for (int i = 0; i < db.GetTableDefCount(); ++i) {
        CDaoTableDefInfo info;
        ASSERT_EQ(db.GetTableDefInfo(i, info), 1);
        if (info.m_strName.Left(4) != "MSys") {
            ++userTables;
            EXPECT_STREQ(info.m_strName, "Data");
            EXPECT_EQ(info.m_lAttributes, 0);
        } else {
            EXPECT_EQ(info.m_lAttributes, dbSystemObject);
        }
    }
    EXPECT_EQ(userTables, 1);
    CDaoTableDef def(&db);
    ASSERT_EQ(def.Open("Data"), 1);
    ASSERT_EQ(def.GetFieldCount(), 2);
    CDaoFieldInfo field;
    ASSERT_EQ(def.GetFieldInfo(0, field), 1);
    EXPECT_STREQ(field.m_strName, "U(V)");
    EXPECT_EQ(field.m_nType, dbDouble);
    ASSERT_EQ(def.GetFieldInfo(1, field), 1);
    EXPECT_STREQ(field.m_strName, "Label");
    EXPECT_EQ(field.m_nType, dbText);
    EXPECT_EQ(def.GetRecordCount(), 8);
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
    for (std::size_t k = 0; k < 8; ++k, rs.MoveNext()) {
        ASSERT_FALSE(rs.IsEOF());
        COleVariant v = rs.GetFieldValue(0);
        ASSERT_EQ(v.vt, VT_R8);
        EXPECT_EQ(std::memcmp(&v.dblVal, &values[k], 8), 0) << k;
        COleVariant t = rs.GetFieldValue(1);
        if (kTexts[k][0]) {
            ASSERT_EQ(t.vt, VT_BSTR) << k;
            EXPECT_STREQ(t.GetText(), kTexts[k]);
        }
    }
    EXPECT_TRUE(rs.IsEOF());
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
    {
        CJet4Writer w;
        ASSERT_TRUE(w.Open(
            file, "Data",
            {{"U(V)", CJet4Field::Double, 20}, {"Long", CJet4Field::Text, 20}, {"Short", CJet4Field::Text, 20}}));
        for (int r = 0; r < records; ++r) {
            w.SetDouble(0, Value(r, 0));
            w.SetText(1, longText(r));
            if (r % 5 != 4) w.SetText(2, kTexts[r % 8]);
            ASSERT_TRUE(w.AddRecord()) << w.Error();
        }
        ASSERT_TRUE(w.Close());
    }
    struct stat st;
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_GT(st.st_size / 4096, 520);
    CDaoDatabase db;
    ASSERT_EQ(db.Open(file.c_str(), FALSE, TRUE, ""), 1) << db.GetLastErrorText().GetString();
    CDaoTableDef def(&db);
    ASSERT_EQ(def.Open("Data"), 1);
    EXPECT_EQ(def.GetRecordCount(), records);
    CDaoFieldInfo field;
    ASSERT_EQ(def.GetFieldInfo(1, field), 1);
    std::size_t longest = 0;
    for (int r = 0; r < records; ++r) longest = std::max(longest, TBUtf8ToUtf16(longText(r)).size());
    EXPECT_EQ(field.m_lSize, static_cast<long>(longest)) << "the text field widened to its longest value";
    CDaoRecordset rs(&db);
    ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1);
    int r = 0;
    for (; !rs.IsEOF(); rs.MoveNext(), ++r) {
        COleVariant v = rs.GetFieldValue(0);
        ASSERT_EQ(v.vt, VT_R8);
        ASSERT_EQ(v.dblVal, Value(r, 0)) << r;
        ASSERT_EQ(std::string(rs.GetFieldValue(1).GetText().GetString()), longText(r)) << r;
        COleVariant shortText = rs.GetFieldValue(2);
        if (r % 5 == 4) {
            EXPECT_EQ(shortText.vt, VT_NULL);
        } else if (kTexts[r % 8][0]) {
            ASSERT_STREQ(shortText.GetText(), kTexts[r % 8]) << r;
        }
    }
    EXPECT_EQ(r, records);
}

// Databases written by Access and by other programs: Jet 3 and Jet 4.
TEST(AccessDriver, ReadsSampleDatabases) {
    const std::string root = TOOLBOX_TEST_DATA "/samples";
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
        const std::string path = root + "/" + e.file;
        CDaoDatabase db;
        ASSERT_EQ(db.Open(path.c_str(), FALSE, TRUE, ""), 1) << e.file << ": " << db.GetLastErrorText().GetString();
        EXPECT_STREQ(db.GetVersion(), e.version) << e.file;
        std::vector<std::string> tables;
        for (int i = 0; i < db.GetTableDefCount(); ++i) {
            CDaoTableDefInfo info;
            ASSERT_EQ(db.GetTableDefInfo(i, info), 1);
            if (std::string(info.m_strName.GetString()).compare(0, 4, "MSys") != 0)
                tables.push_back(info.m_strName.GetString());
        }
        EXPECT_EQ(tables, e.tables) << e.file;
        // Every table, system tables too, reads to the end.
        for (int i = 0; i < db.GetTableDefCount(); ++i) {
            CDaoTableDefInfo info;
            ASSERT_EQ(db.GetTableDefInfo(i, info), 1);
            CDaoTableDef def(&db);
            ASSERT_EQ(def.Open(info.m_strName), 1) << e.file << " " << info.m_strName.GetString();
            CDaoRecordset rs(&db);
            ASSERT_EQ(rs.Open(&def, dbOpenTable, 0), 1) << e.file << " " << info.m_strName.GetString();
            long n = 0;
            for (; !rs.IsEOF(); rs.MoveNext()) ++n;
            EXPECT_EQ(n, rs.GetRecordCount()) << e.file << " " << info.m_strName.GetString();
        }
    }
}

namespace {

// Field values of the current record as text: numbers "%.15g", null "<null>".
std::string CellText(const COleVariant& v) {
    char buffer[64];
    switch (v.vt) {
        case VT_NULL: return "<null>";
        case VT_BSTR: return v.GetText().GetString();
        case VT_R8:
        case VT_DATE: std::snprintf(buffer, sizeof buffer, "%.15g", v.dblVal); return buffer;
        case VT_R4: std::snprintf(buffer, sizeof buffer, "%.7g", v.fltVal); return buffer;
        case VT_I2: return std::to_string(v.iVal);
        case VT_I4: return std::to_string(v.lVal);
        case VT_UI1: return std::to_string(v.bVal);
        case VT_BOOL: return v.boolVal ? "true" : "false";
        case VT_CY: std::snprintf(buffer, sizeof buffer, "%.4f", v.cyVal.int64 / 10000.0); return buffer;
        default: return "?";
    }
}

std::vector<std::vector<std::string>> ReadTable(const std::string& path, const char* table,
                                                std::vector<std::string>* names = nullptr) {
    std::vector<std::vector<std::string>> rows;
    CDaoDatabase db;
    if (db.Open(path.c_str(), FALSE, TRUE, "") != 1) return rows;
    CDaoTableDef def(&db);
    if (def.Open(table) != 1) return rows;
    if (names) {
        for (int i = 0; i < def.GetFieldCount(); ++i) {
            CDaoFieldInfo info;
            def.GetFieldInfo(i, info);
            names->push_back(info.m_strName.GetString());
        }
    }
    CDaoRecordset rs(&db);
    if (rs.Open(&def, dbOpenTable, 0) != 1) return rows;
    for (; !rs.IsEOF(); rs.MoveNext()) {
        std::vector<std::string> row;
        for (int i = 0; i < rs.GetFieldCount(); ++i) row.push_back(CellText(rs.GetFieldValue(i)));
        rows.push_back(row);
    }
    return rows;
}

}  // namespace

TEST(AccessDriver, SampleValuesOfEveryKind) {
    const std::string root = TOOLBOX_TEST_DATA "/samples/";
    std::vector<std::string> names;
    auto rows = ReadTable(root + "jackcess/testV1997.mdb", "Table1", &names);
    EXPECT_EQ(names, (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H", "I"}));
    ASSERT_EQ(rows.size(), 2u);
    // Text, text, byte, integer, long, double, date (days since 1899-12-30), currency, boolean.
    EXPECT_EQ(rows[0], (std::vector<std::string>{"a", "b", "0", "0", "0", "0", "29932", "0.0000", "false"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"abcdefg", "hijklmnop", "2", "222", "333333333", "444.555", "27293",
                                                 "3.5000", "true"}));

    names.clear();
    rows = ReadTable(root + "jackcess/delColTestV1997.mdb", "Table1", &names);
    EXPECT_EQ(names, (std::vector<std::string>{"id", "id2", "data", "data2"}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"0", "2", "foo", "foo2"}));
    EXPECT_EQ(rows[1], (std::vector<std::string>{"3", "5", "bar", "bar2"}));

    for (const char* file : {"jackcess/fixedNumericTestV2000.mdb", "mdb-reader/V2003_numeric.mdb"}) {
        rows = ReadTable(root + file, "test");
        ASSERT_EQ(rows.size(), 1u) << file;
        EXPECT_EQ(rows[0], (std::vector<std::string>{"some data", "1", "0", "0", "4", "-1", "1"})) << file;
    }
}

// ---------------------------------------------------------------- damaged files

namespace {

// Opens path through the table layer and reads every table; returns the error code
// of the first failure (TB_DAO_OK when everything read).
int OpenAndReadAll(const std::string& path) {
    CDaoDatabase db;
    if (db.Open(path.c_str(), FALSE, TRUE, "") != 1) return db.GetLastErrorCode();
    for (int i = 0; i < db.GetTableDefCount(); ++i) {
        CDaoTableDefInfo info;
        db.GetTableDefInfo(i, info);
        CDaoTableDef def(&db);
        if (def.Open(info.m_strName) != 1) return def.GetLastErrorCode();
        CDaoRecordset rs(&db);
        if (rs.Open(&def, dbOpenTable, 0) != 1) return rs.GetLastErrorCode();
        for (; !rs.IsEOF(); rs.MoveNext()) rs.GetFieldValue(0);
        if (rs.GetLastErrorCode() != TB_DAO_OK && rs.GetLastErrorCode() != TB_DAO_E_STATE) return rs.GetLastErrorCode();
    }
    return TB_DAO_OK;
}

}  // namespace

TEST(AccessDriver, DamagedFilesAreRefused) {
    const std::string good = TempPath("good.mdb");
    WriteMixed(good, 3000);
    const std::string bytes = ReadFile(good);
    ASSERT_EQ(OpenAndReadAll(good), TB_DAO_OK);
    const std::string bad = TempPath("bad.mdb");
    auto refused = [&](const std::string& damaged, const char* what) {
        WriteFile(bad, damaged);
        EXPECT_EQ(OpenAndReadAll(bad), TB_DAO_E_FORMAT) << what;
    };
    refused(bytes.substr(0, bytes.size() - 100), "cut inside a page");
    refused(bytes.substr(0, bytes.size() - 4096 * 5), "last pages cut off");
    refused(bytes.substr(0, 4096 * 2), "cut before the catalogue");
    refused(bytes.substr(0, 10), "cut inside the header");
    refused(std::string(), "empty file");
    std::string b = bytes;
    b[0x14] = 9;
    refused(b, "unknown version");
    b = bytes;
    b[5] = 'X';
    refused(b, "no signature");
    // Catalogue row of the user table (page 3, last row) pointing past the end, and at
    // a data page.
    const std::size_t catalog = 4096 * 3;
    const int rows = static_cast<unsigned char>(bytes[catalog + 12]);
    const int lastRow = static_cast<unsigned char>(bytes[catalog + 14 + 2 * (rows - 1)]) |
                        (static_cast<unsigned char>(bytes[catalog + 15 + 2 * (rows - 1)]) << 8);
    b = bytes;
    PutLe32(b, catalog + lastRow + 2, 0x00FFFFF0);
    refused(b, "catalogue row past the end");
    b = bytes;
    PutLe32(b, catalog + lastRow + 2, 7);
    refused(b, "catalogue row at a data page");
    // Usage map pointer of the user table (page 6, offset 55) past the end.
    b = bytes;
    PutLe32(b, 4096 * 6 + 55, 0x7FFFFF00);
    refused(b, "usage map past the end");
    // Column count beyond what a table can have.
    b = bytes;
    b[4096 * 6 + 45] = 0x00;
    b[4096 * 6 + 46] = 0x04;
    refused(b, "1024 columns");
    // A record whose variable offsets run backwards.
    b = bytes;
    const std::size_t data = 4096 * 7;
    const int first =
        static_cast<unsigned char>(bytes[data + 14]) | (static_cast<unsigned char>(bytes[data + 15]) << 8);
    // The row ends at the page end: null mask (1 byte), count (2), offsets (2 each, last first), EOD.
    const std::size_t offsetOfFirstText = data + 4096 - 1 - 2 - 2 * 2;
    b[offsetOfFirstText] = static_cast<char>(0xF0);
    b[offsetOfFirstText + 1] = 0;
    (void)first;
    refused(b, "variable offsets backwards");
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
            const int code = OpenAndReadAll(bad);
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
            if (targets[c]) EXPECT_EQ(columns[c][rows], 12345.0) << what << ": written past the records";
    }
}

// Three doubles, every seventh value Null, n records.
void WriteNumbers(const std::string& path, int n) {
    CJet4Writer w;
    ASSERT_TRUE(w.Open(path, "Data", {{"t(s)", CJet4Field::Double, 20}, {"U(V)", CJet4Field::Double, 20},
                                      {"I(A)", CJet4Field::Double, 20}}));
    for (int r = 0; r < n; ++r) {
        for (int f = 0; f < 3; ++f) {
            if ((r + f) % 7 == 3)
                w.SetNull(f);
            else
                w.SetDouble(f, Value(r, f));
        }
        ASSERT_TRUE(w.AddRecord()) << w.Error();
    }
    ASSERT_TRUE(w.Close()) << w.Error();
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
    CJetFile file;
    std::vector<CJetCatalogEntry> tables;
    ASSERT_TRUE(file.Load(seed) && file.ReadCatalog(tables));
    std::uint32_t definition = 0;
    for (const CJetCatalogEntry& t : tables)
        if (t.name == "Data") definition = t.definitionPage;
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
            if (withText) EXPECT_EQ(note[r], 0.0) << "a text that is no number reads 0";
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
