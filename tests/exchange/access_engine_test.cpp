// Access databases through the exchange engine: channels written as a table and read
// back, the table choice, the format codes, the messages and error classes.
#include <toolbox/exchange/engine.h>
#include <toolbox/exchange/table_choice.h>
#include "tests/exchange/exchange_helpers.h"
#include "tests/support/dialog_hub.h"
#include "tests/support/files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace tbtest;

namespace {

class AccessEngine : public ::testing::Test {
protected:
    // Channels: U [V] as a double array, I [A] as a raw block, Label as variants
    // starting with a text (a text field), Mixed as variants starting with a number
    // (a double field).
    AccessEngine() {
        for (int k = 0; k < kItems; ++k) {
            u.Add(k * 0.1 - 1.0 / 3.0);
            i[k] = 1e-3 * k + 1e-17;
            labels.Add(COleVariant(("row " + std::to_string(k) + " Ω").c_str()));
            mixed.Add(k % 2 ? COleVariant("7.25") : COleVariant(static_cast<double>(k)));
        }
    }
    // Writes the channels to path with the table name (with writer, when given); the
    // writer's result.
    int Write(const std::string& path, const char* table = "", CReadAndWriteFileFunction* writer = nullptr) {
        CReadAndWriteFileFunction local;
        CReadAndWriteFileFunction& engine = writer ? *writer : local;
        SetChannels(engine, kItems, {{&u, "U", "V"}, {i, "I", "A"}, {&labels, "Label"}, {&mixed, "Mixed"}});
        return engine.WriteFile(path.c_str(), table, -1, nullptr, nullptr, 0, 0);
    }

    static constexpr int kItems = 25;
    ScratchDir dir;
    Doubles u;
    double i[kItems];
    Variants labels, mixed;
};

}  // namespace

TEST_F(AccessEngine, WritesChannelsAsTableAndReadsThemBack) {
    const std::string path = dir.File("Data.mdb");
    CReadAndWriteFileFunction writer;
    ASSERT_EQ(Write(path, "", &writer), 1) << writer.GetLastError().GetString();
    EXPECT_EQ(writer.GetSaveVersion(), 10);
    EXPECT_EQ(writer.GetLoadVersion(), 2);
    EXPECT_STREQ(writer.GetTableName(), "Data");
    EXPECT_STREQ(writer.GetConnectTitle(), "");
    // Without a table name and without dialogs the file title names the table.
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0, 2), 1)
        << engine.GetLastError().GetString();
    EXPECT_EQ(engine.GetSaveVersion(), 10);
    EXPECT_EQ(engine.GetLoadVersion(), 2);
    ASSERT_EQ(engine.GetNrChannels(), 4);
    ASSERT_EQ(engine.GetNrItems(), kItems);
    const char* names[] = {"U", "I", "Label", "Mixed"};
    const char* units[] = {"V", "A", "", ""};
    for (int c = 0; c < 4; ++c) {
        EXPECT_STREQ(engine.GetChannel(c)->GetChannelName(), names[c]);
        EXPECT_STREQ(engine.GetChannel(c)->GetUnitName(), units[c]);
    }
    std::vector<double> block(kItems);
    Doubles array;
    CStringArray texts;
    Variants variants;
    engine.GetChannel(0)->SetDoubleArray(&array);
    engine.GetChannel(2)->SetStringArray(&texts);
    engine.GetChannel(3)->SetVariantArray(&variants);
    // A channel without storage is an error naming its number.
    EXPECT_EQ(engine.ReadDataFile(), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 4);
    EXPECT_NE(engine.GetLastError().Find("channel 2"), -1) << engine.GetLastError().GetString();
    engine.GetChannel(1)->SetDoublePtr(block.data());  // the host's block, never freed by the engine
    const double* owned = block.data();
    engine.ResetWarnAndErrorMsg();
    array.RemoveAll();
    texts.RemoveAll();
    variants.RemoveAll();
    ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError().GetString();
    EXPECT_EQ(engine.GetSaveVersion(), 10);
    EXPECT_EQ(engine.GetLoadVersion(), 2);
    ASSERT_EQ(array.GetSize(), kItems);
    ASSERT_EQ(texts.GetSize(), kItems);
    ASSERT_EQ(variants.GetSize(), kItems);
    for (int k = 0; k < kItems; ++k) {
        EXPECT_EQ(array[k], u[k]) << "doubles keep every bit, " << k;
        EXPECT_EQ(owned[k], i[k]) << k;
        EXPECT_STREQ(texts[k], labels[k].GetText());
        // The mixed channel became a double field (its first variant is a number).
        ASSERT_EQ(variants[k].vt, VT_R8);
        EXPECT_EQ(variants[k].dblVal, k % 2 ? 7.25 : k);
    }
}

