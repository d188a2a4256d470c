/// \file
/// \brief The rules of the two delimited-text dialogs, without windows.
// The rules of the two delimited-text dialogs, without windows. The window classes
// CTextImportDlg and CExportSeparatorDlg of the window layer show these objects; the
// engine hands them to the dialog hub (TBGetDialogHub().DoModal) and reads the choices
// after IDOK. Tests and programs answer them directly.
#pragma once

#include <toolbox/os/dialog_hub.h>
#include <toolbox/types/types.h>

#include <vector>

/// Dialog template ids of the window layer.
///@{
constexpr UINT IDD_TEXT_IMPORT = 4305;
constexpr UINT IDD_EXPORT_SEPARATOR = 4307;
///@}

/// The Import dialog (caption "Import"): separators, decimal symbol, start line and
/// merge flag for reading delimited text, with previews of the file.
class TB_EXPORT CTextImportRules : public CModalRequest {
public:
    /// Decimal choices of the "Decimal Symbol" group.
    enum DecimalChoice { DecimalPoint = 0, DecimalComma = 1, DecimalOther = 2 };

    /// The rules for the delimited text file fileName, with the defaults (Semicolon, Point, line 1).
    explicit CTextImportRules(const CString& fileName);
    UINT GetTemplateId() const override { return IDD_TEXT_IMPORT; }
    /// The file the dialog previews.
    const CString& GetFileName() const { return m_fileName; }

    /// Clears the five separator boxes, then ticks one per character of separators:
    /// ',' Comma, ';' Semicolon, ' ' Space, tab Tab, any other Other (its text stays).
    void LoadSeparators(const char* separators);
    /// "," selects Comma, "." Point, anything else Other (its text stays).
    void LoadDecimal(const char* decimal);

    // The controls' values; a window reads and writes them, as may a test.
    bool Semicolon = true;  ///< "Semicolon" box.
    bool Tab = false;  ///< "Tab" box.
    bool Comma = false;  ///< "Comma" box.
    bool Space = false;  ///< "Space" box.
    bool Other = false;  ///< "Other" box.
    CString OtherSeparators;  ///< Text of the "Other" separator edit: every character is a separator.
    bool MergeSeparators = false;  ///< "Handle a sequence of separators like one character."
    int DecimalIndex = DecimalPoint;  ///< DecimalPoint, DecimalComma or DecimalOther.
    CString OtherDecimal;  ///< Text of the "Other" decimal edit.
    int StartLine = 1;  ///< "Begin import at line"

    /// The "Other" separator edit is enabled only while Other is ticked.
    bool IsOtherSeparatorEditEnabled() const { return Other; }
    /// The "Other" decimal edit is enabled only while Other is selected.
    bool IsOtherDecimalEditEnabled() const { return DecimalIndex == DecimalOther; }

    /// The separator string of the ticked boxes in the order ',', ';', ' ', tab, then
    /// the other text.
    CString BuildSeparatorString() const;
    /// ".", "," or the other text.
    CString BuildDecimalString() const;

    /// What the dialog does on opening: reads the first 1024 bytes; false (the dialog
    /// closes as cancelled) when the file cannot be opened, is empty, or holds a byte
    /// below 32 other than CR, LF and tab there.
    bool CheckFileIsText() const;
    /// The "Original Text" preview around StartLine: lines 1 to 50 when StartLine is
    /// below 20, else StartLine-20 to StartLine+30, each "%6i:\t" line CR LF. False
    /// when the file cannot be opened (the dialog shows string 14 and cancels).
    bool BuildOriginalText(CString& text) const;
    /// The "Interpreted Text" preview: column titles from the start line's quoted
    /// fields ("CH %i" where missing) and up to maxRows following data lines, split with
    /// the current choices, every field shown as TBExtended_ftoa(TBExtended_atof(...)).
    bool BuildInterpretedText(CStringArray& titles, std::vector<CStringArray>& rows, int maxRows) const;

    /// OK: builds the chosen strings; false (the dialog stays open) when the separator
    /// string is empty.
    bool OnOK();
    /// The separator string built by OnOK.
    CString GetChosenSeparator() const { return m_chosenSeparator; }
    /// The decimal symbol built by OnOK.
    CString GetChosenDecimal() const { return m_chosenDecimal; }
    /// The first line to import (1-based), as OnOK took it.
    int GetChosenStartLine() const { return m_chosenStartLine; }
    /// 1 when MergeSeparators was ticked at OnOK, 0 otherwise.
    int GetChosenMergeFlag() const { return m_chosenMerge; }

private:
    CString m_fileName;
    CString m_chosenSeparator;
    CString m_chosenDecimal;
    int m_chosenStartLine = 1;
    int m_chosenMerge = 0;
};

/// The Export dialog (caption "Export"): separator and, in text mode, decimal symbol
/// for writing. Text mode 1 gives strings; characteristic mode 0 gives a separator
/// character and disables the decimal group.
class TB_EXPORT CExportSeparatorRules : public CModalRequest {
public:
    /// Separator options; NoSeparator when none is selected.
    enum SeparatorChoice { NoSeparator = -1, SepSemicolon = 0, SepTab = 1, SepComma = 2, SepSpace = 3 };
    /// Decimal options; NoDecimal when none is selected.
    enum DecimalChoice { NoDecimal = -1, DecPoint = 0, DecComma = 1 };

    /// Rules for text mode 1 (text file: separator and decimal) or 0 (characteristic file: separator only).
    explicit CExportSeparatorRules(int textMode) : m_textMode(textMode) {}
    UINT GetTemplateId() const override { return IDD_EXPORT_SEPARATOR; }
    /// 1 text file, 0 characteristic file.
    int GetTextMode() const { return m_textMode; }

    int SeparatorIndex = SepSemicolon;  ///< "Semicolon" starts selected
    int DecimalIndex = DecPoint;        ///< "Point" starts selected

    /// True in text mode only.
    bool IsDecimalGroupEnabled() const { return m_textMode == 1; }
    /// OK is enabled only while a separator (and in text mode a decimal) is selected.
    bool IsOkEnabled() const;
    /// OK: false (the dialog stays open) while IsOkEnabled() is false.
    bool OnOK() { return IsOkEnabled(); }

    /// Characteristic mode: ';' (59), tab (9), ',' (44) or blank (32).
    int GetSeparatorChar() const;
    /// Text mode: ";", "\t", "," or " ".
    CString GetSeparator() const;
    /// Text mode: "." or ",".
    CString GetDecimal() const { return DecimalIndex == DecComma ? CString(",") : CString("."); }

private:
    int m_textMode;
};
