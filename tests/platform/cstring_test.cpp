#include <toolbox/types/cstring.h>

#include <gtest/gtest.h>

TEST(CStringBoundaries, MidClampsFirstAndCount) {
    CString s("abcdef");
    EXPECT_EQ(s.Mid(2), "cdef");
    EXPECT_EQ(s.Mid(2, 2), "cd");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(4, 100), "ef");
    EXPECT_EQ(s.Mid(6), "");
    EXPECT_EQ(s.Mid(60, 2), "");
    EXPECT_EQ(s.Mid(1, -1), "");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(10), "abcdef");
    EXPECT_EQ(s.Right(2), "ef");
    EXPECT_EQ(s.Right(10), "abcdef");
    EXPECT_EQ(s.Right(-2), "");
}

TEST(CStringBoundaries, FindReturnsMinusOneOutsideText) {
    CString s("a.b.c");
    EXPECT_EQ(s.Find('.'), 1);
    EXPECT_EQ(s.Find('.', 2), 3);
    EXPECT_EQ(s.Find('.', 4), -1);
    EXPECT_EQ(s.Find('.', 5), -1);
    EXPECT_EQ(s.Find('.', -1), -1);
    EXPECT_EQ(s.Find("b.c"), 2);
    EXPECT_EQ(s.Find("b.c", 3), -1);
    EXPECT_EQ(s.Find("", 5), 5);
    EXPECT_EQ(s.Find("", 6), -1);
    EXPECT_EQ(s.ReverseFind('.'), 3);
    EXPECT_EQ(s.FindOneOf("xc"), 4);
    EXPECT_EQ(s.FindOneOf(""), -1);
    EXPECT_EQ(CString().Find('x'), -1);
}

TEST(CStringBoundaries, GetAtOutsideReturnsZero) {
    CString s("ab");
    EXPECT_EQ(s.GetAt(1), 'b');
    EXPECT_EQ(s.GetAt(2), '\0');
    EXPECT_EQ(s.GetAt(-1), '\0');
    s.SetAt(5, 'x');
    EXPECT_EQ(s, "ab");
}

TEST(CStringCase, AsciiOnlySoUtf8Survives) {
    CString s("µA über Ω");
    s.MakeUpper();
    EXPECT_EQ(s, "µA üBER Ω");
    s.MakeLower();
    EXPECT_EQ(s, "µa über Ω");
    EXPECT_EQ(CString("Hello").CompareNoCase("hELLO"), 0);
    EXPECT_LT(CString("abc").CompareNoCase("ABD"), 0);
    EXPECT_GT(CString("b").Compare("a"), 0);
}

TEST(CStringFormat, PrintfSemanticsAndCStringArguments) {
    CString name("file%s.csv");
    CString s;
    s.Format("%s has %i channels, %.3f V", name, 12, 1.5);
    EXPECT_EQ(s, "file%s.csv has 12 channels, 1.500 V");
    s.AppendFormat("%c%05d", '!', 42);
    EXPECT_EQ(s, "file%s.csv has 12 channels, 1.500 V!00042");
    CString longText;
    longText.Format("%s%s", std::string(300, 'x'), CString(std::string(300, 'y')));
    EXPECT_EQ(longText.GetLength(), 600);
    EXPECT_EQ(longText.Right(1), "y");
}

TEST(CStringEdit, ReplaceRemoveInsertDeleteTrim) {
    CString s("1.234.5");
    EXPECT_EQ(s.Replace(".", ","), 2);
    EXPECT_EQ(s, "1,234,5");
    EXPECT_EQ(s.Replace("", "x"), 0);
    EXPECT_EQ(s.Replace(",", ""), 2);
    EXPECT_EQ(s, "12345");
    EXPECT_EQ(s.Remove('3'), 1);
    EXPECT_EQ(s.Insert(100, "!"), 5);
    EXPECT_EQ(s, "1245!");
    EXPECT_EQ(s.Insert(-5, 'a'), 6);
    EXPECT_EQ(s, "a1245!");
    EXPECT_EQ(s.Delete(4, 100), 4);
    EXPECT_EQ(s, "a124");
    CString t("  \t x y \r\n");
    t.Trim();
    EXPECT_EQ(t, "x y");
    CString u("xxabcxx");
    u.TrimLeft('x').TrimRight("xc");
    EXPECT_EQ(u, "ab");
    EXPECT_TRUE(CString("a") + "b" + 'c' == "abc");
    EXPECT_TRUE("x" + CString("y") == CString("xy"));
}

TEST(CStringEdit, TokenizeSkipsEmptyTokens) {
    CString s(";a;;b;");
    int pos = 0;
    EXPECT_EQ(s.Tokenize(";", pos), "a");
    EXPECT_EQ(s.Tokenize(";", pos), "b");
    EXPECT_EQ(s.Tokenize(";", pos), "");
    EXPECT_EQ(pos, -1);
}

TEST(CStringBuffer, GetBufferReleaseBuffer) {
    CString s;
    char* p = s.GetBuffer(10);
    std::snprintf(p, 11, "%s", "abc");
    s.ReleaseBuffer();
    EXPECT_EQ(s.GetLength(), 3);
    p = s.GetBuffer(0);
    p[1] = 'X';
    s.ReleaseBuffer(2);
    EXPECT_EQ(s, "aX");
}
