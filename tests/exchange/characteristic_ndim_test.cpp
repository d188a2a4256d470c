// N-dimensional characteristic tables: both passes, the x and y phases and every
// message of the table reader.
#include <toolbox/exchange/engine.h>
#include "tests/support/engine_read.h"
#include "tests/support/files.h"
#include <toolbox/resources/message_ids.h>
#include <toolbox/resources/string_table.h>

#include <gtest/gtest.h>

#include <vector>

using namespace tbtest;

namespace {

const std::string kGrid = std::string(TOOLBOX_TEST_DATA) + "/characteristic/grid_2x3x4.mdx";

TEST(NDimTable, HeaderPassCreatesChannelsAndDataPassFillsThem) {
    ChannelRead t(kGrid);
    ASSERT_EQ(t.info, 1) << t.Error();
    EXPECT_EQ(t.engine.GetNrChannels(), 3);
    EXPECT_EQ(t.engine.GetNrItems(), 12);
    ASSERT_EQ(t.engine.GetXVecLengths()->GetSize(), 2);
    EXPECT_EQ((*t.engine.GetXVecLengths())[0], 3u);
    EXPECT_EQ((*t.engine.GetXVecLengths())[1], 4u);
    EXPECT_EQ(t.Name(0), "Temp");
    EXPECT_EQ(t.Unit(0), "degC");
    EXPECT_EQ(t.Name(2), "Gain");
    EXPECT_EQ(t.engine.GetLoadVersion(), 0);
    ASSERT_EQ(t.data, 1) << t.Error();
    ASSERT_EQ(t.Size(0), 3);
    EXPECT_EQ(t.At(0, 2), 125.0);
    ASSERT_EQ(t.Size(1), 4);
    EXPECT_EQ(t.At(1, 3), 100.0);
    ASSERT_EQ(t.Size(2), 12);
    EXPECT_EQ(t.At(2, 0), 1.0);
    EXPECT_EQ(t.At(2, 11), 3.3);
}

class NDimFile : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string path = dir.File("t.mdx");
    CString Name() const { return path.c_str(); }
    const std::string kHeader = "typ:=t\ndimx:=2\ndimy:=2\ns1:=2\ns2:=1\nend:=\n";
};

TEST_F(NDimFile, ThirteenthYLineGivesWarning218) {
    std::string text = "typ:=T\ndimx:=2\ns1:=3\nn1:=x\n";  // n before dimy: error 210
    WriteFile(path, text);
    ChannelRead early(path);
    EXPECT_EQ(early.info, 0);
    EXPECT_EQ(early.engine.GetLastError(), TBFormatMessage(TBMsg::NdimNoDimension, {Name(), 3, "s1:=3"}));

    text = "typ:=T\ndimx:=2\ndimy:=1\ns1:=3\ns2:=4\nend:=\n1;2;3\n4;5;6;7\n";
    for (int k = 0; k < 13; ++k) text += std::to_string(k) + "\n";
    WriteFile(path, text);
    ChannelRead t(path);
    ASSERT_EQ(t.info, 1) << t.Error();
    EXPECT_EQ(t.engine.GetNrItems(), 12);
    EXPECT_EQ(t.data, 2);
    EXPECT_EQ(t.engine.GetLastWarn(), TBFormatMessage(TBMsg::NdimTooManyYLines, {Name(), 21, "12"}) + "\r\n");
    EXPECT_EQ(t.Size(2), 12);
    EXPECT_EQ(t.At(2, 11), 11.0);
}

TEST_F(NDimFile, XVectorsMaySpanLinesAndTakeATrailingSeparator) {
    WriteFile(path, "typ:=t\ndimx:=1\ndimy:=2\ns1:=3\nsep:=\",\"\nend:=\n1,\n2,3,\n5,6\n7,8,\n9,10\n");
    ChannelRead t(path);
    ASSERT_EQ(t.data, 1) << t.Error();
    EXPECT_EQ(t.At(0, 2), 3.0);
    EXPECT_EQ(t.At(2, 2), 10.0);
    EXPECT_EQ(t.engine.GetSep(), ',');
}

TEST_F(NDimFile, HeaderErrorsNameFileLineAndText) {
    struct Case {
        std::string text;
        UINT id;
        int line;
        const char* offending;  // null: the message has no text part
    } cases[] = {
        {"typ:=Table\n", TBMsg::NdimInvalidType, 1, "Table"},
        {"typ:=t\ndimx:=0\n", TBMsg::NdimInvalidXDimension, 2, "0"},
        {"typ:=t\ndimx:=1\ndimy:=-1\n", TBMsg::NdimInvalidYDimension, 3, "-1"},
        {"typ:=t\ndimx:=1\ndimy:=1\ns1:=1\nend:=now\n", TBMsg::NdimInvalidEnd, 5, "now"},
        {"typ:=t\ndimx:=1\ndimy:=1\nend:=\n", TBMsg::NdimInvalidHeader, 4, nullptr},
        {"typ:=t\ndimx:=1\nend:=\n", TBMsg::NdimInvalidHeader, 3, nullptr},
        {"typ:=t\nu1:=V\n", TBMsg::NdimNoDimension, 2, "u1:=V"},
        {"typ:=t\ndimx:=1\ndimy:=1\nn3:=z\n", TBMsg::NdimInvalidChannelIndex, 4, "n3:=z"},
        {"typ:=t\ndimx:=1\ndimy:=1\ns2:=4\n", TBMsg::NdimInvalidChannelIndex, 4, "s2:=4"},
        {"typ:=t\ndimx:=1\ndimy:=1\ns1:=0\n", TBMsg::NdimInvalidChannelSize, 4, "0"},
        {"typ:=t\ndimx:=1000000000\n", TBMsg::NdimInvalidXDimension, 2, "1000000000"},
        // Lengths whose product passes the int range: refused, nothing allocated.
        {"typ:=t\ndimx:=3\ndimy:=1\ns1:=100000\ns2:=100000\ns3:=100000\nend:=\n", TBMsg::NdimInvalidHeader, 7, nullptr},
    };
    for (const Case& c : cases) {
        WriteFile(path, c.text);
        CReadAndWriteFileFunction e;
        EXPECT_EQ(e.ReadMdx_k(Name()), 0) << c.text;
        const CString expected = c.offending ? TBFormatMessage(c.id, {Name(), c.line, c.offending})
                                             : TBFormatMessage(c.id, {Name(), c.line});
        EXPECT_EQ(e.GetLastError(), expected) << c.text;
        EXPECT_EQ(e.GetLastErrorNumber(), TB_EXCHANGE_FILE_ERROR);
    }
}

