#include <toolbox/exchange/text_dialog_rules.h>

#include "exchange/text/delimited_text.h"
#include <toolbox/os/file_io.h>
#include <toolbox/services/numbers.h>

#include <cstdio>

// ---------------------------------------------------------------- CTextImportRules

CTextImportRules::CTextImportRules(const CString& fileName) : m_fileName(fileName) {}

void CTextImportRules::LoadSeparators(const char* separators) {
    Semicolon = Tab = Comma = Space = Other = false;
    for (const char* p = separators ? separators : ""; *p; ++p) {
        switch (*p) {
            case ',': Comma = true; break;
            case ';': Semicolon = true; break;
            case ' ': Space = true; break;
            case '\t': Tab = true; break;
            default: Other = true; break;
        }
    }
}

void CTextImportRules::LoadDecimal(const char* decimal) {
    CString d = decimal ? decimal : "";
    if (d == ",")
        DecimalIndex = DecimalComma;
    else if (d == ".")
        DecimalIndex = DecimalPoint;
    else
        DecimalIndex = DecimalOther;
}

CString CTextImportRules::BuildSeparatorString() const {
    CString s;
    if (Comma) s += ',';
    if (Semicolon) s += ';';
    if (Space) s += ' ';
    if (Tab) s += '\t';
    if (Other) s += OtherSeparators;
    return s;
}

CString CTextImportRules::BuildDecimalString() const {
    if (DecimalIndex == DecimalComma) return CString(",");
    if (DecimalIndex == DecimalOther) return OtherDecimal;
    return CString(".");
}

bool CTextImportRules::CheckFileIsText() const {
    std::FILE* f = std::fopen(m_fileName.GetString(), "rb");
    if (!f) return false;
    unsigned char head[1024];
    std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n == 0) return false;
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = head[i];
        if (c < 32 && c != '\r' && c != '\n' && c != '\t') return false;
    }
    return true;
}

bool CTextImportRules::BuildOriginalText(CString& text) const {
    text.Empty();
    CLineReader in;
    if (!in.Open(m_fileName)) return false;
    const long first = StartLine < 20 ? 1 : StartLine - 20;
    const long last = StartLine < 20 ? 50 : static_cast<long>(StartLine) + 30;
    std::string_view raw;
    for (long n = 1; n <= last && in.NextLine(raw); ++n) {
        if (n < first) continue;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        CString number;
        number.Format("%6li:\t", n);
        text += number;
        text += CString(raw);
        text += "\r\n";
    }
    return true;
}

bool CTextImportRules::BuildInterpretedText(CStringArray& titles, std::vector<CStringArray>& rows, int maxRows) const {
    titles.RemoveAll();
    rows.clear();
    CLineReader in;
    if (!in.Open(m_fileName)) return false;
    const CString separator = BuildSeparatorString();
    const CString decimal = BuildDecimalString();
    const tb_exchange::SeparatorSet separators(separator.view());
    const tb_exchange::DecimalSymbol symbol(decimal);
    const char decimalChar = decimal.IsEmpty() ? '.' : decimal[0];
    std::vector<CString> titleFields;
    int columns = 0;
    auto addRow = [&](std::string_view line) {
        tb_exchange::FieldSplitter fields(line, separators, MergeSeparators);
        std::string_view field;
        CStringArray row;
        while (fields.Next(field))
            row.Add(TBExtended_ftoa(tb_exchange::ParseNumberField(field, symbol), -1, 0, decimal));
        if (row.GetSize() > columns) columns = row.GetSize();
        rows.push_back(row);
    };
    // A first line of words names the columns only when numbers follow it.
    std::string wordsFirst;
    bool holding = false;
    std::string_view raw;
    for (long n = 1; static_cast<int>(rows.size()) < maxRows && in.NextLine(raw); ++n) {
        if (n == 1) raw = tb_exchange::WithoutByteOrderMark(raw);
        if (n < StartLine) continue;
        std::string_view line = tb_exchange::TrimTrailingSpace(raw);
        if (holding && !line.empty()) {
            holding = false;
            if (!tb_exchange::HoldsNumber(line, separators, MergeSeparators, decimalChar)) {
                titleFields.clear();
                addRow(wordsFirst);
            }
        }
        const auto first = n == StartLine ? tb_exchange::JudgeFirstLine(line, separators, MergeSeparators, decimalChar)
                                          : tb_exchange::FirstLine::Data;
        if (first != tb_exchange::FirstLine::Data) {
            // Without quotes every field is a title; with quotes only the quoted ones.
            const bool quotedTitles = first == tb_exchange::FirstLine::Titles;
            tb_exchange::FieldSplitter fields(line, separators, MergeSeparators);
            std::string_view field;
            while (fields.Next(field)) {
                CString title(field);
                const bool hadQuotes = title.Remove('"') > 0;
                if (!quotedTitles) title.Trim();
                titleFields.push_back((hadQuotes || !quotedTitles) && !title.IsEmpty() ? title : CString());
            }
            wordsFirst.assign(line);
            holding = !quotedTitles;
            continue;
        }
        if (line.empty()) continue;
        addRow(line);
    }
    if (holding) {  // nothing followed the line of words: it is data
        titleFields.clear();
        addRow(wordsFirst);
    }
    if (static_cast<int>(titleFields.size()) > columns) columns = static_cast<int>(titleFields.size());
    for (int i = 0; i < columns; ++i) {
        if (i < static_cast<int>(titleFields.size()) && !titleFields[static_cast<std::size_t>(i)].IsEmpty()) {
            titles.Add(titleFields[static_cast<std::size_t>(i)]);
        } else {
            CString name;
            name.Format("CH %i", i);
            titles.Add(name);
        }
    }
    return true;
}

bool CTextImportRules::OnOK() {
    CString separator = BuildSeparatorString();
    if (separator.IsEmpty()) return false;
    m_chosenSeparator = separator;
    m_chosenDecimal = BuildDecimalString();
    m_chosenStartLine = StartLine;
    m_chosenMerge = MergeSeparators ? 1 : 0;
    return true;
}

// ---------------------------------------------------------------- CExportSeparatorRules

bool CExportSeparatorRules::IsOkEnabled() const {
    if (SeparatorIndex < SepSemicolon || SeparatorIndex > SepSpace) return false;
    if (m_textMode == 1 && DecimalIndex != DecPoint && DecimalIndex != DecComma) return false;
    return true;
}

int CExportSeparatorRules::GetSeparatorChar() const {
    static const int kChars[] = {';', '\t', ',', ' '};
    return (SeparatorIndex >= SepSemicolon && SeparatorIndex <= SepSpace) ? kChars[SeparatorIndex] : ';';
}

CString CExportSeparatorRules::GetSeparator() const { return CString(static_cast<char>(GetSeparatorChar())); }