TEST_F(AccessEngine, DialogOffersTablesWithoutTheSystemOnesAndCanBeCancelled) {
    const std::string path = dir.File("dialog.mdb");
    ASSERT_EQ(Write(path, "Messung"), 1);
    TableChoiceHub answer(0);
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1)
        << engine.GetLastError().GetString();
    EXPECT_EQ(answer.offered, std::vector<std::string>{"Messung"});
    EXPECT_STREQ(engine.GetTableName(), "Messung");
    EXPECT_EQ(engine.GetNrItems(), kItems);

    TableChoiceHub cancel(-1);
    CReadAndWriteFileFunction other;
    EXPECT_EQ(other.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 0);
    EXPECT_EQ(other.GetLastErrorNumber(), 7);
}

TEST_F(AccessEngine, SampleDatabaseThroughTheEngine) {
    const std::string path = TOOLBOX_TEST_DATA "/samples/jackcess/testV1997.mdb";
    TableChoiceHub answer(0);
    CReadAndWriteFileFunction engine;
    ASSERT_EQ(engine.ReadInfoFile(path.c_str(), "", -1, nullptr, nullptr, 1, 0, 2), 1)
        << engine.GetLastError().GetString();
    EXPECT_EQ(answer.offered, (std::vector<std::string>{"Table1", "Table2", "Table3", "Table4"}));
    ASSERT_EQ(engine.GetNrChannels(), 9);
    ASSERT_EQ(engine.GetNrItems(), 2);
    std::vector<CStringArray> texts(9);
    for (int c = 0; c < 9; ++c) engine.GetChannel(c)->SetStringArray(&texts[c]);
    ASSERT_EQ(engine.ReadDataFile(), 1);
    EXPECT_STREQ(texts[0][1], "abcdefg");
    EXPECT_STREQ(texts[4][1], "333333333");
    EXPECT_STREQ(texts[5][1], "444.555");
    // Date (days since 30 December 1899) and currency cells by their values, in every store.
    EXPECT_STREQ(texts[6][1], "27293");
    EXPECT_STREQ(texts[7][1], "3.5");
    CReadAndWriteFileFunction numbers;
    ASSERT_EQ(numbers.ReadInfoFile(path.c_str(), "Table1", -1, nullptr, nullptr, 1, 0, 2), 1);
    for (int c = 0; c < 9; ++c) numbers.GetChannel(c)->SetStringArray(&texts[c]);
    CArray<double, double> dates;
    double* currency = new double[2]();
    numbers.GetChannel(6)->SetDoubleArray(&dates);
    numbers.GetChannel(7)->SetDoublePtr(currency);  // the channel owns the block
    ASSERT_EQ(numbers.ReadDataFile(), 1) << numbers.GetLastError().GetString();
    ASSERT_EQ(dates.GetSize(), 2);
    EXPECT_DOUBLE_EQ(dates[0], 29932.0);
    EXPECT_DOUBLE_EQ(currency[1], 3.5);
    numbers.GetChannel(7)->SetDoublePtr(nullptr);
}

