// BIFF record streams found by fuzzing: each must end with a defined result and never
// read beyond the stream (the sanitizer build of the tests catches any overrun).
#include "exchange/tables/xls/xls_biff.h"
#include "tests/support/bytes.h"

#include <gtest/gtest.h>

namespace {

bool Parse(const std::vector<unsigned char>& bytes, CDaoStatus& status) {
    tb_xls::Workbook book;
    return tb_xls::ParseBiffStream(bytes.data(), bytes.size(), "Sheet", book, status);
}

std::string Record(std::uint16_t id, const std::string& data) {
    return tbtest::Le16(id) + tbtest::Le16(static_cast<std::uint16_t>(data.size())) + data;
}

// A BIFF4 worksheet stream of the records between its BOF and EOF.
std::string Worksheet(const std::string& records) {
    return Record(0x0409, std::string("\0\0\x10\0\0\0", 6)) + records + Record(0x000A, "");
}

// The cells of a stream that must read as one sheet holding one cell.
::testing::AssertionResult ReadsOneCell(const std::string& stream, tb_xls::Sheet& sheet) {
    tb_xls::Workbook book;
    CDaoStatus status;
    if (!tb_xls::ParseBiffStream(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(), "Sheet", book,
                                 status))
        return ::testing::AssertionFailure() << status.text.GetString();
    if (book.sheets.size() != 1 || book.sheets[0].cells.size() != 1)
        return ::testing::AssertionFailure() << book.sheets.size() << " sheets";
    sheet = std::move(book.sheets[0]);
    return ::testing::AssertionSuccess();
}

}  // namespace

// A shared string table whose characters run on into an empty CONTINUE record, which
// holds no option byte, at the very end of the stream.
TEST(XlsStream, SharedStringsContinuedIntoAnEmptyRecord) {
    const std::vector<unsigned char> bytes = {
        0x09, 0x00, 0x04, 0x00, 0xf3, 0xff, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0x00, 0xfc, 0x00, 0x41, 0x00, 0x00, 0x00, 0x00, 0xf3, 0xff, 0x05, 0x00, 0x00,
        0x00, 0x00, 0x0a, 0x00, 0x00, 0x13, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x04,
        0x00, 0x00, 0xfc, 0x00, 0x0a, 0x00, 0x00, 0x00, 0xa1, 0xa1, 0x09, 0x00, 0x04, 0x00, 0xf3, 0xff,
        0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xf3, 0xff, 0x05, 0x3c, 0x3c, 0x3c,
        0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x3c, 0x00, 0x00, 0x00};
    CDaoStatus status;
    if (!Parse(bytes, status)) {
        EXPECT_NE(status.code, TB_DAO_OK);
        EXPECT_FALSE(status.text.IsEmpty());
    } else {
        EXPECT_EQ(status.code, TB_DAO_OK);
    }
}

// A formula's text result comes in the STRING record after the FORMULA record; a shared
// formula, array or table record may stand between them.
TEST(XlsStream, FormulaTextAfterSharedFormulaArrayOrTable) {
    using tbtest::Le16;
    const std::string textResult("\0\0\0\0\0\0\xFF\xFF", 8);
    for (std::uint16_t between : {0x04BC, 0x0221, 0x0236}) {
        SCOPED_TRACE(between);
        const std::string stream =
            Worksheet(Record(0x0406, Le16(1) + Le16(2) + Le16(0) + textResult + Le16(0) + Le16(0)) +
                      Record(between, std::string(8, '\0')) + Record(0x0207, Le16(2) + "ok"));
        tb_xls::Sheet sheet;
        ASSERT_TRUE(ReadsOneCell(stream, sheet));
        EXPECT_EQ(sheet.cells[0].row, 1u);
        EXPECT_EQ(sheet.cells[0].column, 2u);
        EXPECT_STREQ(sheet.cells[0].value.GetText(), "ok");
    }
}

// DIMENSIONS sizes the cell vector before the cells come, but a used range the rest of
// the stream could not fill is not believed: a few bytes claiming billions of rows
// must not reserve memory for them.
TEST(XlsStream, DimensionsReserveNoMoreThanTheStreamCanHold) {
    using tbtest::Le16;
    const std::string number = Record(0x0203, Le16(0) + Le16(1) + Le16(0) + std::string("\0\0\0\0\0\0\xF0\x3F", 8));
    const std::string claims[] = {
        Le16(0) + Le16(0xFFFF) + Le16(0) + Le16(256) + Le16(0),                      // 16 million cells
        std::string("\0\0\0\0\xFF\xFF\xFF\xFF", 8) + Le16(0) + Le16(256) + Le16(0),  // 32-bit rows
    };
    for (const std::string& dimensions : claims) {
        const std::string stream = Worksheet(Record(0x0200, dimensions) + number);
        tb_xls::Sheet sheet;
        ASSERT_TRUE(ReadsOneCell(stream, sheet));
        EXPECT_EQ(sheet.cells[0].value.dblVal, 1.0);
        EXPECT_LE(sheet.cells.capacity(), stream.size() / 6);
    }
}
