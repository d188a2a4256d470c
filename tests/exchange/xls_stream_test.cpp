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
    auto record = [](std::uint16_t id, const std::string& data) {
        return Le16(id) + Le16(static_cast<std::uint16_t>(data.size())) + data;
    };
    const std::string textResult("\0\0\0\0\0\0\xFF\xFF", 8);
    for (std::uint16_t between : {0x04BC, 0x0221, 0x0236}) {
        SCOPED_TRACE(between);
        const std::string stream = record(0x0409, std::string("\0\0\x10\0\0\0", 6)) +
                                   record(0x0406, Le16(1) + Le16(2) + Le16(0) + textResult + Le16(0) + Le16(0)) +
                                   record(between, std::string(8, '\0')) + record(0x0207, Le16(2) + "ok") +
                                   record(0x000A, "");
        tb_xls::Workbook book;
        CDaoStatus status;
        ASSERT_TRUE(tb_xls::ParseBiffStream(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(),
                                            "Sheet", book, status))
            << status.text.GetString();
        ASSERT_EQ(book.sheets.size(), 1u);
        ASSERT_EQ(book.sheets[0].cells.size(), 1u);
        EXPECT_EQ(book.sheets[0].cells[0].row, 1u);
        EXPECT_EQ(book.sheets[0].cells[0].column, 2u);
        EXPECT_STREQ(book.sheets[0].cells[0].value.GetText(), "ok");
    }
}

// DIMENSIONS sizes the cell vector before the cells come, but a used range the rest of
// the stream could not fill is not believed: a few bytes claiming billions of rows
// must not reserve memory for them.
TEST(XlsStream, DimensionsReserveNoMoreThanTheStreamCanHold) {
    using tbtest::Le16;
    auto record = [](std::uint16_t id, const std::string& data) {
        return Le16(id) + Le16(static_cast<std::uint16_t>(data.size())) + data;
    };
    const std::string number = record(0x0203, Le16(0) + Le16(1) + Le16(0) + std::string("\0\0\0\0\0\0\xF0\x3F", 8));
    const std::string claims[] = {
        Le16(0) + Le16(0xFFFF) + Le16(0) + Le16(256) + Le16(0),                      // 16 million cells
        std::string("\0\0\0\0\xFF\xFF\xFF\xFF", 8) + Le16(0) + Le16(256) + Le16(0),  // 32-bit rows
    };
    for (const std::string& dimensions : claims) {
        const std::string stream = record(0x0409, std::string("\0\0\x10\0\0\0", 6)) + record(0x0200, dimensions) +
                                   number + record(0x000A, "");
        tb_xls::Workbook book;
        CDaoStatus status;
        ASSERT_TRUE(tb_xls::ParseBiffStream(reinterpret_cast<const unsigned char*>(stream.data()), stream.size(),
                                            "Sheet", book, status))
            << status.text.GetString();
        ASSERT_EQ(book.sheets.size(), 1u);
        ASSERT_EQ(book.sheets[0].cells.size(), 1u);
        EXPECT_EQ(book.sheets[0].cells[0].value.dblVal, 1.0);
        EXPECT_LE(book.sheets[0].cells.capacity(), stream.size() / 6);
    }
}
