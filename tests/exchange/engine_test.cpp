// The channel type, the engine's channel table, messages, filter lists and facade.
#include <toolbox/exchange/read_and_write_files.h>
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <cfloat>
#include <limits>

TEST(Channel, CopiesShareStorageAndSettersDisposeOfOldStorage) {
    CArray<double, double> first, second;
    first.Add(1.0);
    first.Add(2.0);
    CExImPortChannel channel;
    EXPECT_TRUE(channel.GetChannelName().IsEmpty());
    EXPECT_FALSE(channel.HasStorage());
    channel.SetChannelName("U");
    channel.SetDoubleArray(&first);
    CExImPortChannel copy = channel;
    EXPECT_EQ(copy.GetDoubleArray(), &first);
    EXPECT_EQ(copy.GetChannelName(), "U");

    channel.SetDoubleArray(&second);  // the old array is emptied, the object stays
    EXPECT_EQ(first.GetSize(), 0);
    EXPECT_EQ(channel.GetDoubleArray(), &second);

    CStringArray texts;
    texts.Add("a");
    channel.SetStringArray(&texts);
    channel.SetStringArray(&texts);  // setting the same array again keeps its content
    EXPECT_EQ(texts.GetSize(), 1);
    channel.SetStringArray(nullptr);
    EXPECT_EQ(texts.GetSize(), 0);

    CArray<COleVariant, COleVariant> cells;
    cells.Add(COleVariant(1.5));
    channel.SetVariantArray(&cells);
    channel.SetVariantArray(nullptr);
    EXPECT_EQ(cells.GetSize(), 0);

    channel.SetDoublePtr(new double[4]);
    channel.SetDoublePtr(new double[4]);  // the first block is freed (ASan checks)
    channel.SetDoublePtr(nullptr);
}

TEST(EngineTable, InsertChannelStoresBelowNrChannelsAndWarnsBeyond) {
    CReadAndWriteFileFunction engine;
    engine.SetNrChannels(2);
    CArray<double, double> values;
    EXPECT_EQ(engine.InsertChannel(0, &values, "U", "V"), 1);
    EXPECT_EQ(engine.GetChannel(0)->GetDoubleArray(), &values);
    EXPECT_EQ(engine.GetChannel(0)->GetUnitName(), "V");
    EXPECT_EQ(engine.GetChannel(1), nullptr);

    EXPECT_EQ(engine.InsertChannel(2, &values, "X", ""), 2);
    EXPECT_EQ(engine.GetLastWarn(), TBFormatMessage(TBMsg::MoreChannelsThanDim, {CString()}) + "\r\n");
    EXPECT_EQ(engine.Channels.GetSize(), 1);

    // The double-array form empties the warnings first, the other forms keep them.
    double block[3] = {};
    EXPECT_EQ(engine.InsertChannel(5, block, "B", ""), 2);
    EXPECT_EQ(engine.Warnings.GetSize(), 2);
    EXPECT_EQ(engine.InsertChannel(1, &values, "I", "A"), 1);
    EXPECT_EQ(engine.Warnings.GetSize(), 0);
    EXPECT_EQ(engine.InsertChannel(-1, block, "B", ""), 2);

    // Replacing a slot keeps the table consistent (ASan: the old channel is freed).
    EXPECT_EQ(engine.InsertChannel(1, block, "I2", ""), 1);
    EXPECT_EQ(engine.GetChannel(1)->GetDoublePtr(), block);
    *engine.GetChannel(1) = CExImPortChannel();  // the block is on the stack: detach it
}

TEST(EngineTable, GetChannelIsNullAtOrBeyondNrChannelsEvenWhenTheTableIsLonger) {
    CReadAndWriteFileFunction engine;
    engine.SetNrChannels(3);
    EXPECT_EQ(engine.AddEmptyChannel(), 1);
    EXPECT_EQ(engine.AddEmptyChannel(), 1);
    EXPECT_EQ(engine.AddEmptyChannel(), 1);
    EXPECT_EQ(engine.AddEmptyChannel(), 2);
    EXPECT_NE(engine.GetChannel(2), nullptr);
    engine.SetNrChannels(2);
    EXPECT_EQ(engine.GetChannel(2), nullptr);
    EXPECT_EQ(engine.GetChannel(-1), nullptr);

    auto* mine = new CExImPortChannel;
    engine.SetChannel(5, mine);  // not taken: index beyond NrChannels
    delete mine;
    engine.SetChannel(1, new CExImPortChannel);
    EXPECT_NE(engine.GetChannel(1), nullptr);
}