TEST_F(AccessEngine, NamesMessagesAndErrorClasses) {
    // Two channels with one field name: string 27, error class 6, nothing written.
    Doubles a = DoublesOf({1}), b = DoublesOf({2});
    CReadAndWriteFileFunction duplicate;
    SetChannels(duplicate, 1, {{&a, "X", "V"}, {&b, "x", "V"}});
    EXPECT_EQ(duplicate.WriteFile(dir.File("dup.mdb").c_str(), "", -1, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(duplicate.GetLastErrorNumber(), 6);
    EXPECT_NE(duplicate.GetLastError().Find("The name of some channels are  identical."), -1)
        << duplicate.GetLastError().GetString();
    EXPECT_FALSE(Exists(dir.File("dup.mdb")));

    // A channel without a name becomes "Ch2" with its unit, with warning 50.
    CReadAndWriteFileFunction nameless;
    SetChannels(nameless, 1, {{&a, "t", "s"}, {&b, "", "V"}});
    ASSERT_EQ(nameless.WriteFile(dir.File("noname.mdb").c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
    EXPECT_NE(nameless.GetLastWarn().Find("There is a invalid channel name!"), -1);
    CReadAndWriteFileFunction reader;
    ASSERT_EQ(reader.ReadInfoFile(dir.File("noname.mdb").c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 1);
    EXPECT_STREQ(reader.GetChannel(1)->GetChannelName(), "Ch2");
    EXPECT_STREQ(reader.GetChannel(1)->GetUnitName(), "V");

    // A string array gives a double field: texts that are no numbers cannot go there.
    CStringArray texts = TextsOf({"1.5e-3", "abc"});
    CReadAndWriteFileFunction textual;
    SetChannels(textual, 2, {{&texts, "T"}});
    EXPECT_EQ(textual.WriteFile(dir.File("texts.mdb").c_str(), "", -1, nullptr, nullptr, 0, 0), 0);
    EXPECT_EQ(textual.GetLastErrorNumber(), 6);
    EXPECT_FALSE(Exists(dir.File("texts.mdb")));

    // Writing over an existing file replaces it completely.
    const std::string good = dir.File("good.mdb");
    WriteFile(good, std::string(100000, 'x'));
    ASSERT_EQ(Write(good), 1);
    ASSERT_EQ(reader.ReadInfoFile(good.c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 1);
    EXPECT_EQ(reader.GetNrItems(), kItems);

    // Files that are no database, truncated databases, a table that is not there.
    const std::string bytes = ReadFile(good);
    WriteFile(dir.File("cut.mdb"), bytes.substr(0, bytes.size() / 2 + 100));
    WriteFile(dir.File("text.mdb"), "no database\n");
    for (const char* name : {"cut.mdb", "text.mdb", "missing.mdb"}) {
        CReadAndWriteFileFunction engine;
        EXPECT_EQ(engine.ReadInfoFile(dir.File(name).c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 0) << name;
        EXPECT_EQ(engine.GetLastErrorNumber(), 6) << name;
        EXPECT_NE(engine.GetLastError().Find("Error if opening the database >>"), -1)
            << engine.GetLastError().GetString();
    }
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadInfoFile(good.c_str(), "Nowhere", -1, nullptr, nullptr, 0, 0, 2), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 6);
    EXPECT_NE(engine.GetLastError().Find("Please control your table name"), -1) << engine.GetLastError().GetString();
}

// The data read takes the database the info read opened only while the file is the
// same: a file rewritten or removed in between is read anew (or refused), an engine
// copied in between reads on its own, and the host's item count bounds what is stored.
TEST_F(AccessEngine, DataReadFollowsTheFileNotWhatTheInfoReadSaw) {
    const std::string path = dir.File("Data.mdb");
    auto writeScaled = [&](double scale, int items) {
        CReadAndWriteFileFunction engine;
        Doubles values;
        for (int k = 0; k < items; ++k) values.Add(k * scale);
        SetChannels(engine, items, {{&values, "U", "V"}});
        ASSERT_EQ(engine.WriteFile(path.c_str(), "", -1, nullptr, nullptr, 0, 0), 1);
        engine.GetChannel(0)->SetDoubleArray(nullptr);
    };
    auto readInfo = [&](CReadAndWriteFileFunction& engine) {
        ASSERT_EQ(engine.ReadInfoFile(path.c_str(), "Data", -1, nullptr, nullptr, 0, 0, 2), 1)
            << engine.GetLastError().GetString();
        ASSERT_EQ(engine.GetNrItems(), kItems);
    };
    writeScaled(1.0, kItems);
    {
        CReadAndWriteFileFunction engine;
        readInfo(engine);
        writeScaled(2.0, kItems);  // same size, other values
        CArray<double, double> read;
        engine.GetChannel(0)->SetDoubleArray(&read);
        ASSERT_EQ(engine.ReadDataFile(), 1) << engine.GetLastError().GetString();
        ASSERT_EQ(read.GetSize(), kItems);
        EXPECT_EQ(read[kItems - 1], (kItems - 1) * 2.0);
        engine.GetChannel(0)->SetDoubleArray(nullptr);
    }
    {
        CReadAndWriteFileFunction engine;
        readInfo(engine);
        CReadAndWriteFileFunction copy(engine);
        double first[kItems], second[kItems];
        engine.GetChannel(0)->SetDoublePtr(first);
        copy.GetChannel(0)->SetDoublePtr(second);
        ASSERT_EQ(engine.ReadDataFile(), 1);
        ASSERT_EQ(copy.ReadDataFile(), 1);
        EXPECT_EQ(first[kItems - 1], (kItems - 1) * 2.0);
        EXPECT_EQ(second[kItems - 1], (kItems - 1) * 2.0);
        *engine.GetChannel(0) = CExImPortChannel();  // the blocks are the test's
        *copy.GetChannel(0) = CExImPortChannel();
    }
    {
        // Fewer items than records: the block of that size is filled and no more, an
        // array grows to it.
        CReadAndWriteFileFunction engine;
        readInfo(engine);
        engine.SetNrItems(10);
        double block[11];
        block[10] = -7.0;
        engine.GetChannel(0)->SetDoublePtr(block);
        ASSERT_EQ(engine.ReadDataFile(), 1);
        EXPECT_EQ(block[9], 18.0);
        EXPECT_EQ(block[10], -7.0);
        *engine.GetChannel(0) = CExImPortChannel();
        CReadAndWriteFileFunction other;
        readInfo(other);
        other.SetNrItems(10);
        CArray<double, double> array;
        other.GetChannel(0)->SetDoubleArray(&array);
        ASSERT_EQ(other.ReadDataFile(), 1);
        EXPECT_EQ(array.GetSize(), 10);
        other.GetChannel(0)->SetDoubleArray(nullptr);
    }
    {
        CReadAndWriteFileFunction engine;
        readInfo(engine);
        ASSERT_EQ(std::remove(path.c_str()), 0);
        double values[kItems];
        engine.GetChannel(0)->SetDoublePtr(values);
        EXPECT_EQ(engine.ReadDataFile(), 0);
        EXPECT_EQ(engine.GetLastErrorNumber(), 6);
        EXPECT_NE(engine.GetLastError().Find("Error if opening the database >>"), -1)
            << engine.GetLastError().GetString();
        *engine.GetChannel(0) = CExImPortChannel();
    }
}