TEST_F(NDimFile, DataErrorsAndWarnings) {
    struct Case {
        std::string body;
        int result;
        UINT id;
        int line;
        const char* offending;
    } cases[] = {
        {"1;2\n3\n4;5\n6;7\n", 1, 0, 0, nullptr},
        {"1;2\n3\n4;x\n6;7\n", 0, TBMsg::NdimInvalidValue, 9, "x"},
        {"1;2\n3\n4;5\n6\n", 0, TBMsg::NdimTooFewYValues, 10, "6"},
        {"1;2\n3\n4;;\n", 0, TBMsg::NdimTooFewYValues, 9, "4;;"},
        {"1;2;3\n", 0, TBMsg::NdimTooManyXValues, 7, "1;2;3"},
        {"1;2\n3\n4;5\n", 0, TBMsg::NdimTooFewYLines, 0, nullptr},
        {"1;2\n", 0, TBMsg::NdimTooFewYLines, 0, nullptr},
        {"1;2\n3\n4;5;6\n6;7\n", 2, TBMsg::NdimTooManyYValues, 9, "4;5;6"},
    };
    for (const Case& c : cases) {
        WriteFile(path, kHeader + c.body);
        ChannelRead t(path);
        ASSERT_EQ(t.info, 1) << c.body;
        EXPECT_EQ(t.data, c.result) << c.body;
        if (c.id == 0) {
            EXPECT_EQ(t.At(3, 1), 7.0);
        } else if (c.id == TBMsg::NdimTooFewYLines) {
            EXPECT_EQ(t.engine.GetLastError(), TBFormatMessage(TBMsg::NdimTooFewYLines, {Name()})) << c.body;
        } else if (c.result == 2) {
            EXPECT_EQ(t.engine.GetLastWarn(), TBFormatMessage(c.id, {Name(), c.line, c.offending}) + "\r\n");
        } else {
            EXPECT_EQ(t.engine.GetLastError(), TBFormatMessage(c.id, {Name(), c.line, c.offending})) << c.body;
        }
    }
}

TEST_F(NDimFile, ChannelWithoutStorageWarnsOnceAndOthersAreFilled) {
    WriteFile(path, kHeader + "1;2 // x1\n3\n4;5\n6;7\n");
    CReadAndWriteFileFunction e;
    ASSERT_EQ(e.ReadMdx_k(Name()), 1);
    e.GetChannel(3)->SetChannelName("Phase");
    double x0[2] = {}, x1[2] = {}, y0[2] = {};
    e.GetChannel(0)->SetDoublePtr(x0);
    e.GetChannel(1)->SetDoublePtr(x1);
    e.GetChannel(2)->SetDoublePtr(y0);
    EXPECT_EQ(e.ReadMdx_a(), 2);
    EXPECT_EQ(e.GetLastWarn(), TBFormatMessage(TBMsg::NdimNoChannelMemory, {Name(), 9, "Phase", "4;5"}) + "\r\n");
    EXPECT_EQ(x0[1], 2.0);
    EXPECT_EQ(x1[0], 3.0);
    EXPECT_EQ(y0[1], 6.0);
}

TEST_F(NDimFile, MissingFileAndPairs) {
    CReadAndWriteFileFunction e;
    e.FileName = dir.File("gone.mdx").c_str();
    e.FileKind = TB_KIND_MDX;
    EXPECT_EQ(e.ReadMdx_a(), 0);  // Typ 'A' default: the text reader reports the file
    e.Typ = 't';
    EXPECT_EQ(e.ReadMdx_a(), 0);
    EXPECT_EQ(e.GetLastError(), TBFormatMessage(TBMsg::NdimCannotOpen, {dir.File("gone.mdx").c_str()}));

    // A table held as a pair lives whole in the .mdk file.
    WriteFile(dir.File("p.mdk"), kHeader + "1;2\n3\n4;5\n6;7\n");
    ChannelRead t(dir.File("p.mda"));
    ASSERT_EQ(t.info, 1) << t.Error();
    EXPECT_EQ(t.data, 1) << t.Error();
    EXPECT_EQ(t.At(2, 1), 6.0);
    EXPECT_EQ(t.engine.GetLoadVersion(), 1);
}

}  // namespace