TEST(EngineState, ResetAllVarsClearsPerFileStateAndKeepsTheRest) {
    CReadAndWriteFileFunction engine;
    engine.SetNrChannels(1);
    engine.SetNrItems(5);
    engine.AddEmptyChannel();
    engine.FileName = "a.csv";
    engine.Separator = ";";
    engine.Decimal = ",";
    engine.LastError = "old";
    engine.LastErrorNumber = 3;
    engine.Typ = '8';
    engine.TextStartLine = 4;
    engine.SaveVersion = 12;
    engine.AsciiData = 0;
    engine.Warnings.Add("w");
    CStringArray lines;
    lines.Add("comment");
    engine.SetEditionalStringArray(&lines);

    engine.ResetAllVars();
    EXPECT_EQ(engine.GetNrChannels(), 0);
    EXPECT_EQ(engine.GetNrItems(), 0);
    EXPECT_EQ(engine.Channels.GetSize(), 0);
    EXPECT_TRUE(engine.GetFileName().IsEmpty());
    EXPECT_EQ(engine.GetTyp(), 'A');
    EXPECT_EQ(engine.GetSep(), ';');
    EXPECT_EQ(engine.TextStartLine, 1);
    EXPECT_EQ(engine.GetLastErrorNumber(), -1);
    EXPECT_EQ(engine.AsciiData, 1);
    EXPECT_TRUE(engine.GetLastWarn().IsEmpty());
    // Kept:
    EXPECT_EQ(engine.GetLastError(), "old");
    EXPECT_EQ(engine.GetSeperator(), ";");
    EXPECT_EQ(engine.GetDecimal(), ",");
    EXPECT_EQ(engine.GetSaveVersion(), 12);
    CStringArray out;
    out.Add("first");
    engine.GetEditionalStringArray(&out);
    ASSERT_EQ(out.GetSize(), 2);
    EXPECT_EQ(out[1], "comment");
    engine.GetEditionalStringArray(nullptr);
    engine.SetEditionalStringArray(nullptr);
}

TEST(EngineState, ReadDataFileOnAFreshEngineReportsAnInvalidFormat) {
    CReadAndWriteFileFunction engine;
    EXPECT_EQ(engine.ReadDataFile(), 0);
    EXPECT_EQ(engine.GetLastErrorNumber(), 3);
    EXPECT_EQ(engine.GetLastError(), TBFormatMessage(TBMsg::UnknownFileFormat, {CString()}));
    engine.ResetWarnAndErrorMsg();
    EXPECT_TRUE(engine.GetLastError().IsEmpty());
    EXPECT_EQ(engine.GetLastErrorNumber(), 3);
}

TEST(EngineFilters, ListsFollowTheirOrderAndAppend) {
    CStringArray filters;
    filters.Add("x");
    filters.Add("y");
    CReadAndWriteFiles::GetFormatFilterWrite(&filters);
    ASSERT_EQ(filters.GetSize(), 17);
    EXPECT_EQ(filters[2], "Veltranix Characteristic (ASCII) (*.mdx)|*.mdx|");
    EXPECT_EQ(filters[2 + 4], "Veltranix Characteristic (Bin(4  Byte))(*.mda/*.mdk)|*.mda;*.mdk|");
    EXPECT_EQ(filters[2 + 12], "CSV(*.csv)|*.csv|");
    EXPECT_EQ(filters[2 + 14], "Comtrade(Binary) (*.cfg)|*.cfg|");

    CStringArray engineRead;
    CReadAndWriteFileFunction().GetFormatFilterRead(&engineRead);
    ASSERT_EQ(engineRead.GetSize(), 8);
    EXPECT_EQ(engineRead[0], TBLoadString(TBMsg::FilterCharacteristic));
    EXPECT_EQ(engineRead[7], "TEK Oscilloscope(*.dat)|*.dat;*.dat|");

    CStringArray facadeRead;
    CReadAndWriteFiles::GetFormatFilterRead(&facadeRead);
    ASSERT_EQ(facadeRead.GetSize(), 9);
    EXPECT_EQ(facadeRead[0], "Veltranix Characteristic (*.mdx)|*.mdx|");
    EXPECT_EQ(facadeRead[1], "Veltranix Characteristic (*.mda/*.mdk)|*.mda;*.mdk|");
    EXPECT_EQ(facadeRead[2], TBLoadString(TBMsg::FilterAccess));

    CString joined = CReadAndWriteFiles::GetFormatFilterRead();
    EXPECT_EQ(joined.Left(facadeRead[0].GetLength()), facadeRead[0]);
    EXPECT_EQ(joined.Find("All files"), -1);
    EXPECT_EQ(CReadAndWriteFiles::GetFormatFilterWrite().Right(31), "Comtrade(Binary) (*.cfg)|*.cfg|");
    CReadAndWriteFiles::GetFormatFilterRead(nullptr);
}

TEST(EngineHelpers, LimitExportValueClampsSpecialValues) {
    const double largest = 3.4028234663852886e38;
    EXPECT_EQ(LimitExportValue(1.25), 1.25);
    EXPECT_EQ(LimitExportValue(-DBL_MAX), -DBL_MAX);
    EXPECT_EQ(LimitExportValue(-std::numeric_limits<double>::infinity()), largest);
    EXPECT_EQ(LimitExportValue(std::numeric_limits<double>::infinity()), largest);
    EXPECT_EQ(LimitExportValue(std::numeric_limits<double>::quiet_NaN()), largest);
    EXPECT_EQ(LimitExportValue(-std::numeric_limits<double>::quiet_NaN()), -largest);
}

TEST(Facade, CopiesOwnTheirEnginesAndShareStorage) {
    CArray<double, double> values;
    CReadAndWriteFiles a;
    a.SetNrChannels(1);
    a.InsertChannel(0, &values, "U", "V");
    {
        CReadAndWriteFiles b(a);
        EXPECT_NE(b.GetEngine(), a.GetEngine());
        EXPECT_NE(b.GetChannel(0), a.GetChannel(0));
        EXPECT_EQ(b.GetChannel(0)->GetDoubleArray(), &values);
        CReadAndWriteFiles c;
        c = a;
        c = c;
        EXPECT_EQ(c.GetChannel(0)->GetChannelName(), "U");
        c.ResetAllVars();
    }  // b and c go; a's engine and channels stay valid (ASan checks)
    EXPECT_EQ(a.GetChannel(0)->GetChannelName(), "U");
}
